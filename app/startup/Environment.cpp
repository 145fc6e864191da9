#include "app/startup/Environment.h"

#include <cstring>

#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"
#include "platform/PersonalFolder.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/Text.h"
#include "res/strings.h"

namespace kaocg {
namespace {

constexpr std::size_t kMutexNameBuffer = 256;    // wide characters, NUL included
constexpr std::size_t kInstallFolderBuffer = 260;  // wide characters
constexpr std::uint32_t kInstallInfoLimit = 260;   // bytes
constexpr std::size_t kMaxDirectoryPath = 260;

constexpr char kSoftwareKey[] = "software";
constexpr char kZevaKey[] = "software\\ZEVA";
constexpr char kBaseEditionKey[] = "software\\ZEVA\\Velmora13";
constexpr char kExpansionEditionKey[] = "software\\ZEVA\\Velmora13VT";
constexpr char kInstallSubKey[] = "\\Install";
constexpr char kInstallValue[] = "InstallInfo";

}  // namespace

platform::MutexHandle CreateGlobalMutex(std::string_view name) {
  const std::string full = std::string(kGlobalMutexPrefix) + std::string(name);
  if (platform::Utf16Length(full) + 1 > kMutexNameBuffer) return nullptr;
  return platform::Current().mutexes->Create(full);
}

bool CheckGameNotRunning(const std::function<void(int stringId)>& notify) {
  if (CreateGlobalMutex(kGameMutexName)) return true;  // closed again at once
  if (notify) notify(res::IDS_GAME_RUNNING);
  return false;
}

int FindInstalledEdition() {
  platform::IRegistry& reg = *platform::Current().registry;
  if (!reg.CreateKey(kSoftwareKey) || !reg.CreateKey(kZevaKey)) return -1;
  int result = -1;
  if (reg.OpenKey(kBaseEditionKey)) result = 0;
  if (reg.OpenKey(kExpansionEditionKey)) result = 1;
  return result;
}

std::string ReadInstallFolder(bool expansion) {
  platform::IRegistry& reg = *platform::Current().registry;
  const std::string edition = expansion ? kExpansionEditionKey : kBaseEditionKey;
  const std::string install = edition + kInstallSubKey;
  for (const std::string& key : {std::string(kSoftwareKey), std::string(kZevaKey), edition, install})
    if (!reg.CreateKey(key)) return {};
  // The value is read as UTF-16 text whatever its type, into a 260-byte
  // limit: at most 129 characters and the terminator.
  char16_t buffer[kInstallFolderBuffer] = {};
  std::uint32_t size = kInstallInfoLimit;
  if (reg.QueryValue(install, kInstallValue, nullptr, buffer, &size) != platform::RegStatus::kOk)
    return {};
  std::u16string_view text(buffer, kInstallFolderBuffer);
  text = text.substr(0, std::min(text.find(u'\0'), text.size()));
  return platform::Utf16ToUtf8(text);
}

std::string GetPersonalFolder() {
  std::string folder = platform::Current().personalFolder->GetPersonalFolder();
  if (!folder.empty() && !platform::IsSeparator(folder.back())) folder += '/';
  return folder;
}

bool CreateDirectoryPath(std::string_view path) {
  if (platform::Utf16Length(path) > kMaxDirectoryPath) return false;
  const platform::Services& sys = platform::Current();
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (!platform::IsSeparator(path[i])) continue;
    const std::string_view prefix = path.substr(0, i + 1);
    if (sys.attributes->GetAttributes(prefix) != platform::kInvalidAttributes) continue;
    if (!sys.files->CreateDirectory(prefix)) return false;
  }
  return true;
}

std::uint32_t ReadSetting(std::string_view name) {
  platform::IRegistry& reg = *platform::Current().registry;
  if (!reg.OpenKey(kSettingsKey)) return 0;
  unsigned char bytes[4] = {};
  std::uint32_t size = sizeof bytes;
  if (reg.QueryValue(kSettingsKey, name, nullptr, bytes, &size) != platform::RegStatus::kOk)
    return 0;
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

bool WriteSetting(std::string_view name, std::uint32_t value) {
  platform::IRegistry& reg = *platform::Current().registry;
  if (!reg.OpenKey(kSettingsKey)) return false;
  const unsigned char bytes[4] = {static_cast<unsigned char>(value),
                                  static_cast<unsigned char>(value >> 8),
                                  static_cast<unsigned char>(value >> 16),
                                  static_cast<unsigned char>(value >> 24)};
  return reg.SetValue(kSettingsKey, name, platform::kRegDword, bytes, sizeof bytes);
}

}  // namespace kaocg
