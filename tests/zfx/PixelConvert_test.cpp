#include "zfx/PixelConvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "zfx/PixelFormat.h"
#include "zfx/Tiling.h"

namespace zfx {
namespace {

using Bytes = std::vector<std::uint8_t>;

CConversionContext Context(std::uint32_t w, std::uint32_t h, std::int32_t platform) {
  CConversionContext c;
  c.width = w;
  c.height = h;
  c.platform = platform;
  c.bigEndian = IsBigEndianPlatform(platform);
  c.option = platform;
  return c;
}

Bytes DecodeBytes(std::int32_t format, const Bytes& data, const CConversionContext& c) {
  Bytes out;
  EXPECT_TRUE(DecodeToBytes(format, data, c, out));
  return out;
}
Bytes EncodeBytes(std::int32_t format, const Bytes& values, const CConversionContext& c) {
  Bytes out;
  EXPECT_TRUE(EncodeFromBytes(format, values, c, out));
  return out;
}

// A picture with every channel varying, the same on every call.
Bytes Pattern(std::uint32_t w, std::uint32_t h) {
  Bytes p(std::size_t{w} * h * 4);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::uint8_t(i * 37 + (i >> 2) * 11 + 5);
  return p;
}

TEST(HalfFloat, DecodeRebiasesWithoutSpecialCases) {
  EXPECT_EQ(HalfToFloat(0x3C00), 1.0f);
  EXPECT_EQ(HalfToFloat(0x0000), std::ldexp(1.0f, -15));
  EXPECT_EQ(HalfToFloat(0x8000), -std::ldexp(1.0f, -15));
  EXPECT_EQ(HalfToFloat(0xC000), -2.0f);
  EXPECT_EQ(HalfToFloat(0x3555), 0x1.554p-2f);
  // The largest exponent is not infinity here.
  EXPECT_EQ(HalfToFloat(0x7C00), 65536.0f);
}

TEST(HalfFloat, EncodeTruncatesAndSaturates) {
  struct Case {
    float value;
    std::uint16_t half;
  } cases[] = {
      {0.0f, 0x0000},
      {-0.0f, 0x8000},
      {1.0f, 0x3C00},
      {-2.0f, 0xC000},
      {1.0f + 0x1p-10f, 0x3C01},
      {1.0f + 0x1p-11f, 0x3C00},        // truncated, not rounded
      {1.0f + 0x1.ffp-11f, 0x3C00},
      {65536.0f, 0x7C00},
      {0x1p17f, 0x7C00},                // exponent field 144: infinity
      {-0x1p20f, 0xFC00},
      {0x1p-16f, 0x0200},               // c = -1: a denormal
      {0x1p-33f, 0x0000},               // exponent field 94: the last denormal shift
      {0x1p-34f, 0x0000},               // exponent field 93: zero
      {-0x1p-40f, 0x8000},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToHalf(c.value), c.half) << c.value;
}

TEST(ChannelBytes, ClampAndTruncate) {
  EXPECT_EQ(ChannelToByte(0.5f), 127);
  EXPECT_EQ(ChannelToByte(1.0f), 255);
  EXPECT_EQ(ChannelToByte(1.7f), 255);
  EXPECT_EQ(ChannelToByte(-0.2f), 0);
  EXPECT_EQ(ChannelToByte(std::nanf("")), 0);
  EXPECT_EQ(ChannelToByte(10.0f / 255.0f), 10);
}

TEST(Convert32Bit, ByteOrdersOfTheStoredPixel) {
  struct Case {
    std::int32_t format;
    bool bigEndian;
    Bytes stored;
    Bytes rgba;
  } cases[] = {
      {TQR_PIXEL_FORMAT_BGRA8, false, {10, 20, 30, 40}, {30, 20, 10, 40}},
      {TQR_PIXEL_FORMAT_BGRA8, true, {40, 30, 20, 10}, {30, 20, 10, 40}},
      {TQR_PIXEL_FORMAT_RGBA8, false, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {TQR_PIXEL_FORMAT_RGBA8, true, {4, 3, 2, 1}, {1, 2, 3, 4}},
      {TQR_PIXEL_FORMAT_BGRX8, false, {1, 2, 3, 0}, {3, 2, 1, 255}},
      {TQR_PIXEL_FORMAT_BGRX8, true, {7, 3, 2, 1}, {3, 2, 1, 255}},
  };
  for (const Case& c : cases) {
    CConversionContext ctx = Context(1, 1, 0);
    ctx.bigEndian = c.bigEndian;
    EXPECT_EQ(DecodeBytes(c.format, c.stored, ctx), c.rgba) << c.format << " " << c.bigEndian;
    std::vector<float> floats;
    ASSERT_TRUE(DecodeToFloats(c.format, c.stored, ctx, floats));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(floats[i], c.rgba[i] / 255.0f);
    if (c.format != TQR_PIXEL_FORMAT_BGRX8) {
      EXPECT_EQ(EncodeBytes(c.format, c.rgba, ctx), c.stored);
    }
  }
}

TEST(Convert32Bit, FourByFourBgra8FromTheEdgeCases) {
  Bytes stored;
  for (int i = 0; i < 16; ++i) stored.insert(stored.end(), {10, 20, 30, 40});
  std::vector<float> floats;
  ASSERT_TRUE(DecodeToFloats(TQR_PIXEL_FORMAT_BGRA8, stored, Context(4, 4, 0), floats));
  ASSERT_EQ(floats.size(), 64u);
  EXPECT_EQ(floats[0], 30 / 255.0f);
  EXPECT_EQ(floats[1], 20 / 255.0f);
  EXPECT_EQ(floats[2], 10 / 255.0f);
  EXPECT_EQ(floats[63], 40 / 255.0f);
}

TEST(Convert16Bit, FieldsWithoutBitReplication) {
  struct Case {
    std::int32_t format;
    std::uint16_t value;
    Bytes rgba;
  } cases[] = {
      {TQR_PIXEL_FORMAT_B5G6R5, 0xFFFF, {248, 252, 248, 255}},
      {TQR_PIXEL_FORMAT_B5G6R5, 0x001F, {0, 0, 248, 255}},
      {TQR_PIXEL_FORMAT_R5G6B5, 0x001F, {248, 0, 0, 255}},
      {TQR_PIXEL_FORMAT_B5G5R5A1, 0x8000, {0, 0, 0, 255}},
      {TQR_PIXEL_FORMAT_B5G5R5A1, 0x7C00, {248, 0, 0, 0}},
      {TQR_PIXEL_FORMAT_R5G5B5A1, 0x83E0, {0, 248, 0, 255}},
      {TQR_PIXEL_FORMAT_B4G4R4A4, 0x1234, {0x20, 0x30, 0x40, 0x10}},
      {TQR_PIXEL_FORMAT_R4G4B4A4, 0x1234, {0x40, 0x30, 0x20, 0x10}},
  };
  for (const Case& c : cases) {
    for (bool be : {false, true}) {
      CConversionContext ctx = Context(1, 1, 0);
      ctx.bigEndian = be;
      const Bytes stored = be ? Bytes{std::uint8_t(c.value >> 8), std::uint8_t(c.value)}
                              : Bytes{std::uint8_t(c.value), std::uint8_t(c.value >> 8)};
      EXPECT_EQ(DecodeBytes(c.format, stored, ctx), c.rgba) << c.format;
      EXPECT_EQ(EncodeBytes(c.format, c.rgba, ctx), stored) << c.format;
    }
  }
  // Encoding keeps each channel's top bits.
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_B5G6R5, {0xFF, 0x07, 0x08, 0}, Context(1, 1, 0)),
            (Bytes{0x21, 0xF8}));
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_B5G5R5A1, {0, 0, 0, 0x80}, Context(1, 1, 0)), (Bytes{0, 0x80}));
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_B5G5R5A1, {0, 0, 0, 0x7F}, Context(1, 1, 0)), (Bytes{0, 0}));
}

// Platform 3's own formats on single pixels (one pixel is its own tile).
TEST(ConvertPlatform3, LuminanceAndTwoModeFormats) {
  struct Case {
    std::int32_t format;
    Bytes stored;
    Bytes rgba;
  } cases[] = {
      {TQR_PIXEL_FORMAT_TILE_B5G5R5A3, {0xFC, 0x1F}, {248, 0, 248, 255}},   // 5-bit mode
      {TQR_PIXEL_FORMAT_TILE_B5G5R5A3, {0x5A, 0x3C}, {0xA0, 0x30, 0xC0, 160}},  // 4-bit mode, alpha 5
      {TQR_PIXEL_FORMAT_TILE_LA8, {0x80, 0xFF}, {255, 255, 255, 128}},      // alpha in the high byte
      {TQR_PIXEL_FORMAT_TILE_LA4, {0x5A}, {0xA0, 0xA0, 0xA0, 0x50}},
      {TQR_PIXEL_FORMAT_TILE_L8, {0x42}, {0x42, 0x42, 0x42, 255}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeBytes(c.format, c.stored, Context(1, 1, 3)), c.rgba) << c.format;
    EXPECT_EQ(EncodeBytes(c.format, c.rgba, Context(1, 1, 3)), c.stored) << c.format;
  }
  // Luminance is taken from the colour with the usual weights.
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_TILE_L8, {255, 0, 0, 255}, Context(1, 1, 3)), Bytes{76});
}

TEST(ConvertFloatFormats, Rgba16fAndRgba32f) {
  const Bytes halves = {0x3C, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x38, 0x00};  // 1, 2^-15, -2, 0.5
  std::vector<float> f;
  ASSERT_TRUE(DecodeToFloats(TQR_PIXEL_FORMAT_RGBA16F, halves, Context(1, 1, 1), f));
  EXPECT_EQ(f, (std::vector<float>{1.0f, std::ldexp(1.0f, -15), -2.0f, 0.5f}));
  Bytes back;
  ASSERT_TRUE(EncodeFromFloats(TQR_PIXEL_FORMAT_RGBA16F, f, Context(1, 1, 1), back));
  EXPECT_EQ(back, (Bytes{0x3C, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x38, 0x00}));
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_RGBA16F, halves, Context(1, 1, 1)), (Bytes{255, 0, 0, 127}));

  const std::vector<float> values = {0.25f, -1.5f, 3.0f, 1.0f};
  Bytes stored;
  ASSERT_TRUE(EncodeFromFloats(TQR_PIXEL_FORMAT_RGBA32F, values, Context(1, 1, 0), stored));
  ASSERT_EQ(stored.size(), 16u);
  EXPECT_EQ(stored[0], 0x00);  // 0.25 = 0x3E800000, least significant byte first
  EXPECT_EQ(stored[3], 0x3E);
  ASSERT_TRUE(DecodeToFloats(TQR_PIXEL_FORMAT_RGBA32F, stored, Context(1, 1, 0), f));
  EXPECT_EQ(f, values);
}

TEST(ConvertFloatFormats, Rgb10fa2fFields) {
  // red 1023, green 512, blue 4, alpha 2
  const std::uint32_t v = 1023u | (512u << 10) | (4u << 20) | (2u << 30);
  const Bytes stored = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
  std::vector<float> f;
  ASSERT_TRUE(DecodeToFloats(TQR_PIXEL_FORMAT_RGB10FA2F, stored, Context(1, 1, 0), f));
  EXPECT_EQ(f, (std::vector<float>{1.0f, 512.0f / 1023.0f, 4.0f / 1023.0f, 2.0f / 3.0f}));
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_RGB10FA2F, stored, Context(1, 1, 0)), (Bytes{255, 128, 1, 128}));
  const Bytes encoded = EncodeBytes(TQR_PIXEL_FORMAT_RGB10FA2F, {255, 128, 1, 200}, Context(1, 1, 0));
  const std::uint32_t e = encoded[0] | (encoded[1] << 8) | (encoded[2] << 16) | (std::uint32_t(encoded[3]) << 24);
  EXPECT_EQ(e, (255u << 2) | ((128u << 2) << 10) | ((1u << 2) << 20) | (3u << 30));
}

// Independent DXT1 decoder for one block, written from the format's
// definition, to check libsquish's path through our block walk.
void ReferenceDxt1Block(const std::uint8_t* b, std::uint8_t out[16][4]) {
  const unsigned c0 = b[0] | (b[1] << 8), c1 = b[2] | (b[3] << 8);
  auto expand = [](unsigned c, std::uint8_t* px) {
    const unsigned r = (c >> 11) & 31, g = (c >> 5) & 63, bl = c & 31;
    px[0] = std::uint8_t((r << 3) | (r >> 2));
    px[1] = std::uint8_t((g << 2) | (g >> 4));
    px[2] = std::uint8_t((bl << 3) | (bl >> 2));
    px[3] = 255;
  };
  std::uint8_t pal[4][4];
  expand(c0, pal[0]);
  expand(c1, pal[1]);
  for (int k = 0; k < 3; ++k) {
    if (c0 > c1) {
      pal[2][k] = std::uint8_t((2 * pal[0][k] + pal[1][k]) / 3);
      pal[3][k] = std::uint8_t((pal[0][k] + 2 * pal[1][k]) / 3);
    } else {
      pal[2][k] = std::uint8_t((pal[0][k] + pal[1][k]) / 2);
      pal[3][k] = 0;
    }
  }
  pal[2][3] = 255;
  pal[3][3] = c0 > c1 ? 255 : 0;
  for (int i = 0; i < 16; ++i) std::memcpy(out[i], pal[(b[4 + i / 4] >> (2 * (i % 4))) & 3], 4);
}

TEST(ConvertDxt, Dxt1DecodeAgreesWithReferenceDecoder) {
  const std::uint32_t w = 8, h = 4;
  Bytes blocks = {0x00, 0xF8, 0x1F, 0x00, 0x1B, 0xE4, 0x4E, 0xB1,   // opaque: c0 > c1
                  0x1F, 0x00, 0xE0, 0x07, 0xFF, 0x00, 0x55, 0xAA};  // three colours + transparent
  const Bytes decoded = DecodeBytes(TQR_PIXEL_FORMAT_DXT1, blocks, Context(w, h, 0));
  ASSERT_EQ(decoded.size(), w * h * 4);
  for (int bi = 0; bi < 2; ++bi) {
    std::uint8_t ref[16][4];
    ReferenceDxt1Block(&blocks[bi * 8], ref);
    for (int i = 0; i < 16; ++i) {
      const std::size_t x = bi * 4 + i % 4, y = i / 4;
      for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(decoded[(y * w + x) * 4 + k], ref[i][k], 1) << "block " << bi << " pixel " << i;
    }
  }
}

TEST(ConvertDxt, SmallLevelsAreNull) {
  const Bytes stored(8, 0xFF);
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_DXT1, stored, Context(2, 2, 0)), Bytes(16, 0));
  // Zero bytes of the level's whole stored size, so the file stays readable.
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_DXT5, Bytes(16, 200), Context(2, 2, 0)), Bytes(16, 0));
}

TEST(ConvertDxt, PlatformPreparationOfBlockData) {
  const Bytes picture = Pattern(4, 4);
  const Bytes plain = EncodeBytes(TQR_PIXEL_FORMAT_DXT5, picture, Context(4, 4, 0));
  ASSERT_EQ(plain.size(), 16u);
  Bytes swapped16 = plain;
  for (std::size_t i = 0; i < 16; i += 2) std::swap(swapped16[i], swapped16[i + 1]);
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_DXT5, picture, Context(4, 4, 2)), swapped16);
  Bytes halves = plain;
  for (std::size_t i = 0; i < 16; i += 8)
    std::swap_ranges(halves.begin() + i, halves.begin() + i + 4, halves.begin() + i + 4);
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_DXT5, picture, Context(4, 4, 4)), halves);
  const Bytes decoded = DecodeBytes(TQR_PIXEL_FORMAT_DXT5, plain, Context(4, 4, 0));
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_DXT5, swapped16, Context(4, 4, 2)), decoded);
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_DXT5, halves, Context(4, 4, 4)), decoded);
}

TEST(ConvertDxt, NormalMaps) {
  const std::vector<CG1TExtraRecord> normal = {{kExtraTagNormalMap, 1, 0, {1}}};
  Bytes picture(64);
  for (int i = 0; i < 16; ++i) {
    picture[i * 4 + 0] = 255;  // red: x at its maximum
    picture[i * 4 + 1] = 128;
    picture[i * 4 + 2] = 0;
    picture[i * 4 + 3] = 64;
  }
  CConversionContext ctx = Context(4, 4, 0);
  ctx.extraRecords = &normal;
  const Bytes stored = EncodeBytes(TQR_PIXEL_FORMAT_DXT5, picture, ctx);
  // Blue was set to 255 before compression: without the record it decodes so.
  const Bytes raw = DecodeBytes(TQR_PIXEL_FORMAT_DXT5, stored, Context(4, 4, 0));
  EXPECT_GE(raw[2], 250);

  struct Case {
    std::int32_t option;
    bool swapRedAlpha;
    bool rebuildBlue;
  } cases[] = {{0, false, true}, {1, false, true}, {2, true, false}, {3, true, true}, {4, true, true}, {7, false, false}};
  for (const Case& c : cases) {
    ctx.option = c.option;
    const Bytes out = DecodeBytes(TQR_PIXEL_FORMAT_DXT5, stored, ctx);
    const std::uint8_t r = c.swapRedAlpha ? raw[3] : raw[0];
    const std::uint8_t a = c.swapRedAlpha ? raw[0] : raw[3];
    EXPECT_EQ(out[0], r) << c.option;
    EXPECT_EQ(out[3], a) << c.option;
    if (c.rebuildBlue) {
      const float x = r / 255.0f - 0.5f, y = raw[1] / 255.0f - 0.5f;
      EXPECT_EQ(out[2], std::uint8_t((1.0f - std::sqrt(x * x + y * y)) * 255.0f)) << c.option;
    } else {
      EXPECT_EQ(out[2], raw[2]) << c.option;
    }
  }
  // DXT3 never takes the normal-map handling.
  ctx.option = 2;
  const Bytes dxt3 = EncodeBytes(TQR_PIXEL_FORMAT_DXT3, picture, ctx);
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_DXT3, dxt3, ctx), DecodeBytes(TQR_PIXEL_FORMAT_DXT3, dxt3, Context(4, 4, 0)));
  EXPECT_LE(DecodeBytes(TQR_PIXEL_FORMAT_DXT3, dxt3, ctx)[2], 8);
}

TEST(ConvertNull, FormatsWithoutConverters) {
  // R32F has no converter anywhere; TILE_ formats of platforms 2 and 4 have
  // no tiling; DXT3 is not in platform 3's set.
  struct Case {
    std::int32_t format;
    std::int32_t platform;
  } cases[] = {{TQR_PIXEL_FORMAT_R32F, 0}, {TQR_PIXEL_FORMAT_R32F, 3}, {TQR_PIXEL_FORMAT_A8, 1},
               {TQR_PIXEL_FORMAT_TILE_RGBA8, 2}, {TQR_PIXEL_FORMAT_TILE_RGBA8, 4},
               {TQR_PIXEL_FORMAT_DXT3, 3}, {TQR_PIXEL_FORMAT_BGRX8, 4}};
  for (const Case& c : cases) {
    const CConversionContext ctx = Context(8, 8, c.platform);
    const Bytes stored(GetEncodedSize(8, 8, c.format), 0xA5);
    EXPECT_EQ(DecodeBytes(c.format, stored, ctx), Bytes(256, 0)) << c.format << " on " << c.platform;
    EXPECT_EQ(EncodeBytes(c.format, Pattern(8, 8), ctx), Bytes(stored.size(), 0)) << c.format;
  }
  // Platform 4's BGRX8 decodes to floats only.
  std::vector<float> f;
  ASSERT_TRUE(DecodeToFloats(TQR_PIXEL_FORMAT_BGRX8, Bytes{1, 2, 3, 4}, Context(1, 1, 4), f));
  EXPECT_EQ(f, (std::vector<float>{3 / 255.0f, 2 / 255.0f, 1 / 255.0f, 1.0f}));
}

TEST(ConvertLimits, ShortInputAndHugeLevelsFail) {
  Bytes out;
  EXPECT_FALSE(DecodeToBytes(TQR_PIXEL_FORMAT_BGRA8, Bytes(15), Context(2, 2, 0), out));
  EXPECT_FALSE(DecodeToBytes(TQR_PIXEL_FORMAT_DXT1, Bytes(7), Context(4, 4, 0), out));
  EXPECT_FALSE(EncodeFromBytes(TQR_PIXEL_FORMAT_BGRA8, Bytes(15), Context(2, 2, 0), out));
  std::vector<float> f;
  EXPECT_FALSE(EncodeFromFloats(TQR_PIXEL_FORMAT_RGBA16F, std::vector<float>(15), Context(2, 2, 0), out));
  EXPECT_FALSE(DecodeToFloats(TQR_PIXEL_FORMAT_R32F, Bytes(16), Context(32768, 32768, 0), f));
  EXPECT_TRUE(f.empty());
}

// A 1 x 1 level of a half-byte format has an encoded size of 0 bytes; its
// one pixel reads as zero instead of from beyond the data.
TEST(ConvertLimits, HalfBytePixelWithoutStoredByte) {
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_INDEX4, {}, Context(1, 1, 4)), Bytes{0});
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_TILE_INDEX4, {}, Context(1, 1, 3)), Bytes{0});
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_TILE_L4, {}, Context(1, 1, 3)), (Bytes{0, 0, 0, 255}));
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_INDEX4, {7}, Context(1, 1, 4)), Bytes{});
  EXPECT_EQ(EncodeBytes(TQR_PIXEL_FORMAT_TILE_L4, {9, 9, 9, 9}, Context(1, 1, 3)), Bytes{});
}

TEST(ConvertIndexed, IndicesThroughBytes) {
  const Bytes indices = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0};
  const Bytes stored = EncodeBytes(TQR_PIXEL_FORMAT_INDEX4, indices, Context(4, 4, 4));
  EXPECT_EQ(stored, (Bytes{0x21, 0x43, 0x65, 0x87, 0xA9, 0xCB, 0xED, 0x0F}));
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_INDEX4, stored, Context(4, 4, 4)), indices);
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_INDEX8, indices, Context(4, 4, 4)), indices);
  // Floats carry no indices.
  std::vector<float> f;
  ASSERT_TRUE(DecodeToFloats(TQR_PIXEL_FORMAT_INDEX8, indices, Context(4, 4, 4), f));
  EXPECT_EQ(f, std::vector<float>(64, 0.0f));
}

// ---------------------------------------------------------------------------
// Tiling.

// A level whose 32-bit pixels hold their own row-order index.
Bytes Numbered32(std::uint32_t n) {
  Bytes b(n * 4);
  for (std::uint32_t i = 0; i < n; ++i) b[i * 4] = std::uint8_t(i);
  return b;
}

TEST(TilingPlatform1, SquareBlocksInZOrder) {
  struct Case {
    std::uint32_t w, h;
    std::vector<int> order;  // row-order pixel at each stored position
  } cases[] = {
      // Square: blocks of half the width, each in Z-order.
      {4, 4, {0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15}},
      // Wide: blocks of the height, left to right.
      {8, 2, {0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15}},
      // Tall: rows of blocks from the top.
      {2, 4, {0, 1, 2, 3, 4, 5, 6, 7}},
      // A square below 3 pixels is one block; a side of 1 is row order.
      {2, 2, {0, 1, 2, 3}},
      {4, 1, {0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    const std::uint32_t n = c.w * c.h;
    Bytes tiled;
    ASSERT_TRUE(TileLevel(1, TQR_PIXEL_FORMAT_TILE_RGBA8, c.w, c.h, true, Numbered32(n), tiled));
    ASSERT_EQ(tiled.size(), n * 4);
    for (std::uint32_t t = 0; t < n; ++t) EXPECT_EQ(tiled[t * 4], c.order[t]) << c.w << "x" << c.h << " at " << t;
    Bytes back;
    ASSERT_TRUE(UntileLevel(1, TQR_PIXEL_FORMAT_TILE_RGBA8, c.w, c.h, true, tiled, back));
    EXPECT_EQ(back, Numbered32(n));
  }
  // 8 x 8: quadrants of 4 x 4, Z-order inside.
  Bytes tiled;
  ASSERT_TRUE(TileLevel(1, TQR_PIXEL_FORMAT_TILE_RGBA8, 8, 8, true, Numbered32(64), tiled));
  EXPECT_EQ(tiled[4 * 4], 2);    // second 2 x 2 of the first quadrant
  EXPECT_EQ(tiled[16 * 4], 4);   // second quadrant starts at column 4
  EXPECT_EQ(tiled[19 * 4], 13);
  EXPECT_EQ(tiled[32 * 4], 32);  // third quadrant starts at row 4
}

TEST(TilingPlatform3, ThirtyTwoBitTilesSplitAlphaRedFromGreenBlue) {
  // 8 x 4 pixels: two 4 x 4 tiles. Pixel i is A=i, R=100+i, G=150+i, B=200+i,
  // stored big-endian in row order as A R G B.
  const std::uint32_t w = 8, h = 4;
  Bytes rowOrder(w * h * 4);
  for (std::uint32_t i = 0; i < w * h; ++i) {
    rowOrder[i * 4 + 0] = std::uint8_t(i);
    rowOrder[i * 4 + 1] = std::uint8_t(100 + i);
    rowOrder[i * 4 + 2] = std::uint8_t(150 + i);
    rowOrder[i * 4 + 3] = std::uint8_t(200 + i);
  }
  Bytes tiled;
  ASSERT_TRUE(TileLevel(3, TQR_PIXEL_FORMAT_TILE_BGRA8, w, h, true, rowOrder, tiled));
  ASSERT_EQ(tiled.size(), 128u);
  // First tile, pixel 0 of tile row 1 is row-order pixel 8.
  EXPECT_EQ(tiled[0], 0);
  EXPECT_EQ(tiled[1], 100);
  EXPECT_EQ(tiled[8], 8);
  EXPECT_EQ(tiled[32], 150);
  EXPECT_EQ(tiled[33], 200);
  // Second tile starts with pixel 4.
  EXPECT_EQ(tiled[64], 4);
  EXPECT_EQ(tiled[96], 154);
  Bytes back;
  ASSERT_TRUE(UntileLevel(3, TQR_PIXEL_FORMAT_TILE_BGRA8, w, h, true, tiled, back));
  EXPECT_EQ(back, rowOrder);
  // Through the converter: the pixel keeps its colour.
  const Bytes rgba = DecodeBytes(TQR_PIXEL_FORMAT_TILE_BGRA8, tiled, Context(w, h, 3));
  EXPECT_EQ((Bytes(rgba.begin(), rgba.begin() + 4)), (Bytes{100, 150, 200, 0}));
}

TEST(TilingPlatform3, SmallerTilesAndHalfBytes) {
  // 8-bit formats use 8 x 4 tiles: in a 16 x 4 level, stored byte 8 is
  // row-order pixel 16 (row 1 of the first tile).
  Bytes rowOrder(64);
  for (int i = 0; i < 64; ++i) rowOrder[i] = std::uint8_t(i);
  Bytes tiled;
  ASSERT_TRUE(TileLevel(3, TQR_PIXEL_FORMAT_TILE_L8, 16, 4, true, rowOrder, tiled));
  EXPECT_EQ(tiled[8], 16);
  EXPECT_EQ(tiled[32], 8);
  // 4-bit formats: 8 x 8 tiles, the first pixel of a byte in its high nibble.
  Bytes l4(32);
  l4[0] = 0x21;  // row order: pixel 0 = 1, pixel 1 = 2
  l4[4] = 0x43;  // row 1: pixels 8 and 9
  ASSERT_TRUE(TileLevel(3, TQR_PIXEL_FORMAT_TILE_L4, 8, 8, true, l4, tiled));
  EXPECT_EQ(tiled[0], 0x12);
  EXPECT_EQ(tiled[4], 0x34);
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_TILE_L4, tiled, Context(8, 8, 3))[4], 0x20);
  // 16-bit formats: 4 x 4 tiles of big-endian values.
  Bytes v16(8 * 4 * 2);
  for (std::size_t i = 0; i < v16.size(); ++i) v16[i] = std::uint8_t(i);
  ASSERT_TRUE(TileLevel(3, TQR_PIXEL_FORMAT_TILE_B5G6R5, 8, 4, true, v16, tiled));
  EXPECT_EQ(tiled[8], 16);  // tile row 1 = row-order pixel 8
  EXPECT_EQ(tiled[32], 8);  // second tile = pixel 4
}

TEST(TilingPlatform3, Dxt1TilesOfFourSwappedBlocks) {
  // 16 x 8 pixels: 4 x 2 blocks, two 8 x 8 tiles.
  Bytes rowOrder(8 * 8);
  for (int b = 0; b < 8; ++b) {
    rowOrder[b * 8 + 0] = std::uint8_t(b);  // colour 0 low byte
    rowOrder[b * 8 + 1] = 0xA0;
    rowOrder[b * 8 + 4] = 0x1B;  // indices 3, 2, 1, 0
  }
  Bytes tiled;
  ASSERT_TRUE(TileLevel(3, TQR_PIXEL_FORMAT_TILE_DXT1, 16, 8, true, rowOrder, tiled));
  ASSERT_EQ(tiled.size(), 64u);
  const int blockOrder[] = {0, 1, 4, 5, 2, 3, 6, 7};
  for (int t = 0; t < 8; ++t) {
    EXPECT_EQ(tiled[t * 8 + 0], 0xA0) << t;
    EXPECT_EQ(tiled[t * 8 + 1], blockOrder[t]) << t;
    EXPECT_EQ(tiled[t * 8 + 4], 0xE4) << t;
  }
  Bytes back;
  ASSERT_TRUE(UntileLevel(3, TQR_PIXEL_FORMAT_TILE_DXT1, 16, 8, true, tiled, back));
  EXPECT_EQ(back, rowOrder);
}

TEST(TilingPlatform3, LevelsSmallerThanATileKeepTheirSize) {
  Bytes rowOrder = Pattern(2, 2);
  Bytes tiled, back;
  ASSERT_TRUE(TileLevel(3, TQR_PIXEL_FORMAT_TILE_BGRA8, 2, 2, true, rowOrder, tiled));
  EXPECT_EQ(tiled.size(), 16u);
  ASSERT_TRUE(UntileLevel(3, TQR_PIXEL_FORMAT_TILE_BGRA8, 2, 2, true, tiled, back));
  EXPECT_EQ(back, rowOrder);
}

TEST(Tiling, UnavailablePlatformsAndShortInput) {
  Bytes out;
  EXPECT_FALSE(UntileLevel(2, TQR_PIXEL_FORMAT_TILE_RGBA8, 4, 4, true, Bytes(64), out));
  EXPECT_FALSE(UntileLevel(4, TQR_PIXEL_FORMAT_TILE_RGBA8, 4, 4, false, Bytes(64), out));
  // Missing input reads as zero instead of past the end.
  ASSERT_TRUE(UntileLevel(3, TQR_PIXEL_FORMAT_TILE_BGRA8, 4, 4, true, Bytes(3, 9), out));
  EXPECT_EQ(out.size(), 64u);
  ASSERT_TRUE(UntileLevel(1, TQR_PIXEL_FORMAT_TILE_RGBA8, 4, 4, true, Bytes(3, 9), out));
  EXPECT_EQ(out.size(), 64u);
}

// ---------------------------------------------------------------------------
// Round trips of every format each platform set converts: encoding what a
// decode produced must give the same stored bytes, and the decode must not
// be the null converter's transparent black.

TEST(ConvertRoundTrip, EveryConverterOfEveryPlatform) {
  const std::uint32_t w = 16, h = 8;
  for (std::int32_t platform = 0; platform < kPlatformCount; ++platform) {
    for (std::int32_t format = 0; format < kPixelFormatCount; ++format) {
      const std::uint8_t kinds = GetConverterKinds(platform, format);
      if (!kinds) continue;
      const bool tilingMissing = GetPixelFormatInfo(format)->tiled && (platform == 2 || platform == 4);
      const CConversionContext ctx = Context(w, h, platform);
      SCOPED_TRACE(testing::Message() << GetPixelFormatInfo(format)->name << " on " << platform);
      if (IsIndexedFormat(format)) {
        ASSERT_EQ(kinds & (kDecodeBytes | kEncodeBytes), kDecodeBytes | kEncodeBytes);
        Bytes indices(w * h);
        const unsigned mask = GetPixelFormatInfo(format)->paletteEntries - 1;
        for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = std::uint8_t((i * 7) & mask);
        const Bytes stored = EncodeBytes(format, indices, ctx);
        EXPECT_EQ(stored.size(), GetEncodedSize(w, h, format));
        if (!tilingMissing) {
      EXPECT_EQ(DecodeBytes(format, stored, ctx), indices);
    }
        continue;
      }
      if (kinds & kEncodeBytes) {
        const Bytes first = EncodeBytes(format, Pattern(w, h), ctx);
        ASSERT_EQ(first.size(), GetEncodedSize(w, h, format));
        const Bytes decoded = DecodeBytes(format, first, ctx);
        if (!tilingMissing) {
      EXPECT_NE(decoded, Bytes(w * h * 4, 0));
    }
        // Byte decoding of the float formats truncates, so their stored bytes
        // come back only through floats.
        const std::int32_t c = format;
        const bool floatFormat = c == 3 || c == 4 || c == 12 || c == 13;
        if (!floatFormat) {
          const Bytes second = EncodeBytes(format, decoded, ctx);
          if (GetPixelFormatInfo(format)->block)
            EXPECT_EQ(DecodeBytes(format, second, ctx), decoded);  // libsquish may pick other end points
          else
            EXPECT_EQ(second, first);
        }
      }
      if (kinds & kEncodeFloats) {
        std::vector<float> values(w * h * 4);
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = Pattern(w, h)[i] / 255.0f;
        Bytes stored;
        ASSERT_TRUE(EncodeFromFloats(format, values, ctx, stored));
        ASSERT_EQ(stored.size(), GetEncodedSize(w, h, format));
        std::vector<float> decoded;
        ASSERT_TRUE(DecodeToFloats(format, stored, ctx, decoded));
        Bytes again;
        ASSERT_TRUE(EncodeFromFloats(format, decoded, ctx, again));
        if (GetPixelFormatInfo(format)->block) {
          std::vector<float> decodedAgain;
          ASSERT_TRUE(DecodeToFloats(format, again, ctx, decodedAgain));
          EXPECT_EQ(decodedAgain, decoded);
        } else if (format != TQR_PIXEL_FORMAT_RGB10FA2F) {
          // RGB10FA2F decodes floats as field / 1023 but encodes through
          // bytes, so each float pass may lose one step; its byte path above
          // is exact.
          EXPECT_EQ(again, stored);
        }
        if (format == TQR_PIXEL_FORMAT_RGBA32F || format == TQR_PIXEL_FORMAT_TILE_RGBA32F) {
          if (!tilingMissing) {
      EXPECT_EQ(decoded, values);
    }
        }
      } else if (kinds & kDecodeFloats) {
        std::vector<float> decoded;
        ASSERT_TRUE(DecodeToFloats(format, Bytes(GetEncodedSize(w, h, format), 0x40), ctx, decoded));
        EXPECT_EQ(decoded.size(), w * h * 4);
      }
    }
  }
}

// Formats that hold 8 bits per channel keep every byte exactly.
TEST(ConvertRoundTrip, EightBitChannelsAreExact) {
  const std::int32_t formats[] = {TQR_PIXEL_FORMAT_RGBA8, TQR_PIXEL_FORMAT_BGRA8, TQR_PIXEL_FORMAT_TILE_RGBA8,
                                  TQR_PIXEL_FORMAT_TILE_BGRA8};
  for (std::int32_t platform : {0, 1}) {
    for (std::int32_t format : formats) {
      const CConversionContext ctx = Context(8, 8, platform);
      EXPECT_EQ(DecodeBytes(format, EncodeBytes(format, Pattern(8, 8), ctx), ctx), Pattern(8, 8))
          << format << " on " << platform;
    }
  }
  const CConversionContext ctx = Context(8, 8, 3);
  EXPECT_EQ(DecodeBytes(TQR_PIXEL_FORMAT_TILE_BGRA8, EncodeBytes(TQR_PIXEL_FORMAT_TILE_BGRA8, Pattern(8, 8), ctx), ctx),
            Pattern(8, 8));
}

}  // namespace
}  // namespace zfx
