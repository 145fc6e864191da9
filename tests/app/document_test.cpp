#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "app/MainFrame.h"
#include "app/MessageDlg.h"
#include "app/S13KaoCgEditApp.h"
#include "app/S13KaoCgEditDoc.h"
#include "app/startup/Environment.h"
#include "facedata/Bushou.h"
#include "facedata/Installation.h"
#include "ui/ThumbnailList.h"

namespace {

// Answers the next confirmation dialog with button `button` (0 based) and
// records its text.
struct DialogAnswer {
  int button;
  QString text;
  bool shown = false;
  explicit DialogAnswer(int b) : button(b) {
    QTimer::singleShot(0, [this] { Answer(); });
  }
  void Answer() {
    auto* dlg = qobject_cast<CMessageDlg*>(QApplication::activeModalWidget());
    if (!dlg) {
      QTimer::singleShot(5, [this] { Answer(); });
      return;
    }
    shown = true;
    text = qobject_cast<QLabel*>(dlg->GetDlgItem(1042))->text();
    QTest::mouseClick(dlg->GetDlgItem(1036 + button), Qt::LeftButton);
  }
};

class Document : public ::testing::Test {
 protected:
  void SetUp() override {
    kaocg::SetCurrentInstallation({kaocg::kEditionExpansion, "/nonexistent/", tmp.path().toStdString() + "/"});
    app.CreateDocumentFrameAndView();
    auto roster = std::make_unique<bushou_manager>();
    roster->Init();
    app.CurrentDocument()->AdoptRoster(std::move(roster));
    app.Frame()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.Frame()));
  }
  // Gives officer 0 another face than the one it has.
  void Modify() {
    bushou* b = app.CurrentDocument()->Roster()->GetOfficer(0);
    b->SetFace(b->GetFace() == b->GetDefaultFace() + 1 ? b->GetDefaultFace() + 2 : b->GetDefaultFace() + 1);
  }

  QTemporaryDir tmp;
  CS13KaoCgEditApp app;
};

const QString kUnsaved = QStringLiteral("顔データが変更されています。\n保存せずに終了しますが、よろしいですか？");
const QString kGameRuns = QStringLiteral(
    "『セルヴァリン』、または『セルヴァリン ヴェルタ』が起動中のため、保存できません。\n保存せずに終了してよろしいですか？");

TEST_F(Document, ClosingWithoutChangesAsksNothingAndReleasesTheThumbnails) {
  kaocg_ui::GetThumbnailList().Create(10);
  // Also while the game runs.
  platform::MutexHandle game = kaocg::CreateGlobalMutex(kaocg::kGameMutexName);
  EXPECT_TRUE(app.Frame()->close());
  EXPECT_FALSE(kaocg_ui::GetThumbnailList().IsCreated());
  EXPECT_TRUE(app.CurrentDocument()->FontsReleased());
}

TEST_F(Document, NoKeepsTheEditorOpenWithItsChanges) {
  Modify();
  DialogAnswer answer(1);  // いいえ
  EXPECT_FALSE(app.Frame()->close());
  EXPECT_TRUE(answer.shown);
  EXPECT_EQ(answer.text, kUnsaved);
  EXPECT_TRUE(app.Frame()->isVisible());
  EXPECT_TRUE(app.CurrentDocument()->IsModified());
  EXPECT_FALSE(app.CurrentDocument()->FontsReleased());
}

TEST_F(Document, YesClosesWithoutSaving) {
  Modify();
  DialogAnswer answer(0);  // はい
  EXPECT_TRUE(app.Frame()->close());
  EXPECT_EQ(answer.text, kUnsaved);
  // Nothing was written.
  EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(Document, WhileTheGameRunsTheQuestionSaysSo) {
  Modify();
  platform::MutexHandle game = kaocg::CreateGlobalMutex(kaocg::kGameMutexName);
  ASSERT_TRUE(game);
  DialogAnswer answer(0);
  EXPECT_TRUE(app.Frame()->close());
  EXPECT_EQ(answer.text, kGameRuns);
}

TEST_F(Document, SaveReportsItsOutcome) {
  Modify();
  {
    DialogAnswer answer(0);
    EXPECT_TRUE(app.CurrentDocument()->SaveDocument());
    EXPECT_EQ(answer.text, QStringLiteral("データの保存が終了しました。"));
    EXPECT_FALSE(app.CurrentDocument()->IsModified());
  }
  // A user folder that cannot hold the file.
  Modify();
  kaocg::SetCurrentInstallation({kaocg::kEditionExpansion, "/nonexistent/", "/nonexistent/user/"});
  {
    DialogAnswer answer(0);
    EXPECT_FALSE(app.CurrentDocument()->SaveDocument());
    EXPECT_EQ(answer.text, QStringLiteral("データを正しく保存できませんでした。"));
    EXPECT_TRUE(app.CurrentDocument()->IsModified());
  }
}

}  // namespace
