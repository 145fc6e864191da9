#include "zfx/ColorReduction.h"

#include <algorithm>
#include <cfloat>
#include <map>

#include "zfx/Image.h"

namespace zfx {

// ---- FPaletteReduce ----

FPaletteReduce::FPaletteReduce(const Palette& palette, bool useAlpha) : m_useAlpha(useAlpha) {
  m_palette.reserve(palette.size() * 4);
  for (const PaletteColor& c : palette) {
    for (int k = 0; k < 4; ++k) m_palette.push_back(ByteToFloat(c[k]));
  }
}

std::uint32_t FPaletteReduce::FindNearest(const float* colour) const {
  std::uint32_t best = 0;
  float bestDistance = FLT_MAX;
  const std::size_t count = m_palette.size() / 4;
  for (std::size_t i = 0; i < count; ++i) {
    const float* p = m_palette.data() + i * 4;
    const float dr = colour[0] - p[0];
    const float dg = colour[1] - p[1];
    const float db = colour[2] - p[2];
    float d = dr * dr + dg * dg + db * db;
    if (m_useAlpha) {
      const float da = colour[3] - p[3];
      d += da * da;
    }
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<std::uint32_t>(i);
    }
  }
  return best;
}

bool FPaletteReduce::operator()(float* out, const float* in) {
  const float colour[4] = {in[0], in[1], in[2], in[3]};
  std::copy(colour, colour + 4, out);
  if (m_palette.empty()) return true;
  const float* p = m_palette.data() + std::size_t{FindNearest(colour)} * 4;
  out[0] = p[0];
  out[1] = p[1];
  out[2] = p[2];
  if (m_useAlpha) out[3] = p[3];
  return true;
}

bool FPaletteReduce::operator()(std::uint8_t* out, const std::uint8_t* in) {
  const float f[4] = {ByteToFloat(in[0]), ByteToFloat(in[1]), ByteToFloat(in[2]), ByteToFloat(in[3])};
  float r[4];
  (*this)(r, f);
  for (int k = 0; k < 4; ++k) out[k] = FloatToByte(r[k]);
  return true;
}

// ---- Error diffusion ----

const SDiffusionKernel& JarvisJudiceNinkeKernel() {
  static const SDiffusionKernel kernel{
      5, 3, 2,
      {0.0f, 0.0f, 0.0f, 7.0f / 48, 5.0f / 48,
       3.0f / 48, 5.0f / 48, 7.0f / 48, 5.0f / 48, 3.0f / 48,
       1.0f / 48, 3.0f / 48, 5.0f / 48, 3.0f / 48, 1.0f / 48}};
  return kernel;
}

bool Diffuse(const SDiffusionKernel& kernel, const std::vector<float>& source, std::vector<float>& output,
             std::uint32_t width, std::uint32_t height, FOperateColorBase& reducer) {
  const std::size_t count = std::size_t{width} * height;
  if (source.size() != count * 4) return false;
  if (kernel.width <= 0 || kernel.height <= 0 || kernel.centre < 0 || kernel.centre >= kernel.width ||
      kernel.weights.size() != static_cast<std::size_t>(kernel.width) * kernel.height)
    return false;
  std::vector<float> error(count * 4, 0.0f);
  output.assign(count * 4, 0.0f);
  const std::int64_t w = width, h = height;
  for (std::int64_t y = 0; y < h; ++y) {
    for (std::int64_t x = 0; x < w; ++x) {
      const std::size_t at = static_cast<std::size_t>(y * w + x) * 4;
      float s[4], c[4], q[4];
      for (int k = 0; k < 4; ++k) s[k] = c[k] = source[at + k] - error[at + k];
      // A reducer that leaves its output alone passes the adjusted colour on.
      reducer(c, s);
      for (int k = 0; k < 4; ++k) {
        output[at + k] = c[k];
        error[at + k] = c[k];
        q[k] = c[k] - source[at + k];
      }
      for (int ky = 0; ky < kernel.height; ++ky) {
        const std::int64_t ty = y + ky;
        if (ty >= h) break;
        for (int kx = 0; kx < kernel.width; ++kx) {
          const float weight = kernel.weights[static_cast<std::size_t>(ky) * kernel.width + kx];
          if (weight == 0.0f) continue;
          const std::int64_t tx = x + kx - kernel.centre;
          if (tx < 0 || tx >= w) continue;
          float* e = error.data() + static_cast<std::size_t>(ty * w + tx) * 4;
          for (int k = 0; k < 4; ++k) e[k] += weight * q[k];
        }
      }
    }
  }
  return true;
}

// ---- Median cut ----

namespace {

struct ColourCount {
  std::uint32_t key;  // red << 24 | green << 16 | blue << 8 | alpha
  std::uint32_t count;
};

std::uint8_t Channel(std::uint32_t key, int c) { return static_cast<std::uint8_t>(key >> (24 - 8 * c)); }

struct Box {
  std::vector<ColourCount> colours;  // distinct colours, in key order
  std::uint64_t total = 0;
  int max[4] = {0, 0, 0, 0};
  int min[4] = {255, 255, 255, 255};
  float weight[4] = {1.0f, 1.0f, 1.0f, 1.0f};

  void Widen() {
    for (const ColourCount& c : colours) {
      total += c.count;
      for (int k = 0; k < 4; ++k) {
        max[k] = std::max<int>(max[k], Channel(c.key, k));
        min[k] = std::min<int>(min[k], Channel(c.key, k));
      }
    }
  }

  std::int64_t Score() const {
    std::int64_t score = 1;
    for (int k = 0; k < 4; ++k) score *= max[k] < min[k] ? 0 : max[k] - min[k] + 1;
    return score;
  }
};

}  // namespace

bool BuildPalette(const std::vector<std::uint8_t>& rgba, std::uint32_t colorCount, bool useAlpha,
                  Palette& palette) {
  palette.clear();
  if (colorCount < 1 || colorCount > 256 || rgba.size() < 4) return false;
  const std::size_t pixels = rgba.size() / 4;

  // Distinct colours with their counts (sorting keeps the cost in the
  // number of pixels once, then in the number of colours).
  std::vector<std::uint32_t> keys(pixels);
  for (std::size_t p = 0; p < pixels; ++p) {
    const std::uint8_t* c = rgba.data() + p * 4;
    keys[p] = std::uint32_t{c[0]} << 24 | std::uint32_t{c[1]} << 16 | std::uint32_t{c[2]} << 8 |
              (useAlpha ? c[3] : 0u);
  }
  std::sort(keys.begin(), keys.end());
  Box first;
  for (std::size_t i = 0; i < keys.size();) {
    std::size_t j = i;
    while (j < keys.size() && keys[j] == keys[i]) ++j;
    first.colours.push_back({keys[i], static_cast<std::uint32_t>(j - i)});
    i = j;
  }
  keys.clear();
  keys.shrink_to_fit();
  first.Widen();

  // Boxes by score; equal scores keep their order of arrival.
  std::multimap<std::int64_t, Box> queue;
  queue.emplace(first.Score(), std::move(first));
  while (queue.size() < colorCount) {
    auto top = std::prev(queue.end());
    if (top->first < 0) break;
    Box& box = top->second;

    int channel = 0;
    float extent = -1.0f;
    for (int k = 0; k < 4; ++k) {
      const int range = box.max[k] - box.min[k];
      const float e = static_cast<float>(range == 255 ? 255 : range + 1) * box.weight[k];
      if (e > extent) {
        extent = e;
        channel = k;
      }
    }
    if (extent < 2.0f) break;

    std::uint64_t histogram[256] = {};
    for (const ColourCount& c : box.colours) histogram[Channel(c.key, channel)] += c.count;
    const std::uint64_t half = box.total / 2;
    int cut = box.max[channel];
    std::uint64_t sum = 0;
    for (int v = box.min[channel]; v <= box.max[channel]; ++v) {
      sum += histogram[v];
      if (sum > half) {
        cut = v == box.max[channel] ? v : v + 1;
        break;
      }
    }

    Box below, rest;
    for (const ColourCount& c : box.colours) {
      (Channel(c.key, channel) < cut ? below : rest).colours.push_back(c);
    }
    below.Widen();
    rest.Widen();
    const std::int64_t score = top->first;
    if (below.total > 0 && rest.total > 0) {
      queue.erase(top);
      const std::int64_t belowScore = below.Score(), restScore = rest.Score();
      queue.emplace(belowScore, std::move(below));
      queue.emplace(restScore, std::move(rest));
    } else {
      Box kept = std::move(box);
      queue.erase(top);
      queue.emplace(-score, std::move(kept));
    }
  }

  for (const auto& [score, box] : queue) {
    PaletteColor colour{};
    for (int k = 0; k < 4; ++k) {
      colour[k] = static_cast<std::uint8_t>(box.max[k] < box.min[k] ? 0 : box.min[k] + (box.max[k] - box.min[k]) / 2);
    }
    if (!useAlpha) colour[3] = 0;
    palette.push_back(colour);
  }
  return !palette.empty();
}

}  // namespace zfx
