#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "facedata/ImageArchiveFormat.h"
#include "facedata/LinkArchive.h"
#include "support/KaocgTool.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace kaocg_func;

struct Output {
  int status;
  std::string text;
};

// The tool's two output streams together: the checks hold whichever stream
// a line went to.
Output ArchiveInfo(const fs::path& file) {
  const kaocg_test::KaocgToolRun r = kaocg_test::RunKaocgTool("archive info " + kaocg_test::ShellQuote(file.string()));
  return {r.status, r.out + r.err};
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes, uint64_t length) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  fs::resize_file(path, length);
}

TEST(ArchiveInfoCommand, NamesTheArchiveAndCountsUsedSlots) {
  kaocg_test::TempDir dir;
  const ArchiveConstants& c = kArchiveConstants[0][kArchiveEditableSmall];
  const fs::path path = dir.path() / "EDIT_KAO_S.s13";
  Write(path, BuildLinkPrefix(c), ArchiveFileLength(c));
  {
    std::fstream io(path, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(static_cast<std::streamoff>(UsedSlotBitmapOffset(c)));
    io.put(static_cast<char>(0x05));  // slots 0 and 2
  }
  const Output out = ArchiveInfo(path);
  ASSERT_EQ(out.status, 0) << out.text;
  EXPECT_NE(out.text.find("entry count        1100"), std::string::npos) << out.text;
  EXPECT_NE(out.text.find("entry offsets      22048 to " + std::to_string(ComputedEntryOffset(c, 1099))),
            std::string::npos) << out.text;
  EXPECT_NE(out.text.find("type 5, EDIT_KAO_S.s13"), std::string::npos) << out.text;
  EXPECT_NE(out.text.find("edition            both"), std::string::npos) << out.text;
  EXPECT_NE(out.text.find("used slots         2 (0 2)"), std::string::npos) << out.text;

  const ArchiveConstants& base = kArchiveConstants[0][kArchiveShippedMedium];
  Write(path, BuildLinkPrefix(base), ArchiveFileLength(base));
  const Output shipped = ArchiveInfo(path);
  ASSERT_EQ(shipped.status, 0) << shipped.text;
  EXPECT_NE(shipped.text.find("edition            base game"), std::string::npos) << shipped.text;
}

TEST(ArchiveInfoCommand, DamagedFilesFailWithOneLine) {
  kaocg_test::TempDir dir;
  const fs::path path = dir.path() / "bad.s13";
  std::vector<uint8_t> good = BuildLinkPrefix(kArchiveConstants[1][kArchiveShippedLarge]);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t> magic = good, huge = good;
  magic[0] = 'X';
  StoreLE32(huge.data() + 4, 0xFFFFFFF0);
  StoreLE32(huge.data() + 12, 0xFFFFFFF0);
  for (const Case& c : {Case{"empty", {}}, Case{"header cut", std::vector<uint8_t>(good.begin(), good.begin() + 31)},
                        Case{"index cut", std::vector<uint8_t>(good.begin(), good.begin() + 100)},
                        Case{"magic", magic}, Case{"huge count", huge}}) {
    Write(path, c.bytes, c.bytes.size());
    const Output out = ArchiveInfo(path);
    EXPECT_EQ(out.status, 1) << c.what;
    EXPECT_NE(out.text.find("kaocgtool: "), std::string::npos) << c.what << ": " << out.text;
  }
}

}  // namespace
