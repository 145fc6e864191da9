#include "zfx/PixelFormat.h"

#include <array>

namespace zfx {
namespace {

constexpr std::uint32_t kAll32 = 0xFFFFFFFFu;

// Bits per pixel are used instead of bytes so that the half-byte formats
// stay integers.
constexpr PixelFormatInfo kFormats[] = {
    {0, "TQR_PIXEL_FORMAT_RGBA8", "RGBA8", 32, false, false, 0, 1},
    {1, "TQR_PIXEL_FORMAT_BGRA8", "BGRA8", 32, false, false, 0, 0},
    {2, "TQR_PIXEL_FORMAT_R32F", "R32F", 32, false, false, 0, 0},
    {3, "TQR_PIXEL_FORMAT_RGBA16F", "RGBA16F", 64, false, false, 0, 0},
    {4, "TQR_PIXEL_FORMAT_RGBA32F", "RGBA32F", 128, false, false, 0, 0},
    {5, "TQR_PIXEL_FORMAT_Z24S8", "Z24S8", 32, false, false, 0, 0},
    {6, "TQR_PIXEL_FORMAT_DXT1", "DXT1", 4, true, false, 0, 0},
    {7, "TQR_PIXEL_FORMAT_DXT3", "DXT3", 8, true, false, 0, 0},
    {8, "TQR_PIXEL_FORMAT_DXT5", "DXT5", 8, true, false, 0, 0},
    {9, "TQR_PIXEL_FORMAT_TILE_RGBA8", "TILE_RGBA8", 32, false, true, 0, 0},
    {10, "TQR_PIXEL_FORMAT_TILE_BGRA8", "TILE_BGRA8", 32, false, true, 0, 0},
    {11, "TQR_PIXEL_FORMAT_TILE_R32F", "TILE_R32F", 32, false, true, 0, 0},
    {12, "TQR_PIXEL_FORMAT_TILE_RGBA16F", "TILE_RGBA16F", 64, false, true, 0, 0},
    {13, "TQR_PIXEL_FORMAT_TILE_RGBA32F", "TILE_RGBA32F", 128, false, true, 0, 0},
    {14, "TQR_PIXEL_FORMAT_RGB10FA2F", "RGB10FA2F", 32, false, false, 0, 0},
    {15, "TQR_PIXEL_FORMAT_A8", "A8", 8, false, false, 0, 0},
    {16, "TQR_PIXEL_FORMAT_TILE_DXT1", "TILE_DXT1", 4, true, true, 0, 0},
    {17, "TQR_PIXEL_FORMAT_TILE_DXT3", "TILE_DXT3", 8, true, true, 0, 0},
    {18, "TQR_PIXEL_FORMAT_TILE_DXT5", "TILE_DXT5", 8, true, true, 0, 0},
    {19, "TQR_PIXEL_FORMAT_TILE_Z24S8", "TILE_Z24S8", 32, false, true, 0, 0},
    {20, "TQR_PIXEL_FORMAT_Z16", "Z16", 16, false, false, 0, 0},
    {21, "TQR_PIXEL_FORMAT_TILE_Z16", "TILE_Z16", 16, false, true, 0, 0},
    {22, "TQR_PIXEL_FORMAT_R16", "R16", 16, false, false, 0, 0},
    {23, "TQR_PIXEL_FORMAT_TILE_R16", "TILE_R16", 16, false, true, 0, 0},
    {24, "TQR_PIXEL_FORMAT_TILE_A8", "TILE_A8", 8, false, true, 0, 0},
    {25, "TQR_PIXEL_FORMAT_B5G6R5", "B5G6R5", 16, false, false, 0, 0},
    {26, "TQR_PIXEL_FORMAT_B5G5R5A1", "B5G5R5A1", 16, false, false, 0, 0},
    {27, "TQR_PIXEL_FORMAT_B4G4R4A4", "B4G4R4A4", 16, false, false, 0, 0},
    {28, "TQR_PIXEL_FORMAT_TILE_B5G6R5", "TILE_B5G6R5", 16, false, true, 0, 1},
    {29, "TQR_PIXEL_FORMAT_TILE_B5G5R5A1", "TILE_B5G5R5A1", 16, false, true, 0, 0},
    {30, "TQR_PIXEL_FORMAT_TILE_B4G4R4A4", "TILE_B4G4R4A4", 16, false, true, 0, 0},
    {31, "TQR_PIXEL_FORMAT_Z24FS8", "Z24FS8", 32, false, false, 0, 0},
    {32, "TQR_PIXEL_FORMAT_TILE_Z24FS8", "TILE_Z24FS8", 32, false, true, 0, 0},
    {33, "TQR_PIXEL_FORMAT_BGRX8", "BGRX8", 32, false, false, 0, 0},
    {34, "TQR_PIXEL_FORMAT_TILE_BGRX8", "TILE_BGRX8", 32, false, true, 0, 0},
    {35, "TQR_PIXEL_FORMAT_GR16", "GR16", 32, false, false, 0, 0},
    {36, "TQR_PIXEL_FORMAT_TILE_GR16", "TILE_GR16", 32, false, true, 0, 0},
    {37, "TQR_PIXEL_FORMAT_TILE_B5G5R5A3", "TILE_B5G5R5A3", 16, false, true, 0, 1},
    {38, "TQR_PIXEL_FORMAT_TILE_BG8", "TILE_BG8", 16, false, true, 0, 2},
    {39, "TQR_PIXEL_FORMAT_TILE_RA8", "TILE_RA8", 16, false, true, 0, 1},
    {40, "TQR_PIXEL_FORMAT_TILE_B8", "TILE_B8", 8, false, true, 0, 0},
    {41, "TQR_PIXEL_FORMAT_TILE_G8", "TILE_G8", 8, false, true, 0, 0},
    {42, "TQR_PIXEL_FORMAT_TILE_R8", "TILE_R8", 8, false, true, 0, 0},
    {43, "TQR_PIXEL_FORMAT_TILE_L4", "TILE_L4", 4, false, true, 0, 0},
    {44, "TQR_PIXEL_FORMAT_TILE_L8", "TILE_L8", 8, false, true, 0, 0},
    {45, "TQR_PIXEL_FORMAT_TILE_LA4", "TILE_LA4", 8, false, true, 0, 0},
    {46, "TQR_PIXEL_FORMAT_TILE_LA8", "TILE_LA8", 16, false, true, 0, 1},
    {47, "TQR_PIXEL_FORMAT_TILE_Z4", "TILE_Z4", 4, false, true, 0, 0},
    {48, "TQR_PIXEL_FORMAT_TILE_Z8", "TILE_Z8", 8, false, true, 0, 0},
    // The stored short name of code 49 has always lacked its "I".
    {49, "TQR_PIXEL_FORMAT_TILE_INDEX4", "TILE_NDEX4", 4, false, true, 16, 0},
    {50, "TQR_PIXEL_FORMAT_TILE_INDEX8", "TILE_INDEX8", 8, false, true, 256, 0},
    {51, "TQR_PIXEL_FORMAT_TILE_INDEX14X2", "TILE_INDEX14X2", 16, false, true, 16384, 0},
    {52, "TQR_PIXEL_FORMAT_R5G6B5", nullptr, 16, false, false, 0, 1},
    {53, "TQR_PIXEL_FORMAT_R5G5B5A1", nullptr, 16, false, false, 0, 1},
    {54, "TQR_PIXEL_FORMAT_R4G4B4A4", nullptr, 16, false, false, 0, 1},
    {55, "TQR_PIXEL_FORMAT_INDEX4", nullptr, 4, false, false, 16, 0},
    {56, "TQR_PIXEL_FORMAT_INDEX8", nullptr, 8, false, false, 256, 0},
    {57, "TQR_PIXEL_FORMAT_INDEX16", nullptr, 16, false, false, 65536, 0},
    {58, "TQR_PIXEL_FORMAT_INDEX32", nullptr, 32, false, false, kAll32, 0},
    {59, "TQR_PIXEL_FORMAT_TILE_R5G6B5", nullptr, 16, false, true, 0, 1},
    {60, "TQR_PIXEL_FORMAT_TILE_R5G5B5A1", nullptr, 16, false, true, 0, 0},
    {61, "TQR_PIXEL_FORMAT_TILE_R4G4B4A4", nullptr, 16, false, true, 0, 0},
    {62, "TQR_PIXEL_FORMAT_TILE_INDEX16", nullptr, 16, false, true, 65536, 0},
    {63, "TQR_PIXEL_FORMAT_TILE_INDEX32", nullptr, 32, false, true, kAll32, 0},
};
static_assert(std::size(kFormats) == kPixelFormatCount);

constexpr bool FormatsInCodeOrder() {
  for (std::int32_t i = 0; i < kPixelFormatCount; ++i)
    if (kFormats[i].code != i) return false;
  return true;
}
static_assert(FormatsInCodeOrder(), "the format table is indexed by code");

// Substitution tables: one row per format, one column per platform and then
// the two palette columns. kSame: the platform stores the format itself;
// kNone: it has no equivalent.
constexpr std::int8_t kSame = -1;
constexpr std::int8_t kNone = 64;
constexpr std::int8_t X = kNone;
constexpr std::int8_t S = kSame;

struct SubstitutionRow {
  std::int8_t code;
  std::int8_t platform[kPlatformCount];
  std::int8_t palette3;
  std::int8_t palette4;
};

constexpr SubstitutionRow kSubstitutions[] = {
    {0, {1, S, S, 10, S}, X, S},
    {1, {S, S, S, 10, 0}, X, 0},
    {2, {X, X, X, X, X}, X, X},
    {3, {S, S, S, 10, 0}, X, X},
    {4, {S, S, S, 10, 0}, X, X},
    {5, {X, X, X, X, X}, X, X},
    {6, {S, S, S, 16, S}, X, X},
    {7, {S, S, S, X, S}, X, X},
    {8, {S, S, S, X, S}, X, X},
    {9, {1, S, S, 10, S}, X, 0},
    {10, {1, S, S, S, 9}, X, 0},
    {11, {X, X, X, X, X}, X, X},
    {12, {3, S, S, 10, 9}, X, X},
    {13, {4, S, S, 10, 9}, X, X},
    {14, {1, 0, S, X, 0}, X, X},
    {15, {X, X, X, X, X}, X, X},
    {16, {6, S, S, S, 6}, X, X},
    {17, {7, S, S, X, 7}, X, X},
    {18, {8, S, S, X, 8}, X, X},
    {19, {X, X, X, X, X}, X, X},
    {20, {X, X, X, X, X}, X, X},
    {21, {X, X, X, X, X}, X, X},
    {22, {X, X, X, X, X}, X, X},
    {23, {X, X, X, X, X}, X, X},
    {24, {X, X, X, X, X}, X, X},
    {25, {S, S, S, X, 52}, X, 52},
    {26, {S, S, S, X, 53}, X, 53},
    {27, {S, S, S, X, 54}, X, 54},
    {28, {25, S, S, S, 59}, S, 52},
    {29, {26, S, S, 28, 60}, 28, 53},
    {30, {27, S, S, 28, 61}, 28, 54},
    {31, {X, X, X, X, X}, X, X},
    {32, {X, X, X, X, X}, X, X},
    {33, {S, S, X, 34, X}, X, X},
    {34, {33, S, X, S, X}, X, X},
    {35, {X, X, X, X, X}, X, X},
    {36, {X, X, X, X, X}, X, X},
    {37, {X, X, X, S, X}, S, X},
    {38, {X, X, X, X, X}, S, X},
    {39, {X, X, X, X, X}, X, X},
    {40, {X, X, X, X, X}, X, X},
    {41, {X, X, X, X, X}, X, X},
    {42, {X, X, X, X, X}, X, X},
    {43, {X, X, X, S, X}, X, X},
    {44, {X, X, X, S, X}, X, X},
    {45, {X, X, X, S, X}, X, X},
    {46, {X, X, X, S, X}, X, X},
    {47, {X, X, X, X, X}, X, X},
    {48, {X, X, X, X, X}, X, X},
    {49, {X, X, X, S, S}, X, X},
    {50, {X, X, X, S, S}, X, X},
    {51, {X, X, X, X, X}, X, X},
    {52, {25, 25, X, 28, S}, 28, S},
    {53, {26, 26, X, 28, S}, 28, S},
    {54, {27, 27, X, 28, S}, 28, S},
    {55, {X, X, X, 49, S}, X, X},
    {56, {X, X, X, 50, S}, X, X},
    {57, {X, X, X, X, X}, X, X},
    {58, {X, X, X, X, X}, X, X},
    {59, {25, 28, X, 28, S}, 28, 52},
    {60, {26, 29, X, 28, S}, 28, 53},
    {61, {27, 30, X, 28, S}, 28, 54},
    {62, {X, X, X, X, X}, X, X},
    {63, {X, X, X, X, X}, X, X},
};
static_assert(std::size(kSubstitutions) == kPixelFormatCount);

constexpr bool SubstitutionsInCodeOrder() {
  for (std::int32_t i = 0; i < kPixelFormatCount; ++i)
    if (kSubstitutions[i].code != i) return false;
  return true;
}
static_assert(SubstitutionsInCodeOrder(), "the substitution table is indexed by code");

constexpr std::int32_t Resolve(std::int8_t entry, std::int32_t format) {
  return entry == kSame ? format : entry;
}

// The counting pass's per-format size, as a multiplier of width x height
// in half bytes.
constexpr std::uint8_t kCountedHalfBytes[kPixelFormatCount] = {
    8, 8, 8, 16, 32, 8, 1, 2, 2, 8,   // 0-9
    8, 8, 16, 32, 8, 2, 1, 2, 2, 8,   // 10-19
    4, 4, 4, 4, 2, 4, 4, 4, 4, 4,     // 20-29
    4, 8, 8, 8, 8, 8, 8, 4, 4, 4,     // 30-39
    2, 2, 2, 1, 2, 2, 4, 1, 2, 1,     // 40-49
    2, 4, 4, 4, 4, 1, 2, 4, 8, 4,     // 50-59
    4, 4, 4, 8,                       // 60-63
};

}  // namespace

const PixelFormatInfo* GetPixelFormatInfo(std::int32_t format) {
  if (format < 0 || format >= kPixelFormatCount) return nullptr;
  return &kFormats[format];
}

bool IsIndexedFormat(std::int32_t format) {
  const PixelFormatInfo* info = GetPixelFormatInfo(format);
  return info && info->paletteEntries != 0;
}

bool IsFormatSupported(std::int32_t& format, std::int32_t platform) {
  if (format < 0 || format >= kPixelFormatCount || platform < 0 || platform >= kPlatformCount) {
    format = TQR_PIXEL_FORMAT_NONE;
    return false;
  }
  const std::int32_t substitute = Resolve(kSubstitutions[format].platform[platform], format);
  const bool kept = substitute == format;
  format = substitute;
  return kept;
}

std::int32_t GetPalettePlatformFormat(std::int32_t platform, std::int32_t paletteFormat) {
  if (paletteFormat < 0 || paletteFormat >= kPixelFormatCount) return TQR_PIXEL_FORMAT_NONE;
  if (platform == 3) return Resolve(kSubstitutions[paletteFormat].palette3, paletteFormat);
  if (platform == 4) return Resolve(kSubstitutions[paletteFormat].palette4, paletteFormat);
  return TQR_PIXEL_FORMAT_NONE;
}

std::uint64_t GetEncodedSize(std::uint32_t width, std::uint32_t height, std::int32_t format) {
  const PixelFormatInfo* info = GetPixelFormatInfo(format);
  if (!info) return 0;
  std::uint64_t w = width, h = height;
  if (info->block) {
    if (w < 4) w = 4;
    if (h < 4) h = 4;
  }
  return w * h * info->bitsPerPixel / 8;
}

std::uint64_t GetCountedSize(std::int32_t format, std::uint32_t width, std::uint32_t height) {
  if (format < 0 || format >= kPixelFormatCount) return 0;
  return std::uint64_t{width} * height * kCountedHalfBytes[format] / 2;
}

}  // namespace zfx
