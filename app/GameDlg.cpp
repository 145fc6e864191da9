#include "app/GameDlg.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWidget>

CGameDlg::CGameDlg(QWidget* parent, unsigned style) : QDialog(parent), m_style(style) {
  // The dialogs carry no system menu: the close box would be a way out that
  // bypasses the result codes.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint |
                 ((style & kaocg_ui::kStyleCaption) ? Qt::WindowTitleHint : Qt::FramelessWindowHint));
}

CGameDlg::~CGameDlg() = default;

int CGameDlg::DoModal() {
  m_modal = 1;
  InitDialog();
  return exec();
}

void CGameDlg::Create() {
  InitDialog();
  show();
}

void CGameDlg::InitDialog() { OnInitDialog(); }

QWidget* CGameDlg::GetDlgItem(int id) const { return m_controls.value(id, nullptr); }

void CGameDlg::AddControls(const kaocg_ui::ControlMap& controls) {
  for (auto it = controls.begin(); it != controls.end(); ++it) m_controls.insert(it.key(), it.value());
}

bool CGameDlg::OnInitDialog() {
  if (UsesLayout()) ApplyLayout();
  if (m_modal) kaocg_ui::CenterOverWindow(this, parentWidget());
  return true;
}

void CGameDlg::AdjustLayoutRect(QRect& r) const { r.translate(-112, -84); }

void CGameDlg::ApplyLayout() {
  if (m_inLayout) return;
  m_inLayout = true;
  if (const GameDlgLayoutEntry* e = GetLayoutTable()) {
    const int top = kaocg_ui::NonClientTop(m_style);
    for (; e->id != -1; ++e) {
      QWidget* w = GetDlgItem(e->id);
      if (!w) continue;
      QRect r = e->rect;
      AdjustLayoutRect(r);
      r.translate(0, -top);
      w->setGeometry(r);
    }
  }
  ResizeWindow(m_width, m_height);
  update();
  m_inLayout = false;
}

void CGameDlg::ResizeWindow(int width, int height) {
  m_layoutSize = QSize(width - kaocg_ui::NonClientWidth(m_style), height - kaocg_ui::NonClientHeight(m_style));
  setFixedSize(m_layoutSize);
}

void CGameDlg::MoveWindow(int x, int y, int width, int height) {
  ResizeWindow(width, height);
  move(x, y);
}

void CGameDlg::OnOK() {
  if (m_modal)
    QDialog::done(QDialog::Accepted);
  else
    close();
}

void CGameDlg::OnCancel() {
  if (m_modal)
    QDialog::done(QDialog::Rejected);
  else
    close();
}

void CGameDlg::accept() { OnOK(); }
void CGameDlg::reject() { OnCancel(); }

void CGameDlg::keyPressEvent(QKeyEvent* e) {
  if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) {
    switch (e->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        OnOK();
        return;
      case Qt::Key_Escape:
        OnCancel();
        return;
      default:
        break;
    }
  }
  QDialog::keyPressEvent(e);
}

void CGameDlg::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && e->buttons() == Qt::LeftButton &&
      e->modifiers() == Qt::NoModifier && !m_dragging) {
    m_dragging = 1;
    const QPoint p = e->position().toPoint();
    m_dragX = p.x();
    m_dragY = p.y();
    grabMouse();
    return;
  }
  QDialog::mousePressEvent(e);
}

void CGameDlg::mouseMoveEvent(QMouseEvent* e) {
  if (m_dragging) {
    const QPoint p = e->position().toPoint();
    move(pos() + QPoint(p.x() - m_dragX, p.y() - m_dragY));
    return;
  }
  QDialog::mouseMoveEvent(e);
}

void CGameDlg::mouseReleaseEvent(QMouseEvent* e) {
  if (m_dragging) {
    CancelMode();
    return;
  }
  QDialog::mouseReleaseEvent(e);
}

void CGameDlg::CancelMode() {
  if (m_dragging) releaseMouse();
  m_dragging = 0;
  m_dragX = 0;
  m_dragY = 0;
}

void CGameDlg::hideEvent(QHideEvent* e) {
  CancelMode();
  QDialog::hideEvent(e);
}

void CGameDlg::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  // Only a size that the layout did not set itself calls for a new layout;
  // the resize that showing a window delivers is the layout's own.
  if (!isMinimized() && !m_inLayout && e->size() != m_layoutSize) ApplyLayout();
}
