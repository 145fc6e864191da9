// Colour reduction: a median-cut palette builder, a nearest-colour reducer
// and error diffusion with the Jarvis-Judice-Ninke kernel.  Images reach
// them through CImageBase::ReduceColors and CImageBase::ConvertToIndexed.
#pragma once

#include <cstdint>
#include <vector>

#include "zfx/IndexedData.h"

namespace zfx {

// An operation on one colour, in bytes or in floats (four values each).
class FOperateColorBase {
 public:
  virtual bool operator()(std::uint8_t* out, const std::uint8_t* in) = 0;
  virtual bool operator()(float* out, const float* in) = 0;

 protected:
  ~FOperateColorBase() = default;
};

class FNoOperateColor final : public FOperateColorBase {
 public:
  bool operator()(std::uint8_t*, const std::uint8_t*) override { return true; }
  bool operator()(float*, const float*) override { return true; }
};

class FReduceColorBase : public FOperateColorBase {
 protected:
  ~FReduceColorBase() = default;
};

// Maps a colour to the nearest colour of a palette: squared distance over
// red, green and blue (and alpha when asked), the lowest index on ties.
class FPaletteReduce final : public FReduceColorBase {
 public:
  FPaletteReduce(const Palette& palette, bool useAlpha);

  // Index of the nearest palette colour to four floats (0 for no palette).
  std::uint32_t FindNearest(const float* colour) const;
  // Copies in to out, then takes red, green, blue (and alpha with use-alpha)
  // from the nearest palette colour.
  bool operator()(std::uint8_t* out, const std::uint8_t* in) override;
  bool operator()(float* out, const float* in) override;

 private:
  std::vector<float> m_palette;
  bool m_useAlpha;
};

// An error-diffusion kernel: weights row by row, the current pixel at
// column `centre` of row 0.
struct SDiffusionKernel {
  int width;
  int height;
  int centre;
  std::vector<float> weights;
};

// Jarvis, Judice and Ninke: 5 x 3, weights in 48ths.
const SDiffusionKernel& JarvisJudiceNinkeKernel();

// Median-cut palette of at most colorCount (1 to 256) colours of RGBA
// bytes; without useAlpha the alpha of pixels is ignored and every palette
// alpha is 0.  False when no colour could be taken.
bool BuildPalette(const std::vector<std::uint8_t>& rgba, std::uint32_t colorCount, bool useAlpha,
                  Palette& palette);

// Error diffusion of width x height float RGBA pixels: output receives the
// reducer's colour for every pixel.  False when the sizes disagree.
bool Diffuse(const SDiffusionKernel& kernel, const std::vector<float>& source, std::vector<float>& output,
             std::uint32_t width, std::uint32_t height, FOperateColorBase& reducer);

}  // namespace zfx
