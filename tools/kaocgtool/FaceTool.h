// What the face commands share beyond the environment: the game-running
// check and the first-run copies of the editable archives.
#pragma once

#include "tools/kaocgtool/ToolEnvironment.h"

namespace kaocgtool {

// The editor's game-running check; 0, or 1 after message 421.
int CheckGameNotRunningForTool();

// Copies the editable archives into the user folder when they are missing,
// as the editor's first run does. 0, or 1 after message 429.
int PrepareUserArchives(const ToolEnvironment& env);

}  // namespace kaocgtool
