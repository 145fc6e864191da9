// Hot paths of the texture toolkit on face-sized pictures.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "zfx/Image.h"

namespace {

constexpr std::uint32_t kSide = 256;

// A face-like picture: smooth gradients with some texture, opaque.
std::vector<std::uint8_t> MakeFace() {
  std::vector<std::uint8_t> rgba;
  rgba.reserve(kSide * kSide * 4);
  for (std::uint32_t y = 0; y < kSide; ++y) {
    for (std::uint32_t x = 0; x < kSide; ++x) {
      rgba.push_back(static_cast<std::uint8_t>(x));
      rgba.push_back(static_cast<std::uint8_t>((x * y) >> 8));
      rgba.push_back(static_cast<std::uint8_t>(y ^ (x >> 2)));
      rgba.push_back(255);
    }
  }
  return rgba;
}

void BM_ImportBytes(benchmark::State& state) {
  const std::vector<std::uint8_t> face = MakeFace();
  zfx::CImage image;
  image.Create(kSide, kSide, zfx::kImageDirect);
  for (auto _ : state) {
    benchmark::DoNotOptimize(image.ImportBytes(face, zfx::kChannelAll));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * face.size());
}
BENCHMARK(BM_ImportBytes);

void BM_ExportBytes(benchmark::State& state) {
  zfx::CImage image;
  image.Create(kSide, kSide, zfx::kImageDirect);
  image.ImportBytes(MakeFace(), zfx::kChannelAll);
  for (auto _ : state) {
    std::vector<std::uint8_t> out;
    benchmark::DoNotOptimize(image.ExportBytes(out, zfx::kChannelAll));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSide * kSide * 4);
}
BENCHMARK(BM_ExportBytes);

// Resize from 256 x 256 to the given side (shrinking and enlarging).
void BM_Resize(benchmark::State& state) {
  const std::vector<std::uint8_t> face = MakeFace();
  const auto side = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    zfx::CImage image;
    image.Create(kSide, kSide, zfx::kImageDirect);
    image.ImportBytes(face, zfx::kChannelAll);
    state.ResumeTiming();
    benchmark::DoNotOptimize(image.Resize(side, side));
  }
}
BENCHMARK(BM_Resize)->Arg(60)->Arg(128)->Arg(512)->Unit(benchmark::kMillisecond);

void BM_ReduceColors256(benchmark::State& state) {
  const std::vector<std::uint8_t> face = MakeFace();
  for (auto _ : state) {
    state.PauseTiming();
    zfx::CImage image;
    image.Create(kSide, kSide, zfx::kImageDirect);
    image.ImportBytes(face, zfx::kChannelAll);
    state.ResumeTiming();
    benchmark::DoNotOptimize(image.ReduceColors(256, false));
  }
}
BENCHMARK(BM_ReduceColors256)->Unit(benchmark::kMillisecond);

}  // namespace
