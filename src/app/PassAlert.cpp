#include "app/PassAlert.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QVariantMap>
#include <algorithm>
#include <cmath>

#include "orbit/OrbitMath.h"

namespace nimbrel::app {

namespace {

constexpr double kMinutesPerDay = 1440.0;
// A search looks this far beyond the alert time, and is repeated this often while nothing comes, so
// that a watch costs a short search now and then rather than a long one.
constexpr double kSearchBeyondMinutes = 10.0;
constexpr double kSearchAgainMinutes = 5.0;
constexpr double kUnixEpochJD = 2440587.5;

QString LocalTime(double jd) {
  return QDateTime::fromMSecsSinceEpoch(std::llround((jd - kUnixEpochJD) * 86400000.0), Qt::UTC)
      .toLocalTime()
      .toString(QStringLiteral("hh:mm:ss"));
}

}  // namespace

bool SendDesktopNotification(const QString& summary, const QString& body) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's).
  call << QStringLiteral("NimbrelGL") << 0u << QStringLiteral("nimbrelgl") << summary << body << QStringList()
       << QVariantMap() << -1;
  // No reply is awaited: a missing service must not hold up the window.
  call.setAutoStartService(true);
  return bus.send(call);
}

TPassAlert::TPassAlert(TNotify notify) : notify_(std::move(notify)) {}

void TPassAlert::SetSettings(const TAlertSettings& settings) {
  settings_ = settings;
  settings_.minutesAhead = std::clamp(settings_.minutesAhead, 1, 120);
  // A longer lead time needs a new look ahead.
  for (TWatch& watch : watches_) {
    if (!watch.announced) watch.searchFromJD = 0.0;
  }
}

void TPassAlert::SetSatellites(const std::vector<const orbit::TSatellite*>& satellites,
                               const orbit::GeodeticPoint& observer) {
  const bool moved = observer.latitude != observer_.latitude || observer.longitude != observer_.longitude ||
                     observer.altitude != observer_.altitude;
  observer_ = observer;
  std::vector<TWatch> watches;
  for (const orbit::TSatellite* satellite : satellites) {
    if (!satellite) continue;
    const auto same = [&](const TWatch& w) { return w.satellite.SameSetsAs(*satellite); };
    if (std::any_of(watches.begin(), watches.end(), same)) continue;
    const auto known = std::find_if(watches_.begin(), watches_.end(), same);
    if (known != watches_.end() && !moved)
      watches.push_back(std::move(*known));
    else
      watches.push_back({*satellite, std::nullopt, 0.0, false});
  }
  watches_ = std::move(watches);
}

void TPassAlert::Check(double jd) {
  if (!settings_.enabled || !std::isfinite(jd)) return;
  const double ahead = settings_.minutesAhead / kMinutesPerDay;
  for (TWatch& watch : watches_) {
    if (watch.next && jd > watch.next->losJD) {
      watch.next.reset();
      watch.announced = false;
    }
    if (!watch.next && jd >= watch.searchFromJD) {
      const double end = jd + ahead + kSearchBeyondMinutes / kMinutesPerDay;
      const orbit::TPassList found = orbit::FindPasses(watch.satellite, {observer_, jd, end});
      for (const orbit::TPass& pass : found.passes) {
        if (!pass.inProgress) {
          watch.next = pass;
          break;
        }
      }
      // A pass already up when the search began is not news; the next search starts after it.
      if (!watch.next && !found.passes.empty() && found.passes.front().inProgress)
        watch.searchFromJD = found.passes.front().losJD;
      else
        watch.searchFromJD = jd + kSearchAgainMinutes / kMinutesPerDay;
    }
    if (watch.next && !watch.announced && jd < watch.next->aosJD && jd >= watch.next->aosJD - ahead) {
      watch.announced = true;
      Announce(watch, jd);
    }
  }
}

void TPassAlert::Announce(const TWatch& watch, double jd) const {
  const orbit::TPass& pass = *watch.next;
  QString name = QString::fromStdString(watch.satellite.Name()).trimmed();
  if (name.isEmpty()) name = QString::fromStdString(watch.satellite.CatalogueNumber());
  const long minutes = std::max(1L, std::lround((pass.aosJD - jd) * kMinutesPerDay));
  const QString summary =
      QStringLiteral("%1 rises in %2 minute%3").arg(name).arg(minutes).arg(minutes == 1 ? "" : "s");
  const QString body = QStringLiteral("AOS at %1 in azimuth %2°, highest %3° at %4, LOS at %5.")
                           .arg(LocalTime(pass.aosJD))
                           .arg(std::lround(orbit::Degrees(pass.aosAzimuth)) % 360)
                           .arg(std::lround(orbit::Degrees(pass.maxElevation)))
                           .arg(LocalTime(pass.tcaJD), LocalTime(pass.losJD));
  if (notify_) notify_(summary, body);
}

}  // namespace nimbrel::app
