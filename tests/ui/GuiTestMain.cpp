// One main for the window tests: the application object exists before any
// test runs, on the offscreen platform unless a display was chosen.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "AppSetup.h"

int main(int argc, char** argv) {
  // Test discovery runs this binary without the test's environment.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The program's own application object, which stops what event handlers
  // fail with.
  TApplication App(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("Tavik Vadi Ver 1.0.0"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
