#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/DialogTemplate.h"
#include "app/MessageDlg.h"
#include "res/templates.h"

namespace {

constexpr int kButtonIds[5] = {1036, 1037, 1038, 1039, 1040};

QPushButton* Button(CMessageDlg& d, int i) {
  return qobject_cast<QPushButton*>(d.GetDlgItem(kButtonIds[i]));
}

// Runs the dialog modally and lets `answer` act on it once it is running.
int RunWith(CMessageDlg& dlg, std::function<void(CMessageDlg&)> answer) {
  QTimer::singleShot(0, &dlg, [&dlg, answer] {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    answer(dlg);
  });
  return dlg.DoModal();
}

struct SetCase {
  int set;
  std::vector<const char*> captions;
  std::vector<int> results;
  int enter;
  int esc;
};

// The four button sets as the editor's callers rely on them.
const SetCase kSets[] = {
    {0, {"確認"}, {0}, 0, 0},
    {1, {"はい", "いいえ"}, {1, 2}, 1, 2},
    {2, {"別名保存", "上書き保存", "中止"}, {3, 4, 5}, 3, 5},
    {3, {"別名", "全て別名", "上書", "全て上書", "中止"}, {6, 7, 8, 9, 10}, 6, 10},
};

TEST(MessageDlg, EveryButtonEnterAndEscEndWithTheSetsResult) {
  for (const SetCase& c : kSets) {
    SCOPED_TRACE(c.set);
    for (size_t i = 0; i < c.captions.size(); ++i) {
      CMessageDlg dlg(c.set, QStringLiteral("テスト"), false);
      const int r = RunWith(dlg, [&](CMessageDlg& d) {
        QPushButton* b = Button(d, static_cast<int>(i));
        EXPECT_EQ(b->text(), QString::fromUtf8(c.captions[i]));
        EXPECT_TRUE(b->isEnabled());
        QTest::mouseClick(b, Qt::LeftButton);
      });
      EXPECT_EQ(r, c.results[i]) << "button " << i + 1;
    }
    {
      CMessageDlg dlg(c.set, QStringLiteral("テスト"), false);
      EXPECT_EQ(RunWith(dlg, [](CMessageDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }), c.enter);
    }
    {
      CMessageDlg dlg(c.set, QStringLiteral("テスト"), false);
      EXPECT_EQ(RunWith(dlg, [](CMessageDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }), c.esc);
    }
  }
}

TEST(MessageDlg, EnterGivesTheSetsResultEvenWithAnotherButtonFocused) {
  CMessageDlg dlg(1, QStringLiteral("テスト"), false);
  const int r = RunWith(dlg, [](CMessageDlg& d) {
    Button(d, 1)->setFocus();
    QTest::keyClick(Button(d, 1), Qt::Key_Return);
  });
  EXPECT_EQ(r, 1);
}

TEST(MessageDlg, UnusedButtonsAreDisabledAndKeepTheirTemplatePlace) {
  const res::DlgTemplate* t = res::FindDialogTemplate(207);
  ASSERT_NE(t, nullptr);
  CMessageDlg dlg(1, QStringLiteral("テスト"), false);
  RunWith(dlg, [&](CMessageDlg& d) {
    for (int i = 2; i < 5; ++i) {
      QPushButton* b = Button(d, i);
      EXPECT_FALSE(b->isEnabled());
      EXPECT_EQ(b->geometry(), kaocg_ui::DluToPixels(*t, t->controls[2 + i].rect));
      // A click on a disabled button ends nothing.
      QTest::mouseClick(b, Qt::LeftButton);
      EXPECT_TRUE(d.isVisible());
    }
    QTest::mouseClick(Button(d, 1), Qt::LeftButton);
  });
}

TEST(MessageDlg, LayoutFollowsTheMeasuredTexts) {
  const unsigned style = kaocg_ui::kStyleCaption;
  const int nonClientH = kaocg_ui::NonClientHeight(style);
  const int top = kaocg_ui::NonClientTop(style);

  // A long line: W = wm + 72; buttons centred and 104 apart; 96 x 32.
  MessageDlgLayout a = ComputeMessageDlgLayout(QSize(600, 16), QSize(200, 16), 2, false, style);
  EXPECT_EQ(a.width, 672);
  EXPECT_EQ(a.height, 16 + 56 + nonClientH);
  EXPECT_EQ(a.text, QRect((672 - 632) / 2, 8, 632, 16));
  EXPECT_EQ(a.buttons[0], QPoint((672 - 208) / 2, a.height - 40 - top));
  EXPECT_EQ(a.buttons[1], a.buttons[0] + QPoint(104, 0));
  EXPECT_FALSE(a.boxShown);

  // Short text: the button row decides; then the label.
  EXPECT_EQ(ComputeMessageDlgLayout(QSize(10, 16), QSize(10, 16), 5, false, style).width, 520 + 32);
  EXPECT_EQ(ComputeMessageDlgLayout(QSize(10, 16), QSize(300, 16), 1, false, style).width, 308 + 32);

  // The box: the dialog grows by hc + 16, the box sits 8 below the row's
  // place and the buttons hc + 8 below the box.
  MessageDlgLayout b = ComputeMessageDlgLayout(QSize(600, 32), QSize(200, 20), 1, true, style);
  MessageDlgLayout nb = ComputeMessageDlgLayout(QSize(600, 32), QSize(200, 20), 1, false, style);
  EXPECT_EQ(b.height, nb.height + 20 + 16);
  EXPECT_EQ(b.box, QRect((b.width - 208) / 2, nb.buttons[0].y() + 8, 208, 20));
  EXPECT_EQ(b.buttons[0].y(), b.box.y() + 20 + 8);
}

TEST(MessageDlg, TheRealDialogTakesItsComputedSizeAndShowsTheText) {
  // Thirty full-width characters on one line: wide enough that the message
  // decides the width.
  const QString text = QString(30, QChar(0x3042));
  const QSize m = MeasureDeviceText(text);
  ASSERT_GT(m.width() + 40, 104 * 2);
  CMessageDlg dlg(1, text + QStringLiteral("\n") + QStringLiteral("二行目"), true);
  RunWith(dlg, [&](CMessageDlg& d) {
    const MessageDlgLayout& L = d.Layout();
    EXPECT_EQ(L.width, m.width() + 72);
    EXPECT_EQ(d.width(), L.width - kaocg_ui::NonClientWidth(d.Style()));
    EXPECT_EQ(d.height(), L.height - kaocg_ui::NonClientHeight(d.Style()));
    auto* label = qobject_cast<QLabel*>(d.GetDlgItem(1042));
    EXPECT_EQ(label->text(), d.Text());
    EXPECT_EQ(label->geometry(), L.text);
    auto* box = qobject_cast<QCheckBox*>(d.GetDlgItem(1041));
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->geometry(), L.box);
    EXPECT_GT(Button(d, 0)->geometry().top(), box->geometry().bottom());
    EXPECT_EQ(Button(d, 0)->geometry(), QRect(L.buttons[0], QSize(96, 32)));
    QTest::mouseClick(Button(d, 1), Qt::LeftButton);
  });
}

TEST(MessageDlg, ReportsTheDoNotShowAgainBoxOnEveryExit) {
  for (bool tick : {false, true}) {
    for (int exitKind = 0; exitKind < 3; ++exitKind) {
      CMessageDlg dlg(1, QStringLiteral("案内"), true);
      RunWith(dlg, [&](CMessageDlg& d) {
        if (tick) QTest::mouseClick(d.GetDlgItem(1041), Qt::LeftButton, {}, QPoint(4, 4));
        if (exitKind == 0) QTest::mouseClick(Button(d, 0), Qt::LeftButton);
        if (exitKind == 1) QTest::keyClick(&d, Qt::Key_Return);
        if (exitKind == 2) QTest::keyClick(&d, Qt::Key_Escape);
      });
      EXPECT_EQ(dlg.dontShowAgain, tick ? 1 : 0) << "exit " << exitKind;
    }
  }
}

TEST(MessageDlg, WithoutTheBoxItIsHidden) {
  CMessageDlg dlg(0, QStringLiteral("通知"), false);
  RunWith(dlg, [](CMessageDlg& d) {
    EXPECT_FALSE(d.GetDlgItem(1041)->isVisible());
    QTest::keyClick(&d, Qt::Key_Escape);
  });
  EXPECT_EQ(dlg.dontShowAgain, 0);
}

}  // namespace
