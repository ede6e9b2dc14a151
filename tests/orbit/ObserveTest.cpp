// TSatellite::Observe: look angles and the ground point of a propagated satellite.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/Satellite.h"

namespace nimbrel::orbit {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

GeodeticPoint Place(double latDeg, double lonDeg, double altKm) {
  return {latDeg * kDeg, lonDeg * kDeg, altKm, 0.0};
}

// ISS, 2006 January 3.
constexpr const char* kIssLine1 = "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844";
constexpr const char* kIssLine2 = "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269";

TEST(Observe, ObserverDirectlyBelowSeesTheSatelliteOverhead) {
  TSatellite iss = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  for (double minutes : {0.0, 17.0, 40.0, 66.0, 1440.0}) {
    const double jd = iss.EpochJD() + minutes / kMinutesPerDay;
    Vector4 p;
    Vector4 v;
    iss.Propagate(jd, p, v);
    ConvertSatState(p, v);
    const auto sub = CalculateLatLonAlt(p, jd);
    ASSERT_TRUE(sub);
    TObservation o;
    EXPECT_TRUE(iss.Observe(Place(sub->latitude / kDeg, sub->longitude / kDeg, 0.0), jd, 0.0, o)) << minutes;
    EXPECT_NEAR(o.elevation / kDeg, 90.0, 1e-4) << minutes;
    EXPECT_NEAR(o.range, sub->altitude, 1e-6) << minutes;
    EXPECT_NEAR(o.subLatitude, sub->latitude, 1e-12) << minutes;
    EXPECT_NEAR(o.subLongitude, sub->longitude, 1e-12) << minutes;
    EXPECT_EQ(o.descending, v.z < 0.0) << minutes;
  }
}

TEST(Observe, RangeRateIsTheChangeOfRange) {
  TSatellite iss = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  const GeodeticPoint observer = Place(52.0, 5.0, 0.01);
  for (double minutes = 0.0; minutes < 200.0; minutes += 13.0) {
    const double jd = iss.EpochJD() + minutes / kMinutesPerDay;
    const double step = 1.0 / kSecondsPerDay;
    TObservation before, now, after;
    iss.Observe(observer, jd - step, 0.0, before);
    iss.Observe(observer, jd, 0.0, now);
    iss.Observe(observer, jd + step, 0.0, after);
    EXPECT_NEAR(now.rangeRate, (after.range - before.range) / 2.0, 2e-3) << minutes;
    EXPECT_GE(now.azimuth, 0.0);
    EXPECT_LT(now.azimuth, 2.0 * 3.14159265358979323846);
  }
}

TEST(Observe, ResultIsElevationStrictlyAboveTheMinimum) {
  TSatellite iss = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  const double jd = iss.EpochJD();
  Vector4 p;
  Vector4 v;
  iss.Propagate(jd, p, v);
  ConvertSatState(p, v);
  const auto sub = CalculateLatLonAlt(p, jd);
  ASSERT_TRUE(sub);
  // 15 degrees of arc along the ground from the sub-satellite point the ISS is low but up.
  const GeodeticPoint observer = Place(sub->latitude / kDeg + 15.0, sub->longitude / kDeg, 0.0);
  TObservation o;
  iss.Observe(observer, jd, 0.0, o);
  const double elevationDeg = o.elevation / kDeg;
  ASSERT_GT(elevationDeg, 0.0);
  EXPECT_TRUE(iss.Observe(observer, jd, elevationDeg - 1e-6, o));
  EXPECT_FALSE(iss.Observe(observer, jd, elevationDeg + 1e-6, o));
  EXPECT_FALSE(iss.Observe(observer, jd, 90.0, o));
  // Far round the Earth it is below the horizon, not visible even at a minimum below the horizon's.
  const GeodeticPoint antipode = Place(-sub->latitude / kDeg, sub->longitude / kDeg + 180.0, 0.0);
  EXPECT_FALSE(iss.Observe(antipode, jd, 0.0, o));
  EXPECT_LT(o.elevation / kDeg, -60.0);
}

TEST(Observe, NonFiniteObserverOrTimeThrows) {
  TSatellite iss = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  TObservation o;
  EXPECT_THROW(iss.Observe(Place(kNaN, 0.0, 0.0), iss.EpochJD(), 0.0, o), EOrbitError);
  EXPECT_THROW(iss.Observe(Place(0.0, 0.0, kInf), iss.EpochJD(), 0.0, o), EOrbitError);
  EXPECT_THROW(iss.Observe(Place(0.0, 0.0, 0.0), kNaN, 0.0, o), EOrbitError);
  // Finite, but too far out for finite look angles.
  EXPECT_THROW(iss.Observe(Place(0.0, 0.0, 1e300), iss.EpochJD(), 0.0, o), EOrbitError);
  EXPECT_FALSE(iss.Observe(Place(0.0, 0.0, 0.0), iss.EpochJD(), kNaN, o));
}

}  // namespace
}  // namespace nimbrel::orbit
