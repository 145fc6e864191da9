// The officers and hold-mutex subcommands of kaocgtool, run as a program
// over an environment made here (registry store, documents folder, runtime
// folder).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "facedata/OfficerTable.h"
#include "platform/Text.h"
#include "res/strings.h"
#include "support/KaocgTool.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using kaocg_test::KaocgToolRun;
using kaocg_test::RunKaocgTool;
using kaocg_test::ScopedEnv;

std::vector<std::vector<std::string>> Rows(const std::string& out) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(fields);
  }
  return rows;
}

std::string Message(int id) { return std::string("kaocgtool: ") + res::LoadString(id) + "\n"; }

class OfficersCommands : public ::testing::Test {
 protected:
  OfficersCommands()
      : home_("HOME", dir_.path().string()),
        config_("XDG_CONFIG_HOME", (dir_.path() / "cfg").string()),
        runtime_("XDG_RUNTIME_DIR", (dir_.path() / "run").string()) {
    fs::create_directories(dir_.path() / "cfg" / "ZEVA");
    fs::create_directories(dir_.path() / "run");
  }

  void Install(const char* editionKey) {
    std::ofstream(dir_.path() / "cfg" / "ZEVA" / "registry.reg")
        << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\ZEVA\\" << editionKey
        << "\\Install]\n\"InstallInfo\"=\"" << dir_.folder() << "game/\"\n";
  }
  fs::path UserFolder() const { return dir_.path() / "Documents" / "ZEVA" / "Velmora13"; }

  kaocg_test::TempDir dir_;
  ScopedEnv home_, config_, runtime_;
};

TEST_F(OfficersCommands, WithoutAnInstallationTheStartUpMessageIsShown) {
  for (const char* command : {"officers list", "officers set 0 1700"}) {
    const KaocgToolRun r = RunKaocgTool(command);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.err, Message(res::IDS_NOT_INSTALLED)) << command;
    EXPECT_TRUE(r.out.empty());
  }
  // An edition key without its installation value.
  std::ofstream(dir_.path() / "cfg" / "ZEVA" / "registry.reg")
      << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\ZEVA\\Velmora13]\n";
  const KaocgToolRun r = RunKaocgTool("officers list");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Message(res::IDS_NOT_INSTALLED));

  // A store that cannot be read is named, and left as it is.
  std::ofstream(dir_.path() / "cfg" / "ZEVA" / "registry.reg") << "garbage\n";
  const KaocgToolRun bad = RunKaocgTool("officers list");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("registry store: "), std::string::npos) << bad.err;
  EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1);
  std::ifstream in(dir_.path() / "cfg" / "ZEVA" / "registry.reg");
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "garbage");
}

TEST_F(OfficersCommands, ListShowsEveryOfficerOfTheInstalledEdition) {
  Install("Velmora13VT");
  const KaocgToolRun r = RunKaocgTool("officers list");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = Rows(r.out);
  const kaocg::OfficerTableView t = kaocg::OfficerTableOf(1);
  ASSERT_EQ(rows.size(), t.count);
  for (std::size_t i = 0; i < t.count; ++i) {
    const std::string face = std::to_string(t.rows[i].defaultFace);
    ASSERT_EQ(rows[i], (std::vector<std::string>{std::to_string(i), std::to_string(t.rows[i].slot),
                                                 platform::Utf16ToUtf8(t.rows[i].name), face, face, face}));
  }
  EXPECT_TRUE(fs::is_directory(UserFolder()));  // made as start-up makes it
}

TEST_F(OfficersCommands, SetSavesAsTheEditorDoes) {
  Install("Velmora13");
  const kaocg::OfficerTableView t = kaocg::OfficerTableOf(0);
  const std::string a = std::to_string(t.rows[0].slot), b = std::to_string(t.rows[1].slot);
  const KaocgToolRun set = RunKaocgTool("officers set " + a + " 1700 " + b + " 4000");
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.out, std::string(res::LoadString(res::IDS_SAVE_DONE)) + "\n");
  EXPECT_EQ(fs::file_size(UserFolder() / "kaoedit.s13"), 18976u);
  const auto rows = Rows(RunKaocgTool("officers list").out);
  ASSERT_EQ(rows.size(), t.count);
  EXPECT_EQ(rows[0][4], "1700");
  EXPECT_EQ(rows[0][5], "1700");
  EXPECT_EQ(rows[1][4], "4000");
  EXPECT_EQ(rows[2][4], std::to_string(t.rows[2].defaultFace));
}

TEST_F(OfficersCommands, SetRefusesUnknownSlotsAndFacesWithoutPictures) {
  Install("Velmora13");
  const std::string slot = std::to_string(kaocg::OfficerTableOf(0).rows[0].slot);
  for (const std::string& args : {std::string("1500 6090"), std::string("9999 1700"),
                                 slot + " 1192", slot + " 2800", slot + " -1", slot + " x",
                                 std::string("338 1700"), slot, std::string("")}) {
    const KaocgToolRun r = RunKaocgTool("officers set " + args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_FALSE(fs::exists(UserFolder() / "kaoedit.s13"));
}

TEST_F(OfficersCommands, OptionsStandInForTheRegistry) {
  const std::string user = dir_.folder() + "elsewhere/";
  const KaocgToolRun r = RunKaocgTool("officers list --edition base --data-folder " + dir_.folder() + " --user-folder " + user);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Rows(r.out).size(), kaocg::kBaseOfficerCount);
  EXPECT_TRUE(fs::is_directory(user));
  EXPECT_EQ(RunKaocgTool("officers list --edition other --data-folder /x/").status, 1);
  EXPECT_EQ(RunKaocgTool("officers list --user-folder").status, 1);
}

// Starts "kaocgtool hold-mutex name" and waits until it holds the mutex.
pid_t HoldMutex(const std::string& name) {
  int out[2];
  if (::pipe(out) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::execl(KAOCGTOOL_PATH, KAOCGTOOL_PATH, "hold-mutex", name.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  char c;
  while (::read(out[0], &c, 1) == 1 && c != '\n') {
  }
  ::close(out[0]);
  return pid;
}

TEST_F(OfficersCommands, SetIsRefusedWhileTheGameRuns) {
  Install("Velmora13VT");
  const std::string slot = std::to_string(kaocg::OfficerTableOf(1).rows[0].slot);
  const pid_t game = HoldMutex("ZEVA_VELMORA_13_MUTEX");
  ASSERT_GT(game, 0);
  const KaocgToolRun refused = RunKaocgTool("officers set " + slot + " 1700");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, Message(res::IDS_GAME_RUNNING));
  EXPECT_FALSE(fs::exists(UserFolder() / "kaoeditvt.s13"));
  EXPECT_EQ(RunKaocgTool("hold-mutex ZEVA_VELMORA_13_MUTEX").status, 1);

  ::kill(game, SIGINT);
  int status = 0;
  ::waitpid(game, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const KaocgToolRun saved = RunKaocgTool("officers set " + slot + " 1700");
  EXPECT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(fs::file_size(UserFolder() / "kaoeditvt.s13"), 20816u);
}

}  // namespace
