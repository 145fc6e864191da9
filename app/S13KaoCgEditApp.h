// CS13KaoCgEditApp: the editor's one process-wide application object. It
// runs the start-up sequence with the window system's side of it, and holds
// what every part of the editor asks for: the installed edition, the two
// folders, the current document, the list view and the open progress window.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <string_view>

#include "platform/Display.h"
#include "platform/WindowFinder.h"

class QLocalServer;
class CS13KaoCgEditDoc;
class CS13KaoCgEditView;
class CMainFrame;

namespace kaocg {
class IStartupHost;
struct StartupState;
}  // namespace kaocg

// The primary screen as Qt reports it.
class CQtDisplay : public platform::IDisplay {
 public:
  platform::DisplayMetrics PrimaryScreen() override;
};

// Finds the running editor by asking it over the local socket of its
// editor mutex whether its main window has exactly that title; the running
// editor then brings itself forward.
class CEditorWindowFinder : public platform::IWindowFinder {
 public:
  // timeoutMs: how long to wait for the running editor's answer.
  explicit CEditorWindowFinder(int timeoutMs = 3000) : m_timeoutMs(timeoutMs) {}
  bool ActivateWindowByTitle(std::string_view title) override;

 private:
  int m_timeoutMs;
};

// Where the running editor listens: beside the editor's mutex.
QString EditorSocketName();

class CS13KaoCgEditApp : public QObject {
  Q_OBJECT

 public:
  CS13KaoCgEditApp();
  ~CS13KaoCgEditApp() override;

  // The application object, or null before it is made.
  static CS13KaoCgEditApp* Instance();

  // The start-up sequence with the given display and window finder (the Qt
  // ones by default). True: enter the event loop.
  bool InitInstance();
  bool InitInstance(platform::IDisplay& display, platform::IWindowFinder& windows);

  int InstalledEdition() const { return m_installedEdition; }
  bool IsExpansion() const { return m_installedEdition == 1; }
  const QString& DataFolder() const { return m_dataFolder; }
  const QString& UserFolder() const { return m_userFolder; }

  void SetEnvironment(int edition, const QString& dataFolder, const QString& userFolder) {
    m_installedEdition = edition;
    m_dataFolder = dataFolder;
    m_userFolder = userFolder;
  }

  CS13KaoCgEditDoc* CurrentDocument() const { return m_currentDocument; }
  void SetCurrentDocument(CS13KaoCgEditDoc* doc) { m_currentDocument = doc; }
  CS13KaoCgEditView* ListView() const { return m_listView; }
  void SetListView(CS13KaoCgEditView* view) { m_listView = view; }

  QWidget* ProgressWindow() const { return m_progressWindow; }
  void SetProgressWindow(QWidget* w) { m_progressWindow = w; }

  QWidget* MainWindow() const { return m_mainWindow; }
  void SetMainWindow(QWidget* w) { m_mainWindow = w; }
  CMainFrame* Frame() const { return m_frame.get(); }

  // Answers a second start's question over the local socket (made once the
  // editor mutex is held).
  bool ListenForSecondStarts();

  // The single-document order of start-up: the document, the frame, the
  // view, tied together.
  void CreateDocumentFrameAndView();

 private:

  int m_installedEdition = -1;
  CS13KaoCgEditDoc* m_currentDocument = nullptr;
  CS13KaoCgEditView* m_listView = nullptr;
  QPointer<QWidget> m_progressWindow;
  QString m_dataFolder;
  QString m_userFolder;
  QPointer<QWidget> m_mainWindow;

  std::unique_ptr<kaocg::StartupState> m_state;
  std::unique_ptr<CS13KaoCgEditDoc> m_document;
  std::unique_ptr<CMainFrame> m_frame;
  QLocalServer* m_server = nullptr;
};
