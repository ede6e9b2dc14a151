// Pass prediction: AOS and LOS where Observe's elevation crosses the horizon, the greatest elevation,
// passes too short for a coarse search, the window's edges, the observer at a pole, visibility to the
// eye, and the catalogue search on several threads.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <stop_token>
#include <string>
#include <vector>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/Passes.h"
#include "orbit/Satellite.h"
#include "orbit/SunMoon.h"

namespace nimbrel::orbit {
namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr double kSecond = 1.0 / kSecondsPerDay;

GeodeticPoint Place(double latDeg, double lonDeg, double altKm = 0.0) {
  return {latDeg * kDeg, Modulus(lonDeg, 360.0) * kDeg, altKm, 0.0};
}

// ISS, 2006 January 3.
constexpr const char* kIssLine1 = "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844";
constexpr const char* kIssLine2 = "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269";

TSatellite Iss() {
  return TSatellite::Create("ISS", kIssLine1, kIssLine2);
}

// A set with an epoch in 2006 written from its elements.
TSatellite MakeSatellite(int number, double epochDay, double inclinationDeg, double raanDeg,
                         double eccentricity, double argPerigeeDeg, double meanAnomalyDeg, double revsPerDay,
                         const char* bstar = " 10000-4") {
  char line1[80];
  char line2[80];
  std::snprintf(line1, sizeof line1, "1 %05dU 06001A   06%012.8f  .00000100  00000-0 %s 0  9990", number,
                epochDay, bstar);
  std::snprintf(line2, sizeof line2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f%5d0", number, inclinationDeg,
                raanDeg, static_cast<int>(std::lround(eccentricity * 1e7)), argPerigeeDeg, meanAnomalyDeg,
                revsPerDay, 1000);
  return TSatellite::Create("SAT " + std::to_string(number), line1, line2);
}

TSatellite Geostationary() {
  return MakeSatellite(99901, 40.5, 0.05, 85.0, 0.0002, 90.0, 180.0, 1.00271);
}

double ElevationAt(TSatellite& sat, const GeodeticPoint& observer, double jd) {
  TObservation o;
  sat.Observe(observer, jd, 0.0, o);
  return o.elevation;
}

// The stretches where Observe sees the satellite at or above the horizon, sampled every `step`
// seconds: [first sample up, last sample up].
std::vector<TTimeSpan> BruteForce(TSatellite sat, const TPassSearch& search, double step) {
  std::vector<TTimeSpan> spans;
  bool up = false;
  const int count = static_cast<int>((search.endJD - search.startJD) / (step * kSecond));
  for (int i = 0; i <= count; ++i) {
    const double jd = search.startJD + i * step * kSecond;
    const bool nowUp = ElevationAt(sat, search.observer, jd) >= 0.0;
    if (nowUp && !up) spans.push_back({jd, jd});
    if (nowUp) spans.back().endJD = jd;
    up = nowUp;
  }
  return spans;
}

// Every stretch seen by sampling lies within a pass found, and every pass found that lasts more than
// two samples' spacing was seen by sampling.
void ExpectMatchesBruteForce(const TSatellite& sat, const TPassSearch& search, const TPassList& found,
                             double step, const std::string& label) {
  ASSERT_EQ(found.status, TPassStatus::psComplete) << label << ": " << found.error;
  const std::vector<TTimeSpan> sampled = BruteForce(sat, search, step);
  for (const TTimeSpan& s : sampled) {
    bool covered = false;
    for (const TPass& p : found.passes) {
      covered |= p.aosJD <= s.startJD + 1e-3 * kSecond && s.endJD <= p.losJD + 1e-3 * kSecond;
    }
    EXPECT_TRUE(covered) << label << ": sampled pass at JD " << std::to_string(s.startJD) << " not found";
  }
  int longPasses = 0;
  for (const TPass& p : found.passes) longPasses += p.DurationSeconds() > 2.0 * step ? 1 : 0;
  EXPECT_GE(static_cast<int>(sampled.size()), longPasses) << label;
  EXPECT_LE(sampled.size(), found.passes.size()) << label;
}

TEST(Passes, AosAndLosAreWhereTheElevationCrossesTheHorizon) {
  TSatellite iss = Iss();
  // Starting where the satellite is below the horizon, so that every pass has an AOS and a LOS.
  const TPassSearch search{Place(52.0, 5.0, 0.01), iss.EpochJD() + 0.25, iss.EpochJD() + 2.25};
  const TPassList found = FindPasses(iss, search);
  ASSERT_EQ(found.status, TPassStatus::psComplete);
  ASSERT_GE(found.passes.size(), 8u);
  double previousLos = search.startJD;
  for (const TPass& p : found.passes) {
    const std::string at = "pass at JD " + std::to_string(p.aosJD);
    EXPECT_FALSE(p.inProgress || p.cut || p.alwaysUp) << at;
    EXPECT_GT(p.aosJD, previousLos) << at;
    previousLos = p.losJD;
    TObservation o;
    iss.Observe(search.observer, p.aosJD, 0.0, o);
    EXPECT_NEAR(o.elevation / kDeg, 0.0, 0.01) << at;
    EXPECT_GE(o.elevation, 0.0) << at;
    EXPECT_NEAR(o.azimuth, p.aosAzimuth, 1e-9) << at;
    EXPECT_LT(ElevationAt(iss, search.observer, p.aosJD - kSecond), o.elevation) << at;
    EXPECT_LT(ElevationAt(iss, search.observer, p.aosJD - 0.1 * kSecond), 0.0) << at;

    iss.Observe(search.observer, p.losJD, 0.0, o);
    EXPECT_NEAR(o.elevation / kDeg, 0.0, 0.01) << at;
    EXPECT_GE(o.elevation, 0.0) << at;
    EXPECT_NEAR(o.azimuth, p.losAzimuth, 1e-9) << at;
    EXPECT_LT(ElevationAt(iss, search.observer, p.losJD + kSecond), o.elevation) << at;
    EXPECT_LT(ElevationAt(iss, search.observer, p.losJD + 0.1 * kSecond), 0.0) << at;
  }
}

TEST(Passes, GreatestElevationIsTheMaximum) {
  TSatellite iss = Iss();
  const TPassSearch search{Place(-33.9, 151.2), iss.EpochJD() + 1.0, iss.EpochJD() + 3.0};
  const TPassList found = FindPasses(iss, search);
  ASSERT_GE(found.passes.size(), 5u);
  for (const TPass& p : found.passes) {
    const std::string at = "pass at JD " + std::to_string(p.aosJD);
    TObservation o;
    iss.Observe(search.observer, p.tcaJD, 0.0, o);
    EXPECT_DOUBLE_EQ(o.elevation, p.maxElevation) << at;
    EXPECT_DOUBLE_EQ(o.azimuth, p.tcaAzimuth) << at;
    EXPECT_GT(p.tcaJD, p.aosJD) << at;
    EXPECT_LT(p.tcaJD, p.losJD) << at;
    for (double offset : {-60.0, -5.0, -1.0, -0.2, 0.2, 1.0, 5.0, 60.0}) {
      EXPECT_LE(ElevationAt(iss, search.observer, p.tcaJD + offset * kSecond), p.maxElevation + 1e-9)
          << at << " offset " << offset;
    }
    for (double jd = p.aosJD; jd < p.losJD; jd += 7.0 * kSecond) {
      EXPECT_LE(ElevationAt(iss, search.observer, jd), p.maxElevation + 1e-9) << at;
    }
  }
}

// The observer's place on the Earth whose direction, at the date, is at `angle` from the satellite's
// ground point, at right angles to its track.
GeodeticPoint BesideTheTrack(TSatellite& sat, double jd, double angle) {
  Vector4 p, v;
  sat.Propagate(jd, p, v);
  ConvertSatState(p, v);
  Vector4 normal{p.y * v.z - p.z * v.y, p.z * v.x - p.x * v.z, p.x * v.y - p.y * v.x};
  Magnitude(normal);
  const Vector4 toward{
      kXkmper * (std::cos(angle) * p.x / p.magnitude + std::sin(angle) * normal.x / normal.magnitude),
      kXkmper * (std::cos(angle) * p.y / p.magnitude + std::sin(angle) * normal.y / normal.magnitude),
      kXkmper * (std::cos(angle) * p.z / p.magnitude + std::sin(angle) * normal.z / normal.magnitude)};
  GeodeticPoint place = *CalculateLatLonAlt(toward, jd);
  place.altitude = 0.0;
  return place;
}

TEST(Passes, ShortGrazingPassIsFound) {
  TSatellite iss = Iss();
  const double jd = iss.EpochJD() + 0.3;
  // Move the observer away from the track until the satellite is only 0.3 degrees up at that moment.
  double near = 0.0;
  double far = 40.0 * kDeg;
  for (int i = 0; i < 60; ++i) {
    const double mid = 0.5 * (near + far);
    (ElevationAt(iss, BesideTheTrack(iss, jd, mid), jd) > 0.3 * kDeg ? near : far) = mid;
  }
  const GeodeticPoint observer = BesideTheTrack(iss, jd, near);
  const TPassSearch search{observer, jd - 30.0 / kMinutesPerDay, jd + 30.0 / kMinutesPerDay};
  const TPassList found = FindPasses(iss, search);
  ASSERT_EQ(found.passes.size(), 1u);
  const TPass& p = found.passes[0];
  EXPECT_LT(p.maxElevation, 1.0 * kDeg);
  EXPECT_GE(p.maxElevation, 0.3 * kDeg);
  EXPECT_LT(p.DurationSeconds(), 180.0);
  EXPECT_LE(p.aosJD, jd);
  EXPECT_GE(p.losJD, jd);
  ExpectMatchesBruteForce(iss, search, found, 1.0, "grazing");
  // Sampling at 0.1 s puts AOS and LOS within a sample of what the search found.
  const std::vector<TTimeSpan> fine = BruteForce(iss, search, 0.1);
  ASSERT_EQ(fine.size(), 1u);
  EXPECT_NEAR((fine[0].startJD - p.aosJD) / kSecond, 0.05, 0.06);
  EXPECT_NEAR((p.losJD - fine[0].endJD) / kSecond, 0.05, 0.06);
}

TEST(Passes, GeostationaryIsAlwaysUpOrNeverUp) {
  TSatellite geo = Geostationary();
  const double start = geo.EpochJD() + 2.0;
  Vector4 p, v;
  geo.Propagate(start, p, v);
  ConvertSatState(p, v);
  const double lonDeg = CalculateLatLonAlt(p, start)->longitude / kDeg;

  const TPassSearch below{Place(40.0, lonDeg), start, start + 3.0};
  const TPassList up = FindPasses(geo, below);
  ASSERT_EQ(up.status, TPassStatus::psComplete);
  ASSERT_EQ(up.passes.size(), 1u);
  const TPass& pass = up.passes[0];
  EXPECT_TRUE(pass.alwaysUp);
  EXPECT_TRUE(pass.inProgress);
  EXPECT_TRUE(pass.cut);
  EXPECT_DOUBLE_EQ(pass.aosJD, below.startJD);
  EXPECT_DOUBLE_EQ(pass.losJD, below.endJD);
  EXPECT_NEAR(pass.maxElevation / kDeg, 43.5, 1.0);
  EXPECT_NEAR(pass.DurationSeconds(), 3.0 * kSecondsPerDay, 1e-3);

  for (const GeodeticPoint& observer : {Place(40.0, lonDeg + 180.0), Place(-20.0, lonDeg + 100.0)}) {
    const TPassList none = FindPasses(geo, {observer, start, start + 3.0});
    EXPECT_EQ(none.status, TPassStatus::psComplete);
    EXPECT_TRUE(none.passes.empty());
    EXPECT_FALSE(none.neverRises);  // it is the Earth's turning that keeps it away, not the orbit
  }
  // From 85 degrees north a geostationary satellite is below the horizon whatever its longitude.
  const TPassList polar = FindPasses(geo, {Place(85.0, lonDeg), start, start + 3.0});
  EXPECT_TRUE(polar.passes.empty());
  EXPECT_TRUE(polar.neverRises);
}

TEST(Passes, PassesCutByTheWindowAreMarked) {
  TSatellite iss = Iss();
  const GeodeticPoint observer = Place(52.0, 5.0);
  const TPassList whole = FindPasses(iss, {observer, iss.EpochJD(), iss.EpochJD() + 1.0});
  ASSERT_GE(whole.passes.size(), 3u);
  const TPass& reference = whole.passes[1];

  // Starting at the greatest elevation: the pass is in progress, AOS is the start, LOS unchanged.
  const TPassList later = FindPasses(iss, {observer, reference.tcaJD, reference.tcaJD + 0.2});
  ASSERT_FALSE(later.passes.empty());
  const TPass& first = later.passes.front();
  EXPECT_TRUE(first.inProgress);
  EXPECT_FALSE(first.cut);
  EXPECT_FALSE(first.alwaysUp);
  EXPECT_DOUBLE_EQ(first.aosJD, reference.tcaJD);
  EXPECT_NEAR((first.losJD - reference.losJD) / kSecond, 0.0, 0.01);
  EXPECT_NEAR(first.maxElevation, reference.maxElevation, 1e-6);

  // Ending there: cut, LOS is the end.
  const TPassList earlier = FindPasses(iss, {observer, reference.aosJD - 0.1, reference.tcaJD});
  ASSERT_FALSE(earlier.passes.empty());
  const TPass& last = earlier.passes.back();
  EXPECT_TRUE(last.cut);
  EXPECT_FALSE(last.inProgress);
  EXPECT_DOUBLE_EQ(last.losJD, reference.tcaJD);
  EXPECT_NEAR((last.aosJD - reference.aosJD) / kSecond, 0.0, 0.01);

  // A window inside the pass: up throughout.
  const TPassList inside =
      FindPasses(iss, {observer, reference.aosJD + 10 * kSecond, reference.losJD - 10 * kSecond});
  ASSERT_EQ(inside.passes.size(), 1u);
  EXPECT_TRUE(inside.passes[0].alwaysUp);
}

TEST(Passes, ObserverAtAPole) {
  // A sun-synchronous orbit crosses the polar caps every revolution.
  TSatellite polar = MakeSatellite(99910, 3.5, 98.7, 10.0, 0.001, 90.0, 270.0, 14.2);
  for (double latitude : {90.0, -90.0}) {
    const TPassSearch search{Place(latitude, 0.0), polar.EpochJD(), polar.EpochJD() + 1.0};
    const TPassList found = FindPasses(polar, search);
    EXPECT_GE(found.passes.size(), 10u) << latitude;
    ExpectMatchesBruteForce(polar, search, found, 5.0, "pole " + std::to_string(latitude));
    for (const TPass& p : found.passes) {
      if (!p.inProgress) {
        EXPECT_NEAR(ElevationAt(polar, search.observer, p.aosJD) / kDeg, 0.0, 0.01);
      }
      if (!p.cut) {
        EXPECT_NEAR(ElevationAt(polar, search.observer, p.losJD) / kDeg, 0.0, 0.01);
      }
    }
  }
  // The ISS, at 51.6 degrees, never comes above the horizon of a pole: skipped without a propagation.
  TSatellite iss = Iss();
  const TPassList none = FindPasses(iss, {Place(90.0, 0.0), iss.EpochJD(), iss.EpochJD() + 1.0});
  EXPECT_TRUE(none.neverRises);
  EXPECT_TRUE(none.passes.empty());
  EXPECT_TRUE(iss.NeedsInit());
}

TEST(Passes, NeverRisesOnlyWhereTheOrbitCannotReach) {
  TSatellite iss = Iss();
  // From 51.6 degrees of inclination at 350 km the ISS is seen up to about 71 degrees of latitude.
  for (double latitude : {0.0, 45.0, 60.0, 68.0, -68.0}) {
    EXPECT_FALSE(CanNeverRise(iss, {Place(latitude, 0.0), iss.EpochJD(), iss.EpochJD() + 1.0})) << latitude;
  }
  for (double latitude : {76.0, -80.0, 90.0}) {
    EXPECT_TRUE(CanNeverRise(iss, {Place(latitude, 0.0), iss.EpochJD(), iss.EpochJD() + 1.0})) << latitude;
  }
  // A retrograde orbit reaches as far as 180 degrees less its inclination.
  TSatellite retro = MakeSatellite(99911, 3.5, 140.0, 10.0, 0.001, 90.0, 270.0, 15.0);
  EXPECT_FALSE(CanNeverRise(retro, {Place(55.0, 0.0), retro.EpochJD(), retro.EpochJD() + 1.0}));
  EXPECT_TRUE(CanNeverRise(retro, {Place(70.0, 0.0), retro.EpochJD(), retro.EpochJD() + 1.0}));
}

TEST(Passes, EarthShadowIsAConeBehindTheEarth) {
  const Vector4 sun{1.496e8, 0.0, 0.0};
  struct TCase {
    const char* what;
    Vector4 satellite;
    bool sunlit;
  };
  const TCase cases[] = {
      {"day side", {7000.0, 0.0, 0.0}, true},
      {"straight behind", {-7000.0, 0.0, 0.0}, false},
      {"behind, off the axis by less than the Earth's radius", {-7000.0, 6000.0, 0.0}, false},
      {"behind, off the axis by more", {-7000.0, 6500.0, 0.0}, true},
      {"geostationary distance on the axis", {-42164.0, 0.0, 0.0}, false},
      // The umbra narrows: 6300 km off the axis is in it near the Earth but not at 1 million km.
      {"near, 6300 km off", {-10000.0, 6300.0, 0.0}, false},
      {"far, 6300 km off", {-1.0e6, 6300.0, 0.0}, true},
      {"beyond the umbra's apex", {-1.5e6, 0.0, 0.0}, true},
      {"above the terminator", {0.0, 7000.0, 0.0}, true},
  };
  for (const TCase& c : cases) EXPECT_EQ(IsSunlit(c.satellite, sun), c.sunlit) << c.what;
}

// The time within a day from `from` when the satellite's ground point sees the Sun at an elevation
// within [low, high] degrees, the Sun going down.
double FindTimeWithSunBelow(TSatellite& sat, double from, double low, double high) {
  for (double jd = from; jd < from + 1.0; jd += 20.0 * kSecond) {
    Vector4 p, v;
    sat.Propagate(jd, p, v);
    ConvertSatState(p, v);
    GeodeticPoint ground = *CalculateLatLonAlt(p, jd);
    ground.altitude = 0.0;
    const double sun = SunElevation(ground, jd) / kDeg;
    const double sunLater = SunElevation(ground, jd + 60.0 * kSecond) / kDeg;
    if (sun >= low && sun <= high && sunLater < sun) return jd;
  }
  return 0.0;
}

TEST(Passes, VisualWhenSunlitAfterSunsetNotInTheShadowAtMidnight) {
  TSatellite iss = Iss();
  struct TCase {
    const char* what;
    double sunLow, sunHigh;
    bool visual;
  };
  // Overhead after sunset the ISS, 350 km up, is still in sunlight while the ground is dark; near
  // local midnight it is deep in the Earth's shadow.
  const TCase cases[] = {{"after sunset", -14.0, -9.0, true}, {"midnight", -90.0, -50.0, false}};
  for (const TCase& c : cases) {
    const double jd = FindTimeWithSunBelow(iss, iss.EpochJD(), c.sunLow, c.sunHigh);
    ASSERT_NE(jd, 0.0) << c.what;
    Vector4 p, v;
    iss.Propagate(jd, p, v);
    ConvertSatState(p, v);
    GeodeticPoint observer = *CalculateLatLonAlt(p, jd);
    observer.altitude = 0.0;
    EXPECT_EQ(IsSunlit(p, SolarPosition(jd)), c.visual) << c.what;

    const TPassList found = FindPasses(iss, {observer, jd - 0.01, jd + 0.01});
    ASSERT_EQ(found.passes.size(), 1u) << c.what;
    const TPass& pass = found.passes[0];
    EXPECT_GT(pass.maxElevation, 80.0 * kDeg) << c.what;
    EXPECT_EQ(pass.Visual(), c.visual) << c.what;
    if (c.visual) {
      ASSERT_EQ(pass.visualParts.size(), 1u);
      const TTimeSpan& part = pass.visualParts[0];
      EXPECT_LE(part.startJD, jd) << c.what;
      EXPECT_GE(part.endJD, jd) << c.what;
      EXPECT_GE(part.startJD, pass.aosJD);
      EXPECT_LE(part.endJD, pass.losJD);
    }
  }
}

TEST(Passes, VisualPartEndsWhereTheSatelliteEntersTheShadow) {
  TSatellite iss = Iss();
  const TPassSearch search{Place(52.0, 5.0), 2453740.0, 2453742.0};  // 2006 January 4 and 5, 12h
  const TPassList found = FindPasses(iss, search);
  int partial = 0;
  for (const TPass& pass : found.passes) {
    for (const TTimeSpan& part : pass.visualParts) {
      // At both ends of a visual span one of the two conditions switches; inside it both hold.
      const double mid = 0.5 * (part.startJD + part.endJD);
      Vector4 p, v;
      iss.Propagate(mid, p, v);
      ConvertSatState(p, v);
      EXPECT_TRUE(IsSunlit(p, SolarPosition(mid)));
      EXPECT_LE(SunElevation(search.observer, mid), -6.0 * kDeg);
      if (part.endJD < pass.losJD) {
        ++partial;
        const double after = part.endJD + 0.1 * kSecond;
        iss.Propagate(after, p, v);
        ConvertSatState(p, v);
        EXPECT_FALSE(IsSunlit(p, SolarPosition(after)) &&
                     SunElevation(search.observer, after) <= -6.0 * kDeg);
      }
    }
  }
  EXPECT_GE(partial, 1);
}

std::vector<TSatellite> MixedCatalogue(int count) {
  std::mt19937 random(13);
  std::uniform_real_distribution<double> angle(0.0, 359.0);
  std::vector<TSatellite> sats;
  for (int i = 0; i < count; ++i) {
    const bool deep = i % 5 == 0;
    sats.push_back(MakeSatellite(20000 + i, 3.5, angle(random) / 2.0, angle(random), deep ? 0.01 : 0.002,
                                 angle(random), angle(random),
                                 deep ? 1.0027 + i * 0.02 : 13.5 + (i % 7) * 0.3));
  }
  return sats;
}

TEST(Passes, NoPassIsMissedAcrossACatalogue) {
  const std::vector<TSatellite> sats = MixedCatalogue(12);
  const TPassSearch search{Place(38.0, -77.0, 0.1), 2453739.0, 2453740.0};
  for (const TSatellite& sat : sats) {
    ExpectMatchesBruteForce(sat, search, FindPasses(sat, search), 10.0, sat.Name());
  }
}

TEST(Passes, ThreadsFindWhatOneThreadFinds) {
  const std::vector<TSatellite> sats = MixedCatalogue(40);
  const TPassSearch search{Place(48.0, 11.0), 2453739.0, 2453740.5};
  const std::vector<TPassList> one = FindPassesForAll(sats, search, 1);
  const std::vector<TPassList> many = FindPassesForAll(sats, search, 4);
  ASSERT_EQ(one.size(), sats.size());
  ASSERT_EQ(many.size(), sats.size());
  int passes = 0;
  for (std::size_t i = 0; i < sats.size(); ++i) {
    ASSERT_EQ(one[i].status, TPassStatus::psComplete);
    EXPECT_EQ(many[i].status, TPassStatus::psComplete);
    EXPECT_EQ(one[i].neverRises, many[i].neverRises);
    ASSERT_EQ(one[i].passes.size(), many[i].passes.size()) << sats[i].Name();
    for (std::size_t k = 0; k < one[i].passes.size(); ++k) {
      const TPass& a = one[i].passes[k];
      const TPass& b = many[i].passes[k];
      EXPECT_EQ(a.aosJD, b.aosJD);
      EXPECT_EQ(a.tcaJD, b.tcaJD);
      EXPECT_EQ(a.losJD, b.losJD);
      EXPECT_EQ(a.maxElevation, b.maxElevation);
      EXPECT_EQ(a.visualParts.size(), b.visualParts.size());
      ++passes;
    }
    // Each also agrees with a search of its own.
    EXPECT_EQ(FindPasses(sats[i], search).passes.size(), one[i].passes.size());
  }
  EXPECT_GT(passes, 20);
  // More threads than satellites, and none at all to search.
  EXPECT_EQ(FindPassesForAll({sats[0]}, search, 8).size(), 1u);
  EXPECT_TRUE(FindPassesForAll({}, search, 0).empty());
}

TEST(Passes, CancelledSearchStopsEarly) {
  std::stop_source source;
  source.request_stop();
  TSatellite iss = Iss();
  const TPassList single =
      FindPasses(iss, {Place(52.0, 5.0), iss.EpochJD(), iss.EpochJD() + 30.0}, source.get_token());
  EXPECT_EQ(single.status, TPassStatus::psCancelled);
  EXPECT_TRUE(single.passes.empty());
  const std::vector<TPassList> all =
      FindPassesForAll(MixedCatalogue(6), {Place(52.0, 5.0), 2453739.0, 2453769.0}, 2, source.get_token());
  for (const TPassList& list : all) EXPECT_EQ(list.status, TPassStatus::psCancelled);
}

TEST(Passes, PropagationFailureKeepsThePassesBeforeIt) {
  // No drag, so the model runs until its century from the epoch ends.
  TSatellite sat = MakeSatellite(99920, 3.5, 51.6, 10.0, 0.001, 90.0, 270.0, 15.5, " 00000-0");
  const double limit = sat.EpochJD() + kMaxMinutesFromEpoch / kMinutesPerDay;
  const TPassList found = FindPasses(sat, {Place(40.0, 0.0), limit - 1.5, limit + 1.0});
  EXPECT_EQ(found.status, TPassStatus::psFailed);
  EXPECT_NE(found.error.find("SAT 99920"), std::string::npos) << found.error;
  EXPECT_FALSE(found.passes.empty());
  for (const TPass& p : found.passes) EXPECT_LT(p.losJD, limit);

  EXPECT_EQ(found.reason, "more than 100 years from the epoch");

  // A set whose drag brings it down about 12 days after its epoch: before the mend, the search went
  // on with the satellite under the ground and found a pass every few hours.
  TSatellite decaying = MakeSatellite(99921, 3.5, 51.6, 10.0, 0.001, 90.0, 270.0, 15.74, " 10000-1");
  const TPassList down =
      FindPasses(decaying, {Place(40.0, 0.0), decaying.EpochJD(), decaying.EpochJD() + 30.0});
  EXPECT_EQ(down.status, TPassStatus::psFailed);
  EXPECT_EQ(down.reason, "decayed");
  EXPECT_GT(down.failedJD, decaying.EpochJD() + 10.0);
  EXPECT_LT(down.failedJD, decaying.EpochJD() + 13.0);
  EXPECT_FALSE(down.passes.empty());
  for (const TPass& p : down.passes) EXPECT_LT(p.losJD, down.failedJD);

  const TPassList badPlace =
      FindPasses(sat, {Place(40.0, 0.0, std::nan("")), sat.EpochJD(), sat.EpochJD() + 1.0});
  EXPECT_EQ(badPlace.status, TPassStatus::psFailed);
  EXPECT_EQ(badPlace.reason, "no look angles from this observer");
  const TPassList empty = FindPasses(sat, {Place(40.0, 0.0), sat.EpochJD() + 1.0, sat.EpochJD()});
  EXPECT_EQ(empty.status, TPassStatus::psComplete);
  EXPECT_TRUE(empty.passes.empty());
}

}  // namespace
}  // namespace nimbrel::orbit
