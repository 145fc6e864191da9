// The demo installation and the face commands of kaocgtool, run as a user
// runs them: the tool binary on a demo installation made once for the whole
// test program.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "facedata/FaceMask.h"
#include "facedata/FaceTexture.h"
#include "facedata/ImageArchiveFormat.h"
#include "facedata/Installation.h"
#include "facedata/KaoCGImageArchive.h"
#include "facedata/LinkArchive.h"
#include "import/DIB.h"
#include "platform/Mutex.h"
#include "tools/kaocgtool/DemoInstall.h"
#include "tools/kaocgtool/DemoPortrait.h"
#include "support/FileBytes.h"
#include "support/KaocgTool.h"
#include "support/TempDir.h"

namespace kaocgtool {
namespace {

namespace fs = std::filesystem;
using namespace kaocg_func;

TEST(DemoPortrait, EveryShippedFaceLooksDifferentEvenWhenSmall) {
  for (int edition : {0, 1}) {
    std::set<std::vector<uint8_t>> seen;
    const uint32_t count = kArchiveConstants[static_cast<std::size_t>(edition)][kArchiveShippedSmall].entryCount;
    int faces = 0;
    for (uint32_t slot = 0; slot < count; ++slot) {
      const int face = ShippedSlotFaceNumber(edition, slot);
      if (face < 0) continue;
      ++faces;
      std::vector<uint8_t> bgr(64 * 64 * 3, 0);
      DrawDemoPortrait(face, kFaceSmall, bgr.data(), 64 * 3);
      EXPECT_TRUE(seen.insert(bgr).second) << "face " << face << " looks like another";
    }
    EXPECT_GT(faces, 1400);
  }
}

TEST(DemoPortrait, DrawsOnlyInsideTheVisibleArea) {
  for (int size = 0; size < kFaceSizeCount; ++size) {
    const FaceGeometry& g = kFaceGeometry[static_cast<std::size_t>(size)];
    const int stride = g.textureSide * 3;
    std::vector<uint8_t> bgr(static_cast<std::size_t>(stride) * g.textureSide, 0xAB);
    DrawDemoPortrait(1234, size, bgr.data(), stride);
    int changedInside = 0;
    for (int y = 0; y < g.textureSide; ++y) {
      for (int x = 0; x < g.textureSide; ++x) {
        const uint8_t* p = &bgr[static_cast<std::size_t>(y) * stride + 3 * x];
        const bool untouched = p[0] == 0xAB && p[1] == 0xAB && p[2] == 0xAB;
        if (x >= g.visibleWidth || y >= g.visibleHeight) {
          ASSERT_TRUE(untouched) << size << " " << x << "," << y;
        } else if (!untouched) {
          ++changedInside;
        }
      }
    }
    EXPECT_GT(changedInside, g.visibleWidth * g.visibleHeight * 9 / 10);
  }
}

TEST(DemoPortrait, SlotsShowTheirLowestFaceNumber) {
  EXPECT_EQ(ShippedSlotFaceNumber(0, 0), 0);
  EXPECT_EQ(ShippedSlotFaceNumber(0, 1191), 1191);
  EXPECT_EQ(ShippedSlotFaceNumber(0, 1192), 4000);
  // Faces 4023 and 5001 share their pictures in the base game.
  EXPECT_EQ(ShippedSlotFaceNumber(0, 1215), 4023);
  // In the expansion 1198 to 1337 reuse the pictures of 1177 to 1316.
  EXPECT_EQ(ShippedSlotFaceNumber(1, 1177), 1177);
  EXPECT_EQ(ShippedSlotFaceNumber(1, 1198), 1219);
  EXPECT_EQ(ShippedSlotFaceNumber(1, 1316), 1337);
  EXPECT_EQ(ShippedSlotFaceNumber(1, 1317), 4000);
  EXPECT_EQ(ShippedSlotFaceNumber(1, 1598), -1);
}

// ---------------------------------------------------------------------------

using kaocg_test::ReadBytes;
using kaocg_test::ShellQuote;
using ToolRun = kaocg_test::KaocgToolRun;

class DemoInstallation : public ::testing::Test {
 protected:
  static constexpr int kShippedFaces = 4;

  static void SetUpTestSuite() {
    root_ = std::make_unique<kaocg_test::TempDir>();
    dir_ = root_->path() / "demo";
    runtime_ = (root_->path() / "run").string();
    fs::create_directories(runtime_);
    const ToolRun r = Tool("demo-install " + ShellQuote(dir_.string()) + " --shipped-faces " + std::to_string(kShippedFaces));
    ASSERT_EQ(r.status, 0) << r.err;
    setting_ = r.out;
  }
  static void TearDownTestSuite() { root_.reset(); }

  // Runs kaocgtool with the installation's home and a private runtime
  // folder for the mutexes.
  static ToolRun Tool(const std::string& arguments) {
    return kaocg_test::RunKaocgTool(arguments, "-u XDG_CONFIG_HOME HOME=" + ShellQuote((dir_ / "home").string()) +
                                                   " XDG_RUNTIME_DIR=" + ShellQuote(runtime_));
  }

  static fs::path Grp() { return dir_ / "game" / "grp"; }
  static fs::path UserGrp() { return dir_ / "home" / "Documents" / "ZEVA" / "Velmora13" / "GRP"; }

  // Holds the installation and the runtime folder side by side.
  static std::unique_ptr<kaocg_test::TempDir> root_;
  static fs::path dir_;
  static std::string runtime_, setting_;
};
std::unique_ptr<kaocg_test::TempDir> DemoInstallation::root_;
fs::path DemoInstallation::dir_;
std::string DemoInstallation::runtime_, DemoInstallation::setting_;

// One test for everything that only reads the fresh installation: every
// test of this fixture runs in a process of its own and makes its own.
TEST_F(DemoInstallation, IsCompleteWithEveryArchiveAtItsExactLength) {
  EXPECT_EQ(setting_, "HOME=" + (dir_ / "home").string() + "\n");
  struct File {
    const char* name;
    int archiveType;
  };
  for (const File& f : {File{"KAO_L.s13", 0}, File{"KAO_M.s13", 1}, File{"KAO_S.s13", 2},
                        File{"EDIT_KAO_L.S13", 3}, File{"EDIT_KAO_M.S13", 4}, File{"EDIT_KAO_S.S13", 5}}) {
    const ArchiveConstants& c = kArchiveConstants[1][static_cast<std::size_t>(f.archiveType)];
    const fs::path path = Grp() / f.name;
    ASSERT_TRUE(fs::exists(path)) << f.name;
    EXPECT_EQ(fs::file_size(path), ArchiveFileLength(c)) << f.name;
    const std::vector<uint8_t> prefix = ReadBytes(path, 0, c.firstEntryOffset);
    LinkHeader h;
    std::vector<LinkIndexRecord> records;
    ASSERT_EQ(DecodeLinkIndex(prefix.data(), prefix.size(), &h, &records), LinkParseError::kNone);
    const std::vector<ArchiveMatch> m = MatchArchiveConstants(h, records[0].size);
    ASSERT_FALSE(m.empty()) << f.name;
    EXPECT_EQ(m[0].archiveType, f.archiveType);

    // The first pictures, the first blank face after them, and the last entry.
    for (uint32_t slot : {0u, 1u, static_cast<uint32_t>(kShippedFaces), c.entryCount - 1}) {
      const std::vector<uint8_t> entry = ReadBytes(path, records[slot].offset, c.entrySize);
      ASSERT_EQ(entry.size(), c.entrySize);
      // Shipped entries are G1Ts of exactly the entry size (extended
      // header); editable blanks the editor's own 12 bytes shorter form.
      EXPECT_EQ(LoadLE32(entry.data() + 8), c.editable ? c.entrySize - 12 : c.entrySize) << f.name << " " << slot;
      std::vector<uint8_t> rgba;
      int w = 0, h2 = 0;
      ASSERT_TRUE(DecodeFaceTexture(entry.data(), c.entrySize, &rgba, &w, &h2)) << f.name << " " << slot;
      const int side = kFaceGeometry[static_cast<std::size_t>(c.faceSize)].textureSide;
      EXPECT_EQ(w, side);
      EXPECT_EQ(h2, side);
      // Masked like the game's faces; a portrait is not black.
      const MaskedPixel corner = FaceMaskAt(c.faceSize, 0, 0);
      EXPECT_EQ(rgba[3], corner.alpha);
      const uint8_t* centre = &rgba[(static_cast<std::size_t>(side) * 30 + 30) * 4];
      const bool portrait = !c.editable && slot < static_cast<uint32_t>(kShippedFaces);
      EXPECT_EQ(centre[0] + centre[1] + centre[2] > 0, portrait) << f.name << " " << slot;
    }
    if (c.editable) {
      EXPECT_EQ(ReadBytes(path, UsedSlotBitmapOffset(c), 138), std::vector<uint8_t>(138, 0));
    }
  }

  // The registry store names the game, and the documents folder is empty so
  // that the first run copies the editable archives.
  const std::string store = kaocg_test::ReadFile(dir_ / "home" / ".config" / "ZEVA" / "registry.reg");
  EXPECT_NE(store.find("Velmora13VT\\Install]"), std::string::npos) << store;
  EXPECT_NE(store.find("InstallInfo"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(dir_ / "home" / "Documents"));
  EXPECT_TRUE(fs::is_empty(dir_ / "home" / "Documents"));
}

#ifdef KAOCGTOOL_HAVE_PNG
// The tool's commands in the order a modder uses them; they share the one
// installation, so they run as one test.
TEST_F(DemoInstallation, FaceCommandsWorkOnAFreshInstallation) {
  const fs::path out = fs::path(runtime_) / "face.png";
  ToolRun r = Tool("face export 3304 " + ShellQuote(out.string()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(fs::file_size(out), 1000u);
  EXPECT_EQ(Tool("face export 4902 " + ShellQuote(out.string())).status, 1);

  // The first command that needs the user's archives copies them.
  r = Tool("face export 1 " + ShellQuote(out.string()));
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(fs::exists(UserGrp() / "EDIT_KAO_L.S13"));
  const ArchiveConstants& large = kArchiveConstants[1][kArchiveEditableLarge];
  for (uint32_t i : {0u, 1099u}) {
    const std::vector<uint8_t> record = ReadBytes(UserGrp() / "EDIT_KAO_L.S13", large.infoTableOffset + 12 * i, 12);
    EXPECT_EQ(record[8] | record[9] << 8, 240);
    EXPECT_EQ(record[10] | record[11] << 8, 240);
  }

  // Pictures of the three sizes as BMP files.
  std::string paths[3];
  const int sizes[3][2] = {{60, 60}, {96, 120}, {240, 240}};
  for (int s = 0; s < 3; ++s) {
    CDIB picture;
    ASSERT_TRUE(picture.Create(sizes[s][0], sizes[s][1], nullptr, 24));
    picture.Fill(0x00204080 + s);
    paths[s] = (fs::path(runtime_) / ("in" + std::to_string(s) + ".bmp")).string();
    ASSERT_TRUE(picture.SaveToFile(paths[s]));
  }
  const std::string pictures = ShellQuote(paths[2]) + " " + ShellQuote(paths[1]) + " " + ShellQuote(paths[0]);
  r = Tool("face import 1705 " + pictures);
  ASSERT_EQ(r.status, 0) << r.err;
  r = Tool("archive info " + ShellQuote((UserGrp() / "EDIT_KAO_M.S13").string()));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("used slots         1 (5)"), std::string::npos) << r.out;

  kaocg::SetCurrentInstallation({1, (Grp()).string() + "/", (UserGrp().parent_path()).string() + "/"});
  CDIB back;
  ASSERT_TRUE(TransferFaceImage(1102 + 5, kaocg::CurrentInstallation().userFolder, &back,
                                kaocg::CurrentInstallation().dataFolder, kModeRead, true));
  EXPECT_EQ(back.GetPixelAddress(10, 10)[2], 0x81);  // red of the colour reference
  EXPECT_EQ(back.GetPixelAddress(10, 10)[0], 0x20);

  // Wrong sizes and user faces outside the slots are refused.
  r = Tool("face import 1706 " + ShellQuote(paths[1]) + " " + ShellQuote(paths[1]) + " " + ShellQuote(paths[0]));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("240 x 240"), std::string::npos) << r.err;
  EXPECT_EQ(Tool("face import 2700 " + pictures).status, 1);

  // Not while the game runs.
  {
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    platform::LockFileMutexes mutexes(runtime_);
    platform::MutexHandle game = mutexes.Create("Global\\ZEVA_VELMORA_13_MUTEX");
    ASSERT_NE(game, nullptr);
    r = Tool("face import 1707 " + pictures);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("終了してから、実行してください"), std::string::npos) << r.err;
  }
}

#endif  // KAOCGTOOL_HAVE_PNG

TEST(DemoInstallFolder, RefusesAFolderThatIsNoDemo) {
  kaocg_test::TempDir dir;
  std::ofstream(dir.path() / "keep.txt") << "mine";
  EXPECT_EQ(kaocg_test::RunKaocgTool("demo-install " + ShellQuote(dir.path().string()) + " --quiet").status, 1);
  EXPECT_TRUE(fs::exists(dir.path() / "keep.txt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace kaocgtool

namespace kaocgtool {
namespace {

TEST(DemoInstallFolder, RefusesAPathTooLongForTheGamesRegistryValue) {
  kaocg_test::TempDir dir;
  // "InstallInfo" holds 129 characters, and DIR + "/game/" is 130 here.
  const std::string base = dir.path().string() + "/";
  const fs::path tooLong = base + std::string(130 - base.size() - 6, 'b');
  DemoInstallOptions options;
  options.shippedFaces = 0;
  DemoInstallResult result;
  std::string error;
  options.dir = tooLong.string();
  EXPECT_FALSE(BuildDemoInstallation(options, &result, &error));
  EXPECT_NE(error.find("129"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(tooLong));
  EXPECT_EQ(result.gameFolder.size(), 0u);
}

}  // namespace
}  // namespace kaocgtool
