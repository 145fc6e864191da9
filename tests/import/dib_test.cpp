#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <vector>

#include "import/DIB.h"
#include "import/Sprite.h"
#include "support/TempDir.h"

namespace {

// Colour at (x, y) of a 24-bit picture as 0x00BBGGRR.
std::uint32_t Px24(const CDIB& d, int x, int y) {
  const std::uint8_t* p = d.GetPixelAddress(x, y);
  return p ? (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2] : 0xFFFFFFFFu;
}

void Set24(CDIB& d, int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  std::uint8_t* p = d.GetPixelAddress(x, y);
  ASSERT_NE(p, nullptr);
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

// A 24-bit picture whose every pixel encodes its coordinates.
void MakeGradient(CDIB& d, int w, int h, bool topDown) {
  ASSERT_TRUE(d.Create(w, topDown ? h : -h, nullptr, 24));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) Set24(d, x, y, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0x5A);
}

std::string SaveToString(const CDIB& d) {
  std::ostringstream out;
  EXPECT_TRUE(d.Save(out));
  return out.str();
}

bool LoadFromString(CDIB& d, const std::string& bytes) {
  std::istringstream in(bytes);
  return d.Load(in);
}

TEST(DibLayout, StrideAndSizeFollowTheRowRule) {
  struct Case {
    int width, bits;
    std::size_t stride;
  } cases[] = {
      {5, 24, 16}, {1, 24, 4}, {4, 24, 12}, {801, 24, 2404}, {801, 8, 804}, {100, 1, 16},
      {3, 4, 4},   {9, 4, 8},  {17, 16, 36}, {1, 32, 4},     {0, 24, 0},
  };
  for (const Case& c : cases) {
    CDIB d;
    ASSERT_TRUE(d.Create(c.width, 3, nullptr, c.bits));
    EXPECT_EQ(d.GetStride(), c.stride) << c.width << "x" << c.bits;
    EXPECT_EQ(d.GetBitsSize(), c.stride * 3);
  }
}

TEST(DibLayout, CreateKeepsTheInvariantsOfTheHeader) {
  CDIB d;
  ASSERT_TRUE(d.Create(5, -3, nullptr, 8));
  const BITMAPINFOHEADER* h = d.GetInfo();
  EXPECT_EQ(h->biSize, 40u);
  EXPECT_EQ(h->biPlanes, 1);
  EXPECT_EQ(h->biCompression, 0u);
  EXPECT_EQ(h->biHeight, 3);
  EXPECT_FALSE(d.IsTopDown());
  EXPECT_EQ(d.GetColorCount(), 256u);
  EXPECT_TRUE(d.OwnsBits());

  ASSERT_TRUE(d.Create(5, 3, nullptr, 24));
  EXPECT_TRUE(d.IsTopDown());
  EXPECT_EQ(d.GetColorCount(), 0u);

  std::vector<std::uint8_t> buffer(16 * 3, 0xAB);
  ASSERT_TRUE(d.Create(5, -3, buffer.data(), 24));
  EXPECT_FALSE(d.OwnsBits());
  EXPECT_EQ(d.GetBits(), buffer.data());
}

TEST(DibLayout, CreateRefusesWhatThePictureCannotHold) {
  CDIB d;
  ASSERT_TRUE(d.Create(2, 2, nullptr, 24));
  for (int bits : {0, 2, 3, 15, 33}) EXPECT_FALSE(d.Create(4, 4, nullptr, bits)) << bits;
  EXPECT_FALSE(d.Create(-1, 4, nullptr, 24));
  EXPECT_FALSE(d.Create(100000, 100000, nullptr, 24));  // 30 GB
  // A refused creation leaves the earlier picture.
  EXPECT_EQ(d.GetWidth(), 2);
  EXPECT_EQ(d.GetBitCount(), 24);
}

TEST(DibPixels, AddressesCountRowsFromTheTop) {
  CDIB up;
  ASSERT_TRUE(up.Create(5, -3, nullptr, 24));
  EXPECT_EQ(up.GetPixelAddress(0, 0), up.GetBits() + 2 * 16);
  EXPECT_EQ(up.GetPixelAddress(4, 2), up.GetBits() + 12);
  CDIB down;
  ASSERT_TRUE(down.Create(5, 3, nullptr, 24));
  EXPECT_EQ(down.GetPixelAddress(0, 0), down.GetBits());
  EXPECT_EQ(down.GetPixelAddress(1, 1), down.GetBits() + 16 + 3);
  for (auto [x, y] : {std::pair{-1, 0}, {5, 0}, {0, -1}, {0, 3}}) EXPECT_EQ(down.GetPixelAddress(x, y), nullptr);

  CDIB nibbles;
  ASSERT_TRUE(nibbles.Create(9, 1, nullptr, 4));
  EXPECT_EQ(nibbles.GetPixelAddress(3, 0), nibbles.GetBits() + 1);
  CDIB mono;
  ASSERT_TRUE(mono.Create(20, 1, nullptr, 1));
  EXPECT_EQ(mono.GetPixelAddress(17, 0), mono.GetBits() + 2);
}

TEST(DibPixels, FillByBitCount) {
  struct Case {
    int bits;
    std::uint32_t colour;
    std::vector<std::uint8_t> firstBytes;
  } cases[] = {
      {1, 1, {0xFF, 0xFF}},
      {1, 0, {0x00, 0x00}},
      {4, 0x3A, {0xAA, 0xAA}},
      {8, 0x1234, {0x34, 0x34}},
      // red 0xFF, green 0x80, blue 0x08: 0x7C00 | 0x0200 | 0x0001.
      {16, 0x000880FF, {0x01, 0x7E, 0x01, 0x7E}},
      {24, 0x00FF0000, {0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    CDIB d;
    ASSERT_TRUE(d.Create(3, 2, nullptr, c.bits));
    d.Fill(c.colour);
    EXPECT_EQ(std::vector<std::uint8_t>(d.GetBits(), d.GetBits() + c.firstBytes.size()), c.firstBytes)
        << c.bits;
  }
  // 24 bits: the row padding stays; 32 bits: nothing changes.
  CDIB d;
  ASSERT_TRUE(d.Create(5, 2, nullptr, 24));
  d.Fill(0x00FF0000);
  EXPECT_EQ(Px24(d, 4, 1), 0x00FF0000u);
  EXPECT_EQ(d.GetBits()[15], 0);
  ASSERT_TRUE(d.Create(2, 2, nullptr, 32));
  d.Fill(0x00FFFFFF);
  for (std::size_t i = 0; i < d.GetBitsSize(); ++i) EXPECT_EQ(d.GetBits()[i], 0);
}

TEST(DibCopyRect, FaceOntoCanvasLeavesTheRestAndClipsAtTheEdge) {
  CDIB face;
  ASSERT_TRUE(face.Create(240, -240, nullptr, 24));
  face.Fill(0x00FFFFFF);
  CDIB canvas;
  ASSERT_TRUE(canvas.Create(256, -256, nullptr, 24));
  face.CopyRectTo(canvas, 0, 0, 240, 240, 0, 0, -1);
  EXPECT_EQ(Px24(canvas, 239, 239), 0x00FFFFFFu);
  EXPECT_EQ(Px24(canvas, 240, 0), 0u);
  EXPECT_EQ(Px24(canvas, 0, 240), 0u);
  EXPECT_EQ(Px24(canvas, 255, 255), 0u);

  CDIB clipped;
  ASSERT_TRUE(clipped.Create(256, -256, nullptr, 24));
  face.CopyRectTo(clipped, 20, 0, 240, 240, 0, 0, -1);
  EXPECT_EQ(Px24(clipped, 19, 0), 0u);
  EXPECT_EQ(Px24(clipped, 20, 0), 0x00FFFFFFu);
  EXPECT_EQ(Px24(clipped, 255, 239), 0x00FFFFFFu);
  EXPECT_EQ(Px24(clipped, 255, 240), 0u);
}

TEST(DibCopyRect, ConvertsBetweenBitCounts) {
  // Source pixels: palette indices 0..3 with colours of known channels.
  auto paletted = [](CDIB& d, int bits) {
    ASSERT_TRUE(d.Create(4, 1, nullptr, bits));
    RGBQUAD* t = d.GetColorTable();
    t[1] = {0x10, 0x20, 0x30, 0};  // blue, green, red
    t[2] = {0xFF, 0x00, 0x08, 0};
    t[3] = {0x00, 0xFF, 0x00, 0};
  };
  CDIB p8;
  paletted(p8, 8);
  const std::uint8_t idx[4] = {0, 1, 2, 3};
  std::memcpy(p8.GetBits(), idx, 4);
  CDIB p4;
  paletted(p4, 4);
  p4.GetBits()[0] = 0x01;
  p4.GetBits()[1] = 0x23;

  for (CDIB* src : {&p8, &p4}) {
    CDIB d24;
    ASSERT_TRUE(d24.Create(4, 1, nullptr, 24));
    src->CopyRectTo(d24, 0, 0, 4, 1, 0, 0, -1);
    EXPECT_EQ(Px24(d24, 1, 0), 0x00102030u) << src->GetBitCount();
    EXPECT_EQ(Px24(d24, 2, 0), 0x00FF0008u);
    CDIB d16;
    ASSERT_TRUE(d16.Create(4, 1, nullptr, 16));
    src->CopyRectTo(d16, 0, 0, 4, 1, 0, 0, -1);
    const std::uint8_t* w = d16.GetPixelAddress(1, 0);
    EXPECT_EQ(w[0] | (w[1] << 8), (0x30 << 7) | (0x20 << 2) | (0x10 >> 3));
  }

  // 16 -> 24 widens by shifting; 24 -> 16 drops the low three bits.
  CDIB s16;
  ASSERT_TRUE(s16.Create(1, 1, nullptr, 16));
  dib::PutLe16(s16.GetBits(), (0x1F << 10) | (0x01 << 5) | 0x10);
  CDIB d24;
  ASSERT_TRUE(d24.Create(1, 1, nullptr, 24));
  s16.CopyRectTo(d24, 0, 0, 1, 1, 0, 0, -1);
  EXPECT_EQ(Px24(d24, 0, 0), 0x008008F8u);
  CDIB back;
  ASSERT_TRUE(back.Create(1, 1, nullptr, 16));
  d24.CopyRectTo(back, 0, 0, 1, 1, 0, 0, -1);
  EXPECT_EQ(dib::Le16(back.GetBits()), (0x1F << 10) | (0x01 << 5) | 0x10);

  // 4 -> 4 at odd positions keeps the neighbouring nibbles.
  CDIB n4;
  ASSERT_TRUE(n4.Create(4, 1, nullptr, 4));
  n4.Fill(0xF);
  p4.CopyRectTo(n4, 1, 0, 2, 1, 1, 0, -1);
  EXPECT_EQ(n4.GetBits()[0], 0xF1);
  EXPECT_EQ(n4.GetBits()[1], 0x2F);

  // Pairs without a rule copy nothing.
  CDIB s32, d32;
  ASSERT_TRUE(s32.Create(2, 1, nullptr, 32));
  s32.GetBits()[0] = 9;
  ASSERT_TRUE(d32.Create(2, 1, nullptr, 32));
  s32.CopyRectTo(d32, 0, 0, 2, 1, 0, 0, -1);
  EXPECT_EQ(d32.GetBits()[0], 0);
}

TEST(DibCopyRect, TransparentPixelsAreNotWritten) {
  CDIB src;
  ASSERT_TRUE(src.Create(3, 1, nullptr, 24));
  Set24(src, 0, 0, 0x11, 0x22, 0x33);
  Set24(src, 1, 0, 0xAA, 0xBB, 0xCC);
  Set24(src, 2, 0, 0x11, 0x22, 0x33);
  CDIB dst;
  ASSERT_TRUE(dst.Create(3, 1, nullptr, 24));
  dst.Fill(0x00010203);
  src.CopyRectTo(dst, 0, 0, 3, 1, 0, 0, 0x112233);  // blue << 16 | green << 8 | red
  EXPECT_EQ(Px24(dst, 0, 0), 0x00010203u);
  EXPECT_EQ(Px24(dst, 1, 0), 0x00AABBCCu);
  EXPECT_EQ(Px24(dst, 2, 0), 0x00010203u);

  CDIB s8, d8;
  ASSERT_TRUE(s8.Create(3, 1, nullptr, 8));
  s8.GetBits()[0] = 7;
  s8.GetBits()[1] = 1;
  ASSERT_TRUE(d8.Create(3, 1, nullptr, 8));
  d8.Fill(9);
  s8.CopyRectTo(d8, 0, 0, 3, 1, 0, 0, 0x307);  // only the low byte counts
  EXPECT_EQ(d8.GetBits()[0], 9);
  EXPECT_EQ(d8.GetBits()[1], 1);
}

TEST(DibCopyRect, NeverRunsPastEitherPicture) {
  // A narrow 24-bit destination and a wide 8-bit source: the width rule of
  // the rounded bit lengths alone would let 200 pixels into a 100-pixel row.
  CDIB wide8;
  ASSERT_TRUE(wide8.Create(200, 2, nullptr, 8));
  std::memset(wide8.GetBits(), 1, wide8.GetBitsSize());
  wide8.GetColorTable()[1] = {1, 2, 3, 0};
  CDIB narrow24;
  ASSERT_TRUE(narrow24.Create(100, 2, nullptr, 24));
  wide8.CopyRectTo(narrow24, 0, 0, 200, 2, 0, 0, -1);
  EXPECT_EQ(Px24(narrow24, 99, 1), 0x00010203u);

  // A source rectangle reaching past the source's last row and column.
  CDIB small, big;
  ASSERT_TRUE(small.Create(4, 4, nullptr, 24));
  small.Fill(0x00FFFFFF);
  ASSERT_TRUE(big.Create(50, 50, nullptr, 24));
  small.CopyRectTo(big, 0, 0, 50, 50, 2, 2, -1);
  EXPECT_EQ(Px24(big, 1, 1), 0x00FFFFFFu);
  EXPECT_EQ(Px24(big, 2, 0), 0u);
  EXPECT_EQ(Px24(big, 0, 2), 0u);
  // Negative origins skip the rows they touch.
  small.CopyRectTo(big, -1, 10, 4, 4, 0, 0, -1);
  small.CopyRectTo(big, 10, -2, 4, 4, 0, 0, -1);
  EXPECT_EQ(Px24(big, 10, 0), 0x00FFFFFFu);
  EXPECT_EQ(Px24(big, 0, 10), 0u);
}

TEST(DibCopy, CopyIsIndependentAndKeepsTheOrientation) {
  for (bool topDown : {true, false}) {
    CDIB src;
    MakeGradient(src, 5, 3, topDown);
    CDIB copy;
    ASSERT_TRUE(copy.Copy(src));
    EXPECT_EQ(copy.IsTopDown(), topDown);
    ASSERT_EQ(copy.GetBitsSize(), src.GetBitsSize());
    EXPECT_EQ(std::memcmp(copy.GetBits(), src.GetBits(), src.GetBitsSize()), 0);
    EXPECT_NE(copy.GetBits(), src.GetBits());
    Set24(src, 0, 0, 1, 1, 1);
    EXPECT_EQ(Px24(copy, 0, 0), 0x0000005Au);
  }
  CDIB src8;
  ASSERT_TRUE(src8.Create(2, 2, nullptr, 8));
  src8.GetColorTable()[200] = {1, 2, 3, 0};
  CDIB copy8;
  ASSERT_TRUE(copy8.Copy(src8));
  EXPECT_EQ(copy8.GetColorTable()[200].rgbRed, 3);
  CDIB empty;
  EXPECT_FALSE(copy8.Copy(empty));
}

TEST(DibCopy, CreateFromInfoTakesHeaderTableAndOrientation) {
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD table[2];
  } info{};
  info.h = {40, 3, -2, 1, 1, 0, 0, 0, 0, 0, 0};
  info.table[1] = {9, 8, 7, 0};
  const std::uint8_t bits[8] = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
  CDIB d;
  ASSERT_TRUE(d.CreateFromInfo(&info.h, bits, true));
  EXPECT_TRUE(d.IsTopDown());
  EXPECT_EQ(d.GetHeight(), 2);
  EXPECT_EQ(d.GetColorCount(), 2u);
  EXPECT_EQ(d.GetColorTable()[1].rgbRed, 7);
  EXPECT_NE(d.GetBits(), bits);
  EXPECT_EQ(*d.GetPixelAddress(0, 1), 0x40);
  CDIB ref;
  ASSERT_TRUE(ref.CreateFromInfo(&info.h, bits, false));
  EXPECT_EQ(ref.GetBits(), bits);
  info.h.biCompression = 1;
  EXPECT_FALSE(ref.CreateFromInfo(&info.h, bits, false));
}

TEST(DibFile, SavedTopDownPictureLoadsBottomUpWithTheSameImage) {
  CDIB src;
  MakeGradient(src, 5, 3, true);
  const std::string bytes = SaveToString(src);
  ASSERT_EQ(bytes.size(), 54u + 48u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  const auto* u = reinterpret_cast<const std::uint8_t*>(bytes.data());
  EXPECT_EQ(dib::Le32(u + 2), 102u);
  EXPECT_EQ(dib::Le32(u + 10), 54u);
  EXPECT_EQ(static_cast<std::int32_t>(dib::Le32(u + 22)), 3);
  // The file's first row is the bottom one.
  EXPECT_EQ(u[54 + 1], 2);

  CDIB loaded;
  ASSERT_TRUE(LoadFromString(loaded, bytes));
  EXPECT_FALSE(loaded.IsTopDown());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Px24(loaded, x, y), Px24(src, x, y));
}

TEST(DibFile, PalettedRoundTripAndFileRelativeOffsets) {
  CDIB src;
  ASSERT_TRUE(src.Create(3, -2, nullptr, 4));
  src.GetColorTable()[5] = {1, 2, 3, 0};
  src.GetBits()[0] = 0x5A;
  // Load reads from the stream's position; offsets count from there.
  const std::string bytes = "junk" + SaveToString(src);
  EXPECT_EQ(bytes.size(), 4u + 54u + 64u + 8u);
  std::istringstream in(bytes);
  in.seekg(4);
  CDIB loaded;
  ASSERT_TRUE(loaded.Load(in));
  EXPECT_EQ(loaded.GetColorCount(), 16u);
  EXPECT_EQ(loaded.GetColorTable()[5].rgbGreen, 2);
  EXPECT_EQ(loaded.GetBits()[0], 0x5A);
}

TEST(DibFile, BadFilesFailAndKeepThePicture) {
  CDIB good;
  MakeGradient(good, 4, 4, false);
  const std::string bytes = SaveToString(good);
  auto patched = [&](std::size_t at, std::uint32_t v, int width) {
    std::string b = bytes;
    for (int i = 0; i < width; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    return b;
  };
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"not BM", patched(0, 0x4241, 2)},
      {"108-byte header", patched(14, 108, 4)},
      {"RLE", patched(30, 1, 4)},
      {"bit count 2", patched(28, 2, 2)},
      {"truncated header", bytes.substr(0, 40)},
      {"truncated pixels", bytes.substr(0, bytes.size() - 1)},
      {"bfSize below bfOffBits", patched(2, 10, 4)},
      {"bfOffBits past the end", patched(10, 0x7FFFFFF0, 4)},
      {"absurd size", patched(18, 0x7FFFFFFF, 4)},
      {"more rows than pixel bytes", patched(22, 400, 4)},
      {"bfSize short of the rows", patched(2, 54 + 40, 4)},
      {"height INT_MIN", patched(22, 0x80000000u, 4)},
      {"zero width", patched(18, 0, 4)},
      {"zero height", patched(22, 0, 4)},
  };
  for (const Case& c : cases) {
    CDIB d;
    MakeGradient(d, 2, 2, true);
    EXPECT_FALSE(LoadFromString(d, c.bytes)) << c.name;
    EXPECT_EQ(d.GetWidth(), 2) << c.name;
    EXPECT_TRUE(d.IsTopDown()) << c.name;
  }
}

TEST(DibFile, TopDownFileIsReadTheRightWayUp) {
  CDIB src;
  MakeGradient(src, 4, 3, true);
  std::string bytes = SaveToString(src);
  // Rewrite as a top-down file: negative height, rows top first.
  const std::int32_t h = -3;
  std::memcpy(&bytes[22], &h, 4);
  for (int r = 0; r < 3; ++r)
    std::memcpy(&bytes[54 + r * 12], src.GetPixelAddress(0, r), 12);
  CDIB loaded;
  ASSERT_TRUE(LoadFromString(loaded, bytes));
  EXPECT_EQ(loaded.GetHeight(), 3);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(Px24(loaded, 3, y), Px24(src, 3, y));
}

TEST(DibFile, FilesByPath) {
  CDIB src;
  MakeGradient(src, 3, 3, false);
  kaocg_test::TempDir dir;
  const auto path = dir.path() / "picture.bmp";
  const char* failure = "unset";
  ASSERT_TRUE(src.SaveToFile(path, &failure));
  EXPECT_EQ(failure, nullptr);
  CDIB loaded;
  ASSERT_TRUE(loaded.LoadFromFile(path));
  EXPECT_EQ(Px24(loaded, 2, 1), Px24(src, 2, 1));
  std::filesystem::remove(path);
  EXPECT_FALSE(loaded.LoadFromFile(path));
  EXPECT_FALSE(src.SaveToFile(path / "no" / "such.bmp", &failure));
  EXPECT_STREQ(failure, "Failed to open file");
}

TEST(DibPal, PaletteFromColourTable) {
  CDIB rgb;
  ASSERT_TRUE(rgb.Create(2, 2, nullptr, 24));
  CDIBPal pal;
  EXPECT_FALSE(pal.CreateFromDIB(rgb));

  CDIB indexed;
  ASSERT_TRUE(indexed.Create(2, 2, nullptr, 8));
  for (int i = 0; i < 256; ++i) indexed.GetColorTable()[i] = {static_cast<std::uint8_t>(i), 0, 1, 0};
  ASSERT_TRUE(pal.CreateFromDIB(indexed));
  ASSERT_EQ(pal.GetEntryCount(), 256);
  const PALETTEENTRY* e = pal.GetEntries();
  EXPECT_EQ(e[77].peBlue, 77);
  EXPECT_EQ(e[77].peRed, 1);
  for (int i : {0, 9, 247, 255}) EXPECT_EQ(e[i].peFlags, 0) << i;
  for (int i : {10, 128, 246}) EXPECT_EQ(e[i].peFlags, 4) << i;

  std::stringstream file;
  ASSERT_TRUE(pal.SavePalette(file));
  EXPECT_EQ(file.str().size(), 4u + 1024u);
  EXPECT_EQ(file.str().substr(0, 4), std::string("\x00\x03\x00\x01", 4));
  CDIBPal loaded;
  ASSERT_TRUE(loaded.LoadPalette(file));
  EXPECT_EQ(loaded.GetEntries()[77].peBlue, 77);

  for (std::string bad : {std::string("\x00\x02\x01\x00....", 8), std::string("\x00\x03\x00\x00", 4),
                          std::string("\x00\x03\x02\x00....", 8)}) {
    std::istringstream in(bad);
    EXPECT_FALSE(loaded.LoadPalette(in));
  }
}

// A phased sprite whose grid the test chooses.
class GridSprite : public CPhasedSprite {
 public:
  void SetGrid(int rows, int columns) {
    phaseRows_ = rows;
    phaseColumns_ = columns;
    OnBitsChanged();
  }
};

TEST(Sprites, TransparentColourComesFromTheTopLeftPixel) {
  CSprite s;
  std::vector<std::uint8_t> bits(4 * 2, 1);
  bits[0] = 5;  // top-down: the first byte is (0, 0)
  bits[6] = 5;
  ASSERT_TRUE(s.Create(4, 2, bits.data(), 8));
  EXPECT_EQ(s.GetTransparentColor(), 5);
  EXPECT_FALSE(s.HitTest(0, 0));
  EXPECT_FALSE(s.HitTest(2, 1));
  EXPECT_TRUE(s.HitTest(1, 0));
  EXPECT_FALSE(s.HitTest(4, 0));
  EXPECT_FALSE(s.HitTest(-1, 0));

  CSprite rgb;
  ASSERT_TRUE(rgb.Create(2, 1, nullptr, 24));
  EXPECT_EQ(rgb.GetTransparentColor(), 0);
  // Copying a sprite takes its colour; the sprite's colour replaces -1.
  CSprite copy;
  ASSERT_TRUE(copy.Copy(s));
  EXPECT_EQ(copy.GetTransparentColor(), 5);
  CDIB dst;
  ASSERT_TRUE(dst.Create(4, 2, nullptr, 8));
  dst.Fill(9);
  s.CopyRectTo(dst, 0, 0, 4, 2, 0, 0, -1);
  EXPECT_EQ(dst.GetBits()[0], 9);
  EXPECT_EQ(dst.GetBits()[1], 1);
}

TEST(Sprites, FourBitHitTestUsesTheNibbleOfX) {
  CSprite s;
  std::vector<std::uint8_t> bits(4, 0);
  bits[0] = 0x37;
  ASSERT_TRUE(s.Create(2, 1, bits.data(), 4));
  EXPECT_EQ(s.GetTransparentColor(), 3);
  EXPECT_FALSE(s.HitTest(0, 0));
  EXPECT_TRUE(s.HitTest(1, 0));
}

TEST(Sprites, PhasesAndTheCopyRule) {
  GridSprite g;
  ASSERT_TRUE(g.Create(8, 6, nullptr, 24));  // top-down
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) Set24(g, x, y, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0x77);
  g.SetGrid(2, 4);  // cells of 2 x 3
  EXPECT_EQ(g.GetPhaseCount(), 8);
  EXPECT_EQ(g.GetWidth(), 2);
  EXPECT_EQ(g.GetHeight(), 3);
  EXPECT_EQ(g.GetRect(), (CDIBRect{0, 0, 2, 3}));
  EXPECT_EQ(g.SetPhase(6), 6);
  EXPECT_EQ(g.GetPhase(), 6);
  EXPECT_EQ(Px24(g, 1, 2), (std::uint32_t{5} << 16) | (5 << 8) | 0x77);  // (2*2+1, 3+2)
  EXPECT_EQ(g.SetPhase(-1), 7);
  EXPECT_EQ(g.SetPhase(-1), 0);
  EXPECT_EQ(g.SetPhase(8), -1);
  EXPECT_EQ(g.SetPhase(-2), -1);
  EXPECT_EQ(g.GetPhase(), 0);

  // A plain picture of the current phase, cell-sized. (The sprite took black
  // as its transparent colour when it was created; no pixel here is black.)
  ASSERT_EQ(g.SetPhase(5), 5);
  CDIB plain;
  ASSERT_TRUE(plain.Copy(g));
  EXPECT_EQ(plain.GetWidth(), 2);
  EXPECT_EQ(plain.GetHeight(), 3);
  EXPECT_TRUE(plain.IsTopDown());
  EXPECT_EQ(Px24(plain, 0, 0), (std::uint32_t{2} << 16) | (3 << 8) | 0x77);
  EXPECT_EQ(Px24(plain, 1, 2), (std::uint32_t{3} << 16) | (5 << 8) | 0x77);

  // A phased sprite copies the whole picture and the grid.
  CPhasedSprite other;
  ASSERT_TRUE(other.Copy(g));
  EXPECT_EQ(other.GetPhaseCount(), 8);
  EXPECT_EQ(other.GetPhase(), 5);
  EXPECT_EQ(other.GetBitsSize(), g.GetBitsSize());

  CPhasedSprite single;
  ASSERT_TRUE(single.Create(4, 4, nullptr, 8));
  EXPECT_EQ(single.SetPhase(-1), 0);
}

TEST(Sprites, CreatedByClassName) {
  for (const char* name : {"CDIB", "CSprite", "CPhasedSprite"}) {
    auto obj = CDIB::CreateObject(name);
    ASSERT_NE(obj, nullptr) << name;
    EXPECT_STREQ(obj->GetRuntimeClassName(), name);
  }
  EXPECT_EQ(CDIB::CreateObject("CBitmap"), nullptr);
}

}  // namespace
