// Helpers for the JPEG decoder tests: an independent model of the decoder's
// arithmetic (direct inverse DCT, replication, colour conversion), a small
// baseline encoder that writes given quantised coefficients, and access to
// libjpeg-turbo's cjpeg and djpeg as an outside oracle.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace jpegtest {

using Block = std::array<std::int32_t, 64>;  // natural order

// Zig-zag position to natural index, written out from T.81 figure A.6.
inline const int kZigzag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// cos((2x + 1) u pi / 16) rounded to six decimals.
inline double CosTable(int u, int x) {
  return std::round(std::cos((2 * x + 1) * u * M_PI / 16.0) * 1e6) / 1e6;
}

// The inverse DCT exactly as written: all 4096 products in index order,
// each formed left to right, truncated toward zero.
inline std::array<std::int32_t, 64> ReferenceIdct(const Block& f, int precision = 8) {
  const double c0 = 0.707106782373095;
  const double c0sq = c0 * c0;
  const double level = precision == 8 ? 128 : 2048;
  std::array<std::int32_t, 64> out{};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      double sum = 0;
      for (int v = 0; v < 8; ++v) {
        for (int u = 0; u < 8; ++u) {
          double term;
          if (u == 0 && v == 0)
            term = c0sq * f[8 * v + u] * CosTable(u, x) * CosTable(v, y);
          else
            term = (u == 0 ? c0 : 1.0) * (v == 0 ? c0 : 1.0) * f[8 * v + u] * CosTable(u, x) *
                   CosTable(v, y);
          sum += term;
        }
      }
      out[8 * y + x] = static_cast<std::int32_t>(level + 0.25 * sum);
    }
  }
  return out;
}

inline std::uint8_t RefClamp(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<std::uint8_t>(v); }

struct Rgb {
  std::uint8_t r, g, b;
};
inline Rgb ReferenceColour(int y, int cb, int cr) {
  return {RefClamp(y + 1.402 * (cr - 128)), RefClamp(y - 0.3441 * (cb - 128) - 0.7139 * (cr - 128)),
          RefClamp(y + 1.7718 * (cb - 128))};
}

// ---------------------------------------------------------------------------
// A baseline encoder of given quantised coefficients.

struct HuffSpec {
  std::array<std::uint8_t, 16> bits{};  // BITS[1..16]
  std::vector<std::uint8_t> values;
};

// DC categories 0..11 with the code lengths of T.81 table K.3.
inline HuffSpec DcSpec() {
  HuffSpec s;
  s.bits = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 12; ++i) s.values.push_back(static_cast<std::uint8_t>(i));
  return s;
}

// Every AC symbol of sizes 1..10, EOB and ZRL, with the code lengths of
// T.81 table K.5 (2 to 16 bits), shortest codes for the commonest symbols.
inline HuffSpec AcSpec() {
  HuffSpec s;
  s.bits = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 125};
  std::vector<std::uint8_t> sym;
  sym.push_back(0x00);
  sym.push_back(0xF0);
  for (int r = 0; r < 16; ++r)
    for (int sz = 1; sz <= 10; ++sz) sym.push_back(static_cast<std::uint8_t>(r << 4 | sz));
  std::stable_sort(sym.begin() + 2, sym.end(), [](int a, int b) { return (a >> 4) + (a & 15) < (b >> 4) + (b & 15); });
  std::swap(sym[0], sym[2]);  // 0x01 first, then EOB
  s.values = sym;
  return s;
}

struct HuffCodes {
  std::array<std::uint32_t, 256> code{};
  std::array<int, 256> length{};
};

inline HuffCodes MakeCodes(const HuffSpec& s) {
  HuffCodes h;
  std::uint32_t code = 0;
  std::size_t k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < s.bits[len - 1]; ++i, ++k) {
      h.code[s.values[k]] = code++;
      h.length[s.values[k]] = len;
    }
    code <<= 1;
  }
  return h;
}

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Put(std::uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      acc_ = (acc_ << 1) | ((value >> i) & 1);
      if (++count_ == 8) Emit();
    }
  }
  // Pads the last byte with 1-bits.
  void Flush() {
    while (count_ != 0) Put(1, 1);
  }

 private:
  void Emit() {
    out_.push_back(static_cast<std::uint8_t>(acc_));
    if ((acc_ & 0xFF) == 0xFF) out_.push_back(0x00);
    acc_ = 0;
    count_ = 0;
  }
  std::vector<std::uint8_t>& out_;
  std::uint32_t acc_ = 0;
  int count_ = 0;
};

struct TestComponent {
  int H = 1, V = 1, Tq = 0, Td = 0, Ta = 0;
};

struct TestPicture {
  int X = 8, Y = 8, P = 8;
  std::vector<TestComponent> comps{TestComponent{}};
  std::array<Block, 4> quant{};  // natural order
  bool quant16 = false;
  std::array<HuffSpec, 3> dc{DcSpec(), DcSpec(), DcSpec()};
  std::array<HuffSpec, 3> ac{AcSpec(), AcSpec(), AcSpec()};
  int restartInterval = 0;
  std::vector<std::uint8_t> extraSegments;  // written after SOI
  std::vector<Block> blocks;                // decoding order, quantised, natural order

  TestPicture() {
    for (auto& q : quant) q.fill(1);
  }
  // A single component is coded one block per MCU whatever its factors.
  int H(std::size_t c) const { return comps.size() == 1 ? 1 : comps[c].H; }
  int V(std::size_t c) const { return comps.size() == 1 ? 1 : comps[c].V; }
  int Hmax() const {
    int m = 0;
    for (std::size_t c = 0; c < comps.size(); ++c) m = std::max(m, H(c));
    return m;
  }
  int Vmax() const {
    int m = 0;
    for (std::size_t c = 0; c < comps.size(); ++c) m = std::max(m, V(c));
    return m;
  }
  int McuColumns() const { return ((X + 7) / 8 + Hmax() - 1) / Hmax(); }
  int McuRows() const { return ((Y + 7) / 8 + Vmax() - 1) / Vmax(); }
  int BlocksPerMcu() const {
    int n = 0;
    for (std::size_t c = 0; c < comps.size(); ++c) n += H(c) * V(c);
    return n;
  }
};

inline void PutWord(std::vector<std::uint8_t>& o, int w) {
  o.push_back(static_cast<std::uint8_t>(w >> 8));
  o.push_back(static_cast<std::uint8_t>(w));
}

inline int Category(std::int32_t v) {
  int n = 0;
  for (std::uint32_t a = static_cast<std::uint32_t>(v < 0 ? -v : v); a != 0; a >>= 1) ++n;
  return n;
}

inline void PutValue(BitWriter& w, std::int32_t v, int cat) {
  if (cat == 0) return;
  const std::uint32_t bits = v >= 0 ? static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v + (1 << cat) - 1);
  w.Put(bits, cat);
}

// Segments up to and including the scan header.
inline std::vector<std::uint8_t> BuildHeader(const TestPicture& p) {
  std::vector<std::uint8_t> o{0xFF, 0xD8};
  o.insert(o.end(), p.extraSegments.begin(), p.extraSegments.end());
  for (int t = 0; t < 4; ++t) {
    o.insert(o.end(), {0xFF, 0xDB});
    PutWord(o, 2 + 1 + 64 * (p.quant16 ? 2 : 1));
    o.push_back(static_cast<std::uint8_t>((p.quant16 ? 0x10 : 0) | t));
    for (int i = 0; i < 64; ++i) {
      if (p.quant16)
        PutWord(o, p.quant[t][kZigzag[i]]);
      else
        o.push_back(static_cast<std::uint8_t>(p.quant[t][kZigzag[i]]));
    }
  }
  o.insert(o.end(), {0xFF, 0xC0});
  PutWord(o, 8 + 3 * static_cast<int>(p.comps.size()));
  o.push_back(static_cast<std::uint8_t>(p.P));
  PutWord(o, p.Y);
  PutWord(o, p.X);
  o.push_back(static_cast<std::uint8_t>(p.comps.size()));
  for (std::size_t i = 0; i < p.comps.size(); ++i) {
    o.push_back(static_cast<std::uint8_t>(i + 1));
    o.push_back(static_cast<std::uint8_t>(p.comps[i].H << 4 | p.comps[i].V));
    o.push_back(static_cast<std::uint8_t>(p.comps[i].Tq));
  }
  for (int cls = 0; cls < 2; ++cls) {
    for (int id = 0; id < 3; ++id) {
      const HuffSpec& s = cls == 0 ? p.dc[id] : p.ac[id];
      o.insert(o.end(), {0xFF, 0xC4});
      PutWord(o, 2 + 17 + static_cast<int>(s.values.size()));
      o.push_back(static_cast<std::uint8_t>(cls << 4 | id));
      o.insert(o.end(), s.bits.begin(), s.bits.end());
      o.insert(o.end(), s.values.begin(), s.values.end());
    }
  }
  if (p.restartInterval != 0) {
    o.insert(o.end(), {0xFF, 0xDD, 0x00, 0x04});
    PutWord(o, p.restartInterval);
  }
  o.insert(o.end(), {0xFF, 0xDA});
  PutWord(o, 6 + 2 * static_cast<int>(p.comps.size()));
  o.push_back(static_cast<std::uint8_t>(p.comps.size()));
  for (std::size_t i = 0; i < p.comps.size(); ++i) {
    o.push_back(static_cast<std::uint8_t>(i + 1));
    o.push_back(static_cast<std::uint8_t>(p.comps[i].Td << 4 | p.comps[i].Ta));
  }
  o.insert(o.end(), {0x00, 0x3F, 0x00});
  return o;
}

// The whole file: header, entropy-coded blocks with restart markers, EOI.
inline std::vector<std::uint8_t> BuildJpeg(const TestPicture& p) {
  std::vector<std::uint8_t> o = BuildHeader(p);
  std::array<HuffCodes, 3> dc, ac;
  for (int i = 0; i < 3; ++i) {
    dc[i] = MakeCodes(p.dc[i]);
    ac[i] = MakeCodes(p.ac[i]);
  }
  BitWriter w(o);
  std::vector<std::int32_t> pred(p.comps.size(), 0);
  const int mcus = p.McuColumns() * p.McuRows();
  std::size_t b = 0;
  for (int m = 0; m < mcus; ++m) {
    if (p.restartInterval != 0 && m != 0 && m % p.restartInterval == 0) {
      w.Flush();
      o.push_back(0xFF);
      o.push_back(static_cast<std::uint8_t>(0xD0 + (m / p.restartInterval - 1) % 8));
      std::fill(pred.begin(), pred.end(), 0);
    }
    for (std::size_t c = 0; c < p.comps.size(); ++c) {
      const TestComponent& tc = p.comps[c];
      for (int k = 0; k < p.H(c) * p.V(c); ++k) {
        const Block& blk = p.blocks.at(b++);
        const std::int32_t diff = blk[0] - pred[c];
        pred[c] = blk[0];
        const int cat = Category(diff);
        w.Put(dc[tc.Td].code[cat], dc[tc.Td].length[cat]);
        PutValue(w, diff, cat);
        int run = 0;
        for (int z = 1; z < 64; ++z) {
          const std::int32_t v = blk[kZigzag[z]];
          if (v == 0) {
            ++run;
            continue;
          }
          while (run > 15) {
            w.Put(ac[tc.Ta].code[0xF0], ac[tc.Ta].length[0xF0]);
            run -= 16;
          }
          const int s = Category(v);
          const int sym = run << 4 | s;
          w.Put(ac[tc.Ta].code[sym], ac[tc.Ta].length[sym]);
          PutValue(w, v, s);
          run = 0;
        }
        if (run > 0) w.Put(ac[tc.Ta].code[0x00], ac[tc.Ta].length[0x00]);
      }
    }
  }
  w.Flush();
  o.push_back(0xFF);
  o.push_back(0xD9);
  return o;
}

// Random quantised coefficients: a DC in [-dcRange, dcRange] and about
// `density` of the AC coefficients non-zero, within [-acRange, acRange].
inline void FillRandomBlocks(TestPicture& p, std::mt19937& rng, double density, int dcRange = 120,
                             int acRange = 60) {
  std::uniform_int_distribution<int> dcDist(-dcRange, dcRange), acDist(-acRange, acRange);
  std::uniform_real_distribution<double> pick(0, 1);
  const std::size_t n = static_cast<std::size_t>(p.McuColumns() * p.McuRows() * p.BlocksPerMcu());
  p.blocks.assign(n, Block{});
  for (auto& blk : p.blocks) {
    blk[0] = dcDist(rng);
    for (int i = 1; i < 64; ++i)
      if (pick(rng) < density) blk[i] = acDist(rng);
  }
}

struct Planes {
  int width = 0, height = 0;  // stride = width; height = all MCU rows
  std::vector<std::uint8_t> rgb[3];
};

// What the decoder must deliver for p, computed from the formulas alone.
inline Planes ReferenceDecode(const TestPicture& p) {
  const int hmax = p.Hmax();
  const int vmax = p.Vmax();
  const int uw = hmax * 8, uh = vmax * 8;
  Planes out;
  out.width = p.X;
  out.height = p.McuRows() * uh;
  for (auto& pl : out.rgb) pl.assign(static_cast<std::size_t>(out.width) * out.height, 0);
  std::vector<std::int32_t> unit[3];
  unit[0].assign(uw * uh, 0);
  unit[1].assign(uw * uh, 128);
  unit[2].assign(uw * uh, 128);
  std::size_t b = 0;
  for (int row = 0; row < p.McuRows(); ++row) {
    for (int col = 0; col < p.McuColumns(); ++col) {
      for (std::size_t c = 0; c < p.comps.size(); ++c) {
        const int H = p.H(c);
        const int V = p.V(c);
        const int hs = hmax / H, vs = vmax / V;
        for (int v = 0; v < V; ++v) {
          for (int h = 0; h < H; ++h) {
            Block f = p.blocks.at(b++);
            for (int i = 0; i < 64; ++i) f[i] *= p.quant[p.comps[c].Tq][i];
            const auto s = ReferenceIdct(f, p.P);
            for (int y = 0; y < 8 * vs; ++y)
              for (int x = 0; x < 8 * hs; ++x)
                unit[c][(v * vs * 8 + y) * uw + h * hs * 8 + x] = s[(y / vs) * 8 + x / hs];
          }
        }
      }
      for (int i = 0; i < uh; ++i) {
        for (int j = 0; j < uw && col * uw + j < p.X; ++j) {
          const Rgb px = ReferenceColour(unit[0][i * uw + j], unit[1][i * uw + j], unit[2][i * uw + j]);
          const std::size_t at = static_cast<std::size_t>(row * uh + i) * p.X + col * uw + j;
          out.rgb[0][at] = px.r;
          out.rgb[1][at] = px.g;
          out.rgb[2][at] = px.b;
        }
      }
    }
  }
  return out;
}

// ---------------------------------------------------------------------------
// libjpeg-turbo's command-line tools.

inline bool HaveLibjpegTools() {
  return std::system("command -v cjpeg >/dev/null 2>&1 && command -v djpeg >/dev/null 2>&1") == 0;
}

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An RGB test picture: smooth gradients, a few hard edges and some noise,
// so that both low and high frequencies occur.
inline std::vector<std::uint8_t> MakeTestRgb(int w, int h, unsigned seed = 1) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double fx = static_cast<double>(x) / std::max(1, w - 1);
      const double fy = static_cast<double>(y) / std::max(1, h - 1);
      int r = static_cast<int>(255 * fx);
      int g = static_cast<int>(128 + 100 * std::sin(fx * 9 + fy * 5));
      int b = static_cast<int>(255 * fy);
      const double dx = fx - 0.6, dy = fy - 0.4;
      if (dx * dx + dy * dy < 0.04) {
        r = 250;
        g = 240;
        b = 30;
      }
      if (((x / 13) + (y / 11)) % 7 == 0) {
        r = 255 - r;
        b = 20;
      }
      const int n = noise(rng);
      std::uint8_t* px = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      px[0] = static_cast<std::uint8_t>(std::clamp(r + n, 0, 255));
      px[1] = static_cast<std::uint8_t>(std::clamp(g + n, 0, 255));
      px[2] = static_cast<std::uint8_t>(std::clamp(b - n, 0, 255));
    }
  }
  return rgb;
}

inline void WritePpm(const std::string& path, int w, int h, const std::vector<std::uint8_t>& rgb) {
  std::ofstream f(path, std::ios::binary);
  f << "P6\n" << w << " " << h << "\n255\n";
  f.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

// Reads a binary PGM or PPM as written by djpeg; grey becomes three equal
// channels.  Returns false on anything unexpected.
inline bool ReadPnm(const std::string& path, int& w, int& h, std::vector<std::uint8_t>& rgb) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  if (!(f >> magic >> w >> h >> maxval) || maxval != 255 || (magic != "P5" && magic != "P6")) return false;
  f.get();
  const int channels = magic == "P6" ? 3 : 1;
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(w) * h * channels);
  if (!f.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()))) return false;
  if (channels == 3) {
    rgb = std::move(raw);
  } else {
    rgb.resize(raw.size() * 3);
    for (std::size_t i = 0; i < raw.size(); ++i) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = raw[i];
  }
  return true;
}

inline bool RunQuiet(const std::string& cmd) { return std::system((cmd + " 2>/dev/null").c_str()) == 0; }

}  // namespace jpegtest
