// The main view suite's main: window tests need a QApplication, rendering tests an OpenGL context that
// shares its display lists and textures with every other context of the program, as the program's own
// main() arranges.

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
    // The offscreen platform still reaches Mesa through the X server under xvfb-run, and keeps the
    // tests off the xcb keyboard code that the sanitizer build reports; no window ever shows.
    // The window tests run once more on the X server (app_window_on_xcb); without a display such a
    // run falls back too, and they skip themselves.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || (std::strcmp(platform, "xcb") == 0 && !std::getenv("DISPLAY"))) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    app = std::make_unique<QApplication>(argc, argv);
  }
  const int result = RUN_ALL_TESTS();
  // Left to the end of the process: destroying it unloads Mesa, whose start-up allocations would then
  // show as leaks in a library the leak checker can no longer name.
  (void)app.release();
  return result;
}
