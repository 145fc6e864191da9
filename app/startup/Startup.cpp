#include "app/startup/Startup.h"

#include <cstdio>

#include "app/startup/Environment.h"
#include "facedata/Installation.h"
#include "platform/Display.h"
#include "platform/FileAttributes.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/WindowFinder.h"
#include "res/strings.h"

namespace kaocg {
namespace {

constexpr int kMinScreenWidth = 800;
constexpr int kMinScreenHeight = 600;

// 256 colours or fewer; a depth that cannot be told (0 or less) passes.
bool DisplayTooSmall(const platform::DisplayMetrics& m) {
  return (m.bitsPerPixel >= 1 && m.bitsPerPixel <= 8) || m.width < kMinScreenWidth ||
         m.height < kMinScreenHeight;
}

}  // namespace

bool LocateInstallation(StartupState& state, int* messageId) {
  // A store that cannot be read looks like a missing game to the checks;
  // its reason is kept so that the user learns the store is at fault.
  auto notInstalled = [&] {
    if (messageId) *messageId = res::IDS_NOT_INSTALLED;
    state.diagnostic = platform::Current().registry->StoreError();
    return false;
  };
  state.installedEdition = FindInstalledEdition();
  if (state.installedEdition == kEditionNone) return notInstalled();
  const std::string folder = ReadInstallFolder(IsExpansion(state.installedEdition));
  if (folder.empty()) return notInstalled();
  // The registry value carries its own trailing separator.
  state.dataFolder = folder + kDataFolderSuffix;
  state.userFolder = GetPersonalFolder() + kUserFolderSuffix;
  if (platform::Current().attributes->GetAttributes(state.userFolder) ==
      platform::kInvalidAttributes)
    CreateDirectoryPath(state.userFolder);  // a failure shows later, in the load
  return true;
}

bool InitInstance(IStartupHost& host, platform::IDisplay& display,
                  platform::IWindowFinder& windows, StartupState& state) {
  // 1. One editor at a time, machine-wide.
  state.editorMutex = CreateGlobalMutex(kEditorMutexName);
  if (!state.editorMutex) {
    if (!windows.ActivateWindowByTitle(kMainWindowTitle))
      host.ShowMessage(res::LoadString(res::IDS_IN_USE_BY_ANOTHER_USER));
    return false;
  }
  // 2. Not while the game runs; the editor never holds the game's mutex.
  if (!CreateGlobalMutex(kGameMutexName)) {
    host.ShowMessage(res::LoadString(res::IDS_GAME_RUNNING_AT_START));
    return false;
  }
  // 3, 4.
  host.InitCommonControls(kCommonControlFlags);
  if (!host.InitFramework()) {
    host.ShowMessage(res::LoadString(res::IDS_INIT_INSTANCE_FAILED));
    return false;
  }
  // 5.
  if (DisplayTooSmall(display.PrimaryScreen())) {
    host.ShowMessage(res::LoadString(res::IDS_DISPLAY_TOO_SMALL));
    return false;
  }
  // 6. The installed edition and the two folders.
  int messageId = 0;
  if (!LocateInstallation(state, &messageId)) {
    if (!state.diagnostic.empty())
      std::fprintf(stderr, "S13KaoCgEdit: registry store: %s\n", state.diagnostic.c_str());
    host.ShowMessage(res::LoadString(messageId));
    return false;
  }
  SetCurrentInstallation({state.installedEdition, state.dataFolder, state.userFolder});
  // 7, 8.
  if (!host.InitComponents()) {
    host.ShowMessage(res::LoadString(res::IDS_OLE_INIT_FAILED));
    return false;
  }
  host.EnableControlContainer();
  // 9, 10: the template, then the document, the frame and the view.
  if (!host.CreateDocumentTemplate()) return false;
  if (!host.ProcessCommandLine()) return false;
  // 11.
  host.ShowMainWindow(kMainWindowTitle);
  // 12.
  if (!host.HasCurrentDocument()) return false;
  if (!host.LoadDocument()) return false;
  return true;
}

}  // namespace kaocg
