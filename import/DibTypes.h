// The records of the Windows device-independent bitmap layout, as the
// bitmap class keeps them in memory and as DIB and BMP files store them.
// Files are little-endian; the readers decode each field explicitly with the
// helpers below and never cast file bytes onto these structs.
#pragma once

#include <cstddef>
#include <cstdint>

// The 14-byte file header that precedes a DIB in a ".BMP" or ".DIB" file.
struct BITMAPFILEHEADER {
  std::uint16_t bfType;  // "BM"
  std::uint32_t bfSize;
  std::uint16_t bfReserved1;
  std::uint16_t bfReserved2;
  std::uint32_t bfOffBits;
};

// The 40-byte info header.
struct BITMAPINFOHEADER {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the info header is 40 bytes in memory and on disk");

// One colour table entry: blue, green, red, reserved.
struct RGBQUAD {
  std::uint8_t rgbBlue;
  std::uint8_t rgbGreen;
  std::uint8_t rgbRed;
  std::uint8_t rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4);

// One logical palette entry: red, green, blue, flags.
struct PALETTEENTRY {
  std::uint8_t peRed;
  std::uint8_t peGreen;
  std::uint8_t peBlue;
  std::uint8_t peFlags;
};
static_assert(sizeof(PALETTEENTRY) == 4);

namespace dib {

inline constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"
inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiBitfields = 3;
// biSize of the older core header; only its bit count field is honoured.
inline constexpr std::uint32_t kCoreHeaderSize = 12;

inline constexpr std::uint16_t kPaletteVersion = 0x300;
inline constexpr std::uint8_t kPcNoCollapse = 4;  // PC_NOCOLLAPSE

// Refuse every picture whose pixel array would need more than this.
inline constexpr std::uint64_t kMaxPictureBytes = std::uint64_t{1} << 30;

// Little-endian field access; p must have the bytes.
inline std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void PutLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Decodes 14 bytes of file header.
BITMAPFILEHEADER DecodeFileHeader(const std::uint8_t* p);
// Decodes 40 bytes of info header.
BITMAPINFOHEADER DecodeInfoHeader(const std::uint8_t* p);
// Encodes into 14 and 40 bytes.
void EncodeFileHeader(const BITMAPFILEHEADER& h, std::uint8_t* p);
void EncodeInfoHeader(const BITMAPINFOHEADER& h, std::uint8_t* p);

// Bytes per row: (bitCount × width + 7) / 8 + 3, rounded down to a multiple
// of 4. Computed in 64 bits so that no header can overflow it; a negative
// width gives 0.
std::uint64_t StrideOf(std::int64_t width, int bitCount);

// Colour table entries an info header implies: 1 << bit count, or biClrUsed
// when that is non-zero and smaller; anything above 256 means no table.
std::uint32_t ColorCountOf(const BITMAPINFOHEADER& h);

}  // namespace dib
