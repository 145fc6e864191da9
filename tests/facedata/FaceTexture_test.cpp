#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "facedata/FaceTexture.h"
#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/Image.h"
#include "zfx/PixelFormat.h"

namespace {

// A picture in which every channel takes every byte value, and neighbouring
// pixels differ, so that block compression has work to do as well.
std::vector<std::uint8_t> EveryByte(int side) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(side) * side * 4);
  for (std::size_t i = 0; i < rgba.size() / 4; ++i) {
    rgba[i * 4 + 0] = static_cast<std::uint8_t>(i);
    rgba[i * 4 + 1] = static_cast<std::uint8_t>(i * 7 + 3);
    rgba[i * 4 + 2] = static_cast<std::uint8_t>(255 - i);
    rgba[i * 4 + 3] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
  }
  return rgba;
}

// A one-texture G1T of the picture, stored in format on platform; empty
// when the container refuses the combination.
std::vector<std::uint8_t> Texture(std::int32_t platform, std::int32_t format, int side) {
  zfx::CImage image;
  if (!image.Create(static_cast<std::uint32_t>(side), static_cast<std::uint32_t>(side), 1) ||
      !image.ImportBytes(EveryByte(side), 15)) {
    return {};
  }
  zfx::CG1TFileImpl g1t;
  if (!g1t.SetPlatform(platform) || !g1t.SetPixelFormat(format) || !g1t.AddTexture()) return {};
  zfx::CG1TTexture& texture = g1t.GetTexture(0);
  if (!g1t.SetImage(texture, image)) return {};
  // Stored as asked, not as the image suggests.
  texture.SetFormats(format, zfx::TQR_PIXEL_FORMAT_NONE);
  if (!g1t.Validate()) return {};
  std::vector<std::uint8_t> out(1 << 20);
  zfx::CBinaryWriterToMemory writer(out.data(), static_cast<std::uint32_t>(out.size()));
  out.resize(g1t.Write(writer));
  return out;
}

// The byte route of the face decoder must give exactly the bytes of the float
// route, for the formats it takes and for those it leaves to the floats.
TEST(FaceTextureTest, ByteDecodingMatchesTheFloatRoundTrip) {
  const std::int32_t formats[] = {
      zfx::TQR_PIXEL_FORMAT_RGBA8,      zfx::TQR_PIXEL_FORMAT_BGRA8,      zfx::TQR_PIXEL_FORMAT_DXT1,
      zfx::TQR_PIXEL_FORMAT_DXT3,       zfx::TQR_PIXEL_FORMAT_DXT5,       zfx::TQR_PIXEL_FORMAT_TILE_RGBA8,
      zfx::TQR_PIXEL_FORMAT_TILE_BGRA8, zfx::TQR_PIXEL_FORMAT_TILE_DXT1,  zfx::TQR_PIXEL_FORMAT_TILE_DXT3,
      zfx::TQR_PIXEL_FORMAT_TILE_DXT5,  zfx::TQR_PIXEL_FORMAT_BGRX8,      zfx::TQR_PIXEL_FORMAT_RGBA16F,
      zfx::TQR_PIXEL_FORMAT_B5G6R5,     zfx::TQR_PIXEL_FORMAT_B4G4R4A4,   zfx::TQR_PIXEL_FORMAT_RGB10FA2F,
  };
  int decoded = 0;
  for (const std::int32_t platform : {0, 1, 2, 3, 4}) {
    for (const std::int32_t format : formats) {
      // 64 is the small face's side; 2 is below one compression block.
      for (const int side : {64, 128, 2}) {
        SCOPED_TRACE(testing::Message() << "platform " << platform << " format " << format << " side " << side);
        const std::vector<std::uint8_t> g1t = Texture(platform, format, side);
        if (g1t.empty()) continue;
        std::vector<std::uint8_t> fast, reference;
        int fw = 0, fh = 0, rw = 0, rh = 0;
        const bool fastOk =
            kaocg_func::DecodeFaceTexture(g1t.data(), static_cast<std::uint32_t>(g1t.size()), &fast, &fw, &fh);
        const bool referenceOk = kaocg_func::DecodeFaceTextureThroughFloats(
            g1t.data(), static_cast<std::uint32_t>(g1t.size()), &reference, &rw, &rh);
        ASSERT_EQ(fastOk, referenceOk);
        if (!fastOk) continue;
        ++decoded;
        EXPECT_EQ(fw, rw);
        EXPECT_EQ(fh, rh);
        EXPECT_EQ(fast, reference);
      }
    }
  }
  // The face formats on the face platform are among those compared.
  EXPECT_GE(decoded, 30);
}

TEST(FaceTextureTest, EncodedFaceDecodesToItsBytesOnBothRoutes) {
  const std::vector<std::uint8_t> rgba = EveryByte(64);
  std::vector<std::uint8_t> buffer(64 * 64 * 4 + 4096);
  const std::uint32_t n = kaocg_func::EncodeFaceTexture(rgba, 64, 64, buffer.data(),
                                                        static_cast<std::uint32_t>(buffer.size()));
  ASSERT_NE(n, 0u);
  for (const bool floats : {false, true}) {
    std::vector<std::uint8_t> out;
    int w = 0, h = 0;
    const bool ok = floats ? kaocg_func::DecodeFaceTextureThroughFloats(buffer.data(), n, &out, &w, &h)
                           : kaocg_func::DecodeFaceTexture(buffer.data(), n, &out, &w, &h);
    ASSERT_TRUE(ok) << floats;
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);
    EXPECT_EQ(out, rgba) << floats;
  }
}

}  // namespace
