// kaocgtool demo-install: a complete installation to run the editor and the
// tool on, without the game.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/kaocgtool/Command.h"
#include "tools/kaocgtool/DemoInstall.h"

namespace kaocgtool {
namespace {

int DemoInstall(const Args& args) {
  DemoInstallOptions options;
  bool quiet = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--edition" && i + 1 < args.size()) {
      const std::string& e = args[++i];
      if (e == "base") options.edition = 0;
      else if (e == "expansion") options.edition = 1;
      else return Fail("--edition takes base or expansion, not '" + e + "'");
    } else if (a == "--shipped-faces" && i + 1 < args.size()) {
      char* end = nullptr;
      const long n = std::strtol(args[++i].c_str(), &end, 10);
      if (!end || *end || n < 0 || n > 100000) return Fail("--shipped-faces takes a count, not '" + args[i] + "'");
      options.shippedFaces = static_cast<int>(n);
    } else if (a == "--quiet") {
      quiet = true;
    } else if (!a.empty() && a[0] == '-') {
      return Fail("unknown option '" + a + "' (kaocgtool demo-install --help)");
    } else if (options.dir.empty()) {
      options.dir = a;
    } else {
      return Fail("one folder only (kaocgtool demo-install --help)");
    }
  }
  if (options.dir.empty()) return Fail("no folder given (kaocgtool demo-install --help)");

  const auto start = std::chrono::steady_clock::now();
  DemoInstallResult result;
  std::string error;
  if (!BuildDemoInstallation(options, &result, &error)) return Fail(error);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!quiet) {
    std::fprintf(stderr, "kaocgtool: %s edition installed in %s (%.0f MB in %.1f s)\n",
                 options.edition == 1 ? "expansion" : "base", result.gameFolder.c_str(),
                 static_cast<double>(result.bytesWritten) / 1e6, seconds);
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
      std::fprintf(stderr, "kaocgtool: XDG_CONFIG_HOME is set; unset it when running on this installation\n");
  }
  // The one line on standard output, for scripts: eval "export $(kaocgtool demo-install DIR)".
  std::printf("%s\n", result.environment.c_str());
  return 0;
}

KAOCG_COMMAND("demo-install", "create a demo installation of the game to run the editor on",
              "usage: kaocgtool demo-install DIR [--edition base|expansion] [--shipped-faces N] [--quiet]\n"
              "\n"
              "Creates a complete installation of the chosen edition (expansion by default)\n"
              "under DIR: DIR/game/grp/ with the shipped face archives KAO_L.s13, KAO_M.s13,\n"
              "KAO_S.s13 (a drawn portrait showing its face number in every entry) and the\n"
              "editable archives EDIT_KAO_L.S13, EDIT_KAO_M.S13, EDIT_KAO_S.S13 (all slots\n"
              "blank), and DIR/home with a registry store naming the installation and an\n"
              "empty documents folder, so that the editor's first run copies the editable\n"
              "archives. Prints the environment setting that makes the editor and kaocgtool\n"
              "use DIR, for example HOME=DIR/home.\n"
              "\n"
              "DIR must be empty, missing, or an earlier demo installation (rebuilt).\n"
              "  --shipped-faces N  portraits for the first N faces of each shipped archive\n"
              "                     only, blank faces for the rest (faster, for tests)\n"
              "  --quiet            no summary on standard error\n",
              &DemoInstall);

}  // namespace
}  // namespace kaocgtool
