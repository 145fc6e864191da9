#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

#include <algorithm>

#include "app/DialogTemplate.h"
#include "app/S13KaoCgEditApp.h"
#include "res/strings.h"
#include "res/templates.h"
#include "ui/CGDialogBar.h"

namespace {

// The status bar's prompt for each command (string ids equal command ids).
struct CommandPrompt {
  int command;
  int prompt;
};
constexpr CommandPrompt kPrompts[] = {
    {res::ID_IMPORT_PICTURE, res::IDS_PROMPT_IMPORT_PICTURE},
    {res::ID_CHANGE_FACE, res::IDS_PROMPT_CHANGE_FACE},
    {res::ID_FILE_SAVE, res::IDS_PROMPT_FILE_SAVE},
    {res::ID_RESET_ALL, res::IDS_PROMPT_RESET_ALL},
    {res::ID_FIND_OFFICER, res::IDS_PROMPT_FIND_OFFICER},
    {res::ID_APP_ABOUT, res::IDS_PROMPT_APP_ABOUT},
    {res::ID_APP_EXIT, res::IDS_PROMPT_APP_EXIT},
};

constexpr int kIndicators[] = {res::IDS_INDICATOR_CAPS, res::IDS_INDICATOR_NUM,
                               res::IDS_INDICATOR_SCRL};

int PromptOf(int command) {
  for (const CommandPrompt& p : kPrompts)
    if (p.command == command) return p.prompt;
  return 0;
}

std::function<bool(int)>& LockKeyQuery() {
  static std::function<bool(int)> query = [](int) { return false; };
  return query;
}

// The main frame's window is an overlapped window: caption and sizing frame.
constexpr unsigned kFrameStyle = kaocg_ui::kStyleCaption | kaocg_ui::kStyleThickFrame;

}  // namespace

QString ComposeMainTitle(bool modified) {
  QString t = QString::fromUtf8(kaocg::kMainWindowTitle);
  if (modified) t += QString::fromUtf8(kModifiedMark);
  return t;
}

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QString::fromUtf8(kaocg::kMainWindowTitle));
  setWindowIcon(QApplication::windowIcon());

  // Menu 300: every item is a command of its own.
  QMenuBar* bar = menuBar();
  for (const res::MenuItem& item : res::MainMenu()) {
    QAction* a = bar->addAction(QString::fromUtf8(item.text));
    a->setData(item.command);
    a->setStatusTip(kaocg_ui::LoadQString(PromptOf(item.command)));
    const int id = item.command;
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(id, a);
  }
  // Of the accelerators only Ctrl+S leads to a command of the editor's own.
  m_actions.value(res::ID_FILE_SAVE)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  m_actions.value(res::ID_FILE_SAVE)->setShortcutContext(Qt::WindowShortcut);
  connect(bar, &QMenuBar::hovered, this, &CMainFrame::ShowPrompt);
  bar->installEventFilter(this);

  // Status bar: the message pane, then CAP, NUM and SCRL.
  QStatusBar* status = statusBar();
  status->setObjectName(QStringLiteral("59393"));
  status->setSizeGripEnabled(true);
  m_messagePane = new QLabel(status);
  status->addWidget(m_messagePane, 1);
  for (int id : kIndicators) {
    auto* pane = new QLabel(status);
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    pane->setAlignment(Qt::AlignCenter);
    const QString text = kaocg_ui::LoadQString(id);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) + 8);
    status->addPermanentWidget(pane);
    m_indicators.insert(id, pane);
  }
  ShowIdle();
  UpdateIndicators();
  qApp->installEventFilter(this);

  // The preview bar, docked on the left.
  m_previewBar = new CCGDialogBar();
  m_previewDock = new QDockWidget(this);
  m_previewDock->setObjectName(QStringLiteral("208"));
  m_previewDock->setWidget(m_previewBar);
  m_previewDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  m_previewDock->setAllowedAreas(Qt::AllDockWidgetAreas);
  m_previewDock->setWindowTitle(QString());
  addDockWidget(Qt::LeftDockWidgetArea, m_previewDock);

  // 800 x 600 at start, never smaller than 400 x 600 (window sizes with
  // their frame).
  const int ncw = kaocg_ui::NonClientWidth(kFrameStyle);
  const int nch = kaocg_ui::NonClientHeight(kFrameStyle);
  setMinimumSize(400 - ncw, 600 - nch);
  resize(800 - ncw, 600 - nch);

  if (CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance()) app->SetMainWindow(this);
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
}

void CMainFrame::RefreshTitleAndMenu() {
  if (!menuBar() || m_actions.isEmpty()) return;
  if (!m_document || !m_document->HasRoster()) return;
  const bool m = m_document->IsModified();
  const bool d = m_document->DiffersFromDefault();
  m_actions.value(res::ID_FILE_SAVE)->setEnabled(m);
  m_actions.value(res::ID_RESET_ALL)->setEnabled(d);
  setWindowTitle(ComposeMainTitle(m));
  menuBar()->update();
}

QString CMainFrame::MessagePaneText() const { return m_messagePane->text(); }

void CMainFrame::SetLockKeyQuery(std::function<bool(int)> query) {
  LockKeyQuery() = std::move(query);
}

void CMainFrame::UpdateIndicators() {
  for (auto it = m_indicators.begin(); it != m_indicators.end(); ++it)
    it.value()->setText(LockKeyQuery()(it.key()) ? kaocg_ui::LoadQString(it.key()) : QString());
}

void CMainFrame::ShowPrompt(QAction* action) {
  if (action) m_messagePane->setText(action->statusTip());
}

void CMainFrame::ShowIdle() { m_messagePane->setText(kaocg_ui::LoadQString(res::IDS_READY)); }

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
  if (watched == menuBar() && e->type() == QEvent::Leave) ShowIdle();
  if (e->type() == QEvent::KeyRelease) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_CapsLock || k->key() == Qt::Key_NumLock || k->key() == Qt::Key_ScrollLock)
      UpdateIndicators();
  }
  return QMainWindow::eventFilter(watched, e);
}

void CMainFrame::OnCommand(int id) {
  ShowIdle();
  switch (id) {
    case res::ID_APP_ABOUT: {
      CAboutDlg dlg(this);
      dlg.exec();
      break;
    }
    case res::ID_APP_EXIT:
      close();
      break;
    default:
      if (m_commandHandler) m_commandHandler(id);
      break;
  }
  emit commandTriggered(id);
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  if (m_document && !m_document->CanCloseFrame()) {
    e->ignore();
    return;
  }
  if (m_document) m_document->OnCloseDocument();
  e->accept();
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  const res::DlgTemplate* t = res::FindDialogTemplate(res::IDD_ABOUTBOX);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromUtf8(t->caption));
  setFont(kaocg_ui::TemplateFont(*t));
  const kaocg_ui::ControlMap controls = kaocg_ui::CreateTemplateControls(this, *t);
  int width = kaocg_ui::DluToPixelsX(*t, t->cx);
  if (auto* ok = qobject_cast<QPushButton*>(controls.value(res::IDOK))) {
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
    // The installed font is wider than the template's: the texts get the
    // room they need and the button moves right by as much.
    int overflow = 0;
    for (QLabel* l : findChildren<QLabel*>()) {
      if (l->text().isEmpty()) continue;
      l->resize(std::max(l->width(), l->sizeHint().width()), l->height());
      overflow = std::max(overflow, l->geometry().right() + 8 - ok->x());
    }
    if (overflow > 0) {
      ok->move(ok->x() + overflow, ok->y());
      width += overflow;
    }
  }
  setFixedSize(width, kaocg_ui::DluToPixelsY(*t, t->cy));
}
