// The environment of the commands that work on an installation: found as the
// editor finds it (registry store, documents folder), with options to
// override each part.
#pragma once

#include <string>

#include "tools/kaocgtool/Command.h"

namespace kaocgtool {

struct ToolEnvironment {
  int edition = -1;
  std::string dataFolder;
  std::string userFolder;
};

// The usage lines of the options below, for the commands' help texts.
extern const char kEnvironmentOptions[];

// Takes --data-folder DIR, --user-folder DIR and --edition base|expansion
// out of args (the rest stays, in order) and locates the installation,
// creating the user folder when missing, then makes it the process's current
// one. On failure prints the message (the start-up message the editor would
// show when the installation cannot be found) and returns false.
bool SetUpEnvironment(Args& args, ToolEnvironment* env);

}  // namespace kaocgtool
