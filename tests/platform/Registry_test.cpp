#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Text.h"
#include "support/FileBytes.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

using kaocg_test::ReadFile;
using kaocg_test::TempDir;
using kaocg_test::WriteFile;
namespace fs = std::filesystem;

std::string Utf16LeWithBom(std::string_view utf8) {
  std::string out = "\xFF\xFE";
  for (char16_t u : platform::Utf8ToUtf16(utf8)) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

std::string QueryText(platform::IRegistry& reg, const char* key, const char* name,
                      std::uint32_t limit = 1024) {
  std::vector<char16_t> buf(limit / 2 + 1, 0);
  std::uint32_t size = limit;
  std::uint32_t type = 0;
  if (reg.QueryValue(key, name, &type, buf.data(), &size) != platform::RegStatus::kOk) return "<none>";
  EXPECT_EQ(type, platform::kRegSz);
  return platform::Utf16ToUtf8(std::u16string(buf.data()));
}

std::uint32_t QueryDword(platform::IRegistry& reg, const char* key, const char* name) {
  std::uint8_t b[4] = {};
  std::uint32_t size = 4;
  if (reg.QueryValue(key, name, nullptr, b, &size) != platform::RegStatus::kOk) return 0xDEADBEEF;
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

constexpr char kExport[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\ZEVA\\Velmora13VT\\Install]\r\n"
    "\"InstallInfo\"=\"/opt/ヴェルタ/\"\r\n"
    "\"Quoted\"=\"a \\\"b\\\" c\\\\d\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\SOFTWARE\\ZEVA\\VELMORA13VT\\CONFIGS]\r\n"
    "\"GUIDE_MSG_0\"=dword:0000000a\r\n"
    "\"Blob\"=hex:01,02,\\\r\n"
    "  03,ff\r\n"
    "\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
    "@=\"default\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Empty]\r\n";

TEST(RegistryStore, ReadsAnExportInUtf16AndInUtf8) {
  for (const std::string& bytes :
       {Utf16LeWithBom(kExport), std::string(kExport), "\xEF\xBB\xBF" + std::string(kExport)}) {
    TempDir dir;
    WriteFile(dir.path() / "r.reg", bytes);
    platform::FileRegistry reg((dir.path() / "r.reg").string());
    EXPECT_EQ(QueryText(reg, "software\\zeva\\velmora13vt\\install", "installinfo"), "/opt/ヴェルタ/");
    EXPECT_EQ(QueryText(reg, "Software\\ZEVA\\Velmora13VT\\Install", "Quoted"), "a \"b\" c\\d");
    EXPECT_EQ(QueryDword(reg, "Software\\ZEVA\\Velmora13VT\\CONFIGS", "GUIDE_MSG_0"), 10u);
    EXPECT_EQ(QueryText(reg, "Software\\ZEVA\\Velmora13VT\\CONFIGS", ""), "default");
    std::uint8_t blob[8];
    std::uint32_t size = sizeof blob, type = 0;
    ASSERT_EQ(reg.QueryValue("Software\\ZEVA\\Velmora13VT\\CONFIGS", "Blob", &type, blob, &size),
              platform::RegStatus::kOk);
    EXPECT_EQ(type, platform::kRegBinary);
    EXPECT_EQ(std::vector<std::uint8_t>(blob, blob + size), (std::vector<std::uint8_t>{1, 2, 3, 255}));
    size = sizeof blob;
    ASSERT_EQ(reg.QueryValue("Software\\ZEVA\\Velmora13VT\\CONFIGS", "Multi", &type, blob, &size),
              platform::RegStatus::kOk);
    EXPECT_EQ(type, platform::kRegMultiSz);
    EXPECT_EQ(size, 6u);
    // Keys named in the file exist without values, and so do their parents.
    EXPECT_TRUE(reg.OpenKey("software\\empty"));
    EXPECT_TRUE(reg.OpenKey("software\\ZEVA"));
    EXPECT_FALSE(reg.OpenKey("software\\ZEVA\\Velmora13"));
    EXPECT_FALSE(reg.OpenKey("software\\Emp"));
    EXPECT_TRUE(reg.LastError().empty());
  }
}

TEST(RegistryStore, QueryHonoursTheCallersByteLimit) {
  TempDir dir;
  platform::FileRegistry reg((dir.path() / "r.reg").string());
  ASSERT_TRUE(reg.CreateKey("k"));
  for (std::size_t chars : {129u, 130u}) {
    const std::string text(chars, 'x');
    std::vector<std::uint8_t> data;
    for (char c : text) data.insert(data.end(), {static_cast<std::uint8_t>(c), 0});
    data.insert(data.end(), {0, 0});
    ASSERT_TRUE(reg.SetValue("k", "v", platform::kRegSz, data.data(),
                             static_cast<std::uint32_t>(data.size())));
    std::uint8_t buf[260];
    std::uint32_t size = sizeof buf;
    const platform::RegStatus st = reg.QueryValue("k", "v", nullptr, buf, &size);
    if (chars == 129) {
      EXPECT_EQ(st, platform::RegStatus::kOk);
      EXPECT_EQ(size, 260u);
    } else {
      EXPECT_EQ(st, platform::RegStatus::kMoreData);
      EXPECT_EQ(size, 262u);
    }
  }
  std::uint32_t size = 4;
  std::uint8_t buf[4];
  EXPECT_EQ(reg.QueryValue("k", "missing", nullptr, buf, &size), platform::RegStatus::kNotFound);
  EXPECT_EQ(reg.QueryValue("nokey", "v", nullptr, buf, &size), platform::RegStatus::kNotFound);
}

TEST(RegistryStore, WritesEveryTypeSoThatItReadsBack) {
  TempDir dir;
  const std::string path = (dir.path() / "sub" / "r.reg").string();
  {
    platform::FileRegistry reg(path);
    ASSERT_TRUE(reg.CreateKey("Software\\A\\B"));
    const std::uint8_t dword[4] = {1, 0, 0, 0x80};
    const std::uint8_t odd[3] = {0x41, 0, 0};  // a REG_SZ the quoted form cannot carry
    std::vector<std::uint8_t> big(100);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_TRUE(reg.SetValue("software\\a\\b", "D", platform::kRegDword, dword, 4));
    ASSERT_TRUE(reg.SetValue("software\\a\\b", "Odd", platform::kRegSz, odd, 3));
    ASSERT_TRUE(reg.SetValue("software\\a\\b", "Big", platform::kRegBinary, big.data(), 100));
    ASSERT_TRUE(reg.SetValue("software\\a\\b", "Q\"\\", platform::kRegQword, big.data(), 8));
    ASSERT_TRUE(reg.SetValue("software\\a\\b", "", platform::kRegNone, nullptr, 0));
    // Setting again replaces, keeping the first spelling of the name.
    ASSERT_TRUE(reg.SetValue("software\\a\\b", "d", platform::kRegDword, dword, 4));
  }
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software]\n"), std::string::npos);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\A\\B]\n"), std::string::npos);
  EXPECT_NE(text.find("\"D\"=dword:80000001\n"), std::string::npos);
  EXPECT_EQ(text.find("\"d\"="), std::string::npos);
  EXPECT_NE(text.find("\"Odd\"=hex(1):41,00,00\n"), std::string::npos);
  EXPECT_NE(text.find("@=hex(0):\n"), std::string::npos);
  EXPECT_NE(text.find(",\\\n  "), std::string::npos);  // long lists are wrapped

  std::vector<platform::RegistryKey> keys;
  std::string error;
  ASSERT_TRUE(platform::ParseRegistryExport(text, &keys, &error)) << error;
  EXPECT_EQ(platform::FormatRegistryExport(keys), text);
  platform::FileRegistry again(path);
  std::uint8_t buf[128];
  std::uint32_t size = sizeof buf, type = 0;
  ASSERT_EQ(again.QueryValue("Software\\A\\B", "Big", &type, buf, &size), platform::RegStatus::kOk);
  ASSERT_EQ(size, 100u);
  for (std::size_t i = 0; i < 100; ++i) EXPECT_EQ(buf[i], static_cast<std::uint8_t>(i * 7));
  size = sizeof buf;
  ASSERT_EQ(again.QueryValue("Software\\A\\B", "q\"\\", &type, buf, &size), platform::RegStatus::kOk);
  EXPECT_EQ(type, platform::kRegQword);
}

TEST(RegistryStore, SetValueNeedsAnExistingKey) {
  TempDir dir;
  platform::FileRegistry reg((dir.path() / "r.reg").string());
  const std::uint8_t b[4] = {};
  EXPECT_FALSE(reg.SetValue("Software\\X", "v", platform::kRegDword, b, 4));
  EXPECT_FALSE(fs::exists(dir.path() / "r.reg"));
  EXPECT_FALSE(reg.CreateKey("Software\\\\X"));
  EXPECT_FALSE(reg.CreateKey(""));
}

TEST(RegistryStore, DeletionLinesOfAnExportAreApplied) {
  TempDir dir;
  WriteFile(dir.path() / "r.reg",
           "REGEDIT4\n[HKEY_CURRENT_USER\\A\\B]\n\"x\"=\"1\"\n\"y\"=\"2\"\n"
           "[HKEY_CURRENT_USER\\A\\B]\n\"x\"=-\n[HKEY_CURRENT_USER\\C\\D]\n[-HKEY_CURRENT_USER\\C]\n");
  platform::FileRegistry reg((dir.path() / "r.reg").string());
  EXPECT_EQ(QueryText(reg, "A\\B", "x"), "<none>");
  EXPECT_EQ(QueryText(reg, "A\\B", "y"), "2");
  EXPECT_FALSE(reg.OpenKey("C"));
}

TEST(RegistryStore, AnUnreadableStoreIsReportedAndNeverRewritten) {
  const char* bad[] = {
      "just some text\n",
      "Windows Registry Editor Version 5.00\n\"v\"=\"outside a key\"\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:123456789\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,zz\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,,02\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"v=\"x\"\n",
      "\xFF\xFE\x41",  // UTF-16 of odd length
  };
  for (const char* bytes : bad) {
    TempDir dir;
    const fs::path p = dir.path() / "r.reg";
    WriteFile(p, bytes);
    platform::FileRegistry reg(p.string());
    EXPECT_FALSE(reg.CreateKey("Software")) << bytes;
    EXPECT_FALSE(reg.LastError().empty());
    EXPECT_FALSE(reg.OpenKey("A"));
    std::uint8_t b[4];
    std::uint32_t size = 4;
    EXPECT_EQ(reg.QueryValue("A", "v", nullptr, b, &size), platform::RegStatus::kFailed);
    EXPECT_EQ(ReadFile(p), bytes);
  }
}

TEST(RegistryStore, AnEmptyOrMissingStoreIsAnEmptyRegistry) {
  TempDir dir;
  WriteFile(dir.path() / "empty.reg", "");
  platform::FileRegistry empty((dir.path() / "empty.reg").string());
  EXPECT_FALSE(empty.OpenKey("Software"));
  EXPECT_TRUE(empty.LastError().empty());
  platform::FileRegistry missing((dir.path() / "missing.reg").string());
  EXPECT_FALSE(missing.OpenKey("Software"));
  EXPECT_TRUE(missing.CreateKey("Software"));
  EXPECT_TRUE(fs::exists(dir.path() / "missing.reg"));
}

TEST(RegistryStore, ProcessesWritingAtOnceLoseNothing) {
  TempDir dir;
  const std::string path = (dir.path() / "r.reg").string();
  ASSERT_TRUE(platform::FileRegistry(path).CreateKey("K"));
  constexpr int kChildren = 3, kValues = 15;
  std::vector<pid_t> children;
  for (int c = 0; c < kChildren; ++c) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      platform::FileRegistry reg(path);
      bool ok = true;
      for (int v = 0; v < kValues; ++v) {
        const std::uint32_t value = static_cast<std::uint32_t>(c * 100 + v);
        ok &= reg.SetValue("K", "v" + std::to_string(c) + "_" + std::to_string(v),
                           platform::kRegDword, &value, 4);
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  platform::FileRegistry reg(path);
  for (int c = 0; c < kChildren; ++c)
    for (int v = 0; v < kValues; ++v)
      EXPECT_EQ(QueryDword(reg, "K", ("v" + std::to_string(c) + "_" + std::to_string(v)).c_str()),
                static_cast<std::uint32_t>(c * 100 + v));
  EXPECT_FALSE(fs::exists(path + ".new"));
}

TEST(RegistryStore, DefaultPathFollowsXdgConfigHome) {
  {
    kaocg_test::ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(platform::DefaultRegistryPath(), "/cfg/ZEVA/registry.reg");
  }
  kaocg_test::ScopedEnv config("XDG_CONFIG_HOME", "");
  kaocg_test::ScopedEnv home("HOME", "/home/u");
  EXPECT_EQ(platform::DefaultRegistryPath(), "/home/u/.config/ZEVA/registry.reg");
}

}  // namespace
