// CS13KaoCgEditApp: the editor's one process-wide application object. It
// holds what every part of the editor asks for: the installed edition, the
// two folders, the current document, the list view and the open progress
// window.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class CS13KaoCgEditDoc;
class CS13KaoCgEditView;

class CS13KaoCgEditApp : public QObject {
  Q_OBJECT

 public:
  CS13KaoCgEditApp();
  ~CS13KaoCgEditApp() override;

  // The application object, or null before it is made.
  static CS13KaoCgEditApp* Instance();

  int InstalledEdition() const { return m_installedEdition; }
  bool IsExpansion() const { return m_installedEdition == 1; }
  const QString& DataFolder() const { return m_dataFolder; }
  const QString& UserFolder() const { return m_userFolder; }

  // Set once start-up has located the game.
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

 private:
  int m_installedEdition = -1;
  CS13KaoCgEditDoc* m_currentDocument = nullptr;
  CS13KaoCgEditView* m_listView = nullptr;
  QPointer<QWidget> m_progressWindow;
  QString m_dataFolder;
  QString m_userFolder;
  QPointer<QWidget> m_mainWindow;
};
