#include "facedata/FaceTexture.h"

#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/Image.h"
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

bool DecodeFaceTexture(const std::uint8_t* buffer, std::uint32_t size, std::vector<std::uint8_t>* rgba, int* width,
                       int* height) {
  zfx::CG1TFileImpl g1t;
  zfx::CBinaryReaderFromMemory reader(buffer, size);
  if (g1t.Read(reader) == 0 || g1t.GetTextureCount() != 1) return false;
  const zfx::CG1TTexture& texture = g1t.GetTexture(0);
  zfx::CImage image;
  if (!g1t.GetImage(texture, image)) return false;
  std::vector<std::uint8_t> bytes;
  if (!image.ExportBytes(bytes, 15)) return false;
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

}  // namespace kaocg_func
