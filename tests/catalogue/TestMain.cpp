// Widget tests need a QApplication. The same executable also serves as the child process of the
// multi-process settings tests.

#include <gtest/gtest.h>

#include <QApplication>

#include "SettingsTestSupport.h"

int main(int argc, char** argv) {
  if (const int helperExit = nimbrel::catalogue::testing::RunSettingsTestHelper(argc, argv);
      helperExit >= 0) {
    return helperExit;
  }
  // These tests read no pixels, so they run offscreen even under an X server: that keeps them
  // independent of the display and of the X keyboard library, which trips ASan's strict string
  // checks while the application starts. QT_QPA_PLATFORM set by the caller still wins.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
