#include <gtest/gtest.h>

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <vector>

#include "app/DialogTemplate.h"
#include "app/MainFrame.h"
#include "ui/CGDialogBar.h"

namespace {

class FakeDocument : public IMainFrameDocument {
 public:
  bool roster = true, modified = false, differs = false, allowClose = true;
  int closeChecks = 0, closes = 0;
  bool HasRoster() const override { return roster; }
  bool IsModified() const override { return modified; }
  bool DiffersFromDefault() const override { return differs; }
  bool CanCloseFrame() override {
    ++closeChecks;
    return allowClose;
  }
  void OnCloseDocument() override { ++closes; }
};

const QString kTitle = QStringLiteral("『セルヴァリン』 顔変更エディタ");

TEST(MainFrame, MenuBarHoldsTheSevenCommandsInOrder) {
  CMainFrame f;
  struct Row {
    const char* text;
    int id;
  };
  const Row rows[] = {
      {"画像取込(&R)", 32782}, {"画像変更(&C)", 32783}, {"上書き保存(&S)", 57603},
      {"全初期化(&I)", 32784}, {"武将検索(&F)", 32787}, {"バージョン情報(&A)", 57664},
      {"終了(&X)", 57665},
  };
  const QList<QAction*> actions = f.menuBar()->actions();
  ASSERT_EQ(actions.size(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(actions[i]->text(), QString::fromUtf8(rows[i].text));
    EXPECT_EQ(actions[i]->data().toInt(), rows[i].id);
    EXPECT_EQ(actions[i]->menu(), nullptr) << "a command, not a drop-down";
    EXPECT_EQ(f.CommandAction(rows[i].id), actions[i]);
  }
  EXPECT_EQ(f.windowTitle(), kTitle);
}

TEST(MainFrame, TitleAndMenuFollowTheRoster) {
  CMainFrame f;
  FakeDocument doc;
  f.SetActiveDocument(&doc);
  QAction* save = f.CommandAction(57603);
  QAction* reset = f.CommandAction(32784);
  struct Case {
    bool modified, differs;
    bool saveOn, resetOn;
    QString title;
  };
  const Case cases[] = {
      {false, false, false, false, kTitle},
      {true, true, true, true, kTitle + QStringLiteral("(変更あり)")},
      // After a reset with saved faces that were not the defaults.
      {true, false, true, false, kTitle + QStringLiteral("(変更あり)")},
      // After a save of faces that are not the defaults.
      {false, true, false, true, kTitle},
  };
  for (const Case& c : cases) {
    doc.modified = c.modified;
    doc.differs = c.differs;
    f.RefreshTitleAndMenu();
    EXPECT_EQ(save->isEnabled(), c.saveOn);
    EXPECT_EQ(reset->isEnabled(), c.resetOn);
    EXPECT_EQ(f.windowTitle(), c.title);
  }
}

TEST(MainFrame, RefreshWithoutDocumentOrRosterChangesNothing) {
  CMainFrame f;
  f.RefreshTitleAndMenu();
  EXPECT_EQ(f.windowTitle(), kTitle);
  EXPECT_TRUE(f.CommandAction(57603)->isEnabled());
  FakeDocument doc;
  doc.roster = false;
  doc.modified = true;
  f.SetActiveDocument(&doc);
  f.RefreshTitleAndMenu();
  EXPECT_EQ(f.windowTitle(), kTitle);
  EXPECT_TRUE(f.CommandAction(32784)->isEnabled());
}

TEST(MainFrame, CtrlSReachesSaveOnlyWhileItIsEnabled) {
  CMainFrame f;
  std::vector<int> commands;
  f.SetCommandHandler([&](int id) { commands.push_back(id); });
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  f.activateWindow();
  QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(commands, std::vector<int>{57603});

  FakeDocument doc;
  f.SetActiveDocument(&doc);
  f.RefreshTitleAndMenu();  // not modified: save grey
  QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(commands.size(), 1u);

  f.CommandAction(32782)->trigger();
  f.CommandAction(32787)->trigger();
  EXPECT_EQ(commands, (std::vector<int>{57603, 32782, 32787}));
  f.SetActiveDocument(nullptr);
}

TEST(MainFrame, StatusBarShowsReadyAndEachCommandsPrompt) {
  CMainFrame f;
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  EXPECT_EQ(f.MessagePaneText(), QStringLiteral("レディ"));
  const struct {
    int id;
    const char* prompt;
  } prompts[] = {{32782, "画像を取り込みます"},
                 {32783, "武将の顔を変更します"},
                 {32784, "顔CGデータを初期化します"},
                 {32787, "検索します"}};
  QMenuBar* bar = f.menuBar();
  for (const auto& p : prompts) {
    // What highlighting the item in the bar does.
    f.CommandAction(p.id)->hover();
    EXPECT_EQ(f.MessagePaneText(), QString::fromUtf8(p.prompt));
  }
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(bar, &leave);
  EXPECT_EQ(f.MessagePaneText(), QStringLiteral("レディ"));

  // The lock-key panes come after the message pane, in order.
  CMainFrame::SetLockKeyQuery([](int id) { return id != 59138; });
  f.UpdateIndicators();
  EXPECT_EQ(f.IndicatorPane(59137)->text(), QStringLiteral("CAP"));
  EXPECT_EQ(f.IndicatorPane(59138)->text(), QString());
  EXPECT_EQ(f.IndicatorPane(59139)->text(), QStringLiteral("SCRL"));
  EXPECT_LT(f.IndicatorPane(59137)->x(), f.IndicatorPane(59138)->x());
  EXPECT_LT(f.IndicatorPane(59138)->x(), f.IndicatorPane(59139)->x());
  CMainFrame::SetLockKeyQuery([](int) { return false; });
}

TEST(MainFrame, StartsAt800By600AndStopsShrinkingAt400By600) {
  CMainFrame f;
  const unsigned style = kaocg_ui::kStyleCaption | kaocg_ui::kStyleThickFrame;
  const int ncw = kaocg_ui::NonClientWidth(style), nch = kaocg_ui::NonClientHeight(style);
  EXPECT_EQ(f.size(), QSize(800 - ncw, 600 - nch));
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  f.resize(100, 100);
  QTest::qWait(10);
  EXPECT_EQ(f.size(), QSize(400 - ncw, 600 - nch));
}

TEST(MainFrame, PreviewBarIsDockedOnTheLeftWideEnoughForTheLargeFace) {
  CMainFrame f;
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
  ASSERT_NE(f.PreviewBar(), nullptr);
  EXPECT_EQ(f.dockWidgetArea(f.PreviewDock()), Qt::LeftDockWidgetArea);
  const res::DlgTemplate* t = res::FindDialogTemplate(208);
  EXPECT_EQ(f.PreviewBar()->width(),
            std::max(kaocg_ui::DluToPixelsX(*t, 141), kaocg_ui::DluToPixelsX(*t, 1) + 257));
}

TEST(MainFrame, ClosePassesThroughTheDocumentsCheck) {
  CMainFrame f;
  FakeDocument doc;
  f.SetActiveDocument(&doc);
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));

  doc.allowClose = false;
  f.CommandAction(57665)->trigger();
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(doc.closeChecks, 1);
  EXPECT_EQ(doc.closes, 0);

  doc.allowClose = true;
  EXPECT_TRUE(f.close());
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(doc.closeChecks, 2);
  EXPECT_EQ(doc.closes, 1);
  f.SetActiveDocument(nullptr);
}

}  // namespace
