#include "facedata/FaceTexture.h"

#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/Image.h"
#include "zfx/PixelConvert.h"
#include "zfx/PixelFormat.h"

namespace kaocg_func {

std::uint32_t EncodeFaceTexture(const std::vector<std::uint8_t>& rgba, int width, int height, std::uint8_t* buffer,
                                std::uint32_t capacity, const std::wstring& textureName) {
  if (width <= 0 || height <= 0) return 0;
  zfx::CImage image;
  if (!image.Create(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 1)) return 0;
  if (!image.ImportBytes(rgba, 15)) return 0;

  zfx::CG1TFileImpl g1t;
  if (!g1t.SetPlatform(0) || !g1t.SetPixelFormat(zfx::TQR_PIXEL_FORMAT_RGBA8) || !g1t.AddTexture()) return 0;
  zfx::CG1TTexture& texture = g1t.GetTexture(0);
  if (!g1t.SetImage(texture, image)) return 0;
  if (texture.IsInitialized() && !zfx::IsIndexedFormat(zfx::TQR_PIXEL_FORMAT_RGBA8)) {
    texture.SetFormats(zfx::TQR_PIXEL_FORMAT_RGBA8, zfx::TQR_PIXEL_FORMAT_NONE);
    texture.SetModified();
  }
  if (!textureName.empty() && !texture.SetSecondName(textureName)) return 0;
  if (!g1t.Validate()) return 0;
  zfx::CBinaryWriterToMemory writer(buffer, capacity);
  return g1t.Write(writer);
}

namespace {

// True when the texture's first level decodes to floats as its byte decoding
// divided by 255: the stored 8-bit and block-compressed formats, on a
// platform that has both decoders for them. Every byte survives the division
// and the multiplication back unchanged, so for these a byte image yields
// exactly what the float image yields, without the float round trip that
// costs the thumbnail load most of its decoding time.
bool DecodesThroughBytes(const zfx::CG1TTexture& texture) {
  const std::vector<zfx::CG1TSurface>& surfaces = texture.GetSurfaces();
  if (surfaces.empty() || !surfaces.front().palettes.empty() || surfaces.front().levels.empty()) return false;
  const zfx::CG1TLevel& level = surfaces.front().levels.front();
  if (level.pixels != zfx::CG1TLevel::Pixels::kNone) return false;
  switch (level.storedFormat) {
    case zfx::TQR_PIXEL_FORMAT_RGBA8:
    case zfx::TQR_PIXEL_FORMAT_BGRA8:
    case zfx::TQR_PIXEL_FORMAT_DXT1:
    case zfx::TQR_PIXEL_FORMAT_DXT3:
    case zfx::TQR_PIXEL_FORMAT_DXT5:
    case zfx::TQR_PIXEL_FORMAT_TILE_RGBA8:
    case zfx::TQR_PIXEL_FORMAT_TILE_BGRA8:
    case zfx::TQR_PIXEL_FORMAT_TILE_DXT1:
    case zfx::TQR_PIXEL_FORMAT_TILE_DXT3:
    case zfx::TQR_PIXEL_FORMAT_TILE_DXT5:
      break;
    default:
      return false;
  }
  const std::uint8_t kinds = zfx::GetConverterKinds(level.storedPlatform, level.storedFormat);
  return (kinds & zfx::kDecodeFloats) && (kinds & zfx::kDecodeBytes);
}

// The picture of a one-texture G1T; allowBytePath takes the byte image where
// it gives the same bytes.
bool DecodeFaceTextureAs(const std::uint8_t* buffer, std::uint32_t size, std::vector<std::uint8_t>* rgba,
                         int* width, int* height, bool allowBytePath) {
  zfx::CG1TFileImpl g1t;
  zfx::CBinaryReaderFromMemory reader(buffer, size);
  if (g1t.Read(reader) == 0 || g1t.GetTextureCount() != 1) return false;
  const zfx::CG1TTexture& texture = g1t.GetTexture(0);
  std::vector<std::uint8_t> bytes;
  if (allowBytePath && DecodesThroughBytes(texture)) {
    zfx::CClassicImage image;
    if (!g1t.GetImage(texture, image) || !image.ExportBytes(bytes, 15)) return false;
  } else {
    zfx::CImage image;
    if (!g1t.GetImage(texture, image) || !image.ExportBytes(bytes, 15)) return false;
  }
  const std::uint8_t dimension = texture.GetHeader()[2];
  const std::uint64_t w = std::uint64_t{1} << (dimension & 0x0F);
  const std::uint64_t h = std::uint64_t{1} << (dimension >> 4);
  // The picture must be exactly what the dimension byte promises.
  if (bytes.size() != w * h * 4) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  *rgba = std::move(bytes);
  return true;
}

}  // namespace

bool DecodeFaceTextureThroughFloats(const std::uint8_t* buffer, std::uint32_t size, std::vector<std::uint8_t>* rgba,
                                    int* width, int* height) {
  return DecodeFaceTextureAs(buffer, size, rgba, width, height, false);
}

bool DecodeFaceTexture(const std::uint8_t* buffer, std::uint32_t size, std::vector<std::uint8_t>* rgba, int* width,
                       int* height) {
  return DecodeFaceTextureAs(buffer, size, rgba, width, height, true);
}

}  // namespace kaocg_func
