#include "app/PlainMessage.h"

#include <QMessageBox>

#include "app/DialogTemplate.h"
#include "app/S13KaoCgEditApp.h"
#include "res/strings.h"

namespace kaocg_ui {
namespace {

std::function<void(const QString&)>& Handler() {
  static std::function<void(const QString&)> handler;
  return handler;
}

}  // namespace

void ShowPlainMessage(const QString& text) {
  if (Handler()) {
    Handler()(text);
    return;
  }
  CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
  QMessageBox box(QMessageBox::NoIcon, LoadQString(res::IDS_APP_TITLE), text, QMessageBox::Ok,
                  app ? app->MainWindow() : nullptr);
  box.exec();
}

void SetPlainMessageHandler(std::function<void(const QString&)> handler) {
  Handler() = std::move(handler);
}

}  // namespace kaocg_ui
