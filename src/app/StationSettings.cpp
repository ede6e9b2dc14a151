#include "app/StationSettings.h"

#include <cmath>

#include "catalogue/RegistryVariables.h"
#include "catalogue/SettingsStore.h"

namespace nimbrel::app {

namespace {

// Frequencies pass 2^31 Hz above 2 GHz, so they are kept as texts of whole hertz.
constexpr double kMaxHz = 1e12;

catalogue::TSettingsKey Key(const QString& path) {
  return catalogue::TSettingsKey(catalogue::SettingsRoot, path.toStdString());
}

}  // namespace

TStationSettings::TStationSettings() : key_(catalogue::CompanyKeyPath(catalogue::ExecutableBaseName())) {}

QString TStationSettings::Text(const char* name, const QString& defaultValue) const {
  const auto value = Key(key_).Read().Text(name);
  return value ? QString::fromStdString(*value) : defaultValue;
}

std::int32_t TStationSettings::Integer(const char* name, std::int32_t defaultValue) const {
  return Key(key_).Read().Integer(name).value_or(defaultValue);
}

void TStationSettings::SetText(const char* name, const QString& value) const {
  const std::string text = value.toStdString();
  Key(key_).Update([&](catalogue::TSettingsValues& values) {
    if (values.Text(name) == text) return false;
    values.SetText(name, text);
    return true;
  });
}

void TStationSettings::SetInteger(const char* name, std::int32_t value) const {
  Key(key_).Update([&](catalogue::TSettingsValues& values) {
    if (values.Integer(name) == value) return false;
    values.SetInteger(name, value);
    return true;
  });
}

double TStationSettings::Frequency(const QString& name) const {
  const auto text = Key(key_).Read().Text(name.toStdString());
  if (!text) return 0.0;
  bool ok = false;
  const double hz = QString::fromStdString(*text).toDouble(&ok);
  return ok && std::isfinite(hz) && hz > 0 && hz <= kMaxHz ? hz : 0.0;
}

void TStationSettings::SetFrequency(const QString& name, double hz) const {
  const std::string valueName = name.toStdString();
  const bool keep = std::isfinite(hz) && hz > 0 && hz <= kMaxHz;
  const std::string text = keep ? std::to_string(std::llround(hz)) : std::string();
  Key(key_).Update([&](catalogue::TSettingsValues& values) {
    if (!keep) return values.Remove(valueName);
    if (values.Text(valueName) == text) return false;
    values.SetText(valueName, text);
    return true;
  });
}

double TStationSettings::Downlink(const QString& catalogueNumber) const {
  return Frequency(QStringLiteral("Downlink.") + catalogueNumber);
}
double TStationSettings::Uplink(const QString& catalogueNumber) const {
  return Frequency(QStringLiteral("Uplink.") + catalogueNumber);
}
void TStationSettings::SetDownlink(const QString& catalogueNumber, double hz) const {
  SetFrequency(QStringLiteral("Downlink.") + catalogueNumber, hz);
}
void TStationSettings::SetUplink(const QString& catalogueNumber, double hz) const {
  SetFrequency(QStringLiteral("Uplink.") + catalogueNumber, hz);
}

}  // namespace nimbrel::app
