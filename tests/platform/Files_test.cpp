#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Mutex.h"
#include "platform/Path.h"
#include "platform/PersonalFolder.h"
#include "platform/Services.h"
#include "platform/Text.h"
#include "support/FileBytes.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

using kaocg_test::ScopedEnv;
using kaocg_test::ReadFile;
using kaocg_test::TempDir;
using kaocg_test::WriteFile;
namespace fs = std::filesystem;

// Runs fn in a child process and returns its exit status.
template <typename Fn>
int InChild(Fn fn) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(fn());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

platform::IFiles& Files() { return *platform::Current().files; }
platform::IFileAttributes& Attributes() { return *platform::Current().attributes; }

TEST(PathResolution, MatchesNamesWithoutRegardToCaseAndBothSeparators) {
  TempDir dir;
  fs::create_directories(dir.path() / "ZEVA" / "Velmora13" / "GRP");
  WriteFile(dir.path() / "ZEVA" / "Velmora13" / "GRP" / "EDIT_KAO_L.s13", "x");
  const std::string root = dir.path().string();
  const std::string real = root + "/ZEVA/Velmora13/GRP/EDIT_KAO_L.s13";
  platform::PosixPathResolver r;
  struct Case {
    std::string in, out;
  };
  for (const Case& c : {
           Case{root + "/ZEVA/Velmora13/GRP/EDIT_KAO_L.s13", real},
           Case{root + "\\ZEVA\\Velmora13\\GRP\\EDIT_KAO_L.S13", real},
           Case{root + "/zeva\\VELMORA13//grp\\edit_kao_l.s13", real},
           // A missing name is kept as spelled, and so is what follows it.
           Case{root + "/zeva/Velmora13/GRP/new.S13", root + "/ZEVA/Velmora13/GRP/new.S13"},
           Case{root + "/zeva/Other\\GRP\\x", root + "/ZEVA/Other/GRP/x"},
           Case{root + "/ZEVA/Velmora13/", root + "/ZEVA/Velmora13/"},
           Case{"relative\\name", "relative/name"},
           // Spelled as it exists: only the separators change.
           Case{root + "//ZEVA\\Velmora13/GRP\\\\EDIT_KAO_L.s13", real},
           Case{root + "/ZEVA/../ZEVA/Velmora13/GRP/EDIT_KAO_L.s13", root + "/ZEVA/../ZEVA/Velmora13/GRP/EDIT_KAO_L.s13"},
           Case{root + "/zeva/../ZEVA/Velmora13", root + "/ZEVA/../ZEVA/Velmora13"},
           // A file is no folder: the names up to it still resolve.
           Case{root + "/ZEVA/Velmora13/GRP/EDIT_KAO_L.s13/", real + "/"},
           Case{root + "/ZEVA/Velmora13/GRP/EDIT_KAO_L.s13/x", real + "/x"},
           Case{"", ""},
       })
    EXPECT_EQ(r.Resolve(c.in), c.out) << c.in;
}

TEST(PathResolution, RememberingResolverAsksOncePerPathAndAnswersTheSame) {
  struct Counting final : platform::IPathResolver {
    int calls = 0;
    std::string Resolve(std::string_view path) override {
      ++calls;
      return "resolved:" + std::string(path);
    }
  } inner;
  platform::RememberingPathResolver r(inner);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r.Resolve("GRP\\EDIT_KAO_S.s13"), "resolved:GRP\\EDIT_KAO_S.s13");
    EXPECT_EQ(r.Resolve("GRP\\KAO_S.s13"), "resolved:GRP\\KAO_S.s13");
  }
  EXPECT_EQ(inner.calls, 2);
}

TEST(PathResolution, PrefersTheSpellingThatExistsThenTheSmallestMatch) {
  TempDir dir;
  WriteFile(dir.path() / "a.S13", "1");
  WriteFile(dir.path() / "A.s13", "2");
  platform::PosixPathResolver r;
  const std::string root = dir.path().string();
  EXPECT_EQ(r.Resolve(root + "/a.S13"), root + "/a.S13");
  EXPECT_EQ(r.Resolve(root + "/A.s13"), root + "/A.s13");
  EXPECT_EQ(r.Resolve(root + "/a.s13"), root + "/A.s13");
}

TEST(FileAttributes, ReadOnlyClearsEveryWriteBitNormalGivesTheOwnerReadWrite) {
  TempDir dir;
  const fs::path p = dir.path() / "File.S13";
  WriteFile(p, "x");
  ::chmod(p.c_str(), 0666);
  const std::string spelled = dir.folder() + "file.s13";
  EXPECT_EQ(Attributes().GetAttributes(spelled), platform::kAttrNormal);
  ASSERT_TRUE(Attributes().SetAttributes(spelled, platform::kAttrReadOnly));
  struct stat st;
  ::stat(p.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_EQ(Attributes().GetAttributes(spelled), platform::kAttrReadOnly);
  ASSERT_TRUE(Attributes().SetAttributes(spelled, platform::kAttrNormal));
  ::stat(p.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(Attributes().GetAttributes(dir.folder()) & platform::kAttrDirectory,
            platform::kAttrDirectory);
  EXPECT_EQ(Attributes().GetAttributes(dir.folder() + "missing"), platform::kInvalidAttributes);
  EXPECT_FALSE(Attributes().SetAttributes(dir.folder() + "missing", platform::kAttrNormal));
}

TEST(Files, ReadOnlyFileCannotBeOpenedForWritingByAnyone) {
  TempDir dir;
  const fs::path p = dir.path() / "f";
  WriteFile(p, "keep");
  ASSERT_TRUE(Attributes().SetAttributes(p.string(), platform::kAttrReadOnly));
  EXPECT_TRUE(Files().Open(p.string(), platform::kModeRead));
  EXPECT_FALSE(Files().Open(p.string(), platform::kModeWrite));
  EXPECT_FALSE(Files().Open(p.string(), platform::kModeReadWrite));
  EXPECT_FALSE(Files().Open(p.string(), platform::kModeCreate | platform::kModeWrite));
  EXPECT_EQ(ReadFile(p), "keep");
}

TEST(Files, ExclusiveSharingExcludesOtherOpensHereAndInOtherProcesses) {
  TempDir dir;
  const std::string p = dir.folder() + "Shared.s13";
  WriteFile(p, "content");
  constexpr unsigned kExclusive = platform::kModeRead | platform::kShareExclusive;
  {
    auto first = Files().Open(p, kExclusive);
    ASSERT_TRUE(first);
    EXPECT_FALSE(Files().Open(dir.folder() + "SHARED.S13", kExclusive));
    // Truncation waits for the lock: a refused open leaves the file whole.
    EXPECT_FALSE(Files().Open(p, platform::kModeCreate | platform::kModeWrite | platform::kShareExclusive));
    EXPECT_EQ(ReadFile(p), "content");
    EXPECT_EQ(InChild([&] { return Files().Open(p, kExclusive) ? 1 : 0; }), 0);
  }
  EXPECT_TRUE(Files().Open(p, kExclusive));
}

TEST(Files, ReadWriteSeekAndLength) {
  TempDir dir;
  const std::string p = dir.folder() + "f";
  auto f = Files().Open(p, platform::kModeCreate | platform::kModeReadWrite | platform::kShareExclusive);
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->Write("abcdef", 6));
  EXPECT_EQ(f->Length(), 6);
  ASSERT_TRUE(f->Seek(2));
  char buf[8] = {};
  EXPECT_EQ(f->Read(buf, 8), 4u);
  EXPECT_STREQ(buf, "cdef");
  EXPECT_EQ(f->Read(buf, 8), 0u);
  EXPECT_TRUE(f->Flush());
  EXPECT_FALSE(f->WriteFailed());
  EXPECT_FALSE(Files().Open(dir.folder() + "missing", platform::kModeRead));
  EXPECT_FALSE(Files().Open(dir.folder(), platform::kModeRead));
}

TEST(Files, CreateBesideThenReplaceSwapsInOneStep) {
  TempDir dir;
  const std::string target = dir.folder() + "KAOEDIT.S13";
  WriteFile(target, "old");
  std::string temp;
  auto f = Files().CreateBeside(dir.folder() + "kaoedit.s13", &temp);
  ASSERT_TRUE(f);
  EXPECT_EQ(fs::path(temp).parent_path(), dir.path());
  EXPECT_TRUE(f->Write("new", 3));
  f.reset();
  EXPECT_EQ(ReadFile(target), "old");
  ASSERT_TRUE(Files().ReplaceFile(temp, dir.folder() + "kaoedit.s13"));
  EXPECT_EQ(ReadFile(target), "new");  // the existing spelling is kept
  EXPECT_FALSE(fs::exists(temp));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(Files, CopyDeleteAndCreateDirectory) {
  TempDir dir;
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131);
  WriteFile(dir.path() / "src", big);
  ASSERT_TRUE(Files().CreateDirectory(dir.folder() + "GRP\\"));
  EXPECT_FALSE(Files().CreateDirectory(dir.folder() + "grp"));
  ASSERT_TRUE(Files().CopyFile(dir.folder() + "SRC", dir.folder() + "grp\\copy", false));
  EXPECT_EQ(ReadFile(dir.path() / "GRP" / "copy"), big);
  EXPECT_FALSE(Files().CopyFile(dir.folder() + "src", dir.folder() + "GRP/COPY", true));
  EXPECT_FALSE(Files().CopyFile(dir.folder() + "missing", dir.folder() + "GRP/other", false));
  EXPECT_FALSE(fs::exists(dir.path() / "GRP" / "other"));
  EXPECT_TRUE(Files().DeleteFile(dir.folder() + "grp/COPY"));
  EXPECT_FALSE(fs::exists(dir.path() / "GRP" / "copy"));
  EXPECT_FALSE(Files().DeleteFile(dir.folder() + "grp/COPY"));
}

TEST(Mutexes, ALockFileNamedAfterTheWholeNameHeldWhileOpen) {
  TempDir dir;
  platform::LockFileMutexes mutexes(dir.path().string());
  auto held = mutexes.Create("Global\\ZEVA_VELMORA_13_MUTEX");
  ASSERT_TRUE(held);
  EXPECT_TRUE(fs::exists(dir.path() / "Global\\ZEVA_VELMORA_13_MUTEX"));
  EXPECT_FALSE(mutexes.Create("Global\\ZEVA_VELMORA_13_MUTEX"));
  EXPECT_TRUE(mutexes.Create("Global\\OTHER"));
  EXPECT_EQ(InChild([&] { return mutexes.Create("Global\\ZEVA_VELMORA_13_MUTEX") ? 1 : 0; }), 0);
  held.reset();
  EXPECT_EQ(InChild([&] { return mutexes.Create("Global\\ZEVA_VELMORA_13_MUTEX") ? 0 : 1; }), 0);
  for (const char* bad : {"", "a/b", ".", ".."}) EXPECT_FALSE(mutexes.Create(bad)) << bad;
}

TEST(Mutexes, TheEndOfTheHoldingProcessReleasesTheMutex) {
  TempDir dir;
  platform::LockFileMutexes mutexes(dir.path().string());
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    auto held = mutexes.Create("Global\\M");
    char c = held ? 'y' : 'n';
    (void)!::write(ready[1], &c, 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_EQ(c, 'y');
  EXPECT_FALSE(mutexes.Create("Global\\M"));
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  EXPECT_TRUE(mutexes.Create("Global\\M"));
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(Mutexes, DefaultFolder) {
  {
    ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/7");
    EXPECT_EQ(platform::DefaultMutexFolder(), "/run/user/7");
  }
  ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
  {
    ScopedEnv tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(platform::DefaultMutexFolder(), "/var/tmp");
  }
  ScopedEnv tmp("TMPDIR", nullptr);
  EXPECT_EQ(platform::DefaultMutexFolder(), "/tmp");
}

TEST(PersonalFolder, FromUserDirsElseHomeDocuments) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path().string());
  ScopedEnv config("XDG_CONFIG_HOME", (dir.path() / "cfg").string());
  platform::XdgPersonalFolder folder;
  EXPECT_EQ(folder.GetPersonalFolder(), dir.folder() + "Documents/");
  fs::create_directories(dir.path() / "cfg");
  struct Case {
    const char* file;
    std::string expected;
  };
  for (const Case& c : {
           Case{"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
                dir.folder() + "Dokumente/"},
           Case{"XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n", "/srv/docs/"},
           Case{"XDG_DOCUMENTS_DIR=\"relative\"\n", dir.folder() + "Documents/"},
           Case{"XDG_DOCUMENTS_DIR=\"$HOMEX/d\"\n", dir.folder() + "Documents/"},
           Case{"XDG_DOCUMENTS_DIR=unquoted\n", dir.folder() + "Documents/"},
       }) {
    WriteFile(dir.path() / "cfg" / "user-dirs.dirs", c.file);
    EXPECT_EQ(folder.GetPersonalFolder(), c.expected) << c.file;
  }
}

TEST(Text, ConvertsBetweenUtf8AndUtf16) {
  EXPECT_EQ(platform::Utf8ToUtf16("a顔\xF0\x9F\x98\x80"), (std::u16string{u'a', u'顔', 0xD83D, 0xDE00}));
  EXPECT_EQ(platform::Utf16ToUtf8(u"a顔\xD83D\xDE00"), "a顔\xF0\x9F\x98\x80");
  EXPECT_EQ(platform::Utf8ToUtf16("\xC0\x80x\xE3\x81"), (std::u16string{0xFFFD, 0xFFFD, u'x', 0xFFFD, 0xFFFD}));
  EXPECT_EQ(platform::Utf16ToUtf8(std::u16string{0xDC00, u'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(platform::Utf16Length("a顔\xF0\x9F\x98\x80"), 4u);
  EXPECT_TRUE(platform::EqualsNoCase("EDIT_KAO_L.S13", "edit_kao_l.s13"));
  EXPECT_FALSE(platform::EqualsNoCase("a", "ab"));
}

}  // namespace
