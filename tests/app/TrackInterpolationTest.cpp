// Points placed between propagations: within the error bound of the full propagation for every kind of
// orbit, with far fewer propagations, and exact wherever the clock jumps.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/TrackInterpolation.h"
#include "orbit/Geometry.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"

namespace nimbrel::app {
namespace {

using orbit::TSatellite;

struct TOrbitCase {
  const char* what;
  double meanMotion;  // revolutions a day
  int eccentricity;   // the element line's seven digits
  double inclination;
};

TSatellite Make(const TOrbitCase& c) {
  char line1[80];
  char line2[80];
  std::snprintf(line1, sizeof line1, "1 20001U 21001A   21121.50000000  .00000000  00000-0  00000-0 0  9990");
  std::snprintf(line2, sizeof line2, "2 20001 %8.4f %8.4f %07d %8.4f %8.4f %11.8f    10", c.inclination, 40.0,
                c.eccentricity, 250.0, 10.0, c.meanMotion);
  return TSatellite::Create(c.what, line1, line2);
}

// The place a full update gives: propagated at jd and put on the globe as it is turned then.
std::optional<TScenePoint> Exact(TSatellite& satellite, double jd) {
  orbit::Vector4 r;
  orbit::Vector4 v;
  if (!satellite.TryPropagate(jd, r, v)) return std::nullopt;
  orbit::ConvertSatState(r, v);
  const auto location = GeodeticToScene(r, EarthTurnAt(jd));
  if (!location) return std::nullopt;
  return location->point;
}

double DistanceKm(const TScenePoint& a, const TScenePoint& b) {
  const double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
  return 1000 * std::sqrt(dx * dx + dy * dy + dz * dz);
}

const double kJd0 = orbit::JulianDateFromDateTime(orbit::EncodeDateTime({2021, 5, 1, 12, 0, 0, 0}));

constexpr TOrbitCase kOrbits[] = {
    {"low, circular", 15.5, 5000, 51.6},     {"low, polar", 14.2, 1200, 98.7},
    {"low, eccentric", 12.5, 1000000, 63.0}, {"navigation", 2.0057, 100000, 55.0},
    {"Molniya", 2.006, 7200000, 63.4},       {"transfer orbit", 2.27, 7300000, 27.0},
    {"geosynchronous", 1.0027, 2, 0.05},     {"beyond geosynchronous", 0.9, 3000, 10.0},
};

// A day at x600 and 30 pictures a second (20 s a picture), forwards, then half a day back in minutes.
TEST(TrackInterpolation, StaysWithinTheBoundOfTheFullPropagationForEveryKindOfOrbit) {
  for (const TOrbitCase& c : kOrbits) {
    TSatellite interpolated = Make(c);
    TSatellite full = Make(c);
    const double stretch = TInterpolatedTrack::StretchDays(interpolated.Elements());
    TInterpolatedTrack track;
    double worstKm = 0;
    int pictures = 0;
    const auto check = [&](double jd) {
      const auto place = track.PlaceAt(interpolated, jd, EarthTurnAt(jd), stretch);
      const auto exact = Exact(full, jd);
      ASSERT_TRUE(place && exact) << c.what;
      worstKm = std::max(worstKm, DistanceKm(place->point, *exact));
      ++pictures;
    };
    for (int i = 0; i <= 4320; ++i) check(kJd0 + i * 20 / 86400.0);
    const long forwards = track.Propagations();
    for (int i = 1; i <= 720; ++i) check(kJd0 + 1 - i / 1440.0);
    EXPECT_LT(worstKm, TInterpolatedTrack::kMaxErrorKm) << c.what;
    EXPECT_LT(forwards * 8, 4321) << c.what << ": at most one propagation in eight pictures";
    EXPECT_LT(track.Propagations(), pictures) << c.what;
  }
}

TEST(TrackInterpolation, AJumpOrAStoppedClockIsPlacedExactlyWithOnePropagationAtMost) {
  TSatellite interpolated = Make(kOrbits[0]);
  TSatellite full = Make(kOrbits[0]);
  const double stretch = TInterpolatedTrack::StretchDays(interpolated.Elements());
  TInterpolatedTrack track;
  for (int i = 0; i < 10; ++i) {
    const double jd = kJd0 + i * 20 / 86400.0;
    (void)track.PlaceAt(interpolated, jd, EarthTurnAt(jd), stretch);
  }
  for (const double jd : {kJd0 + 2.0 / 24, kJd0 - 3.0, kJd0 + 2.0 / 24}) {
    const long before = track.Propagations();
    const auto place = track.PlaceAt(interpolated, jd, EarthTurnAt(jd), stretch);
    const auto exact = Exact(full, jd);
    ASSERT_TRUE(place && exact);
    EXPECT_EQ(std::memcmp(&place->point, &*exact, sizeof *exact), 0) << "a jump is propagated in full";
    EXPECT_EQ(track.Propagations(), before + 1);
    const auto again = track.PlaceAt(interpolated, jd, EarthTurnAt(jd), stretch);
    ASSERT_TRUE(again);
    EXPECT_EQ(std::memcmp(&again->point, &*exact, sizeof *exact), 0) << "the same instant, the same place";
    EXPECT_EQ(track.Propagations(), before + 1);
  }
}

TEST(TrackInterpolation, StretchesAreShortestForTheFastestTurn) {
  const double low = TInterpolatedTrack::StretchDays(Make(kOrbits[0]).Elements());
  const double transfer = TInterpolatedTrack::StretchDays(Make(kOrbits[5]).Elements());
  const double geo = TInterpolatedTrack::StretchDays(Make(kOrbits[6]).Elements());
  EXPECT_LT(transfer, low) << "a low perigee passed fast";
  EXPECT_LT(low, geo);
  EXPECT_LE(geo * 86400, 900.0);
  orbit::TElementSet broken;
  broken.meanMotion = -1;
  EXPECT_GT(TInterpolatedTrack::StretchDays(broken), 0.0);
}

}  // namespace
}  // namespace nimbrel::app
