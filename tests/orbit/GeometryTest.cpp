// Ground and observer geometry: sub-points, observer places, look angles with refraction, Observe.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"

namespace nimbrel::orbit {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kJd = 2451545.0;  // sidereal angle 280.46061837 degrees
constexpr double kPolarRadius = 6378.135 * (1.0 - 1.0 / 298.26);

GeodeticPoint Place(double latDeg, double lonDeg, double altKm) {
  return {latDeg * kDeg, lonDeg * kDeg, altKm, 0.0};
}

Vector4 PositionOf(GeodeticPoint place, double jd) {
  Vector4 p;
  Vector4 v;
  CalculateUserPosVel(place, jd, p, v);
  return p;
}

TEST(CalculateLatLonAlt, RoundTripsPlacesFromCalculateUserPosVel) {
  for (double lat : {-89.9, -60.0, -12.5, 0.0, 30.0, 45.0, 60.0, 89.99}) {
    for (double lon : {0.0, 10.0, 179.5, 200.0, 350.0}) {
      for (double alt : {0.0, 400.0, 35786.0}) {
        const auto geo = CalculateLatLonAlt(PositionOf(Place(lat, lon, alt), kJd), kJd);
        ASSERT_TRUE(geo) << lat << " " << lon << " " << alt;
        EXPECT_NEAR(geo->latitude / kDeg, lat, 1e-8) << lat << " " << lon << " " << alt;
        EXPECT_NEAR(geo->longitude / kDeg, lon, 1e-8) << lat << " " << lon << " " << alt;
        EXPECT_NEAR(geo->altitude, alt, 1e-6) << lat << " " << lon << " " << alt;
      }
    }
  }
}

TEST(CalculateLatLonAlt, TheClosedFormAgreesWithTheIteration) {
  // From low orbits to the Moon's distance, every latitude from pole to pole.
  for (double distance : {6500.0, 6778.0, 8000.0, 26560.0, 42164.0, 384400.0}) {
    for (double latDeg = -90.0; latDeg <= 90.0; latDeg += 7.5) {
      const double lat = latDeg * kDeg;
      const Vector4 p{0.6 * distance * std::cos(lat), -0.8 * distance * std::cos(lat),
                      distance * std::sin(lat), 0};
      TLatitudeTrig trig;
      const auto fast = CalculateLatLonAltTurned(p, 1.0, &trig);
      const auto slow = CalculateLatLonAltIterated(p, 1.0);
      ASSERT_TRUE(fast && slow) << distance << " " << latDeg;
      EXPECT_NEAR(fast->latitude, slow->latitude, 1e-11) << distance << " " << latDeg;
      EXPECT_NEAR(fast->altitude, slow->altitude, 1e-6) << distance << " " << latDeg;
      EXPECT_EQ(fast->longitude, slow->longitude);
      EXPECT_NEAR(trig.sinLat, std::sin(slow->latitude), 1e-11) << distance << " " << latDeg;
      EXPECT_NEAR(trig.cosLat, std::cos(slow->latitude), 1e-11) << distance << " " << latDeg;
    }
  }
  // Within a few dozen km of the centre the closed form has no single answer: the iteration's holds.
  const auto centre = CalculateLatLonAltTurned({10.0, 0.0, 5.0, 0.0}, 1.0);
  ASSERT_TRUE(centre);
  EXPECT_EQ(centre->latitude, CalculateLatLonAltIterated({10.0, 0.0, 5.0, 0.0}, 1.0)->latitude);
}

TEST(CalculateLatLonAlt, PointOnTheEquatorAtJ2000) {
  const auto geo = CalculateLatLonAlt({7000.0, 0.0, 0.0, 7000.0}, kJd);
  ASSERT_TRUE(geo);
  EXPECT_DOUBLE_EQ(geo->latitude, 0.0);
  EXPECT_NEAR(geo->longitude / kDeg, 360.0 - 280.46061837, 1e-8);
  EXPECT_NEAR(geo->altitude, 7000.0 - 6378.135, 1e-9);
  EXPECT_DOUBLE_EQ(geo->theta, 0.0);
}

TEST(CalculateLatLonAlt, LongitudesAreNeverNegative) {
  // 10 degrees west of the sidereal angle comes back as 350 degrees east.
  const double theta = SiderealAngle(kJd) - 10.0 * kDeg;
  const auto west = CalculateLatLonAlt({7000.0 * std::cos(theta), 7000.0 * std::sin(theta), 100.0, 0.0}, kJd);
  ASSERT_TRUE(west);
  EXPECT_NEAR(west->longitude / kDeg, 350.0, 1e-9);
  for (int i = 0; i < 3600; ++i) {
    const double a = i * 0.1 * kDeg;
    const auto geo =
        CalculateLatLonAlt({7000.0 * std::cos(a), 7000.0 * std::sin(a), 0.0, 0.0}, kJd + i * 1e-5);
    ASSERT_TRUE(geo);
    EXPECT_GE(geo->longitude, 0.0) << i;
    EXPECT_LT(geo->longitude, 2.0 * 3.14159265358979323846) << i;
  }
}

TEST(CalculateLatLonAlt, PolesGiveLimitingValues) {
  struct {
    Vector4 position;
    double latDeg;
    double altKm;
  } const cases[] = {
      {{0.0, 0.0, 7000.0, 0.0}, 90.0, 7000.0 - kPolarRadius},
      {{0.0, 0.0, -7000.0, 0.0}, -90.0, 7000.0 - kPolarRadius},
      {{1e-9, 0.0, 7000.0, 0.0}, 90.0, 7000.0 - kPolarRadius},
      {{0.0, -1e-12, -kPolarRadius, 0.0}, -90.0, 0.0},
      {{1e-3, 1e-3, 6800.0, 0.0}, 90.0, 6800.0 - kPolarRadius},
  };
  for (const auto& c : cases) {
    const auto geo = CalculateLatLonAlt(c.position, kJd);
    ASSERT_TRUE(geo) << c.position.z;
    EXPECT_NEAR(geo->latitude / kDeg, c.latDeg, 1e-4) << c.position.x << " " << c.position.z;
    EXPECT_NEAR(geo->altitude, c.altKm, 1e-6) << c.position.x << " " << c.position.z;
    EXPECT_GE(geo->longitude, 0.0);
  }
  // On the axis the right ascension is the arc tangent's 3 pi / 2.
  EXPECT_DOUBLE_EQ(CalculateLatLonAlt({0.0, 0.0, 7000.0, 0.0}, kJd)->theta, kThreePiOver2);
}

TEST(CalculateLatLonAlt, NonFiniteInputFailsAtOnce) {
  EXPECT_FALSE(CalculateLatLonAlt({kNaN, 0.0, 7000.0, 0.0}, kJd));
  EXPECT_FALSE(CalculateLatLonAlt({7000.0, kNaN, 0.0, 0.0}, kJd));
  EXPECT_FALSE(CalculateLatLonAlt({7000.0, 0.0, kInf, 0.0}, kJd));
  EXPECT_FALSE(CalculateLatLonAlt({-kInf, 0.0, 0.0, 0.0}, kJd));
  EXPECT_FALSE(CalculateLatLonAlt({7000.0, 0.0, 0.0, 0.0}, kNaN));
  EXPECT_FALSE(CalculateLatLonAlt({7000.0, 0.0, 0.0, 0.0}, kInf));
}

TEST(CalculateLatLonAlt, PointsDeepInsideTheEarthStayFinite) {
  // Near the centre the latitude iteration need not settle; the bounded loop still ends.
  for (double r : {0.0, 1e-6, 1.0, 10.0, 40.0}) {
    for (double a : {0.0, 0.3, 1.2, 1.5707}) {
      const auto geo = CalculateLatLonAlt({r * std::cos(a), 0.0, r * std::sin(a), 0.0}, kJd);
      ASSERT_TRUE(geo) << r << " " << a;
      EXPECT_TRUE(std::isfinite(geo->latitude) && std::isfinite(geo->altitude)) << r << " " << a;
    }
  }
  const auto huge = CalculateLatLonAlt({1e300, 1e300, 1e300, 0.0}, kJd);
  ASSERT_TRUE(huge);
  EXPECT_NEAR(huge->latitude / kDeg, 35.26, 0.01);
}

TEST(CalculateUserPosVel, PlacesOnTheEllipsoidTurnWithTheEarth) {
  GeodeticPoint equator = Place(0.0, 0.0, 0.0);
  Vector4 p;
  Vector4 v;
  CalculateUserPosVel(equator, kJd, p, v);
  EXPECT_NEAR(equator.theta, SiderealAngle(kJd), 1e-15);
  EXPECT_NEAR(p.magnitude, 6378.135, 1e-9);
  EXPECT_NEAR(v.magnitude, 6378.135 * 7.29211585522808e-5, 1e-12);
  EXPECT_NEAR(Dot(p, v), 0.0, 1e-9);

  GeodeticPoint pole = Place(90.0, 123.0, 1.5);
  CalculateUserPosVel(pole, kJd, p, v);
  EXPECT_NEAR(p.z, kPolarRadius + 1.5, 1e-9);
  EXPECT_NEAR(std::hypot(p.x, p.y), 0.0, 1e-9);
  EXPECT_NEAR(v.magnitude, 0.0, 1e-9);
}

// An observer on the equator whose meridian lies on the x axis (theta exactly 0): its local south,
// east and up are -z, +y and +x, so test satellites can be placed exactly.
struct TEquatorObserver {
  GeodeticPoint place;
  Vector4 position;
  TEquatorObserver() : place{0.0, -SiderealAngle(kJd), 0.0, 0.0} {
    Vector4 v;
    GeodeticPoint copy = place;
    CalculateUserPosVel(copy, kJd, position, v);
  }
  // A satellite the given km north, east and up from the observer.
  Vector4 Towards(double north, double east, double up) const {
    return {position.x + up, position.y + east, position.z + north, 0.0};
  }
  std::optional<TObsResult> Look(const Vector4& sat) const {
    GeodeticPoint copy = place;
    return CalculateObs(sat, {0.0, 0.0, 0.0, 0.0}, copy, kJd);
  }
};

TEST(CalculateObs, AzimuthOfTheCompassPointsAndTheZenith) {
  const TEquatorObserver obs;
  ASSERT_EQ(obs.position.y, 0.0);
  ASSERT_EQ(obs.position.z, 0.0);
  struct {
    const char* name;
    Vector4 satellite;
    double azimuthDeg;
  } const cases[] = {
      {"north", obs.Towards(1000.0, 0.0, 100.0), 0.0},
      {"east", obs.Towards(0.0, 1000.0, 100.0), 90.0},
      {"east, negative zero", obs.Towards(-0.0, 1000.0, 100.0), 90.0},
      {"south", obs.Towards(-1000.0, 0.0, 100.0), 180.0},
      {"west", obs.Towards(0.0, -1000.0, 100.0), 270.0},
      {"west, negative zero", obs.Towards(-0.0, -1000.0, 100.0), 270.0},
      {"north-west", obs.Towards(1000.0, -1000.0, 100.0), 315.0},
      {"zenith", obs.Towards(0.0, 0.0, 500.0), 0.0},
  };
  for (const auto& c : cases) {
    const auto look = obs.Look(c.satellite);
    ASSERT_TRUE(look) << c.name;
    EXPECT_NEAR(look->look.azimuth / kDeg, c.azimuthDeg, 1e-9) << c.name;
    EXPECT_TRUE(look->visible) << c.name;
  }
  const auto zenith = obs.Look(obs.Towards(0.0, 0.0, 500.0));
  EXPECT_NEAR(zenith->look.elevation / kDeg, 90.0, 1e-4);
  EXPECT_NEAR(zenith->look.range, 500.0, 1e-9);
}

TEST(CalculateObs, RefractionOnlyLiftsWhatIsNearTheHorizon) {
  const TEquatorObserver obs;
  struct {
    double trueDeg;
    bool visible;
    double minDeg, maxDeg;  // the elevation returned
  } const cases[] = {
      {10.0, true, 10.08, 10.10},          // 5.4 arc minutes of refraction
      {0.0, true, 0.47, 0.49},             // 29 arc minutes at the horizon
      {-0.5, true, 0.0, 0.07},             // lifted just above the horizon
      {-1.0, false, -1.0, -1.0},           // 0.65 degree is not enough: the true value comes back
      {-3.0, false, -3.0, -3.0},           //
      {-5.0818, false, -5.0818, -5.0818},  // near the formula's pole: once "visible" at +0.77 degree
      {-5.1, false, -5.1, -5.1},           //
      {-5.11, false, -5.11, -5.11},        // the pole itself
      {-5.2, false, -5.2, -5.2},           //
      {-45.0, false, -45.0, -45.0},        //
  };
  for (const auto& c : cases) {
    const double e = c.trueDeg * kDeg;
    const auto look = obs.Look(obs.Towards(2000.0 * std::cos(e), 0.0, 2000.0 * std::sin(e)));
    ASSERT_TRUE(look) << c.trueDeg;
    EXPECT_EQ(look->visible, c.visible) << c.trueDeg;
    EXPECT_GE(look->look.elevation / kDeg, c.minDeg - 1e-9) << c.trueDeg;
    EXPECT_LE(look->look.elevation / kDeg, c.maxDeg + 1e-9) << c.trueDeg;
  }
  EXPECT_EQ(RefractionCorrection(-5.11 * kDeg), 0.0);
  EXPECT_EQ(RefractionCorrection(kNaN), 0.0);
}

TEST(CalculateObs, NonFiniteInputFails) {
  const TEquatorObserver obs;
  const Vector4 sat = obs.Towards(0.0, 0.0, 500.0);
  EXPECT_FALSE(obs.Look({kNaN, 0.0, 0.0, 0.0}));
  GeodeticPoint bad = obs.place;
  bad.latitude = kNaN;
  EXPECT_FALSE(CalculateObs(sat, {}, bad, kJd));
  bad = obs.place;
  bad.altitude = kInf;
  EXPECT_FALSE(CalculateObs(sat, {}, bad, kJd));
  GeodeticPoint good = obs.place;
  EXPECT_FALSE(CalculateObs(sat, {0.0, kInf, 0.0, 0.0}, good, kNaN));
  EXPECT_FALSE(CalculateObs(sat, {0.0, kInf, 0.0, 0.0}, good, kJd));
}

TEST(CalculateObs, SatelliteAtTheObserverIsOverheadAndStill) {
  const TEquatorObserver obs;
  const auto look = obs.Look(obs.position);
  ASSERT_TRUE(look);
  EXPECT_EQ(look->look.range, 0.0);
  EXPECT_EQ(look->look.azimuth, 0.0);
  EXPECT_EQ(look->look.rangeRate, 0.0);
  EXPECT_NEAR(look->look.elevation / kDeg, 90.0, 1e-4);
}

}  // namespace
}  // namespace nimbrel::orbit
