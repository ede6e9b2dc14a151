// The deep-space model's own behaviour: resonance selection, the integrator's restart and step
// rules, the periodic-term cache, the low-inclination form, and what the caches may and may not do
// to results. The report's sample run is checked in ReportSamplesTest.cpp.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"

namespace nimbrel::orbit {

// Calls DeepSpaceCalc with arguments a test chooses.
struct TSatelliteTestPeer {
  static void DeepSpaceCalc(TSatellite& s, TDeepSpaceEntry entry, TDeepSpaceArgs& args) {
    s.DeepSpaceCalc(entry, args);
  }
};

namespace {

constexpr double kTwoPiD = static_cast<double>(kTwoPi);
constexpr double kEpoch = 6040.5;  // 2006 February 9, 12h

struct TOrbitSpec {
  const char* name;
  double incDeg, raanDeg, ecc, argpDeg, maDeg, revPerDay, bstar;
};

// Element sets of the three kinds of deep-space orbit the issue names, with plausible values.
constexpr TOrbitSpec kGeo{"geostationary", 0.05, 85.0, 0.0002, 90.0, 180.0, 1.00271, 1.0e-4};
constexpr TOrbitSpec kMolniya{"Molniya", 63.4, 100.0, 0.72, 270.0, 10.0, 2.006, 1.0e-5};
constexpr TOrbitSpec kGps{"GPS-like", 55.0, 200.0, 0.005, 40.0, 300.0, 2.00565, 1.0e-5};

TElementSet MakeSet(const TOrbitSpec& o, double raanOffsetRad = 0.0, double epoch = kEpoch) {
  TElementSet e;
  e.catalogueNumber = "99999";
  e.elementSetNumber = "001";
  e.epochRaw = epoch;
  e.epochJD = JulianDateOfEpoch(epoch);
  e.bStar = o.bstar;
  e.inclination = Radians(o.incDeg);
  e.rightAscension = Radians(o.raanDeg) + raanOffsetRad;
  e.eccentricity = o.ecc;
  e.argumentOfPerigee = Radians(o.argpDeg);
  e.meanAnomaly = Radians(o.maDeg);
  e.meanMotion = o.revPerDay * kTwoPiD / kMinutesPerDay;
  return e;
}

TSatellite MakeSatellite(const TElementSet& e) {
  TSatellite s;
  s.SetElementSet(e);
  return s;
}

struct TState {
  Vector4 p, v;
};

TState At(TSatellite& s, double tsince) {
  TState st;
  s.PropagateSinceEpoch(tsince, st.p, st.v);
  ConvertSatState(st.p, st.v);
  return st;
}

TState Fresh(const TElementSet& e, double tsince) {
  TSatellite s = MakeSatellite(e);
  return At(s, tsince);
}

double DistanceKm(const TState& a, const TState& b) {
  return std::hypot(a.p.x - b.p.x, a.p.y - b.p.y, a.p.z - b.p.z);
}

bool BitIdentical(const TState& a, const TState& b) {
  const double x[6] = {a.p.x, a.p.y, a.p.z, a.v.x, a.v.y, a.v.z};
  const double y[6] = {b.p.x, b.p.y, b.p.z, b.v.x, b.v.y, b.v.z};
  return std::memcmp(x, y, sizeof x) == 0;
}

TEST(Sdp4Resonance, SelectedStrictlyAtTheThresholds) {
  const struct {
    double xnq, eq;
    TResonance expected;
  } rows[] = {
      {0.0052359877, 0.0, rsNone},    // one revolution per 1200 minutes is outside
      {0.0052359876, 0.0, rsOneDay},  //
      {0.0034906585, 0.0, rsNone},    // lower end, also strict
      {0.0034906586, 0.0, rsOneDay},  //
      {0.0043633231, 0.9, rsOneDay},  // any eccentricity
      {0.00826, 0.5, rsHalfDay},      // 12-hour band includes both ends
      {0.00924, 0.5, rsHalfDay},      //
      {0.00826, 0.4999, rsNone},      // but needs an eccentricity of at least 0.5
      {0.0082599999, 0.7, rsNone},    //
      {0.0092400001, 0.7, rsNone},    //
      {0.0099700000, 0.73, rsNone},   // the report's deep-space sample
      {std::nan(""), 0.7, rsNone},    //
  };
  for (const auto& r : rows) {
    EXPECT_EQ(SelectResonance(r.xnq, r.eq), r.expected) << "xnq " << r.xnq << " eq " << r.eq;
  }
}

TEST(Sdp4Resonance, SatellitesGetTheirKind) {
  const struct {
    TOrbitSpec orbit;
    int iresfl, isynfl;
  } rows[] = {{kGeo, 1, 1}, {kMolniya, 1, 0}, {kGps, 0, 0}};
  for (const auto& r : rows) {
    TSatellite s = MakeSatellite(MakeSet(r.orbit));
    ASSERT_TRUE(s.DeepSpace()) << r.orbit.name;
    At(s, 0.0);
    EXPECT_EQ(s.Sdp4State().iresfl, r.iresfl) << r.orbit.name;
    EXPECT_EQ(s.Sdp4State().isynfl, r.isynfl) << r.orbit.name;
  }
}

TEST(Sdp4Resonance, ChosenOnTheUnKozaiMeanMotion) {
  // As read this is just above the one-day band's upper end; the recovered mean motion is below it.
  TOrbitSpec o = kGeo;
  o.revPerDay = 0.0052359877 * (1.0 + 1e-5) * kMinutesPerDay / kTwoPiD;
  TSatellite s = MakeSatellite(MakeSet(o));
  At(s, 0.0);
  EXPECT_LT(s.Sgp4State().xnodp, 0.0052359877);
  EXPECT_EQ(s.Sdp4State().isynfl, 1);
}

// The integrator keeps its state between calls; these sequences exercise its restart, step-back and
// whole-step rules. Where it restarts, the result is the fresh satellite's to the bit.
TEST(Sdp4Integrator, RestartAndStepRules) {
  const struct {
    const char* what;
    double first, second;
    double atimeAfterFirst, atimeAfterSecond;
    bool identicalToFresh;
  } rows[] = {
      {"forward then before epoch: signs differ, restart", 1000.0, -10.0, 720.0, 0.0, true},
      {"back to epoch, then restart and a partial step", -2000.0, -100.0, -1440.0, 0.0, true},
      {"forward continues from the last state", 1000.0, 3000.0, 720.0, 2880.0, true},
      {"backward continues the same way", -1000.0, -3000.0, -720.0, -2880.0, true},
      {"later time, smaller magnitude: one step back", 3000.0, 1000.0, 2880.0, 720.0, false},
      {"exactly at epoch after a run", 5000.0, 0.0, 4320.0, 0.0, true},
  };
  for (const TOrbitSpec& orbit : {kGeo, kMolniya}) {
    const TElementSet set = MakeSet(orbit);
    for (const auto& r : rows) {
      TSatellite s = MakeSatellite(set);
      At(s, r.first);
      EXPECT_EQ(s.Sdp4State().atime, r.atimeAfterFirst) << orbit.name << ": " << r.what;
      const TState got = At(s, r.second);
      EXPECT_EQ(s.Sdp4State().atime, r.atimeAfterSecond) << orbit.name << ": " << r.what;
      const TState fresh = Fresh(set, r.second);
      if (r.identicalToFresh) {
        EXPECT_TRUE(BitIdentical(got, fresh)) << orbit.name << ": " << r.what;
      }
      EXPECT_LT(DistanceKm(got, fresh), 1.0) << orbit.name << ": " << r.what;
    }
  }
}

TEST(Sdp4Periodics, ReusedWithinThirtyMinutes) {
  const TElementSet set = MakeSet(kMolniya);
  const struct {
    double second;
    bool reused;
  } rows[] = {{129.0, true}, {130.0, false}, {71.0, true}, {70.0, false}, {100.0, true}};
  for (const auto& r : rows) {
    TSatellite s = MakeSatellite(set);
    At(s, 100.0);
    EXPECT_EQ(s.Sdp4State().savtsn, 100.0);
    const TState got = At(s, r.second);
    EXPECT_EQ(s.Sdp4State().savtsn, r.reused ? 100.0 : r.second) << "second call at " << r.second;
    const TState fresh = Fresh(set, r.second);
    // Sums reused from another time differ from a fresh satellite's in the last digits, not more.
    EXPECT_EQ(BitIdentical(got, fresh), !r.reused || r.second == 100.0) << r.second;
    EXPECT_LT(DistanceKm(got, fresh), 1.0) << r.second;
  }
}

TEST(Sdp4Periodics, ReuseDoesNotCompoundTheNodeTerms) {
  // Above 0.2 rad the node and perigee terms are scaled from the cached sums; reusing them many
  // times must give what the first use gave.
  const TElementSet set = MakeSet(kMolniya);
  TSatellite s = MakeSatellite(set);
  At(s, 500.0);
  for (int i = 0; i < 20; ++i) At(s, 500.0 + 0.5 * (i % 3));
  EXPECT_TRUE(BitIdentical(At(s, 500.0), Fresh(set, 500.0)));
}

TEST(Sdp4Init, EveryInitialisationStartsAfresh) {
  const TElementSet geo = MakeSet(kGeo);
  const TElementSet molniya = MakeSet(kMolniya);  // the same epoch
  const TElementSet later = MakeSet(kMolniya, 0.0, kEpoch + 3.25);
  TSatellite s = MakeSatellite(geo);
  At(s, 20.0);
  At(s, 3000.0);
  const double preep = s.Sdp4State().lunarSolar.preep;
  EXPECT_NE(preep, 0.0);

  // Same epoch: the Moon's and Sun's starting values are kept, the periodic cache and the
  // integrator are not (a call 10 minutes after the last one must not reuse the old set's sums).
  s.SetElementSet(molniya);
  EXPECT_TRUE(BitIdentical(At(s, 30.0), Fresh(molniya, 30.0)));
  EXPECT_EQ(s.Sdp4State().lunarSolar.preep, preep);

  // Another epoch: they are recomputed.
  s.SetElementSet(later);
  EXPECT_TRUE(BitIdentical(At(s, 40.0), Fresh(later, 40.0)));
  EXPECT_NE(s.Sdp4State().lunarSolar.preep, preep);

  // Back again, through the text path as the catalogue uses it.
  s.SetElementSet(geo);
  EXPECT_TRUE(BitIdentical(At(s, 3000.0), Fresh(geo, 3000.0)));
}

TEST(Sdp4Lyddane, ChosenOnTheEpochInclination) {
  // Lyddane's form reads the perturbed inclination passed in; the direct form ignores it. So
  // changing only that argument tells which form ran.
  const struct {
    double incRad;
    bool lyddane;
  } rows[] = {{0.19, true}, {0.1999, true}, {0.2, false}, {0.21, false}};
  for (const auto& r : rows) {
    TOrbitSpec o = kGeo;
    o.incDeg = Degrees(r.incRad);
    TSatellite s = MakeSatellite(MakeSet(o));
    At(s, 0.0);
    TDeepSpaceArgs a1;
    a1.t = 0.0;  // the cached sums of the call above
    a1.em = 0.001;
    a1.xinc = 0.25;  // the perturbed inclination above 0.2 rad
    a1.omgasm = 1.0;
    a1.xnodes = 2.0;
    a1.xll = 3.0;
    TDeepSpaceArgs a2 = a1;
    a2.xinc = 0.30;
    TSatelliteTestPeer::DeepSpaceCalc(s, dsePeriodic, a1);
    TSatelliteTestPeer::DeepSpaceCalc(s, dsePeriodic, a2);
    const bool dependsOnPerturbedInclination = a1.xnodes != a2.xnodes || a1.omgasm != a2.omgasm;
    EXPECT_EQ(dependsOnPerturbedInclination, r.lyddane) << "epoch inclination " << r.incRad;
  }
}

TEST(Sdp4Lyddane, NodeKeptNearItsOldValue) {
  // A node given one turn more or less is the same orbit. In Lyddane's form the new node comes from
  // an arctangent; unless it is brought next to the old one the perigee takes up 2 pi (1 - cos i),
  // 10 km at half a degree. What remains is the form's own second-order term, metres.
  for (const double incDeg : {0.5, 2.0, Degrees(0.19)}) {
    for (const double raanDeg : {10.0, 200.0, 300.0}) {
      TOrbitSpec o = kGeo;
      o.incDeg = incDeg;
      o.raanDeg = raanDeg;
      const TElementSet base = MakeSet(o);
      for (const double offset : {kTwoPiD, -kTwoPiD, 3.0 * kTwoPiD}) {
        const TElementSet turned = MakeSet(o, offset);
        for (const double t : {0.0, 1440.0, -7200.0}) {
          EXPECT_LT(DistanceKm(Fresh(base, t), Fresh(turned, t)), 0.1)
              << "inclination " << incDeg << " node " << raanDeg << " offset " << offset << " t " << t;
        }
      }
    }
  }
}

// The ascending node of the osculating orbit, from the angular momentum.
double OsculatingNode(const TState& s) {
  const double hx = s.p.y * s.v.z - s.p.z * s.v.y;
  const double hy = s.p.z * s.v.x - s.p.x * s.v.z;
  return std::atan2(hx, -hy);
}

TEST(Sdp4Lyddane, LowInclinationNodeCrossingIsSmooth) {
  // Minute by minute over 20 days the position's second difference stays near the orbit's
  // acceleration times a minute squared (under 1 km for a 24-hour orbit); a node that jumped by a
  // turn would leave a step of tens to thousands of kilometres.
  const struct {
    double incDeg, raanDeg;
    double crossingDeg;  // the node value the span must pass
  } rows[] = {{0.5, 357.7, 0.0},
              {2.5, 359.6, 0.0},
              {0.5, 270.1, -90.0},
              {2.5, 270.1, -90.0},
              {Degrees(0.19), 270.1, -90.0}};
  for (const auto& r : rows) {
    TOrbitSpec o = kGeo;
    o.incDeg = r.incDeg;
    o.raanDeg = r.raanDeg;
    TSatellite s = MakeSatellite(MakeSet(o));
    const double crossing = Radians(r.crossingDeg);
    bool above = false;
    bool below = false;
    double worst = 0.0;
    TState prev2 = At(s, -14400.0);
    TState prev1 = At(s, -14399.0);
    for (double t = -14398.0; t <= 14400.0; t += 1.0) {
      const TState cur = At(s, t);
      const double d2 =
          std::hypot(cur.p.x - 2.0 * prev1.p.x + prev2.p.x, cur.p.y - 2.0 * prev1.p.y + prev2.p.y,
                     cur.p.z - 2.0 * prev1.p.z + prev2.p.z);
      worst = std::max(worst, d2);
      const double node = std::remainder(OsculatingNode(cur) - crossing, kTwoPiD);
      (node > 0.0 ? above : below) = true;
      prev2 = prev1;
      prev1 = cur;
    }
    EXPECT_TRUE(above && below) << "the node never crossed " << r.crossingDeg << " deg; inclination "
                                << r.incDeg;
    EXPECT_LT(worst, 2.0) << "inclination " << r.incDeg << " node " << r.raanDeg;
  }
}

TEST(Sdp4Orbits, StayPhysicalOverTenDays) {
  // The radius stays between perigee and apogee of the mean elements, widened by what the Moon and
  // Sun and the short-period terms can add; the speed follows the vis-viva law.
  const struct {
    TOrbitSpec orbit;
    double marginKm;
  } rows[] = {{kGeo, 150.0}, {kMolniya, 150.0}, {kGps, 100.0}};
  for (const auto& r : rows) {
    const TElementSet set = MakeSet(r.orbit);
    TSatellite s = MakeSatellite(set);
    const double aKm = kXkmper * std::pow(Xke / set.meanMotion, 2.0 / 3.0);
    const double lo = aKm * (1.0 - set.eccentricity) - r.marginKm;
    const double hi = aKm * (1.0 + set.eccentricity) + r.marginKm;
    const double mu = kGm;
    for (double t = -14400.0; t <= 14400.0; t += 7.0) {
      const TState st = At(s, t);
      ASSERT_GT(st.p.magnitude, lo) << r.orbit.name << " t " << t;
      ASSERT_LT(st.p.magnitude, hi) << r.orbit.name << " t " << t;
      const double vis = std::sqrt(mu * (2.0 / st.p.magnitude - 1.0 / aKm));
      ASSERT_NEAR(st.v.magnitude / vis, 1.0, 0.01) << r.orbit.name << " t " << t;
    }
  }
}

TEST(Sdp4Failures, ACircularSetUnderDragKeepsItsPositions) {
  // Drag takes the mean eccentricity of 0 a hair below 0 after the epoch; the orbit is still there.
  TOrbitSpec o = kGeo;
  o.ecc = 0.0;
  TSatellite s = MakeSatellite(MakeSet(o));
  for (double day : {1.0, 10.0, 100.0}) {
    Vector4 p, v;
    const TPropagateResult r = s.TryPropagate(s.EpochJD() + day, p, v);
    EXPECT_TRUE(r.ok) << "day " << day << ": " << r.error;
    EXPECT_NEAR(std::sqrt(Dot(p, p)) * kXkmper, 42164.0, 50.0) << "day " << day;
  }
}

TEST(Sdp4Orbits, RetrogradeEquatorialOrbitsPropagateInBothModels) {
  // At exactly 180 degrees 1 + cos i is 0, and the long-period term divided by it.
  const TOrbitSpec rows[] = {{"low, SGP4", 180.0, 30.0, 0.001, 90.0, 0.0, 15.5, 1.0e-5},
                             {"GPS-like, SDP4", 180.0, 30.0, 0.005, 40.0, 300.0, 2.00565, 1.0e-5},
                             {"geostationary, SDP4", 180.0, 85.0, 0.0002, 90.0, 180.0, 1.00271, 1.0e-4}};
  for (const TOrbitSpec& o : rows) {
    const TElementSet set = MakeSet(o);
    TSatellite s = MakeSatellite(set);
    const double aKm = kXkmper * std::pow(Xke / set.meanMotion, 2.0 / 3.0);
    for (double t = 0.0; t <= 1440.0; t += 10.0) {
      Vector4 p, v;
      const TPropagateResult r = s.TryPropagate(s.EpochJD() + t / kMinutesPerDay, p, v);
      if (!r.ok) {
        ADD_FAILURE() << o.name << " t " << t << ": " << r.error;
        break;
      }
      ConvertSatState(p, v);
      EXPECT_NEAR(p.magnitude, aKm, 0.01 * aKm + 30.0) << o.name << " t " << t;
      // Stays near the equator's plane: the Moon and Sun tilt it by a few kilometres at most.
      EXPECT_NEAR(p.z, 0.0, 1e-3 * aKm) << o.name << " t " << t;
      EXPECT_LT(p.x * v.y - p.y * v.x, 0.0) << o.name << " t " << t;  // moving westwards
    }
  }
}

std::vector<double> MixedTimes() {
  std::vector<double> times;
  for (double t = 0.0; t <= 2880.0; t += 1.0) times.push_back(t);       // forward
  for (double t = 2880.0; t >= -2880.0; t -= 13.0) times.push_back(t);  // backward across epoch
  std::mt19937 rng(4);
  std::uniform_real_distribution<double> any(-30.0 * 1440.0, 30.0 * 1440.0);
  for (int i = 0; i < 400; ++i) times.push_back(any(rng));  // random
  for (double t = 20000.0; t < 20100.0; t += 7.0) times.push_back(t);
  return times;
}

TEST(Sdp4History, RepeatedSequencesGiveIdenticalBits) {
  const std::vector<double> times = MixedTimes();
  for (const TOrbitSpec& orbit : {kGeo, kMolniya, kGps}) {
    const TElementSet set = MakeSet(orbit);
    TSatellite a = MakeSatellite(set);
    TSatellite b = MakeSatellite(set);
    std::vector<TState> first;
    for (const double t : times) first.push_back(At(a, t));
    for (std::size_t i = 0; i < times.size(); ++i) {
      ASSERT_TRUE(BitIdentical(At(b, times[i]), first[i])) << orbit.name << " call " << i;
    }
    a.SetElementSet(set);  // re-initialised: the same sequence again
    for (std::size_t i = 0; i < times.size(); ++i) {
      ASSERT_TRUE(BitIdentical(At(a, times[i]), first[i])) << orbit.name << " after re-init, call " << i;
    }
  }
}

// A worker thread propagates a copy of a satellite: the copy must carry the deep-space state as it
// stood (the integrator and the periodic cache included), and from then on share nothing with it.
TEST(Sdp4History, ACopyContinuesAloneFromTheOriginalsState) {
  const std::vector<double> times = MixedTimes();
  for (const TOrbitSpec& orbit : {kGeo, kMolniya}) {
    const TElementSet set = MakeSet(orbit);
    TSatellite original = MakeSatellite(set);
    TSatellite twin = MakeSatellite(set);
    for (std::size_t i = 0; i < 50; ++i) {
      At(original, times[i]);
      At(twin, times[i]);
    }
    TSatellite copy = original;
    TSatellite assigned;
    assigned = original;
    ASSERT_EQ(std::memcmp(&copy.Sdp4State(), &original.Sdp4State(), sizeof(TSdp4State)), 0) << orbit.name;
    // The original moves on; the copies must still follow the history they were made with.
    At(original, times[times.size() - 1]);
    for (std::size_t i = 50; i < 80; ++i) {
      const TState expected = At(twin, times[i]);
      ASSERT_TRUE(BitIdentical(At(copy, times[i]), expected)) << orbit.name << " copy, call " << i;
      ASSERT_TRUE(BitIdentical(At(assigned, times[i]), expected)) << orbit.name << " assigned, call " << i;
    }
  }
  // A near-earth satellite has no deep-space state to copy, and reports a zero one.
  const TSatellite nearEarth =
      TSatellite::Create("ISS", "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
                         "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269");
  const TSatellite nearCopy = nearEarth;
  EXPECT_EQ(nearCopy.Sdp4State().iresfl, 0);
  EXPECT_FALSE(nearCopy.DeepSpace());
}

TEST(Sdp4History, AnyCallOrderStaysWithinAKilometreOfAFreshSatellite) {
  const std::vector<double> times = MixedTimes();
  for (const TOrbitSpec& orbit : {kGeo, kMolniya, kGps}) {
    const TElementSet set = MakeSet(orbit);
    TSatellite s = MakeSatellite(MakeSet(kGps, 0.0, kEpoch + 40.0));
    At(s, 100.0);
    s.SetElementSet(set);
    double worst = 0.0;
    for (std::size_t i = 0; i < times.size(); i += (i < 3000 ? 5 : 1)) {
      worst = std::max(worst, DistanceKm(At(s, times[i]), Fresh(set, times[i])));
    }
    EXPECT_LT(worst, 1.0) << orbit.name;
  }
}

TEST(Sdp4Failures, ReportedNeverAsNaN) {
  // A perigee near 260 km and drag this strong bring the satellite down within a year.
  TOrbitSpec o = kMolniya;
  o.ecc = 0.75;
  o.bstar = 0.5;
  TSatellite s = MakeSatellite(MakeSet(o));
  double failedAt = 0.0;
  for (double day = 1.0; day <= 730.0 && failedAt == 0.0; day += 1.0) {
    Vector4 p, v;
    const TPropagateResult r = s.TryPropagate(s.EpochJD() + day, p, v);
    if (r.ok) {
      ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << "day " << day;
    } else {
      failedAt = day;
      EXPECT_FALSE(r.error.empty());
      EXPECT_EQ(r.reason, "decayed");
    }
  }
  ASSERT_GT(failedAt, 0.0) << "the set was meant to fail within two years";
  Vector4 p{1.0, 2.0, 3.0, 0.0};
  Vector4 v{4.0, 5.0, 6.0, 0.0};
  const double jd = s.EpochJD() + failedAt;
  EXPECT_FALSE(s.TryPropagate(jd, p, v).ok);
  EXPECT_EQ(p.x, 1.0);  // the caller's vectors are left alone
  EXPECT_EQ(v.z, 6.0);
  EXPECT_THROW(s.Propagate(jd, p, v), EOrbitError);
}

TEST(Sdp4Failures, ExtremeTimesAndSetsFinish) {
  // At the century limit the resonance integrator takes tens of thousands of steps, and finishes.
  for (const TOrbitSpec& orbit : {kGeo, kMolniya}) {
    TSatellite s = MakeSatellite(MakeSet(orbit));
    for (const double t : {kMaxMinutesFromEpoch, -kMaxMinutesFromEpoch, 0.5 * kMaxMinutesFromEpoch}) {
      Vector4 p, v;
      try {
        s.PropagateSinceEpoch(t, p, v);
      } catch (const EOrbitError&) {
      }
    }
    Vector4 p, v;
    EXPECT_THROW(s.PropagateSinceEpoch(kMaxMinutesFromEpoch * 1.01, p, v), EPropagationError);
    EXPECT_THROW(s.PropagateSinceEpoch(std::nan(""), p, v), EPropagationError);
  }
  // Random deep-space sets, sane or not: every call returns a finite state or throws.
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int i = 0; i < 300; ++i) {
    const TOrbitSpec o{"random",       180.0 * u(rng), 360.0 * u(rng),      0.9999999 * u(rng),
                       360.0 * u(rng), 360.0 * u(rng), 6.4 * u(rng) + 1e-6, (u(rng) - 0.5) * 2.0};
    TElementSet e = MakeSet(o);
    if (!IsDeepSpace(e.meanMotion, e.eccentricity, e.inclination)) continue;
    TSatellite s = MakeSatellite(e);
    for (const double t : {0.0, 1e4, -3e5, 5e6}) {
      Vector4 p, v;
      if (s.TryPropagate(s.EpochJD() + t / kMinutesPerDay, p, v)) {
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(v.z)) << "set " << i << " t " << t;
      }
    }
  }
}

}  // namespace
}  // namespace nimbrel::orbit
