#include "import/JpegDecoder.h"
#include "import/JpegKernels.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "zfx/Errors.h"

namespace {

// Coefficient order to natural (row-major) index, ITU-T T.81 figure A.6.
constexpr int kZigzag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// T[u][x] = cos((2x + 1) u pi / 16), stored with six decimals.  The decoded
// samples depend on these exact values, so they are not computed.
constexpr double kCos[8][8] = {
    {1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0},
    {0.980785, 0.83147, 0.55557, 0.19509, -0.19509, -0.55557, -0.83147, -0.980785},
    {0.92388, 0.382683, -0.382683, -0.92388, -0.92388, -0.382683, 0.382683, 0.92388},
    {0.83147, -0.19509, -0.980785, -0.55557, 0.55557, 0.980785, 0.19509, -0.83147},
    {0.707107, -0.707107, -0.707107, 0.707107, 0.707107, -0.707107, -0.707107, 0.707107},
    {0.55557, -0.980785, 0.19509, 0.83147, -0.83147, -0.19509, 0.980785, -0.55557},
    {0.382683, -0.92388, 0.92388, -0.382683, -0.382683, 0.92388, -0.92388, 0.382683},
    {0.19509, -0.55557, 0.83147, -0.980785, 0.980785, -0.83147, 0.55557, -0.19509},
};

// The scale of the zero-frequency terms, a stored constant like the table.
constexpr double kC0 = 0.707106782373095;

// C0 squared, formed once on first use and kept for the process.
double C0Squared() {
  static const double square = kC0 * kC0;
  return square;
}

// The three planes together may not need more than this.
constexpr std::int64_t kMaxPlaneBytes = std::int64_t{1} << 30;

const char* const kPlaneNames[3] = {"Decode:mRgbP[0]", "Decode:mRgbP[1]", "Decode:mRgbP[2]"};
const char* const kUnitNames[3] = {"Disconvert unit1", "Disconvert unit2", "Disconvert unit3"};

std::int32_t SaturateToInt32(std::int64_t v) {
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

// Truncation toward zero that stays defined for sums outside 32 bits.
std::int32_t TruncateToInt32(double v) {
  v = v > 2147483647.0 ? 2147483647.0 : v;
  v = v < -2147483648.0 ? -2147483648.0 : v;
  return static_cast<std::int32_t>(v);
}

std::uint8_t ClampToByte(double v) {
  if (v < 0.0) return 0;
  if (v > 255.0) return 255;
  return static_cast<std::uint8_t>(v);
}

std::uint64_t NonZeroMask(const std::int32_t* block) {
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= static_cast<std::uint64_t>(block[i] != 0) << i;
  return mask;
}

// Adds, for every non-zero coefficient in natural order, its 64 terms
// Cu * Cv * F(u, v) * T[u][x] * T[v][y] to acc.  Each product is formed in
// exactly the order of the plain double sum and added to the same running
// sum at the same point, so leaving out the zero coefficients (whose terms
// are zeros) changes no bit of the result.
void AccumulateTerms(const std::int32_t* block, std::uint64_t mask, double c0, double c0sq,
                     double* acc) {
  while (mask != 0) {
    const int n = __builtin_ctzll(mask);
    mask &= mask - 1;
    const int u = n & 7;
    const int v = n >> 3;
    const double cuv = (u == 0 && v == 0) ? c0sq : (u == 0 || v == 0) ? c0 : 1.0;
    const double s = cuv * static_cast<double>(block[n]);
    double row[8];
    for (int x = 0; x < 8; ++x) row[x] = s * kCos[u][x];
    for (int y = 0; y < 8; ++y) {
      const double t = kCos[v][y];
      double* a = acc + 8 * y;
      for (int x = 0; x < 8; ++x) a[x] += row[x] * t;
    }
  }
}

// The inverse DCT of a block with AC terms: the sums of AccumulateTerms,
// then level + 0.25 * sum truncated.  The vector forms keep the 64 running
// sums in registers and perform per lane exactly the scalar operations
// (a product of two doubles, then a sum; never a fused multiply-add).
using jpegkernels::IdctKernel;
using jpegkernels::RowConverter;

void IdctScalar(const std::int32_t* block, std::uint64_t mask, double level, std::int32_t* out) {
  double acc[64] = {};
  AccumulateTerms(block, mask, kC0, C0Squared(), acc);
  for (int i = 0; i < 64; ++i) out[i] = TruncateToInt32(level + 0.25 * acc[i]);
}

double ScaleOf(int n) {
  const int u = n & 7;
  const int v = n >> 3;
  return (u == 0 && v == 0) ? C0Squared() : (u == 0 || v == 0) ? kC0 : 1.0;
}

#if defined(__x86_64__)
#define KAOCG_AVX2 __attribute__((target("avx2")))
#define KAOCG_AVX512 __attribute__((target("avx512f")))

KAOCG_AVX512 void IdctAvx512(const std::int32_t* block, std::uint64_t mask, double level, std::int32_t* out) {
  __m512d acc[8];
  for (auto& a : acc) a = _mm512_setzero_pd();
  while (mask != 0) {
    const int n = __builtin_ctzll(mask);
    mask &= mask - 1;
    const double s = ScaleOf(n) * static_cast<double>(block[n]);
    const __m512d row = _mm512_mul_pd(_mm512_set1_pd(s), _mm512_loadu_pd(kCos[n & 7]));
    const double* tv = kCos[n >> 3];
    for (int y = 0; y < 8; ++y) acc[y] = _mm512_add_pd(acc[y], _mm512_mul_pd(row, _mm512_set1_pd(tv[y])));
  }
  const __m512d lv = _mm512_set1_pd(level);
  const __m512d quarter = _mm512_set1_pd(0.25);
  const __m512d lo = _mm512_set1_pd(-2147483648.0);
  const __m512d hi = _mm512_set1_pd(2147483647.0);
  // The masked forms with every lane selected are the plain min, max and
  // conversion; they avoid GCC 12's warnings about the plain forms'
  // undefined pass-through operand.
  const __mmask8 all = 0xFF;
  for (int y = 0; y < 8; ++y) {
    const __m512d sum = _mm512_add_pd(lv, _mm512_mul_pd(quarter, acc[y]));
    const __m512d d = _mm512_mask_min_pd(hi, all, _mm512_mask_max_pd(lo, all, sum, lo), hi);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8 * y),
                        _mm512_mask_cvttpd_epi32(_mm256_setzero_si256(), all, d));
  }
}

KAOCG_AVX2 void IdctAvx2(const std::int32_t* block, std::uint64_t mask, double level, std::int32_t* out) {
  __m256d acc[16];
  for (auto& a : acc) a = _mm256_setzero_pd();
  while (mask != 0) {
    const int n = __builtin_ctzll(mask);
    mask &= mask - 1;
    const __m256d s = _mm256_set1_pd(ScaleOf(n) * static_cast<double>(block[n]));
    const __m256d row0 = _mm256_mul_pd(s, _mm256_loadu_pd(kCos[n & 7]));
    const __m256d row1 = _mm256_mul_pd(s, _mm256_loadu_pd(kCos[n & 7] + 4));
    const double* tv = kCos[n >> 3];
    for (int y = 0; y < 8; ++y) {
      const __m256d t = _mm256_set1_pd(tv[y]);
      acc[2 * y] = _mm256_add_pd(acc[2 * y], _mm256_mul_pd(row0, t));
      acc[2 * y + 1] = _mm256_add_pd(acc[2 * y + 1], _mm256_mul_pd(row1, t));
    }
  }
  const __m256d lv = _mm256_set1_pd(level);
  const __m256d quarter = _mm256_set1_pd(0.25);
  const __m256d lo = _mm256_set1_pd(-2147483648.0);
  const __m256d hi = _mm256_set1_pd(2147483647.0);
  for (int i = 0; i < 16; ++i) {
    const __m256d d = _mm256_min_pd(_mm256_max_pd(_mm256_add_pd(lv, _mm256_mul_pd(quarter, acc[i])), lo), hi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm256_cvttpd_epi32(d));
  }
}
#endif

IdctKernel ChooseIdctKernel() {
#if defined(__x86_64__)
  static const IdctKernel chosen = __builtin_cpu_supports("avx512f") ? IdctAvx512
                                   : __builtin_cpu_supports("avx2")  ? IdctAvx2
                                                                     : IdctScalar;
  return chosen;
#else
  return IdctScalar;
#endif
}

// Converts n samples of one unit row into red, green and blue bytes:
// R = Y + 1.402 (Cr - 128), G = Y - 0.3441 (Cb - 128) - 0.7139 (Cr - 128),
// B = Y + 1.7718 (Cb - 128) in double precision, clamped to 0..255 and
// truncated.  The vector forms perform the same operations in the same
// order on each lane, so every variant gives the same bytes.
void ConvertColourRowScalar(const std::int32_t* y, const std::int32_t* cb, const std::int32_t* cr,
                            std::uint8_t* r, std::uint8_t* g, std::uint8_t* b, std::int64_t n) {
  for (std::int64_t j = 0; j < n; ++j) {
    const double yv = y[j];
    const double cbv = static_cast<double>(cb[j]) - 128.0;
    const double crv = static_cast<double>(cr[j]) - 128.0;
    r[j] = ClampToByte(yv + 1.402 * crv);
    g[j] = ClampToByte(yv - 0.3441 * cbv - 0.7139 * crv);
    b[j] = ClampToByte(yv + 1.7718 * cbv);
  }
}

// With Cb = Cr = 128 every product is 0.0 and R = G = B = Y exactly.
void ConvertGreyRow(const std::int32_t* y, const std::int32_t*, const std::int32_t*, std::uint8_t* r,
                    std::uint8_t* g, std::uint8_t* b, std::int64_t n) {
  for (std::int64_t j = 0; j < n; ++j) {
    const std::int32_t v = y[j] < 0 ? 0 : y[j] > 255 ? 255 : y[j];
    r[j] = g[j] = b[j] = static_cast<std::uint8_t>(v);
  }
}

#if defined(__x86_64__)
KAOCG_AVX2 inline __m256d LoadAsDouble(const std::int32_t* p) {
  return _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

KAOCG_AVX2 inline __m128i ClampTruncate(__m256d v) {
  return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255.0)));
}

KAOCG_AVX2 inline void StoreBytes(std::uint8_t* p, __m128i lo, __m128i hi) {
  const __m128i w = _mm_packs_epi32(lo, hi);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(w, w));
}

KAOCG_AVX2 void ConvertColourRowAvx2(const std::int32_t* y, const std::int32_t* cb, const std::int32_t* cr,
                                     std::uint8_t* r, std::uint8_t* g, std::uint8_t* b, std::int64_t n) {
  const __m256d k128 = _mm256_set1_pd(128.0);
  const __m256d kR = _mm256_set1_pd(1.402);
  const __m256d kGb = _mm256_set1_pd(0.3441);
  const __m256d kGr = _mm256_set1_pd(0.7139);
  const __m256d kB = _mm256_set1_pd(1.7718);
  std::int64_t j = 0;
  for (; j + 8 <= n; j += 8) {
    __m128i ri[2], gi[2], bi[2];
    for (int half = 0; half < 2; ++half) {
      const __m256d yv = LoadAsDouble(y + j + 4 * half);
      const __m256d cbv = _mm256_sub_pd(LoadAsDouble(cb + j + 4 * half), k128);
      const __m256d crv = _mm256_sub_pd(LoadAsDouble(cr + j + 4 * half), k128);
      ri[half] = ClampTruncate(_mm256_add_pd(yv, _mm256_mul_pd(kR, crv)));
      gi[half] = ClampTruncate(_mm256_sub_pd(_mm256_sub_pd(yv, _mm256_mul_pd(kGb, cbv)), _mm256_mul_pd(kGr, crv)));
      bi[half] = ClampTruncate(_mm256_add_pd(yv, _mm256_mul_pd(kB, cbv)));
    }
    StoreBytes(r + j, ri[0], ri[1]);
    StoreBytes(g + j, gi[0], gi[1]);
    StoreBytes(b + j, bi[0], bi[1]);
  }
  ConvertColourRowScalar(y + j, cb + j, cr + j, r + j, g + j, b + j, n - j);
}
#endif

#if defined(__x86_64__)
KAOCG_AVX512 inline __m512d LoadAsDouble8(const std::int32_t* p) {
  return _mm512_maskz_cvtepi32_pd(0xFF, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
}

// Masked forms with every lane selected: see IdctAvx512.
KAOCG_AVX512 inline void ClampTruncateStore8(std::uint8_t* p, __m512d v) {
  const __mmask8 all = 0xFF;
  const __m512d zero = _mm512_setzero_pd();
  const __m512d top = _mm512_set1_pd(255.0);
  const __m512d c = _mm512_mask_min_pd(top, all, _mm512_mask_max_pd(zero, all, v, zero), top);
  const __m256i i = _mm512_mask_cvttpd_epi32(_mm256_setzero_si256(), all, c);
  const __m128i w = _mm_packs_epi32(_mm256_castsi256_si128(i), _mm256_extracti128_si256(i, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(w, w));
}

KAOCG_AVX512 void ConvertColourRowAvx512(const std::int32_t* y, const std::int32_t* cb, const std::int32_t* cr,
                                         std::uint8_t* r, std::uint8_t* g, std::uint8_t* b, std::int64_t n) {
  const __m512d k128 = _mm512_set1_pd(128.0);
  const __m512d kR = _mm512_set1_pd(1.402);
  const __m512d kGb = _mm512_set1_pd(0.3441);
  const __m512d kGr = _mm512_set1_pd(0.7139);
  const __m512d kB = _mm512_set1_pd(1.7718);
  std::int64_t j = 0;
  for (; j + 8 <= n; j += 8) {
    const __m512d yv = LoadAsDouble8(y + j);
    const __m512d cbv = _mm512_sub_pd(LoadAsDouble8(cb + j), k128);
    const __m512d crv = _mm512_sub_pd(LoadAsDouble8(cr + j), k128);
    ClampTruncateStore8(r + j, _mm512_add_pd(yv, _mm512_mul_pd(kR, crv)));
    ClampTruncateStore8(g + j, _mm512_sub_pd(_mm512_sub_pd(yv, _mm512_mul_pd(kGb, cbv)), _mm512_mul_pd(kGr, crv)));
    ClampTruncateStore8(b + j, _mm512_add_pd(yv, _mm512_mul_pd(kB, cbv)));
  }
  ConvertColourRowScalar(y + j, cb + j, cr + j, r + j, g + j, b + j, n - j);
}
#endif

RowConverter ColourRowConverter() {
#if defined(__x86_64__)
  static const RowConverter chosen = __builtin_cpu_supports("avx512f") ? ConvertColourRowAvx512
                                     : __builtin_cpu_supports("avx2")  ? ConvertColourRowAvx2
                                                                       : ConvertColourRowScalar;
  return chosen;
#else
  return ConvertColourRowScalar;
#endif
}

// Throws the failure of an entropy-coded read that met a marker (or the
// end) before the bits it needed.
[[noreturn]] void ThrowMarkerInData(const CJpegStream& r) {
  throw EDataFormatError{r.Position(), "DecodeHuffman:Error Marker"};
}

// The value of magnitude bits v of category t (T.81 F.2.2.1 EXTEND).
inline std::int32_t Extend(std::int32_t v, int t) {
  return (v & (std::int32_t{1} << (t - 1))) != 0 ? v : v + 1 - (std::int32_t{1} << t);
}

// Magnitude bits of a DC difference or AC coefficient of category t (1..30),
// sign-extended as T.81 F.2.2.1 EXTEND does.
std::int32_t ReceiveExtend(CJpegStream& r, int t) {
  std::int64_t v;
  if (t <= 16) {
    const std::int32_t bits = r.GetBits(t);
    if (bits < 0) ThrowMarkerInData(r);
    v = bits;
  } else {
    const std::int32_t high = r.GetBits(t - 16);
    if (high < 0) ThrowMarkerInData(r);
    const std::int32_t low = r.GetBits(16);
    if (low < 0) ThrowMarkerInData(r);
    v = (std::int64_t{high} << 16) | low;
  }
  if ((v & (std::int64_t{1} << (t - 1))) == 0) v += 1 - (std::int64_t{1} << t);
  return static_cast<std::int32_t>(v);
}

// Frees the MCU units when Decode leaves, whichever way.
struct UnitRelease {
  CJpegDecoder& d;
  ~UnitRelease() {
    for (auto& u : d.unit) u.reset();
  }
};

}  // namespace

std::vector<jpegkernels::Variant<IdctKernel>> jpegkernels::IdctVariants() {
  std::vector<Variant<IdctKernel>> v{{"plain", IdctScalar}};
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) v.push_back({"avx2", IdctAvx2});
  if (__builtin_cpu_supports("avx512f")) v.push_back({"avx512", IdctAvx512});
#endif
  return v;
}

std::vector<jpegkernels::Variant<RowConverter>> jpegkernels::ColourRowVariants() {
  std::vector<Variant<RowConverter>> v{{"plain", ConvertColourRowScalar}};
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) v.push_back({"avx2", ConvertColourRowAvx2});
  if (__builtin_cpu_supports("avx512f")) v.push_back({"avx512", ConvertColourRowAvx512});
#endif
  return v;
}

void HuffmanTable::Release() {
  count = 0;
  sizes.reset();
  codes.reset();
  values.reset();
  maxLength = 0;
  std::fill(std::begin(minCode), std::end(minCode), 0);
  std::fill(std::begin(maxCode), std::end(maxCode), -1);
  std::fill(std::begin(valueOffset), std::end(valueOffset), 0);
  std::fill(std::begin(fast), std::end(fast), 0);
}

void HuffmanTable::BuildLookup() {
  maxLength = 0;
  std::fill(std::begin(minCode), std::end(minCode), 0);
  std::fill(std::begin(maxCode), std::end(maxCode), -1);
  std::fill(std::begin(valueOffset), std::end(valueOffset), 0);
  std::fill(std::begin(fast), std::end(fast), 0);
  for (int k = 0; k < count;) {
    const int len = sizes[k];
    const int first = k;
    while (k < count && sizes[k] == len) ++k;
    maxLength = len;
    // Codes of one length are consecutive; Annex C generation can run past
    // the length's range, and such codes can never match.
    const std::int64_t firstCode = codes[first];
    const std::int64_t lastFit = std::min<std::int64_t>(firstCode + (k - first) - 1, (std::int64_t{1} << len) - 1);
    if (firstCode > lastFit) continue;
    minCode[len] = static_cast<std::int32_t>(firstCode);
    maxCode[len] = static_cast<std::int32_t>(lastFit);
    valueOffset[len] = static_cast<std::int32_t>(first - firstCode);
    if (len <= kFastBits) {
      for (std::int64_t code = firstCode; code <= lastFit; ++code) {
        const int shift = kFastBits - len;
        const std::uint16_t entry =
            static_cast<std::uint16_t>((len << 8) | (values[first + (code - firstCode)] & 0xFF));
        for (std::int64_t i = code << shift; i < (code + 1) << shift; ++i) fast[i] = entry;
      }
    }
  }
}

int CJpegDecoder::AnalysisHeader(const std::uint8_t* data, std::size_t size) {
  try {
    // Offsets in error values are 32-bit.
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
      throw EDataFormatError{0, "AnalysisHeader:file size"};
    reader.reset(new (std::nothrow) CJpegStream(data, size));
    if (!reader) throw EMemoryError{1, "AnalysisHeader:reader"};
    state = 0;
    while (NextMarker() != 0xD8) {
    }
    state = 1;
    while ((flags & kFlagSOS) == 0) {
      flags |= AnalysisSegment();
      if (state == 0) break;
    }
    return 0;
  } catch (const EMemoryError&) {
    return -1;
  } catch (const EBufferError&) {
    return -2;
  } catch (const EDataFormatError&) {
    return -2;
  } catch (const EIndexError&) {
    return -2;
  } catch (const ENotSupported&) {
    return -2;
  }
}

int CJpegDecoder::NextMarker() {
  for (;;) {
    if (reader->GetByte() != 0xFF) continue;
    const std::uint8_t b = reader->GetByte();
    if (b == 0x00) continue;
    return (b >= 0x03 && b <= 0xBF) ? 0xFF : b;
  }
}

std::uint32_t CJpegDecoder::AnalysisSegment() {
  const int marker = NextMarker();
  switch (marker) {
    case 0xC0:
      reader->GetWord();
      AnalysisSOF();
      return 0;
    case 0xC1: case 0xC2: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
    case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
    case 0xDE: case 0xDF:
      throw ENotSupported{marker, reader->Position()};
    case 0xC4:
      AnalysisDHT(static_cast<std::int32_t>(reader->GetWord()) - 2);
      return kFlagDHT;
    case 0xDB:
      AnalysisDQT(static_cast<std::int32_t>(reader->GetWord()) - 2);
      return kFlagDQT;
    case 0xDA:
      reader->GetWord();
      AnalysisScan();
      return kFlagSOS;
    case 0xD9:
      state = 0;
      return 0;
    case 0xDC:
      reader->GetWord();
      Y = reader->GetWord();
      return 0;
    case 0xDD:
      reader->GetWord();
      restartInterval = reader->GetWord();
      return 0;
    case 0xE0:
      AnalysisAPP0();
      return 0;
    case 0xFE: {
      const std::int32_t n = static_cast<std::int32_t>(reader->GetWord()) - 2;
      if (n < 0) throw EBufferError{"CopyByte"};
      std::unique_ptr<char[]> text(new (std::nothrow) char[static_cast<std::size_t>(n) + 1]);
      if (!text) throw EMemoryError{static_cast<std::uint32_t>(n) + 1, "AnalysisSegment:COM"};
      reader->CopyByte(text.get(), n);
      text[n] = '\0';
      comment = std::move(text);
      return kFlagCOM;
    }
    default:
      if (marker >= 0xE1 && marker <= 0xEF) {
        reader->SkipByte(static_cast<std::int32_t>(reader->GetWord()) - 2);
        return 0;
      }
      throw EDataFormatError{reader->Position() - 1, "Marker error"};
  }
}

void CJpegDecoder::AnalysisAPP0() {
  const std::int32_t n = static_cast<std::int32_t>(reader->GetWord()) - 2;
  if (n < 5) {
    reader->SkipByte(n);
    return;
  }
  char id[5];
  reader->CopyByte(id, 5);
  id[4] = '\0';
  // The skips below are relative to what was read, so a segment shorter
  // than its fields moves back to the segment's own end.
  if (std::strcmp(id, "JFIF") == 0) {
    jfifKind = 1;
    AnalysisJFIF();
    reader->SkipByte(n - 14);
  } else if (std::strcmp(id, "JFXX") == 0) {
    jfifKind = 2;
    jfxxExtension = reader->GetByte();
    reader->SkipByte(n - 6);
  } else {
    reader->SkipByte(n - 5);
  }
}

void CJpegDecoder::AnalysisJFIF() {
  jfifVersionMajor = reader->GetByte();
  jfifVersionMinor = reader->GetByte();
  jfifUnits = reader->GetByte();
  jfifXDensity = reader->GetWord();
  jfifYDensity = reader->GetWord();
  jfifThumbWidth = reader->GetByte();
  jfifThumbHeight = reader->GetByte();
  flags |= kFlagJFIF;
}

void CJpegDecoder::AnalysisSOF() {
  P = reader->GetByte();
  Y = reader->GetWord();
  X = reader->GetWord();
  Nf = reader->GetByte();
  if (Nf != 1 && Nf != 3) throw ENotSupported{0xC0, reader->Position()};
  Hmax = 0;
  Vmax = 0;
  for (int c = 0; c < Nf; ++c) {
    frame[c].id = reader->GetByte();
    const std::uint8_t hv = reader->GetByte();
    frame[c].H = hv >> 4;
    frame[c].V = hv & 15;
    frame[c].Tq = reader->GetByte();
    Hmax = std::max<std::int8_t>(Hmax, static_cast<std::int8_t>(frame[c].H));
    Vmax = std::max<std::int8_t>(Vmax, static_cast<std::int8_t>(frame[c].V));
  }
}

void CJpegDecoder::AnalysisDHT(std::int32_t length) {
  if (!reader->More()) throw EDataFormatError{0, "AnalysisDHT:DHT Length"};
  const std::int64_t end = std::int64_t{reader->Position()} + length;
  while (reader->Position() < end) {
    const std::uint8_t tcth = reader->GetByte();
    const int Tc = tcth >> 4;
    const int Th = tcth & 15;
    if (Tc > 1) throw EDataFormatError{reader->Position() - 1, "AnalysisDHT:Tc"};
    if (Th > 3) throw EDataFormatError{reader->Position() - 1, "AnalysisDHT:Th"};
    int BITS[17] = {};
    std::int32_t count = 0;
    for (int len = 1; len <= 16; ++len) {
      BITS[len] = reader->GetByte();
      count += BITS[len];
    }
    HuffmanTable& t = huffman[Tc][Th];
    t.Release();
    const std::size_t n = static_cast<std::size_t>(count);
    std::unique_ptr<std::int32_t[]> sizes(new (std::nothrow) std::int32_t[n]());
    if (!sizes) throw EMemoryError{static_cast<std::uint32_t>(count), "AnalysisDHT:Huffman Size-T"};
    std::unique_ptr<std::int32_t[]> codes(new (std::nothrow) std::int32_t[n]());
    if (!codes) throw EMemoryError{static_cast<std::uint32_t>(count), "AnalysisDHT:Huffman Code-T"};
    std::unique_ptr<std::int32_t[]> values(new (std::nothrow) std::int32_t[n]());
    if (!values) throw EMemoryError{static_cast<std::uint32_t>(count), "AnalysisDHT:Huffman Value-T"};

    std::int32_t index = 0;
    for (int len = 1; len <= 16; ++len) {
      for (int i = 0; i < BITS[len]; ++i) {
        if (index >= count) throw EIndexError{count, index, "AnalysisDHT:Size Table Index over"};
        sizes[index++] = len;
      }
    }
    // Canonical codes, T.81 Annex C.2.
    if (count > 0) {
      std::int32_t code = 0;
      std::int32_t si = sizes[0];
      std::int32_t k = 0;
      while (k < count) {
        while (k < count && sizes[k] == si) {
          codes[k++] = code;
          ++code;
        }
        if (k >= count) break;
        do {
          code <<= 1;
          ++si;
        } while (si < sizes[k]);
      }
    }
    for (std::int32_t i = 0; i < count; ++i) values[i] = reader->GetByte();

    // The table is defined only once it is whole.
    t.sizes = std::move(sizes);
    t.codes = std::move(codes);
    t.values = std::move(values);
    t.count = count;
    t.BuildLookup();
  }
}

void CJpegDecoder::AnalysisDQT(std::int32_t length) {
  const std::int64_t end = std::int64_t{reader->Position()} + length;
  do {
    const std::uint8_t pqtq = reader->GetByte();
    std::int32_t* table = quant[pqtq & 3];
    if ((pqtq >> 4) == 0) {
      for (int i = 0; i < 64; ++i) table[kZigzag[i]] = reader->GetByte();
    } else {
      for (int i = 0; i < 64; ++i) table[kZigzag[i]] = reader->GetWord();
    }
  } while (reader->Position() < end);
}

void CJpegDecoder::AnalysisScan() {
  Ns = reader->GetByte();
  // Only three scan components have room; more cannot belong to a frame of
  // at most three.
  if (Ns > 3) throw EIndexError{3, Ns, "AnalysisScan:Ns Over"};
  for (int i = 0; i < Ns; ++i) {
    scan[i].selector = reader->GetByte();
    const std::uint8_t tdta = reader->GetByte();
    const int Td = tdta >> 4;
    const int Ta = tdta & 15;
    if (Td > 2) throw EIndexError{2, Td, "AnalysisScan:Td Over"};
    if (Ta > 2) throw EIndexError{2, Ta, "AnalysisScan:Ta Over"};
    scan[i].Td = static_cast<std::uint8_t>(Td);
    scan[i].Ta = static_cast<std::uint8_t>(Ta);
  }
  Ss = reader->GetByte();
  Se = reader->GetByte();
  const std::uint8_t ahal = reader->GetByte();
  Ah = ahal >> 4;
  Al = ahal & 15;
}

int CJpegDecoder::Decode() {
  if ((flags & (kFlagDHT | kFlagDQT | kFlagSOS)) == 0) return -2;
  UnitRelease releaseUnits{*this};
  try {
    // Checks of values that would otherwise lead outside the records.
    if (!reader) throw EDataFormatError{0, "Decode:no data"};
    if ((flags & kFlagSOS) == 0) throw EDataFormatError{reader->Position(), "Decode:no scan"};
    if (Nf != 1 && Nf != 3) throw EDataFormatError{0, "Decode:no frame"};
    if (X <= 0 || Y <= 0) throw EDataFormatError{0, "Decode:picture size"};
    // Only the first scan is decoded, and its components are taken as the
    // frame's: a first scan that codes fewer of them (a non-interleaved
    // file) would come out as a wrong picture, so it is refused.
    if (Ns != Nf) throw EDataFormatError{reader->Position(), "Decode:scan components"};
    if (Nf == 1) {
      // A single component is always coded one block per MCU (T.81
      // A.2.2), whatever sampling factors the frame names.
      frame[0].H = 1;
      frame[0].V = 1;
      Hmax = 1;
      Vmax = 1;
    }
    for (int c = 0; c < Nf; ++c) {
      if (frame[c].H == 0 || frame[c].V == 0) throw EDataFormatError{0, "Decode:sampling factor"};
      if (frame[c].Tq > 3) throw EIndexError{3, frame[c].Tq, "Decode:Tq Over"};
    }

    const std::int64_t blocksAcross = (std::int64_t{X} + 7) / 8;
    const std::int64_t blocksDown = (std::int64_t{Y} + 7) / 8;
    const std::int64_t mcuColumns = (blocksAcross + Hmax - 1) / Hmax;
    const std::int64_t mcuRows = (blocksDown + Vmax - 1) / Vmax;
    const std::int64_t planeBytes = std::int64_t{Vmax} * Hmax * mcuRows * mcuColumns * 64;
    const std::uint32_t reportedBytes =
        static_cast<std::uint32_t>(std::min<std::int64_t>(planeBytes, std::numeric_limits<std::uint32_t>::max()));
    if (3 * planeBytes > kMaxPlaneBytes) throw EMemoryError{reportedBytes, kPlaneNames[0]};
    for (int i = 0; i < 3; ++i) {
      mRgbP[i].reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(planeBytes)]);
      if (!mRgbP[i]) throw EMemoryError{reportedBytes, kPlaneNames[i]};
    }
    planeSize = static_cast<std::size_t>(planeBytes);

    const std::size_t unitElements = static_cast<std::size_t>(Hmax) * Vmax * 64;
    for (int i = 0; i < 3; ++i) {
      unit[i].reset(new (std::nothrow) std::int32_t[unitElements]);
      if (!unit[i]) throw EMemoryError{static_cast<std::uint32_t>(unitElements), kUnitNames[i]};
      std::fill_n(unit[i].get(), unitElements, i == 0 ? 0 : 128);
    }

    std::fill(std::begin(dcPredictor), std::end(dcPredictor), 0);
    std::int32_t restartCounter = 0;
    for (std::int64_t row = 0; row < mcuRows; ++row) {
      for (std::int64_t column = 0; column < mcuColumns; ++column) {
        DecodeMCU();
        Disconvert(static_cast<std::int32_t>(column), static_cast<std::int32_t>(row));
        if (restartInterval != 0 && ++restartCounter == restartInterval) {
          restartCounter = 0;
          const int marker = NextMarker();
          if (marker >= 0xD0 && marker <= 0xD7) std::fill(std::begin(dcPredictor), std::end(dcPredictor), 0);
        }
      }
    }
    // Disconvert wrote every row of the MCU grid; what lies past it in the
    // allocation is never part of the picture.
    const std::size_t written = static_cast<std::size_t>(X) * static_cast<std::size_t>(mcuRows * Vmax * 8);
    for (auto& plane : mRgbP) std::fill(plane.get() + written, plane.get() + planeSize, 0);
    return 0;
  } catch (const EMemoryError&) {
  } catch (const EIndexError&) {
  } catch (const EBufferError&) {
  } catch (const EDataFormatError&) {
    for (auto& plane : mRgbP) plane.reset();
    planeSize = 0;
    return -2;
  } catch (const ENotSupported&) {
    for (auto& plane : mRgbP) plane.reset();
    planeSize = 0;
    return -2;
  }
  for (auto& plane : mRgbP) plane.reset();
  planeSize = 0;
  return -1;
}

void CJpegDecoder::DecodeMCU() {
  const int unitWidth = Hmax * 8;
  for (int c = 0; c < Nf; ++c) {
    const int H = frame[c].H;
    const int V = frame[c].V;
    const int vs = Vmax / V;
    const int hs = Hmax / H;
    std::int32_t* const u = unit[c].get();
    for (int v = 0; v < V; ++v) {
      for (int h = 0; h < H; ++h) {
        DecodeHuffman(c);
        DequantizeNonZero(c);
        const bool flat = InverseDctNonZero();
        // Each block covers hs x vs times its own size in the unit, so the
        // next block of the component starts that much further on.
        std::int32_t* const base = u + (v * vs * 8) * unitWidth + h * hs * 8;
        if (flat) {
          for (int y = 0; y < vs * 8; ++y) std::fill_n(base + y * unitWidth, hs * 8, samples[0]);
        } else if (hs == 1 && vs == 1) {
          for (int y = 0; y < 8; ++y) std::memcpy(base + y * unitWidth, samples + 8 * y, 8 * sizeof(std::int32_t));
        } else {
          for (int y8 = 0; y8 < 8; ++y8) {
            std::int32_t* const first = base + y8 * vs * unitWidth;
            for (int x8 = 0; x8 < 8; ++x8) std::fill_n(first + x8 * hs, hs, samples[8 * y8 + x8]);
            for (int k = 1; k < vs; ++k)
              std::memcpy(first + k * unitWidth, first, static_cast<std::size_t>(hs) * 8 * sizeof(std::int32_t));
          }
        }
      }
    }
  }
}

std::int32_t CJpegDecoder::Decode1HuffmanCode(int c, int tableClass) {
  const HuffmanTable& t = huffman[tableClass][tableClass == 0 ? scan[c].Td : scan[c].Ta];
  CJpegStream& r = *reader;
  if (t.count == 0) throw EDataFormatError{r.Position(), "Decode1HuffmanCode:length over"};
  r.FillBits();
  const std::uint32_t look = r.Peek16();
  const int available = r.CachedBits();
  int length = 0;
  std::int32_t symbol = 0;
  const std::uint16_t entry = t.fast[look >> (16 - HuffmanTable::kFastBits)];
  if (entry != 0) {
    length = entry >> 8;
    symbol = entry & 0xFF;
  } else {
    for (int len = HuffmanTable::kFastBits + 1; len <= t.maxLength; ++len) {
      const std::int32_t code = static_cast<std::int32_t>(look >> (16 - len));
      if (code <= t.maxCode[len] && code >= t.minCode[len]) {
        length = len;
        symbol = t.values[t.valueOffset[len] + code];
        break;
      }
    }
  }
  // Read one bit at a time, the code would have run into the marker (or
  // the end) before it matched or before every length was tried.
  if ((length == 0 ? t.maxLength : length) > available) {
    r.SkipBits(available);
    return r.GetBits(1);
  }
  if (length == 0) throw EDataFormatError{r.Position(), "Decode1HuffmanCode:length over"};
  r.SkipBits(length);
  return symbol;
}

void CJpegDecoder::DecodeHuffman(int c) {
  CJpegStream& r = *reader;
  std::fill(std::begin(block), std::end(block), 0);
  const HuffmanTable& dcTable = huffman[0][scan[c].Td];
  const HuffmanTable& acTable = huffman[1][scan[c].Ta];
  constexpr int kShift = 32 - HuffmanTable::kFastBits;

  // Where the code and its magnitude bits are all in the cache, both come
  // from one look at the next 32 bits; otherwise the code is decoded the
  // general way, which also handles markers and the end of the data.
  std::int32_t t;
  std::int32_t diff = 0;
  r.FillBits32();
  std::uint32_t look = r.Peek32();
  std::uint16_t entry = dcTable.count != 0 ? dcTable.fast[look >> kShift] : 0;
  if (entry != 0 && (entry & 0xFF) <= 16 && (entry >> 8) + (entry & 0xFF) <= r.CachedBits()) {
    const int length = entry >> 8;
    t = entry & 0xFF;
    if (t > 0) diff = Extend(static_cast<std::int32_t>((look << length) >> (32 - t)), t);
    r.SkipBits(length + t);
  } else {
    t = Decode1HuffmanCode(c, 0);
    if (t < 0) ThrowMarkerInData(r);
    if (t > 0) {
      if (t > 30) throw EDataFormatError{r.Position(), "DecodeHuffman:wrong Huffman value"};
      diff = ReceiveExtend(r, t);
    }
  }
  // A hostile stream can push the predictor past 32 bits; it wraps.
  dcPredictor[c] = static_cast<std::int32_t>(static_cast<std::uint32_t>(dcPredictor[c]) +
                                             static_cast<std::uint32_t>(diff));
  block[0] = dcPredictor[c];
  std::uint64_t mask = block[0] != 0 ? 1 : 0;

  for (int k = 1; k <= 63;) {
    r.FillBits32();
    look = r.Peek32();
    entry = acTable.count != 0 ? acTable.fast[look >> kShift] : 0;
    std::int32_t rs;
    std::int32_t value = 0;
    bool haveValue = false;
    if (entry != 0 && (entry >> 8) + (entry & 15) <= r.CachedBits()) {
      const int length = entry >> 8;
      rs = entry & 0xFF;
      const int s = rs & 15;
      if (s != 0) value = Extend(static_cast<std::int32_t>((look << length) >> (32 - s)), s);
      r.SkipBits(length + s);
      haveValue = true;
    } else {
      rs = Decode1HuffmanCode(c, 1);
    }
    if (rs == 0) break;
    if (rs < 0) ThrowMarkerInData(r);
    const int run = rs >> 4;
    const int s = rs & 15;
    if (s == 0 && run != 15) throw EDataFormatError{r.Position(), "DecodeHuffman:wrong Huffman value"};
    if (k + run > 63) throw EDataFormatError{r.Position(), "DecodeHuffman:wrong Run length"};
    k += run;
    if (s != 0) {
      block[kZigzag[k]] = haveValue ? value : ReceiveExtend(r, s);
      mask |= std::uint64_t{1} << kZigzag[k];
    }
    ++k;
  }
  blockMask = mask;
}

void CJpegDecoder::Dequantize(int c) {
  blockMask = NonZeroMask(block);
  DequantizeNonZero(c);
}

void CJpegDecoder::DequantizeNonZero(int c) {
  const std::int32_t* table = quant[frame[c].Tq & 3];
  for (std::uint64_t m = blockMask; m != 0; m &= m - 1) {
    const int n = __builtin_ctzll(m);
    block[n] = SaturateToInt32(std::int64_t{block[n]} * table[n]);
  }
}

void CJpegDecoder::InverseDCT() {
  blockMask = NonZeroMask(block);
  InverseDctNonZero();
}

bool CJpegDecoder::InverseDctNonZero() {
  const double level = P == 8 ? 128.0 : 2048.0;
  if ((blockMask & ~std::uint64_t{1}) == 0) {
    // Only the DC term: every sum is C0^2 * F(0,0) * 1.0 * 1.0.
    const std::int32_t s = TruncateToInt32(level + 0.25 * (C0Squared() * static_cast<double>(block[0])));
    std::fill(std::begin(samples), std::end(samples), s);
    return true;
  }
  ChooseIdctKernel()(block, blockMask, level, samples);
  return false;
}

void CJpegDecoder::Disconvert(std::int32_t column, std::int32_t row) {
  const std::int64_t unitWidth = Hmax * 8;
  const std::int64_t unitHeight = Vmax * 8;
  const std::int64_t x0 = column * unitWidth;
  const std::int64_t y0 = row * unitHeight;
  const std::int64_t width = std::min<std::int64_t>(unitWidth, X - x0);
  if (width <= 0) return;
  const RowConverter convert = Nf == 1 ? ConvertGreyRow : ColourRowConverter();
  for (std::int64_t i = 0; i < unitHeight; ++i) {
    const std::size_t out = static_cast<std::size_t>((y0 + i) * X + x0);
    const std::int64_t k = i * unitWidth;
    convert(unit[0].get() + k, unit[1].get() + k, unit[2].get() + k, mRgbP[0].get() + out, mRgbP[1].get() + out,
            mRgbP[2].get() + out, width);
  }
}

void CJpegDecoder::ReleaseTables() {
  for (auto& byClass : huffman)
    for (auto& t : byClass) t.Release();
  comment.reset();
  reader.reset();
}
