#include "app/startup/Environment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/Registry.h"
#include "platform/Services.h"
#include "res/strings.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

namespace {

using kaocg_test::FakeMutexes;
using kaocg_test::FakeRegistry;
using kaocg_test::TempDir;
namespace fs = std::filesystem;

constexpr char kSettings[] = "SOFTWARE\\ZEVA\\VELMORA13VT\\CONFIGS";

TEST(GlobalMutex, PrefixesTheNameAndRefusesOneThatExists) {
  FakeMutexes mutexes;
  platform::ScopedServices scope(platform::Services{nullptr, &mutexes});
  auto first = kaocg::CreateGlobalMutex("NAME");
  ASSERT_TRUE(first);
  EXPECT_TRUE(mutexes.IsOpen("Global\\NAME"));
  EXPECT_FALSE(kaocg::CreateGlobalMutex("NAME"));
  first.reset();
  EXPECT_TRUE(kaocg::CreateGlobalMutex("NAME"));
}

TEST(GlobalMutex, FullNameMustFitTheBuffer) {
  FakeMutexes mutexes;
  platform::ScopedServices scope(platform::Services{nullptr, &mutexes});
  // "Global\" is 7 characters; with the terminator 256 in all.
  EXPECT_TRUE(kaocg::CreateGlobalMutex(std::string(248, 'm')));
  EXPECT_FALSE(kaocg::CreateGlobalMutex(std::string(249, 'm')));
  EXPECT_EQ(mutexes.created.size(), 1u);
}

TEST(GlobalMutex, GameRunningCheck) {
  FakeMutexes mutexes;
  platform::ScopedServices scope(platform::Services{nullptr, &mutexes});
  std::vector<int> shown;
  auto notify = [&](int id) { shown.push_back(id); };
  EXPECT_TRUE(kaocg::CheckGameNotRunning(notify));
  EXPECT_FALSE(mutexes.IsOpen("Global\\ZEVA_VELMORA_13_MUTEX"));
  EXPECT_TRUE(shown.empty());
  mutexes.others.insert("Global\\ZEVA_VELMORA_13_MUTEX");
  EXPECT_FALSE(kaocg::CheckGameNotRunning(notify));
  EXPECT_EQ(shown, std::vector<int>{res::IDS_GAME_RUNNING});
}

TEST(Settings, MissingKeyReadsZeroAndIsNotCreatedByAWrite) {
  FakeRegistry registry;
  platform::ScopedServices scope(platform::Services{&registry});
  EXPECT_EQ(kaocg::ReadSetting("GUIDE_MSG_0"), 0u);
  EXPECT_FALSE(kaocg::WriteSetting("GUIDE_MSG_0", 1));
  EXPECT_FALSE(registry.HasKey(kSettings));
  EXPECT_EQ(kaocg::ReadSetting("GUIDE_MSG_0"), 0u);
}

TEST(Settings, WrittenValueReadsBackAsDword) {
  FakeRegistry registry;
  platform::ScopedServices scope(platform::Services{&registry});
  registry.CreateKey(kSettings);
  EXPECT_EQ(kaocg::ReadSetting("GUIDE_MSG_1"), 0u);
  ASSERT_TRUE(kaocg::WriteSetting("GUIDE_MSG_1", 0x01020304));
  EXPECT_EQ(kaocg::ReadSetting("guide_msg_1"), 0x01020304u);
  const auto* v = registry.Find(kSettings, "GUIDE_MSG_1");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, platform::kRegDword);
  EXPECT_EQ(v->data, (std::vector<std::uint8_t>{4, 3, 2, 1}));
}

TEST(Settings, TypeIsIgnoredButTheValueMustFitFourBytes) {
  FakeRegistry registry;
  platform::ScopedServices scope(platform::Services{&registry});
  registry.CreateKey(kSettings);
  const std::uint8_t four[4] = {7, 0, 0, 0};
  const std::uint8_t five[5] = {7, 0, 0, 0, 0};
  registry.SetValue(kSettings, "A", platform::kRegBinary, four, 4);
  registry.SetValue(kSettings, "B", platform::kRegBinary, five, 5);
  registry.SetString(kSettings, "C", "");  // two bytes: the terminator
  EXPECT_EQ(kaocg::ReadSetting("A"), 7u);
  EXPECT_EQ(kaocg::ReadSetting("B"), 0u);
  EXPECT_EQ(kaocg::ReadSetting("C"), 0u);
}

TEST(Folders, PersonalFolderGetsATrailingSeparator) {
  kaocg_test::FakePersonalFolder personal("/home/someone/Documents");
  platform::ScopedServices scope(platform::Services{nullptr, nullptr, &personal});
  EXPECT_EQ(kaocg::GetPersonalFolder(), "/home/someone/Documents/");
  personal.folder = "/home/someone/Documents/";
  EXPECT_EQ(kaocg::GetPersonalFolder(), "/home/someone/Documents/");
}

TEST(Folders, CreateDirectoryPathMakesEveryFolderUpToTheLastSeparator) {
  TempDir dir;
  EXPECT_TRUE(kaocg::CreateDirectoryPath(dir.folder() + "ZEVA\\Velmora13\\GRP\\EDIT_KAO_L.S13"));
  EXPECT_TRUE(fs::is_directory(dir.path() / "ZEVA" / "Velmora13" / "GRP"));
  EXPECT_FALSE(fs::exists(dir.path() / "ZEVA" / "Velmora13" / "GRP" / "EDIT_KAO_L.S13"));
  // Existing folders are matched without regard to case, not made twice.
  EXPECT_TRUE(kaocg::CreateDirectoryPath(dir.folder() + "zeva/VELMORA13/grp/"));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(Folders, CreateDirectoryPathLimitsAndFailures) {
  TempDir dir;
  const std::string base = dir.folder();
  const std::string tooLong = base + std::string(261 - base.size() - 1, 'a') + "\\";
  ASSERT_EQ(tooLong.size(), 261u);
  EXPECT_FALSE(kaocg::CreateDirectoryPath(tooLong));
  EXPECT_TRUE(fs::is_empty(dir.path()));
  const std::string fits = base + std::string(260 - base.size() - 1, 'a') + "\\";
  EXPECT_TRUE(kaocg::CreateDirectoryPath(fits));

  std::ofstream(dir.path() / "file") << "x";
  EXPECT_FALSE(kaocg::CreateDirectoryPath(base + "file\\sub\\"));
}

TEST(Installation, ReadInstallFolderUsesTheEditionsKey) {
  FakeRegistry registry;
  platform::ScopedServices scope(platform::Services{&registry});
  registry.SetString("software\\ZEVA\\Velmora13\\Install", "InstallInfo", "/base/");
  registry.SetString("Software\\zeva\\VELMORA13VT\\install", "installinfo", "/vt/");
  EXPECT_EQ(kaocg::ReadInstallFolder(false), "/base/");
  EXPECT_EQ(kaocg::ReadInstallFolder(true), "/vt/");
  EXPECT_EQ(kaocg::FindInstalledEdition(), 1);
}

TEST(Installation, TextEndsAtItsFirstNul) {
  FakeRegistry registry;
  platform::ScopedServices scope(platform::Services{&registry});
  registry.CreateKey("software\\ZEVA\\Velmora13\\Install");
  const char16_t units[] = u"/g/\0junk";
  registry.SetValue("software\\ZEVA\\Velmora13\\Install", "InstallInfo", platform::kRegBinary,
                    units, sizeof units);
  EXPECT_EQ(kaocg::ReadInstallFolder(false), "/g/");
}

}  // namespace
