#pragma once
// A main window in a sandbox: settings roots and the working folder in temporary folders, messages
// recorded, the companion's values written as a test needs them.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>

#include "app/Form3Dview.h"
#include "app/MessageSink.h"
#include "orbit/OrbitTime.h"

// Failure messages show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace nimbrel::app::testing {

// The window's OpenGL view needs a platform that composes OpenGL widgets (xcb): the window tests
// skip themselves on the off-screen one.
bool WindowPlatform();
#define NIMBREL_NEED_WINDOW_PLATFORM()                                        \
  if (!::nimbrel::app::testing::WindowPlatform()) {                           \
    GTEST_SKIP() << "the main window needs a windowing platform such as xcb"; \
  }

// Serves events until `done` holds or `timeoutMs` has passed; says whether it holds.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

// A fixture for window tests: skipped where the window cannot be shown.
class TWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { NIMBREL_NEED_WINDOW_PLATFORM(); }
};

class TSandbox {
 public:
  TSandbox();
  ~TSandbox();
  TSandbox(const TSandbox&) = delete;
  TSandbox& operator=(const TSandbox&) = delete;

  QString Path(const QString& name) const { return work_.filePath(name); }
  // A folder standing in for the executable's own, one level below the work folder.
  QString ExecutableFolder() const { return work_.filePath(QStringLiteral("bin")); }
  void WriteFile(const QString& name, const QByteArray& content) const;

  void CompanionText(const char* name, const QString& value) const;
  void CompanionInteger(const char* name, std::int32_t value) const;
  void OwnInteger(const char* name, std::int32_t value) const;
  std::optional<std::int32_t> StoredOwnInteger(const char* name) const;

  // The window, created and shown; the step timer is left to the test. steadyNow, when given, is the
  // real time its smooth clock runs by.
  std::unique_ptr<TForm3Dview> Open(const QStringList& arguments = {},
                                    std::function<std::chrono::steady_clock::time_point()> steadyNow = {});

  TRecordingSink sink;
  // Handed to the window as TFormOptions::accessibilityActive.
  std::function<bool()> accessibilityActive;
  // The windows' UTC clock (the step clock's "RT" and the Station page); empty: the system's.
  std::function<orbit::TDateTime()> utcNow;

 private:
  QTemporaryDir user_;
  QTemporaryDir machine_;
  QTemporaryDir work_;
  QTemporaryDir dataHome_;
  QByteArray oldHome_;
  QByteArray oldDataHome_;
  QByteArray oldDirs_;
  QString oldCurrent_;
};

// Ten two-line sets with names SAT01 to SAT10 and numbers 90001 to 90010, then the ISS.
QByteArray TenSatellites();
QByteArray IssOnly();

}  // namespace nimbrel::app::testing
