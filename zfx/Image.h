// The toolkit's image model.  CImage keeps every channel as a float in 0 to
// 1, CClassicImage as a byte.  Either holds its picture directly (red,
// green, blue, alpha per pixel, rows from the top) or indexed (one byte per
// pixel and one or more palettes of 16 or 256 colours).
//
// Operations that change pixels, size, indexed data, name or user data
// refuse (return false, change nothing) on a fixed image; no operation
// throws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zfx/ClassCallback.h"
#include "zfx/ImagePixel.h"
#include "zfx/IndexedData.h"

namespace zfx {

class CTextWriterBase;

// Channel mask of the import and export operations.
enum ChannelMask : std::uint32_t {
  kChannelRed = 1,
  kChannelGreen = 2,
  kChannelBlue = 4,
  kChannelAlpha = 8,
  kChannelAll = 15,
};

// Kinds of Create.
enum ImageKind : std::uint32_t {
  kImageSizeOnly = 0,
  kImageDirect = 1,
  kImageIndexed256 = 2,
  kImageIndexed16 = 3,
};

// Largest picture an image accepts, so that a size read from a file cannot
// make it allocate without bound.
inline constexpr std::uint32_t kMaxImageDimension = 32768;
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 26;

// True when width x height is a picture size the images accept.
bool IsAcceptedImageSize(std::uint32_t width, std::uint32_t height);

// Byte to float: b / 255.
inline float ByteToFloat(std::uint8_t b) { return static_cast<float>(b) / 255.0f; }

// Float to byte: v x 255 in single precision, truncated; below 0 (or not a
// number) gives 0, from 255.999 upward 255.
inline std::uint8_t FloatToByte(float v) {
  const float t = v * 255.0f;
  if (!(t >= 0.0f)) return 0;
  if (t >= 255.99899291992188f) return 255;
  return static_cast<std::uint8_t>(t);
}

class CImageBase {
 public:
  virtual ~CImageBase() = default;

  virtual bool IsFixed() const = 0;
  // Clears the image and sets the size; kind (ImageKind) says what follows.
  virtual bool Create(std::uint32_t width, std::uint32_t height, std::uint32_t kind) = 0;
  virtual bool IsValid() const = 0;
  virtual std::uint32_t GetWidth() const = 0;
  virtual std::uint32_t GetHeight() const = 0;
  virtual bool IsDirect() const = 0;
  virtual bool IsIndexed() const = 0;
  virtual const std::wstring& GetName() const = 0;
  virtual std::uint32_t GetPaletteCount() const = 0;
  // The narrow name is read as UTF-8.
  virtual bool SetName(const std::string& name) = 0;
  virtual bool SetName(const std::wstring& name) = 0;
  virtual bool Clear() = 0;
  virtual bool SetIndexedData(const CIndexedData& data) = 0;
  virtual bool ImportFloats(const std::vector<float>& values, std::uint32_t channels) = 0;
  virtual bool ImportBytes(const std::vector<std::uint8_t>& values, std::uint32_t channels) = 0;
  virtual bool SetPixels(const std::vector<float>& values) = 0;
  virtual bool SetPixels(const std::vector<std::uint8_t>& values) = 0;
  virtual bool GetIndexedData(CIndexedData& data) const = 0;
  // Appends the selected channels of every pixel to out.
  virtual bool ExportFloats(std::vector<float>& out, std::uint32_t channels) const = 0;
  // Replaces out by all four channels of every pixel.
  virtual bool GetPixels(std::vector<float>& out) const = 0;
  virtual bool ExportBytes(std::vector<std::uint8_t>& out, std::uint32_t channels) const = 0;
  virtual bool GetPixels(std::vector<std::uint8_t>& out) const = 0;
  virtual bool Resize(std::uint32_t width, std::uint32_t height) = 0;
  virtual bool ExpandPalette(std::uint32_t paletteIndex) = 0;
  virtual bool ConvertToIndexed(const Palette& palette, bool useAlpha, bool dither) = 0;
  virtual bool ReduceColors(std::uint32_t colorCount, bool useAlpha) = 0;
  virtual bool ApplyGamma(float gamma) = 0;
  virtual float GetGamma() const = 0;
  virtual bool SetGamma(float gamma) = 0;
  virtual bool Dump(CTextWriterBase& writer) const = 0;
  virtual bool SetUserData(CClassCallbackBase* userData) = 0;
  virtual bool SetAddressMode(std::uint32_t mode) = 0;
  virtual std::uint32_t GetAddressMode() const = 0;

 protected:
  CImageBase() = default;
  CImageBase(const CImageBase&) = default;
  CImageBase& operator=(const CImageBase&) = default;
};

template <typename Channel>
struct SImageBody;

// Float storage.  Copies are deep.
class CImage : public CImageBase {
 public:
  CImage();
  CImage(const CImage& other);
  CImage& operator=(const CImage& other);
  ~CImage() override;

  bool IsFixed() const override;
  bool Create(std::uint32_t width, std::uint32_t height, std::uint32_t kind) override;
  bool IsValid() const override;
  std::uint32_t GetWidth() const override;
  std::uint32_t GetHeight() const override;
  bool IsDirect() const override;
  bool IsIndexed() const override;
  const std::wstring& GetName() const override;
  std::uint32_t GetPaletteCount() const override;
  bool SetName(const std::string& name) override;
  bool SetName(const std::wstring& name) override;
  bool Clear() override;
  bool SetIndexedData(const CIndexedData& data) override;
  bool ImportFloats(const std::vector<float>& values, std::uint32_t channels) override;
  bool ImportBytes(const std::vector<std::uint8_t>& values, std::uint32_t channels) override;
  bool SetPixels(const std::vector<float>& values) override;
  bool SetPixels(const std::vector<std::uint8_t>& values) override;
  bool GetIndexedData(CIndexedData& data) const override;
  bool ExportFloats(std::vector<float>& out, std::uint32_t channels) const override;
  bool GetPixels(std::vector<float>& out) const override;
  bool ExportBytes(std::vector<std::uint8_t>& out, std::uint32_t channels) const override;
  bool GetPixels(std::vector<std::uint8_t>& out) const override;
  bool Resize(std::uint32_t width, std::uint32_t height) override;
  bool ExpandPalette(std::uint32_t paletteIndex) override;
  bool ConvertToIndexed(const Palette& palette, bool useAlpha, bool dither) override;
  bool ReduceColors(std::uint32_t colorCount, bool useAlpha) override;
  bool ApplyGamma(float gamma) override;
  float GetGamma() const override;
  bool SetGamma(float gamma) override;
  bool Dump(CTextWriterBase& writer) const override;
  bool SetUserData(CClassCallbackBase* userData) override;
  bool SetAddressMode(std::uint32_t mode) override;
  std::uint32_t GetAddressMode() const override;

  // Freezes or releases the image (see the class comment).
  void SetFixed(bool fixed);
  CClassCallbackBase* GetUserData() const;
  // Views of the pixel vector (empty for an indexed image), valid until the
  // image next changes.
  CImagePixelAccessorF GetPixelAccessor();
  CImagePixelAccessorF_const GetPixelAccessor() const;

 private:
  std::unique_ptr<SImageBody<float>> m_body;
};

// Byte storage.  Copies are deep.
class CClassicImage : public CImageBase {
 public:
  CClassicImage();
  CClassicImage(const CClassicImage& other);
  CClassicImage& operator=(const CClassicImage& other);
  ~CClassicImage() override;

  bool IsFixed() const override;
  bool Create(std::uint32_t width, std::uint32_t height, std::uint32_t kind) override;
  bool IsValid() const override;
  std::uint32_t GetWidth() const override;
  std::uint32_t GetHeight() const override;
  bool IsDirect() const override;
  bool IsIndexed() const override;
  const std::wstring& GetName() const override;
  std::uint32_t GetPaletteCount() const override;
  bool SetName(const std::string& name) override;
  bool SetName(const std::wstring& name) override;
  bool Clear() override;
  bool SetIndexedData(const CIndexedData& data) override;
  bool ImportFloats(const std::vector<float>& values, std::uint32_t channels) override;
  bool ImportBytes(const std::vector<std::uint8_t>& values, std::uint32_t channels) override;
  bool SetPixels(const std::vector<float>& values) override;
  bool SetPixels(const std::vector<std::uint8_t>& values) override;
  bool GetIndexedData(CIndexedData& data) const override;
  bool ExportFloats(std::vector<float>& out, std::uint32_t channels) const override;
  bool GetPixels(std::vector<float>& out) const override;
  bool ExportBytes(std::vector<std::uint8_t>& out, std::uint32_t channels) const override;
  bool GetPixels(std::vector<std::uint8_t>& out) const override;
  bool Resize(std::uint32_t width, std::uint32_t height) override;
  bool ExpandPalette(std::uint32_t paletteIndex) override;
  bool ConvertToIndexed(const Palette& palette, bool useAlpha, bool dither) override;
  bool ReduceColors(std::uint32_t colorCount, bool useAlpha) override;
  bool ApplyGamma(float gamma) override;
  float GetGamma() const override;
  bool SetGamma(float gamma) override;
  bool Dump(CTextWriterBase& writer) const override;
  bool SetUserData(CClassCallbackBase* userData) override;
  bool SetAddressMode(std::uint32_t mode) override;
  std::uint32_t GetAddressMode() const override;

  void SetFixed(bool fixed);
  CClassCallbackBase* GetUserData() const;
  CImagePixelAccessorB GetPixelAccessor();
  CImagePixelAccessorB_const GetPixelAccessor() const;

 private:
  std::unique_ptr<SImageBody<std::uint8_t>> m_body;
};

}  // namespace zfx
