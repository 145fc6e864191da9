// The picture import path without the decoder: reading a large BMP into the
// work picture, cutting a face out of it, and pasting a face onto its canvas.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "import/BMPCutModel.h"
#include "import/PictureReader.h"

namespace {

std::vector<std::uint8_t> MakeBmp(int width, int height, int bitCount) {
  const std::uint64_t stride = dib::StrideOf(width, bitCount);
  const std::size_t table = bitCount <= 8 ? 4u << bitCount : 0;
  std::vector<std::uint8_t> b(54 + table + stride * height);
  b[0] = 'B';
  b[1] = 'M';
  dib::PutLe32(&b[2], static_cast<std::uint32_t>(b.size()));
  dib::PutLe32(&b[10], static_cast<std::uint32_t>(54 + table));
  dib::PutLe32(&b[14], 40);
  dib::PutLe32(&b[18], static_cast<std::uint32_t>(width));
  dib::PutLe32(&b[22], static_cast<std::uint32_t>(height));
  dib::PutLe16(&b[26], 1);
  dib::PutLe16(&b[28], static_cast<std::uint16_t>(bitCount));
  for (std::size_t i = 54; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 131);
  return b;
}

void BM_ReadBmp(benchmark::State& state) {
  const auto file = MakeBmp(4000, 3000, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CDIB work;
    std::string message;
    benchmark::DoNotOptimize(ReadBmpFile(file.data(), file.size(), "big.bmp", work, message));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ReadBmp)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

void BM_CutLargeFace(benchmark::State& state) {
  const auto file = MakeBmp(4000, 3000, 24);
  CDIB work;
  std::string message;
  ReadBmpFile(file.data(), file.size(), "big.bmp", work, message);
  CBMPCutModel model({0, 0, 240, 240}, work.GetWidth(), work.GetHeight());
  model.MoveSelection(500, 400);
  model.ResizeSelection(500 + 1800, 400 + 1800);
  for (auto _ : state) {
    CDIB face;
    benchmark::DoNotOptimize(model.Cut(work, face));
  }
}
BENCHMARK(BM_CutLargeFace)->Unit(benchmark::kMicrosecond);

void BM_PasteOnCanvas(benchmark::State& state) {
  CDIB face;
  face.Create(240, -240, nullptr, 24);
  face.Fill(0x00336699);
  for (auto _ : state) {
    CDIB canvas;
    canvas.Create(256, -256, nullptr, 24);
    canvas.Fill(0);
    face.CopyRectTo(canvas, 0, 0, 240, 240, 0, 0, -1);
    benchmark::DoNotOptimize(canvas.GetBits());
  }
}
BENCHMARK(BM_PasteOnCanvas)->Unit(benchmark::kMicrosecond);

}  // namespace
