#include "FormTestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>

#include "app/ClockPanel.h"
#include "catalogue/Companion.h"
#include "catalogue/RegistryVariables.h"
#include "catalogue/SettingsStore.h"

namespace nimbrel::app::testing {

namespace {

using catalogue::TSettingsKey;
using catalogue::TSettingsRoot;
using catalogue::TSettingsValues;

TSettingsKey CompanionKey() {
  return TSettingsKey(TSettingsRoot::srCurrentUser, catalogue::CompanionKeyPath().toStdString());
}
TSettingsKey OwnKey() {
  return TSettingsKey(catalogue::SettingsRoot,
                      catalogue::CompanyKeyPath(catalogue::ExecutableBaseName()).toStdString());
}

// A two-line set with a correct checksum on both lines.
QByteArray Checksummed(QByteArray line) {
  int sum = 0;
  for (char c : line.left(68)) {
    if (c >= '0' && c <= '9') sum += c - '0';
    if (c == '-') sum += 1;
  }
  return line.left(68) + QByteArray::number(sum % 10);
}

QByteArray Set(const QByteArray& name, int number, double raan) {
  const QByteArray n = QByteArray::number(number);
  QByteArray line1 = "1 " + n + "U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844";
  QByteArray line2 = "2 " + n + " 051.6458 " + QByteArray::number(raan, 'f', 4).rightJustified(8, '0') +
                     " 0010909 112.4787 338.3202 15.73745284407269";
  return name + "\n" + Checksummed(line1) + "\n" + Checksummed(line2) + "\n";
}

}  // namespace

bool WindowPlatform() {
  return QGuiApplication::platformName() != QLatin1String("offscreen");
}

TSandbox::TSandbox() {
  oldHome_ = qgetenv("XDG_CONFIG_HOME");
  oldDirs_ = qgetenv("XDG_CONFIG_DIRS");
  oldDataHome_ = qgetenv("XDG_DATA_HOME");
  oldCurrent_ = QDir::currentPath();
  qputenv("XDG_CONFIG_HOME", user_.path().toLocal8Bit());
  qputenv("XDG_CONFIG_DIRS", machine_.path().toLocal8Bit());
  // The default data folder is the work folder, so that a test's files there are the Kepler data.
  qputenv("XDG_DATA_HOME", dataHome_.path().toLocal8Bit());
  QDir(dataHome_.path()).mkpath(QStringLiteral("NimbrelGL"));
  QFile::link(work_.path(), dataHome_.filePath(QStringLiteral("NimbrelGL/kepler")));
  QDir(work_.path()).mkpath(QStringLiteral("bin"));
  QDir::setCurrent(work_.path());
}

TSandbox::~TSandbox() {
  QDir::setCurrent(oldCurrent_);
  qputenv("XDG_CONFIG_HOME", oldHome_);
  qputenv("XDG_CONFIG_DIRS", oldDirs_);
  qputenv("XDG_DATA_HOME", oldDataHome_);
}

void TSandbox::WriteFile(const QString& name, const QByteArray& content) const {
  QFile file(Path(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
  file.write(content);
}

void TSandbox::CompanionText(const char* name, const QString& value) const {
  ASSERT_TRUE(CompanionKey().Update([&](TSettingsValues& values) {
    values.SetText(name, value.toStdString());
    return true;
  }));
}

void TSandbox::CompanionInteger(const char* name, std::int32_t value) const {
  ASSERT_TRUE(CompanionKey().Update([&](TSettingsValues& values) {
    values.SetInteger(name, value);
    return true;
  }));
}

void TSandbox::OwnInteger(const char* name, std::int32_t value) const {
  ASSERT_TRUE(OwnKey().Update([&](TSettingsValues& values) {
    values.SetInteger(name, value);
    return true;
  }));
}

std::optional<std::int32_t> TSandbox::StoredOwnInteger(const char* name) const {
  return OwnKey().Read().Integer(name);
}

std::unique_ptr<TForm3Dview> TSandbox::Open(
    const QStringList& arguments, std::function<std::chrono::steady_clock::time_point()> steadyNow) {
  TFormOptions options;
  options.steadyNow = std::move(steadyNow);
  options.utcNow = utcNow;
  options.arguments = arguments;
  options.executableFolder = ExecutableFolder();
  options.sink = &sink;
  options.accessibilityActive = accessibilityActive;
  auto window = std::make_unique<TForm3Dview>(options);
  window->show();
  QCoreApplication::processEvents();
  window->ClockPanel->TimerStep->stop();
  return window;
}

QByteArray TenSatellites() {
  QByteArray text;
  for (int i = 1; i <= 10; ++i) {
    text += Set("SAT" + QByteArray::number(i).rightJustified(2, '0'), 90000 + i, 10.0 * i);
  }
  return text;
}

QByteArray IssOnly() {
  return Set("ISS (ZARYA)", 25544, 312.4823);
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done()) loop.quit();
  });
  poll.start(5);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

}  // namespace nimbrel::app::testing
