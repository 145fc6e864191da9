#include <gtest/gtest.h>

#include "import/BMPCutModel.h"

namespace {

const CDIBRect kLarge{0, 0, 240, 240};
const CDIBRect kMedium{0, 0, 96, 120};
const CDIBRect kSmall{0, 0, 60, 60};

// Client rectangle whose picture area is 462 × 376 pixels.
const CDIBRect kClient{0, 0, 582, 400};

// A 24-bit picture whose pixel (x, y) is blue x, green y, red 0x80.
void MakeGradient(CDIB& d, int w, int h) {
  ASSERT_TRUE(d.Create(w, -h, nullptr, 24));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = d.GetPixelAddress(x, y);
      p[0] = static_cast<std::uint8_t>(x);
      p[1] = static_cast<std::uint8_t>(y);
      p[2] = 0x80;
    }
}

std::uint32_t Px(const CDIB& d, int x, int y) {
  const std::uint8_t* p = d.GetPixelAddress(x, y);
  return p ? (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2] : 0xFFFFFFFFu;
}

std::uint32_t Grad(int x, int y) { return (std::uint32_t(x & 0xFF) << 16) | (std::uint32_t(y & 0xFF) << 8) | 0x80; }

TEST(CutLayout, ControlsAndAreaFollowTheClientRectangle) {
  const CBMPCutLayout l = CBMPCutModel::ComputeLayout(kClient);
  EXPECT_EQ(l.ok, (CDIBRect{494, 16, 574, 40}));
  EXPECT_EQ(l.cancel, (CDIBRect{494, 56, 574, 80}));
  EXPECT_EQ(l.area, (CDIBRect{0, 0, 462, 376}));
  EXPECT_EQ(l.verticalBar, (CDIBRect{462, 0, 478, 376}));
  EXPECT_EQ(l.horizontalBar, (CDIBRect{0, 376, 462, 392}));
}

TEST(CutSelection, StartsAtTheTopLeftInTheTargetSize) {
  const CBMPCutModel m(kMedium, 1000, 800);
  EXPECT_EQ(m.Selection(), kMedium);
  EXPECT_EQ(m.Handle(), (CutPoint{97, 121}));
  EXPECT_EQ(m.DragOffset(), (CutPoint{-1, -1}));
  EXPECT_FALSE(m.Resizing());
  EXPECT_FALSE(m.Dragging());
}

TEST(CutSelection, ResizeKeepsTheAspectAndTheLimits) {
  struct Case {
    const char* name;
    CDIBRect target;
    int pw, ph;
    CutPoint to;
    CDIBRect selection;
    CutPoint handle;
  } cases[] = {
      // 300 × 120 > 200 × 96: the height follows the width.
      {"medium, wider", kMedium, 1000, 800, {301, 201}, {0, 0, 300, 375}, {301, 201}},
      {"medium, taller", kMedium, 1000, 800, {101, 401}, {0, 0, 320, 400}, {101, 401}},
      {"large, held at the minimum", kLarge, 1000, 800, {10, 10}, {0, 0, 56, 56}, {57, 57}},
      {"large, held at the picture", kLarge, 300, 200, {1000, 1000}, {0, 0, 200, 200}, {301, 201}},
      {"small, exact", kSmall, 500, 500, {101, 101}, {0, 0, 100, 100}, {101, 101}},
      // A picture smaller than the minimum: the handle range runs from the
      // picture's edge to the minimum.
      {"tiny picture", kSmall, 40, 30, {5, 5}, {0, 0, 30, 30}, {41, 31}},
  };
  for (const Case& c : cases) {
    CBMPCutModel m(c.target, c.pw, c.ph);
    m.ResizeSelection(c.to.x, c.to.y);
    EXPECT_EQ(m.Selection(), c.selection) << c.name;
    EXPECT_EQ(m.Handle(), c.handle) << c.name;
  }
}

TEST(CutSelection, MoveStaysInsideThePicture) {
  CBMPCutModel m(kMedium, 1000, 800);
  m.MoveSelection(950, -5);
  EXPECT_EQ(m.Selection(), (CDIBRect{904, 0, 1000, 120}));
  EXPECT_EQ(m.Handle(), (CutPoint{1001, 121}));
  m.MoveSelection(-3, 700);
  EXPECT_EQ(m.Selection(), (CDIBRect{0, 680, 96, 800}));

  // A picture smaller than the selection holds the corner at 0.
  CBMPCutModel small(kLarge, 100, 300);
  small.MoveSelection(50, 50);
  EXPECT_EQ(small.Selection(), (CDIBRect{0, 50, 240, 290}));
}

TEST(CutScroll, RangesAndCodes) {
  CBMPCutModel m(kMedium, 1000, 800);
  m.ApplyLayout(kClient);
  EXPECT_TRUE(m.HorizontalBar().enabled);
  EXPECT_EQ(m.HorizontalBar().limit, 538);
  EXPECT_TRUE(m.VerticalBar().enabled);
  EXPECT_EQ(m.VerticalBar().limit, 424);

  struct Step {
    int code;
    int thumb;
    int expected;
  } steps[] = {
      {kScrollLineUp, 0, 0},         {kScrollPageDown, 0, 115},    {kScrollLineDown, 0, 116},
      {kScrollPageUp, 0, 1},         {kScrollPageUp, 0, 0},        {kScrollThumbTrack, 500, 500},
      {kScrollPageDown, 0, 538},     {kScrollLineDown, 0, 538},    {kScrollTop, 0, 0},
      {kScrollBottom, 0, 538},       {kScrollThumbPosition, 7, 7}, {kScrollThumbPosition, 9999, 538},
  };
  for (const Step& s : steps) {
    EXPECT_TRUE(m.Scroll(false, s.code, s.thumb));
    EXPECT_EQ(m.HorizontalBar().position, s.expected) << s.code;
  }
  EXPECT_FALSE(m.Scroll(false, kScrollEnd));
  EXPECT_TRUE(m.Scroll(true, kScrollPageDown));
  EXPECT_EQ(m.VerticalBar().position, 94);  // 376 / 4
  EXPECT_EQ(m.ClientToPicture(10, 20), (CutPoint{548, 114}));

  // A picture that fits disables the bars and shows it from its corner.
  CBMPCutModel fits(kMedium, 400, 300);
  fits.ApplyLayout(kClient);
  EXPECT_FALSE(fits.HorizontalBar().enabled);
  EXPECT_FALSE(fits.VerticalBar().enabled);
  m.ApplyLayout({0, 0, 1200, 900});
  EXPECT_FALSE(m.HorizontalBar().enabled);
  EXPECT_EQ(m.HorizontalBar().position, 0);
  EXPECT_EQ(m.ClientToPicture(10, 20), (CutPoint{10, 20}));
}

TEST(CutMouse, DragMovesAndTheHandleResizes) {
  CBMPCutModel m(kMedium, 1000, 800);
  m.ApplyLayout(kClient);
  EXPECT_TRUE(m.MouseDown(10, 20, true, false));
  EXPECT_EQ(m.DragOffset(), (CutPoint{10, 20}));
  EXPECT_TRUE(m.Dragging());
  EXPECT_FALSE(m.Resizing());
  EXPECT_TRUE(m.MouseMove(110, 70));
  EXPECT_EQ(m.Selection(), (CDIBRect{100, 50, 196, 170}));
  m.MouseUp();
  EXPECT_EQ(m.DragOffset(), (CutPoint{-1, -1}));
  EXPECT_FALSE(m.MouseMove(300, 300));
  EXPECT_EQ(m.Selection(), (CDIBRect{100, 50, 196, 170}));

  // Outside the picture area nothing is picked up; the capture decision
  // follows the key state and a running capture.
  EXPECT_TRUE(m.MouseDown(470, 10, true, false));
  EXPECT_FALSE(m.Dragging());
  EXPECT_FALSE(m.MouseDown(10, 20, false, false));
  m.MouseUp();
  EXPECT_FALSE(m.MouseDown(150, 60, true, true));
  EXPECT_TRUE(m.Dragging());
  m.MouseUp();

  // The handle square starts at (197, 171).
  m.MouseDown(199, 173, true, false);
  EXPECT_TRUE(m.Resizing());
  EXPECT_EQ(m.DragOffset(), (CutPoint{2, 2}));
  m.MouseMove(403, 273);  // handle to (401, 271)
  EXPECT_EQ(m.Handle(), (CutPoint{401, 271}));
  // 300 × 120 > 220 × 96: bottom = 50 + 300 × 120 / 96.
  EXPECT_EQ(m.Selection(), (CDIBRect{100, 50, 400, 425}));
  m.MouseUp();
  EXPECT_FALSE(m.Resizing());

  // A move outside the area while dragging leaves the selection.
  m.MouseDown(150, 60, true, false);
  EXPECT_FALSE(m.MouseMove(470, 60));
  EXPECT_EQ(m.Selection(), (CDIBRect{100, 50, 400, 425}));
}

TEST(CutMouse, DoubleClickMovesTheCornerUpToThePictureEdge) {
  CBMPCutModel m(kMedium, 1000, 800);
  m.ApplyLayout(kClient);
  m.Scroll(false, kScrollBottom);
  m.Scroll(true, kScrollBottom);
  EXPECT_TRUE(m.DoubleClick(460, 370));
  EXPECT_EQ(m.Selection(), (CDIBRect{904, 680, 1000, 800}));
  EXPECT_FALSE(m.DoubleClick(500, 10));
  EXPECT_EQ(m.Selection(), (CDIBRect{904, 680, 1000, 800}));
}

TEST(CutFace, OneToOneCopiesTheSelection) {
  CDIB picture;
  MakeGradient(picture, 200, 150);
  CBMPCutModel m(kSmall, 200, 150);
  m.MoveSelection(30, 40);
  CDIB face;
  ASSERT_TRUE(m.Cut(picture, face));
  EXPECT_EQ(face.GetWidth(), 60);
  EXPECT_EQ(face.GetHeight(), 60);
  EXPECT_EQ(face.GetBitCount(), 24);
  EXPECT_FALSE(face.IsTopDown());
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(Px(face, x, y), Grad(30 + x, 40 + y)) << x << "," << y;
}

TEST(CutFace, ScalingMapsCornerToCorner) {
  CDIB picture;
  MakeGradient(picture, 250, 250);
  struct Case {
    CDIBRect target;
    CutPoint from;
    CutPoint handle;
  } cases[] = {
      {kLarge, {0, 0}, {57, 57}},        // 56 × 56 up to 240 × 240
      {kSmall, {5, 7}, {205, 207}},      // 199 × 199 down to 60 × 60
      {kMedium, {0, 0}, {193, 241}},     // 192 × 240 down to 96 × 120
  };
  for (const Case& c : cases) {
    CBMPCutModel m(c.target, 250, 250);
    m.MoveSelection(c.from.x, c.from.y);
    m.ResizeSelection(c.handle.x, c.handle.y);
    const CDIBRect s = m.Selection();
    CDIB face;
    ASSERT_TRUE(m.Cut(picture, face));
    const int w = c.target.right, h = c.target.bottom;
    ASSERT_EQ(face.GetWidth(), w);
    ASSERT_EQ(face.GetHeight(), h);
    EXPECT_EQ(Px(face, 0, 0), Grad(s.left, s.top));
    EXPECT_EQ(Px(face, w - 1, 0), Grad(s.right - 1, s.top));
    EXPECT_EQ(Px(face, 0, h - 1), Grad(s.left, s.bottom - 1));
    EXPECT_EQ(Px(face, w - 1, h - 1), Grad(s.right - 1, s.bottom - 1));
    // Nearest pixel: every face pixel is some picture pixel of the selection.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint32_t v = Px(face, x, y);
        const int px = static_cast<int>(v >> 16), py = static_cast<int>((v >> 8) & 0xFF);
        ASSERT_TRUE(px >= s.left && px < s.right && py >= s.top && py < s.bottom) << x << "," << y;
      }
  }
}

TEST(CutFace, SelectionOutsideThePictureStaysBlack) {
  CDIB picture;
  MakeGradient(picture, 40, 100);
  CBMPCutModel m(kSmall, 40, 100);
  CDIB face;
  ASSERT_TRUE(m.Cut(picture, face));
  EXPECT_EQ(Px(face, 39, 10), Grad(39, 10));
  EXPECT_EQ(Px(face, 40, 10), 0u);
  EXPECT_EQ(Px(face, 59, 59), 0u);
}

TEST(CutFace, PalettedPictureAndAnEarlierFace) {
  CDIB picture;
  ASSERT_TRUE(picture.Create(60, 60, nullptr, 8));
  picture.GetColorTable()[3] = {0x11, 0x22, 0x33, 0};
  picture.Fill(3);
  CDIB face;
  ASSERT_TRUE(face.Create(10, 10, nullptr, 8));
  CBMPCutModel m(kSmall, 60, 60);
  ASSERT_TRUE(m.Cut(picture, face));
  EXPECT_EQ(face.GetBitCount(), 24);
  EXPECT_EQ(Px(face, 30, 30), 0x112233u);
}

}  // namespace
