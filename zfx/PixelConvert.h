// Converters between the stored bytes of one mip level and image channel
// values (red, green, blue, alpha per pixel, rows from the top).
//
// Platforms 0, 1 and 2 share one converter set, 3 and 4 have their own; a
// format without a converter in a set gets the null converter, which decodes
// to transparent black and encodes to zero bytes and still succeeds, so that
// a texture in a format we cannot interpret never fails a whole file.
//
// Indexed formats go through bytes only and carry one palette index per
// pixel instead of four channel values: DecodeToBytes delivers width x height
// indices, EncodeFromBytes takes them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "zfx/G1TFormat.h"

namespace zfx {

struct CConversionContext {
  std::uint32_t width = 0;   // of the mip level
  std::uint32_t height = 0;
  bool bigEndian = false;    // byte order of the stored data
  std::int32_t platform = 0;
  // The texture's extra records; the first one's tag selects the normal-map
  // handling of the DXT formats. May be null.
  const std::vector<CG1TExtraRecord>* extraRecords = nullptr;
  // How decoded normal maps are rearranged (0 to 4); the container passes
  // the texture's platform.
  std::int32_t option = 0;
};

// Bigger levels are refused before anything is allocated: no stored face
// comes near this, and a hostile header must not make us allocate gigabytes.
inline constexpr std::uint64_t kMaxConvertPixels = std::uint64_t{1} << 26;

// Each returns false only when the input is shorter than the level needs
// (width x height x 4 values, or the level's encoded size of bytes) or the
// level exceeds kMaxConvertPixels; out is replaced.
bool DecodeToFloats(std::int32_t format, std::span<const std::uint8_t> data,
                    const CConversionContext& context, std::vector<float>& out);
bool DecodeToBytes(std::int32_t format, std::span<const std::uint8_t> data,
                   const CConversionContext& context, std::vector<std::uint8_t>& out);
bool EncodeFromFloats(std::int32_t format, std::span<const float> values,
                      const CConversionContext& context, std::vector<std::uint8_t>& data);
bool EncodeFromBytes(std::int32_t format, std::span<const std::uint8_t> values,
                     const CConversionContext& context, std::vector<std::uint8_t>& data);

// Which converters the platform's set holds for a format.
enum ConverterKind : std::uint8_t {
  kDecodeFloats = 1,
  kDecodeBytes = 2,
  kEncodeFloats = 4,
  kEncodeBytes = 8,
};
std::uint8_t GetConverterKinds(std::int32_t platform, std::int32_t format);

// Half floats as the stored textures use them: the decoder re-biases the
// exponent without special cases (a zero half becomes 2^-15) and the encoder
// truncates the mantissa.
float HalfToFloat(std::uint16_t half);
std::uint16_t FloatToHalf(float value);

// Float channel to byte for stored data: clamped to 0..1, x 255, truncated.
std::uint8_t ChannelToByte(float value);

}  // namespace zfx
