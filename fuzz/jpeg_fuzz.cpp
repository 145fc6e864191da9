// Feeds arbitrary bytes to the JPEG decoder's two entry points, as the
// picture reader does: header analysis, then decoding when that passed.
#include <cstddef>
#include <cstdint>

#include "import/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CJpegDecoder d;
  if (d.AnalysisHeader(data, size) == 0 && d.Decode() == 0) {
    // Touch the last byte of every plane so that a short plane shows.
    volatile std::uint8_t sink = 0;
    for (auto& plane : d.mRgbP) sink = sink ^ plane[d.planeSize - 1];
    (void)sink;
  }
  d.ReleaseTables();
  return 0;
}
