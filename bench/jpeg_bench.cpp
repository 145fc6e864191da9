// Decoding speed of the JPEG decoder on a 4000 x 3000 4:2:0 picture, and in
// the same run the time of libjpeg-turbo's `djpeg -dct float -nosmooth` on
// the same file, reported as the counter "ratio_to_djpeg" (ours / djpeg).
// The picture is generated (gradients, shapes, edges and light noise) and
// encoded by cjpeg at quality 75 once, at start.  djpeg's time is that of
// the whole command writing to /dev/null, best of several runs.  The
// machine is often shared, so the ratio is formed from CPU times (ours:
// the process's CPU time over one decode; djpeg's: the child's user and
// system time), with the wall-clock ratio beside it.  "planes_touch_ms" is
// the CPU time of merely allocating and first writing three planes of the
// picture's size, a cost djpeg (which streams rows out) does not have.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "import/JpegDecoder.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct Fixture {
  std::string dir;
  std::string jpegPath;
  std::vector<std::uint8_t> jpeg;
  double djpegSeconds = 0;
  double djpegCpuSeconds = 0;
  bool ok = false;
  ~Fixture() {
    if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
  }
};

void WritePicture(const std::string& path) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> noise(-4, 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double fx = static_cast<double>(x) / kWidth, fy = static_cast<double>(y) / kHeight;
      int r = static_cast<int>(60 + 150 * fx + 30 * std::sin(fy * 40));
      int g = static_cast<int>(128 + 90 * std::sin(fx * 7 + fy * 3));
      int b = static_cast<int>(200 - 150 * fy);
      for (int k = 0; k < 6; ++k) {
        const double cx = 0.15 + 0.14 * k, cy = 0.3 + 0.07 * k, rad = 0.02 + 0.01 * k;
        if ((fx - cx) * (fx - cx) + (fy - cy) * (fy - cy) < rad * rad) {
          r = 240 - 30 * k;
          g = 40 * k;
          b = 90;
        }
      }
      if ((x / 97 + y / 61) % 11 == 0) r = g = b = 235;
      const int n = noise(rng);
      std::uint8_t* px = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
      px[0] = static_cast<std::uint8_t>(std::clamp(r + n, 0, 255));
      px[1] = static_cast<std::uint8_t>(std::clamp(g + n, 0, 255));
      px[2] = static_cast<std::uint8_t>(std::clamp(b + n, 0, 255));
    }
  }
  std::ofstream f(path, std::ios::binary);
  f << "P6\n" << kWidth << " " << kHeight << "\n255\n";
  f.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

double ChildrenCpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_CHILDREN, &ru);
  auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  return sec(ru.ru_utime) + sec(ru.ru_stime);
}

// One shell command line; built by appending, which keeps GCC's -Wrestrict
// quiet about operator+ chains.
std::string Command(std::initializer_list<const char*> parts) {
  std::string s;
  for (const char* p : parts) s += p;
  return s;
}

const Fixture& GetFixture() {
  static Fixture fx = [] {
    Fixture f;
    char tmpl[] = "/tmp/kaocg_jpeg_bench_XXXXXX";
    if (!mkdtemp(tmpl)) return f;
    f.dir = tmpl;
    const std::string ppm = f.dir + "/in.ppm";
    f.jpegPath = f.dir + "/in.jpg";
    WritePicture(ppm);
    if (std::system(Command({"cjpeg -quality 75 -sample 2x2 -outfile '", f.jpegPath.c_str(), "' '", ppm.c_str(), "'"})
                        .c_str()) != 0)
      return f;
    std::remove(ppm.c_str());
    std::ifstream in(f.jpegPath, std::ios::binary);
    f.jpeg.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const std::string djpeg = Command({"djpeg -dct float -nosmooth -outfile /dev/null '", f.jpegPath.c_str(), "'"});
    double best = 1e30, bestCpu = 1e30;
    for (int i = 0; i < 7; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      const double c0 = ChildrenCpuSeconds();
      if (std::system(djpeg.c_str()) != 0) return f;
      bestCpu = std::min(bestCpu, ChildrenCpuSeconds() - c0);
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    f.djpegSeconds = best;
    f.djpegCpuSeconds = bestCpu;
    f.ok = true;
    return f;
  }();
  return fx;
}

void BM_JpegDecode4000x3000(benchmark::State& state) {
  const Fixture& f = GetFixture();
  if (!f.ok) {
    state.SkipWithError("cjpeg/djpeg (libjpeg-turbo-progs) not available");
    return;
  }
  double best = 1e30, bestCpu = 1e30;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = ProcessCpuSeconds();
    CJpegDecoder d;
    if (d.AnalysisHeader(f.jpeg.data(), f.jpeg.size()) != 0 || d.Decode() != 0) {
      state.SkipWithError("decoding failed");
      return;
    }
    benchmark::DoNotOptimize(d.mRgbP[0].get());
    d.ReleaseTables();
    bestCpu = std::min(bestCpu, ProcessCpuSeconds() - c0);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  {
    // Held together, as the decoder holds them, so that none reuses
    // another's freshly touched pages.
    const std::size_t bytes = static_cast<std::size_t>(4000) * 3008;
    const double c0 = ProcessCpuSeconds();
    std::unique_ptr<std::uint8_t[]> planes[3];
    for (int i = 0; i < 3; ++i) {
      planes[i].reset(new std::uint8_t[bytes]);
      std::memset(planes[i].get(), i + 1, bytes);
      benchmark::DoNotOptimize(planes[i].get());
    }
    for (auto& p : planes) p.reset();
    state.counters["planes_touch_ms"] = (ProcessCpuSeconds() - c0) * 1e3;
  }
  state.counters["file_bytes"] = static_cast<double>(f.jpeg.size());
  state.counters["cpu_ms"] = bestCpu * 1e3;
  state.counters["djpeg_cpu_ms"] = f.djpegCpuSeconds * 1e3;
  state.counters["ratio_to_djpeg"] = bestCpu / f.djpegCpuSeconds;
  state.counters["wall_ms"] = best * 1e3;
  state.counters["djpeg_wall_ms"] = f.djpegSeconds * 1e3;
  state.counters["wall_ratio"] = best / f.djpegSeconds;
}
BENCHMARK(BM_JpegDecode4000x3000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
