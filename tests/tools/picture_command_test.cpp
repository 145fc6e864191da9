// kaocgtool picture, run as a program on BMP and JPEG files made here; its
// PNG output is read back by an outside reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "import/JpegTestSupport.h"
#include "support/FileBytes.h"
#include "support/KaocgTool.h"
#include "support/TempDir.h"
#include "tools/PngOracle.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using kaocg_test::RunKaocgTool;
using kaocg_test::ShellQuote;

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

void Le16(Bytes& o, std::uint32_t v) {
  o.push_back(std::uint8_t(v));
  o.push_back(std::uint8_t(v >> 8));
}
void Le32(Bytes& o, std::uint32_t v) {
  Le16(o, v & 0xFFFF);
  Le16(o, v >> 16);
}

struct Bmp {
  int bitCount = 24;
  int width = 0;
  int height = 0;  // rows stored bottom first
  std::uint32_t compression = 0;
  std::uint32_t infoSize = 40;
  std::uint32_t clrUsed = 0;
  Bytes palette;  // blue, green, red, 0 quads
  Bytes rows;     // the pixel rows as stored, padding included
};

Bytes Encode(const Bmp& b) {
  Bytes o = {'B', 'M'};
  const std::uint32_t offBits = 14 + b.infoSize + std::uint32_t(b.palette.size());
  Le32(o, offBits + std::uint32_t(b.rows.size()));
  Le32(o, 0);
  Le32(o, offBits);
  Le32(o, b.infoSize);
  Le32(o, std::uint32_t(b.width));
  Le32(o, std::uint32_t(b.height));
  Le16(o, 1);
  Le16(o, std::uint32_t(b.bitCount));
  Le32(o, b.compression);
  Le32(o, std::uint32_t(b.rows.size()));
  Le32(o, 2835);
  Le32(o, 2835);
  Le32(o, b.clrUsed);
  Le32(o, 0);
  o.resize(14 + b.infoSize, 0);
  o.insert(o.end(), b.palette.begin(), b.palette.end());
  o.insert(o.end(), b.rows.begin(), b.rows.end());
  return o;
}

// Distinct colours for the pixels of a small picture, (x, y) from the top.
Rgb Colour(int x, int y) { return {std::uint8_t(10 * x + 1), std::uint8_t(20 * y + 2), std::uint8_t(x * y + 3)}; }

Bmp Bmp24(int width, int height) {
  Bmp b;
  b.width = width;
  b.height = height;
  const int stride = (width * 3 + 3) / 4 * 4;
  for (int r = 0; r < height; ++r) {
    Bytes row(std::size_t(stride), 0xEE);  // padding the reader must not show
    for (int x = 0; x < width; ++x) {
      const Rgb c = Colour(x, height - 1 - r);
      row[3 * x] = c.b;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.r;
    }
    b.rows.insert(b.rows.end(), row.begin(), row.end());
  }
  return b;
}

Rgb PaletteColour(int i) { return {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2)}; }

// Index x + width * y + 1; the row padding holds 200 + its column, which the
// widened picture shows through the colour table.
Bmp Bmp8(int width, int height) {
  Bmp b;
  b.bitCount = 8;
  b.width = width;
  b.height = height;
  for (int i = 0; i < 256; ++i) {
    const Rgb c = PaletteColour(i);
    b.palette.insert(b.palette.end(), {c.b, c.g, c.r, 0});
  }
  const int stride = (width + 3) / 4 * 4;
  for (int r = 0; r < height; ++r)
    for (int x = 0; x < stride; ++x)
      b.rows.push_back(std::uint8_t(x < width ? x + width * (height - 1 - r) + 1 : 200 + x));
  return b;
}

using kaocg_test::WriteFile;

class PictureCommand : public testing::Test {
 protected:
  void SetUp() override {
    if (!pngtest::HavePython()) GTEST_SKIP() << "python3 with zlib is not installed to read the PNG files";
  }
  std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

  // Runs the command on a file and reads the PNG it wrote.
  void RunAndRead(const std::string& in, const std::string& options, pngtest::RgbPicture& png) {
    const std::string out = Path("out.png");
    fs::remove(out);
    const auto r = RunKaocgTool("picture " + ShellQuote(in) + " " + ShellQuote(out) + options);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    ASSERT_TRUE(pngtest::DecodeWithPython(out, Path("decoded"), png));
  }

  kaocg_test::TempDir dir_;
};

Rgb At(const pngtest::RgbPicture& p, int x, int y) {
  const std::size_t i = (std::size_t(y) * std::size_t(p.width) + std::size_t(x)) * 3;
  return {p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]};
}

void ExpectPixels(const pngtest::RgbPicture& png, int width, int height, const std::function<Rgb(int, int)>& expected) {
  ASSERT_EQ(png.width, width);
  ASSERT_EQ(png.height, height);
  int wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (!(At(png, x, y) == expected(x, y)) && ++wrong <= 5) ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
  EXPECT_EQ(wrong, 0);
}

TEST_F(PictureCommand, WritesTheWorkPictureAtItsRoundedWidth) {
  pngtest::RgbPicture png;

  // 24 bits: 5 columns become 8, the added ones black; top row first.
  WriteFile(Path("p24.bmp"), Encode(Bmp24(5, 3)));
  RunAndRead(Path("p24.bmp"), "", png);
  ExpectPixels(png, 8, 3, [](int x, int y) { return x < 5 ? Colour(x, y) : Rgb{}; });

  // 8 bits: the whole padded row, padding bytes looked up in the table.
  WriteFile(Path("p8.bmp"), Encode(Bmp8(5, 3)));
  RunAndRead(Path("p8.bmp"), "", png);
  ExpectPixels(png, 8, 3, [](int x, int y) { return PaletteColour(x < 5 ? x + 5 * y + 1 : 200 + x); });

  // A 13 x 10 JPEG: 16 columns, those past the picture black; the pixels
  // as the decoder's formulas give them.
  jpegtest::TestPicture jpeg;
  jpeg.X = 13;
  jpeg.Y = 10;
  jpeg.comps = {{1, 1, 0, 0, 0}, {1, 1, 0, 1, 1}, {1, 1, 0, 1, 1}};
  std::mt19937 rng(6);
  jpegtest::FillRandomBlocks(jpeg, rng, 0.2);
  WriteFile(Path("p.jpg"), jpegtest::BuildJpeg(jpeg));
  const jpegtest::Planes planes = jpegtest::ReferenceDecode(jpeg);
  RunAndRead(Path("p.jpg"), "", png);
  ExpectPixels(png, 16, 10, [&](int x, int y) {
    if (x >= 13) return Rgb{};
    const std::size_t i = std::size_t(y) * std::size_t(planes.width) + std::size_t(x);
    return Rgb{planes.rgb[0][i], planes.rgb[1][i], planes.rgb[2][i]};
  });
}

struct CutCase {
  const char* options;
  int faceWidth, faceHeight;
  std::vector<int> columns, rows;  // the picture pixel behind each face pixel
};

TEST_F(PictureCommand, CutScalesTheSelectionByNearestPixel) {
  // A 6 x 6 picture, 8 wide after rounding: columns 6 and 7 are black but
  // may be selected.
  WriteFile(Path("p.bmp"), Encode(Bmp24(6, 6)));
  const CutCase cases[] = {
      {" --cut 0 0 8 6 --size 8 6", 8, 6, {0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2, 3, 4, 5}},
      {" --cut 2 1 4 4 --size 2 2", 2, 2, {2, 5}, {1, 4}},
      {" --size 4 4 --cut 0 0 2 2", 4, 4, {0, 0, 1, 1}, {0, 0, 1, 1}},
      {" --cut 4 2 4 4 --size 3 3", 3, 3, {4, 6, 7}, {2, 4, 5}},
      {" --cut 1 3 5 1 --size 3 2", 3, 2, {1, 3, 5}, {3, 3}},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.options);
    pngtest::RgbPicture png;
    RunAndRead(Path("p.bmp"), c.options, png);
    ExpectPixels(png, c.faceWidth, c.faceHeight, [&](int x, int y) {
      const int px = c.columns[std::size_t(x)], py = c.rows[std::size_t(y)];
      return px < 6 ? Colour(px, py) : Rgb{};
    });
  }
  // The editor's large face out of a small selection.
  pngtest::RgbPicture large;
  RunAndRead(Path("p.bmp"), " --cut 0 0 6 6 --size 240 240", large);
  ExpectPixels(large, 240, 240, [](int x, int y) { return Colour((x * 5 + 119) / 239, (y * 5 + 119) / 239); });
}

TEST_F(PictureCommand, RefusedFilesPrintTheImportMessage) {
  Bmp rle = Bmp8(4, 4);
  rle.compression = 1;
  Bmp v4 = Bmp24(4, 4);
  v4.infoSize = 108;
  Bmp twoBit = Bmp24(4, 4);
  twoBit.bitCount = 2;
  twoBit.clrUsed = 3;
  jpegtest::TestPicture jpeg;
  std::mt19937 rng(1);
  jpegtest::FillRandomBlocks(jpeg, rng, 0.5);
  const Bytes header = jpegtest::BuildHeader(jpeg);
  const Bytes whole = jpegtest::BuildJpeg(jpeg);
  Bytes cutShort(whole.begin(), whole.begin() + std::ptrdiff_t(header.size() + 2));

  const struct {
    const char* name;
    Bytes file;
    std::string message;
  } cases[] = {
      {"rle.bmp", Encode(rle), "rle.bmp\n圧縮形式のBMPファイルには対応していません。"},
      {"v4.bmp", Encode(v4), "v4.bmp\nこのBMPファイル形式には対応していません。"},
      {"two bit.bmp", Encode(twoBit), "色数が正しくありません。\nBitCount [2] ClrUsed [3]"},
      {"text.jpg", {'h', 'e', 'l', 'l', 'o'}, "text.jpg\nJPEGデータのヘッダ解析に失敗しました。"},
      {"short.jpg", cutShort, "short.jpg\nJPEGデータの復号に失敗しました。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(Path(c.name), c.file);
    for (const char* options : {"", " --cut 0 0 4 4 --size 4 4"}) {
      const auto r = RunKaocgTool("picture " + ShellQuote(Path(c.name)) + " " + ShellQuote(Path("out.png")) + options);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, "kaocgtool: " + c.message + "\n");
      EXPECT_FALSE(fs::exists(Path("out.png")));
    }
  }
}

TEST_F(PictureCommand, BadArgumentsFailWithOneLine) {
  WriteFile(Path("p.bmp"), Encode(Bmp24(6, 6)));  // 8 x 6 after rounding
  const std::string in = ShellQuote(Path("p.bmp")), out = ShellQuote(Path("out.png"));
  const std::string io = in + " " + out;
  const std::string commands[] = {
      "",
      in,
      io + " " + out,
      io + " --cut 0 0 4",
      io + " --cut 0 0 4 4",
      io + " --size 4 4",
      io + " --cut 0 0 4 4 --size 4",
      io + " --cut 0 0 4 4 --size 4 4 --cut 0 0 4 4",
      io + " --cut 0 0 4 4 --size 4 4 --size 4 4",
      io + " --cut x 0 4 4 --size 4 4",
      io + " --cut 0 0 4 4x --size 4 4",
      io + " --cut -1 0 4 4 --size 4 4",
      io + " --cut 0 0 0 4 --size 4 4",
      io + " --cut 0 0 4 -4 --size 4 4",
      io + " --cut 0 0 4 4 --size 0 4",
      io + " --cut 0 0 4 4 --size 4 4097",
      io + " --cut 0 0 4 4 --size 99999999999 4",
      io + " --cut 5 0 4 4 --size 4 4",   // past the rounded width
      io + " --cut 0 3 4 4 --size 4 4",   // past the height
      io + " --cut 8 0 1 1 --size 4 4",
      io + " --cut 2147483647 0 2147483647 1 --size 4 4",
      io + " --cut 0 2147483647 1 2147483647 --size 4 4",
      io + " --scale 2",
      ShellQuote(Path("missing.bmp")) + " " + out,
      in + " " + ShellQuote(Path("no/such/folder/out.png")),
  };
  for (const std::string& c : commands) {
    SCOPED_TRACE(c);
    const auto r = RunKaocgTool("picture " + c);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("kaocgtool: picture: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(fs::exists(Path("out.png")));
  }
  // The edges themselves are inside: the selection may end on the last
  // column of the rounded width and on the last row, and W and H reach 4096.
  for (const char* options : {" --cut 4 2 4 4 --size 1 1", " --cut 7 5 1 1 --size 4096 1"}) {
    const auto r = RunKaocgTool("picture " + io + options);
    EXPECT_EQ(r.status, 0) << options << ": " << r.err;
  }
  const auto help = RunKaocgTool("picture --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: kaocgtool picture IN OUT.png [--cut LEFT TOP WIDTH HEIGHT --size W H]\n", 0), 0u);
}

}  // namespace
