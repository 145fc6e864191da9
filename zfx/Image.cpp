#include "zfx/Image.h"

#include <bit>
#include <cmath>
#include <limits>

#include "zfx/ColorReduction.h"
#include "zfx/Messages.h"
#include "zfx/Resample.h"
#include "zfx/TextWriter.h"
#include "zfx/WideText.h"

namespace zfx {

bool IsAcceptedImageSize(std::uint32_t width, std::uint32_t height) {
  return width != 0 && height != 0 && width <= kMaxImageDimension && height <= kMaxImageDimension &&
         std::uint64_t{width} * height <= kMaxImagePixels;
}

template <typename Channel>
struct SImageBody {
  bool fixed = false;
  CClassCallbackBase* userData = nullptr;
  std::wstring name;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<Channel> pixels;
  CIndexedData indexed;
  std::uint32_t addressMode = kAddressWrap;
  float gamma = 1.0f;
};

namespace {

// How each storage type meets bytes and floats.
template <typename Channel>
struct ChannelTraits;

template <>
struct ChannelTraits<float> {
  static float FromByte(std::uint8_t b) { return ByteToFloat(b); }
  static float FromFloat(float f) { return f; }
  static std::uint8_t ToByte(float v) { return FloatToByte(v); }
  static float ToFloat(float v) { return v; }
};

template <>
struct ChannelTraits<std::uint8_t> {
  static std::uint8_t FromByte(std::uint8_t b) { return b; }
  static std::uint8_t FromFloat(float f) { return FloatToByte(f); }
  static std::uint8_t ToByte(std::uint8_t v) { return v; }
  static float ToFloat(std::uint8_t v) { return ByteToFloat(v); }
};

// A resampled value on the 0..255 scale back to a byte, to the nearest.
std::uint8_t RoundToByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<std::uint8_t>(v + 0.5f);
}

// The palette entry nearest to a colour by dR² + dG² + dB² + (dA / 2)², the
// alpha difference halved with truncation; the lowest index wins ties.
std::uint8_t NearestByAlphaHalvedMetric(const Palette& palette, const std::uint8_t* c) {
  std::uint32_t best = 0;
  std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
  for (std::uint32_t i = 0; i < palette.size() && i < 256; ++i) {
    const PaletteColor& p = palette[i];
    const std::int64_t dr = int{c[0]} - int{p[0]};
    const std::int64_t dg = int{c[1]} - int{p[1]};
    const std::int64_t db = int{c[2]} - int{p[2]};
    const std::int64_t da = (int{c[3]} - int{p[3]}) / 2;
    const std::int64_t d = dr * dr + dg * dg + db * db + da * da;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

template <typename Channel>
struct Ops {
  using Body = SImageBody<Channel>;
  using T = ChannelTraits<Channel>;

  static bool IsDirect(const Body& b) { return !b.pixels.empty(); }
  static bool IsIndexed(const Body& b) { return b.pixels.empty() && b.indexed.colorCount != 0; }
  static bool IsValid(const Body& b) { return b.width != 0 && b.height != 0; }
  static std::size_t PixelCount(const Body& b) { return std::size_t{b.width} * b.height; }

  static void ClearContents(Body& b) {
    b.width = 0;
    b.height = 0;
    b.pixels.clear();
    b.pixels.shrink_to_fit();
    b.indexed.Clear();
  }

  static bool Clear(Body& b) {
    if (b.fixed) return false;
    ClearContents(b);
    return true;
  }

  static bool Create(Body& b, std::uint32_t width, std::uint32_t height, std::uint32_t kind) {
    if (b.fixed) return false;
    // A size beyond the caps is refused before anything changes; an empty
    // size is a plain clear.
    if ((width != 0 || height != 0) && !IsAcceptedImageSize(width, height)) return false;
    ClearContents(b);
    b.width = width;
    b.height = height;
    switch (kind) {
      case kImageSizeOnly:
        return true;
      case kImageDirect:
        b.pixels.assign(PixelCount(b) * 4, Channel{0});
        return true;
      case kImageIndexed256:
        return IsValid(b) && b.indexed.Create(width, height, 256);
      case kImageIndexed16:
        return IsValid(b) && b.indexed.Create(width, height, 16);
      default:
        return false;
    }
  }

  static std::uint32_t GetPaletteCount(const Body& b) {
    return IsIndexed(b) ? static_cast<std::uint32_t>(b.indexed.palettes.size()) : 0;
  }

  static bool SetName(Body& b, const std::wstring& name) {
    if (b.fixed) return false;
    if (b.userData != nullptr) {
      b.userData->SetArguments({L"+Name", b.name, name});
      if (!b.userData->Call()) return false;
    }
    b.name = name;
    return true;
  }

  static bool SetIndexedData(Body& b, const CIndexedData& data) {
    if (b.fixed || !data.IsConsistent()) return false;
    b.indexed = data;
    b.pixels.clear();
    b.pixels.shrink_to_fit();
    b.width = data.width;
    b.height = data.height;
    return true;
  }

  template <typename In, typename Convert>
  static bool Import(Body& b, const std::vector<In>& values, std::uint32_t channels, Convert convert) {
    if (b.fixed || !IsValid(b) || values.empty()) return false;
    const unsigned n = static_cast<unsigned>(std::popcount(channels & kChannelAll));
    if (values.size() != PixelCount(b) * n) return false;
    if (b.pixels.empty()) {
      b.pixels.assign(PixelCount(b) * 4, Channel{0});
      b.indexed.Clear();
    }
    const In* in = values.data();
    Channel* out = b.pixels.data();
    const std::size_t count = PixelCount(b);
    for (std::size_t p = 0; p < count; ++p, out += 4) {
      for (unsigned c = 0; c < 4; ++c) {
        if (channels & (1u << c)) out[c] = convert(*in++);
      }
    }
    return true;
  }

  static bool ImportFloats(Body& b, const std::vector<float>& v, std::uint32_t channels) {
    return Import(b, v, channels, [](float f) { return T::FromFloat(f); });
  }

  static bool ImportBytes(Body& b, const std::vector<std::uint8_t>& v, std::uint32_t channels) {
    return Import(b, v, channels, [](std::uint8_t x) { return T::FromByte(x); });
  }

  template <typename In, typename Convert>
  static bool Set(Body& b, const std::vector<In>& values, Convert convert) {
    if (b.fixed || !IsValid(b) || values.size() != PixelCount(b) * 4) return false;
    std::vector<Channel> pixels(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) pixels[i] = convert(values[i]);
    b.pixels.swap(pixels);
    b.indexed.Clear();
    return true;
  }

  static bool SetPixels(Body& b, const std::vector<float>& v) {
    return Set(b, v, [](float f) { return T::FromFloat(f); });
  }

  static bool SetPixels(Body& b, const std::vector<std::uint8_t>& v) {
    return Set(b, v, [](std::uint8_t x) { return T::FromByte(x); });
  }

  static bool GetIndexedData(const Body& b, CIndexedData& data) {
    if (!IsIndexed(b)) return false;
    data = b.indexed;
    return true;
  }

  // Appends the selected channels; direct images from their pixels,
  // indexed ones from their first palette.
  template <typename Out, typename FromChannel, typename FromByte>
  static bool Export(const Body& b, std::vector<Out>& out, std::uint32_t channels, FromChannel fromChannel,
                     FromByte fromByte) {
    if (!IsValid(b)) return false;
    const bool direct = IsDirect(b);
    if (!direct && !IsIndexed(b)) return false;
    const unsigned n = static_cast<unsigned>(std::popcount(channels & kChannelAll));
    const std::size_t count = PixelCount(b);
    std::size_t at = out.size();
    out.resize(at + count * n);
    Out* o = out.data() + at;
    if (direct && n == 4) {
      const Channel* px = b.pixels.data();
      for (std::size_t i = 0; i < count * 4; ++i) o[i] = fromChannel(px[i]);
      return true;
    }
    for (std::size_t p = 0; p < count; ++p) {
      if (direct) {
        const Channel* px = b.pixels.data() + p * 4;
        for (unsigned c = 0; c < 4; ++c) {
          if (channels & (1u << c)) *o++ = fromChannel(px[c]);
        }
      } else {
        const PaletteColor colour = b.indexed.Lookup(p);
        for (unsigned c = 0; c < 4; ++c) {
          if (channels & (1u << c)) *o++ = fromByte(colour[c]);
        }
      }
    }
    return true;
  }

  static bool ExportFloats(const Body& b, std::vector<float>& out, std::uint32_t channels) {
    return Export(b, out, channels, [](Channel v) { return T::ToFloat(v); },
                  [](std::uint8_t x) { return ByteToFloat(x); });
  }

  static bool ExportBytes(const Body& b, std::vector<std::uint8_t>& out, std::uint32_t channels) {
    return Export(b, out, channels, [](Channel v) { return T::ToByte(v); }, [](std::uint8_t x) { return x; });
  }

  template <typename Out>
  static bool GetAll(const Body& b, std::vector<Out>& out) {
    std::vector<Out> all;
    bool ok;
    if constexpr (std::is_same_v<Out, float>) ok = ExportFloats(b, all, kChannelAll);
    else ok = ExportBytes(b, all, kChannelAll);
    if (ok) out.swap(all);
    return ok;
  }

  // Pixels as floats on the 0..1 scale (the colour-reduction input).
  static std::vector<float> DirectFloats(const Body& b) {
    std::vector<float> f(b.pixels.size());
    for (std::size_t i = 0; i < f.size(); ++i) f[i] = T::ToFloat(b.pixels[i]);
    return f;
  }

  static bool Resize(Body& b, std::uint32_t width, std::uint32_t height) {
    if (b.fixed || !IsValid(b)) return false;
    if (width == b.width && height == b.height) return true;
    if (!IsAcceptedImageSize(width, height)) return false;
    if (IsDirect(b)) {
      std::vector<float> scaled;
      if constexpr (std::is_same_v<Channel, float>) {
        scaled = ResampleRGBA(b.pixels, b.width, b.height, width, height);
      } else {
        const std::vector<float> wide(b.pixels.begin(), b.pixels.end());
        scaled = ResampleRGBA(wide, b.width, b.height, width, height);
      }
      if constexpr (std::is_same_v<Channel, float>) {
        b.pixels.swap(scaled);
      } else {
        std::vector<Channel> pixels(scaled.size());
        for (std::size_t i = 0; i < scaled.size(); ++i) pixels[i] = RoundToByte(scaled[i]);
        b.pixels.swap(pixels);
      }
      b.width = width;
      b.height = height;
      return true;
    }
    if (!IsIndexed(b)) return false;
    // Indexed: expand the first palette, resample the colours and map every
    // resampled pixel back onto that palette.
    const std::size_t count = PixelCount(b);
    std::vector<float> colours(count * 4);
    for (std::size_t p = 0; p < count; ++p) {
      const PaletteColor c = b.indexed.Lookup(p);
      for (int k = 0; k < 4; ++k) colours[p * 4 + k] = c[k];
    }
    const std::vector<float> scaled = ResampleRGBA(colours, b.width, b.height, width, height);
    const Palette& palette = b.indexed.palettes.front();
    std::vector<std::uint8_t> indices(std::size_t{width} * height);
    for (std::size_t p = 0; p < indices.size(); ++p) {
      const std::uint8_t c[4] = {RoundToByte(scaled[p * 4]), RoundToByte(scaled[p * 4 + 1]),
                                 RoundToByte(scaled[p * 4 + 2]), RoundToByte(scaled[p * 4 + 3])};
      indices[p] = NearestByAlphaHalvedMetric(palette, c);
    }
    b.indexed.indices.swap(indices);
    b.indexed.width = width;
    b.indexed.height = height;
    b.width = width;
    b.height = height;
    return true;
  }

  static bool ExpandPalette(Body& b, std::uint32_t paletteIndex) {
    if (b.fixed || !IsValid(b) || !IsIndexed(b)) return false;
    if (paletteIndex >= b.indexed.palettes.size()) return false;
    const std::size_t count = PixelCount(b);
    std::vector<Channel> pixels(count * 4);
    for (std::size_t p = 0; p < count; ++p) {
      const PaletteColor c = b.indexed.Lookup(p, paletteIndex);
      for (int k = 0; k < 4; ++k) pixels[p * 4 + k] = T::FromByte(c[k]);
    }
    b.pixels.swap(pixels);
    b.indexed.Clear();
    return true;
  }

  static bool ConvertToIndexed(Body& b, const Palette& palette, bool useAlpha, bool dither) {
    if (b.fixed || !IsValid(b) || !IsDirect(b)) return false;
    if (palette.size() != 16 && palette.size() != 256) return false;
    CIndexedData data;
    if (!data.Create(b.width, b.height, static_cast<std::uint32_t>(palette.size()))) return false;
    data.palettes.front() = palette;
    FPaletteReduce reducer(palette, useAlpha);
    std::vector<float> colours = DirectFloats(b);
    if (dither) {
      std::vector<float> diffused;
      if (!Diffuse(JarvisJudiceNinkeKernel(), colours, diffused, b.width, b.height, reducer)) return false;
      colours.swap(diffused);
    }
    const std::size_t count = PixelCount(b);
    for (std::size_t p = 0; p < count; ++p) {
      data.indices[p] = static_cast<std::uint8_t>(reducer.FindNearest(colours.data() + p * 4));
    }
    b.indexed = std::move(data);
    b.pixels.clear();
    b.pixels.shrink_to_fit();
    return true;
  }

  static bool ReduceColors(Body& b, std::uint32_t colorCount, bool useAlpha) {
    if (b.fixed || !IsValid(b) || !IsDirect(b)) return false;
    if (colorCount < 1 || colorCount > 256) return false;
    std::vector<std::uint8_t> rgba;
    if (!ExportBytes(b, rgba, kChannelAll)) return false;
    Palette palette;
    if (!BuildPalette(rgba, colorCount, useAlpha, palette)) return false;
    palette.resize(palette.size() <= 16 ? 16 : 256, PaletteColor{0, 0, 0, 0});
    return ConvertToIndexed(b, palette, useAlpha, true);
  }

  static float Power(float v, float gamma) { return std::pow(v, gamma); }

  static bool ApplyGamma(Body& b, float gamma) {
    if (b.fixed || !IsValid(b)) return false;
    if (IsDirect(b)) {
      for (std::size_t i = 0; i < b.pixels.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
          b.pixels[i + c] = T::FromFloat(Power(T::ToFloat(b.pixels[i + c]), gamma));
        }
      }
    } else {
      for (Palette& p : b.indexed.palettes) {
        for (PaletteColor& colour : p) {
          for (int c = 0; c < 3; ++c) colour[c] = FloatToByte(Power(ByteToFloat(colour[c]), gamma));
        }
      }
    }
    b.gamma = gamma;
    return true;
  }

  static bool Dump(const Body& b, CTextWriterBase& writer) {
    if (b.fixed) writer.Write("[fixed]  ");
    const int size = static_cast<int>(b.pixels.size());
    return WriteFormat(writer, L"Image name = %ls,\t\tWidth = %d, Height = %d,\tGamma = %.2f,\tdatasize = 0x%08x(%d)\n",
                       b.name.c_str(), static_cast<int>(b.width), static_cast<int>(b.height),
                       static_cast<double>(b.gamma), static_cast<unsigned>(size), size);
  }

  static bool SetUserData(Body& b, CClassCallbackBase* userData) {
    if (b.fixed) return false;
    b.userData = userData;
    return true;
  }

  static bool SetAddressMode(Body& b, std::uint32_t mode) {
    if (mode != kAddressWrap && mode != kAddressClamp) return false;
    b.addressMode = mode;
    return true;
  }
};

}  // namespace

// The two image classes share one implementation over their storage type.
#define ZFX_IMAGE_METHODS(Class, Channel)                                                                  \
  Class::Class() : m_body(std::make_unique<SImageBody<Channel>>()) { RegisterToolkitMessages(); }           \
  Class::Class(const Class& other) : CImageBase(other), m_body(std::make_unique<SImageBody<Channel>>(*other.m_body)) {} \
  Class& Class::operator=(const Class& other) {                                                            \
    if (this != &other) *m_body = *other.m_body;                                                           \
    return *this;                                                                                          \
  }                                                                                                        \
  Class::~Class() = default;                                                                               \
  bool Class::IsFixed() const { return m_body->fixed; }                                                    \
  bool Class::Create(std::uint32_t w, std::uint32_t h, std::uint32_t kind) {                               \
    return Ops<Channel>::Create(*m_body, w, h, kind);                                                      \
  }                                                                                                        \
  bool Class::IsValid() const { return Ops<Channel>::IsValid(*m_body); }                                   \
  std::uint32_t Class::GetWidth() const { return m_body->width; }                                          \
  std::uint32_t Class::GetHeight() const { return m_body->height; }                                        \
  bool Class::IsDirect() const { return Ops<Channel>::IsDirect(*m_body); }                                 \
  bool Class::IsIndexed() const { return Ops<Channel>::IsIndexed(*m_body); }                               \
  const std::wstring& Class::GetName() const { return m_body->name; }                                      \
  std::uint32_t Class::GetPaletteCount() const { return Ops<Channel>::GetPaletteCount(*m_body); }          \
  bool Class::SetName(const std::string& name) { return Ops<Channel>::SetName(*m_body, Utf8ToWide(name)); } \
  bool Class::SetName(const std::wstring& name) { return Ops<Channel>::SetName(*m_body, name); }           \
  bool Class::Clear() { return Ops<Channel>::Clear(*m_body); }                                             \
  bool Class::SetIndexedData(const CIndexedData& d) { return Ops<Channel>::SetIndexedData(*m_body, d); }    \
  bool Class::ImportFloats(const std::vector<float>& v, std::uint32_t c) {                                 \
    return Ops<Channel>::ImportFloats(*m_body, v, c);                                                      \
  }                                                                                                        \
  bool Class::ImportBytes(const std::vector<std::uint8_t>& v, std::uint32_t c) {                           \
    return Ops<Channel>::ImportBytes(*m_body, v, c);                                                       \
  }                                                                                                        \
  bool Class::SetPixels(const std::vector<float>& v) { return Ops<Channel>::SetPixels(*m_body, v); }       \
  bool Class::SetPixels(const std::vector<std::uint8_t>& v) { return Ops<Channel>::SetPixels(*m_body, v); } \
  bool Class::GetIndexedData(CIndexedData& d) const { return Ops<Channel>::GetIndexedData(*m_body, d); }   \
  bool Class::ExportFloats(std::vector<float>& o, std::uint32_t c) const {                                 \
    return Ops<Channel>::ExportFloats(*m_body, o, c);                                                      \
  }                                                                                                        \
  bool Class::GetPixels(std::vector<float>& o) const { return Ops<Channel>::GetAll(*m_body, o); }          \
  bool Class::ExportBytes(std::vector<std::uint8_t>& o, std::uint32_t c) const {                           \
    return Ops<Channel>::ExportBytes(*m_body, o, c);                                                       \
  }                                                                                                        \
  bool Class::GetPixels(std::vector<std::uint8_t>& o) const { return Ops<Channel>::GetAll(*m_body, o); }   \
  bool Class::Resize(std::uint32_t w, std::uint32_t h) { return Ops<Channel>::Resize(*m_body, w, h); }     \
  bool Class::ExpandPalette(std::uint32_t i) { return Ops<Channel>::ExpandPalette(*m_body, i); }           \
  bool Class::ConvertToIndexed(const Palette& p, bool useAlpha, bool dither) {                             \
    return Ops<Channel>::ConvertToIndexed(*m_body, p, useAlpha, dither);                                   \
  }                                                                                                        \
  bool Class::ReduceColors(std::uint32_t n, bool useAlpha) {                                               \
    return Ops<Channel>::ReduceColors(*m_body, n, useAlpha);                                               \
  }                                                                                                        \
  bool Class::ApplyGamma(float g) { return Ops<Channel>::ApplyGamma(*m_body, g); }                         \
  float Class::GetGamma() const { return m_body->gamma; }                                                  \
  bool Class::SetGamma(float g) {                                                                          \
    m_body->gamma = g;                                                                                     \
    return true;                                                                                           \
  }                                                                                                        \
  bool Class::Dump(CTextWriterBase& w) const { return Ops<Channel>::Dump(*m_body, w); }                    \
  bool Class::SetUserData(CClassCallbackBase* u) { return Ops<Channel>::SetUserData(*m_body, u); }         \
  bool Class::SetAddressMode(std::uint32_t m) { return Ops<Channel>::SetAddressMode(*m_body, m); }         \
  std::uint32_t Class::GetAddressMode() const { return m_body->addressMode; }                              \
  void Class::SetFixed(bool fixed) { m_body->fixed = fixed; }                                              \
  CClassCallbackBase* Class::GetUserData() const { return m_body->userData; }

ZFX_IMAGE_METHODS(CImage, float)
ZFX_IMAGE_METHODS(CClassicImage, std::uint8_t)

#undef ZFX_IMAGE_METHODS

CImagePixelAccessorF CImage::GetPixelAccessor() {
  return CImagePixelAccessorF(&m_body->pixels, m_body->width, m_body->height, m_body->addressMode);
}

CImagePixelAccessorF_const CImage::GetPixelAccessor() const {
  return CImagePixelAccessorF_const(&m_body->pixels, m_body->width, m_body->height, m_body->addressMode);
}

CImagePixelAccessorB CClassicImage::GetPixelAccessor() {
  return CImagePixelAccessorB(&m_body->pixels, m_body->width, m_body->height, m_body->addressMode);
}

CImagePixelAccessorB_const CClassicImage::GetPixelAccessor() const {
  return CImagePixelAccessorB_const(&m_body->pixels, m_body->width, m_body->height, m_body->addressMode);
}

}  // namespace zfx
