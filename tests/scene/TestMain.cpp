// The scene suite's main: rendering tests need an OpenGL context that shares its display lists and
// textures with every other context of the program, as the program's own main() arranges, and the
// viewer tests a QApplication for the widget.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests (done at build time, maybe without a display) must not need a window system.
  bool listing = false;
  for (int i = 1; i < argc; ++i) listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
  std::unique_ptr<QApplication> app;
  if (!listing) {
    // The suite draws only off screen. The offscreen platform still reaches the X server's OpenGL when
    // there is one (under xvfb-run), and spares us the xcb keyboard set-up, whose string handling inside
    // libxkbcommon the sanitizer build reports. Without a display the rendering tests skip themselves.
    // A run asked onto the X server (the widget tests) without one falls back too, and its widget
    // tests skip themselves.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || (std::strcmp(platform, "xcb") == 0 && !std::getenv("DISPLAY"))) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // One run goes without sharing, to take the path of a context that goes with its lists.
    if (!std::getenv("NIMBREL_TEST_NO_CONTEXT_SHARING"))
      QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    app = std::make_unique<QApplication>(argc, argv);
  }
  const int result = RUN_ALL_TESTS();
  // The application is left to the end of the process: destroying it unloads Mesa's driver, whose few
  // start-up allocations would then show as leaks in a library the leak checker can no longer name.
  (void)app.release();
  return result;
}
