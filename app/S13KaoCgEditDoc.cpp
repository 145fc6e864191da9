#include "app/S13KaoCgEditDoc.h"

#include "app/DialogTemplate.h"
#include "app/S13KaoCgEditApp.h"

CS13KaoCgEditDoc::CS13KaoCgEditDoc()
    : m_listFont(kaocg_ui::MakeListFont()), m_nameFont(kaocg_ui::MakeNameFont()) {
  if (CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance()) app->SetCurrentDocument(this);
}

CS13KaoCgEditDoc::~CS13KaoCgEditDoc() {
  CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
  if (app && app->CurrentDocument() == this) app->SetCurrentDocument(nullptr);
}
