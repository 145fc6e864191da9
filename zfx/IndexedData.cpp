#include "zfx/IndexedData.h"

#include "zfx/Image.h"

namespace zfx {

bool CIndexedData::Create(std::uint32_t w, std::uint32_t h, std::uint32_t count) {
  if (count != 0 && count != 16 && count != 256) return false;
  if (!IsAcceptedImageSize(w, h)) return false;
  Clear();
  width = w;
  height = h;
  colorCount = count;
  if (count == 0) return true;
  indices.assign(std::size_t{w} * h, 0);
  palettes.assign(1, Palette(count, PaletteColor{0, 0, 0, 0}));
  return true;
}

void CIndexedData::Clear() {
  indices.clear();
  palettes.clear();
  width = 0;
  height = 0;
  colorCount = 0;
}

bool CIndexedData::IsConsistent() const {
  if (colorCount != 16 && colorCount != 256) return false;
  if (!IsAcceptedImageSize(width, height)) return false;
  if (indices.size() != std::size_t{width} * height) return false;
  if (palettes.empty()) return false;
  for (const Palette& p : palettes) {
    if (p.size() != colorCount) return false;
  }
  return true;
}

PaletteColor CIndexedData::Lookup(std::size_t pixel, std::size_t palette) const {
  if (pixel >= indices.size() || palette >= palettes.size()) return {0, 0, 0, 0};
  const Palette& p = palettes[palette];
  const std::uint8_t index = indices[pixel];
  return index < p.size() ? p[index] : PaletteColor{0, 0, 0, 0};
}

}  // namespace zfx
