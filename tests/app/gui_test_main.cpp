// Test main for the GUI tests: Qt's offscreen platform and a private
// runtime folder are chosen before the application object exists, since the
// binary also runs at build time to list its tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

#include "app/DialogTemplate.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::string runtime = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                        "/kaocg-gui-tests-XXXXXX";
  if (mkdtemp(runtime.data())) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  kaocg_ui::InstallFontSubstitutions();
  const int rc = RUN_ALL_TESTS();
  QDir(QString::fromStdString(runtime)).removeRecursively();
  return rc;
}
