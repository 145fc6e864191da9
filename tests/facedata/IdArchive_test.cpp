#include "facedata/KaoCGArchive.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>

#include "FaceDataFixture.h"
#include "facedata/Bushou.h"
#include "facedata/OfficerTable.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Services.h"

namespace {

using kaocg_test::FaceDataTest;
using kaocg_test::GetLe32;
using kaocg_test::IdArchiveBytes;
using kaocg_test::kBaseHeader;
using kaocg_test::kExpansionHeader;
using kaocg_test::ReadFile;
using kaocg_test::WriteFile;
using Table = std::array<std::int32_t, kaocg_func::kIdTableSize>;
namespace fs = std::filesystem;

constexpr std::uint32_t kMarker = 0x80000000u;

Table Filled(std::int32_t v) {
  Table t;
  t.fill(v);
  return t;
}

std::vector<std::int32_t> Values(std::size_t n, std::int32_t base) {
  std::vector<std::int32_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = base + static_cast<std::int32_t>(i);
  return v;
}

bool Read(const std::string& user, Table& t, const bushou_manager* roster = nullptr) {
  return kaocg_func::TransferIdArchive(user, t.data(), kaocg_func::kModeRead, roster);
}
bool Write(const std::string& user, Table& t) {
  return kaocg_func::TransferIdArchive(user, t.data(), kaocg_func::kModeWrite);
}

TEST(ArchivePaths, EveryArchiveTypeAndTheLengthLimit) {
  const char* expected[] = {
      "/d/KAO_L.s13", "/d/KAO_M.s13", "/d/KAO_S.s13",
      "/u/GRP/EDIT_KAO_L.s13", "/u/GRP/EDIT_KAO_M.s13", "/u/GRP/EDIT_KAO_S.s13",
      "/u/kaoedit.s13", "/u/kaoeditvt.s13",
  };
  for (int type = 0; type < 8; ++type)
    EXPECT_EQ(kaocg_func::BuildArchivePath(type, "/u/", "/d/"), std::optional<std::string>(expected[type]));
  EXPECT_FALSE(kaocg_func::BuildArchivePath(8, "/u/", "/d/"));
  EXPECT_FALSE(kaocg_func::BuildArchivePath(-1, "/u/", "/d/"));
  // 1023 characters and the NUL fit; one more does not.
  const std::string user1011(1011, 'u');  // + "kaoedit.s13" (11) = 1022
  EXPECT_TRUE(kaocg_func::BuildArchivePath(6, user1011 + "u", ""));
  EXPECT_FALSE(kaocg_func::BuildArchivePath(6, user1011 + "uu", ""));
  // Characters, not bytes: "顔" is three bytes and one character.
  EXPECT_TRUE(kaocg_func::BuildArchivePath(6, std::string(1000, 'u') + "顔顔顔顔顔顔顔顔顔顔顔顔", ""));
}

TEST(ArchiveTransfer, MovesBytesOnlyInTheTwoModesWithAFile) {
  kaocg_test::TempDir dir;
  auto f = platform::Current().files->Open(dir.folder() + "f",
                                           platform::kModeCreate | platform::kModeReadWrite);
  ASSERT_TRUE(f);
  Table t = Filled(0);
  kaocg_func::CKaoCGIDArchive a(t.data(), 0);
  char buf[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(a.Transfer(buf, 4), 0u);  // no file
  a.Attach(f.get());
  a.SetMode(kaocg_func::kModeWrite);
  EXPECT_EQ(a.Transfer(buf, 4), 4u);
  a.SetMode(2);
  EXPECT_EQ(a.Transfer(buf, 4), 0u);
  EXPECT_FALSE(a.SerializeHeader());
  f->Seek(0);
  a.SetMode(kaocg_func::kModeRead);
  char in[8] = {};
  EXPECT_EQ(a.Transfer(in, 8), 4u);
  a.Detach();
  EXPECT_EQ(a.GetFile(), nullptr);
}

class IdArchiveTest : public FaceDataTest {};

TEST_F(IdArchiveTest, WrittenFilesHaveTheirHeaderSizeAndRecords) {
  struct Case {
    int edition;
    fs::path file;
    const char* header;
    std::size_t records, bytes;
  };
  for (const Case& c : {Case{0, BaseFile(), kBaseHeader, 2370, 18976},
                        Case{1, ExpansionFile(), kExpansionHeader, 2600, 20816}}) {
    UseEdition(c.edition);
    Table t;
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<std::int32_t>(i * 3) - 5;
    ASSERT_TRUE(Write(user(), t));
    const std::string bytes = ReadFile(c.file);
    ASSERT_EQ(bytes.size(), c.bytes);
    EXPECT_EQ(bytes.substr(0, 16), std::string(c.header, 16));
    for (std::size_t i = 0; i < c.records; ++i) {
      ASSERT_EQ(GetLe32(bytes, 16 + 8 * i), i);
      ASSERT_EQ(static_cast<std::int32_t>(GetLe32(bytes, 20 + 8 * i)), t[i]);
    }
    Table back = Filled(7);
    ASSERT_TRUE(Read(user(), back));
    for (std::size_t i = 0; i < t.size(); ++i)
      ASSERT_EQ(back[i], i < c.records ? t[i] : 7) << i;
  }
}

TEST_F(IdArchiveTest, TheOtherEditionsHeaderFailsAndLeavesTheTable) {
  UseEdition(1);
  WriteFile(ExpansionFile(), IdArchiveBytes(kBaseHeader, Values(2600, 10)));
  Table t = Filled(-1);
  EXPECT_FALSE(Read(user(), t));
  EXPECT_EQ(t, Filled(-1));

  UseEdition(0);
  WriteFile(BaseFile(), IdArchiveBytes(kExpansionHeader, Values(2370, 10)));
  EXPECT_FALSE(Read(user(), t));
  EXPECT_EQ(t, Filled(-1));

  for (const std::string& header : {std::string("kaoedit v1     \0", 16), std::string("kaoedit v1")}) {
    WriteFile(BaseFile(), header);
    EXPECT_FALSE(Read(user(), t));
    EXPECT_EQ(t, Filled(-1));
  }
}

TEST_F(IdArchiveTest, ShortBodiesAndMisplacedRecords) {
  UseEdition(0);
  // Ends on a record boundary: the rest keeps the caller's values.
  WriteFile(BaseFile(), IdArchiveBytes(kBaseHeader, Values(100, 1000)));
  Table t = Filled(-1);
  ASSERT_TRUE(Read(user(), t));
  EXPECT_EQ(t[99], 1099);
  EXPECT_EQ(t[100], -1);

  // Ends inside a value: no value made of old and new bytes is stored.
  std::string cut = IdArchiveBytes(kBaseHeader, Values(100, 1000));
  cut.resize(cut.size() - 2);
  WriteFile(BaseFile(), cut);
  t = Filled(-1);
  EXPECT_FALSE(Read(user(), t));
  EXPECT_EQ(t[99], -1);

  // Record 5 claims slot 6: the records before it are stored.
  std::string bytes = IdArchiveBytes(kBaseHeader, Values(2370, 1000));
  bytes[16 + 8 * 5] = 6;
  WriteFile(BaseFile(), bytes);
  t = Filled(-1);
  EXPECT_FALSE(Read(user(), t));
  EXPECT_EQ(t[4], 1004);
  EXPECT_EQ(t[5], -1);
  EXPECT_EQ(t[6], -1);
}

TEST_F(IdArchiveTest, ExpansionWithoutItsFileImportsTheBaseGamesAssignments) {
  UseEdition(1);
  bushou_manager roster;
  roster.Init();
  std::vector<std::int32_t> base(2370, -1);
  base[1665] = 111;
  base[1670] = 222;
  base[1685] = 4007;
  const kaocg::OfficerTableView vt = kaocg::OfficerTableOf(1);
  int keptSlot = -1, unsetSlot = -1;
  for (std::size_t i = 0; i < vt.count && (keptSlot < 0 || unsetSlot < 0); ++i) {
    const int s = vt.rows[i].slot;
    if (s >= 2370 || s == 1665 || s == 1670 || s == 1685) continue;
    if (keptSlot < 0) {
      keptSlot = s;
      base[static_cast<std::size_t>(s)] = 1234;
    } else {
      unsetSlot = s;
    }
  }
  base[1500] = 6090;  // no officer of the expansion: copied without a mark
  WriteFile(BaseFile(), IdArchiveBytes(kBaseHeader, base));

  Table t = Filled(-1);
  ASSERT_TRUE(Read(user(), t, &roster));
  EXPECT_FALSE(fs::exists(ExpansionFile()));  // nothing written
  auto defaultOf = [&](int slot) {
    for (std::size_t i = 0; i < vt.count; ++i)
      if (vt.rows[i].slot == slot) return vt.rows[i].defaultFace;
    return -2;
  };
  for (int slot : {1665, 1670, 1685})
    EXPECT_EQ(static_cast<std::uint32_t>(t[static_cast<std::size_t>(slot)]),
              static_cast<std::uint32_t>(defaultOf(slot)) | kMarker) << slot;
  EXPECT_EQ(static_cast<std::uint32_t>(t[static_cast<std::size_t>(keptSlot)]), 1234u | kMarker);
  EXPECT_EQ(static_cast<std::uint32_t>(t[static_cast<std::size_t>(unsetSlot)]),
            static_cast<std::uint32_t>(defaultOf(unsetSlot)) | kMarker);
  EXPECT_EQ(t[1500], 6090);
  for (int i = 0; i < roster.GetCount(); ++i)
    EXPECT_TRUE(static_cast<std::uint32_t>(t[static_cast<std::size_t>(roster.GetOfficer(i)->GetSlot())]) & kMarker);

  // 1685 keeps a face that is not the base game's default.
  base[1685] = 333;
  WriteFile(BaseFile(), IdArchiveBytes(kBaseHeader, base));
  t = Filled(-1);
  ASSERT_TRUE(Read(user(), t, &roster));
  EXPECT_EQ(static_cast<std::uint32_t>(t[1685]), 333u | kMarker);
}

TEST_F(IdArchiveTest, NeitherFileFailsAndLeavesTheTable) {
  for (int edition : {0, 1}) {
    UseEdition(edition);
    bushou_manager roster;
    roster.Init();
    Table t = Filled(-1);
    EXPECT_FALSE(Read(user(), t, &roster));
    EXPECT_EQ(t, Filled(-1));
  }
}

TEST_F(IdArchiveTest, TooLongAUserFolderFailsBothWays) {
  UseEdition(1);
  WriteFile(BaseFile(), IdArchiveBytes(kBaseHeader, Values(2370, 1)));
  const std::string longUser = user() + std::string(1100, 'x') + "/";
  Table t = Filled(-1);
  EXPECT_FALSE(Read(longUser, t));
  EXPECT_EQ(t, Filled(-1));
  EXPECT_FALSE(Write(longUser, t));
}

TEST_F(IdArchiveTest, WritingOverAReadOnlyArchiveClearsTheAttribute) {
  UseEdition(0);
  WriteFile(BaseFile(), IdArchiveBytes(kBaseHeader, Values(2370, 1)));
  auto& attributes = *platform::Current().attributes;
  ASSERT_TRUE(attributes.SetAttributes(BaseFile().string(), platform::kAttrReadOnly));
  Table t = Filled(42);
  ASSERT_TRUE(Write(user(), t));
  EXPECT_EQ(attributes.GetAttributes(BaseFile().string()), platform::kAttrNormal);
  EXPECT_EQ(GetLe32(ReadFile(BaseFile()), 20), 42u);
}

TEST_F(IdArchiveTest, NamesMatchWithoutRegardToCase) {
  UseEdition(1);
  WriteFile(dir.path() / "KAOEDITVT.S13", IdArchiveBytes(kExpansionHeader, Values(2600, 5)));
  Table t = Filled(-1);
  ASSERT_TRUE(Read(user(), t));
  EXPECT_EQ(t[2599], 2604);
  ASSERT_TRUE(Write(user(), t));
  EXPECT_FALSE(fs::exists(ExpansionFile()));  // replaced under its own spelling
  EXPECT_EQ(ReadFile(dir.path() / "KAOEDITVT.S13").size(), 20816u);
}

TEST_F(IdArchiveTest, AnArchiveHeldByAnotherProgramIsNeitherReadNorReplaced) {
  UseEdition(1);
  const std::string held = IdArchiveBytes(kExpansionHeader, Values(2600, 5));
  WriteFile(ExpansionFile(), held);
  WriteFile(BaseFile(), IdArchiveBytes(kBaseHeader, Values(2370, 9)));
  auto lock = platform::Current().files->Open(ExpansionFile().string(),
                                              platform::kModeRead | platform::kShareExclusive);
  ASSERT_TRUE(lock);
  bushou_manager roster;
  roster.Init();
  Table t = Filled(-1);
  // Importing the base game's faces instead would show (and save) faces
  // that are not the user's.
  EXPECT_FALSE(Read(user(), t, &roster));
  EXPECT_EQ(t, Filled(-1));
  EXPECT_FALSE(Write(user(), t));
  EXPECT_EQ(ReadFile(ExpansionFile()), held);
}

TEST_F(IdArchiveTest, WritingIntoAMissingFolderFails) {
  UseEdition(0);
  Table t = Filled(1);
  EXPECT_FALSE(Write(user() + "missing/", t));
  EXPECT_FALSE(fs::exists(dir.path() / "missing"));
}

// Files that fail their writes after a number of bytes, or their flush.
class FailingFiles final : public platform::IFiles {
 public:
  class FailingFile final : public platform::File {
   public:
    FailingFile(std::unique_ptr<platform::File> inner, std::size_t budget, bool failFlush)
        : inner_(std::move(inner)), budget_(budget), failFlush_(failFlush) {}
    std::size_t Read(void* b, std::size_t n) override { return inner_->Read(b, n); }
    bool Write(const void* b, std::size_t n) override {
      if (n > budget_) {
        failed_ = true;
        return false;
      }
      budget_ -= n;
      return inner_->Write(b, n);
    }
    bool Seek(std::uint64_t p) override { return inner_->Seek(p); }
    std::int64_t Length() override { return inner_->Length(); }
    bool Flush() override { return !failFlush_ && inner_->Flush(); }
    bool WriteFailed() const override { return failed_; }

   private:
    std::unique_ptr<platform::File> inner_;
    std::size_t budget_;
    bool failFlush_;
    bool failed_ = false;
  };

  FailingFiles(std::size_t budget, bool failFlush) : budget_(budget), failFlush_(failFlush) {}
  std::unique_ptr<platform::File> Open(std::string_view p, unsigned f) override { return real_.Open(p, f); }
  bool CreateDirectory(std::string_view p) override { return real_.CreateDirectory(p); }
  bool CopyFile(std::string_view a, std::string_view b, bool f) override { return real_.CopyFile(a, b, f); }
  bool DeleteFile(std::string_view p) override { return real_.DeleteFile(p); }
  std::unique_ptr<platform::File> CreateBeside(std::string_view p, std::string* created) override {
    auto inner = real_.CreateBeside(p, created);
    if (!inner) return nullptr;
    return std::make_unique<FailingFile>(std::move(inner), budget_, failFlush_);
  }
  bool ReplaceFile(std::string_view a, std::string_view b) override { return real_.ReplaceFile(a, b); }

 private:
  platform::PosixFiles real_;
  std::size_t budget_;
  bool failFlush_;
};

TEST_F(IdArchiveTest, AFailedSaveLeavesTheOldArchiveAsItWas) {
  UseEdition(0);
  const std::string old = IdArchiveBytes(kBaseHeader, Values(2370, 77));
  struct Case {
    std::size_t budget;
    bool failFlush;
  };
  for (const Case c : {Case{0, false}, Case{10, false}, Case{16 + 8 * 1000 + 4, false},
                       Case{1 << 20, true}}) {
    SCOPED_TRACE(c.budget);
    WriteFile(BaseFile(), old);
    FailingFiles files(c.budget, c.failFlush);
    platform::ScopedServices scope(platform::Services{nullptr, nullptr, nullptr, nullptr, nullptr, &files});
    Table t = Filled(5);
    EXPECT_FALSE(Write(user(), t));
    EXPECT_EQ(ReadFile(BaseFile()), old);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 1u);  // no new file left beside it
  }
}

}  // namespace
