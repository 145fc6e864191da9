#include "app/S13KaoCgEditApp.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScreen>
#include <QTimer>

#include "app/MainFrame.h"
#include "app/PlainMessage.h"
#include "app/S13KaoCgEditDoc.h"
#include "app/startup/Environment.h"
#include "app/startup/Startup.h"
#include "facedata/Installation.h"
#include "platform/Mutex.h"
#include "ui/S13KaoCgEditView.h"

namespace {

CS13KaoCgEditApp* g_app = nullptr;

// One line each way: the question carries the title, the answer is "1" when
// this editor's main window has exactly that title (it then comes forward)
// and "0" otherwise.
constexpr char kAskPrefix[] = "ACTIVATE ";

}  // namespace

platform::DisplayMetrics CQtDisplay::PrimaryScreen() {
  platform::DisplayMetrics m;
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    m.bitsPerPixel = s->depth();
    m.width = s->geometry().width();
    m.height = s->geometry().height();
  }
  return m;
}

QString EditorSocketName() {
  return QDir(QString::fromStdString(platform::DefaultMutexFolder()))
      .filePath(QString::fromUtf8(kaocg::kGlobalMutexPrefix) + QString::fromUtf8(kaocg::kEditorMutexName) +
                QStringLiteral(".socket"));
}

bool CEditorWindowFinder::ActivateWindowByTitle(std::string_view title) {
  QLocalSocket socket;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QByteArray answer;
  bool failed = false;
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  QObject::connect(&socket, &QLocalSocket::connected, &loop, [&] {
    socket.write(QByteArray(kAskPrefix) + QByteArray(title.data(), static_cast<int>(title.size())) + '\n');
  });
  QObject::connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
    answer += socket.readAll();
    if (answer.contains('\n')) loop.quit();
  });
  QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, [&] {
    failed = true;
    loop.quit();
  });
  // The answer is awaited in a loop of its own, so that a running editor in
  // this same process (the tests) can answer as well.
  socket.connectToServer(EditorSocketName());
  timer.start(m_timeoutMs);
  if (!failed && !answer.contains('\n')) loop.exec();
  return !failed && answer.startsWith('1');
}

CS13KaoCgEditApp::CS13KaoCgEditApp() { g_app = this; }

CS13KaoCgEditApp::~CS13KaoCgEditApp() {
  // The windows go before the document, as the framework closes them.
  m_frame.reset();
  m_document.reset();
  if (g_app == this) g_app = nullptr;
}

CS13KaoCgEditApp* CS13KaoCgEditApp::Instance() { return g_app; }

bool CS13KaoCgEditApp::ListenForSecondStarts() {
  if (m_server) return true;
  m_server = new QLocalServer(this);
  // The editor mutex is held, so a socket left behind is a dead editor's.
  QLocalServer::removeServer(EditorSocketName());
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(EditorSocketName())) return false;
  connect(m_server, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = m_server->nextPendingConnection()) {
      connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
      connect(s, &QLocalSocket::readyRead, s, [this, s] {
        if (!s->canReadLine()) return;
        const QByteArray line = s->readLine(4096).trimmed();
        bool match = false;
        if (line.startsWith(kAskPrefix) && m_mainWindow) {
          const QString title = QString::fromUtf8(line.mid(int(sizeof(kAskPrefix)) - 1));
          match = m_mainWindow->windowTitle() == title;
          if (match) {
            QWidget* target = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                                : m_mainWindow.data();
            if (m_mainWindow->isMinimized()) m_mainWindow->showNormal();
            target->raise();
            target->activateWindow();
          }
        }
        s->write(match ? "1\n" : "0\n");
        s->flush();
      });
    }
  });
  return true;
}

void CS13KaoCgEditApp::CreateDocumentFrameAndView() {
  // The single-document order: the document (it makes itself current), then
  // the frame, then the view.
  m_document = std::make_unique<CS13KaoCgEditDoc>();
  m_frame = std::make_unique<CMainFrame>();
  auto* view = new CS13KaoCgEditView(m_frame.get());
  m_frame->setCentralWidget(view);
  m_frame->SetActiveDocument(m_document.get());
  view->SetDocument(m_document.get());
  view->SetFrame(m_frame.get());
  m_frame->SetCommandHandler([view](int id) { view->OnCommand(id); });
  view->OnInitialUpdate();
}

// The window system's side of the start-up sequence.
class CStartupHost : public kaocg::IStartupHost {
 public:
  explicit CStartupHost(CS13KaoCgEditApp& app) : m_app(app) {}

  void ShowMessage(std::string_view text) override {
    kaocg_ui::ShowPlainMessage(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
  }
  void InitCommonControls(unsigned) override {}
  bool InitFramework() override { return QApplication::instance() != nullptr; }
  bool InitComponents() override { return true; }
  void EnableControlContainer() override {}
  bool CreateDocumentTemplate() override { return true; }
  bool ProcessCommandLine() override {
    const kaocg::Installation& inst = kaocg::CurrentInstallation();
    m_app.SetEnvironment(inst.edition, QString::fromStdString(inst.dataFolder),
                         QString::fromStdString(inst.userFolder));
    m_app.CreateDocumentFrameAndView();
    m_app.ListenForSecondStarts();
    return true;
  }
  void ShowMainWindow(std::string_view title) override {
    CMainFrame* f = m_app.Frame();
    if (!f) return;
    f->setWindowTitle(QString::fromUtf8(title.data(), static_cast<int>(title.size())));
    f->show();
    // The window system maps a new window asynchronously: let it do so,
    // then paint at once, before the load keeps the event loop away.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    f->repaint();
  }
  bool HasCurrentDocument() override { return m_app.CurrentDocument() != nullptr; }
  bool LoadDocument() override {
    return m_app.CurrentDocument() && m_app.CurrentDocument()->LoadDocument();
  }

 private:
  CS13KaoCgEditApp& m_app;
};

bool CS13KaoCgEditApp::InitInstance() {
  CQtDisplay display;
  CEditorWindowFinder windows;
  return InitInstance(display, windows);
}

bool CS13KaoCgEditApp::InitInstance(platform::IDisplay& display, platform::IWindowFinder& windows) {
  m_state = std::make_unique<kaocg::StartupState>();
  CStartupHost host(*this);
  return kaocg::InitInstance(host, display, windows, *m_state);
}
