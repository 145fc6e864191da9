// CS13KaoCgEditDoc: the editor's single document. It owns the officer
// roster and the two fonts that the windows share, loads all face data at
// start-up (with the first-run copies of the editable archives), saves the
// assignments and decides whether the editor may close with unsaved changes.
#pragma once

#include <QFont>
#include <QObject>

#include <memory>

#include "app/MainFrame.h"

class bushou_manager;

class CS13KaoCgEditDoc : public QObject, public IMainFrameDocument {
  Q_OBJECT

 public:
  CS13KaoCgEditDoc();
  ~CS13KaoCgEditDoc() override;

  const QFont& ListFont() const { return m_listFont; }
  const QFont& NameFont() const { return m_nameFont; }
  bool FontsReleased() const { return m_fontsReleased; }

  bushou_manager* Roster() const { return m_roster.get(); }
  // Gives the document a roster loaded elsewhere (the tests).
  void AdoptRoster(std::unique_ptr<bushou_manager> roster);

  // The start-up load under the progress window (43 steps); false ends the
  // program, after its message.
  bool LoadDocument();
  // Writes the assignments and tells the user how it went.
  bool SaveDocument();

  // IMainFrameDocument
  bool HasRoster() const override { return m_roster != nullptr; }
  bool IsModified() const override;
  bool DiffersFromDefault() const override;
  bool CanCloseFrame() override;
  void OnCloseDocument() override;

  int lastCategoryPosition = 0;

 private:
  std::unique_ptr<bushou_manager> m_roster;
  QFont m_listFont;
  QFont m_nameFont;
  bool m_fontsReleased = false;
};

// Shown when the roster cannot be made; it has no string id.
inline constexpr const char* kRosterCreateError = "Create error. [bushoumanager]";
