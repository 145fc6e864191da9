// The structures of a G1T texture file as they lie on disk. Multi-byte fields
// are in the file's own byte order and are read and written field by field
// through the binary streams, never by casting file bytes onto these structs;
// the structs fix the field order and the sizes.
#pragma once

#include <cstdint>
#include <vector>

namespace zfx {

// Four characters held as one 32-bit value: a little-endian file stores
// "G1TG" as the bytes "GT1G", a big-endian one as "G1TG".
constexpr std::uint32_t FourCC(char a, char b, char c, char d) {
  return (std::uint32_t(std::uint8_t(a)) << 24) | (std::uint32_t(std::uint8_t(b)) << 16) |
         (std::uint32_t(std::uint8_t(c)) << 8) | std::uint32_t(std::uint8_t(d));
}
inline constexpr std::uint32_t kG1TSignature = FourCC('G', '1', 'T', 'G');
inline constexpr std::uint32_t kG1TVersion0060 = FourCC('0', '0', '6', '0');
inline constexpr std::uint32_t kG1TPaletteSignature = FourCC('G', '1', 'T', 'L');
inline constexpr std::uint32_t kG1TPaletteVersion = FourCC('0', '0', '0', '0');

// File header. platform is present when headerSize > 20, extraDataSize when
// the version is "0050" or later and headerSize > 24; one attribute word per
// texture fills the rest of the header.
struct G1TFileHeader {
  std::uint32_t signature;
  std::uint32_t version;
  std::uint32_t fileSize;
  std::uint32_t headerSize;
  std::uint32_t textureCount;
  std::int32_t platform;
  std::uint32_t extraDataSize;
};
static_assert(sizeof(G1TFileHeader) == 28);
inline constexpr std::uint32_t kG1THeaderSizeNoPlatform = 20;
inline constexpr std::uint32_t kG1THeaderSizeNoExtra = 24;
inline constexpr std::uint32_t kG1THeaderSizeFull = 28;

// Texture header, 8 bytes. In a big-endian file the two nibbles of every
// byte except the format byte are exchanged.
struct G1TTextureHeader {
  std::uint8_t mipsAndKind;   // high nibble: mip count; low: 0 plain, 1 cube map
  std::uint8_t format;        // pixel format code
  std::uint8_t sizeLog2;      // low nibble: log2 width; high: log2 height
  std::uint8_t extraCount;    // high nibble: extra records of this texture
  std::uint8_t flags[3];      // carried through unchanged
  std::uint8_t extendedFlag;  // high nibble 1: the extended header follows
};
static_assert(sizeof(G1TTextureHeader) == 8);
inline constexpr std::uint8_t kG1TNewTextureHeader[8] = {0x13, 64, 0, 0, 0, 0x10, 0x21, 0};

// Extended texture header, 12 bytes. The bit-field word holds fields of 4,
// 20 and 8 bits from the least significant; the 8-bit field is the colour-
// space flag (1 sRGB, 0 linear).
struct G1TExtendedHeader {
  std::uint32_t size;  // 12
  float value;
  std::uint32_t bits;
};
static_assert(sizeof(G1TExtendedHeader) == 12);
inline constexpr std::uint32_t kG1TExtendedHeaderSize = 12;

// Palette list ("G1TL") header, 16 bytes, then one G1TPaletteEntry per
// palette, then the palettes' colours.
struct G1TPaletteListHeader {
  std::uint32_t signature;
  std::uint32_t version;
  std::uint32_t headerSize;  // 16
  std::uint16_t paletteCount;
  std::uint16_t platform;    // 1 to 3 make the list big-endian
};
static_assert(sizeof(G1TPaletteListHeader) == 16);

struct G1TPaletteEntry {
  std::uint8_t colourBits;  // the palette has 1 << colourBits colours
  std::uint8_t colourFormat;
};
static_assert(sizeof(G1TPaletteEntry) == 2);

// One extra record: tag, value count, one more byte, then count 32-bit
// values. Tag 0 keeps the writer off the colour-space flag, tag 3 marks a
// normal map, tag 5 links a texture to palettes of the palette list.
struct CG1TExtraRecord {
  std::uint16_t tag = 0;
  std::uint8_t count = 0;
  std::uint8_t reserved = 0;
  std::vector<std::uint32_t> values;
};
inline constexpr std::uint16_t kExtraTagKeepColourSpace = 0;
inline constexpr std::uint16_t kExtraTagNormalMap = 3;
inline constexpr std::uint16_t kExtraTagPalette = 5;

}  // namespace zfx
