// The indexed form of an image: one 8-bit index per pixel and one or more
// palettes of 16 or 256 colours.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zfx {

// One palette colour: red, green, blue, alpha.
using PaletteColor = std::array<std::uint8_t, 4>;
using Palette = std::vector<PaletteColor>;

class CIndexedData {
 public:
  // Width x height zero indices and one palette of colorCount zero colours.
  // colorCount is 16 or 256 (0 leaves the data empty).
  bool Create(std::uint32_t width, std::uint32_t height, std::uint32_t colorCount);
  void Clear();
  // Indices match the size, the colour count is 16 or 256 and there is at
  // least one palette, each of colour-count colours.
  bool IsConsistent() const;
  // The colour of a pixel's index in the given palette; an index beyond the
  // palette gives transparent black.
  PaletteColor Lookup(std::size_t pixel, std::size_t palette = 0) const;

  std::vector<std::uint8_t> indices;
  std::vector<Palette> palettes;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t colorCount = 0;
};

}  // namespace zfx
