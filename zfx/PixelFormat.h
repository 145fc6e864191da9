// Pixel formats of G1T textures and the platforms that store them: the
// format codes and their properties, which formats each platform keeps and
// what it stores instead of the others, and the sizes of stored mip levels.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zfx {

// Pixel format codes as stored in a texture header. 64 means "no format".
enum TQR_PIXEL_FORMAT : std::int32_t {
  TQR_PIXEL_FORMAT_RGBA8 = 0,
  TQR_PIXEL_FORMAT_BGRA8 = 1,
  TQR_PIXEL_FORMAT_R32F = 2,
  TQR_PIXEL_FORMAT_RGBA16F = 3,
  TQR_PIXEL_FORMAT_RGBA32F = 4,
  TQR_PIXEL_FORMAT_Z24S8 = 5,
  TQR_PIXEL_FORMAT_DXT1 = 6,
  TQR_PIXEL_FORMAT_DXT3 = 7,
  TQR_PIXEL_FORMAT_DXT5 = 8,
  TQR_PIXEL_FORMAT_TILE_RGBA8 = 9,
  TQR_PIXEL_FORMAT_TILE_BGRA8 = 10,
  TQR_PIXEL_FORMAT_TILE_R32F = 11,
  TQR_PIXEL_FORMAT_TILE_RGBA16F = 12,
  TQR_PIXEL_FORMAT_TILE_RGBA32F = 13,
  TQR_PIXEL_FORMAT_RGB10FA2F = 14,
  TQR_PIXEL_FORMAT_A8 = 15,
  TQR_PIXEL_FORMAT_TILE_DXT1 = 16,
  TQR_PIXEL_FORMAT_TILE_DXT3 = 17,
  TQR_PIXEL_FORMAT_TILE_DXT5 = 18,
  TQR_PIXEL_FORMAT_TILE_Z24S8 = 19,
  TQR_PIXEL_FORMAT_Z16 = 20,
  TQR_PIXEL_FORMAT_TILE_Z16 = 21,
  TQR_PIXEL_FORMAT_R16 = 22,
  TQR_PIXEL_FORMAT_TILE_R16 = 23,
  TQR_PIXEL_FORMAT_TILE_A8 = 24,
  TQR_PIXEL_FORMAT_B5G6R5 = 25,
  TQR_PIXEL_FORMAT_B5G5R5A1 = 26,
  TQR_PIXEL_FORMAT_B4G4R4A4 = 27,
  TQR_PIXEL_FORMAT_TILE_B5G6R5 = 28,
  TQR_PIXEL_FORMAT_TILE_B5G5R5A1 = 29,
  TQR_PIXEL_FORMAT_TILE_B4G4R4A4 = 30,
  TQR_PIXEL_FORMAT_Z24FS8 = 31,
  TQR_PIXEL_FORMAT_TILE_Z24FS8 = 32,
  TQR_PIXEL_FORMAT_BGRX8 = 33,
  TQR_PIXEL_FORMAT_TILE_BGRX8 = 34,
  TQR_PIXEL_FORMAT_GR16 = 35,
  TQR_PIXEL_FORMAT_TILE_GR16 = 36,
  TQR_PIXEL_FORMAT_TILE_B5G5R5A3 = 37,
  TQR_PIXEL_FORMAT_TILE_BG8 = 38,
  TQR_PIXEL_FORMAT_TILE_RA8 = 39,
  TQR_PIXEL_FORMAT_TILE_B8 = 40,
  TQR_PIXEL_FORMAT_TILE_G8 = 41,
  TQR_PIXEL_FORMAT_TILE_R8 = 42,
  TQR_PIXEL_FORMAT_TILE_L4 = 43,
  TQR_PIXEL_FORMAT_TILE_L8 = 44,
  TQR_PIXEL_FORMAT_TILE_LA4 = 45,
  TQR_PIXEL_FORMAT_TILE_LA8 = 46,
  TQR_PIXEL_FORMAT_TILE_Z4 = 47,
  TQR_PIXEL_FORMAT_TILE_Z8 = 48,
  TQR_PIXEL_FORMAT_TILE_INDEX4 = 49,
  TQR_PIXEL_FORMAT_TILE_INDEX8 = 50,
  TQR_PIXEL_FORMAT_TILE_INDEX14X2 = 51,
  TQR_PIXEL_FORMAT_R5G6B5 = 52,
  TQR_PIXEL_FORMAT_R5G5B5A1 = 53,
  TQR_PIXEL_FORMAT_R4G4B4A4 = 54,
  TQR_PIXEL_FORMAT_INDEX4 = 55,
  TQR_PIXEL_FORMAT_INDEX8 = 56,
  TQR_PIXEL_FORMAT_INDEX16 = 57,
  TQR_PIXEL_FORMAT_INDEX32 = 58,
  TQR_PIXEL_FORMAT_TILE_R5G6B5 = 59,
  TQR_PIXEL_FORMAT_TILE_R5G5B5A1 = 60,
  TQR_PIXEL_FORMAT_TILE_R4G4B4A4 = 61,
  TQR_PIXEL_FORMAT_TILE_INDEX16 = 62,
  TQR_PIXEL_FORMAT_TILE_INDEX32 = 63,
  TQR_PIXEL_FORMAT_NONE = 64,
};

inline constexpr std::int32_t kPixelFormatCount = 64;

// Platform codes 0 to 4; 5 means "not set". Platform 2 is the one the
// messages call XB2.
inline constexpr std::int32_t kPlatformCount = 5;
inline constexpr std::int32_t kPlatformNotSet = 5;

// Data for platforms 1, 2 and 3 is big-endian, for 0 and 4 little-endian.
constexpr bool IsBigEndianPlatform(std::int32_t platform) { return platform >= 1 && platform <= 3; }

struct PixelFormatInfo {
  std::int32_t code;
  const char* name;       // the enumerator's name
  const char* shortName;  // printed when a palette format is refused; null for 52 to 63
  std::uint8_t bitsPerPixel;  // storage size; a block format's per-pixel share of a block
  bool block;                 // 4 x 4 pixel blocks
  bool tiled;                 // stored in a platform-specific order
  std::uint32_t paletteEntries;  // colours an indexed format addresses; 0 for direct formats
  std::uint8_t paletteClass;     // 0: not a palette colour format; 1: one; 2: split palettes
};

// The properties of a format code, or null for a code outside 0 to 63.
const PixelFormatInfo* GetPixelFormatInfo(std::int32_t format);

// True for a format whose pixels are palette indices.
bool IsIndexedFormat(std::int32_t format);

// Looks the format up in the platform's substitution table, stores the
// substitute in format (64 when the platform has none) and returns true only
// when the platform keeps the format unchanged. Platforms above 4 keep
// nothing.
bool IsFormatSupported(std::int32_t& format, std::int32_t platform);

// The palette colour format that platform 3 or 4 stores for paletteFormat;
// 64 for every other platform and for formats without one.
std::int32_t GetPalettePlatformFormat(std::int32_t platform, std::int32_t paletteFormat);

// Bytes of one stored mip level: bits per pixel x width x height / 8,
// truncated; a block format counts a side below 4 as one 4-pixel block.
// 0 for an unknown format.
std::uint64_t GetEncodedSize(std::uint32_t width, std::uint32_t height, std::int32_t format);

// The per-format size function of the writer's counting pass. It differs
// from GetEncodedSize for block formats below 4 x 4, so the writer counts with
// the encoded sizes instead; kept for callers that want the plain figure.
std::uint64_t GetCountedSize(std::int32_t format, std::uint32_t width, std::uint32_t height);

}  // namespace zfx
