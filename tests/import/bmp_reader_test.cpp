#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "import/PictureReader.h"
#include "res/strings.h"
#include "support/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) { dib::PutLe16(b.data() + at, static_cast<std::uint16_t>(v)); }
void Put32(Bytes& b, std::size_t at, std::uint32_t v) { dib::PutLe32(b.data() + at, v); }

// A BMP file made field by field. The pixel function gives the bytes of one
// file row (file order: bottom row first unless the height is negative).
struct BmpSpec {
  std::int32_t width = 4;
  std::int32_t height = 2;
  int bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t infoSize = 40;
  std::vector<RGBQUAD> table;
  std::vector<std::uint32_t> masks;  // written after the info header
  std::function<void(int fileRow, std::uint8_t* row, std::size_t stride)> rows;
  std::int64_t offBits = -1;  // default: right after table and masks
};

Bytes MakeBmp(const BmpSpec& s) {
  const int stored = s.bitCount == 15 ? 16 : s.bitCount;
  const std::size_t stride = static_cast<std::size_t>(dib::StrideOf(s.width, stored));
  const std::size_t rows = static_cast<std::size_t>(s.height < 0 ? -s.height : s.height);
  const std::size_t headers = 54 + 4 * s.table.size() + 4 * s.masks.size();
  Bytes b(headers + stride * rows, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, s.offBits >= 0 ? static_cast<std::uint32_t>(s.offBits) : static_cast<std::uint32_t>(headers));
  Put32(b, 14, s.infoSize);
  Put32(b, 18, static_cast<std::uint32_t>(s.width));
  Put32(b, 22, static_cast<std::uint32_t>(s.height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(s.bitCount));
  Put32(b, 30, s.compression);
  Put32(b, 46, s.clrUsed);
  std::size_t at = 54;
  for (const RGBQUAD& q : s.table) {
    b[at++] = q.rgbBlue;
    b[at++] = q.rgbGreen;
    b[at++] = q.rgbRed;
    b[at++] = 0;
  }
  for (std::uint32_t m : s.masks) {
    Put32(b, at, m);
    at += 4;
  }
  if (s.rows)
    for (std::size_t r = 0; r < rows; ++r) s.rows(static_cast<int>(r), b.data() + headers + r * stride, stride);
  return b;
}

// Colour at (x, y) (y from the top) as 0xRRGGBB.
std::uint32_t Rgb(const CDIB& d, int x, int y) {
  const std::uint8_t* p = d.GetPixelAddress(x, y);
  return p ? (std::uint32_t{p[2]} << 16) | (p[1] << 8) | p[0] : 0xFFFFFFFFu;
}

struct Read {
  bool ok;
  std::string message;
};

Read ReadBmp(const Bytes& b, CDIB& work) {
  Read r{};
  r.ok = ReadBmpFile(b.data(), b.size(), "face.bmp", work, r.message);
  return r;
}

void ExpectWorkPicture(const CDIB& work, int width, int height) {
  EXPECT_EQ(work.GetWidth(), width);
  EXPECT_EQ(work.GetHeight(), height);
  EXPECT_EQ(work.GetBitCount(), 24);
  EXPECT_FALSE(work.IsTopDown());
}

TEST(BmpReader, EveryBitDepthAndLayout) {
  // Each case: one row of pixels (file row 0 is the bottom row, the second
  // row is left zero) and the colours expected at x = 0, 1, 2.
  const std::vector<RGBQUAD> palette = {{0, 0, 0, 0}, {0x30, 0x20, 0x10, 0}, {0xFF, 0xFF, 0xFF, 0}, {1, 2, 3, 0}};
  struct Case {
    const char* name;
    int bitCount;
    std::uint32_t compression;
    std::vector<std::uint32_t> masks;
    std::vector<std::uint8_t> row0;
    std::uint32_t expect[3];
  } cases[] = {
      {"1 bit", 1, 0, {}, {0b10100000}, {0x102030, 0x000000, 0x102030}},
      {"4 bits", 4, 0, {}, {0x12, 0x30}, {0x102030, 0xFFFFFF, 0x030201}},
      {"8 bits", 8, 0, {}, {3, 1, 2}, {0x030201, 0x102030, 0xFFFFFF}},
      // 5-5-5: red 31, green 1, blue 16 -> 0xF8, 0x08, 0x80.
      {"16 bits 5-5-5", 16, 0, {}, {0x30, 0x7C, 0xFF, 0x7F, 0, 0}, {0xF80880, 0xF8F8F8, 0}},
      {"15 bits", 15, 0, {}, {0x30, 0x7C, 0xFF, 0x7F, 0, 0}, {0xF80880, 0xF8F8F8, 0}},
      // 5-6-5 through bit fields: red 31, green 1, blue 16.
      {"16 bits 5-6-5 fields", 16, 3, {0xF800, 0x07E0, 0x001F}, {0x30, 0xF8, 0xFF, 0xFF, 0, 0},
       {0xF80480, 0xF8FCF8, 0}},
      {"16 bits 5-5-5 fields", 16, 3, {0x7C00, 0x03E0, 0x001F}, {0x30, 0x7C, 0, 0, 0, 0}, {0xF80880, 0, 0}},
      {"16 bits no masks", 16, 3, {0, 0, 0}, {0x30, 0xF8, 0, 0, 0, 0}, {0xF80480, 0, 0}},
      // Bit fields flagged, pixels right after the info header.
      {"16 bits no mask words", 16, 3, {}, {0x30, 0xF8, 0, 0, 0, 0}, {0xF80480, 0, 0}},
      {"32 bits no mask words", 32, 3, {}, {1, 2, 3, 4}, {0x030201, 0, 0}},
      {"24 bits", 24, 0, {}, {1, 2, 3, 4, 5, 6}, {0x030201, 0x060504, 0}},
      {"32 bits", 32, 0, {}, {1, 2, 3, 99, 4, 5, 6, 99}, {0x030201, 0x060504, 0}},
      {"32 bits 8-8-8 fields", 32, 3, {0xFF0000, 0xFF00, 0xFF}, {1, 2, 3, 99}, {0x030201, 0, 0}},
      // Red in the low byte, blue in the top one.
      {"32 bits other order", 32, 3, {0xFF, 0xFF00, 0xFF000000}, {1, 2, 3, 4}, {0x010204, 0, 0}},
      // 10-bit channels (red 29-20, green 19-10, blue 9-0) keep their top 8 bits.
      {"32 bits 10-10-10", 32, 3, {0x3FF00000, 0xFFC00, 0x3FF}, {0xFF, 0x03, 0x00, 0x20}, {0x8000FF, 0, 0}},
  };
  for (const Case& c : cases) {
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    s.bitCount = c.bitCount;
    s.compression = c.compression;
    s.masks = c.masks;
    if (c.bitCount <= 8) s.table.assign(palette.begin(), palette.begin() + std::min<std::size_t>(4, 1u << c.bitCount));
    s.clrUsed = c.bitCount <= 8 ? static_cast<std::uint32_t>(s.table.size()) : 0;
    s.rows = [&](int r, std::uint8_t* row, std::size_t) {
      if (r == 0) std::memcpy(row, c.row0.data(), c.row0.size());
    };
    CDIB work;
    const Read r = ReadBmp(MakeBmp(s), work);
    ASSERT_TRUE(r.ok) << c.name << ": " << r.message;
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgb(work, x, 1), c.expect[x]) << c.name << " x=" << x;
    EXPECT_EQ(Rgb(work, 0, 0), 0u) << c.name;
  }
}

TEST(BmpReader, WidthRounding) {
  struct Case {
    int bitCount;
    int width;
    int expected;
  } cases[] = {
      {24, 801, 804}, {24, 4, 4}, {32, 5, 8}, {16, 6, 8}, {8, 801, 804}, {8, 3, 4}, {4, 3, 8}, {1, 100, 128}, {1, 1, 32},
  };
  for (const Case& c : cases) {
    BmpSpec s;
    s.width = c.width;
    s.height = 1;
    s.bitCount = c.bitCount;
    if (c.bitCount <= 8) s.table.resize(1u << c.bitCount);
    CDIB work;
    const Read r = ReadBmp(MakeBmp(s), work);
    ASSERT_TRUE(r.ok) << r.message;
    ExpectWorkPicture(work, c.expected, 1);
  }
}

TEST(BmpReader, PaddingShowsThroughThePaletteAndAddedColumnsAreBlack) {
  BmpSpec s;
  s.width = 801;
  s.height = 1;
  s.bitCount = 8;
  s.table.assign(256, RGBQUAD{});
  s.table[7] = {0x11, 0x22, 0x33, 0};
  s.rows = [](int, std::uint8_t* row, std::size_t stride) {
    EXPECT_EQ(stride, 804u);
    row[801] = row[802] = row[803] = 7;  // the row's padding bytes
  };
  CDIB work;
  ASSERT_TRUE(ReadBmp(MakeBmp(s), work).ok);
  EXPECT_EQ(Rgb(work, 803, 0), 0x332211u);

  BmpSpec t;
  t.width = 801;
  t.height = 1;
  t.bitCount = 24;
  t.rows = [](int, std::uint8_t* row, std::size_t stride) { std::memset(row, 0xEE, stride); };
  ASSERT_TRUE(ReadBmp(MakeBmp(t), work).ok);
  EXPECT_EQ(Rgb(work, 800, 0), 0xEEEEEEu);
  EXPECT_EQ(Rgb(work, 801, 0), 0u);
  EXPECT_EQ(Rgb(work, 803, 0), 0u);
}

TEST(BmpReader, RowsComeTheRightWayUp) {
  for (int height : {3, -3}) {
    BmpSpec s;
    s.width = 1;
    s.height = height;
    s.rows = [](int r, std::uint8_t* row, std::size_t) { row[0] = static_cast<std::uint8_t>(10 + r); };
    CDIB work;
    ASSERT_TRUE(ReadBmp(MakeBmp(s), work).ok);
    ExpectWorkPicture(work, 4, 3);
    // Bottom-up files store the bottom row first, top-down ones the top row.
    EXPECT_EQ(Rgb(work, 0, 0) & 0xFF, height > 0 ? 12u : 10u) << height;
    EXPECT_EQ(Rgb(work, 0, 2) & 0xFF, height > 0 ? 10u : 12u) << height;
  }
}

TEST(BmpReader, BitFieldPixelsStartAtTheirOffsetPastTheMasks) {
  BmpSpec s;
  s.width = 1;
  s.height = 1;
  s.bitCount = 32;
  s.compression = 3;
  s.masks = {0xFF0000, 0xFF00, 0xFF};
  s.rows = [](int, std::uint8_t* row, std::size_t) {
    row[0] = 0x40;
    row[1] = 0x50;
    row[2] = 0x60;
  };
  Bytes b = MakeBmp(s);
  EXPECT_EQ(dib::Le32(b.data() + 10), 66u);
  CDIB work;
  ASSERT_TRUE(ReadBmp(b, work).ok);
  EXPECT_EQ(Rgb(work, 0, 0), 0x605040u);
}

TEST(BmpReader, RefusedFilesGiveTheirMessageAndKeepTheWorkPicture) {
  const std::string name = "face.bmp\n";
  struct Case {
    const char* label;
    std::function<void(BmpSpec&)> edit;
    std::string message;
  } cases[] = {
      {"RLE", [](BmpSpec& s) { s.compression = 1; }, name + res::LoadString(res::IDS_BMP_COMPRESSED)},
      {"JPEG inside", [](BmpSpec& s) { s.compression = 4; }, name + res::LoadString(res::IDS_BMP_COMPRESSED)},
      {"108-byte header", [](BmpSpec& s) { s.infoSize = 108; }, name + res::LoadString(res::IDS_BMP_UNSUPPORTED_FORMAT)},
      {"2 bits",
       [](BmpSpec& s) {
         s.bitCount = 2;
         s.clrUsed = 4;
       },
       std::string(res::LoadString(res::IDS_BMP_BAD_COLOR_COUNT)) + "\nBitCount [2] ClrUsed [4]"},
      {"0 bits", [](BmpSpec& s) { s.bitCount = 0; },
       std::string(res::LoadString(res::IDS_BMP_BAD_COLOR_COUNT)) + "\nBitCount [0] ClrUsed [0]"},
  };
  for (const Case& c : cases) {
    BmpSpec s;
    c.edit(s);
    CDIB work;
    ASSERT_TRUE(work.Create(7, 7, nullptr, 24));
    const Read r = ReadBmp(MakeBmp(s), work);
    EXPECT_FALSE(r.ok) << c.label;
    EXPECT_EQ(r.message, c.message) << c.label;
    EXPECT_EQ(work.GetWidth(), 7) << c.label;
    EXPECT_TRUE(work.IsTopDown()) << c.label;
  }
}

TEST(BmpReader, HostileHeadersAreRefusedWithoutReadingOutside) {
  const std::string refused = std::string("face.bmp\n") + res::LoadString(res::IDS_BMP_UNSUPPORTED_FORMAT);
  struct Case {
    const char* label;
    std::function<void(Bytes&)> edit;
  } cases[] = {
      {"negative width", [](Bytes& b) { Put32(b, 18, static_cast<std::uint32_t>(-4)); }},
      {"zero width", [](Bytes& b) { Put32(b, 18, 0); }},
      {"zero height", [](Bytes& b) { Put32(b, 22, 0); }},
      {"height INT_MIN", [](Bytes& b) { Put32(b, 22, 0x80000000u); }},
      {"absurd width", [](Bytes& b) { Put32(b, 18, 0x7FFFFFFF); }},
      {"above the cap", [](Bytes& b) {
         Put32(b, 18, 20000);
         Put32(b, 22, 20000);
       }},
      {"pixels past the end", [](Bytes& b) { Put32(b, 10, static_cast<std::uint32_t>(b.size())); }},
      {"offset far past the end", [](Bytes& b) { Put32(b, 10, 0xFFFFFFF0u); }},
      {"header cut short", [](Bytes& b) { b.resize(53); }},
      {"colour table cut short", [](Bytes& b) {
         Put16(b, 28, 8);
         Put32(b, 46, 256);
         b.resize(54 + 100);
       }},
      {"masks cut short", [](Bytes& b) {
         Put16(b, 28, 16);
         Put32(b, 30, 3);
         Put32(b, 10, 66);
         b.resize(60);
       }},
  };
  for (const Case& c : cases) {
    BmpSpec s;
    s.width = 4;
    s.height = 4;
    Bytes b = MakeBmp(s);
    c.edit(b);
    // Exactly the bytes of the file, so that a read past them is caught.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[b.size()]);
    std::memcpy(exact.get(), b.data(), b.size());
    CDIB work;
    std::string message;
    EXPECT_FALSE(ReadBmpFile(exact.get(), b.size(), "face.bmp", work, message)) << c.label;
    EXPECT_EQ(message, refused) << c.label;
    EXPECT_TRUE(work.IsEmpty()) << c.label;
  }
}

TEST(BmpReader, TruncatedRowsAndStrayIndices) {
  BmpSpec s;
  s.width = 5;
  s.height = 3;
  s.rows = [](int, std::uint8_t* row, std::size_t stride) { std::memset(row, 0x99, stride); };
  const Bytes full = MakeBmp(s);  // rows of 15 bytes and one of padding
  CDIB work;
  // Without the last row's padding byte the picture is still whole.
  Bytes noPadding(full.begin(), full.end() - 1);
  ASSERT_TRUE(ReadBmp(noPadding, work).ok);
  EXPECT_EQ(Rgb(work, 4, 0), 0x999999u);
  EXPECT_EQ(Rgb(work, 5, 0), 0u);
  // One pixel byte less is a truncated file.
  for (std::size_t cut : {2u, 17u, 40u}) {
    Bytes truncated(full.begin(), full.end() - static_cast<std::ptrdiff_t>(cut));
    const Read r = ReadBmp(truncated, work);
    EXPECT_FALSE(r.ok) << cut;
    EXPECT_EQ(r.message, std::string("face.bmp\n") + res::LoadString(res::IDS_BMP_UNSUPPORTED_FORMAT));
  }
  EXPECT_EQ(work.GetWidth(), 8);

  // Two entries in the table; indices beyond them read as black.
  BmpSpec p;
  p.width = 3;
  p.height = 1;
  p.bitCount = 8;
  p.clrUsed = 2;
  p.table = {{1, 1, 1, 0}, {2, 2, 2, 0}};
  p.rows = [](int, std::uint8_t* row, std::size_t) {
    row[0] = 1;
    row[1] = 2;
    row[2] = 255;
  };
  ASSERT_TRUE(ReadBmp(MakeBmp(p), work).ok);
  EXPECT_EQ(Rgb(work, 0, 0), 0x020202u);
  EXPECT_EQ(Rgb(work, 1, 0), 0u);
  EXPECT_EQ(Rgb(work, 2, 0), 0u);
}

TEST(BmpReader, ColourTableSizeFollowsClrUsed) {
  // biClrUsed 0 or too large means the full table; 1 bit then reads two
  // entries and the pixels start right after them.
  for (std::uint32_t clrUsed : {0u, 2u, 9u}) {
    BmpSpec s;
    s.width = 2;
    s.height = 1;
    s.bitCount = 1;
    s.clrUsed = clrUsed;
    s.table = {{0, 0, 0, 0}, {0xAA, 0xBB, 0xCC, 0}};
    s.rows = [](int, std::uint8_t* row, std::size_t) { row[0] = 0x40; };
    CDIB work;
    ASSERT_TRUE(ReadBmp(MakeBmp(s), work).ok) << clrUsed;
    EXPECT_EQ(Rgb(work, 1, 0), 0xCCBBAAu) << clrUsed;
  }
}

class PictureFile : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& name, const Bytes& bytes) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
  }
  kaocg_test::TempDir temp_;
  const std::filesystem::path dir_ = temp_.path();
};

TEST_F(PictureFile, FirstTwoBytesChooseTheReader) {
  BmpSpec s;
  s.width = 2;
  s.height = 2;
  CDIB work;
  std::string message;
  EXPECT_EQ(ReadPictureFile(Write("a.jpg", MakeBmp(s)), work, message), PictureReadResult::kRead);
  ExpectWorkPicture(work, 4, 2);
  EXPECT_TRUE(message.empty());

  // Anything else is tried as JPEG and fails its header analysis.
  for (const Bytes& other : {Bytes{'G', 'I', 'F', '8', '9', 'a'}, Bytes{'B'}, Bytes{}}) {
    EXPECT_EQ(ReadPictureFile(Write("b.bmp", other), work, message), PictureReadResult::kRefused);
    EXPECT_EQ(message, std::string("b.bmp\n") + res::LoadString(res::IDS_JPEG_HEADER_FAILED));
  }
  ExpectWorkPicture(work, 4, 2);
  EXPECT_EQ(ReadPictureFile(dir_ / "missing.bmp", work, message), PictureReadResult::kNotOpened);
  EXPECT_TRUE(message.empty());
}

}  // namespace

namespace {

// ImageMagick as an independent BMP writer and decoder: pictures made here
// are written in the layouts it knows, and the reader must give the pixels
// that ImageMagick itself reads back. Skipped where it is not installed.
bool HaveImageMagick() { return std::system("convert -version >/dev/null 2>&1") == 0; }

TEST_F(PictureFile, ReadsWhatImageMagickWrites) {
  if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const int w = 37, h = 23;
  std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      ppm += static_cast<char>(x * 7);
      ppm += static_cast<char>(y * 11);
      ppm += static_cast<char>((x * y) & 0xFF);
    }
  const auto source = Write("source.ppm", Bytes(ppm.begin(), ppm.end()));
  struct Variant {
    const char* name;
    const char* options;
  } variants[] = {
      {"24-bit", "-type TrueColor BMP3:"},
      {"8-bit palette", "-colors 200 -type Palette -compress None BMP3:"},
      {"4-bit palette", "-colors 16 -type Palette -compress None BMP3:"},
      {"1-bit", "-type Bilevel BMP3:"},
      {"16-bit 5-6-5", "-define bmp:subtype=RGB565 BMP3:"},
  };
  for (const Variant& v : variants) {
    const auto bmp = dir_ / "out.bmp";
    const auto back = dir_ / "back.ppm";
    const std::string options = v.options;
    const std::string format = options.substr(options.rfind(' ') + 1);
    const std::string flags = options.substr(0, options.size() - format.size());
    ASSERT_EQ(std::system(("convert '" + source.string() + "' " + flags + format + "'" + bmp.string() + "' 2>/dev/null")
                              .c_str()),
              0)
        << v.name;
    ASSERT_EQ(std::system(("convert '" + bmp.string() + "' -depth 8 'PPM:" + back.string() + "' 2>/dev/null").c_str()), 0)
        << v.name;
    std::ifstream in(back, std::ios::binary);
    std::string magic;
    int bw = 0, bh = 0, maxval = 0;
    in >> magic >> bw >> bh >> maxval;
    in.get();
    std::vector<char> expected(static_cast<std::size_t>(bw) * bh * 3);
    in.read(expected.data(), static_cast<std::streamsize>(expected.size()));
    ASSERT_TRUE(in && magic == "P6" && bw == w && bh == h) << v.name;

    CDIB work;
    std::string message;
    ASSERT_EQ(ReadPictureFile(bmp, work, message), PictureReadResult::kRead) << v.name << ": " << message;
    ASSERT_GE(work.GetWidth(), w);
    ASSERT_EQ(work.GetHeight(), h);
    // ImageMagick 6 writes its 16-bit files with the bit-fields flag but
    // without mask words (so its 5-5-5 subtype cannot be told from 5-6-5 and
    // is left out), and cannot read them back itself: they are compared with
    // the source pixels, within what 5 bits per channel keep.
    const bool sixteen = std::string(v.name).find("16-bit") == 0;
    const std::string& want = sixteen ? ppm : std::string(expected.begin(), expected.end());
    const std::size_t offset = sixteen ? ppm.size() - static_cast<std::size_t>(w) * h * 3 : 0;
    const int tolerance = sixteen ? 16 : 0;
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::size_t i = offset + (static_cast<std::size_t>(y) * w + x) * 3;
        const std::uint32_t got = Rgb(work, x, y);
        for (int c = 0; c < 3; ++c) {
          const int a = static_cast<int>((got >> (16 - 8 * c)) & 0xFF);
          const int b = static_cast<std::uint8_t>(want[i + c]);
          if (a > b || b - a > tolerance) ++wrong;
        }
      }
    EXPECT_EQ(wrong, 0) << v.name;
  }
}

}  // namespace
