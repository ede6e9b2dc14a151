#pragma once
// A desktop notification a chosen number of minutes before a satellite rises, through the desktop's
// notification service (org.freedesktop.Notifications on the session bus). Without a bus or without
// the service nothing happens and nothing fails; the message is sent without waiting for an answer.

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "orbit/Passes.h"
#include "orbit/Satellite.h"

namespace nimbrel::app {

// Sends one notification; false when there is no session bus to send it on.
bool SendDesktopNotification(const QString& summary, const QString& body);

struct TAlertSettings {
  bool enabled = false;
  int minutesAhead = 5;
};

class TPassAlert {
 public:
  using TNotify = std::function<void(const QString& summary, const QString& body)>;

  explicit TPassAlert(TNotify notify = [](const QString& s, const QString& b) {
    SendDesktopNotification(s, b);
  });

  void SetSettings(const TAlertSettings& settings);
  const TAlertSettings& Settings() const noexcept { return settings_; }
  // The satellites to watch from the observer; a satellite watched before keeps what it knows, so
  // that a pass is never announced twice.
  void SetSatellites(const std::vector<const orbit::TSatellite*>& satellites,
                     const orbit::GeodeticPoint& observer);
  // At every update: announces each pass once, as soon as its AOS is no more than the chosen minutes
  // ahead (a pass already risen is not announced).
  void Check(double jd);

 private:
  struct TWatch {
    orbit::TSatellite satellite;
    std::optional<orbit::TPass> next;
    double searchFromJD = 0.0;
    bool announced = false;
  };
  void Announce(const TWatch& watch, double jd) const;

  TNotify notify_;
  TAlertSettings settings_;
  orbit::GeodeticPoint observer_;
  std::vector<TWatch> watches_;
};

}  // namespace nimbrel::app
