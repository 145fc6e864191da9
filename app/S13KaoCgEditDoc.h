// CS13KaoCgEditDoc: the editor's single document. It owns the officer
// roster and the two fonts that the windows share, and loads, saves and
// guards the face data as a whole.
#pragma once

#include <QFont>
#include <QObject>

class CS13KaoCgEditDoc : public QObject {
  Q_OBJECT

 public:
  CS13KaoCgEditDoc();
  ~CS13KaoCgEditDoc() override;

  const QFont& ListFont() const { return m_listFont; }
  const QFont& NameFont() const { return m_nameFont; }

  int lastCategoryPosition = 0;

 private:
  QFont m_listFont;
  QFont m_nameFont;
};
