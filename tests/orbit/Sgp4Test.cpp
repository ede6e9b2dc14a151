#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitErrors.h"
#include "orbit/OrbitMath.h"
#include "orbit/PropagatorState.h"
#include "orbit/Satellite.h"

namespace nimbrel::orbit {
namespace {

const std::string kIssLine1 = "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844";
const std::string kIssLine2 = "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269";
constexpr double kTwoPiD = static_cast<double>(kTwoPi);

TElementSet IssElements() {
  return ParseElementLines(kIssLine1, kIssLine2);
}

TEST(Sgp4, DragParametersAtThePerigeeBoundaries) {
  // Worked by hand (30 digits, then rounded) from the report's rule: at and above 156 km s = 78 km;
  // below, s = perigee - 78 km, but never below 20 km (reached at 98 km). Then
  // S4 = 1 + s / 6378.135 (Earth radii from the centre), QOMS24 = ((120 - s) / 6378.135)^4.
  const struct {
    double perigeeKm;
    double s4;
    double qoms24;
  } rows[] = {
      {400.0, 1.0122292801892716, 1.8802791590152706e-9},  // s = 78: 1 + 78/6378.135, (42/6378.135)^4
      {156.0, 1.0122292801892716, 1.8802791590152706e-9},  // the boundary keeps the standard values
      {155.9, 1.0122136016249264, 1.8982506362271725e-9},  // s = 77.9: (42.1/6378.135)^4
      {98.1, 1.0031513914333892, 6.0184841852640081e-8},   // s = 20.1: (99.9/6378.135)^4
      {98.0, 1.0031357128690440, 6.0426184274275850e-8},   // s = 20: (100/6378.135)^4
      {50.0, 1.0031357128690440, 6.0426184274275850e-8},   // s stays at 20 below 98 km
  };
  for (const auto& r : rows) {
    const TDragParameters d = DragParametersForPerigee(r.perigeeKm);
    EXPECT_NEAR(d.s4, r.s4, 4e-16) << r.perigeeKm;
    EXPECT_NEAR(d.qoms24, r.qoms24, r.qoms24 * 1e-14) << r.perigeeKm;
  }
  // At and above 156 km the standard constants are used unchanged.
  EXPECT_EQ(DragParametersForPerigee(156.0).s4, kS);
  EXPECT_EQ(DragParametersForPerigee(156.0).qoms24, Qoms2t);
}

TEST(Sgp4, SimplifiedModelBelow220Km) {
  const double aodpAt220 = kSimplifiedPerigeeLimit;  // circular orbit with perigee exactly 220 km
  EXPECT_FALSE(UsesSimplifiedDrag(aodpAt220, 0.0));
  EXPECT_TRUE(UsesSimplifiedDrag(std::nextafter(aodpAt220, 0.0), 0.0));
  // A satellite with a low perigee really takes the simplified branch and still propagates.
  TElementSet e = IssElements();
  e.eccentricity = 0.03;  // perigee far below 220 km at the ISS's height
  TSatellite sat;
  sat.SetElementSet(e);
  Vector4 p, v;
  sat.Propagate(sat.EpochJD() + 0.01, p, v);
  EXPECT_TRUE(sat.Sgp4State().isimp);
  EXPECT_LT(sat.Sgp4State().perige, 156.0);
}

TEST(Sgp4, TimesBeforeEpochUseTheSameFormulas) {
  TSatellite sat = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  // A full orbit back and forth: radius near the ISS's (about 6720 km in 2006).
  for (double minutes : {-1440.0, -92.0, -1.0, 0.0, 1.0, 1440.0}) {
    Vector4 p, v;
    sat.Propagate(sat.EpochJD() + minutes / kMinutesPerDay, p, v);
    ConvertSatState(p, v);
    EXPECT_NEAR(p.magnitude, 6720.0, 60.0) << minutes;
    EXPECT_NEAR(v.magnitude, 7.7, 0.1) << minutes;
    EXPECT_GE(sat.ArgumentOfLatitude(), 0.0);
    EXPECT_LT(sat.ArgumentOfLatitude(), kTwoPiD);
  }
}

TEST(Sgp4, StateIsContinuousAcrossNeighbouringSeconds) {
  TSatellite sat = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  Vector4 p0, v0, p1, v1;
  for (double t = -60.0; t < 60.0; t += 7.3) {
    sat.Propagate(sat.EpochJD() + t / kMinutesPerDay, p0, v0);
    sat.Propagate(sat.EpochJD() + (t + 1.0 / 60.0) / kMinutesPerDay, p1, v1);
    ConvertSatState(p0, v0);
    ConvertSatState(p1, v1);
    // One second later the satellite is where its velocity takes it, to a few metres.
    EXPECT_NEAR(p1.x, p0.x + v0.x, 0.01) << t;
    EXPECT_NEAR(p1.y, p0.y + v0.y, 0.01) << t;
    EXPECT_NEAR(p1.z, p0.z + v0.z, 0.01) << t;
  }
}

TEST(Sgp4, CircularOrbitHasNoDivisionByZero) {
  TElementSet e = IssElements();
  e.eccentricity = 0.0;
  TSatellite sat;
  sat.SetElementSet(e);
  Vector4 p, v;
  ASSERT_TRUE(sat.TryPropagate(sat.EpochJD() + 0.5, p, v));
  EXPECT_EQ(sat.Sgp4State().c3, 0.0);
  EXPECT_EQ(sat.Sgp4State().xmcof, 0.0);
  // And it lands close to the barely eccentric original.
  TSatellite iss = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  Vector4 q, w;
  iss.Propagate(iss.EpochJD() + 0.5, q, w);
  EXPECT_NEAR(p.x * kXkmper, q.x * kXkmper, 30.0);
}

TEST(Sgp4, FailuresAreReportedNeverReturnedAsNaN) {
  // A heavy drag term decays the orbit; afterwards no position may leave Propagate.
  TElementSet e = IssElements();
  e.bStar = 0.5;
  TSatellite sat;
  sat.SetElementSet(e);
  Vector4 p, v;
  bool failed = false;
  double days = 0;
  for (; days < 3650 && !failed; days += 0.5) {
    try {
      sat.Propagate(sat.EpochJD() + days, p, v);
      ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(v.z)) << days;
    } catch (const EOrbitError& err) {
      failed = true;
      EXPECT_FALSE(std::string(err.what()).empty());
    }
  }
  ASSERT_TRUE(failed) << "a set with B* = 0.5 should decay within ten years";
  const TPropagateResult r = sat.TryPropagate(sat.EpochJD() + days - 0.5, p, v);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
}

TEST(Sgp4, OrbitsPastTheirTimeGiveNoPosition) {
  // Each row was "ok" before, with the satellite inside the Earth or millions of km out. The decaying
  // set is the ISS set with B* = 0.01: it is below the ground from about 12 days after epoch on.
  const struct {
    const char* what;
    double bStar;
    double minutes;
    const char* reason;
  } rows[] = {
      {"the ISS set 21 years on, 14 million km out", 0.13602e-3, 11007603.8, "eccentricity out of range"},
      {"strong drag, radius below the Earth's", 1e-2, 20000.0, "decayed"},
      {"strong drag, mean orbit inside the Earth", 1e-2, 30000.0, "orbit inside the Earth"},
  };
  for (const auto& r : rows) {
    TElementSet e = IssElements();
    e.bStar = r.bStar;
    TSatellite sat;
    sat.SetName("ISS");
    sat.SetElementSet(e);
    Vector4 p{1.0, 2.0, 3.0, 0.0};
    Vector4 v;
    const double jd = sat.EpochJD() + r.minutes / kMinutesPerDay;
    const TPropagateResult failed = sat.TryPropagate(jd, p, v);
    EXPECT_FALSE(failed.ok) << r.what;
    EXPECT_EQ(failed.reason, r.reason) << r.what;
    EXPECT_NE(failed.error.find("'ISS' (25544)"), std::string::npos) << failed.error;
    EXPECT_EQ(p.x, 1.0) << r.what;
    try {
      sat.Propagate(jd, p, v);
      ADD_FAILURE() << r.what << ": no exception";
    } catch (const EPropagationError& err) {
      EXPECT_EQ(err.Reason(), r.reason) << r.what;
    }
    EXPECT_NEAR(sat.EpochAgeDays(jd), r.minutes / kMinutesPerDay, 1e-6) << r.what;
  }
  // Before the epoch the age is negative.
  EXPECT_NEAR(TSatellite::Create("ISS", kIssLine1, kIssLine2).EpochAgeDays(2453738.0), -1.33068838, 1e-8);
}

TEST(Sgp4, TimesACenturyFromEpochAreRefused) {
  TSatellite sat = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  Vector4 p, v;
  EXPECT_THROW(sat.Propagate(sat.EpochJD() + 36526.0 * 100, p, v), EPropagationError);
  EXPECT_THROW(sat.Propagate(sat.EpochJD() - 36526.0 * 100, p, v), EPropagationError);
  EXPECT_THROW(sat.Propagate(std::nan(""), p, v), EPropagationError);
  EXPECT_THROW(sat.Propagate(HUGE_VAL, p, v), EPropagationError);
}

TEST(Sgp4, PowerFailureCarriesItsMessage) {
  // Drag that shrinks the semi-major axis to zero makes A^1.5 impossible.
  TElementSet e = IssElements();
  e.bStar = 50.0;
  TSatellite sat;
  sat.SetElementSet(e);
  Vector4 p, v;
  std::string message;
  for (double minutes = 0; minutes < 1e5 && message.empty(); minutes += 10) {
    const TPropagateResult r = sat.TryPropagate(sat.EpochJD() + minutes / kMinutesPerDay, p, v);
    if (!r) message = r.error;
  }
  EXPECT_FALSE(message.empty());
}

TEST(Sgp4, PropagationIsRepeatable) {
  TSatellite a = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  TSatellite b = a;
  Vector4 p1, v1, p2, v2;
  a.Propagate(a.EpochJD() + 1.234, p1, v1);
  a.Propagate(a.EpochJD() - 3.0, p2, v2);
  b.Propagate(b.EpochJD() + 1.234, p2, v2);
  EXPECT_EQ(p1.x, p2.x);
  EXPECT_EQ(v1.z, v2.z);
}

}  // namespace
}  // namespace nimbrel::orbit
