#include "app/S13KaoCgEditApp.h"

namespace {
CS13KaoCgEditApp* g_app = nullptr;
}

CS13KaoCgEditApp::CS13KaoCgEditApp() { g_app = this; }

CS13KaoCgEditApp::~CS13KaoCgEditApp() {
  if (g_app == this) g_app = nullptr;
}

CS13KaoCgEditApp* CS13KaoCgEditApp::Instance() { return g_app; }
