// The import dialog's BMP reader. Uncompressed and bit-field files of 1, 4,
// 8, 15, 16, 24 and 32 bits per pixel, bottom-up or top-down; RLE, JPEG and
// PNG compression and info headers other than the 40-byte one are refused.
//
// Every header value is checked before use: the pixel rows must lie inside
// the file (all but the last row's padding), the work picture is capped at
// dib::kMaxPictureBytes, and each row reads only the bytes the file holds.
#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "import/PictureReader.h"
#include "res/strings.h"

namespace {

// One colour channel of a bit-field pixel: the mask's bits taken out and
// widened (or narrowed) to 8 bits by shifting, as the 16-to-24-bit copy of
// the bitmap class does.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int width = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    width = 32 - std::countl_zero(m >> shift);
  }
  std::uint8_t Get(std::uint32_t pixel) const {
    if (width == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>(width >= 8 ? v >> (width - 8) : v << (8 - width));
  }
};

struct Masks {
  Channel red, green, blue;
};

const Masks kMasks555{Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
const Masks kMasks565{Channel(0xF800), Channel(0x07E0), Channel(0x001F)};
const Masks kMasks888{Channel(0xFF0000), Channel(0x00FF00), Channel(0x0000FF)};

}  // namespace

bool ReadBmpFile(const std::uint8_t* data, std::size_t size, std::string_view fileName, CDIB& work,
                 std::string& message) {
  constexpr std::size_t kHeaders = dib::kFileHeaderSize + dib::kInfoHeaderSize;
  const auto unsupported = [&] {
    message = FileMessage(fileName, res::IDS_BMP_UNSUPPORTED_FORMAT);
    return false;
  };
  if (!data || size < kHeaders) return unsupported();
  const BITMAPFILEHEADER fh = dib::DecodeFileHeader(data);
  const BITMAPINFOHEADER ih = dib::DecodeInfoHeader(data + dib::kFileHeaderSize);
  if (ih.biSize != dib::kInfoHeaderSize) return unsupported();
  if (ih.biCompression != dib::kBiRgb && ih.biCompression != dib::kBiBitfields) {
    message = FileMessage(fileName, res::IDS_BMP_COMPRESSED);
    return false;
  }
  const int bitCount = ih.biBitCount;
  switch (bitCount) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32:
      break;
    default:
      message = BitCountMessage(bitCount, ih.biClrUsed);
      return false;
  }
  if (ih.biWidth <= 0 || ih.biHeight == 0 || ih.biHeight == INT_MIN) return unsupported();

  // A 15-bit file stores two bytes per pixel like a 16-bit one.
  const int storedBits = bitCount == 15 ? 16 : bitCount;
  const std::uint64_t rows = ih.biHeight < 0 ? -static_cast<std::int64_t>(ih.biHeight) : ih.biHeight;
  const bool topDown = ih.biHeight < 0;
  const std::uint64_t stride = dib::StrideOf(ih.biWidth, storedBits);
  std::uint64_t width = 0;
  switch (storedBits) {
    case 1: width = stride * 8; break;
    case 4: width = stride * 2; break;
    case 8: width = stride; break;
    default: width = (static_cast<std::uint64_t>(ih.biWidth) + 3) & ~std::uint64_t{3}; break;
  }
  if (width * 3 > dib::kMaxPictureBytes || width * 3 * rows > dib::kMaxPictureBytes) return unsupported();

  RGBQUAD table[256] = {};
  if (storedBits <= 8) {
    const std::uint32_t most = 1u << storedBits;
    const std::uint32_t entries = (ih.biClrUsed == 0 || ih.biClrUsed > most) ? most : ih.biClrUsed;
    if (kHeaders + 4 * std::uint64_t{entries} > size) return unsupported();
    for (std::uint32_t i = 0; i < entries; ++i) {
      const std::uint8_t* e = data + kHeaders + 4 * i;
      table[i] = RGBQUAD{e[0], e[1], e[2], e[3]};
    }
  }
  Masks masks = storedBits == 32 ? kMasks888 : kMasks555;
  const bool bitfields = ih.biCompression == dib::kBiBitfields && (bitCount == 16 || bitCount == 32);
  // Some writers flag bit fields but put the pixels right after the info
  // header; the three words there are pixels, not masks, and such a file
  // means the usual layout of its bit count.
  if (bitfields && fh.bfOffBits < kHeaders + 12) {
    masks = bitCount == 16 ? kMasks565 : kMasks888;
  } else if (bitfields) {
    if (kHeaders + 12 > size) return unsupported();
    const std::uint32_t r = dib::Le32(data + kHeaders);
    const std::uint32_t g = dib::Le32(data + kHeaders + 4);
    const std::uint32_t b = dib::Le32(data + kHeaders + 8);
    // Without any mask a file means the usual layout of its bit count.
    if (r | g | b)
      masks = Masks{Channel(r), Channel(g), Channel(b)};
    else
      masks = bitCount == 16 ? kMasks565 : kMasks888;
  }
  if (fh.bfOffBits >= size) return unsupported();
  // The file must hold every row it claims; only the padding of the last
  // row may be missing (some writers drop it). Without this a few header
  // bytes could claim a picture of a gigabyte of black.
  const std::uint64_t pixelBytes = size - fh.bfOffBits;
  const std::uint64_t lastRowBytes = (static_cast<std::uint64_t>(ih.biWidth) * storedBits + 7) / 8;
  if (pixelBytes < (rows - 1) * stride + lastRowBytes) return unsupported();

  if (!work.Create(static_cast<int>(width), -static_cast<int>(rows), nullptr, 24)) return unsupported();

  const std::uint8_t* pixels = data + fh.bfOffBits;
  const std::size_t outStride = work.GetStride();
  for (std::uint64_t fileRow = 0; fileRow < rows; ++fileRow) {
    const std::uint64_t offset = fileRow * stride;
    if (offset >= pixelBytes) break;
    const std::uint64_t have = std::min(stride, pixelBytes - offset);
    const std::uint8_t* in = pixels + offset;
    const std::uint64_t outRow = topDown ? rows - 1 - fileRow : fileRow;
    std::uint8_t* out = work.GetBits() + outRow * outStride;
    auto put = [&out](const RGBQUAD& c) {
      out[0] = c.rgbBlue;
      out[1] = c.rgbGreen;
      out[2] = c.rgbRed;
      out += 3;
    };
    // Pixels whose bytes the file holds in full.
    switch (storedBits) {
      case 1:
        for (std::uint64_t x = 0, n = std::min(width, have * 8); x < n; ++x)
          put(table[(in[x / 8] >> (7 - x % 8)) & 1]);
        break;
      case 4:
        for (std::uint64_t x = 0, n = std::min(width, have * 2); x < n; ++x)
          put(table[(x & 1) ? (in[x / 2] & 0x0F) : (in[x / 2] >> 4)]);
        break;
      case 8:
        for (std::uint64_t x = 0, n = std::min(width, have); x < n; ++x) put(table[in[x]]);
        break;
      case 16:
        for (std::uint64_t x = 0, n = std::min<std::uint64_t>(ih.biWidth, have / 2); x < n; ++x) {
          const std::uint32_t w = dib::Le16(in + 2 * x);
          put(RGBQUAD{masks.blue.Get(w), masks.green.Get(w), masks.red.Get(w), 0});
        }
        break;
      case 24:
        for (std::uint64_t x = 0, n = std::min<std::uint64_t>(ih.biWidth, have / 3); x < n; ++x) {
          std::memcpy(out, in + 3 * x, 3);
          out += 3;
        }
        break;
      case 32:
        for (std::uint64_t x = 0, n = std::min<std::uint64_t>(ih.biWidth, have / 4); x < n; ++x) {
          const std::uint32_t w = dib::Le32(in + 4 * x);
          put(RGBQUAD{masks.blue.Get(w), masks.green.Get(w), masks.red.Get(w), 0});
        }
        break;
    }
  }
  return true;
}
