// CMainFrame: the editor's only top-level window, with the menu bar of
// commands, the status bar, the preview bar docked on the left and the
// officer list as its central widget. It keeps the title and the state of
// save and reset in step with the roster.
#pragma once

#include <QDialog>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

#include "app/startup/Environment.h"

class QAction;
class QLabel;
class QDockWidget;
class CCGDialogBar;

// Appended to the title while face assignments are unsaved.
inline constexpr const char* kModifiedMark = "(変更あり)";

// What the frame asks of the active document.
class IMainFrameDocument {
 public:
  virtual ~IMainFrameDocument() = default;
  virtual bool HasRoster() const = 0;
  virtual bool IsModified() const = 0;
  virtual bool DiffersFromDefault() const = 0;
  // Whether the main window may close now (asks the user when needed).
  virtual bool CanCloseFrame() = 0;
  // The close itself: releases what the document shares with the windows.
  virtual void OnCloseDocument() = 0;
};

// The title for a roster that is, or is not, modified.
QString ComposeMainTitle(bool modified);

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  void SetActiveDocument(IMainFrameDocument* doc) { m_document = doc; }
  IMainFrameDocument* ActiveDocument() const { return m_document; }

  // Enables save and reset from the roster and sets the title; does nothing
  // without a menu, a document or a roster.
  void RefreshTitleAndMenu();

  CCGDialogBar* PreviewBar() const { return m_previewBar; }
  QDockWidget* PreviewDock() const { return m_previewDock; }

  // The menu command of that id, or null.
  QAction* CommandAction(int id) const { return m_actions.value(id, nullptr); }
  // Text of the status bar's message pane.
  QString MessagePaneText() const;
  QLabel* IndicatorPane(int stringId) const { return m_indicators.value(stringId, nullptr); }

  // Where the commands the view handles go (set by the view); the version
  // dialog and exit are the frame's own.
  void SetCommandHandler(std::function<void(int)> handler) { m_commandHandler = std::move(handler); }

  // Whether a lock key is on; the window system offers no portable query,
  // so the panes ask this (a platform may install its own).
  static void SetLockKeyQuery(std::function<bool(int stringId)> query);
  void UpdateIndicators();

 signals:
  void commandTriggered(int id);

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void OnCommand(int id);
  void ShowPrompt(QAction* action);
  void ShowIdle();

  IMainFrameDocument* m_document = nullptr;
  CCGDialogBar* m_previewBar = nullptr;
  QDockWidget* m_previewDock = nullptr;
  QLabel* m_messagePane = nullptr;
  QHash<int, QLabel*> m_indicators;
  QHash<int, QAction*> m_actions;
  std::function<void(int)> m_commandHandler;
};

// The version dialog.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
