#include "facedata/FaceMask.h"

#include "facedata/ImageArchiveFormat.h"

namespace kaocg_func {

MaskedPixel FaceMaskAt(int faceSize, int x, int y) {
  const FaceGeometry& g = kFaceGeometry[static_cast<std::size_t>(faceSize)];
  const bool inside = x < g.visibleWidth && y < g.visibleHeight;
  if (faceSize != kFaceSmall) {
    // Large and medium faces keep their colour outside the visible area.
    return {0, false, static_cast<uint8_t>(inside ? 255 : 0)};
  }
  if (!inside) return {0, true, 0};
  const int w = g.visibleWidth, h = g.visibleHeight;
  const bool cornerColumn = x < kCornerSize || x > w - 1 - kCornerSize;
  const bool cornerRow = y < kCornerSize || y > h - 1 - kCornerSize;
  if (cornerColumn && cornerRow) {
    const int c = x < kCornerSize ? x : w - 1 - x;
    const int r = y < kCornerSize ? y : h - 1 - y;
    return {kCornerColourTable[r][c], false, kCornerAlphaTable[r][c]};
  }
  return {0, false, 255};
}

void ApplyFaceMask(int faceSize, uint8_t* rgba) {
  const int side = kFaceGeometry[static_cast<std::size_t>(faceSize)].textureSide;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x, rgba += 4) {
      const MaskedPixel m = FaceMaskAt(faceSize, x, y);
      for (int k = 0; k < 3; ++k) rgba[k] = m.clearColour ? 0 : static_cast<uint8_t>(rgba[k] | m.colourOr);
      rgba[3] = m.alpha;
    }
  }
}

}  // namespace kaocg_func
