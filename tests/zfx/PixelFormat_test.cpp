#include "zfx/PixelFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace zfx {
namespace {

TEST(PixelFormatTable, NamesFollowTheEnumeratorsAndShortNames) {
  for (std::int32_t code = 0; code < kPixelFormatCount; ++code) {
    const PixelFormatInfo* info = GetPixelFormatInfo(code);
    ASSERT_NE(info, nullptr) << code;
    EXPECT_EQ(info->code, code);
    const std::string name = info->name;
    ASSERT_EQ(name.rfind("TQR_PIXEL_FORMAT_", 0), 0u) << name;
    if (code >= 52) {
      EXPECT_EQ(info->shortName, nullptr) << code;
    } else if (code == 49) {
      EXPECT_STREQ(info->shortName, "TILE_NDEX4");
    } else {
      ASSERT_NE(info->shortName, nullptr) << code;
      EXPECT_EQ(name.substr(17), info->shortName);
    }
    // Every TILE_ format, and only those, is stored in a platform order.
    EXPECT_EQ(info->tiled, name.find("_TILE_") != std::string::npos) << name;
  }
  EXPECT_EQ(GetPixelFormatInfo(64), nullptr);
  EXPECT_EQ(GetPixelFormatInfo(-1), nullptr);
}

TEST(PixelFormatTable, IndexedAndPaletteColourFormats) {
  const std::int32_t indexed[] = {49, 50, 51, 55, 56, 57, 58, 62, 63};
  const std::int32_t paletteColour[] = {0, 28, 37, 38, 39, 46, 52, 53, 54, 59};
  for (std::int32_t code = 0; code < kPixelFormatCount; ++code) {
    const bool isIndexed = std::find(std::begin(indexed), std::end(indexed), code) != std::end(indexed);
    const bool isPalette =
        std::find(std::begin(paletteColour), std::end(paletteColour), code) != std::end(paletteColour);
    EXPECT_EQ(IsIndexedFormat(code), isIndexed) << code;
    EXPECT_EQ(GetPixelFormatInfo(code)->paletteClass != 0, isPalette) << code;
  }
  EXPECT_EQ(GetPixelFormatInfo(38)->paletteClass, 2);
  EXPECT_EQ(GetPixelFormatInfo(49)->paletteEntries, 16u);
  EXPECT_EQ(GetPixelFormatInfo(51)->paletteEntries, 16384u);
  EXPECT_EQ(GetPixelFormatInfo(63)->paletteEntries, 0xFFFFFFFFu);
}

struct SubstitutionCase {
  std::int32_t format;
  std::int32_t platform;
  std::int32_t expected;
};

TEST(PixelFormatSubstitution, SelectedEntries) {
  const SubstitutionCase cases[] = {
      {TQR_PIXEL_FORMAT_RGBA8, 0, TQR_PIXEL_FORMAT_BGRA8},
      {TQR_PIXEL_FORMAT_BGRA8, 0, TQR_PIXEL_FORMAT_BGRA8},
      {TQR_PIXEL_FORMAT_DXT3, 3, TQR_PIXEL_FORMAT_NONE},
      {TQR_PIXEL_FORMAT_DXT1, 3, TQR_PIXEL_FORMAT_TILE_DXT1},
      {TQR_PIXEL_FORMAT_RGB10FA2F, 1, TQR_PIXEL_FORMAT_RGBA8},
      {TQR_PIXEL_FORMAT_RGB10FA2F, 3, TQR_PIXEL_FORMAT_NONE},
      {TQR_PIXEL_FORMAT_TILE_RGBA16F, 0, TQR_PIXEL_FORMAT_RGBA16F},
      {TQR_PIXEL_FORMAT_TILE_RGBA16F, 4, TQR_PIXEL_FORMAT_TILE_RGBA8},
      {TQR_PIXEL_FORMAT_TILE_BGRA8, 4, TQR_PIXEL_FORMAT_TILE_RGBA8},
      {TQR_PIXEL_FORMAT_B5G6R5, 4, TQR_PIXEL_FORMAT_R5G6B5},
      {TQR_PIXEL_FORMAT_TILE_B5G5R5A1, 3, TQR_PIXEL_FORMAT_TILE_B5G6R5},
      {TQR_PIXEL_FORMAT_BGRX8, 2, TQR_PIXEL_FORMAT_NONE},
      {TQR_PIXEL_FORMAT_BGRX8, 3, TQR_PIXEL_FORMAT_TILE_BGRX8},
      {TQR_PIXEL_FORMAT_TILE_R5G6B5, 1, TQR_PIXEL_FORMAT_TILE_B5G6R5},
      {TQR_PIXEL_FORMAT_R4G4B4A4, 0, TQR_PIXEL_FORMAT_B4G4R4A4},
      {TQR_PIXEL_FORMAT_INDEX8, 3, TQR_PIXEL_FORMAT_TILE_INDEX8},
      {TQR_PIXEL_FORMAT_INDEX8, 4, TQR_PIXEL_FORMAT_INDEX8},
      {TQR_PIXEL_FORMAT_TILE_INDEX4, 0, TQR_PIXEL_FORMAT_NONE},
      {TQR_PIXEL_FORMAT_TILE_LA8, 3, TQR_PIXEL_FORMAT_TILE_LA8},
      {TQR_PIXEL_FORMAT_R32F, 1, TQR_PIXEL_FORMAT_NONE},
      {TQR_PIXEL_FORMAT_RGBA8, 5, TQR_PIXEL_FORMAT_NONE},
      {64, 0, TQR_PIXEL_FORMAT_NONE},
  };
  for (const SubstitutionCase& c : cases) {
    std::int32_t format = c.format;
    const bool kept = IsFormatSupported(format, c.platform);
    EXPECT_EQ(format, c.expected) << c.format << " on " << c.platform;
    EXPECT_EQ(kept, c.format == c.expected && c.expected != TQR_PIXEL_FORMAT_NONE)
        << c.format << " on " << c.platform;
  }
}

// A substitute is what the platform stores, so the platform must keep it.
TEST(PixelFormatSubstitution, EverySubstituteIsKeptByItsPlatform) {
  for (std::int32_t platform = 0; platform < kPlatformCount; ++platform) {
    int kept = 0;
    for (std::int32_t code = 0; code < kPixelFormatCount; ++code) {
      std::int32_t format = code;
      if (IsFormatSupported(format, platform)) ++kept;
      if (format == TQR_PIXEL_FORMAT_NONE) continue;
      std::int32_t again = format;
      EXPECT_TRUE(IsFormatSupported(again, platform)) << code << " -> " << format << " on " << platform;
    }
    const int expectedKept[] = {10, 22, 21, 11, 15};
    EXPECT_EQ(kept, expectedKept[platform]) << platform;
  }
}

TEST(PixelFormatSubstitution, PaletteFormats) {
  const SubstitutionCase cases[] = {
      {TQR_PIXEL_FORMAT_RGBA8, 3, TQR_PIXEL_FORMAT_NONE},
      {TQR_PIXEL_FORMAT_RGBA8, 4, TQR_PIXEL_FORMAT_RGBA8},
      {TQR_PIXEL_FORMAT_BGRA8, 4, TQR_PIXEL_FORMAT_RGBA8},
      {TQR_PIXEL_FORMAT_TILE_B5G6R5, 3, TQR_PIXEL_FORMAT_TILE_B5G6R5},
      {TQR_PIXEL_FORMAT_TILE_B5G6R5, 4, TQR_PIXEL_FORMAT_R5G6B5},
      {TQR_PIXEL_FORMAT_TILE_BG8, 3, TQR_PIXEL_FORMAT_TILE_BG8},
      {TQR_PIXEL_FORMAT_R4G4B4A4, 3, TQR_PIXEL_FORMAT_TILE_B5G6R5},
      {TQR_PIXEL_FORMAT_TILE_B5G5R5A3, 3, TQR_PIXEL_FORMAT_TILE_B5G5R5A3},
      {TQR_PIXEL_FORMAT_RGBA8, 0, TQR_PIXEL_FORMAT_NONE},
      {TQR_PIXEL_FORMAT_R5G6B5, 1, TQR_PIXEL_FORMAT_NONE},
      {TQR_PIXEL_FORMAT_R5G6B5, 2, TQR_PIXEL_FORMAT_NONE},
  };
  for (const SubstitutionCase& c : cases)
    EXPECT_EQ(GetPalettePlatformFormat(c.platform, c.format), c.expected) << c.format << " on " << c.platform;
}

struct SizeCase {
  std::int32_t format;
  std::uint32_t width;
  std::uint32_t height;
  std::uint64_t encoded;
  std::uint64_t counted;
};

TEST(PixelFormatSizes, EncodedAndCounted) {
  const SizeCase cases[] = {
      {TQR_PIXEL_FORMAT_DXT1, 2, 2, 8, 2},
      {TQR_PIXEL_FORMAT_DXT5, 2, 2, 16, 4},
      {TQR_PIXEL_FORMAT_DXT1, 1, 64, 128, 32},
      {TQR_PIXEL_FORMAT_DXT1, 256, 256, 32768, 32768},
      {TQR_PIXEL_FORMAT_DXT3, 8, 8, 64, 64},
      {TQR_PIXEL_FORMAT_RGBA8, 256, 256, 262144, 262144},
      {TQR_PIXEL_FORMAT_RGBA16F, 4, 2, 64, 64},
      {TQR_PIXEL_FORMAT_RGBA32F, 4, 2, 128, 128},
      {TQR_PIXEL_FORMAT_B5G6R5, 3, 3, 18, 18},
      {TQR_PIXEL_FORMAT_TILE_L4, 1, 1, 0, 0},
      {TQR_PIXEL_FORMAT_TILE_INDEX4, 4, 4, 8, 8},
      {TQR_PIXEL_FORMAT_A8, 4, 4, 16, 16},
      {TQR_PIXEL_FORMAT_INDEX32, 2, 2, 16, 16},
      {TQR_PIXEL_FORMAT_TILE_RGBA32F, 32768, 32768, 17179869184ull, 17179869184ull},
      {64, 4, 4, 0, 0},
  };
  for (const SizeCase& c : cases) {
    EXPECT_EQ(GetEncodedSize(c.width, c.height, c.format), c.encoded) << c.format;
    EXPECT_EQ(GetCountedSize(c.format, c.width, c.height), c.counted) << c.format;
  }
}

// Outside the block formats both size functions agree for every format.
TEST(PixelFormatSizes, CountedMatchesEncodedForPlainFormats) {
  for (std::int32_t code = 0; code < kPixelFormatCount; ++code) {
    if (GetPixelFormatInfo(code)->block) continue;
    EXPECT_EQ(GetCountedSize(code, 16, 8), GetEncodedSize(16, 8, code)) << code;
  }
}

TEST(PixelFormatPlatforms, ByteOrder) {
  EXPECT_FALSE(IsBigEndianPlatform(0));
  EXPECT_TRUE(IsBigEndianPlatform(1));
  EXPECT_TRUE(IsBigEndianPlatform(2));
  EXPECT_TRUE(IsBigEndianPlatform(3));
  EXPECT_FALSE(IsBigEndianPlatform(4));
  EXPECT_FALSE(IsBigEndianPlatform(5));
}

}  // namespace
}  // namespace zfx
