#include "import/DibTypes.h"

namespace dib {

BITMAPFILEHEADER DecodeFileHeader(const std::uint8_t* p) {
  BITMAPFILEHEADER h{};
  h.bfType = Le16(p);
  h.bfSize = Le32(p + 2);
  h.bfReserved1 = Le16(p + 6);
  h.bfReserved2 = Le16(p + 8);
  h.bfOffBits = Le32(p + 10);
  return h;
}

BITMAPINFOHEADER DecodeInfoHeader(const std::uint8_t* p) {
  BITMAPINFOHEADER h{};
  h.biSize = Le32(p);
  h.biWidth = static_cast<std::int32_t>(Le32(p + 4));
  h.biHeight = static_cast<std::int32_t>(Le32(p + 8));
  h.biPlanes = Le16(p + 12);
  h.biBitCount = Le16(p + 14);
  h.biCompression = Le32(p + 16);
  h.biSizeImage = Le32(p + 20);
  h.biXPelsPerMeter = static_cast<std::int32_t>(Le32(p + 24));
  h.biYPelsPerMeter = static_cast<std::int32_t>(Le32(p + 28));
  h.biClrUsed = Le32(p + 32);
  h.biClrImportant = Le32(p + 36);
  return h;
}

void EncodeFileHeader(const BITMAPFILEHEADER& h, std::uint8_t* p) {
  PutLe16(p, h.bfType);
  PutLe32(p + 2, h.bfSize);
  PutLe16(p + 6, h.bfReserved1);
  PutLe16(p + 8, h.bfReserved2);
  PutLe32(p + 10, h.bfOffBits);
}

void EncodeInfoHeader(const BITMAPINFOHEADER& h, std::uint8_t* p) {
  PutLe32(p, h.biSize);
  PutLe32(p + 4, static_cast<std::uint32_t>(h.biWidth));
  PutLe32(p + 8, static_cast<std::uint32_t>(h.biHeight));
  PutLe16(p + 12, h.biPlanes);
  PutLe16(p + 14, h.biBitCount);
  PutLe32(p + 16, h.biCompression);
  PutLe32(p + 20, h.biSizeImage);
  PutLe32(p + 24, static_cast<std::uint32_t>(h.biXPelsPerMeter));
  PutLe32(p + 28, static_cast<std::uint32_t>(h.biYPelsPerMeter));
  PutLe32(p + 32, h.biClrUsed);
  PutLe32(p + 36, h.biClrImportant);
}

std::uint64_t StrideOf(std::int64_t width, int bitCount) {
  if (width <= 0 || bitCount <= 0) return 0;
  const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount);
  return ((bits + 7) / 8 + 3) & ~std::uint64_t{3};
}

std::uint32_t ColorCountOf(const BITMAPINFOHEADER& h) {
  // The core header keeps its 16-bit bit count where the info header's
  // height field has its upper half.
  const unsigned bitCount = h.biSize == kCoreHeaderSize
                                ? (static_cast<std::uint32_t>(h.biHeight) >> 16) & 0xFFFF
                                : h.biBitCount;
  std::uint64_t count = bitCount >= 63 ? ~std::uint64_t{0} : std::uint64_t{1} << bitCount;
  if (h.biClrUsed != 0 && h.biClrUsed < count) count = h.biClrUsed;
  return count > 256 ? 0 : static_cast<std::uint32_t>(count);
}

}  // namespace dib
