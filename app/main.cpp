// S13KaoCgEdit: the face portrait editor.
#include <QApplication>

#include "app/DialogTemplate.h"
#include "app/S13KaoCgEditApp.h"

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("S13KaoCgEdit"));
  kaocg_ui::InstallFontSubstitutions();
  CS13KaoCgEditApp app;
  if (!app.InitInstance()) return 0;
  return QApplication::exec();
}
