// The widget tests' program: Qt's offscreen platform unless another is asked
// for, and the one application object every test shares.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char* argv[]) {
  // Also when CTest lists the tests at build time, where there is no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir runtimeDir;
  setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 0);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
