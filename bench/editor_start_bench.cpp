// The editor's start on a full demo installation of the expansion edition,
// on Qt's offscreen platform: start-up to the filled list for a first run
// (the editable copies made anew) and a second run, and the thumbnail build
// alone. The Qt application object is made once, before the timings.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/DialogTemplate.h"
#include "app/PlainMessage.h"
#include "app/S13KaoCgEditApp.h"
#include "app/S13KaoCgEditDoc.h"
#include "facedata/Installation.h"
#include "ui/S13KaoCgEditView.h"
#include "ui/ThumbnailList.h"

namespace {

struct Demo {
  QTemporaryDir dir;
  std::string userGrp;
  bool ok = false;

  Demo() {
    const std::string tool = std::string(KAOCG_BINARY_DIR) + "/tools/kaocgtool";
    const std::string root = dir.path().toStdString();
    const std::string cmd = tool + " demo-install '" + root + "' --edition expansion --quiet >/dev/null";
    ok = std::system(cmd.c_str()) == 0;
    setenv("HOME", (root + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/home/.config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    userGrp = root + "/home/Documents/ZEVA";
  }
};

Demo& TheDemo() {
  static Demo demo;
  return demo;
}

QApplication& TheQt() {
  static int argc = 1;
  static char name[] = "editor_start_bench";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* qt = [] {
    auto* a = new QApplication(argc, argv);
    kaocg_ui::InstallFontSubstitutions();
    return a;
  }();
  return *qt;
}

// One start: InitInstance up to the filled list; the state it leaves is
// dropped afterwards, outside the timing.
bool StartOnce(benchmark::State& state) {
  auto app = std::make_unique<CS13KaoCgEditApp>();
  const bool ok = app->InitInstance();
  const int items = app->ListView() ? app->ListView()->model()->rowCount() : 0;
  state.PauseTiming();
  if (!ok || items == 0) state.SkipWithError("the editor did not start");
  app.reset();
  kaocg_ui::GetThumbnailList().Destroy();
  state.ResumeTiming();
  return ok;
}

void BM_FirstStart(benchmark::State& state) {
  TheQt();
  Demo& demo = TheDemo();
  if (!demo.ok) return state.SkipWithError("demo-install failed");
  kaocg_ui::SetPlainMessageHandler([](const QString& t) { std::fprintf(stderr, "%s\n", qPrintable(t)); });
  for (auto _ : state) {
    state.PauseTiming();
    QDir(QString::fromStdString(demo.userGrp)).removeRecursively();
    state.ResumeTiming();
    if (!StartOnce(state)) break;
  }
}
BENCHMARK(BM_FirstStart)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

void BM_SecondStart(benchmark::State& state) {
  TheQt();
  if (!TheDemo().ok) return state.SkipWithError("demo-install failed");
  for (auto _ : state)
    if (!StartOnce(state)) break;
}
BENCHMARK(BM_SecondStart)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_ThumbnailBuild(benchmark::State& state) {
  TheQt();
  if (!TheDemo().ok) return state.SkipWithError("demo-install failed");
  // The installation of a second start, without windows.
  {
    CS13KaoCgEditApp app;
    if (!app.InitInstance()) return state.SkipWithError("the editor did not start");
  }
  kaocg_ui::GetThumbnailList().Destroy();
  for (auto _ : state) {
    BuildThumbnails(kaocg_ui::GetThumbnailList(), true, {});
    state.PauseTiming();
    if (kaocg_ui::GetThumbnailList().GetImageCount() != 2699) state.SkipWithError("short list");
    kaocg_ui::GetThumbnailList().Destroy();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ThumbnailBuild)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
