// The Sun and the Moon against published positions (tests/data/sun-moon-almanac.txt, with the source
// of every value), and the edge cases of the day number and Kepler's equation.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitTime.h"
#include "orbit/SunMoon.h"

namespace nimbrel::orbit {
namespace {

constexpr double kKmPerAu = 149597870.0;
constexpr double kRadToDeg = 180.0 / 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct TAlmanacRow {
  std::string id, body, scale;
  double jd = 0.0;
  std::string quantity;
  double expected = 0.0;
  double tolerance = 0.0;
  int line = 0;
};

std::vector<TAlmanacRow> ReadAlmanac() {
  std::ifstream in(std::string(NIMBREL_TEST_DATA_DIR) + "/sun-moon-almanac.txt");
  std::vector<TAlmanacRow> rows;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (text.empty() || text[0] == '#') continue;
    std::istringstream s(text);
    TAlmanacRow r;
    r.line = line;
    if (s >> r.id >> r.body >> r.scale >> r.jd >> r.quantity >> r.expected >> r.tolerance) rows.push_back(r);
  }
  return rows;
}

// Universal time of a row: dynamical-time rows lose ET - UT as the Sun's own formula reckons it.
double UniversalTime(const TAlmanacRow& r) {
  if (r.scale != "TT") return r.jd;
  const double year = 2000.0 + (r.jd - kJ2000) / 365.25;
  return r.jd - DeltaET(year) / kSecondsPerDay;
}

// Mean obliquity of the ecliptic (IAU 1980, leading terms), degrees; T in centuries from J2000.
double MeanObliquityDeg(double jd) {
  return 23.439291 - 0.0130042 * (jd - kJ2000) / kJulianCentury;
}

struct TSpherical {
  double lambda, beta, ra, dec, distance;
};

TSpherical ToSpherical(const Vector4& v, double jd) {
  const double eps = MeanObliquityDeg(jd) / kRadToDeg;
  const double r = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  const double ye = v.y * std::cos(eps) + v.z * std::sin(eps);
  const double ze = -v.y * std::sin(eps) + v.z * std::cos(eps);
  return {std::atan2(ye, v.x) * kRadToDeg, std::asin(ze / r) * kRadToDeg, std::atan2(v.y, v.x) * kRadToDeg,
          std::asin(v.z / r) * kRadToDeg, r};
}

// a - b for angles in degrees, in (-180, 180].
double AngleDiff(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180.0) d -= 360.0;
  if (d <= -180.0) d += 360.0;
  return d;
}

Vector4 MoonAt(double jdUt) {
  const auto moon = MoonPosition(DateTimeFromJulianDate(jdUt));
  if (!moon) return {kNaN, kNaN, kNaN, kNaN};
  return moon->position;
}

// The measured value minus the expected one, angles wrapped.
double Deviation(const TAlmanacRow& r) {
  const double ut = UniversalTime(r);
  const Vector4 v = r.body == "Sun" ? SolarPosition(ut) : MoonAt(ut);
  const TSpherical s = ToSpherical(v, r.jd);
  if (r.quantity == "lambda") return AngleDiff(s.lambda, r.expected);
  if (r.quantity == "beta") return s.beta - r.expected;
  if (r.quantity == "ra") return AngleDiff(s.ra, r.expected);
  if (r.quantity == "dec") return s.dec - r.expected;
  if (r.quantity == "dist_au") return s.distance / kKmPerAu - r.expected;
  if (r.quantity == "dist_km") return s.distance - r.expected;
  if (r.quantity == "elong") {
    const TSpherical sun = ToSpherical(SolarPosition(ut), r.jd);
    return AngleDiff(AngleDiff(s.lambda, sun.lambda), r.expected);
  }
  ADD_FAILURE() << "unknown quantity '" << r.quantity << "' in line " << r.line;
  return kNaN;
}

TEST(SunMoonAlmanac, EveryRowWithinItsTolerance) {
  const std::vector<TAlmanacRow> rows = ReadAlmanac();
  ASSERT_GE(rows.size(), 20u) << "tests/data/sun-moon-almanac.txt not found or cut short";
  for (const TAlmanacRow& r : rows) {
    const double d = Deviation(r);
    EXPECT_LE(std::fabs(d), r.tolerance)
        << "line " << r.line << ": " << r.id << " " << r.body << " " << r.quantity << " off by " << d;
  }
}

// Where sin(node) is near -1 (1992 October) or +0.9 (2000 March) the nutation term moves the Sun's
// apparent longitude by about 0.009 degree: with its sign flipped these two rows miss by 0.007 and
// 0.011 degree, with the published sign they are within 0.003.
TEST(SunMoonAlmanac, NutationInLongitudeHasThePublishedSign) {
  int checked = 0;
  for (const TAlmanacRow& r : ReadAlmanac()) {
    if (r.quantity != "lambda" || (r.id != "M25b" && r.id != "USNO2000a")) continue;
    EXPECT_LE(std::fabs(Deviation(r)), 0.005) << r.id;
    ++checked;
  }
  EXPECT_EQ(checked, 2);
}

TEST(SolarPosition, AtJ2000NearPerihelionAndSouthOfTheEquator) {
  const Vector4 sun = SolarPosition(2451545.0);
  EXPECT_NEAR(sun.magnitude / kKmPerAu, 0.9833, 0.0002);
  EXPECT_NEAR(std::hypot(sun.x, std::hypot(sun.y, sun.z)), sun.magnitude, 1e-3);
  EXPECT_NEAR(ToSpherical(sun, 2451545.0).lambda + 360.0, 280.4, 0.05);
  EXPECT_LT(sun.z, 0.0);
}

TEST(SolarPosition, SubSolarPointAtTheJuneSolsticeIsOnTheTropic) {
  const double jd = 2451716.575;  // 2000 June 21 01:48 UT
  const auto sub = CalculateLatLonAlt(SolarPosition(jd), jd);
  ASSERT_TRUE(sub);
  EXPECT_NEAR(sub->latitude * kRadToDeg, 23.44, 0.02);
  // 01:48 UT: the Sun stands over about 153 degrees east (noon at Greenwich less 10.2 hours, with the
  // equation of time of June, about -1.7 minutes).
  EXPECT_NEAR(sub->longitude * kRadToDeg, 153.4, 0.5);
}

TEST(DayNumber2000, PublishedValuesAndContinuity) {
  EXPECT_DOUBLE_EQ(DayNumber2000(EncodeDateTime({2000, 1, 1, 0, 0, 0, 0})), 1.0);
  EXPECT_DOUBLE_EQ(DayNumber2000(EncodeDateTime({1999, 12, 31, 12, 0, 0, 0})), 0.5);
  EXPECT_DOUBLE_EQ(DayNumber2000(EncodeDateTime({2000, 3, 1, 0, 0, 0, 0})), 61.0);
  EXPECT_NEAR(DayNumber2000(EncodeDateTime({2000, 1, 1, 18, 30, 0, 0})), 1.0 + 18.5 / 24.0, 1e-12);
  // Between 1900 March and 2100 February the integer formula counts days without a gap.
  const TDateTime zero = EncodeDateTime({1999, 12, 31, 0, 0, 0, 0});
  for (int year = 1901; year <= 2099; year += 7) {
    for (int month = 1; month <= 12; month += 5) {
      const TDateTime dt = EncodeDateTime({year, month, 17, 6, 0, 0, 0});
      EXPECT_NEAR(DayNumber2000(dt), dt - zero, 1e-9) << year << "-" << month;
    }
  }
  EXPECT_THROW(DayNumber2000(kNaN), std::out_of_range);
}

TEST(EccentricAnomaly, RefinedOnlyAboveEccentricity005) {
  const double m = 1.0;
  // At 0.05 exactly the start value stands, unrefined.
  const double start = m + 0.05 * std::sin(m) * (1.0 + 0.05 * std::cos(m));
  ASSERT_TRUE(EccentricAnomaly(m, 0.05));
  EXPECT_EQ(*EccentricAnomaly(m, 0.05), start);
  // The Moon's eccentricity is refined until Kepler's equation holds to the 0.001 degree step.
  for (double mean : {0.0, 0.3, 1.0, 2.0, 3.1, 4.0, 6.0}) {
    const auto e = EccentricAnomaly(mean, 0.0549);
    ASSERT_TRUE(e) << mean;
    EXPECT_NEAR(*e - 0.0549 * std::sin(*e), mean, 1e-6) << mean;
  }
  const auto high = EccentricAnomaly(0.2, 0.9);
  ASSERT_TRUE(high);
  EXPECT_NEAR(*high - 0.9 * std::sin(*high), 0.2, 1e-6);
}

TEST(EccentricAnomaly, NonFiniteOrDivergentInputFailsAtOnce) {
  EXPECT_FALSE(EccentricAnomaly(kNaN, 0.0549));
  EXPECT_FALSE(EccentricAnomaly(kInf, 0.0549));
  EXPECT_FALSE(EccentricAnomaly(1.0, kNaN));
  EXPECT_FALSE(EccentricAnomaly(1.0, kInf));
  // Far outside an ellipse Newton's steps never settle; the bound ends them.
  EXPECT_FALSE(EccentricAnomaly(1.0, 1e12));
}

TEST(MoonPosition, SubLunarPointLiesUnderTheMoon) {
  const double jd = 2448724.5;
  const auto moon = MoonPosition(DateTimeFromJulianDate(jd));
  ASSERT_TRUE(moon);
  const TSpherical s = ToSpherical(moon->position, jd);
  // Geodetic and geocentric latitude differ by under 0.01 degree at the Moon's distance.
  EXPECT_NEAR(moon->subLunar.latitude * kRadToDeg, s.dec, 0.01);
  const double lon = moon->subLunar.longitude * kRadToDeg;
  EXPECT_GE(lon, 0.0);
  EXPECT_LT(lon, 360.0);
  EXPECT_NEAR(AngleDiff(lon, s.ra - SiderealAngle(jd) * kRadToDeg), 0.0, 1e-6);
  EXPECT_NEAR(moon->subLunar.altitude, moon->position.magnitude - 6378.135, 25.0);
}

TEST(MoonPosition, DateTimesOutsideTheCalendarFail) {
  EXPECT_FALSE(MoonPosition(kNaN));
  EXPECT_FALSE(MoonPosition(kInf));
  EXPECT_FALSE(MoonPosition(-kInf));
  EXPECT_FALSE(MoonPosition(1e9));
  EXPECT_TRUE(MoonPosition(EncodeDateTime({2024, 4, 8, 18, 0, 0, 0})));
}

TEST(MoonPosition, DistanceStaysWithinPerigeeAndApogee) {
  // 1990 to 2030 in steps of 3.3 days: the Moon is always between 356000 and 407000 km.
  const TDateTime first = EncodeDateTime({1990, 1, 1, 0, 0, 0, 0});
  for (double day = 0.0; day < 40.0 * 365.25; day += 3.3) {
    const auto moon = MoonPosition(first + day);
    ASSERT_TRUE(moon) << day;
    EXPECT_GT(moon->position.magnitude, 355000.0) << day;
    EXPECT_LT(moon->position.magnitude, 408000.0) << day;
  }
}

}  // namespace
}  // namespace nimbrel::orbit
