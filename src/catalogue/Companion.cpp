#include "catalogue/Companion.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "catalogue/RegistryVariables.h"
#include "catalogue/SettingsStore.h"

namespace nimbrel::catalogue {

namespace {

TSettingsKey CompanionKey() {
  return TSettingsKey(TSettingsRoot::srCurrentUser, CompanionKeyPath().toStdString());
}

TSettingsKey AppPathsKey() {
  return TSettingsKey(SettingsRoot, CompanyKeyPath(QString::fromLatin1(kAppPaths)).toStdString());
}

}  // namespace

QString CompanionKeyPath() {
  return CompanyKeyPath(QString::fromLatin1(kCompanionProgram));
}

QString ReadCompanionText(const QString& valueName) {
  try {
    const TSettingsKey key = CompanionKey();
    if (!key.Exists()) return {};
    const std::optional<std::string> text = key.Read().Text(valueName.toStdString());
    return text ? QString::fromStdString(*text) : QString();
  } catch (...) {
    return {};
  }
}

std::int32_t ReadCompanionInteger(const QString& valueName) {
  try {
    const TSettingsKey key = CompanionKey();
    if (!key.Exists()) return 0;
    return key.Read().Integer(valueName.toStdString()).value_or(0);
  } catch (...) {
    return 0;
  }
}

void RegisterProgramPath() {
  try {
    const std::string name = ExecutableBaseName().toStdString();
    const std::string path = ExecutablePath().toStdString();
    AppPathsKey().Update([&](TSettingsValues& values) {
      if (values.Text(name) == path) return false;  // already there: spare the disk a write
      values.SetText(name, path);
      return true;
    });
  } catch (...) {
    // The companion then does not find us; nothing is reported.
  }
}

QString ReadProgramPath(const QString& programBaseName) {
  try {
    const TSettingsKey key = AppPathsKey();
    if (!key.Exists() || !key.FullAccess()) return {};
    const std::optional<std::string> path = key.Read().Text(programBaseName.toStdString());
    return path ? QString::fromStdString(*path) : QString();
  } catch (...) {
    return {};
  }
}

QString ActiveListValueName(int bank) {
  switch (bank) {
    case 0:
      return QStringLiteral("ActiveList");
    case 1:
      return QStringLiteral("ActiveList1");
    case 2:
      return QStringLiteral("ActiveList2");
    default:
      return {};
  }
}

std::optional<float> ReadLocationReal(QStringView field, const QLocale& locale) {
  QString text = field.trimmed().toString();
  const QString separator = locale.decimalPoint();
  if (!separator.isEmpty() && separator != QLatin1String(".")) text.replace(separator, QLatin1String("."));
  if (text.startsWith(QLatin1Char('+'))) {
    text.remove(0, 1);
    if (text.startsWith(QLatin1Char('-'))) return std::nullopt;
  }
  const QByteArray bytes = text.toUtf8();
  double value = 0.0;
  const auto [end, ec] = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
  if (ec != std::errc() || end != bytes.constData() + bytes.size()) return std::nullopt;
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(value);
}

double ReadLocationHeightM(QStringView field, const QLocale& locale) {
  const std::optional<float> height = ReadLocationReal(field, locale);
  if (!height || *height < -1000.0f || *height > 100000.0f) return 0.0;
  return *height;
}

}  // namespace nimbrel::catalogue
