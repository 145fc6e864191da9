// Separable resampling of four-channel pixel rows, shared by the images.
#pragma once

#include <cstdint>
#include <vector>

namespace zfx {

// Resamples width x height pixels of four values each to newWidth x
// newHeight: along rows first, then along columns; a pass whose size does
// not change is skipped.  Enlarging interpolates linearly between the two
// nearest sample centres (the edge sample alone beyond the outer centres);
// shrinking averages the covered samples weighted by their overlap.
std::vector<float> ResampleRGBA(const std::vector<float>& pixels, std::uint32_t width, std::uint32_t height,
                                std::uint32_t newWidth, std::uint32_t newHeight);

}  // namespace zfx
