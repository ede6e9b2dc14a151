#include "ViewMath.h"

#include <cmath>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitTime.h"

namespace nimbrel::app {

namespace {
constexpr double kPi = static_cast<double>(orbit::kPi);
}

TRgb SatelliteColour(int index) noexcept {
  static constexpr TRgb kColours[9] = {{255, 80, 48}, {0, 224, 32},  {255, 255, 0},
                                       {0, 255, 255}, {255, 0, 255}, {255, 255, 255},
                                       {48, 48, 255}, {16, 176, 16}, {176, 16, 16}};
  if (index < 0 || index > 8) return {192, 192, 192};
  return kColours[index];
}

TEarthTurn EarthTurnAt(double jd) noexcept {
  const double theta = orbit::SiderealAngle(jd);
  return {theta, std::cos(theta), std::sin(theta)};
}

std::optional<TSceneLocation> GeodeticToScene(const orbit::Vector4& positionKm, double jd) {
  if (!std::isfinite(jd)) return std::nullopt;
  return GeodeticToScene(positionKm, EarthTurnAt(jd));
}

std::optional<TSceneLocation> GeodeticToScene(const orbit::Vector4& positionKm, const TEarthTurn& turn) {
  orbit::TLatitudeTrig trig;
  const auto geo = orbit::CalculateLatLonAltTurned(positionKm, turn.theta, &trig);
  if (!geo) return std::nullopt;
  double lambda = geo->longitude + kPi;
  if (lambda > kPi) lambda -= 2 * kPi;
  if (lambda < -kPi) lambda += 2 * kPi;
  TSceneLocation l;
  l.radius = static_cast<float>(geo->altitude + orbit::kXkmper) / 1000.0f;
  l.latitude = geo->latitude;
  l.longitude = lambda;
  const double r = l.radius;
  l.point = {static_cast<float>(r * trig.cosLat * std::sin(lambda)), static_cast<float>(r * trig.sinLat),
             static_cast<float>(r * trig.cosLat * std::cos(lambda))};
  return l;
}

TScenePoint VelocityToScene(const orbit::Vector4& v, double jd) noexcept {
  return VelocityToScene(v, EarthTurnAt(jd));
}

TScenePoint VelocityToScene(const orbit::Vector4& v, const TEarthTurn& turn) noexcept {
  const double e1 = v.x * turn.cosTheta + v.y * turn.sinTheta;
  const double e2 = -v.x * turn.sinTheta + v.y * turn.cosTheta;
  const double e3 = v.z;
  return {static_cast<float>(-e2), static_cast<float>(e3), static_cast<float>(-e1)};
}

TScenePoint ScenePointAbove(double lonDeg, double latDeg, double distance) noexcept {
  const double lambda = orbit::Radians(lonDeg) + kPi;
  const double phi = orbit::Radians(latDeg);
  return {static_cast<float>(distance * std::cos(phi) * std::sin(lambda)),
          static_cast<float>(distance * std::sin(phi)),
          static_cast<float>(distance * std::cos(phi) * std::cos(lambda))};
}

double CameraDistance(int zoom) noexcept {
  return zoom * 14.0 + static_cast<double>(kEarthRadius);
}

TViewLonLat ViewFromTrackBars(int lonPosition, int lonMaximum, int latPosition, int latMaximum) noexcept {
  TViewLonLat v;
  if (lonMaximum > 0) v.lon = 180.0 - static_cast<double>(lonPosition * 360) / lonMaximum;
  if (latMaximum > 0) v.lat = (latPosition - latMaximum / 2) * 178.2 / latMaximum;
  return v;
}

int RoundHalfEven(double x) noexcept {
  if (!std::isfinite(x) || std::fabs(x) > 2.0e9) return 0;
  // The default rounding mode rounds halves to even.
  return static_cast<int>(std::nearbyint(x));
}

int FocalLengthForWidth(int width, int initialWidth) noexcept {
  // Until the window has its first width there is nothing to scale by.
  if (initialWidth <= 0 || width == initialWidth) return 200;
  return static_cast<int>(static_cast<std::int64_t>(width) * 200 / initialWidth);
}

QString FormatLonLat(double lonDeg, double latDeg) {
  // Brought into (-180, 180] by whole turns; the original loops never end on an infinite value.
  if (std::isfinite(lonDeg)) {
    lonDeg = std::fmod(lonDeg, 360.0);
    if (lonDeg <= -180.0) lonDeg += 360.0;
    if (lonDeg > 180.0) lonDeg -= 360.0;
  }
  const QString lonSuffix = lonDeg < 0 ? QStringLiteral("°W") : QStringLiteral("°E");
  const QString latSuffix = latDeg < 0 ? QStringLiteral("°S") : QStringLiteral("°N");
  return QStringLiteral("%1%2  %3%4")
      .arg(std::fabs(lonDeg), 0, 'f', 1)
      .arg(lonSuffix)
      .arg(std::fabs(latDeg), 0, 'f', 1)
      .arg(latSuffix);
}

QString HoverName(const QString& name) {
  if (name.isEmpty()) return name;
  QString text = name.toLower();
  text[0] = text[0].toUpper();
  return text;
}

QString ElementAgeNote(double ageDays) {
  const double days = std::fabs(ageDays);
  if (!(days > kStaleElementDays)) return {};
  // A non-finite age never gets here; a huge one is still a number of days.
  return QStringLiteral(", elements %1 days old").arg(std::floor(days), 0, 'f', 0);
}

QString ElementAgeWarning(double ageDays) {
  const double days = std::fabs(ageDays);
  if (!(days > kStaleElementDays)) return {};
  const QString count = QString::number(std::floor(days), 'f', 0);
  if (ageDays < 0) {
    return QStringLiteral("Elements dated %1 days after this time: positions may be off by many kilometres.")
        .arg(count);
  }
  return QStringLiteral("Elements %1 days old: positions may be off by many kilometres.").arg(count);
}

}  // namespace nimbrel::app
