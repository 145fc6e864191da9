// The shape of a stored face: which pixels of the texture stay opaque, and
// the rounded corners of the small face. The encoder applies it to every
// face it writes; the demo installation draws its portraits with it so that
// they look like the game's own.
#pragma once

#include <array>
#include <cstdint>

namespace kaocg_func {

// 7 x 7 tables indexed [r][c] by the row and column distance from the nearest
// corner of the 60 x 60 small face; the four corners mirror one table.
inline constexpr int kCornerSize = 7;
using CornerTable = std::array<std::array<uint8_t, kCornerSize>, kCornerSize>;

// OR-ed into each colour byte: the corner pixels turn white where the alpha
// table makes them transparent, which keeps filtered edges light.
inline constexpr CornerTable kCornerColourTable = {{
    {255, 255, 255, 255, 255, 0, 0},
    {255, 255, 255, 0, 0, 0, 0},
    {255, 255, 0, 0, 0, 0, 0},
    {255, 0, 0, 0, 0, 0, 0},
    {255, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0},
}};

inline constexpr CornerTable kCornerAlphaTable = {{
    {0, 0, 0, 0, 0, 71, 152},
    {0, 0, 0, 152, 255, 255, 255},
    {0, 0, 255, 255, 255, 255, 255},
    {0, 152, 255, 255, 255, 255, 255},
    {0, 255, 255, 255, 255, 255, 255},
    {71, 255, 255, 255, 255, 255, 255},
    {152, 255, 255, 255, 255, 255, 255},
}};

constexpr bool CornerTablesAreSymmetric() {
  for (int r = 0; r < kCornerSize; ++r)
    for (int c = 0; c < kCornerSize; ++c)
      if (kCornerAlphaTable[r][c] != kCornerAlphaTable[c][r] ||
          kCornerColourTable[r][c] != kCornerColourTable[c][r]) return false;
  return true;
}
// The corner is round, so the tables read the same across the diagonal; the
// encoder's [c][r] indexing and the [r][c] layout above then agree.
static_assert(CornerTablesAreSymmetric());

// What the mask does to one pixel of a texture of a face size.
struct MaskedPixel {
  uint8_t colourOr;   // OR-ed into red, green and blue
  bool clearColour;   // colour forced to 0 (outside the small face)
  uint8_t alpha;
};

// The mask at texture pixel (x, y) for a face size (0 small, 1 medium,
// 2 large); x and y are non-negative and inside the texture.
MaskedPixel FaceMaskAt(int faceSize, int x, int y);

// Applies the mask to rows of red, green, blue, alpha bytes of a whole
// texture of the face size, side x side pixels.
void ApplyFaceMask(int faceSize, uint8_t* rgba);

}  // namespace kaocg_func
