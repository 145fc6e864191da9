#include <gtest/gtest.h>

#include <QStringList>

#include "FakeFaces.h"
#include "app/PlainMessage.h"
#include "ui/ThumbnailList.h"

namespace {

using kaocg_test::ColourOf;
using kaocg_test::TopLeft;
using kaocg_ui::CThumbnailList;

struct MessageRecorder {
  QStringList messages;
  MessageRecorder() {
    kaocg_ui::SetPlainMessageHandler([this](const QString& t) { messages << t; });
  }
  ~MessageRecorder() { kaocg_ui::SetPlainMessageHandler({}); }
};

TEST(ThumbnailList, BuildsTheIndexLayoutOfEachEdition) {
  struct Edition {
    bool expansion;
    int first, last, total;
  };
  for (const Edition& e : {Edition{false, 6218, 7673, 2557}, Edition{true, 6502, 8099, 2699}}) {
    SCOPED_TRACE(e.expansion);
    kaocg_test::FakeFaceReader reader;
    MessageRecorder messages;
    CThumbnailList list;
    int steps = 0;
    BuildThumbnails(list, e.expansion, [&] { ++steps; });
    EXPECT_EQ(steps, 38);
    ASSERT_EQ(list.GetImageCount(), e.total);
    EXPECT_EQ(reader.reads, 1100 + (e.last - e.first + 1));
    EXPECT_TRUE(messages.messages.isEmpty());
    // User slot k is image 2203 + k; then the shipped pictures; then black.
    for (int k : {0, 1, 999, 1099}) EXPECT_EQ(TopLeft(list.GetImage(k)), ColourOf(2203 + k)) << k;
    EXPECT_EQ(TopLeft(list.GetImage(1100)), ColourOf(e.first));
    EXPECT_EQ(TopLeft(list.GetImage(e.total - 2)), ColourOf(e.last));
    EXPECT_EQ(TopLeft(list.GetImage(e.total - 1)), qRgb(0, 0, 0));
    for (int i : {0, 1100, e.total - 1}) EXPECT_EQ(list.GetImage(i).size(), QSize(60, 60));
    EXPECT_TRUE(list.GetImage(e.total).isNull());
    EXPECT_TRUE(list.GetImage(-1).isNull());
  }
}

TEST(ThumbnailList, StepsAfterEvery55thUserPictureAndEvery16thOfTheShipped) {
  // Base game: S = 1456, s = 91. Record how many pictures were read at
  // each step.
  std::vector<int> readsAtStep;
  kaocg_test::FakeFaceReader reader;
  CThumbnailList list;
  BuildThumbnails(list, false, [&] { readsAtStep.push_back(reader.reads); });
  std::vector<int> expected;
  for (int i = 1; i <= 20; ++i) expected.push_back(55 * i);
  expected.push_back(1100);
  for (int i = 1; i <= 16; ++i) expected.push_back(1100 + 91 * i);
  expected.push_back(1100 + 1456);
  EXPECT_EQ(readsAtStep, expected);
}

TEST(ThumbnailList, AFailedReadIsABlackPlaceholderWithOneMessage) {
  kaocg_test::FakeFaceReader reader({2203 + 5, 6502 + 3});
  MessageRecorder messages;
  CThumbnailList list;
  BuildThumbnails(list, true, {});
  ASSERT_EQ(list.GetImageCount(), 2699);
  EXPECT_EQ(TopLeft(list.GetImage(5)), qRgb(0, 0, 0));
  EXPECT_EQ(TopLeft(list.GetImage(1103)), qRgb(0, 0, 0));
  EXPECT_EQ(TopLeft(list.GetImage(6)), ColourOf(2203 + 6));
  EXPECT_EQ(messages.messages,
            QStringList({QStringLiteral("ファイルの読み込みに失敗しました。"),
                         QStringLiteral("ファイルの読み込みに失敗しました。")}));
}

TEST(ThumbnailList, ReplaceReloadsOneUserSlot) {
  kaocg_test::FakeFaceReader reader({2203 + 7});
  MessageRecorder messages;
  CThumbnailList list;
  BuildThumbnails(list, true, {});
  ASSERT_EQ(TopLeft(list.GetImage(7)), qRgb(0, 0, 0));
  // The slot now reads: a stand-in reader that paints it another colour.
  kaocg_ui::SetFaceReader([](int n, CDIB& dib) { return kaocg_test::MakeFace(n + 1, 64, dib); });
  ReplaceThumbnail(list, 7);
  EXPECT_EQ(TopLeft(list.GetImage(7)), ColourOf(2203 + 7 + 1));
  EXPECT_EQ(TopLeft(list.GetImage(8)), ColourOf(2203 + 8));
  EXPECT_EQ(list.GetImageCount(), 2699);
  // Only user slots 0 ... 999 are replaced.
  ReplaceThumbnail(list, 1000);
  EXPECT_EQ(TopLeft(list.GetImage(1000)), ColourOf(2203 + 1000));
}

TEST(ThumbnailList, FaceNumbersMapToTheirIndex) {
  // A stand-in for the roster's mapping to small image numbers.
  auto small = [](int face) { return face == 8179 ? 7674 : (face == 99999 ? -1 : 6218 + face); };
  EXPECT_EQ(kaocg_ui::ThumbnailIndexOfFace(1700, false, small), 0);
  EXPECT_EQ(kaocg_ui::ThumbnailIndexOfFace(2699, false, small), 999);
  EXPECT_EQ(kaocg_ui::ThumbnailIndexOfFace(0, false, small), 1100);
  // One past the last shipped small picture: the final black image.
  EXPECT_EQ(kaocg_ui::ThumbnailIndexOfFace(8179, false, small), 2556);
  EXPECT_LT(kaocg_ui::ThumbnailIndexOfFace(99999, false, small), 0);
}

TEST(ThumbnailList, DestroyEmptiesTheProcessWideList) {
  CThumbnailList& list = kaocg_ui::GetThumbnailList();
  EXPECT_EQ(&list, &kaocg_ui::GetThumbnailList());
  list.Create(10);
  list.Add(kaocg_ui::MakeThumbnailPlaceholder());
  EXPECT_EQ(list.GetImageCount(), 1);
  list.Destroy();
  EXPECT_FALSE(list.IsCreated());
  EXPECT_EQ(list.GetImageCount(), 0);
}

}  // namespace
