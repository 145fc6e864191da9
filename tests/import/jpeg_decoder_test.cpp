// The JPEG decoder against an independent model of its arithmetic: streams
// of known quantised coefficients are encoded here, decoded by the decoder,
// and compared bit for bit with the direct inverse DCT, replication and
// colour conversion computed from the formulas alone.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "import/JpegDecoder.h"
#include "import/JpegKernels.h"
#include "import/JpegTestSupport.h"
#include "zfx/Errors.h"

namespace {

using jpegtest::Block;
using jpegtest::BuildJpeg;
using jpegtest::ReferenceDecode;
using jpegtest::TestComponent;
using jpegtest::TestPicture;

// Decodes bytes through both entry points; returns the two results.
struct DecodeResult {
  int header = 1;
  int decode = 1;
};
DecodeResult DecodeBytes(CJpegDecoder& d, const std::vector<std::uint8_t>& bytes) {
  DecodeResult r;
  r.header = d.AnalysisHeader(bytes.data(), bytes.size());
  if (r.header == 0) r.decode = d.Decode();
  return r;
}

// Compares the decoder's planes with the model's over every row of the
// MCU grid.
void ExpectPlanesEqual(const CJpegDecoder& d, const jpegtest::Planes& want) {
  ASSERT_EQ(d.X, want.width);
  ASSERT_GE(d.planeSize, static_cast<std::size_t>(want.width) * want.height);
  int mismatches = 0;
  for (int c = 0; c < 3; ++c) {
    ASSERT_NE(d.mRgbP[c], nullptr);
    for (std::size_t i = 0; i < want.rgb[c].size() && mismatches < 5; ++i) {
      if (d.mRgbP[c][i] != want.rgb[c][i]) {
        ADD_FAILURE() << "plane " << c << " x " << i % want.width << " y " << i / want.width << ": got "
                      << int{d.mRgbP[c][i]} << ", want " << int{want.rgb[c][i]};
        ++mismatches;
      }
    }
  }
}

TestPicture Colour(int X, int Y, int hy, int vy) {
  TestPicture p;
  p.X = X;
  p.Y = Y;
  p.comps = {TestComponent{hy, vy, 0, 0, 0}, TestComponent{1, 1, 1, 1, 1}, TestComponent{1, 1, 1, 1, 1}};
  return p;
}

// ---------------------------------------------------------------------------
// Inverse DCT

TEST(JpegInverseDct, MatchesTheDirectSumBitForBit) {
  std::mt19937 rng(7);
  struct Case {
    double density;
    int range;
    int precision;
  };
  const Case cases[] = {{0.05, 50, 8}, {0.3, 400, 8}, {1.0, 1000, 8}, {1.0, 60000, 8}, {0.5, 3000, 12}};
  for (const Case& c : cases) {
    std::uniform_int_distribution<int> value(-c.range, c.range);
    std::uniform_real_distribution<double> pick(0, 1);
    for (int n = 0; n < 400; ++n) {
      CJpegDecoder d;
      d.P = c.precision;
      Block f{};
      for (int i = 0; i < 64; ++i)
        if (i == 0 || pick(rng) < c.density) f[i] = value(rng);
      std::memcpy(d.block, f.data(), sizeof d.block);
      d.InverseDCT();
      const auto want = jpegtest::ReferenceIdct(f, c.precision);
      for (int i = 0; i < 64; ++i)
        ASSERT_EQ(d.samples[i], want[i]) << "density " << c.density << " range " << c.range << " sample " << i;
    }
  }
}

// Every form of the inner loops this machine runs, not only the one the
// decoder picked.
TEST(JpegInverseDct, EveryKernelMatchesTheDirectSum) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> value(-5000, 5000);
  std::uniform_real_distribution<double> pick(0, 1);
  const auto variants = jpegkernels::IdctVariants();
  for (int n = 0; n < 600; ++n) {
    Block f{};
    const double density = n % 3 == 0 ? 1.0 : 0.1;
    std::uint64_t mask = 0;
    for (int i = 0; i < 64; ++i) {
      if (pick(rng) < density) f[i] = value(rng);
      if (f[i] != 0) mask |= std::uint64_t{1} << i;
    }
    const int precision = n % 5 == 0 ? 12 : 8;
    const auto want = jpegtest::ReferenceIdct(f, precision);
    for (const auto& v : variants) {
      std::int32_t out[64];
      v.fn(f.data(), mask, precision == 8 ? 128.0 : 2048.0, out);
      for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], want[i]) << v.name << " sample " << i;
    }
  }
  // Sums beyond 32 bits saturate alike in every form.
  Block huge;
  huge.fill(std::numeric_limits<std::int32_t>::max());
  huge[9] = std::numeric_limits<std::int32_t>::min();
  std::int32_t first[64];
  variants[0].fn(huge.data(), ~std::uint64_t{0}, 128.0, first);
  EXPECT_EQ(first[0], std::numeric_limits<std::int32_t>::max());
  for (const auto& v : variants) {
    std::int32_t out[64];
    v.fn(huge.data(), ~std::uint64_t{0}, 128.0, out);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], first[i]) << v.name << " sample " << i;
  }
}

TEST(JpegColour, EveryConverterMatchesTheFormula) {
  std::mt19937 rng(23);
  // Mostly in range, some far outside as unclamped inverse DCT output is.
  std::uniform_int_distribution<int> sample(-60, 320), wild(-100000, 100000);
  for (const auto& v : jpegkernels::ColourRowVariants()) {
    for (int n : {1, 7, 8, 9, 16, 37, 120}) {
      std::vector<std::int32_t> y(n), cb(n), cr(n);
      for (int j = 0; j < n; ++j) {
        y[j] = j % 11 == 0 ? wild(rng) : sample(rng);
        cb[j] = j % 13 == 0 ? wild(rng) : sample(rng);
        cr[j] = sample(rng);
      }
      std::vector<std::uint8_t> r(n), g(n), b(n);
      v.fn(y.data(), cb.data(), cr.data(), r.data(), g.data(), b.data(), n);
      for (int j = 0; j < n; ++j) {
        const jpegtest::Rgb want = jpegtest::ReferenceColour(y[j], cb[j], cr[j]);
        ASSERT_EQ(r[j], want.r) << v.name << " n " << n << " at " << j;
        ASSERT_EQ(g[j], want.g) << v.name << " n " << n << " at " << j;
        ASSERT_EQ(b[j], want.b) << v.name << " n " << n << " at " << j;
      }
    }
  }
}

TEST(JpegInverseDct, DcOnlyBlocksTruncateTowardZero) {
  // C0 is slightly above 1/sqrt(2), so a DC of 8 sums to just above 4 and
  // a DC of -8 to just below -4.
  const struct {
    int dc, precision, sample;
  } cases[] = {{8, 8, 129}, {-8, 8, 126}, {0, 8, 128}, {0, 12, 2048}, {8, 12, 2049}};
  for (const auto& c : cases) {
    CJpegDecoder d;
    d.P = c.precision;
    d.block[0] = c.dc;
    d.InverseDCT();
    for (int i = 0; i < 64; ++i) ASSERT_EQ(d.samples[i], c.sample) << "dc " << c.dc;
  }
}

// ---------------------------------------------------------------------------
// Whole pictures of known coefficients

TEST(JpegDecode, PicturesOfKnownCoefficientsMatchTheModel) {
  struct Case {
    const char* name;
    TestPicture picture;
    double density;
  };
  std::vector<Case> cases;
  cases.push_back({"4:4:4 16x16", Colour(16, 16, 1, 1), 0.3});
  cases.push_back({"4:2:0 17x9", Colour(17, 9, 2, 2), 0.3});
  cases.push_back({"4:2:2 33x20", Colour(33, 20, 2, 1), 0.2});
  cases.push_back({"4:4:0 21x30", Colour(21, 30, 1, 2), 0.2});
  cases.push_back({"4:1:1 40x8", Colour(40, 8, 4, 1), 0.1});
  cases.push_back({"1x1 picture", Colour(1, 1, 2, 2), 0.5});
  {
    // Chroma blocks that cover 2 x 2 of their own size and stand two to an
    // MCU: the second one starts 16 samples in.
    TestPicture p = Colour(70, 20, 4, 2);
    p.comps[1].H = 2;
    p.comps[2].H = 2;
    cases.push_back({"Y 4x2, chroma 2x1", p, 0.2});
  }
  {
    TestPicture p;
    p.X = 23;
    p.Y = 13;
    cases.push_back({"grey 23x13", p, 0.4});
  }
  {
    // A single component is coded one block per MCU whatever its factors.
    TestPicture p;
    p.X = 23;
    p.Y = 13;
    p.comps[0].H = 2;
    p.comps[0].V = 2;
    cases.push_back({"grey with 2x2 factors", p, 0.4});
  }
  {
    TestPicture p = Colour(24, 24, 2, 2);
    for (int i = 0; i < 64; ++i) {
      p.quant[0][i] = 1 + i;
      p.quant[1][i] = 3 + (i % 7);
    }
    cases.push_back({"quantisation tables", p, 0.3});
  }
  {
    TestPicture p = Colour(16, 8, 1, 1);
    p.quant16 = true;
    for (int i = 0; i < 64; ++i) p.quant[0][i] = 300 + 11 * i;
    cases.push_back({"16-bit quantisation", p, 0.2});
  }
  {
    TestPicture p = Colour(24, 16, 1, 1);
    p.comps[1] = TestComponent{1, 1, 1, 1, 0};
    p.comps[2] = TestComponent{1, 1, 1, 1, 0};
    // Make AC table 0 and 1 differ so that using the wrong one shows.
    p.ac[1].values.clear();
    p.ac[1].bits = {0, 0, 0, 0, 0, 0, 0, 0, 162, 0, 0, 0, 0, 0, 0, 0};
    p.ac[1].values = jpegtest::AcSpec().values;
    std::reverse(p.ac[1].values.begin(), p.ac[1].values.end());
    cases.push_back({"chroma with DC table 1 and AC table 0", p, 0.3});
  }
  {
    TestPicture p = Colour(40, 24, 2, 1);
    p.restartInterval = 4;
    cases.push_back({"restart interval 4", p, 0.2});
  }
  {
    TestPicture p = Colour(9, 9, 1, 1);
    p.restartInterval = 1;
    cases.push_back({"restart after every MCU", p, 0.2});
  }

  std::mt19937 rng(11);
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    jpegtest::FillRandomBlocks(c.picture, rng, c.density);
    const std::vector<std::uint8_t> bytes = BuildJpeg(c.picture);
    CJpegDecoder d;
    const DecodeResult r = DecodeBytes(d, bytes);
    ASSERT_EQ(r.header, 0);
    ASSERT_EQ(r.decode, 0);
    ExpectPlanesEqual(d, ReferenceDecode(c.picture));
    d.ReleaseTables();
  }
}

TEST(JpegDecode, FourTwoZeroOddSizeLayout) {
  TestPicture p = Colour(17, 9, 2, 2);
  // Two MCUs; every luma block flat, chroma of the two MCUs different.
  p.blocks.assign(12, Block{});
  p.blocks[4][0] = 100;   // Cb of MCU 0
  p.blocks[5][0] = -100;  // Cr of MCU 0
  p.blocks[10][0] = -60;  // Cb of MCU 1
  p.blocks[11][0] = 60;   // Cr of MCU 1
  CJpegDecoder d;
  const DecodeResult r = DecodeBytes(d, BuildJpeg(p));
  ASSERT_EQ(r.decode, 0);
  EXPECT_EQ(d.X, 17);
  EXPECT_EQ(d.Y, 9);
  EXPECT_EQ(d.planeSize, 32u * 16u);
  ExpectPlanesEqual(d, ReferenceDecode(p));
  // Chroma is repeated over 2 x 2 pixels: columns 15 and 16 belong to
  // different MCUs.
  EXPECT_EQ(d.mRgbP[0][15], d.mRgbP[0][17 + 15]);
  EXPECT_NE(d.mRgbP[0][15], d.mRgbP[0][16]);
}

TEST(JpegDecode, ColourConversionOfOneSample) {
  // DC values whose flat blocks give Y 100, Cb 150 and Cr 90.
  TestPicture p = Colour(8, 8, 1, 1);
  p.blocks.assign(3, Block{});
  p.blocks[0][0] = -220;
  p.blocks[1][0] = 180;
  p.blocks[2][0] = -300;
  for (int i = 0; i < 3; ++i) {
    CJpegDecoder probe;
    probe.P = 8;
    probe.block[0] = p.blocks[i][0];
    probe.InverseDCT();
    const int want[] = {100, 150, 90};
    ASSERT_EQ(probe.samples[0], want[i]);
  }
  CJpegDecoder d;
  ASSERT_EQ(DecodeBytes(d, BuildJpeg(p)).decode, 0);
  EXPECT_EQ(d.mRgbP[0][0], 46);
  EXPECT_EQ(d.mRgbP[1][0], 119);
  EXPECT_EQ(d.mRgbP[2][0], 138);
}

TEST(JpegDecode, GreyGivesEqualPlanes) {
  TestPicture p;
  p.X = 30;
  p.Y = 10;
  std::mt19937 rng(3);
  jpegtest::FillRandomBlocks(p, rng, 0.5, 300, 200);
  CJpegDecoder d;
  ASSERT_EQ(DecodeBytes(d, BuildJpeg(p)).decode, 0);
  for (std::size_t i = 0; i < 30u * 16u; ++i) {
    ASSERT_EQ(d.mRgbP[0][i], d.mRgbP[1][i]);
    ASSERT_EQ(d.mRgbP[0][i], d.mRgbP[2][i]);
  }
}

TEST(JpegDecode, ZeroDcCategoryKeepsThePredictor) {
  // Same DC in every block: every difference after the first is category 0.
  TestPicture p = Colour(32, 8, 1, 1);
  p.blocks.assign(12, Block{});
  for (auto& b : p.blocks) b[0] = 40;
  CJpegDecoder d;
  ASSERT_EQ(DecodeBytes(d, BuildJpeg(p)).decode, 0);
  ExpectPlanesEqual(d, ReferenceDecode(p));
  EXPECT_EQ(d.mRgbP[1][0], d.mRgbP[1][31]);
}

TEST(JpegDecode, RestartMarkersResetPredictorsAndSkipTrailingBytes) {
  TestPicture p;
  p.X = 64;
  p.Y = 8;
  p.restartInterval = 4;
  p.blocks.assign(8, Block{});
  for (int i = 0; i < 8; ++i) p.blocks[i][0] = 10 * (i + 1);
  std::vector<std::uint8_t> bytes = BuildJpeg(p);
  // Put junk (without 0xFF) between the end of the first interval and its
  // RST0 marker: the decoder must pass over it.
  const std::uint8_t rst0[] = {0xFF, 0xD0};
  const auto rst = std::search(bytes.begin() + 2, bytes.end(), std::begin(rst0), std::end(rst0));
  ASSERT_NE(rst, bytes.end());
  bytes.insert(rst, {0x12, 0x34, 0x00, 0x56});
  CJpegDecoder d;
  ASSERT_EQ(DecodeBytes(d, bytes).decode, 0);
  ExpectPlanesEqual(d, ReferenceDecode(p));
}

TEST(JpegDecode, StuffedFirstByteOfTheScanIsData) {
  // One DC code "1" for category 7 and the magnitude 1111111: the first
  // entropy-coded byte is 0xFF, written as 0xFF 0x00.
  TestPicture p;
  p.dc[0].bits = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  p.dc[0].values = {0, 7};
  p.blocks.assign(1, Block{});
  p.blocks[0][0] = 127;
  const std::vector<std::uint8_t> bytes = BuildJpeg(p);
  const std::size_t scanStart = jpegtest::BuildHeader(p).size();
  ASSERT_EQ(bytes[scanStart], 0xFF);
  ASSERT_EQ(bytes[scanStart + 1], 0x00);
  CJpegDecoder d;
  ASSERT_EQ(DecodeBytes(d, bytes).decode, 0);
  ExpectPlanesEqual(d, ReferenceDecode(p));
}

TEST(JpegDecode, ApplicationSegmentsAndComment) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> segments;
    std::uint32_t kind;
  };
  const std::vector<Case> cases = {
      {"JFIF", {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 2, 1, 0, 72, 0, 96, 0, 0}, 1},
      {"JFXX without data, DQT right after", {0xFF, 0xE0, 0, 8, 'J', 'F', 'X', 'X', 0, 0x13}, 2},
      {"JFXX with thumbnail bytes", {0xFF, 0xE0, 0, 12, 'J', 'F', 'X', 'X', 0, 0x10, 0xFF, 0xD8, 0xFF, 0xD9}, 2},
      {"short APP0", {0xFF, 0xE0, 0, 5, 1, 2, 3}, 0},
      {"other APP0", {0xFF, 0xE0, 0, 9, 'A', 'V', 'I', '1', 0, 0, 0}, 0},
      {"APP1 and APP15", {0xFF, 0xE1, 0, 4, 0xFF, 0xDB, 0xFF, 0xEF, 0, 2}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestPicture p = Colour(8, 8, 1, 1);
    p.extraSegments = c.segments;
    const char text[] = "made by a test";
    p.extraSegments.insert(p.extraSegments.end(), {0xFF, 0xFE, 0, sizeof text + 1});
    p.extraSegments.insert(p.extraSegments.end(), text, text + sizeof text - 1);
    std::mt19937 rng(5);
    jpegtest::FillRandomBlocks(p, rng, 0.3);
    CJpegDecoder d;
    ASSERT_EQ(DecodeBytes(d, BuildJpeg(p)).decode, 0);
    ExpectPlanesEqual(d, ReferenceDecode(p));
    EXPECT_EQ(d.jfifKind, c.kind);
    ASSERT_NE(d.comment, nullptr);
    EXPECT_STREQ(d.comment.get(), text);
    EXPECT_TRUE(d.flags & CJpegDecoder::kFlagCOM);
    if (c.kind == 1) {
      EXPECT_EQ(d.jfifVersionMajor, 1);
      EXPECT_EQ(d.jfifVersionMinor, 2);
      EXPECT_EQ(d.jfifUnits, 1u);
      EXPECT_EQ(d.jfifXDensity, 72u);
      EXPECT_EQ(d.jfifYDensity, 96u);
      EXPECT_TRUE(d.flags & CJpegDecoder::kFlagJFIF);
    }
    if (c.kind == 2) {
      EXPECT_EQ(d.jfxxExtension, c.segments[9]);
    }
  }
}

TEST(JpegDecode, InitialStateAndRelease) {
  CJpegDecoder d;
  EXPECT_EQ(d.flags, 0u);
  EXPECT_EQ(d.jfifKind, 0u);
  EXPECT_EQ(d.jfifXDensity, 1u);
  EXPECT_EQ(d.jfifYDensity, 1u);
  EXPECT_EQ(d.P, 0);
  EXPECT_EQ(d.restartInterval, 0);
  EXPECT_EQ(d.comment, nullptr);
  EXPECT_EQ(d.reader, nullptr);
  for (auto& byClass : d.huffman)
    for (auto& t : byClass) EXPECT_EQ(t.count, 0);

  TestPicture p = Colour(8, 8, 1, 1);
  p.extraSegments = {0xFF, 0xFE, 0, 3, 'x'};
  std::mt19937 rng(5);
  jpegtest::FillRandomBlocks(p, rng, 0.3);
  ASSERT_EQ(DecodeBytes(d, BuildJpeg(p)).decode, 0);
  EXPECT_EQ(d.huffman[1][2].count, 162);
  d.ReleaseTables();
  for (auto& byClass : d.huffman)
    for (auto& t : byClass) {
      EXPECT_EQ(t.count, 0);
      EXPECT_EQ(t.values, nullptr);
    }
  EXPECT_EQ(d.comment, nullptr);
  EXPECT_EQ(d.reader, nullptr);
  // The planes are the caller's and outlive the tables.
  EXPECT_NE(d.mRgbP[0], nullptr);
}

// ---------------------------------------------------------------------------
// Huffman tables

TEST(JpegHuffman, CodesFollowTheCanonicalConstruction) {
  // BITS: 0 codes of length 1, 3 of length 2, 1 of 3, 0 of 4, 2 of 5.
  std::vector<std::uint8_t> seg = {0xFF, 0xD8, 0xFF, 0xC4, 0, 2 + 17 + 6, 0x01, 0, 3, 1, 0, 2};
  seg.resize(seg.size() + 11, 0);
  seg.insert(seg.end(), {10, 20, 30, 40, 50, 60});
  seg.insert(seg.end(), {0xFF, 0xD9});
  CJpegDecoder d;
  ASSERT_EQ(d.AnalysisHeader(seg.data(), seg.size()), 0);
  const HuffmanTable& t = d.huffman[0][1];
  ASSERT_EQ(t.count, 6);
  const int sizes[] = {2, 2, 2, 3, 5, 5};
  const int codes[] = {0b00, 0b01, 0b10, 0b110, 0b11100, 0b11101};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(t.sizes[i], sizes[i]);
    EXPECT_EQ(t.codes[i], codes[i]);
    EXPECT_EQ(t.values[i], 10 * (i + 1));
  }
}

// A one-component 8x8 picture whose scan data is `data`, with DC table
// bits/values given and an AC table holding only EOB ("0").
std::vector<std::uint8_t> WithScanData(const std::array<std::uint8_t, 16>& dcBits,
                                       const std::vector<std::uint8_t>& dcValues,
                                       const std::vector<std::uint8_t>& data) {
  TestPicture p;
  p.dc[0].bits = dcBits;
  p.dc[0].values = dcValues;
  p.ac[0].bits = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  p.ac[0].values = {0x00};
  std::vector<std::uint8_t> bytes = jpegtest::BuildHeader(p);
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

TEST(JpegHuffman, LongCodesAndUndefinedCodes) {
  // DC table: one code of each length 1..12 plus one of length 16, each the
  // category equal to its length; "1111111111110..." is the 16-bit one.
  std::array<std::uint8_t, 16> bits = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1};
  std::vector<std::uint8_t> values = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 5};
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    int decode;
    int dc;  // expected DC difference when decode is 0
  };
  const Case cases[] = {
      // code 0 (category 0), EOB 0, then padding.
      {"category 0", {0x3F, 0xFF, 0xD9}, 0, 0},
      // 11111111110 (11 bits, category 10) + 1000000000 (512) + EOB.
      {"11-bit code", {0xFF, 0x00, 0xD0, 0x03, 0xFF, 0xD9}, 0, 512},
      // 16-bit code 1111111111110000 (category 5) + 10101 (21) + EOB.
      {"16-bit code", {0xFF, 0x00, 0xF0, 0xAB, 0xFF, 0xD9}, 0, 21},
      // 1111111111111111: no code of this table.
      {"undefined code", {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xD9}, -2, 0},
      // the marker arrives inside the Huffman code.
      {"marker inside a code", {0xFF, 0x00, 0xFF, 0xD9}, -2, 0},
      // the marker arrives inside the magnitude bits.
      {"marker inside magnitude bits", {0xFF, 0x00, 0xD0, 0xFF, 0xD9}, -2, 0},
      // the data ends inside the Huffman code.
      {"data ends inside a code", {0xFF, 0x00}, -1, 0},
      // 111111111110 (category 11) and only four of its magnitude bits.
      {"data ends inside magnitude bits", {0xFF, 0x00, 0xE0}, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> bytes = WithScanData(bits, values, c.data);
    CJpegDecoder d;
    const DecodeResult r = DecodeBytes(d, bytes);
    ASSERT_EQ(r.header, 0);
    EXPECT_EQ(r.decode, c.decode);
    if (c.decode == 0) {
      EXPECT_EQ(d.dcPredictor[0], c.dc);
      const auto want = jpegtest::ReferenceIdct(Block{c.dc});
      EXPECT_EQ(d.mRgbP[0][0], jpegtest::RefClamp(want[0]));
    } else {
      EXPECT_EQ(d.mRgbP[0], nullptr);
    }
  }
}

TEST(JpegHuffman, OverfullTableCodesPastTheirLengthNeverMatch) {
  // BITS[1] = 3: codes 0 and 1 fit, the third (2) does not; BITS[2] = 1
  // continues with code 6, which does not fit two bits either.
  const std::array<std::uint8_t, 16> bits = {3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  CJpegDecoder d;
  // "0" category 0, then EOB.
  auto bytes = WithScanData(bits, {0, 0, 0, 0}, {0x3F, 0xFF, 0xD9});
  EXPECT_EQ(DecodeBytes(d, bytes).decode, 0);
  CJpegDecoder d2;
  // "1" is category 0 too; "11" would be the unusable code.
  bytes = WithScanData(bits, {0, 0, 1, 2}, {0xBF, 0xFF, 0xD9});
  EXPECT_EQ(DecodeBytes(d2, bytes).decode, 0);
}

// ---------------------------------------------------------------------------
// The bit reader

TEST(JpegStream, BitsStuffingAndMarkers) {
  const std::uint8_t data[] = {0xFF, 0x00, 0xA5, 0xFF, 0x00, 0x0F, 0xFF, 0xD3, 0x77};
  CJpegStream s(data, sizeof data);
  EXPECT_EQ(s.GetBits(4), 0xF);
  EXPECT_EQ(s.GetBits(8), 0xFA);
  EXPECT_EQ(s.GetBits(4), 0x5);
  EXPECT_EQ(s.GetBits(12), 0xFF0);
  EXPECT_EQ(s.GetBits(3), 0x7);
  // One bit left before the marker; asking for two meets the marker.
  EXPECT_EQ(s.GetBits(2), -0xD3);
  EXPECT_EQ(s.GetBits(1), -0xD3);
  // Byte reading continues on the marker itself.
  EXPECT_EQ(s.GetByte(), 0xFF);
  EXPECT_EQ(s.GetByte(), 0xD3);
  EXPECT_EQ(s.GetBits(8), 0x77);
  EXPECT_THROW(s.GetBits(1), EBufferError);
}

TEST(JpegStream, ByteReadsAfterBitsContinueAfterThePartlyReadByte) {
  const struct {
    int bits;
    std::uint8_t next;
  } cases[] = {{0, 0x81}, {1, 0xFF}, {8, 0xFF}, {9, 0x00}, {16, 0x00}, {17, 0x43}};
  const std::uint8_t data[] = {0x81, 0xFF, 0x00, 0x42, 0x43};
  for (const auto& c : cases) {
    CJpegStream s(data, sizeof data);
    for (int i = 0; i < c.bits; ++i) s.GetBits(1);
    EXPECT_EQ(s.GetByte(), c.next) << c.bits << " bits read";
  }
}

TEST(JpegStream, HeaderReadsStopAtTheEnd) {
  const std::uint8_t data[] = {1, 2, 3};
  {
    CJpegStream s(data, 3);
    EXPECT_EQ(s.GetWord(), 0x0102);
    try {
      s.GetWord();
      FAIL();
    } catch (const EBufferError& e) {
      EXPECT_STREQ(e.where, "GetWord");
    }
  }
  {
    CJpegStream s(data, 3);
    std::uint8_t out[4];
    try {
      s.CopyByte(out, 4);
      FAIL();
    } catch (const EBufferError& e) {
      EXPECT_STREQ(e.where, "CopyByte");
    }
  }
  {
    CJpegStream s(data, 3);
    s.SkipByte(2);
    EXPECT_EQ(s.GetByte(), 3);
    s.SkipByte(-3);
    EXPECT_EQ(s.GetByte(), 1);
    try {
      s.SkipByte(3);
      FAIL();
    } catch (const EBufferError& e) {
      EXPECT_STREQ(e.where, "SkipByte");
    }
    EXPECT_THROW(s.SkipByte(-2), EBufferError);
  }
  {
    CJpegStream s(data, 3);
    s.SkipByte(3);
    try {
      s.GetByte();
      FAIL();
    } catch (const EBufferError& e) {
      EXPECT_STREQ(e.where, "GetByte");
    }
  }
}

// ---------------------------------------------------------------------------
// Markers and failures

TEST(JpegMarkers, NextMarkerCodes) {
  const struct {
    std::vector<std::uint8_t> bytes;
    int marker;
  } cases[] = {
      {{0x12, 0xFF, 0x00, 0xFF, 0xD8}, 0xD8}, {{0xFF, 0x01}, 0x01}, {{0xFF, 0x02}, 0x02},
      {{0xFF, 0x03}, 0xFF},                   {{0xFF, 0xBF}, 0xFF}, {{0xFF, 0xC0}, 0xC0},
      {{0xFF, 0xFF}, 0xFF},
  };
  for (const auto& c : cases) {
    CJpegDecoder d;
    d.reader = std::make_unique<CJpegStream>(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(d.NextMarker(), c.marker);
  }
  CJpegDecoder d;
  const std::uint8_t none[] = {0x12, 0xFF, 0x00, 0x34};
  d.reader = std::make_unique<CJpegStream>(none, sizeof none);
  try {
    d.NextMarker();
    FAIL();
  } catch (const EBufferError& e) {
    EXPECT_STREQ(e.where, "GetByte");
  }
}

// Runs one segment (after SOI) and reports what it threw.
template <class E>
E SegmentThrows(const std::vector<std::uint8_t>& segment) {
  CJpegDecoder d;
  d.reader = std::make_unique<CJpegStream>(segment.data(), segment.size());
  try {
    d.AnalysisSegment();
  } catch (const E& e) {
    return e;
  }
  ADD_FAILURE() << "nothing of the expected class was thrown";
  return E{};
}

TEST(JpegMarkers, SegmentFailuresCarryTheirMembers) {
  for (int m : {0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF, 0xDE, 0xDF}) {
    const auto e = SegmentThrows<ENotSupported>({0xFF, static_cast<std::uint8_t>(m), 0, 11});
    EXPECT_EQ(e.code, m);
    EXPECT_EQ(e.position, 2);
  }
  for (int m : {0xC8, 0xD0, 0xD7, 0xD8, 0xF0, 0xFD, 0x05}) {
    const auto e = SegmentThrows<EDataFormatError>({0x00, 0xFF, static_cast<std::uint8_t>(m), 0, 2});
    EXPECT_STREQ(e.what, "Marker error");
    EXPECT_EQ(e.position, 2);
  }
  {
    const auto e = SegmentThrows<ENotSupported>({0xFF, 0xC0, 0, 8, 8, 0, 8, 0, 8, 2});
    EXPECT_EQ(e.code, 0xC0);
  }
  {
    const auto e = SegmentThrows<EDataFormatError>({0xFF, 0xC4, 0, 19, 0x20});
    EXPECT_STREQ(e.what, "AnalysisDHT:Tc");
    EXPECT_EQ(e.position, 4);
  }
  {
    const auto e = SegmentThrows<EDataFormatError>({0xFF, 0xC4, 0, 19, 0x04});
    EXPECT_STREQ(e.what, "AnalysisDHT:Th");
  }
  {
    const auto e = SegmentThrows<EDataFormatError>({0xFF, 0xC4, 0, 19});
    EXPECT_STREQ(e.what, "AnalysisDHT:DHT Length");
    EXPECT_EQ(e.position, 0);
  }
  {
    const auto e = SegmentThrows<EIndexError>({0xFF, 0xDA, 0, 8, 1, 1, 0x30});
    EXPECT_STREQ(e.what, "AnalysisScan:Td Over");
    EXPECT_EQ(e.limit, 2);
    EXPECT_EQ(e.index, 3);
  }
  {
    const auto e = SegmentThrows<EIndexError>({0xFF, 0xDA, 0, 8, 1, 1, 0x03});
    EXPECT_STREQ(e.what, "AnalysisScan:Ta Over");
    EXPECT_EQ(e.index, 3);
  }
  {
    const auto e = SegmentThrows<EBufferError>({0xFF, 0xDB, 0, 67, 0x00, 1, 2});
    EXPECT_STREQ(e.where, "GetByte");
  }
}

TEST(JpegMarkers, SegmentValues) {
  const struct {
    std::vector<std::uint8_t> bytes;
    std::uint32_t value;
  } cases[] = {
      {{0xFF, 0xC4, 0, 2, 0xFF, 0xD9}, 1},  // empty DHT
      {{0xFF, 0xD9}, 0},
      {{0xFF, 0xDD, 0, 4, 0x01, 0x02}, 0},
      {{0xFF, 0xDC, 0, 4, 0x00, 0x30}, 0},
      {{0xFF, 0xFE, 0, 2}, 8},
      {{0xFF, 0xEA, 0, 3, 9}, 0},
  };
  for (const auto& c : cases) {
    CJpegDecoder d;
    d.state = 1;
    d.reader = std::make_unique<CJpegStream>(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(d.AnalysisSegment(), c.value);
    if (c.bytes[1] == 0xD9) {
      EXPECT_EQ(d.state, 0u);
    } else if (c.bytes[1] == 0xDD) {
      EXPECT_EQ(d.restartInterval, 0x0102);
    } else if (c.bytes[1] == 0xDC) {
      EXPECT_EQ(d.Y, 0x30);
    }
  }
}

// A valid 16x16 4:2:0 file to break in various ways.
std::vector<std::uint8_t> GoodFile(TestPicture* out = nullptr) {
  TestPicture p = Colour(16, 16, 2, 2);
  std::mt19937 rng(9);
  jpegtest::FillRandomBlocks(p, rng, 0.3);
  if (out) *out = p;
  return BuildJpeg(p);
}

// Offset of the first marker `m` at or after `from`.
std::size_t FindMarker(const std::vector<std::uint8_t>& b, std::uint8_t m, std::size_t from = 2) {
  for (std::size_t i = from; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == m) return i;
  return b.size();
}

TEST(JpegFailures, EntryPointResults) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    int header;
    int decode;  // when the header passed
  };
  std::vector<Case> cases;
  const std::vector<std::uint8_t> good = GoodFile();
  const std::size_t sof = FindMarker(good, 0xC0);
  const std::size_t sos = FindMarker(good, 0xDA);
  const std::size_t dht = FindMarker(good, 0xC4);
  auto patched = [&](std::size_t at, std::uint8_t v) {
    std::vector<std::uint8_t> b = good;
    b.at(at) = v;
    return b;
  };
  cases.push_back({"empty", {}, -2, 0});
  cases.push_back({"no SOI", std::vector<std::uint8_t>(good.begin() + 2, good.begin() + static_cast<long>(sof)), -2, 0});
  cases.push_back({"not a JPEG", {'G', 'I', 'F', '8', '9', 'a', 0, 0}, -2, 0});
  cases.push_back({"SOF1", patched(sof + 1, 0xC1), -2, 0});
  cases.push_back({"SOF2 (progressive)", patched(sof + 1, 0xC2), -2, 0});
  cases.push_back({"SOF3 (lossless)", patched(sof + 1, 0xC3), -2, 0});
  cases.push_back({"SOF9 (arithmetic)", patched(sof + 1, 0xC9), -2, 0});
  cases.push_back({"two components", patched(sof + 9, 2), -2, 0});
  cases.push_back({"DHT class 2", patched(dht + 4, 0x20), -2, 0});
  cases.push_back({"DHT id 4", patched(dht + 4, 0x04), -2, 0});
  cases.push_back({"scan Td 3", patched(sos + 6, 0x30), -2, 0});
  cases.push_back({"scan Ns 4", patched(sos + 4, 4), -2, 0});
  cases.push_back({"unknown marker", patched(sos + 1, 0xC8), -2, 0});
  cases.push_back({"ends in the header", std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(sos) + 5), -2, 0});
  // Decode failures.
  cases.push_back({"ends in the data", std::vector<std::uint8_t>(good.begin(), good.end() - 12), 0, -1});
  cases.push_back({"Tq 4", patched(sof + 12, 4), 0, -1});
  cases.push_back({"H of 0", patched(sof + 14, 0x01), 0, -2});
  cases.push_back({"V of 0", patched(sof + 11, 0x20), 0, -2});
  cases.push_back({"width 0", patched(sof + 8, 0), 0, -2});
  cases.push_back({"height 0 (DNL)", patched(sof + 6, 0), 0, -2});
  {
    // A first scan of one component of three (a non-interleaved file):
    // decoding it as all three would give a wrong picture.
    std::vector<std::uint8_t> b = good;
    b.at(sos + 3) = 8;  // Ls = 6 + 2 x Ns
    b.at(sos + 4) = 1;
    b.erase(b.begin() + static_cast<long>(sos) + 7, b.begin() + static_cast<long>(sos) + 11);
    cases.push_back({"one of three components in the scan", b, 0, -2});
  }
  {
    std::vector<std::uint8_t> b = good;
    b.insert(b.begin() + static_cast<long>(b.size()) - 8, {0xFF, 0xD9});
    cases.push_back({"EOI inside the data", b, 0, -2});
  }
  {
    std::vector<std::uint8_t> b(good.begin(), good.begin() + static_cast<long>(sof));
    b.insert(b.end(), {0xFF, 0xD9});
    cases.push_back({"EOI before the frame", b, 0, -2});
  }
  {
    const std::vector<std::uint8_t> b = {0xFF, 0xD8, 0xFF, 0xE1, 0, 2, 0xFF, 0xD9};
    cases.push_back({"no tables at all", b, 0, -2});
  }
  {
    // 65535 x 65535 would need 12 GiB of planes.
    std::vector<std::uint8_t> b = patched(sof + 5, 0xFF);
    b[sof + 6] = 0xFF;
    b[sof + 7] = 0xFF;
    b[sof + 8] = 0xFF;
    cases.push_back({"too large", b, 0, -1});
  }
  {
    // The third DC table defined as table 3 instead, and the scan asks for
    // table 2.
    std::vector<std::uint8_t> b = patched(sos + 6, 0x20);
    const std::size_t third = FindMarker(b, 0xC4, FindMarker(b, 0xC4, dht + 2) + 2);
    ASSERT_EQ(b.at(third + 4), 0x02);
    b[third + 4] = 0x03;
    cases.push_back({"undefined table", b, 0, -2});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CJpegDecoder d;
    const DecodeResult r = DecodeBytes(d, c.bytes);
    EXPECT_EQ(r.header, c.header);
    if (c.header == 0) {
      EXPECT_EQ(r.decode, c.decode);
      for (auto& plane : d.mRgbP) EXPECT_EQ(plane, nullptr);
      for (auto& u : d.unit) EXPECT_EQ(u, nullptr);
    }
    d.ReleaseTables();
  }
}

TEST(JpegFailures, UnitsAreReleasedAfterSuccessToo) {
  CJpegDecoder d;
  ASSERT_EQ(DecodeBytes(d, GoodFile()).decode, 0);
  for (auto& u : d.unit) EXPECT_EQ(u, nullptr);
}

}  // namespace
