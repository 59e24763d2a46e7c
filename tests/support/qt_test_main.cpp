// The test programs of the window layer and the application: one QApplication for the whole run
// (offscreen unless a platform is chosen), and the runtime reset before and after each test.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "reset_runtime.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetRuntimeEach);
  return RUN_ALL_TESTS();
}
