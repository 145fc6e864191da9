#include "app/startup/Startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/startup/Environment.h"
#include "facedata/Installation.h"
#include "platform/Display.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/WindowFinder.h"
#include "res/strings.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

namespace {

using kaocg_test::FakeMutexes;
using kaocg_test::FakePersonalFolder;
using kaocg_test::FakeRegistry;
using kaocg_test::TempDir;
namespace fs = std::filesystem;

constexpr char kTitle[] = "『セルヴァリン』 顔変更エディタ";
constexpr char kInUse[] = "このアプリケーションは別のユーザーが使っています";
constexpr char kEditorMutex[] = "Global\\ZEVA_VELM13_KAOCG_MUTEX";
constexpr char kGameMutex[] = "Global\\ZEVA_VELMORA_13_MUTEX";

// Records every call of the sequence, in order, and fails the steps asked.
class FakeHost final : public kaocg::IStartupHost {
 public:
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  void InitCommonControls(unsigned flags) override {
    log.push_back("controls:" + std::to_string(flags));
  }
  bool InitFramework() override { return Step("framework"); }
  bool InitComponents() override { return Step("components"); }
  void EnableControlContainer() override { log.push_back("containers"); }
  bool CreateDocumentTemplate() override { return Step("template"); }
  bool ProcessCommandLine() override { return Step("commandline"); }
  void ShowMainWindow(std::string_view title) override { log.push_back("show:" + std::string(title)); }
  bool HasCurrentDocument() override { return Step("document"); }
  bool LoadDocument() override { return Step("load"); }

  std::vector<std::string> log;
  std::vector<std::string> messages;
  std::string failing;

 private:
  bool Step(const std::string& name) {
    log.push_back(name);
    return name != failing;
  }
};

class FakeDisplay final : public platform::IDisplay {
 public:
  platform::DisplayMetrics PrimaryScreen() override { return metrics; }
  platform::DisplayMetrics metrics{32, 1024, 768};
};

class FakeWindows final : public platform::IWindowFinder {
 public:
  bool ActivateWindowByTitle(std::string_view title) override {
    asked.emplace_back(title);
    return title == windowTitle;
  }
  std::string windowTitle;
  std::vector<std::string> asked;
};

const std::vector<std::string> kFullLog = {
    "controls:255", "framework", "components", "containers", "template",
    "commandline", std::string("show:") + kTitle, "document", "load"};

class StartupTest : public ::testing::Test {
 public:
  StartupTest()
      : personal(docs.folder()),
        scope(platform::Services{&registry, &mutexes, &personal, nullptr, nullptr, nullptr}) {
    kaocg::SetCurrentInstallation({});
  }

  void InstallGame(const char* editionKey, const std::string& folder) {
    registry.SetString(std::string(editionKey) + "\\Install", "InstallInfo", folder);
  }
  void InstallBase() { InstallGame("software\\ZEVA\\Velmora13", "/games/base/"); }

  bool Run() { return kaocg::InitInstance(host, display, windows, state); }

  TempDir docs;
  FakeRegistry registry;
  FakeMutexes mutexes;
  FakePersonalFolder personal;
  platform::ScopedServices scope;
  FakeHost host;
  FakeDisplay display;
  FakeWindows windows;
  kaocg::StartupState state;
};

TEST_F(StartupTest, RunsEveryStepInOrderAndKeepsOnlyTheEditorMutex) {
  InstallBase();
  ASSERT_TRUE(Run());
  EXPECT_EQ(host.log, kFullLog);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(mutexes.created, (std::vector<std::string>{kEditorMutex, kGameMutex}));
  EXPECT_TRUE(mutexes.IsOpen(kEditorMutex));
  EXPECT_FALSE(mutexes.IsOpen(kGameMutex));
  EXPECT_EQ(state.installedEdition, 0);
  EXPECT_EQ(state.dataFolder, "/games/base/grp\\");
  EXPECT_EQ(state.userFolder, docs.folder() + "ZEVA\\Velmora13\\");
  EXPECT_TRUE(fs::is_directory(docs.path() / "ZEVA" / "Velmora13"));
  const kaocg::Installation& inst = kaocg::CurrentInstallation();
  EXPECT_EQ(inst.edition, 0);
  EXPECT_EQ(inst.dataFolder, state.dataFolder);
  EXPECT_EQ(inst.userFolder, state.userFolder);
  state.editorMutex.reset();
  EXPECT_FALSE(mutexes.IsOpen(kEditorMutex));
}

struct FailureCase {
  const char* what;
  std::function<void(StartupTest&)> arrange;
  int message;  // string id, 0 for none, -1 for the in-use text
  std::size_t stepsRun;  // how much of kFullLog ran
};

class StartupFailureTest : public StartupTest,
                           public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartupFailureTest, StopsAtTheFailingStepWithItsMessage) {
  const FailureCase& c = GetParam();
  InstallBase();
  c.arrange(*this);
  EXPECT_FALSE(Run());
  if (c.message == 0) {
    EXPECT_TRUE(host.messages.empty());
  } else {
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], c.message < 0 ? kInUse : res::LoadString(c.message));
  }
  EXPECT_EQ(host.log, std::vector<std::string>(kFullLog.begin(), kFullLog.begin() + c.stepsRun));
  EXPECT_FALSE(mutexes.IsOpen(kGameMutex));
}

void SetDisplay(StartupTest& t, int bits, int w, int h) { t.display.metrics = {bits, w, h}; }

INSTANTIATE_TEST_SUITE_P(
    Steps, StartupFailureTest,
    ::testing::Values(
        FailureCase{"EditorRunningWindowFound",
                    [](StartupTest& t) {
                      t.mutexes.others.insert(kEditorMutex);
                      t.windows.windowTitle = kTitle;
                    },
                    0, 0},
        FailureCase{"EditorRunningTitleModified",
                    [](StartupTest& t) {
                      t.mutexes.others.insert(kEditorMutex);
                      t.windows.windowTitle = std::string(kTitle) + " *";
                    },
                    -1, 0},
        FailureCase{"EditorMutexCannotBeCreated", [](StartupTest& t) { t.mutexes.failAll = true; },
                    -1, 0},
        FailureCase{"BothRunningEditorDecides",
                    [](StartupTest& t) {
                      t.mutexes.others = {kEditorMutex, kGameMutex};
                      t.windows.windowTitle = kTitle;
                    },
                    0, 0},
        FailureCase{"GameRunning", [](StartupTest& t) { t.mutexes.others.insert(kGameMutex); },
                    res::IDS_GAME_RUNNING_AT_START, 0},
        FailureCase{"FrameworkFails", [](StartupTest& t) { t.host.failing = "framework"; },
                    res::IDS_INIT_INSTANCE_FAILED, 2},
        FailureCase{"Display256Colours", [](StartupTest& t) { SetDisplay(t, 8, 1024, 768); },
                    res::IDS_DISPLAY_TOO_SMALL, 2},
        FailureCase{"DisplayMonochrome", [](StartupTest& t) { SetDisplay(t, 1, 1024, 768); },
                    res::IDS_DISPLAY_TOO_SMALL, 2},
        FailureCase{"Display799Wide", [](StartupTest& t) { SetDisplay(t, 16, 799, 600); },
                    res::IDS_DISPLAY_TOO_SMALL, 2},
        FailureCase{"Display599High", [](StartupTest& t) { SetDisplay(t, 16, 800, 599); },
                    res::IDS_DISPLAY_TOO_SMALL, 2},
        FailureCase{"NoEditionKey",
                    [](StartupTest& t) { t.registry = FakeRegistry(); },
                    res::IDS_NOT_INSTALLED, 2},
        FailureCase{"InstallInfoMissing",
                    [](StartupTest& t) {
                      t.registry = FakeRegistry();
                      t.registry.CreateKey("software\\ZEVA\\Velmora13");
                    },
                    res::IDS_NOT_INSTALLED, 2},
        FailureCase{"InstallInfoEmpty",
                    [](StartupTest& t) { t.InstallGame("software\\ZEVA\\Velmora13", ""); },
                    res::IDS_NOT_INSTALLED, 2},
        FailureCase{"InstallInfo130Characters",
                    [](StartupTest& t) {
                      t.InstallGame("software\\ZEVA\\Velmora13", "/" + std::string(128, 'g') + "/");
                    },
                    res::IDS_NOT_INSTALLED, 2},
        FailureCase{"InstallInfoDwordZero",
                    [](StartupTest& t) {
                      const unsigned char zero[4] = {};
                      t.registry.SetValue("software\\ZEVA\\Velmora13\\Install", "InstallInfo",
                                          platform::kRegDword, zero, 4);
                    },
                    res::IDS_NOT_INSTALLED, 2},
        FailureCase{"ComponentsFail", [](StartupTest& t) { t.host.failing = "components"; },
                    res::IDS_OLE_INIT_FAILED, 3},
        FailureCase{"TemplateFails", [](StartupTest& t) { t.host.failing = "template"; }, 0, 5},
        FailureCase{"CommandLineFails", [](StartupTest& t) { t.host.failing = "commandline"; }, 0,
                    6},
        FailureCase{"NoDocument", [](StartupTest& t) { t.host.failing = "document"; }, 0, 8},
        FailureCase{"LoadFails", [](StartupTest& t) { t.host.failing = "load"; }, 0, 9}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.what; });

TEST_F(StartupTest, DisplayLimitsThatPass) {
  InstallBase();
  for (const platform::DisplayMetrics m : {platform::DisplayMetrics{16, 800, 600},
                                           platform::DisplayMetrics{0, 800, 600},
                                           platform::DisplayMetrics{-1, 1920, 1080},
                                           platform::DisplayMetrics{9, 800, 600}}) {
    display.metrics = m;
    host = FakeHost();
    state = kaocg::StartupState();
    EXPECT_TRUE(Run()) << m.bitsPerPixel << " bits " << m.width << "x" << m.height;
  }
}

TEST_F(StartupTest, ExpansionKeyWinsAndGivesItsOwnFolder) {
  struct Case {
    bool base, expansion;
    int edition;
    const char* dataFolder;
  };
  for (const Case c : {Case{true, false, 0, "/games/base/grp\\"},
                       Case{false, true, 1, "/games/vt/grp\\"},
                       Case{true, true, 1, "/games/vt/grp\\"}}) {
    registry = FakeRegistry();
    if (c.base) InstallGame("software\\ZEVA\\Velmora13", "/games/base/");
    if (c.expansion) InstallGame("software\\ZEVA\\Velmora13VT", "/games/vt/");
    state = kaocg::StartupState();
    ASSERT_TRUE(Run());
    EXPECT_EQ(state.installedEdition, c.edition);
    EXPECT_EQ(state.dataFolder, c.dataFolder);
    EXPECT_EQ(kaocg::CurrentInstallation().edition, c.edition);
  }
}

TEST_F(StartupTest, InstallInfoOf129CharactersFits) {
  const std::string folder = "/" + std::string(127, 'g') + "/";
  ASSERT_EQ(folder.size(), 129u);
  InstallGame("software\\ZEVA\\Velmora13", folder);
  ASSERT_TRUE(Run());
  EXPECT_EQ(state.dataFolder, folder + "grp\\");
}

TEST_F(StartupTest, LocatingCreatesTheKeysItLooksThrough) {
  registry = FakeRegistry();
  EXPECT_FALSE(Run());
  EXPECT_TRUE(registry.HasKey("software"));
  EXPECT_TRUE(registry.HasKey("SOFTWARE\\zeva"));
  EXPECT_FALSE(registry.HasKey("software\\ZEVA\\Velmora13"));

  registry.CreateKey("software\\ZEVA\\Velmora13VT");
  host = FakeHost();
  state = kaocg::StartupState();
  EXPECT_FALSE(Run());
  EXPECT_EQ(host.messages, std::vector<std::string>{res::LoadString(res::IDS_NOT_INSTALLED)});
  EXPECT_TRUE(registry.HasKey("software\\ZEVA\\Velmora13VT\\Install"));
  EXPECT_FALSE(registry.HasKey("software\\ZEVA\\Velmora13\\Install"));
}

TEST_F(StartupTest, RegistryThatCannotBeWrittenMeansNotInstalled) {
  InstallBase();
  registry.failCreate = true;
  EXPECT_FALSE(Run());
  EXPECT_EQ(host.messages, std::vector<std::string>{res::LoadString(res::IDS_NOT_INSTALLED)});
}

TEST_F(StartupTest, ExistingUserFolderIsLeftAsItIs) {
  InstallBase();
  fs::create_directories(docs.path() / "ZEVA" / "Velmora13");
  std::ofstream(docs.path() / "ZEVA" / "Velmora13" / "kaoedit.s13") << "keep";
  ASSERT_TRUE(Run());
  std::ifstream in(docs.path() / "ZEVA" / "Velmora13" / "kaoedit.s13");
  std::string content;
  in >> content;
  EXPECT_EQ(content, "keep");
}

TEST_F(StartupTest, UserFolderThatCannotBeCreatedDoesNotStopStartUp) {
  InstallBase();
  std::ofstream(docs.path() / "ZEVA") << "a file where the folder belongs";
  EXPECT_TRUE(Run());
  EXPECT_EQ(host.log, kFullLog);
}

}  // namespace

namespace {

TEST_F(StartupTest, AnUnreadableRegistryStoreIsReportedBesideTheMessage) {
  const std::string path = (docs.path() / "registry.reg").string();
  { std::ofstream(path) << "not a registry export\n"; }
  platform::FileRegistry store(path);
  platform::ScopedServices useStore(platform::Services{&store});
  EXPECT_FALSE(Run());
  EXPECT_EQ(host.messages, std::vector<std::string>{res::LoadString(res::IDS_NOT_INSTALLED)});
  EXPECT_NE(state.diagnostic.find(path), std::string::npos) << state.diagnostic;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "not a registry export");
}

}  // namespace
