// The installation the process works on: the installed edition and the two
// folders. Start-up (or the command-line tool) sets it once the game is
// located; every edition-dependent table and path of the face data reads it.
#pragma once

#include <string>

namespace kaocg {

inline constexpr int kEditionNone = -1;
inline constexpr int kEditionBase = 0;
inline constexpr int kEditionExpansion = 1;

struct Installation {
  int edition = kEditionNone;  // -1 none, 0 base game, 1 expansion edition
  std::string dataFolder;      // the game's folder + "grp\"
  std::string userFolder;      // the documents folder + "ZEVA\Velmora13\"
};

const Installation& CurrentInstallation();
void SetCurrentInstallation(const Installation& installation);

// Every edition-dependent choice asks only whether the expansion is
// installed; any other value counts as the base game.
inline bool IsExpansion(int edition) { return edition == kEditionExpansion; }
inline bool ExpansionInstalled() { return IsExpansion(CurrentInstallation().edition); }

}  // namespace kaocg
