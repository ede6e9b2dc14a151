#include "Geometry.h"

#include <cmath>

#include "OrbitConstants.h"
#include "OrbitTime.h"

namespace nimbrel::orbit {

namespace {

constexpr double kTwoPiD = static_cast<double>(kTwoPi);

// The latitude iteration settles within seven passes anywhere more than 1000 km from the Earth's
// centre; only points a few dozen km from the centre, which no orbit reaches, need more. The bound
// stops those (they keep the last pass, still finite) and anything that could never settle.
constexpr int kMaxLatitudeSteps = 50;
constexpr double kLatitudeTolerance = 1.0e-10;  // rad

// Below this true elevation (degrees) the refraction formula nears its pole at -5.11 degrees and can
// no longer lift anything to the horizon anyway, so no correction is applied.
constexpr double kRefractionFloorDeg = -1.0;

bool IsFinite(const Vector4& v) noexcept {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// An angle already in [0, 2 pi] up to rounding, strictly inside [0, 2 pi): a tiny negative remainder
// plus 2 pi rounds to 2 pi itself.
double BelowTwoPi(double angle) noexcept {
  return angle >= kTwoPiD ? angle - kTwoPiD : angle;
}

}  // namespace

void ConvertSatState(Vector4& position, Vector4& velocity) noexcept {
  constexpr double kVelocityScale = kXkmper / 60.0;
  position.x *= kXkmper;
  position.y *= kXkmper;
  position.z *= kXkmper;
  velocity.x *= kVelocityScale;
  velocity.y *= kVelocityScale;
  velocity.z *= kVelocityScale;
  Magnitude(position);
  Magnitude(velocity);
}

std::optional<GeodeticPoint> CalculateLatLonAlt(const Vector4& position, double jd) noexcept {
  if (!std::isfinite(jd)) return std::nullopt;
  return CalculateLatLonAltIterated(position, SiderealAngle(jd));
}

namespace {

// Vermeille's closed form for the geodetic latitude and height of a point `rho` km from the polar axis
// and `z` km along it (Journal of Geodesy 76, 2002, 451-454): square roots and one cube root where
// the iteration below takes four or five rounds of a sine and an arc tangent. Nothing within some
// 40 km of the Earth's centre, where the form has no single answer.
std::optional<GeodeticPoint> ClosedFormLatitude(double rho, double z, TLatitudeTrig& trig) noexcept {
  constexpr double e2 = kEccentricitySquared;
  constexpr double e4 = e2 * e2;
  const double x = rho / kXkmper;
  const double zz = z / kXkmper;
  const double p = x * x;
  const double q = (1.0 - e2) * zz * zz;
  const double r = (p + q - e4) / 6.0;
  if (!(r > 0.0)) return std::nullopt;
  const double s = e4 * p * q / (4.0 * r * r * r);
  const double t = std::cbrt(1.0 + s + std::sqrt(s * (2.0 + s)));
  const double u = r * (1.0 + t + 1.0 / t);
  const double v = std::sqrt(u * u + e4 * q);
  const double w = e2 * (u + v - q) / (2.0 * v);
  const double k = std::sqrt(u + v + w * w) - w;
  // The point's distance from the axis scaled to where the normal through it meets the axis plane:
  // the latitude is the direction of (d, z).
  const double d = k * x / (k + e2);
  const double hyp = std::sqrt(d * d + zz * zz);
  GeodeticPoint geo;
  geo.latitude = std::atan2(zz, d);
  geo.altitude = (k + e2 - 1.0) / k * hyp * kXkmper;
  trig = {zz / hyp, d / hyp};
  return geo;
}

}  // namespace

std::optional<GeodeticPoint> CalculateLatLonAltTurned(const Vector4& position, double siderealAngle,
                                                      TLatitudeTrig* trig) noexcept {
  if (!IsFinite(position) || !std::isfinite(siderealAngle)) return std::nullopt;
  const double theta = AcTan(position.y, position.x);
  const double longitude = BelowTwoPi(Fmod2p(theta - siderealAngle));
  TLatitudeTrig closedTrig;
  std::optional<GeodeticPoint> geo =
      ClosedFormLatitude(std::hypot(position.x, position.y), position.z, closedTrig);
  if (geo && std::isfinite(geo->altitude) && std::isfinite(longitude)) {
    geo->theta = theta;
    geo->longitude = longitude;
    if (trig) *trig = closedTrig;
    return geo;
  }
  // Near the centre (no orbit goes there): the iteration, which settles there too.
  return CalculateLatLonAltIterated(position, siderealAngle, trig);
}

std::optional<GeodeticPoint> CalculateLatLonAltIterated(const Vector4& position, double siderealAngle,
                                                        TLatitudeTrig* trig) noexcept {
  if (!IsFinite(position) || !std::isfinite(siderealAngle)) return std::nullopt;
  GeodeticPoint geo;
  geo.theta = AcTan(position.y, position.x);
  geo.longitude = BelowTwoPi(Fmod2p(geo.theta - siderealAngle));

  const double r = std::hypot(position.x, position.y);
  // atan2 with r >= 0 is the arc tangent of z / r, and on the polar axis (r = 0) it gives the
  // limiting +-90 degrees instead of dividing by zero.
  double latitude = std::atan2(position.z, r);
  double c = 1.0;
  for (int step = 0; step < kMaxLatitudeSteps; ++step) {
    const double phi = latitude;
    const double sinPhi = std::sin(phi);
    c = 1.0 / std::sqrt(1.0 - kEccentricitySquared * sinPhi * sinPhi);
    latitude = std::atan2(position.z + kXkmper * c * kEccentricitySquared * sinPhi, r);
    if (std::fabs(latitude - phi) < kLatitudeTolerance) break;
  }
  geo.latitude = latitude;

  // Both forms give the height above the ellipsoid along the normal; each is taken where it does not
  // divide by a vanishing cosine or sine, so the poles get |z| minus the polar radius.
  const double sinLat = std::sin(latitude);
  const double cosLat = std::cos(latitude);
  if (std::fabs(cosLat) >= std::fabs(sinLat)) {
    geo.altitude = r / cosLat - kXkmper * c;
  } else {
    geo.altitude = position.z / sinLat - kXkmper * c * (1.0 - kEccentricitySquared);
  }
  if (!std::isfinite(geo.altitude) || !std::isfinite(geo.longitude)) return std::nullopt;
  if (trig) *trig = {sinLat, cosLat};
  return geo;
}

void CalculateUserPosVel(GeodeticPoint& observer, double jd, Vector4& position, Vector4& velocity) noexcept {
  observer.theta = BelowTwoPi(Fmod2p(SiderealAngle(jd) + observer.longitude));
  const double sinLat = std::sin(observer.latitude);
  const double cosLat = std::cos(observer.latitude);
  const double c = 1.0 / std::sqrt(1.0 + kFlattening * (kFlattening - 2.0) * sinLat * sinLat);
  const double sq = kOneMinusFlattening * kOneMinusFlattening * c;
  const double achcp = (kXkmper * c + observer.altitude) * cosLat;
  position.x = achcp * std::cos(observer.theta);
  position.y = achcp * std::sin(observer.theta);
  position.z = (kXkmper * sq + observer.altitude) * sinLat;
  velocity.x = -kEarthRotationRate * position.y;
  velocity.y = kEarthRotationRate * position.x;
  velocity.z = 0.0;
  Magnitude(position);
  Magnitude(velocity);
}

double RefractionCorrection(double elevation) noexcept {
  const double h = Degrees(elevation);
  if (!(h >= kRefractionFloorDeg)) return 0.0;
  const double arcMinutes = 1.02 / Tan(Radians(h + 10.3 / (h + 5.11)));
  return Radians(arcMinutes / 60.0);
}

std::optional<TObsResult> CalculateObs(const Vector4& satPosition, const Vector4& satVelocity,
                                       GeodeticPoint& observer, double jd) noexcept {
  if (!IsFinite(satPosition) || !IsFinite(satVelocity) || !std::isfinite(observer.latitude) ||
      !std::isfinite(observer.longitude) || !std::isfinite(observer.altitude) || !std::isfinite(jd)) {
    return std::nullopt;
  }
  Vector4 obsPosition;
  Vector4 obsVelocity;
  CalculateUserPosVel(observer, jd, obsPosition, obsVelocity);

  Vector4 range{satPosition.x - obsPosition.x, satPosition.y - obsPosition.y, satPosition.z - obsPosition.z};
  const Vector4 rangeVelocity{satVelocity.x - obsVelocity.x, satVelocity.y - obsVelocity.y,
                              satVelocity.z - obsVelocity.z};
  Magnitude(range);

  const double sinLat = std::sin(observer.latitude);
  const double cosLat = std::cos(observer.latitude);
  const double sinTheta = std::sin(observer.theta);
  const double cosTheta = std::cos(observer.theta);
  // Topocentric south, east and up components of the line of sight.
  const double topS = sinLat * cosTheta * range.x + sinLat * sinTheta * range.y - cosLat * range.z;
  const double topE = -sinTheta * range.x + cosTheta * range.y;
  const double topZ = cosLat * cosTheta * range.x + cosLat * sinTheta * range.y + sinLat * range.z;

  TObsResult result;
  LookAngles& look = result.look;
  // Straight up has no direction; 0 keeps the value defined.
  if (topS != 0.0 || topE != 0.0) {
    look.azimuth = std::atan2(topE, -topS);
    if (look.azimuth < 0.0) look.azimuth = BelowTwoPi(look.azimuth + kTwoPiD);
  }
  // A satellite at the observer's own place counts as overhead and neither nearing nor receding.
  look.elevation = range.magnitude > 0.0 ? ArcSinSafe(topZ / range.magnitude) : kPiOver2;
  look.range = range.magnitude;
  look.rangeRate = range.magnitude > 0.0 ? Dot(range, rangeVelocity) / range.magnitude : 0.0;

  const double refracted = look.elevation + RefractionCorrection(look.elevation);
  if (refracted >= 0.0) {
    look.elevation = refracted;
    result.visible = true;
  }
  if (!std::isfinite(look.azimuth) || !std::isfinite(look.elevation) || !std::isfinite(look.range) ||
      !std::isfinite(look.rangeRate)) {
    return std::nullopt;
  }
  return result;
}

}  // namespace nimbrel::orbit
