// The face assignments on the load and save path: building the roster,
// reading the ID archive into it, and the save that writes a new archive and
// renames it into place; and a settings read from the registry store.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/startup/Environment.h"
#include "facedata/Bushou.h"
#include "facedata/Installation.h"
#include "platform/Registry.h"
#include "platform/Services.h"

namespace {

struct Folder {
  Folder() {
    std::string templ = (std::filesystem::temp_directory_path() / "kaocg-bench-XXXXXX").string();
    if (::mkdtemp(templ.data())) path = templ + "/";
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string path;
};

void BM_RosterLoad(benchmark::State& state) {
  Folder folder;
  kaocg::SetCurrentInstallation({static_cast<int>(state.range(0)), "", folder.path});
  bushou_manager roster;
  roster.Init();
  roster.SaveFaces(folder.path);
  for (auto _ : state) {
    bushou_manager r;
    r.Init();
    benchmark::DoNotOptimize(r.LoadFaces(folder.path));
  }
}
BENCHMARK(BM_RosterLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_RosterSave(benchmark::State& state) {
  Folder folder;
  kaocg::SetCurrentInstallation({static_cast<int>(state.range(0)), "", folder.path});
  bushou_manager roster;
  roster.Init();
  for (auto _ : state) benchmark::DoNotOptimize(roster.SaveFaces(folder.path));
}
BENCHMARK(BM_RosterSave)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ReadSetting(benchmark::State& state) {
  Folder folder;
  platform::FileRegistry registry(folder.path + "registry.reg");
  registry.CreateKey("SOFTWARE\\ZEVA\\VELMORA13VT\\CONFIGS");
  for (int i = 0; i < 50; ++i) registry.CreateKey("Software\\Other\\Key" + std::to_string(i));
  platform::ScopedServices scope(platform::Services{&registry});
  kaocg::WriteSetting("GUIDE_MSG_0", 1);
  for (auto _ : state) benchmark::DoNotOptimize(kaocg::ReadSetting("GUIDE_MSG_0"));
}
BENCHMARK(BM_ReadSetting)->Unit(benchmark::kMicrosecond);

}  // namespace
