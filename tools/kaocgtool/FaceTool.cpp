#include "tools/kaocgtool/FaceTool.h"

#include "app/startup/Environment.h"
#include "facedata/EditableArchives.h"
#include "res/strings.h"

namespace kaocgtool {

int CheckGameNotRunningForTool() {
  int shown = 0;
  if (kaocg::CheckGameNotRunning([&](int id) { shown = id; })) return 0;
  return Fail(res::LoadString(shown ? shown : res::IDS_GAME_RUNNING));
}

int PrepareUserArchives(const ToolEnvironment& env) {
  const kaocg_func::PrepareResult r = kaocg_func::PrepareEditableArchives(
      env.userFolder, env.dataFolder, [](std::string_view path) { return kaocg::CreateDirectoryPath(path); });
  if (r != kaocg_func::PrepareResult::kOk) return Fail(res::LoadString(res::IDS_FACE_DATA_MISSING));
  return 0;
}

}  // namespace kaocgtool
