// A complete, realistic installation of either edition, made from nothing:
// the shipped and editable face archives with portraits drawn by the program,
// the registry store naming the installation, and an empty documents folder,
// so that the editor and the tool run on it as on the game's own.
#pragma once

#include <cstdint>
#include <string>

namespace kaocgtool {

struct DemoInstallOptions {
  std::string dir;           // created when missing; its old archives are replaced
  int edition = 1;           // 0 base game, 1 expansion edition
  int shippedFaces = -1;     // portraits for this many faces of each shipped archive; -1 all
};

struct DemoInstallResult {
  std::string gameFolder;    // DIR/game/, the registry's "InstallInfo"
  std::string homeFolder;    // DIR/home
  std::string registryPath;  // the registry store inside DIR/home
  std::string environment;   // the one setting that makes the programs use DIR
  std::uint64_t bytesWritten = 0;
};

// False with a one-line reason in *error.
bool BuildDemoInstallation(const DemoInstallOptions& options, DemoInstallResult* result, std::string* error);

// The face number a slot of a shipped archive shows (the lowest face number
// that maps to it), or -1 when no face number leads to it.
int ShippedSlotFaceNumber(int edition, std::uint32_t slot);

}  // namespace kaocgtool
