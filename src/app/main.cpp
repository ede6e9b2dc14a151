// NimbrelGL: one window with the globe and the satellites on it, or, with --snapshot, one picture of
// it written without a window.

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QStringList>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "about/About.h"
#include "app/Form3Dview.h"
#include "app/Snapshot.h"
#include "catalogue/RegistryVariables.h"

namespace {

// Divisions by zero and invalid operations give infinities and NaNs quietly for the whole run; the
// orbit and scene code deal with those values themselves.
void MaskFloatingPointExceptions() {
#if defined(__GLIBC__)
  fedisableexcept(FE_ALL_EXCEPT);
#endif
  std::feclearexcept(FE_ALL_EXCEPT);
}

bool HasOption(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  MaskFloatingPointExceptions();
  // Answered before Qt starts, so that it needs no display.
  if (HasOption(argc, argv, "--version")) {
    std::printf("NimbrelGL %s\n", NIMBREL_VERSION);
    return 0;
  }
  const bool snapshot = HasOption(argc, argv, "--snapshot");
  // Without any display the picture is still made, through Mesa on Qt's off-screen platform.
  if (snapshot && !std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
      !std::getenv("WAYLAND_DISPLAY")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  // Every OpenGL context of the program shares display lists and textures with the others.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // Never destroyed: that would unload the OpenGL driver before the process ends, and the driver's
  // start-up allocations would then look like leaks of a library nobody can name any more.
  auto* application = new QApplication(argc, argv);
  (void)application;
  nimbrel::catalogue::ApplyBranding(QCoreApplication::applicationFilePath());
  // Lets Wayland desktops match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(NIMBREL_DESKTOP_ID));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/nimbrel/nimbrelgl.png")));

  QStringList arguments = QCoreApplication::arguments();
  if (!arguments.isEmpty()) arguments.removeFirst();
  nimbrel::app::TCommandLine commandLine;
  try {
    commandLine = nimbrel::app::ParseCommandLine(arguments);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "NimbrelGL: %s\n", e.what());
    return 2;
  }
  if (commandLine.snapshot) return nimbrel::app::RunSnapshot(*commandLine.snapshot, commandLine.arguments);

  std::unique_ptr<nimbrel::about::TAboutBoxCVN1> aboutBox;
  nimbrel::app::TFormOptions options;
  options.arguments = commandLine.arguments;
  options.showAbout = [&aboutBox] {
    if (aboutBox) aboutBox->exec();
  };
  nimbrel::app::TForm3Dview window(options);
  aboutBox = std::make_unique<nimbrel::about::TAboutBoxCVN1>();
  window.show();
  const int result = QApplication::exec();
  aboutBox.reset();
  return result;
}
