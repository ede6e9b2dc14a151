#include "catalogue/RegistryVariables.h"

#include <QCoreApplication>

namespace nimbrel::catalogue {

QString CompanyKey = QString::fromLatin1(kDefaultCompanyKey);
TSettingsRoot SettingsRoot = TSettingsRoot::srCurrentUser;

namespace {

// Set once by ApplyBranding, with the branding it decides.
QString gExecutablePath;

QString FileNameOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? path : path.mid(slash + 1);
}

QString UpperAsciiLetters(QString s) {
  for (QChar& c : s) {
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
  }
  return s;
}

}  // namespace

void ApplyBranding(const QString& executablePath) {
  gExecutablePath = executablePath;
  const QString upper = UpperAsciiLetters(FileNameOf(executablePath));
  const bool alternative = upper == QLatin1String("ZELVARTH.EXE") || upper == QLatin1String("ZELVARTH");
  CompanyKey = QString::fromLatin1(alternative ? kAlternativeCompanyKey : kDefaultCompanyKey);
  SettingsRoot = alternative ? TSettingsRoot::srLocalMachine : TSettingsRoot::srCurrentUser;
}

QString ExecutablePath() {
  if (!gExecutablePath.isEmpty() || QCoreApplication::instance() == nullptr) return gExecutablePath;
  return QCoreApplication::applicationFilePath();
}

QString ExecutableBaseName() {
  QString name = FileNameOf(ExecutablePath());
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  return name;
}

QString CompanyKeyPath(const QString& name) {
  return QStringLiteral("\\Software\\") + CompanyKey + QLatin1Char('\\') + name;
}

TRegistryVariable::TRegistryVariable(QString name)
    : name_(std::move(name)), key_(CompanyKeyPath(ExecutableBaseName())), root_(SettingsRoot) {}

std::optional<std::int32_t> TRegistryVariable::ReadInteger() const noexcept {
  try {
    const TSettingsKey key(root_, key_.toStdString());
    // Without full access (a per-machine key for a user who may not write it) nothing is read.
    if (!key.Exists() || !key.FullAccess()) return std::nullopt;
    return key.Read().Integer(name_.toStdString());
  } catch (...) {
    return std::nullopt;
  }
}

void TRegistryVariable::WriteInteger(std::int32_t value) const noexcept {
  try {
    const std::string name = name_.toStdString();
    TSettingsKey(root_, key_.toStdString()).Update([&](TSettingsValues& values) {
      values.SetInteger(name, value);
      return true;
    });
  } catch (...) {
    // A setting that cannot be stored keeps its old stored value; nothing is reported.
  }
}

TRegistryBoolean::TRegistryBoolean(QString name, bool defaultValue)
    : TRegistryVariable(std::move(name)), value_(defaultValue) {
  if (const auto stored = ReadInteger()) value_ = *stored != 0;
}

void TRegistryBoolean::Save() {
  WriteInteger(value_ ? 1 : 0);
}

TRegistryInteger::TRegistryInteger(QString name, std::int32_t defaultValue)
    : TRegistryVariable(std::move(name)), value_(defaultValue) {
  if (const auto stored = ReadInteger()) value_ = *stored;
}

void TRegistryInteger::Save() {
  WriteInteger(value_);
}

}  // namespace nimbrel::catalogue
