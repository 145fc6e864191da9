#include "app/ProgressWindow.h"

#include <QApplication>

#include <algorithm>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QWidget>

#include "app/DialogTemplate.h"
#include "app/S13KaoCgEditApp.h"
#include "app/S13KaoCgEditDoc.h"

namespace {

// The window class of a Windows build is registered while a window exists;
// the open window stands for it here, so that at most one exists.
QPointer<QWidget> g_open;
int g_lastClosedPosition = -1;

class CProgressWnd : public QWidget {
 public:
  explicit CProgressWnd(QWidget* parent)
      : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("ZEVA_S13KAOPROGRESSDLG"));
    setAttribute(Qt::WA_DeleteOnClose);
    const res::DlgTemplate* t = res::FindDialogTemplate(res::IDD_PROGRESS);
    m_controls = kaocg_ui::CreateTemplateControls(this, *t);
    // A popup with a modal frame and no caption: a dialog frame and border
    // around the template's client area.
    setFixedSize(kaocg_ui::DluToPixelsX(*t, t->cx), kaocg_ui::DluToPixelsY(*t, t->cy));
    setAutoFillBackground(true);
  }

  // What the window does for its (second) initialisation: takes the list
  // font of the document for itself and all its children.
  void InitFonts() {
    CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
    CS13KaoCgEditDoc* doc = app ? app->CurrentDocument() : nullptr;
    const QFont f = doc ? doc->ListFont() : kaocg_ui::MakeListFont();
    setFont(f);
    for (QWidget* w : findChildren<QWidget*>()) w->setFont(f);
  }

  QLabel* Text() const { return static_cast<QLabel*>(m_controls.value(res::IDC_PROGRESS_TEXT)); }
  QProgressBar* Bar() const {
    return static_cast<QProgressBar*>(m_controls.value(res::IDC_PROGRESS_BAR));
  }

 protected:
  void showEvent(QShowEvent* e) override {
    QWidget::showEvent(e);
    kaocg_ui::CenterOverWindow(this, parentWidget() ? parentWidget()->window() : nullptr);
  }

 private:
  kaocg_ui::ControlMap m_controls;
};

CProgressWnd* AsProgress(QWidget* w) { return dynamic_cast<CProgressWnd*>(w); }

void Paint(QWidget* w) {
  w->show();
  w->activateWindow();
  w->setFocus();
  // Repaints now: the load runs without returning to the event loop.
  w->repaint();
  for (QWidget* c : w->findChildren<QWidget*>()) c->repaint();
}

}  // namespace

QWidget* CreateProgressWindow(QWidget* parent, const QString& text, int range) {
  if (g_open) {
    if (g_open->isMinimized()) g_open->showNormal();
    g_open->raise();
    g_open->activateWindow();
    return g_open;
  }
  auto* w = new CProgressWnd(parent);
  w->InitFonts();
  w->Text()->setText(text);
  w->Bar()->setRange(0, range);
  w->Bar()->setValue(0);
  g_open = w;
  w->show();
  // Mapped once here; from then on each step repaints it directly.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  Paint(w);
  return w;
}

void StepProgressWindow(CS13KaoCgEditApp& app) {
  CProgressWnd* w = AsProgress(app.ProgressWindow());
  if (!w) return;
  QProgressBar* bar = w->Bar();
  // A bar never goes past its maximum, however many steps it is given.
  bar->setValue(std::min(bar->value() + 1, bar->maximum()));
  Paint(w);
}

void CloseProgressWindow(CS13KaoCgEditApp& app) {
  QWidget* w = app.ProgressWindow();
  if (!w) return;
  if (QProgressBar* bar = ProgressWindowBar(w)) g_lastClosedPosition = bar->value();
  w->close();  // deletes itself
  if (g_open == w) g_open = nullptr;
  app.SetProgressWindow(nullptr);
}

int LastClosedProgressPosition() { return g_lastClosedPosition; }

QWidget* FindProgressWindow() { return g_open; }
QLabel* ProgressWindowText(QWidget* w) {
  CProgressWnd* p = AsProgress(w);
  return p ? p->Text() : nullptr;
}
QProgressBar* ProgressWindowBar(QWidget* w) {
  CProgressWnd* p = AsProgress(w);
  return p ? p->Bar() : nullptr;
}
