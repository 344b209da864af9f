// One main for the window tests: the application object exists before any
// test runs, on the offscreen platform unless a display was chosen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "AppSetup.h"

int main(int argc, char** argv) {
  // Test discovery runs this binary without the test's environment.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Without a session (a build machine, CI) Qt would note at every start
  // that it has no runtime folder; a private one for this run keeps the
  // build's and the tests' output clean.
  std::unique_ptr<QTemporaryDir> RuntimeDir;
  if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
    RuntimeDir = std::make_unique<QTemporaryDir>();
    if (RuntimeDir->isValid()) ::setenv("XDG_RUNTIME_DIR", RuntimeDir->path().toLocal8Bit().constData(), 1);
  }
  // The program's own application object, which stops what event handlers
  // fail with.
  TApplication App(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
