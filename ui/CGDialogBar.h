// CCGDialogBar: the bar docked on the left of the main window that shows the
// last picked officer's name and three faces, each at its stored size.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <array>

#include "app/DialogTemplate.h"

class QLabel;
class bushou;

class CCGDialogBar : public QWidget {
  Q_OBJECT

 public:
  explicit CCGDialogBar(QWidget* parent = nullptr);
  ~CCGDialogBar() override;

  // Shows one officer, or clears the bar for none.
  void ShowOfficerFaces(bushou* officer);

  // The display side of ShowOfficerFaces: the name line in the given font
  // and the large, medium and small pictures (a null pixmap shows none).
  void ShowFaces(const QString& name, const QFont& nameFont,
                 const std::array<QPixmap, 3>& largeMediumSmall);
  void Clear();

  QString NameText() const;
  QFont NameFont() const;
  // The picture held for size 0 small, 1 medium, 2 large.
  const QPixmap& Face(int size) const { return m_faces[size]; }
  QLabel* Control(int id) const;

 private:
  void SetPicture(int controlId, const QPixmap& p);

  // Small, medium, large, owned by the bar.
  std::array<QPixmap, 3> m_faces;
  kaocg_ui::ControlMap m_controls;
};
