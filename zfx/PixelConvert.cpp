#include "zfx/PixelConvert.h"

#include <squish.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "zfx/PixelFormat.h"
#include "zfx/Tiling.h"

namespace zfx {
namespace {

// ---------------------------------------------------------------------------
// How each format's pixels are laid out, independent of the platform.

enum class Codec : std::uint8_t {
  kNone,
  kPacked,   // integer fields, described by PackedLayout
  kHalf4,    // four 16-bit halves
  kFloat4,   // four 32-bit floats
  kDxt1,
  kDxt3,
  kDxt5,
  kRgb5A3,   // platform 3's two-mode 16-bit format
  kIndex,    // palette indices of bitsPerPixel bits
};

enum Channel : std::uint8_t { kR, kG, kB, kA, kL, kX, kUnused };

struct Field {
  Channel channel = kUnused;
  std::uint8_t bits = 0;
};

// Fields from the least significant bit upward, as a format's name lists
// them. Channels a layout lacks decode to 0, alpha to 255; luminance fills
// red, green and blue.
struct PackedLayout {
  std::uint8_t bits = 0;  // 4, 8, 16 or 32 per pixel
  Field fields[4] = {};
  bool floatsFromFields = false;  // decode to floats as field / field maximum
};

struct CodecEntry {
  Codec codec = Codec::kNone;
  PackedLayout layout = {};
};

constexpr CodecEntry Packed(std::uint8_t bits, std::initializer_list<Field> fields,
                            bool floatsFromFields = false) {
  CodecEntry e;
  e.codec = Codec::kPacked;
  e.layout.bits = bits;
  int i = 0;
  for (const Field& f : fields) e.layout.fields[i++] = f;
  e.layout.floatsFromFields = floatsFromFields;
  return e;
}
constexpr CodecEntry Plain(Codec c) {
  CodecEntry e;
  e.codec = c;
  return e;
}

constexpr std::array<CodecEntry, kPixelFormatCount> MakeCodecs() {
  std::array<CodecEntry, kPixelFormatCount> t{};
  const auto rgba8 = Packed(32, {{kR, 8}, {kG, 8}, {kB, 8}, {kA, 8}});
  const auto bgra8 = Packed(32, {{kB, 8}, {kG, 8}, {kR, 8}, {kA, 8}});
  const auto bgrx8 = Packed(32, {{kB, 8}, {kG, 8}, {kR, 8}, {kX, 8}});
  const auto b5g6r5 = Packed(16, {{kB, 5}, {kG, 6}, {kR, 5}});
  const auto b5g5r5a1 = Packed(16, {{kB, 5}, {kG, 5}, {kR, 5}, {kA, 1}});
  const auto b4g4r4a4 = Packed(16, {{kB, 4}, {kG, 4}, {kR, 4}, {kA, 4}});
  const auto r5g6b5 = Packed(16, {{kR, 5}, {kG, 6}, {kB, 5}});
  const auto r5g5b5a1 = Packed(16, {{kR, 5}, {kG, 5}, {kB, 5}, {kA, 1}});
  const auto r4g4b4a4 = Packed(16, {{kR, 4}, {kG, 4}, {kB, 4}, {kA, 4}});
  t[TQR_PIXEL_FORMAT_RGBA8] = t[TQR_PIXEL_FORMAT_TILE_RGBA8] = rgba8;
  t[TQR_PIXEL_FORMAT_BGRA8] = t[TQR_PIXEL_FORMAT_TILE_BGRA8] = bgra8;
  t[TQR_PIXEL_FORMAT_BGRX8] = t[TQR_PIXEL_FORMAT_TILE_BGRX8] = bgrx8;
  t[TQR_PIXEL_FORMAT_RGBA16F] = t[TQR_PIXEL_FORMAT_TILE_RGBA16F] = Plain(Codec::kHalf4);
  t[TQR_PIXEL_FORMAT_RGBA32F] = t[TQR_PIXEL_FORMAT_TILE_RGBA32F] = Plain(Codec::kFloat4);
  t[TQR_PIXEL_FORMAT_RGB10FA2F] = Packed(32, {{kR, 10}, {kG, 10}, {kB, 10}, {kA, 2}}, true);
  t[TQR_PIXEL_FORMAT_DXT1] = t[TQR_PIXEL_FORMAT_TILE_DXT1] = Plain(Codec::kDxt1);
  t[TQR_PIXEL_FORMAT_DXT3] = t[TQR_PIXEL_FORMAT_TILE_DXT3] = Plain(Codec::kDxt3);
  t[TQR_PIXEL_FORMAT_DXT5] = t[TQR_PIXEL_FORMAT_TILE_DXT5] = Plain(Codec::kDxt5);
  t[TQR_PIXEL_FORMAT_B5G6R5] = t[TQR_PIXEL_FORMAT_TILE_B5G6R5] = b5g6r5;
  t[TQR_PIXEL_FORMAT_B5G5R5A1] = t[TQR_PIXEL_FORMAT_TILE_B5G5R5A1] = b5g5r5a1;
  t[TQR_PIXEL_FORMAT_B4G4R4A4] = t[TQR_PIXEL_FORMAT_TILE_B4G4R4A4] = b4g4r4a4;
  t[TQR_PIXEL_FORMAT_R5G6B5] = t[TQR_PIXEL_FORMAT_TILE_R5G6B5] = r5g6b5;
  t[TQR_PIXEL_FORMAT_R5G5B5A1] = t[TQR_PIXEL_FORMAT_TILE_R5G5B5A1] = r5g5b5a1;
  t[TQR_PIXEL_FORMAT_R4G4B4A4] = t[TQR_PIXEL_FORMAT_TILE_R4G4B4A4] = r4g4b4a4;
  t[TQR_PIXEL_FORMAT_TILE_B5G5R5A3] = Plain(Codec::kRgb5A3);
  // Luminance formats: the name lists the fields from the low bits up, so
  // LA4 keeps alpha in the high nibble and LA8 in the high byte.
  t[TQR_PIXEL_FORMAT_TILE_L4] = Packed(4, {{kL, 4}});
  t[TQR_PIXEL_FORMAT_TILE_L8] = Packed(8, {{kL, 8}});
  t[TQR_PIXEL_FORMAT_TILE_LA4] = Packed(8, {{kL, 4}, {kA, 4}});
  t[TQR_PIXEL_FORMAT_TILE_LA8] = Packed(16, {{kL, 8}, {kA, 8}});
  t[TQR_PIXEL_FORMAT_TILE_INDEX4] = t[TQR_PIXEL_FORMAT_INDEX4] = Plain(Codec::kIndex);
  t[TQR_PIXEL_FORMAT_TILE_INDEX8] = t[TQR_PIXEL_FORMAT_INDEX8] = Plain(Codec::kIndex);
  return t;
}
constexpr std::array<CodecEntry, kPixelFormatCount> kCodecs = MakeCodecs();

// ---------------------------------------------------------------------------
// The three converter sets: which of the four converters each format has.

constexpr std::uint8_t kAllFour = kDecodeFloats | kDecodeBytes | kEncodeFloats | kEncodeBytes;
constexpr std::uint8_t kBytesOnly = kDecodeBytes | kEncodeBytes;

struct ConverterSet {
  std::array<std::uint8_t, kPixelFormatCount> kinds{};
};

constexpr ConverterSet MakeSet(std::initializer_list<int> allFour, std::initializer_list<int> bytesOnly,
                               std::initializer_list<int> decodeFloatsOnly) {
  ConverterSet s;
  for (int f : allFour) s.kinds[f] = kAllFour;
  for (int f : bytesOnly) s.kinds[f] = kBytesOnly;
  for (int f : decodeFloatsOnly) s.kinds[f] = kDecodeFloats;
  return s;
}

constexpr ConverterSet kSetPlatforms012 =
    MakeSet({0, 1, 3, 4, 6, 7, 8, 9, 10, 12, 13, 14, 16, 17, 18, 25, 26, 27, 28, 29, 30, 33, 34, 52, 53,
             54, 59, 60, 61},
            {}, {});
constexpr ConverterSet kSetPlatform3 = MakeSet({10, 16, 28, 34, 37, 43, 44, 45, 46}, {49, 50}, {});
constexpr ConverterSet kSetPlatform4 =
    MakeSet({0, 6, 7, 8, 9, 52, 53, 54, 59, 60, 61}, {49, 50, 55, 56}, {33});

const ConverterSet* SetForPlatform(std::int32_t platform) {
  if (platform >= 0 && platform <= 2) return &kSetPlatforms012;
  if (platform == 3) return &kSetPlatform3;
  if (platform == 4) return &kSetPlatform4;
  return nullptr;
}

// ---------------------------------------------------------------------------
// Small helpers.

float ByteToFloat(std::uint8_t b) { return float(b) / 255.0f; }

std::uint32_t LoadValue(const std::uint8_t* p, unsigned bytes, bool bigEndian) {
  std::uint32_t v = 0;
  for (unsigned i = 0; i < bytes; ++i) {
    const unsigned shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
    v |= std::uint32_t(p[i]) << shift;
  }
  return v;
}

void StoreValue(std::uint8_t* p, unsigned bytes, bool bigEndian, std::uint32_t v) {
  for (unsigned i = 0; i < bytes; ++i) {
    const unsigned shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
    p[i] = std::uint8_t(v >> shift);
  }
}

std::uint32_t FloatBits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}
float BitsFloat(std::uint32_t u) {
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

// Reads pixel i of a packed layout (half-byte pixels keep the first pixel of
// a byte in the low nibble).
std::uint32_t LoadPacked(const std::uint8_t* data, std::uint64_t i, unsigned bits, bool bigEndian) {
  if (bits == 4) return (data[i / 2] >> ((i & 1) * 4)) & 0x0F;
  return LoadValue(data + i * (bits / 8), bits / 8, bigEndian);
}
void StorePacked(std::uint8_t* data, std::uint64_t i, unsigned bits, bool bigEndian, std::uint32_t v) {
  if (bits == 4) {
    const unsigned shift = (i & 1) * 4;
    data[i / 2] = std::uint8_t((data[i / 2] & ~(0x0F << shift)) | ((v & 0x0F) << shift));
    return;
  }
  StoreValue(data + i * (bits / 8), bits / 8, bigEndian, v);
}

// A field of n bits as a byte: its top 8 bits, or shifted up without
// replicating high bits into the low ones; a 1-bit field is 0 or 255.
std::uint8_t FieldToByte(std::uint32_t field, unsigned bits) {
  if (bits == 1) return field ? 255 : 0;
  if (bits >= 8) return std::uint8_t(field >> (bits - 8));
  return std::uint8_t(field << (8 - bits));
}
std::uint32_t ByteToField(std::uint8_t byte, unsigned bits) {
  if (bits >= 8) return std::uint32_t(byte) << (bits - 8);
  return std::uint32_t(byte) >> (8 - bits);
}

// Luminance of a colour for the luminance formats (ITU-R BT.601 weights;
// grey stays exact).
std::uint8_t Luminance(const std::uint8_t* rgba) {
  return std::uint8_t((299u * rgba[0] + 587u * rgba[1] + 114u * rgba[2]) / 1000u);
}

// ---------------------------------------------------------------------------
// Row-order codecs. Every decoder fills rgba (bytes) or values (floats) for
// n pixels from data that holds at least the level's encoded size.

// True for 8-bit fields of red, green, blue and alpha in some order, where
// each stored byte is one channel as it is; channel[k] receives the k-th
// stored byte of a pixel.
bool IsByteShuffle(const PackedLayout& l, bool be, std::uint8_t channel[4]) {
  if (l.bits != 32) return false;
  unsigned seen = 0;
  for (unsigned k = 0; k < 4; ++k) {
    const Field& f = l.fields[k];
    if (f.bits != 8 || f.channel > kA) return false;
    seen |= 1u << f.channel;
    // Field k holds bits 8k..8k+7 of the loaded value.
    channel[be ? 3 - k : k] = f.channel;
  }
  return seen == 15;
}

void DecodePackedBytes(const PackedLayout& l, const std::uint8_t* data, std::uint64_t n, bool be,
                       std::uint8_t* rgba) {
  std::uint8_t channel[4];
  if (IsByteShuffle(l, be, channel)) {
    // The thumbnail load decodes thousands of these: spare it the general
    // field loop. Every channel is written, so nothing keeps a default.
    const unsigned c0 = channel[0], c1 = channel[1], c2 = channel[2], c3 = channel[3];
    for (std::uint64_t i = 0; i < n; ++i) {
      const std::uint8_t* in = data + i * 4;
      std::uint8_t* out = rgba + i * 4;
      out[c0] = in[0];
      out[c1] = in[1];
      out[c2] = in[2];
      out[c3] = in[3];
    }
    return;
  }
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint32_t v = LoadPacked(data, i, l.bits, be);
    std::uint8_t px[4] = {0, 0, 0, 255};
    unsigned shift = 0;
    for (const Field& f : l.fields) {
      if (f.bits == 0) break;
      const std::uint32_t field = (v >> shift) & ((1u << f.bits) - 1);
      shift += f.bits;
      const std::uint8_t b = FieldToByte(field, f.bits);
      if (f.channel == kL)
        px[0] = px[1] = px[2] = b;
      else if (f.channel <= kA)
        px[f.channel] = b;
    }
    std::memcpy(rgba + i * 4, px, 4);
  }
}

void DecodePackedFloats(const PackedLayout& l, const std::uint8_t* data, std::uint64_t n, bool be,
                        float* values) {
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint32_t v = LoadPacked(data, i, l.bits, be);
    float px[4] = {0, 0, 0, 1};
    unsigned shift = 0;
    for (const Field& f : l.fields) {
      if (f.bits == 0) break;
      const std::uint32_t max = (1u << f.bits) - 1;
      const std::uint32_t field = (v >> shift) & max;
      shift += f.bits;
      const float c = l.floatsFromFields ? float(field) / float(max) : ByteToFloat(FieldToByte(field, f.bits));
      if (f.channel == kL)
        px[0] = px[1] = px[2] = c;
      else if (f.channel <= kA)
        px[f.channel] = c;
    }
    std::memcpy(values + i * 4, px, sizeof px);
  }
}

void EncodePackedBytes(const PackedLayout& l, const std::uint8_t* rgba, std::uint64_t n, bool be,
                       std::uint8_t* data) {
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint8_t* px = rgba + i * 4;
    std::uint32_t v = 0;
    unsigned shift = 0;
    for (const Field& f : l.fields) {
      if (f.bits == 0) break;
      std::uint8_t b = 255;
      if (f.channel == kL)
        b = Luminance(px);
      else if (f.channel <= kA)
        b = px[f.channel];
      v |= ByteToField(b, f.bits) << shift;
      shift += f.bits;
    }
    StorePacked(data, i, l.bits, be, v);
  }
}

void DecodeRgb5A3(const std::uint8_t* data, std::uint64_t n, bool be, std::uint8_t* rgba) {
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint32_t v = LoadValue(data + 2 * i, 2, be);
    std::uint8_t* px = rgba + 4 * i;
    if (v & 0x8000) {
      px[2] = std::uint8_t((v & 0x1F) << 3);
      px[1] = std::uint8_t(((v >> 5) & 0x1F) << 3);
      px[0] = std::uint8_t(((v >> 10) & 0x1F) << 3);
      px[3] = 255;
    } else {
      px[2] = std::uint8_t((v & 0x0F) << 4);
      px[1] = std::uint8_t(((v >> 4) & 0x0F) << 4);
      px[0] = std::uint8_t(((v >> 8) & 0x0F) << 4);
      px[3] = std::uint8_t(((v >> 12) & 0x07) * 32);
    }
  }
}

// Opaque pixels take the 5-bit mode, all others the 4-bit mode with 3 bits
// of alpha.
void EncodeRgb5A3(const std::uint8_t* rgba, std::uint64_t n, bool be, std::uint8_t* data) {
  for (std::uint64_t i = 0; i < n; ++i) {
    const std::uint8_t* px = rgba + 4 * i;
    std::uint32_t v;
    if (px[3] == 255)
      v = 0x8000 | (std::uint32_t(px[0] >> 3) << 10) | (std::uint32_t(px[1] >> 3) << 5) | (px[2] >> 3);
    else
      v = (std::uint32_t(px[3] >> 5) << 12) | (std::uint32_t(px[0] >> 4) << 8) |
          (std::uint32_t(px[1] >> 4) << 4) | (px[2] >> 4);
    StoreValue(data + 2 * i, 2, be, v);
  }
}

void DecodeFloatChannels(Codec c, const std::uint8_t* data, std::uint64_t n, bool be, float* values) {
  for (std::uint64_t i = 0; i < n * 4; ++i) {
    values[i] = c == Codec::kHalf4 ? HalfToFloat(std::uint16_t(LoadValue(data + 2 * i, 2, be)))
                                   : BitsFloat(LoadValue(data + 4 * i, 4, be));
  }
}

void EncodeFloatChannels(Codec c, const float* values, std::uint64_t n, bool be, std::uint8_t* data) {
  for (std::uint64_t i = 0; i < n * 4; ++i) {
    if (c == Codec::kHalf4)
      StoreValue(data + 2 * i, 2, be, FloatToHalf(values[i]));
    else
      StoreValue(data + 4 * i, 4, be, FloatBits(values[i]));
  }
}

// ---------------------------------------------------------------------------
// DXT through libsquish, one 4 x 4 block at a time.

int SquishFlags(Codec c) {
  return c == Codec::kDxt1 ? squish::kDxt1 : c == Codec::kDxt3 ? squish::kDxt3 : squish::kDxt5;
}
unsigned DxtBlockBytes(Codec c) { return c == Codec::kDxt1 ? 8 : 16; }

// The byte order a platform keeps block data in, relative to libsquish's:
// platform 2 swaps every 16-bit unit, platform 4 exchanges the 32-bit halves
// of every 8-byte unit. Both are their own inverse.
void PrepareDxtData(std::int32_t platform, std::vector<std::uint8_t>& data) {
  if (platform == 2) {
    for (std::size_t i = 0; i + 2 <= data.size(); i += 2) std::swap(data[i], data[i + 1]);
  } else if (platform == 4) {
    for (std::size_t i = 0; i + 8 <= data.size(); i += 8)
      std::swap_ranges(data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + 4),
                       data.begin() + std::ptrdiff_t(i + 4));
  }
}

bool IsNormalMap(const CConversionContext& ctx, Codec c) {
  if (c == Codec::kDxt3 || !ctx.extraRecords || ctx.extraRecords->empty()) return false;
  const CG1TExtraRecord& first = ctx.extraRecords->front();
  return first.tag == kExtraTagNormalMap && !first.values.empty() && first.values[0] == 1;
}

void RebuildBlue(std::uint8_t* px) {
  const float x = ByteToFloat(px[0]) - 0.5f;
  const float y = ByteToFloat(px[1]) - 0.5f;
  px[2] = ChannelToByte(1.0f - std::sqrt(x * x + y * y));
}

void RearrangeNormalMap(std::int32_t option, std::uint8_t* rgba, std::uint64_t n) {
  for (std::uint64_t i = 0; i < n; ++i) {
    std::uint8_t* px = rgba + 4 * i;
    switch (option) {
      case 0:
      case 1:
        RebuildBlue(px);
        break;
      case 2:
        std::swap(px[0], px[3]);
        break;
      case 3:
      case 4:
        std::swap(px[0], px[3]);
        RebuildBlue(px);
        break;
      default:
        break;
    }
  }
}

void DecodeDxt(Codec c, const CConversionContext& ctx, const std::uint8_t* data, std::uint8_t* rgba) {
  const std::uint32_t w = ctx.width, h = ctx.height;
  const std::uint32_t bx = (w + 3) / 4, by = (h + 3) / 4;
  const unsigned blockBytes = DxtBlockBytes(c);
  std::uint8_t block[64];
  for (std::uint32_t j = 0; j < by; ++j) {
    for (std::uint32_t i = 0; i < bx; ++i) {
      squish::Decompress(block, data + (std::uint64_t{j} * bx + i) * blockBytes, SquishFlags(c));
      for (unsigned py = 0; py < 4; ++py) {
        const std::uint32_t y = j * 4 + py;
        if (y >= h) break;
        for (unsigned px = 0; px < 4; ++px) {
          const std::uint32_t x = i * 4 + px;
          if (x >= w) break;
          std::memcpy(rgba + (std::uint64_t{y} * w + x) * 4, block + (py * 4 + px) * 4, 4);
        }
      }
    }
  }
  if (IsNormalMap(ctx, c)) RearrangeNormalMap(ctx.option, rgba, std::uint64_t{w} * h);
}

void EncodeDxt(Codec c, const CConversionContext& ctx, const std::uint8_t* rgba, std::uint8_t* data) {
  const std::uint32_t w = ctx.width, h = ctx.height;
  const std::uint32_t bx = (w + 3) / 4, by = (h + 3) / 4;
  const unsigned blockBytes = DxtBlockBytes(c);
  const bool normalMap = IsNormalMap(ctx, c);
  std::uint8_t block[64];
  for (std::uint32_t j = 0; j < by; ++j) {
    for (std::uint32_t i = 0; i < bx; ++i) {
      // Pixels past an edge repeat the last row or column, so that they do
      // not pull the block's colours toward black.
      for (unsigned py = 0; py < 4; ++py) {
        const std::uint32_t y = std::min(j * 4 + py, h - 1);
        for (unsigned px = 0; px < 4; ++px) {
          const std::uint32_t x = std::min(i * 4 + px, w - 1);
          std::memcpy(block + (py * 4 + px) * 4, rgba + (std::uint64_t{y} * w + x) * 4, 4);
          if (normalMap) block[(py * 4 + px) * 4 + 2] = 255;
        }
      }
      squish::Compress(block, data + (std::uint64_t{j} * bx + i) * blockBytes, SquishFlags(c));
    }
  }
}

bool IsDxt(Codec c) { return c == Codec::kDxt1 || c == Codec::kDxt3 || c == Codec::kDxt5; }

// Bytes of whole blocks covering a level; equal to the encoded size for
// every power-of-two level of 4 x 4 or more.
std::uint64_t DxtBytes(Codec c, const CConversionContext& ctx) {
  return std::uint64_t{(ctx.width + 3) / 4} * ((ctx.height + 3) / 4) * DxtBlockBytes(c);
}

// ---------------------------------------------------------------------------
// The converters proper.

struct Level {
  std::int32_t format = TQR_PIXEL_FORMAT_NONE;
  const CodecEntry* codec = nullptr;
  std::uint64_t pixels = 0;
  std::uint64_t encodedSize = 0;
  bool tiled = false;
  bool indexed = false;
};

// Looks up format and level size; false when the level is too big to
// convert at all.
bool DescribeLevel(std::int32_t format, const CConversionContext& ctx, Level& level) {
  level.pixels = std::uint64_t{ctx.width} * ctx.height;
  if (level.pixels > kMaxConvertPixels) return false;
  const PixelFormatInfo* info = GetPixelFormatInfo(format);
  if (info) {
    level.format = format;
    level.codec = &kCodecs[format];
    level.encodedSize = GetEncodedSize(ctx.width, ctx.height, format);
    level.tiled = info->tiled;
    level.indexed = info->paletteEntries != 0;
  }
  return true;
}

bool HasConverter(std::int32_t format, const CConversionContext& ctx, const Level& level,
                  std::uint8_t kind) {
  const ConverterSet* set = SetForPlatform(ctx.platform);
  if (!set || !level.codec || level.codec->codec == Codec::kNone) return false;
  if (!(set->kinds[format] & kind)) return false;
  // A block-compressed level narrower or lower than one block has nothing
  // libsquish could work on.
  if (IsDxt(level.codec->codec) && (ctx.width < 4 || ctx.height < 4)) return false;
  return true;
}

// The working buffer of a level in row order: the encoded size, or whole
// blocks, or whole pixels where the encoded size ends inside one.
std::uint64_t RowOrderSize(const CConversionContext& ctx, const Level& level) {
  if (IsDxt(level.codec->codec)) return std::max(level.encodedSize, DxtBytes(level.codec->codec, ctx));
  const std::uint64_t bits = level.pixels * GetPixelFormatInfo(level.format)->bitsPerPixel;
  return std::max(level.encodedSize, (bits + 7) / 8);
}

// The stored bytes in row order and in libsquish's block byte order; false
// when the platform's tiling is not available.
bool PrepareForDecoding(std::int32_t format, std::span<const std::uint8_t> data,
                        const CConversionContext& ctx, const Level& level,
                        std::vector<std::uint8_t>& rowOrder) {
  if (level.tiled) {
    if (!UntileLevel(ctx.platform, format, ctx.width, ctx.height, ctx.bigEndian, data, rowOrder))
      return false;
  } else {
    rowOrder.assign(data.begin(), data.begin() + std::ptrdiff_t(level.encodedSize));
  }
  // The encoded size truncates: a level of one half-byte pixel stores no
  // byte at all. The codecs work on whole pixels, which read as zero there.
  const std::uint64_t whole = RowOrderSize(ctx, level);
  if (rowOrder.size() < whole) rowOrder.resize(whole, 0);
  if (IsDxt(level.codec->codec)) PrepareDxtData(ctx.platform, rowOrder);
  return true;
}

// Stores row-order encoded bytes as the platform keeps them; a platform
// whose tiling is not available gets zero bytes.
void FinishEncoding(std::int32_t format, const CConversionContext& ctx, const Level& level,
                    std::vector<std::uint8_t>& rowOrder, std::vector<std::uint8_t>& data) {
  if (IsDxt(level.codec->codec)) PrepareDxtData(ctx.platform, rowOrder);
  rowOrder.resize(level.encodedSize);
  if (level.tiled) {
    if (!TileLevel(ctx.platform, format, ctx.width, ctx.height, ctx.bigEndian, rowOrder, data))
      data.assign(level.encodedSize, 0);
  } else {
    data = std::move(rowOrder);
  }
}


// Null encoding: zero bytes of the level's stored size, so that a file
// written with them still reads back level by level.
void NullEncode(const Level& level, std::vector<std::uint8_t>& data) { data.assign(level.encodedSize, 0); }

void DecodeRowBytes(const CodecEntry& e, const CConversionContext& ctx, const std::uint8_t* data,
                    std::uint64_t n, std::uint8_t* out) {
  switch (e.codec) {
    case Codec::kPacked:
      DecodePackedBytes(e.layout, data, n, ctx.bigEndian, out);
      break;
    case Codec::kRgb5A3:
      DecodeRgb5A3(data, n, ctx.bigEndian, out);
      break;
    case Codec::kHalf4:
    case Codec::kFloat4: {
      std::vector<float> values(n * 4);
      DecodeFloatChannels(e.codec, data, n, ctx.bigEndian, values.data());
      for (std::uint64_t i = 0; i < n * 4; ++i) out[i] = ChannelToByte(values[i]);
      break;
    }
    case Codec::kDxt1:
    case Codec::kDxt3:
    case Codec::kDxt5:
      DecodeDxt(e.codec, ctx, data, out);
      break;
    default:
      break;
  }
}

void EncodeRowBytes(const CodecEntry& e, const CConversionContext& ctx, const std::uint8_t* rgba,
                    std::uint64_t n, std::uint8_t* data) {
  switch (e.codec) {
    case Codec::kPacked:
      EncodePackedBytes(e.layout, rgba, n, ctx.bigEndian, data);
      break;
    case Codec::kRgb5A3:
      EncodeRgb5A3(rgba, n, ctx.bigEndian, data);
      break;
    case Codec::kHalf4:
    case Codec::kFloat4: {
      std::vector<float> values(n * 4);
      for (std::uint64_t i = 0; i < n * 4; ++i) values[i] = ByteToFloat(rgba[i]);
      EncodeFloatChannels(e.codec, values.data(), n, ctx.bigEndian, data);
      break;
    }
    case Codec::kDxt1:
    case Codec::kDxt3:
    case Codec::kDxt5:
      EncodeDxt(e.codec, ctx, rgba, data);
      break;
    default:
      break;
  }
}

// Indices of an indexed level, one byte per pixel.
void DecodeIndices(std::int32_t format, const std::uint8_t* data, std::uint64_t n, std::uint8_t* out) {
  const unsigned bits = GetPixelFormatInfo(format)->bitsPerPixel;
  for (std::uint64_t i = 0; i < n; ++i) out[i] = std::uint8_t(LoadPacked(data, i, bits, false));
}
void EncodeIndices(std::int32_t format, const std::uint8_t* in, std::uint64_t n, std::uint8_t* data) {
  const unsigned bits = GetPixelFormatInfo(format)->bitsPerPixel;
  const std::uint32_t mask = (1u << bits) - 1;
  for (std::uint64_t i = 0; i < n; ++i) StorePacked(data, i, bits, false, in[i] & mask);
}

}  // namespace

std::uint8_t GetConverterKinds(std::int32_t platform, std::int32_t format) {
  const ConverterSet* set = SetForPlatform(platform);
  if (!set || format < 0 || format >= kPixelFormatCount) return 0;
  return set->kinds[format];
}

float HalfToFloat(std::uint16_t h) {
  const std::uint32_t bits = ((std::uint32_t(h) & 0x8000u) << 16) |
                             (((std::uint32_t(h) & 0x7C00u) + 0x1C000u) << 13) |
                             ((std::uint32_t(h) & 0x03FFu) << 13);
  return BitsFloat(bits);
}

std::uint16_t FloatToHalf(float value) {
  const std::uint32_t f = FloatBits(value);
  const std::uint32_t sign = (f >> 16) & 0x8000u;
  const std::int32_t e = std::int32_t((f >> 23) & 0xFF);
  const std::uint32_t m = f & 0x7FFFFFu;
  const std::int32_t c = e - 112;
  if (e < 94) return std::uint16_t(sign);
  if (e >= 144) return std::uint16_t(sign | 0x7C00u);
  if (c < 0) return std::uint16_t(sign | ((m | 0x800000u) >> (13 - c)));
  return std::uint16_t(sign | (std::uint32_t(c) << 10) | (m >> 13));
}

std::uint8_t ChannelToByte(float value) {
  // NaN compares false everywhere and ends as 0.
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return std::uint8_t(value * 255.0f);
}

bool DecodeToBytes(std::int32_t format, std::span<const std::uint8_t> data,
                   const CConversionContext& ctx, std::vector<std::uint8_t>& out) {
  Level level;
  if (!DescribeLevel(format, ctx, level)) return false;
  if (!HasConverter(format, ctx, level, kDecodeBytes)) {
    out.assign(level.pixels * 4, 0);
    return true;
  }
  if (data.size() < level.encodedSize) return false;
  std::vector<std::uint8_t> rowOrder;
  if (!PrepareForDecoding(format, data, ctx, level, rowOrder)) {
    out.assign(level.pixels * 4, 0);
    return true;
  }
  if (level.indexed) {
    out.assign(level.pixels, 0);
    DecodeIndices(format, rowOrder.data(), level.pixels, out.data());
    return true;
  }
  out.assign(level.pixels * 4, 0);
  DecodeRowBytes(*level.codec, ctx, rowOrder.data(), level.pixels, out.data());
  return true;
}

bool DecodeToFloats(std::int32_t format, std::span<const std::uint8_t> data,
                    const CConversionContext& ctx, std::vector<float>& out) {
  Level level;
  if (!DescribeLevel(format, ctx, level)) return false;
  if (!HasConverter(format, ctx, level, kDecodeFloats) || level.indexed) {
    out.assign(level.pixels * 4, 0.0f);
    return true;
  }
  if (data.size() < level.encodedSize) return false;
  std::vector<std::uint8_t> rowOrder;
  if (!PrepareForDecoding(format, data, ctx, level, rowOrder)) {
    out.assign(level.pixels * 4, 0.0f);
    return true;
  }
  out.assign(level.pixels * 4, 0.0f);
  const CodecEntry& e = *level.codec;
  if (e.codec == Codec::kHalf4 || e.codec == Codec::kFloat4) {
    DecodeFloatChannels(e.codec, rowOrder.data(), level.pixels, ctx.bigEndian, out.data());
  } else if (e.codec == Codec::kPacked) {
    DecodePackedFloats(e.layout, rowOrder.data(), level.pixels, ctx.bigEndian, out.data());
  } else {
    std::vector<std::uint8_t> bytes(level.pixels * 4);
    DecodeRowBytes(e, ctx, rowOrder.data(), level.pixels, bytes.data());
    for (std::uint64_t i = 0; i < bytes.size(); ++i) out[i] = ByteToFloat(bytes[i]);
  }
  return true;
}

bool EncodeFromBytes(std::int32_t format, std::span<const std::uint8_t> values,
                     const CConversionContext& ctx, std::vector<std::uint8_t>& data) {
  Level level;
  if (!DescribeLevel(format, ctx, level)) return false;
  if (!HasConverter(format, ctx, level, kEncodeBytes)) {
    NullEncode(level, data);
    return true;
  }
  const std::uint64_t needed = level.indexed ? level.pixels : level.pixels * 4;
  if (values.size() < needed) return false;
  std::vector<std::uint8_t> rowOrder(RowOrderSize(ctx, level), 0);
  if (level.indexed)
    EncodeIndices(format, values.data(), level.pixels, rowOrder.data());
  else
    EncodeRowBytes(*level.codec, ctx, values.data(), level.pixels, rowOrder.data());
  FinishEncoding(format, ctx, level, rowOrder, data);
  return true;
}

bool EncodeFromFloats(std::int32_t format, std::span<const float> values,
                      const CConversionContext& ctx, std::vector<std::uint8_t>& data) {
  Level level;
  if (!DescribeLevel(format, ctx, level)) return false;
  if (!HasConverter(format, ctx, level, kEncodeFloats) || level.indexed) {
    NullEncode(level, data);
    return true;
  }
  if (values.size() < level.pixels * 4) return false;
  std::vector<std::uint8_t> rowOrder(RowOrderSize(ctx, level), 0);
  const CodecEntry& e = *level.codec;
  if (e.codec == Codec::kHalf4 || e.codec == Codec::kFloat4) {
    EncodeFloatChannels(e.codec, values.data(), level.pixels, ctx.bigEndian, rowOrder.data());
  } else {
    std::vector<std::uint8_t> bytes(level.pixels * 4);
    for (std::uint64_t i = 0; i < bytes.size(); ++i) bytes[i] = ChannelToByte(values[i]);
    EncodeRowBytes(e, ctx, bytes.data(), level.pixels, rowOrder.data());
  }
  FinishEncoding(format, ctx, level, rowOrder, data);
  return true;
}

}  // namespace zfx
