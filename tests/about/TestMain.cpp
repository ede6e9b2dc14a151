// The About box tests create widgets, so they need a QApplication. They grab widgets into images
// rather than reading the screen, so Qt's off-screen platform serves under an X server too, and a
// busy or vanishing display cannot fail a test.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
