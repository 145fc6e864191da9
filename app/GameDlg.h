// CGameDlg: the base of the editor's fixed-size dialogs. Controls are placed
// from a pixel table, the window has a fixed size, and the user can drag the
// dialog by any point of its client area.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "app/DialogTemplate.h"

class QWidget;

// One row of a pixel layout table; a table ends with the id -1.
struct GameDlgLayoutEntry {
  int id;
  QRect rect;  // x, y, width, height in pixels, window coordinates
};

class CGameDlg : public QDialog {
  Q_OBJECT

 public:
  // style: the Win32 window style bits of the template (caption, frames),
  // which the pixel layout compensates for.
  explicit CGameDlg(QWidget* parent = nullptr, unsigned style = kaocg_ui::kStyleCaption);
  ~CGameDlg() override;

  // Runs the dialog modally and returns its result code.
  virtual int DoModal();
  // Shows the dialog without a modal loop.
  void Create();

  // The widget made for a control id, or null.
  QWidget* GetDlgItem(int id) const;

  int LayoutWidth() const { return m_width; }
  int LayoutHeight() const { return m_height; }
  bool IsDragging() const { return m_dragging != 0; }
  bool IsModal() const { return m_modal != 0; }
  unsigned Style() const { return m_style; }

  // Ends a running drag (what a Win32 window does on WM_CANCELMODE).
  void CancelMode();

 protected:
  virtual void OnEraseBackground() {}
  virtual const GameDlgLayoutEntry* GetLayoutTable() const = 0;
  virtual bool UsesLayout() const { return true; }
  virtual void ApplyLayout();
  virtual void AdjustLayoutRect(QRect& r) const;
  virtual bool GetToolTipText() const { return true; }

  virtual bool OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  // Window size in pixels, frame included, as the layouts compute it.
  void SetLayoutSize(int width, int height) {
    m_width = width;
    m_height = height;
  }
  // Resizes the window to width x height (frames included), keeping its
  // top-left corner.
  void ResizeWindow(int width, int height);
  // Moves the window so that its frame's top-left corner is at (x, y) and
  // gives it width x height (frames included).
  void MoveWindow(int x, int y, int width, int height);

  void AddControls(const kaocg_ui::ControlMap& controls);

  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void reject() override;
  void accept() override;

 private:
  void InitDialog();

  int m_width = 800;
  int m_height = 600;
  int m_dragX = 0;
  int m_dragY = 0;
  int m_dragging = 0;
  int m_modal = 0;
  unsigned m_style;
  bool m_inLayout = false;
  QSize m_layoutSize;
  kaocg_ui::ControlMap m_controls;
};
