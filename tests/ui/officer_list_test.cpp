#include <gtest/gtest.h>

#include <QDir>
#include <QListView>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "FakeFaces.h"
#include "app/MainFrame.h"
#include "app/PlainMessage.h"
#include "app/S13KaoCgEditApp.h"
#include "app/S13KaoCgEditDoc.h"
#include "facedata/Bushou.h"
#include "facedata/Installation.h"
#include "ui/CGDialogBar.h"
#include "ui/S13KaoCgEditView.h"
#include "ui/ThumbnailList.h"

namespace {

using kaocg_test::ColourOf;
using kaocg_test::TopLeft;

int SmallImage(int face) { return FaceToImageNumber(face, 0); }
int Thumb(int face) { return kaocg_ui::ThumbnailIndexOfFace(face, true, SmallImage); }

// The expansion edition with an ID archive that changes some faces, and
// the editor's windows over it.
class OfficerList : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    user = QDir(tmp.path()).filePath(QStringLiteral("user")).toStdString() + "/";
    QDir().mkpath(QString::fromStdString(user));
    kaocg::SetCurrentInstallation({kaocg::kEditionExpansion, tmp.path().toStdString() + "/", user});
    kaocg_ui::SetPlainMessageHandler([this](const QString& t) { messages << t; });

    // Saved assignments: officer 3 has another shipped face, officer 5 a
    // user face, officer 7 another face that the user then puts back.
    bushou_manager saved;
    saved.Init();
    otherFace = saved.GetOfficer(40)->GetDefaultFace();
    saved.GetOfficer(3)->SetFace(otherFace);
    saved.GetOfficer(5)->SetFace(1705);
    saved.GetOfficer(7)->SetFace(otherFace);
    ASSERT_TRUE(saved.SaveFaces(user));

    auto roster = std::make_unique<bushou_manager>();
    roster->Init();
    ASSERT_TRUE(roster->LoadFaces(user));
    bushou* b7 = roster->GetOfficer(7);
    b7->SetFace(b7->GetDefaultFace());
    roster->GetOfficer(4)->SetFace(otherFace);

    BuildThumbnails(kaocg_ui::GetThumbnailList(), true, {});
    app.CreateDocumentFrameAndView();
    doc = app.CurrentDocument();
    doc->AdoptRoster(std::move(roster));
    view = app.ListView();
    frame = app.Frame();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    view->FillOfficerList();
    QTest::qWait(20);
  }
  void TearDown() override {
    kaocg_ui::SetPlainMessageHandler({});
    kaocg_ui::GetThumbnailList().Destroy();
  }

  bushou* Officer(int i) { return doc->Roster()->GetOfficer(i); }
  QModelIndex Index(int row) { return view->model()->index(row, 0); }
  QPoint Centre(int row) { return view->visualRect(Index(row)).center(); }

  QTemporaryDir tmp;
  std::string user;
  int otherFace = 0;
  QStringList messages;
  kaocg_test::FakeFaceReader reader;
  CS13KaoCgEditApp app;
  CS13KaoCgEditDoc* doc = nullptr;
  CS13KaoCgEditView* view = nullptr;
  CMainFrame* frame = nullptr;
};

TEST_F(OfficerList, ListsEveryOfficerButTheTwoFixedSlotsInRosterOrder) {
  const int count = doc->Roster()->GetCount();
  ASSERT_EQ(view->model()->rowCount(), count - 2);
  for (int i = 0; i < count - 2; ++i) {
    bushou* b = Officer(i);
    const COfficerListModel::Item* item = view->Items()->GetItem(i);
    ASSERT_EQ(item->officer, b) << i;
    EXPECT_NE(b->GetSlot(), 338);
    EXPECT_NE(b->GetSlot(), 2274);
    EXPECT_EQ(item->image, Thumb(b->GetFace())) << i;
  }
  EXPECT_EQ(Officer(count - 1)->GetSlot(), 338);
  EXPECT_EQ(Officer(count - 2)->GetSlot(), 2274);
}

TEST_F(OfficerList, TextsPicturesAndColoursFollowTheFaces) {
  struct Case {
    int row;
    bool changedMark;  // face differs from the saved face
    bool red;          // face differs from the default face
  };
  const Case cases[] = {
      {0, false, false},
      {3, false, true},   // saved other face: red, no mark
      {4, true, true},    // changed now: red and marked
      {5, false, true},   // user face
      {7, true, false},   // back on its default but not saved: black and marked
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    const QModelIndex i = Index(c.row);
    const QString name = QString::fromUtf16(Officer(c.row)->GetName().data(),
                                            static_cast<int>(Officer(c.row)->GetName().size()));
    EXPECT_EQ(i.data(Qt::DisplayRole).toString(),
              c.changedMark ? name + QStringLiteral("(変更)") : name);
    EXPECT_EQ(i.data(Qt::ForegroundRole).value<QColor>(), c.red ? QColor(255, 0, 0) : QColor(0, 0, 0));
  }
  // The pictures are the thumbnails of the faces: a shipped face, a user slot.
  EXPECT_EQ(TopLeft(Index(3).data(Qt::DecorationRole).value<QPixmap>()), ColourOf(SmallImage(otherFace)));
  EXPECT_EQ(TopLeft(Index(5).data(Qt::DecorationRole).value<QPixmap>()), ColourOf(2203 + 5));
  EXPECT_EQ(view->gridSize(), QSize(126, 105));
  // The document's list font reaches the view.
  EXPECT_EQ(view->font().pixelSize(), 16);
  EXPECT_FALSE(view->font().bold());
  EXPECT_EQ(view->viewMode(), QListView::IconMode);
  EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(OfficerList, AFillSelectsAndPreviewsTheFirstOfficerAndRefreshesTheTitle) {
  EXPECT_EQ(view->SelectedRow(), 0);
  CCGDialogBar* bar = frame->PreviewBar();
  EXPECT_EQ(bar->NameText(), QString::fromUtf16(Officer(0)->GetDisplayName()));
  const int f = Officer(0)->GetFace();
  EXPECT_EQ(bar->Face(2).size(), QSize(256, 256));
  EXPECT_EQ(bar->Face(1).size(), QSize(128, 128));
  EXPECT_EQ(bar->Face(0).size(), QSize(64, 64));
  EXPECT_EQ(TopLeft(bar->Face(2)), ColourOf(FaceToImageNumber(f, 2)));
  EXPECT_EQ(TopLeft(bar->Face(1)), ColourOf(FaceToImageNumber(f, 1)));
  EXPECT_EQ(TopLeft(bar->Face(0)), ColourOf(FaceToImageNumber(f, 0)));
  EXPECT_EQ(bar->NameFont().pixelSize(), 18);
  EXPECT_TRUE(bar->NameFont().bold());

  // Modified: the title carries the mark, save and reset are on.
  EXPECT_EQ(frame->windowTitle(), QStringLiteral("『セルヴァリン』 顔変更エディタ(変更あり)"));
  EXPECT_TRUE(frame->CommandAction(57603)->isEnabled());
  EXPECT_TRUE(frame->CommandAction(32784)->isEnabled());

  // Whatever was selected, a refill selects item 0 again.
  view->SelectRow(12);
  view->FillOfficerList();
  EXPECT_EQ(view->SelectedRow(), 0);
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(OfficerList, LeftClickPreviewsRightClickAndArrowKeysDoNot) {
  CCGDialogBar* bar = frame->PreviewBar();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Centre(4));
  EXPECT_EQ(view->SelectedRow(), 4);
  EXPECT_EQ(bar->NameText(), QString::fromUtf16(Officer(4)->GetDisplayName()));
  EXPECT_EQ(TopLeft(bar->Face(2)), ColourOf(FaceToImageNumber(otherFace, 2)));

  QTest::mouseClick(view->viewport(), Qt::RightButton, {}, Centre(9));
  EXPECT_EQ(view->SelectedRow(), 4);
  EXPECT_EQ(bar->NameText(), QString::fromUtf16(Officer(4)->GetDisplayName()));

  view->setFocus();
  QTest::keyClick(view, Qt::Key_Right);
  EXPECT_EQ(view->SelectedRow(), 5);
  EXPECT_EQ(bar->NameText(), QString::fromUtf16(Officer(4)->GetDisplayName()));
}

TEST_F(OfficerList, AFaceWithoutPictureShowsNoneAndThreeMessages) {
  Officer(2)->SetFace(99999);
  view->FillOfficerList();
  EXPECT_LT(view->Items()->GetItem(2)->image, 0);
  EXPECT_FALSE(Index(2).data(Qt::DecorationRole).isValid());
  messages.clear();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, Centre(2));
  EXPECT_EQ(messages.size(), 3);
  for (int s = 0; s < 3; ++s) EXPECT_TRUE(frame->PreviewBar()->Face(s).isNull());
  EXPECT_EQ(frame->PreviewBar()->NameText(), QString::fromUtf16(Officer(2)->GetDisplayName()));
}

TEST_F(OfficerList, FillWithoutRosterLeavesTheListAsItWas) {
  const int rows = view->model()->rowCount();
  doc->AdoptRoster(nullptr);
  view->FillOfficerList();
  EXPECT_EQ(view->model()->rowCount(), rows);
}

}  // namespace
