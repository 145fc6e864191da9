#include "tools/kaocgtool/ToolEnvironment.h"

#include "app/startup/Environment.h"
#include "facedata/Installation.h"
#include "platform/FileAttributes.h"
#include "platform/Path.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "res/strings.h"

namespace kaocgtool {
namespace {

// The start-up message, with the registry store's own trouble when it is
// the cause.
bool NotInstalled() {
  std::string message = res::LoadString(res::IDS_NOT_INSTALLED);
  const std::string why = platform::Current().registry->StoreError();
  if (!why.empty()) message += " (registry store: " + why + ")";
  Fail(message);
  return false;
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && !platform::IsSeparator(folder.back())) folder += '/';
  return folder;
}

}  // namespace

const char kEnvironmentOptions[] =
    "  --edition base|expansion  the edition (default: from the registry store)\n"
    "  --data-folder DIR         the game's grp folder (default: from the registry store)\n"
    "  --user-folder DIR         the editor's user folder (default: the documents\n"
    "                            folder + ZEVA/Velmora13/)\n";

bool SetUpEnvironment(Args& args, ToolEnvironment* env) {
  std::string edition, dataFolder, userFolder;
  Args rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string* target = a == "--edition"       ? &edition
                          : a == "--data-folder" ? &dataFolder
                          : a == "--user-folder" ? &userFolder
                                                 : nullptr;
    if (!target) {
      rest.push_back(a);
      continue;
    }
    if (i + 1 >= args.size() || args[i + 1].empty()) {
      Fail(a + " needs a value");
      return false;
    }
    *target = args[++i];
  }
  args = rest;

  if (edition == "base") {
    env->edition = kaocg::kEditionBase;
  } else if (edition == "expansion") {
    env->edition = kaocg::kEditionExpansion;
  } else if (!edition.empty()) {
    Fail("--edition is base or expansion, not '" + edition + "'");
    return false;
  } else {
    env->edition = kaocg::FindInstalledEdition();
    if (env->edition == kaocg::kEditionNone) return NotInstalled();
  }
  if (!dataFolder.empty()) {
    env->dataFolder = WithSeparator(dataFolder);
  } else {
    const std::string folder = kaocg::ReadInstallFolder(kaocg::IsExpansion(env->edition));
    if (folder.empty()) return NotInstalled();
    env->dataFolder = folder + kaocg::kDataFolderSuffix;
  }
  env->userFolder = userFolder.empty() ? kaocg::GetPersonalFolder() + kaocg::kUserFolderSuffix
                                       : WithSeparator(userFolder);
  if (platform::Current().attributes->GetAttributes(env->userFolder) ==
      platform::kInvalidAttributes)
    kaocg::CreateDirectoryPath(env->userFolder);
  kaocg::SetCurrentInstallation({env->edition, env->dataFolder, env->userFolder});
  return true;
}

}  // namespace kaocgtool
