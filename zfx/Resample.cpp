#include "zfx/Resample.h"

#include <algorithm>
#include <cmath>

namespace zfx {

namespace {

struct Tap {
  std::uint32_t index;
  float weight;
};

// For every output sample, the source samples it draws on and their
// normalised weights.
std::vector<std::vector<Tap>> BuildTaps(std::uint32_t s, std::uint32_t d) {
  std::vector<std::vector<Tap>> taps(d);
  const double ratio = static_cast<double>(s) / d;
  if (d > s) {
    for (std::uint32_t i = 0; i < d; ++i) {
      const double x = (i + 0.5) * ratio;
      const double f = std::floor(x + 0.5);
      if (f < 1.0) {
        taps[i] = {{0, 1.0f}};
      } else if (f >= s) {
        taps[i] = {{s - 1, 1.0f}};
      } else {
        const auto hi = static_cast<std::uint32_t>(f);
        const double t = x - (f - 0.5);
        taps[i] = {{hi - 1, static_cast<float>(1.0 - t)}, {hi, static_cast<float>(t)}};
      }
    }
    return taps;
  }
  for (std::uint32_t i = 0; i < d; ++i) {
    const double start = i * ratio;
    const double end = (i + 1) * ratio;
    const auto first = static_cast<std::uint32_t>(std::floor(start));
    auto last = static_cast<std::uint32_t>(std::ceil(end)) - 1;
    if (last < first) last = first;
    double total = 0;
    std::vector<Tap>& list = taps[i];
    for (std::uint32_t k = first; k <= last; ++k) {
      double w = 1.0;
      if (k == first) w = 1.0 - (start - first);
      if (k == last) w = (k == first) ? end - start : end - k;
      if (w <= 0) continue;
      list.push_back({k < s ? k : s - 1, static_cast<float>(w)});
      total += w;
    }
    for (Tap& t : list) t.weight = static_cast<float>(t.weight / total);
  }
  return taps;
}

// Along rows: every row of `s` pixels becomes a row of `d` pixels.
void RowPass(const std::vector<float>& src, std::vector<float>& dst, std::uint32_t s, std::uint32_t d,
             std::uint32_t rows) {
  const std::vector<std::vector<Tap>> taps = BuildTaps(s, d);
  for (std::uint32_t row = 0; row < rows; ++row) {
    const float* in = src.data() + std::size_t{row} * s * 4;
    float* out = dst.data() + std::size_t{row} * d * 4;
    for (std::uint32_t i = 0; i < d; ++i) {
      float acc[4] = {0, 0, 0, 0};
      for (const Tap& t : taps[i]) {
        const float* p = in + std::size_t{t.index} * 4;
        for (int c = 0; c < 4; ++c) acc[c] += p[c] * t.weight;
      }
      for (int c = 0; c < 4; ++c) out[std::size_t{i} * 4 + c] = acc[c];
    }
  }
}

// Along columns: `s` rows become `d` rows.  Whole rows are weighted and
// added, so the walk through memory stays sequential.
void ColumnPass(const std::vector<float>& src, std::vector<float>& dst, std::uint32_t s, std::uint32_t d,
                std::uint32_t width) {
  const std::vector<std::vector<Tap>> taps = BuildTaps(s, d);
  const std::size_t rowValues = std::size_t{width} * 4;
  for (std::uint32_t i = 0; i < d; ++i) {
    float* out = dst.data() + std::size_t{i} * rowValues;
    std::fill(out, out + rowValues, 0.0f);
    for (const Tap& t : taps[i]) {
      const float* in = src.data() + std::size_t{t.index} * rowValues;
      for (std::size_t k = 0; k < rowValues; ++k) out[k] += in[k] * t.weight;
    }
  }
}

}  // namespace

std::vector<float> ResampleRGBA(const std::vector<float>& pixels, std::uint32_t width, std::uint32_t height,
                                std::uint32_t newWidth, std::uint32_t newHeight) {
  if (width == 0 || height == 0 || newWidth == 0 || newHeight == 0) return {};
  if (pixels.size() < std::size_t{width} * height * 4) return {};
  if (newWidth == width && newHeight == height) return pixels;
  std::vector<float> rows;
  if (newWidth != width) {
    rows.resize(std::size_t{newWidth} * height * 4);
    RowPass(pixels, rows, width, newWidth, height);
    if (newHeight == height) return rows;
  }
  const std::vector<float>& source = newWidth != width ? rows : pixels;
  std::vector<float> columns(std::size_t{newWidth} * newHeight * 4);
  ColumnPass(source, columns, height, newHeight, newWidth);
  return columns;
}

}  // namespace zfx
