#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/startup/Environment.h"
#include "facedata/EditableArchives.h"
#include "facedata/ImageArchiveFormat.h"
#include "facedata/LinkArchive.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace kaocg_func {
namespace {

namespace fs = std::filesystem;

using kaocg_test::ReadFileBytes;

bool IsReadOnly(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

class EditableArchivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = (dir_.path() / "game" / "grp").string() + "/";
    user_ = (dir_.path() / "Documents" / "ZEVA" / "Velmora13").string() + "/";
    fs::create_directories(data_);
    // The game's editable archives: for the copy step only their header and
    // info table matter, so the prefix stands for the whole file.
    for (int t = kArchiveEditableLarge; t <= kArchiveEditableSmall; ++t) {
      const std::vector<uint8_t> prefix = BuildLinkPrefix(kArchiveConstants[0][t]);
      std::ofstream(fs::path(data_) / kShipped[t - kArchiveEditableLarge], std::ios::binary)
          .write(reinterpret_cast<const char*>(prefix.data()), static_cast<std::streamsize>(prefix.size()));
    }
  }

  PrepareResult Prepare(int* steps) {
    return PrepareEditableArchives(user_, data_, [](std::string_view p) { return kaocg::CreateDirectoryPath(p); },
                                   [steps] { ++*steps; });
  }
  fs::path Copy(int k) const { return fs::path(user_) / "GRP" / kShipped[k]; }
  fs::path Source(int k) const { return fs::path(data_) / kShipped[k]; }

  static constexpr const char* kShipped[3] = {"EDIT_KAO_L.S13", "EDIT_KAO_M.S13", "EDIT_KAO_S.S13"};
  kaocg_test::TempDir dir_;
  std::string data_, user_;
};

TEST_F(EditableArchivesTest, FirstRunCopiesAllThreeAndPreparesTheLargeOne) {
  int steps = 0;
  ASSERT_EQ(Prepare(&steps), PrepareResult::kOk);
  EXPECT_EQ(steps, 3);
  const std::vector<uint8_t> large = ReadFileBytes(Copy(0));
  std::vector<uint8_t> expected = ReadFileBytes(Source(0));
  ASSERT_EQ(large.size(), expected.size());
  for (uint32_t i = 0; i < kUserSlotCount; ++i) {
    uint8_t* record = expected.data() + 8832 + 12 * i;
    record[8] = 240, record[9] = 0, record[10] = 240, record[11] = 0;
  }
  EXPECT_EQ(large, expected);
  EXPECT_TRUE(IsReadOnly(Copy(0)));
  EXPECT_EQ(ReadFileBytes(Copy(1)), ReadFileBytes(Source(1)));
  EXPECT_EQ(ReadFileBytes(Copy(2)), ReadFileBytes(Source(2)));
}

TEST_F(EditableArchivesTest, LaterRunsCopyOnlyWhatIsMissing) {
  int steps = 0;
  ASSERT_EQ(Prepare(&steps), PrepareResult::kOk);
  // The user's copies change from here on; a second run must keep them.
  fs::permissions(Copy(0), fs::perms::owner_write, fs::perm_options::add);
  std::fstream(Copy(0), std::ios::binary | std::ios::in | std::ios::out).seekp(8832 + 8).put(7);
  const std::vector<uint8_t> large = ReadFileBytes(Copy(0));
  fs::remove(Copy(1));
  std::ofstream(Source(1), std::ios::binary | std::ios::app).put('M');

  steps = 0;
  ASSERT_EQ(Prepare(&steps), PrepareResult::kOk);
  EXPECT_EQ(steps, 3);
  EXPECT_EQ(ReadFileBytes(Copy(0)), large);
  EXPECT_EQ(ReadFileBytes(Copy(1)), ReadFileBytes(Source(1)));
}

TEST_F(EditableArchivesTest, AMissingSourceStopsAfterTheCopiesBeforeIt) {
  fs::remove(Source(1));
  int steps = 0;
  EXPECT_EQ(Prepare(&steps), PrepareResult::kCopyFailed);
  EXPECT_EQ(steps, 1);
  EXPECT_TRUE(fs::exists(Copy(0)));
  EXPECT_FALSE(fs::exists(Copy(1)));
  EXPECT_FALSE(fs::exists(Copy(2)));
}

TEST_F(EditableArchivesTest, ADamagedHeaderNeverMakesTheCopyGrow) {
  std::vector<uint8_t> bytes = ReadFileBytes(Source(0));
  StoreLE32(bytes.data() + 4, 0xFFFFFFFF);                // entry count
  StoreLE32(bytes.data() + 16, static_cast<uint32_t>(bytes.size() - 20));  // info table near the end
  std::ofstream(Source(0), std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  int steps = 0;
  ASSERT_EQ(Prepare(&steps), PrepareResult::kOk);
  const std::vector<uint8_t> copy = ReadFileBytes(Copy(0));
  ASSERT_EQ(copy.size(), bytes.size());
  // The one record that lies wholly inside the file was prepared.
  EXPECT_EQ(copy[bytes.size() - 20 + 8], 240);
}

}  // namespace
}  // namespace kaocg_func
