// Speed of the face path through the texture toolkit: a 256 x 256 face
// encoded the editor's way and decoded back, and the DXT and tiled
// converters on a level of the same size.
#include <benchmark/benchmark.h>

#include <vector>

#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/Image.h"
#include "zfx/PixelConvert.h"
#include "zfx/PixelFormat.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kSide = 256;

Bytes Pattern() {
  Bytes p(std::size_t{kSide} * kSide * 4);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::uint8_t(i * 37 + (i >> 10) * 11);
  return p;
}

Bytes EncodeFace(const Bytes& rgba) {
  zfx::CImage image;
  image.Create(kSide, kSide, zfx::kImageDirect);
  image.ImportBytes(rgba, zfx::kChannelAll);
  zfx::CG1TFileImpl file;
  file.SetPlatform(0);
  file.SetPixelFormat(0);
  file.AddTexture();
  file.SetImage(file.GetTexture(0), image);
  file.GetTexture(0).SetFormats(zfx::TQR_PIXEL_FORMAT_RGBA8, zfx::TQR_PIXEL_FORMAT_NONE);
  file.Validate();
  Bytes out(44 + kSide * kSide * 4);
  zfx::CBinaryWriterToMemory writer(out.data(), std::uint32_t(out.size()));
  file.Write(writer);
  return out;
}

void BM_EncodeLargeFace(benchmark::State& state) {
  const Bytes rgba = Pattern();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeFace(rgba));
}
BENCHMARK(BM_EncodeLargeFace)->Unit(benchmark::kMillisecond);

void BM_DecodeLargeFace(benchmark::State& state) {
  const Bytes data = EncodeFace(Pattern());
  for (auto _ : state) {
    zfx::CG1TFileImpl file;
    zfx::CBinaryReaderFromMemory reader(data.data(), std::uint32_t(data.size()));
    file.Read(reader);
    zfx::CImage image;
    file.GetImage(file.GetTexture(0), image);
    Bytes out;
    image.ExportBytes(out, zfx::kChannelAll);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_DecodeLargeFace)->Unit(benchmark::kMillisecond);

zfx::CConversionContext Context(std::int32_t platform) {
  zfx::CConversionContext c;
  c.width = c.height = kSide;
  c.platform = platform;
  c.bigEndian = zfx::IsBigEndianPlatform(platform);
  return c;
}

void BM_EncodeBytes(benchmark::State& state) {
  const auto format = std::int32_t(state.range(0));
  const auto platform = std::int32_t(state.range(1));
  const Bytes rgba = Pattern();
  Bytes out;
  for (auto _ : state) zfx::EncodeFromBytes(format, rgba, Context(platform), out);
}
BENCHMARK(BM_EncodeBytes)
    ->Args({zfx::TQR_PIXEL_FORMAT_DXT1, 0})
    ->Args({zfx::TQR_PIXEL_FORMAT_DXT5, 0})
    ->Args({zfx::TQR_PIXEL_FORMAT_TILE_BGRA8, 1})
    ->Args({zfx::TQR_PIXEL_FORMAT_TILE_BGRA8, 3})
    ->Unit(benchmark::kMillisecond);

void BM_DecodeBytes(benchmark::State& state) {
  const auto format = std::int32_t(state.range(0));
  const auto platform = std::int32_t(state.range(1));
  Bytes stored;
  zfx::EncodeFromBytes(format, Pattern(), Context(platform), stored);
  Bytes out;
  for (auto _ : state) zfx::DecodeToBytes(format, stored, Context(platform), out);
}
BENCHMARK(BM_DecodeBytes)
    ->Args({zfx::TQR_PIXEL_FORMAT_DXT1, 0})
    ->Args({zfx::TQR_PIXEL_FORMAT_DXT5, 0})
    ->Args({zfx::TQR_PIXEL_FORMAT_TILE_BGRA8, 1})
    ->Args({zfx::TQR_PIXEL_FORMAT_TILE_BGRA8, 3})
    ->Unit(benchmark::kMillisecond);

}  // namespace
