#include "app/S13KaoCgEditDoc.h"

#include <clocale>
#include <new>

#include "app/DialogTemplate.h"
#include "app/MessageDlg.h"
#include "app/PlainMessage.h"
#include "app/ProgressWindow.h"
#include "app/S13KaoCgEditApp.h"
#include "app/startup/Environment.h"
#include "facedata/Bushou.h"
#include "facedata/EditableArchives.h"
#include "facedata/Installation.h"
#include "res/strings.h"
#include "ui/S13KaoCgEditView.h"
#include "ui/ThumbnailList.h"

CS13KaoCgEditDoc::CS13KaoCgEditDoc()
    : m_listFont(kaocg_ui::MakeListFont()), m_nameFont(kaocg_ui::MakeNameFont()) {
  if (CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance()) app->SetCurrentDocument(this);
  // The Japanese locale of a Windows build; here the user's UTF-8 one, since
  // every text of the editor is UTF-8 or UTF-16 already.
  std::setlocale(LC_ALL, "");
}

CS13KaoCgEditDoc::~CS13KaoCgEditDoc() {
  CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
  if (app && app->CurrentDocument() == this) app->SetCurrentDocument(nullptr);
}

void CS13KaoCgEditDoc::AdoptRoster(std::unique_ptr<bushou_manager> roster) {
  m_roster = std::move(roster);
}

bool CS13KaoCgEditDoc::IsModified() const { return m_roster && m_roster->IsModified(); }
bool CS13KaoCgEditDoc::DiffersFromDefault() const {
  return m_roster && m_roster->DiffersFromDefault();
}

bool CS13KaoCgEditDoc::LoadDocument() {
  CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
  if (!app) return false;
  auto step = [app] { StepProgressWindow(*app); };
  app->SetProgressWindow(CreateProgressWindow(app->MainWindow(),
                                              kaocg_ui::LoadQString(res::IDS_LOADING), 43));
  step();

  const kaocg::Installation& inst = kaocg::CurrentInstallation();
  const kaocg_func::PrepareResult prepared = kaocg_func::PrepareEditableArchives(
      inst.userFolder, inst.dataFolder,
      [](std::string_view path) { return kaocg::CreateDirectoryPath(path); }, step);
  if (prepared != kaocg_func::PrepareResult::kOk) {
    // The progress window stays until the program ends.
    kaocg_ui::ShowPlainMessage(kaocg_ui::LoadQString(res::IDS_FACE_DATA_MISSING));
    return false;
  }

  m_roster.reset(new (std::nothrow) bushou_manager());
  if (!m_roster) {
    kaocg_ui::ShowPlainMessage(QString::fromUtf8(kRosterCreateError));
    return false;
  }
  m_roster->Init();
  // A missing or unreadable ID archive leaves the default faces, unreported.
  m_roster->LoadFaces(inst.userFolder);
  step();

  BuildThumbnails(kaocg_ui::GetThumbnailList());
  if (CS13KaoCgEditView* view = app->ListView()) view->FillOfficerList();
  CloseProgressWindow(*app);
  return true;
}

bool CS13KaoCgEditDoc::SaveDocument() {
  if (m_roster && m_roster->SaveFaces(kaocg::CurrentInstallation().userFolder)) {
    CMessageDlg dlg(0, kaocg_ui::LoadQString(res::IDS_SAVE_DONE), false);
    dlg.DoModal();
    return true;
  }
  CMessageDlg dlg(0, kaocg_ui::LoadQString(res::IDS_SAVE_FAILED), false);
  dlg.DoModal();
  return false;
}

bool CS13KaoCgEditDoc::CanCloseFrame() {
  if (!m_roster || !m_roster->IsModified()) return true;
  int text = res::IDS_CLOSE_GAME_RUNNING;
  if (platform::MutexHandle game = kaocg::CreateGlobalMutex(kaocg::kGameMutexName))
    text = res::IDS_CLOSE_UNSAVED;  // closed again here: the game may start later
  CMessageDlg dlg(1, kaocg_ui::LoadQString(text), false);
  return dlg.DoModal() != 2;
}

void CS13KaoCgEditDoc::OnCloseDocument() {
  kaocg_ui::GetThumbnailList().Destroy();
  m_fontsReleased = true;
}
