// The editor's environment: the named mutexes, the installed edition and the
// folders found through the registry, and the settings store. Every function
// works through platform::Current().
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Mutex.h"

namespace kaocg {

inline constexpr char kEditorMutexName[] = "ZEVA_VELM13_KAOCG_MUTEX";
inline constexpr char kGameMutexName[] = "ZEVA_VELMORA_13_MUTEX";
inline constexpr char kGlobalMutexPrefix[] = "Global\\";
inline constexpr char kMainWindowTitle[] = "『セルヴァリン』 顔変更エディタ";
inline constexpr char kDataFolderSuffix[] = "grp\\";
inline constexpr char kUserFolderSuffix[] = "ZEVA\\Velmora13\\";
inline constexpr char kSettingsKey[] = "SOFTWARE\\ZEVA\\VELMORA13VT\\CONFIGS";
inline constexpr char kGuideMessage0[] = "GUIDE_MSG_0";
inline constexpr char kGuideMessage1[] = "GUIDE_MSG_1";
inline constexpr std::uint32_t kCommonControlFlags = 0xFF;

// Creates the mutex "Global\" + name. Null when it cannot be created (also
// when the full name exceeds 255 characters) or when it exists already; the
// caller owns a handle it gets.
platform::MutexHandle CreateGlobalMutex(std::string_view name);

// The game-running check of the import, save and reset commands: true when
// the game's mutex could be created (it is closed again at once); otherwise
// notify(IDS_GAME_RUNNING) shows the message and the result is false.
bool CheckGameNotRunning(const std::function<void(int stringId)>& notify);

// -1 when neither edition's key exists, 0 for the base game, 1 when the
// expansion's key exists. Creates "software\ZEVA" when missing.
int FindInstalledEdition();

// The installation folder of the edition, empty when not found. Creates the
// keys down to "Install" when missing.
std::string ReadInstallFolder(bool expansion);

// The user's documents folder, ending in a separator.
std::string GetPersonalFolder();

// Creates every missing folder of path up to its last separator; false when
// the path is longer than 260 characters or a creation fails.
bool CreateDirectoryPath(std::string_view path);

// A 32-bit value of the settings key; 0 when the key or the value is missing.
std::uint32_t ReadSetting(std::string_view name);
// Sets a 32-bit value of the settings key, which must exist already.
bool WriteSetting(std::string_view name, std::uint32_t value);

}  // namespace kaocg
