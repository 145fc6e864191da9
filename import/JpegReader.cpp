// The import dialog's JPEG reader: the decoder's three planes become the
// 24-bit bottom-up work picture, its width rounded up to a multiple of 4
// with black columns.
#include "import/JpegDecoder.h"
#include "import/PictureReader.h"
#include "res/strings.h"

bool ReadJpegFile(const std::uint8_t* data, std::size_t size, std::string_view fileName, CDIB& work,
                  std::string& message) {
  CJpegDecoder decoder;
  if (decoder.AnalysisHeader(data, size) < 0) {
    message = FileMessage(fileName, res::IDS_JPEG_HEADER_FAILED);
    decoder.ReleaseTables();
    return false;
  }
  const auto failed = [&] {
    message = FileMessage(fileName, res::IDS_JPEG_DECODE_FAILED);
    decoder.ReleaseTables();
    return false;
  };
  if (decoder.Decode() < 0) return failed();
  const std::uint64_t x = decoder.X > 0 ? static_cast<std::uint64_t>(decoder.X) : 0;
  const std::uint64_t y = decoder.Y > 0 ? static_cast<std::uint64_t>(decoder.Y) : 0;
  if (x == 0 || y == 0 || decoder.planeSize < x * y || !decoder.mRgbP[0] || !decoder.mRgbP[1] ||
      !decoder.mRgbP[2])
    return failed();
  const std::uint64_t width = (x + 3) & ~std::uint64_t{3};
  if (width * y * 3 > dib::kMaxPictureBytes) return failed();
  if (!work.Create(static_cast<int>(width), -static_cast<int>(y), nullptr, 24)) return failed();
  const std::size_t stride = work.GetStride();
  const std::uint8_t* red = decoder.mRgbP[0].get();
  const std::uint8_t* green = decoder.mRgbP[1].get();
  const std::uint8_t* blue = decoder.mRgbP[2].get();
  for (std::uint64_t r = 0; r < y; ++r) {
    // Memory row 0 is the bottom row, which is the planes' last row.
    const std::uint64_t planeRow = (y - 1 - r) * x;
    std::uint8_t* out = work.GetBits() + r * stride;
    for (std::uint64_t i = 0; i < x; ++i, out += 3) {
      out[0] = blue[planeRow + i];
      out[1] = green[planeRow + i];
      out[2] = red[planeRow + i];
    }
  }
  for (auto& plane : decoder.mRgbP) plane.reset();
  decoder.ReleaseTables();
  return true;
}
