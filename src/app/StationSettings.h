#pragma once
// The station page's settings in the program's own key: the daemons' addresses, the rotator's limits,
// the alert choices, and each satellite's nominal frequencies under its catalogue number. Every
// change is saved at once, atomically, keeping every other value of the key; a store that cannot be
// read or written leaves the defaults, silently, as the program's other settings do.

#include <QString>
#include <cstdint>

namespace nimbrel::app {

inline constexpr const char* kStationRotator = "StationRotator";
inline constexpr const char* kStationRadio = "StationRadio";
inline constexpr const char* kStationAzRange = "StationAzimuthRange";  // 0: 0..360, 1: -180..180, 2: 0..450
inline constexpr const char* kStationElMax = "StationElevationMax";    // 90 or 180
inline constexpr const char* kStationMinEl = "StationMinElevation";    // degrees
inline constexpr const char* kStationPark = "StationPark";             // 1: park between passes
inline constexpr const char* kPassAlert = "PassAlert";                 // 1: notify before AOS
inline constexpr const char* kPassAlertMinutes = "PassAlertMinutes";
inline constexpr const char* kPassAlertBank = "PassAlertBank";  // 1: also the shown bank's satellites

class TStationSettings {
 public:
  // The program's own key, as the other settings use it.
  TStationSettings();

  QString Text(const char* name, const QString& defaultValue) const;
  std::int32_t Integer(const char* name, std::int32_t defaultValue) const;
  void SetText(const char* name, const QString& value) const;
  void SetInteger(const char* name, std::int32_t value) const;

  // A satellite's nominal downlink and uplink in Hz, 0 when none is kept.
  double Downlink(const QString& catalogueNumber) const;
  double Uplink(const QString& catalogueNumber) const;
  // 0 removes the value.
  void SetDownlink(const QString& catalogueNumber, double hz) const;
  void SetUplink(const QString& catalogueNumber, double hz) const;

 private:
  double Frequency(const QString& name) const;
  void SetFrequency(const QString& name, double hz) const;

  QString key_;
};

}  // namespace nimbrel::app
