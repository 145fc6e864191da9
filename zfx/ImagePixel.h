// Pixels of the two image kinds and two-dimensional views of a pixel vector.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "zfx/NonCopyable.h"

namespace zfx {

struct CImagePixel4 {
  float r = 0, g = 0, b = 0, a = 0;
};

struct CClassicImagePixel4 {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

// Address modes of an image: coordinates outside it wrap around or are
// clamped to the edge.
enum : std::uint32_t { kAddressWrap = 0, kAddressClamp = 1 };

// Views a vector of channel values (four per pixel, row by row) as a
// two-dimensional array of pixels.  The vector is not owned and must hold
// width x height x 4 values while the view is used.
template <typename Pixel, typename Storage>
class _CImagePixelAccessor : public CNonCopyable {
 public:
  _CImagePixelAccessor(Storage* pixels, std::uint32_t width, std::uint32_t height, std::uint32_t addressMode)
      : m_pixels(pixels), m_width(width), m_height(height), m_addressMode(addressMode) {}
  ~_CImagePixelAccessor() override = default;

  std::uint32_t GetWidth() const { return m_width; }
  std::uint32_t GetHeight() const { return m_height; }

  std::remove_const_t<Pixel> Get(std::int64_t x, std::int64_t y) const {
    std::remove_const_t<Pixel> p{};
    if (!Usable()) return p;
    const auto& v = *m_pixels;
    const std::size_t at = Offset(x, y);
    p.r = v[at];
    p.g = v[at + 1];
    p.b = v[at + 2];
    p.a = v[at + 3];
    return p;
  }

 protected:
  bool Usable() const {
    return m_pixels != nullptr && m_width != 0 && m_height != 0 &&
           m_pixels->size() >= std::size_t{m_width} * m_height * 4;
  }

  std::size_t Offset(std::int64_t x, std::int64_t y) const {
    return (static_cast<std::size_t>(Address(x, m_width)) +
            std::size_t{m_width} * static_cast<std::size_t>(Address(y, m_height))) * 4;
  }

  Storage* m_pixels;
  std::uint32_t m_width;
  std::uint32_t m_height;
  std::uint32_t m_addressMode;

 private:
  std::int64_t Address(std::int64_t c, std::uint32_t size) const {
    const std::int64_t n = size;
    if (m_addressMode == kAddressClamp) return c < 0 ? 0 : (c >= n ? n - 1 : c);
    const std::int64_t m = c % n;
    return m < 0 ? m + n : m;
  }
};

template <typename Pixel, typename Channel>
class CImagePixelAccessor : public _CImagePixelAccessor<Pixel, std::vector<Channel>> {
  using Base = _CImagePixelAccessor<Pixel, std::vector<Channel>>;

 public:
  using Base::Base;

  void Set(std::int64_t x, std::int64_t y, const Pixel& p) {
    if (!this->Usable()) return;
    auto& v = *this->m_pixels;
    const std::size_t at = this->Offset(x, y);
    v[at] = p.r;
    v[at + 1] = p.g;
    v[at + 2] = p.b;
    v[at + 3] = p.a;
  }
};

template <typename Pixel, typename Channel>
class CImagePixelAccessor_const : public _CImagePixelAccessor<const Pixel, const std::vector<Channel>> {
  using Base = _CImagePixelAccessor<const Pixel, const std::vector<Channel>>;

 public:
  using Base::Base;
};

using CImagePixelAccessorF = CImagePixelAccessor<CImagePixel4, float>;
using CImagePixelAccessorB = CImagePixelAccessor<CClassicImagePixel4, std::uint8_t>;
using CImagePixelAccessorF_const = CImagePixelAccessor_const<CImagePixel4, float>;
using CImagePixelAccessorB_const = CImagePixelAccessor_const<CClassicImagePixel4, std::uint8_t>;

}  // namespace zfx
