#include "SunMoon.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "Geometry.h"
#include "OrbitConstants.h"

namespace nimbrel::orbit {

namespace {

constexpr double kKmPerAu = 149597870.0;
constexpr double kJulianDate1900Jan0_5 = 2415020.0;
constexpr double kDegreesToRadians = 0.017453292519943295769;

// Newton's method on Kepler's equation at these eccentricities gains digits quadratically and needs
// two or three steps; the bound only stops input that never settles.
constexpr int kMaxKeplerSteps = 50;
constexpr double kKeplerTolerance = 1.745329251994e-5;  // rad, 0.001 degree
constexpr double kNewtonEccentricity = 0.05;            // above this the start value is refined

// The mean elements of the Sun's or the Moon's geocentric orbit for a day number, angles in radians.
struct TMeanElements {
  double node = 0.0;         // N
  double inclination = 0.0;  // i
  double perigee = 0.0;      // w, argument of perigee
  double distance = 0.0;     // a, km
  double eccentricity = 0.0;
  double meanAnomaly = 0.0;  // M
};

// Degrees as written in the tables to radians, the three angles that grow with time first brought
// into [0, 360).
TMeanElements InRadians(double nodeDeg, double inclinationDeg, double perigeeDeg, double distanceKm,
                        double eccentricity, double meanAnomalyDeg) noexcept {
  return {Modulus(nodeDeg, 360.0) * kDegreesToRadians,
          inclinationDeg * kDegreesToRadians,
          Modulus(perigeeDeg, 360.0) * kDegreesToRadians,
          distanceKm,
          eccentricity,
          Modulus(meanAnomalyDeg, 360.0) * kDegreesToRadians};
}

TMeanElements SunElements(double d) noexcept {
  return InRadians(0.0, 0.0, 282.9404 + 4.70935e-5 * d, kKmPerAu, 0.016709 - 1.151e-9 * d,
                   356.0470 + 0.9856002585 * d);
}

TMeanElements MoonElements(double d) noexcept {
  return InRadians(125.1228 - 0.0529538083 * d, 5.1454, 318.0634 + 0.1643573223 * d, 60.2666 * kXkmper,
                   0.054900, 115.3654 + 13.0649929509 * d);
}

struct TEclipticPosition {
  double longitude = 0.0;  // rad
  double latitude = 0.0;   // rad
  double distance = 0.0;   // km
};

std::optional<TEclipticPosition> EclipticPosition(const TMeanElements& el) noexcept {
  const std::optional<double> e = EccentricAnomaly(el.meanAnomaly, el.eccentricity);
  if (!e) return std::nullopt;
  const double xv = el.distance * (std::cos(*e) - el.eccentricity);
  const double yv = el.distance * std::sqrt(1.0 - el.eccentricity * el.eccentricity) * std::sin(*e);
  const double v = std::atan2(yv, xv);
  const double r = std::sqrt(xv * xv + yv * yv);
  const double u = v + el.perigee;
  const double xh =
      r * (std::cos(el.node) * std::cos(u) - std::sin(el.node) * std::sin(u) * std::cos(el.inclination));
  const double yh =
      r * (std::sin(el.node) * std::cos(u) + std::cos(el.node) * std::sin(u) * std::cos(el.inclination));
  const double zh = r * std::sin(u) * std::sin(el.inclination);
  return TEclipticPosition{std::atan2(yh, xh), std::atan2(zh, std::sqrt(xh * xh + yh * yh)), r};
}

// One periodic term of the Moon's motion: coefficient (degrees, or Earth radii for the distance)
// times the sine (cosine for the distance) of a sum of multiples of the fundamental arguments.
struct TLunarTerm {
  double coefficient;
  int mm;  // the Moon's mean anomaly
  int ms;  // the Sun's mean anomaly
  int d;   // the Moon's mean elongation from the Sun
  int f;   // the Moon's argument of latitude
};

// The largest terms: evection, variation, the yearly equation and their kin.
constexpr TLunarTerm kLongitudeTerms[] = {
    {-1.274, 1, 0, -2, 0}, {+0.658, 0, 0, 2, 0}, {-0.186, 0, 1, 0, 0},  {-0.059, 2, 0, -2, 0},
    {-0.057, 1, 1, -2, 0}, {+0.053, 1, 0, 2, 0}, {+0.046, 0, -1, 2, 0}, {+0.041, 1, -1, 0, 0},
    {-0.035, 0, 0, 1, 0},  {-0.031, 1, 1, 0, 0}, {-0.015, 0, 0, -2, 2}, {+0.011, 1, 0, -4, 0},
};
constexpr TLunarTerm kLatitudeTerms[] = {
    {-0.173, 0, 0, -2, 1}, {-0.055, 1, 0, -2, -1}, {-0.046, 1, 0, -2, 1},
    {+0.033, 0, 0, 2, 1},  {+0.017, 2, 0, 0, 1},
};
constexpr TLunarTerm kDistanceTerms[] = {
    {-0.58, 1, 0, -2, 0},
    {-0.46, 0, 0, 2, 0},
};

struct TLunarArguments {
  double mm, ms, d, f;
  double Of(const TLunarTerm& t) const noexcept { return t.mm * mm + t.ms * ms + t.d * d + t.f * f; }
};

}  // namespace

Vector4 SolarPosition(double jd) noexcept {
  const double mjd = jd - kJulianDate1900Jan0_5;
  const double year = 1900.0 + mjd / 365.25;
  const double t = (mjd + DeltaET(year) / kSecondsPerDay) / kJulianCentury;
  const double t2 = t * t;
  const double m =
      Radians(Modulus(358.47583 + Modulus(35999.04975 * t, 360.0) - (0.000150 + 0.0000033 * t) * t2, 360.0));
  const double l = Radians(Modulus(279.69668 + Modulus(36000.76892 * t, 360.0) + 0.0003025 * t2, 360.0));
  const double e = 0.01675104 - (0.0000418 + 0.000000126 * t) * t;
  const double c = Radians((1.919460 - (0.004789 + 0.000014 * t) * t) * std::sin(m) +
                           (0.020094 - 0.000100 * t) * std::sin(2.0 * m) + 0.000293 * std::sin(3.0 * m));
  // Longitude of the Moon's ascending node, which drives the nutation.
  const double o = Radians(Modulus(259.18 - 1934.142 * t, 360.0));
  // Apparent longitude: the true longitude less aberration (-0.00569 degree) and nutation in longitude
  // (-0.00479 sin O degree).
  const double lsa = Fmod2p(l + c - Radians(0.00569 + 0.00479 * std::sin(o)));
  const double nu = Fmod2p(m + c);
  const double rAu = 1.0000002 * (1.0 - e * e) / (1.0 + e * std::cos(nu));
  // Mean obliquity plus the nutation in obliquity.
  const double eps =
      Radians(23.452294 - (0.0130125 + (0.00000164 - 0.000000503 * t) * t) * t + 0.00256 * std::cos(o));
  const double r = kKmPerAu * rAu;
  return {r * std::cos(lsa), r * std::sin(lsa) * std::cos(eps), r * std::sin(lsa) * std::sin(eps), r};
}

double DayNumber2000(TDateTime dt) {
  const TCalendarTime t = DecodeDateTime(dt);
  const std::int64_t y = t.year;
  const std::int64_t m = t.month;
  const std::int64_t days = 367 * y - (7 * (y + (m + 9) / 12)) / 4 + (275 * m) / 9 + t.day - 730530;
  const double fraction = (t.hour + (t.minute + (t.second + t.millisecond / 1000.0) / 60.0) / 60.0) / 24.0;
  return static_cast<double>(days) + fraction;
}

std::optional<double> EccentricAnomaly(double meanAnomaly, double eccentricity) noexcept {
  if (!std::isfinite(meanAnomaly) || !std::isfinite(eccentricity)) return std::nullopt;
  const double m = meanAnomaly;
  const double e = eccentricity;
  double ea = m + e * std::sin(m) * (1.0 + e * std::cos(m));
  if (!(e > kNewtonEccentricity)) return ea;
  for (int step = 0; step < kMaxKeplerSteps; ++step) {
    const double previous = ea;
    ea = previous - (previous - e * std::sin(previous) - m) / (1.0 - e * std::cos(previous));
    if (!std::isfinite(ea)) return std::nullopt;
    if (std::fabs(ea - previous) <= kKeplerTolerance) return ea;
  }
  return std::nullopt;
}

std::optional<TMoonPosition> MoonPosition(TDateTime dt) noexcept {
  double jd = 0.0;
  double d = 0.0;
  try {
    jd = JulianDateFromDateTime(dt);
    d = DayNumber2000(dt);
  } catch (const std::out_of_range&) {
    return std::nullopt;
  }
  const TMeanElements moon = MoonElements(d);
  const TMeanElements sun = SunElements(d);
  const std::optional<TEclipticPosition> orbit = EclipticPosition(moon);
  if (!orbit) return std::nullopt;

  const double sunMeanLongitude = sun.meanAnomaly + sun.perigee;
  const double moonMeanLongitude = Fmod2p(moon.node + moon.perigee + moon.meanAnomaly);
  TLunarArguments args{};
  args.mm = moon.meanAnomaly;
  args.ms = sun.meanAnomaly;
  args.d = moonMeanLongitude - sunMeanLongitude;
  args.f = moonMeanLongitude - moon.node;

  double longitude = orbit->longitude;
  double latitude = orbit->latitude;
  double r = orbit->distance;
  for (const TLunarTerm& t : kLongitudeTerms) longitude += Radians(t.coefficient * std::sin(args.Of(t)));
  for (const TLunarTerm& t : kLatitudeTerms) latitude += Radians(t.coefficient * std::sin(args.Of(t)));
  latitude = Fmod2p(latitude);
  for (const TLunarTerm& t : kDistanceTerms) r += t.coefficient * kXkmper * std::cos(args.Of(t));

  const double x = r * std::cos(longitude) * std::cos(latitude);
  const double y = r * std::sin(longitude) * std::cos(latitude);
  const double z = r * std::sin(latitude);
  const double eps = Radians(23.4393 - 3.563e-7 * d);
  TMoonPosition result;
  result.position = {x, y * std::cos(eps) - z * std::sin(eps), y * std::sin(eps) + z * std::cos(eps)};
  Magnitude(result.position);
  const std::optional<GeodeticPoint> sub = CalculateLatLonAlt(result.position, jd);
  if (!sub) return std::nullopt;
  result.subLunar = *sub;
  return result;
}

}  // namespace nimbrel::orbit
