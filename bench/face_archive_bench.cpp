// Reading and writing one face in the face image archives. Every transfer
// seeks to its one entry, so the figures must not depend on the archive's
// size: the large editable archive (288 MB, made sparse here) costs what the
// small one does per byte of its entry.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "facedata/ImageArchiveFormat.h"
#include "facedata/Installation.h"
#include "facedata/KaoCGImageArchive.h"
#include "facedata/LinkArchive.h"
#include "import/DIB.h"

namespace {

namespace fs = std::filesystem;
using namespace kaocg_func;

// A user folder with the three editable archives at their exact lengths,
// slot 0 of each written once.
class Installation {
 public:
  Installation() {
    root_ = fs::temp_directory_path() / ("kaocg-face-bench-" + std::to_string(::getpid()));
    user_ = (root_ / "user").string() + "/";
    data_ = (root_ / "grp").string() + "/";
    static const char* const names[] = {"EDIT_KAO_L.s13", "EDIT_KAO_M.s13", "EDIT_KAO_S.s13"};
    fs::create_directories(fs::path(user_) / "GRP");
    fs::create_directories(data_);
    for (int t = kArchiveEditableLarge; t <= kArchiveEditableSmall; ++t) {
      const ArchiveConstants& c = kArchiveConstants[1][t];
      const fs::path path = fs::path(user_) / "GRP" / names[t - kArchiveEditableLarge];
      const std::vector<uint8_t> prefix = BuildLinkPrefix(c);
      std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(prefix.data()),
                                                  static_cast<std::streamsize>(prefix.size()));
      fs::resize_file(path, ArchiveFileLength(c));
    }
    kaocg::SetCurrentInstallation({kaocg::kEditionExpansion, data_, user_});
    for (int s = 0; s < kFaceSizeCount; ++s) {
      const int side = kFaceGeometry[static_cast<std::size_t>(s)].textureSide;
      canvas_[s].Create(side, side, nullptr, 24);
      canvas_[s].Fill(0x00336699);
      TransferFaceImage(Number(s), user_, &canvas_[s], data_, kModeWrite, true);
    }
  }
  ~Installation() {
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(root_, ec))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }

  // Slot 0 of the editable archive of a face size.
  static int Number(int faceSize) { return faceSize == kFaceLarge ? 1 : faceSize == kFaceMedium ? 1102 : 2203; }

  std::string user_, data_;
  CDIB canvas_[kFaceSizeCount];

 private:
  fs::path root_;
};

Installation& Shared() {
  static Installation installation;
  return installation;
}

void BM_ReadFace(benchmark::State& state) {
  Installation& inst = Shared();
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CDIB picture;
    if (!TransferFaceImage(Installation::Number(size), inst.user_, &picture, inst.data_, kModeRead, true))
      state.SkipWithError("read failed");
    benchmark::DoNotOptimize(picture.GetBits());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          kFaceGeometry[static_cast<std::size_t>(size)].entrySize);
}
BENCHMARK(BM_ReadFace)->Arg(kFaceLarge)->Arg(kFaceMedium)->Arg(kFaceSmall)->Unit(benchmark::kMicrosecond);

void BM_WriteFace(benchmark::State& state) {
  Installation& inst = Shared();
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    if (!TransferFaceImage(Installation::Number(size), inst.user_, &inst.canvas_[size], inst.data_, kModeWrite, true))
      state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          kFaceGeometry[static_cast<std::size_t>(size)].entrySize);
}
BENCHMARK(BM_WriteFace)->Arg(kFaceLarge)->Arg(kFaceMedium)->Arg(kFaceSmall)->Unit(benchmark::kMicrosecond);

// The encoder alone: mask, image, G1T, without the file.
void BM_EncodeEntry(benchmark::State& state) {
  Installation& inst = Shared();
  CKaoCGImageArchive archive(&inst.canvas_[kFaceLarge], 1, kArchiveEditableLarge, true);
  std::vector<uint8_t> buffer(archive.GetEntrySize());
  for (auto _ : state) {
    if (!archive.EncodeEntry(buffer.data())) state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(buffer.data());
  }
}
BENCHMARK(BM_EncodeEntry)->Unit(benchmark::kMicrosecond);

}  // namespace
