// The editor's start-up sequence, told as an ordered list of checks over
// small interfaces so that it runs and is tested apart from the window
// system. The window side implements IStartupHost (and the display and
// window-finder interfaces of platform/).
#pragma once

#include <string>
#include <string_view>

#include "platform/Mutex.h"

namespace platform {
class IDisplay;
class IWindowFinder;
}  // namespace platform

namespace kaocg {

// What start-up needs of the application framework. Each step is named by
// its place in the sequence (see InitInstance).
class IStartupHost {
 public:
  virtual ~IStartupHost() = default;

  // A plain message box: caption the application's title (string 57344),
  // one OK button, UTF-8 text.
  virtual void ShowMessage(std::string_view text) = 0;
  // Registers the common controls (flags kCommonControlFlags).
  virtual void InitCommonControls(unsigned flags) = 0;
  // The framework's own application initialisation.
  virtual bool InitFramework() = 0;
  // Component (OLE) initialisation.
  virtual bool InitComponents() = 0;
  virtual void EnableControlContainer() = 0;
  // Creates and registers the single-document template.
  virtual bool CreateDocumentTemplate() = 0;
  // Processes the command line: normally a new document, which creates the
  // document (it registers itself as the current document), then the main
  // frame and the view.
  virtual bool ProcessCommandLine() = 0;
  // Sets the main window's title, shows it and paints it at once.
  virtual void ShowMainWindow(std::string_view title) = 0;
  virtual bool HasCurrentDocument() = 0;
  // The document's load; it shows its own messages.
  virtual bool LoadDocument() = 0;
};

// What start-up leaves to the application object.
struct StartupState {
  // Held for the life of the process: it marks the running editor.
  platform::MutexHandle editorMutex;
  int installedEdition = -1;
  std::string dataFolder;
  std::string userFolder;
  // When the game could not be located because the registry store is
  // unusable: why, for a diagnostic beside the message (start-up also
  // writes it to standard error).
  std::string diagnostic;
};

// The start-up sequence. True enters the message loop; false ends the
// program. On reaching the document steps the installation is also made the
// process's current one (kaocg::SetCurrentInstallation).
bool InitInstance(IStartupHost& host, platform::IDisplay& display,
                  platform::IWindowFinder& windows, StartupState& state);

// Locates the game as start-up does (edition, installation folder, the two
// folders, the user folder created when missing). On failure *messageId is
// the string id start-up would show (IDS_NOT_INSTALLED). For the tool, which
// has no window.
bool LocateInstallation(StartupState& state, int* messageId);

}  // namespace kaocg
