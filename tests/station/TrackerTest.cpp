// Doppler, the rotator's limits and flip, and the tracker's updates against a fake daemon that records
// what it was sent.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <cmath>
#include <vector>

#include "StationTestSupport.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "station/Doppler.h"
#include "station/RadioClient.h"
#include "station/RotatorClient.h"
#include "station/Tracker.h"

namespace nimbrel::station {
namespace {

using test::TFakeDaemon;
using test::WaitFor;

TEST(Doppler, FollowsTheFormulaAtKnownRangeRates) {
  // Worked by hand from f0 (1 - rr/c) and f0 / (1 - rr/c), c = 299792.458 km/s.
  struct TRow {
    const char* what;
    double nominalHz, rangeRateKmPerS, expectedHz;
    bool uplink;
  } rows[] = {
      {"70 cm downlink, receding at 7 km/s", 437e6, 7.0, 436989796.274, false},
      {"S-band downlink, approaching at 3.2 km/s", 2401.5e6, -3.2, 2401525633.734, false},
      {"2 m uplink, approaching at 7 km/s", 145.9e6, -7.0, 145896593.389, true},
      {"2 m uplink, receding at 7 km/s", 145.9e6, 7.0, 145903406.770, true},
      {"no motion", 145.9e6, 0.0, 145.9e6, true},
  };
  for (const TRow& r : rows) {
    const double hz =
        r.uplink ? UplinkHz(r.nominalHz, r.rangeRateKmPerS) : DownlinkHz(r.nominalHz, r.rangeRateKmPerS);
    EXPECT_NEAR(hz, r.expectedHz, 1e-3) << r.what;
  }
}

TEST(RotatorLimits, RefusesLimitsNoPassCouldBeFlownIn) {
  EXPECT_FALSE(CheckLimits({}));
  EXPECT_FALSE(CheckLimits({-180, 180, 180}));
  EXPECT_FALSE(CheckLimits({0, 450, 90}));
  EXPECT_TRUE(CheckLimits({0, 350, 90}));
  EXPECT_TRUE(CheckLimits({0, 360, 120}));
  EXPECT_TRUE(CheckLimits({NAN, 360, 90}));
}

// A pass that climbs nearly to the zenith, rising in the north-west (300) and setting in the
// south-east (120): its azimuth runs through north, where a 0..360 rotator has its stop.
std::vector<TSkyPoint> OverheadPass() {
  std::vector<TSkyPoint> path;
  for (int i = 0; i <= 90; ++i) {
    const double along = i / 90.0;
    path.push_back({std::fmod(300.0 + 180.0 * along, 360.0), 88.0 * std::sin(M_PI * along)});
  }
  return path;
}

TEST(RotatorLimits, PassOverTheZenithIsFlippedOnlyWhereItMustBe) {
  const std::vector<TSkyPoint> pass = OverheadPass();
  struct TRow {
    const char* what;
    TRotatorLimits limits;
    bool flipped, crossesStop;
    double rotatorAzAtNorth, rotatorElAtNorth;  // where the rotator points as the pass crosses north
  } rows[] = {
      {"0..360 reaching over the top: flipped",
       {0, 360, 180},
       true,
       false,
       180.0,
       180.0 - pass[30].elevationDeg},
      {"0..360 up to 90: it rides up to its stop", {0, 360, 90}, false, true, 360.0, pass[30].elevationDeg},
      {"-180..180: the stop is in the south", {-180, 180, 90}, false, false, 0.0, pass[30].elevationDeg},
      {"0..450: 300 to 480 is past its end",
       {0, 450, 180},
       true,
       false,
       180.0,
       180.0 - pass[30].elevationDeg},
  };
  for (const TRow& r : rows) {
    const TPassMapping m = ChoosePassMapping(pass, r.limits);
    EXPECT_EQ(m.flipped, r.flipped) << r.what;
    EXPECT_EQ(m.crossesStop, r.crossesStop) << r.what;
    const TSkyPoint north = MapToRotator(pass[30], m, r.limits);
    EXPECT_NEAR(north.azimuthDeg, r.rotatorAzAtNorth, 1e-6) << r.what;
    EXPECT_NEAR(north.elevationDeg, r.rotatorElAtNorth, 1e-6) << r.what;
    if (r.crossesStop) continue;
    // Every step of the pass is a small move of the rotator: it never swings round a stop.
    TSkyPoint before = MapToRotator(pass.front(), m, r.limits);
    for (const TSkyPoint& p : pass) {
      const TSkyPoint at = MapToRotator(p, m, r.limits);
      EXPECT_LT(std::abs(at.azimuthDeg - before.azimuthDeg), 10.0)
          << r.what << " at azimuth " << p.azimuthDeg;
      EXPECT_GE(at.azimuthDeg, r.limits.minAzimuthDeg) << r.what;
      EXPECT_LE(at.azimuthDeg, r.limits.maxAzimuthDeg) << r.what;
      before = at;
    }
  }
  // A low pass in the east needs no flip even where flipping is possible.
  const std::vector<TSkyPoint> east = {{60, 0}, {90, 20}, {120, 0}};
  EXPECT_FALSE(ChoosePassMapping(east, {0, 360, 180}).flipped);
}

// The tracker over the ISS of January 2006 from 52 N, 5 E, with a clock the test sets.
class TrackerTest : public testing::Test {
 protected:
  TrackerTest() {
    settings_.observer = {orbit::Radians(52.0), orbit::Radians(5.0), 0.01, 0.0};
    settings_.downlinkHz = 437.8e6;
    settings_.uplinkHz = 145.99e6;
    rotator_.Open(rotatorDaemon_.Address());
    radio_.Open(radioDaemon_.Address());
  }
  static double Utc(int hour, int minute, double second) {
    return orbit::DateTimeToJulianDate(orbit::EncodeDateTime(
               {2006, 1, 4, static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute), 0, 0})) +
           second / 86400.0;
  }
  // One update once both daemons have answered everything before.
  TTrackSample UpdateAt(TTracker& tracker, double jd) {
    EXPECT_TRUE(WaitFor([&] { return rotator_.Idle() && radio_.Idle(); }));
    now_ = jd;
    return tracker.Update();
  }

  TFakeDaemon rotatorDaemon_;
  TFakeDaemon radioDaemon_;
  TRotatorClient rotator_;
  TRadioClient radio_;
  TTrackerSettings settings_;
  double now_ = 0.0;
  TTracker::TClock clock_ = [this] { return now_; };
};

TEST_F(TrackerTest, CommandsOnlyWhenTheTargetMovedByMoreThanTheTolerance) {
  TTracker tracker(test::Iss(), settings_, clock_, &rotator_, &radio_);
  // 17:11 is the top of a pass reaching 34 degrees.
  const TTrackSample first = UpdateAt(tracker, Utc(17, 11, 0));
  ASSERT_EQ(first.state, TTrackState::tsTracking);
  ASSERT_TRUE(first.commanded);
  EXPECT_FALSE(tracker.Mapping().flipped);
  EXPECT_NEAR(first.commanded->azimuthDeg, first.azimuthDeg, 1e-9);
  EXPECT_NEAR(first.commanded->elevationDeg, first.elevationDeg, 1e-9);
  ASSERT_TRUE(first.downlinkHz && first.uplinkHz);
  EXPECT_TRUE(first.frequencySent);

  // Nothing moved: nothing is sent.
  const TTrackSample same = UpdateAt(tracker, Utc(17, 11, 0));
  EXPECT_FALSE(same.commanded);
  EXPECT_FALSE(same.frequencySent);
  // A fiftieth of a second moves the ISS by far less than a degree and its Doppler by a few hertz
  // (near the top of the pass the Doppler runs fastest, some 30 Hz a second at 70 cm).
  const TTrackSample soon = UpdateAt(tracker, Utc(17, 11, 0.02));
  EXPECT_FALSE(soon.commanded);
  EXPECT_FALSE(soon.frequencySent);
  EXPECT_GT(std::abs(*soon.downlinkHz - *first.downlinkHz), 0.0);
  // Half a minute later both have moved on.
  const TTrackSample later = UpdateAt(tracker, Utc(17, 11, 30));
  EXPECT_TRUE(later.commanded);
  EXPECT_TRUE(later.frequencySent);
  ASSERT_TRUE(WaitFor([&] { return rotator_.Idle() && radio_.Idle(); }));

  EXPECT_EQ(rotatorDaemon_.Count(QStringLiteral("P")), 2);
  EXPECT_EQ(radioDaemon_.Count(QStringLiteral("F")), 2);
  EXPECT_EQ(radioDaemon_.Count(QStringLiteral("I")), 2);
  EXPECT_EQ(radioDaemon_.Count(QStringLiteral("S")), 1) << "split is asked for once per connection";
  const QString lastF = radioDaemon_.Lines().filter(QRegularExpression(QStringLiteral("^F "))).last();
  EXPECT_EQ(lastF, QStringLiteral("F %1").arg(std::llround(DownlinkHz(437.8e6, later.rangeRateKmPerS))));
}

TEST_F(TrackerTest, WaitsAtTheComingAosAzimuthOrParksWhenAsked) {
  TTracker tracker(test::Iss(), settings_, clock_, &rotator_, &radio_);
  // Between the 15:33 and the 17:06 passes.
  const TTrackSample waiting = UpdateAt(tracker, Utc(16, 30, 0));
  EXPECT_EQ(waiting.state, TTrackState::tsWaiting);
  ASSERT_TRUE(tracker.ComingPass());
  EXPECT_NEAR(tracker.ComingPass()->aosJD, Utc(17, 6, 33.2), 1.0 / 86400.0);
  ASSERT_TRUE(waiting.commanded);
  EXPECT_NEAR(waiting.commanded->azimuthDeg, orbit::Degrees(tracker.ComingPass()->aosAzimuth), 1e-6);
  EXPECT_EQ(waiting.commanded->elevationDeg, 0.0);
  EXPECT_FALSE(UpdateAt(tracker, Utc(16, 31, 0)).commanded) << "it stays put while it waits";

  TTrackerSettings parking = settings_;
  parking.parkBetweenPasses = true;
  tracker.SetSettings(parking);
  EXPECT_EQ(UpdateAt(tracker, Utc(16, 32, 0)).state, TTrackState::tsParked);
  UpdateAt(tracker, Utc(16, 33, 0));
  ASSERT_TRUE(WaitFor([&] { return rotator_.Idle(); }));
  EXPECT_EQ(rotatorDaemon_.Count(QStringLiteral("K")), 1);
  EXPECT_EQ(rotatorDaemon_.Count(QStringLiteral("P")), 1);

  // Past the top of the 17:06 pass and below a 20-degree minimum, it waits for the next pass, not
  // back at the AOS of the one that is setting.
  TTrackerSettings high = settings_;
  high.minElevationDeg = 20;
  tracker.SetSettings(high);
  const TTrackSample setting = UpdateAt(tracker, Utc(17, 14, 0));
  ASSERT_GT(setting.elevationDeg, 0.0);
  ASSERT_LT(setting.elevationDeg, 20.0);
  EXPECT_EQ(setting.state, TTrackState::tsWaiting);
  ASSERT_TRUE(tracker.ComingPass());
  EXPECT_GT(tracker.ComingPass()->aosJD, Utc(17, 14, 0));
}

TEST_F(TrackerTest, NothingIsSentToADaemonStillBusyWithTheUpdateBefore) {
  rotatorDaemon_.SetMode(TFakeDaemon::TMode::fmSilent);
  TTracker tracker(test::Iss(), settings_, clock_, &rotator_, &radio_);
  ASSERT_TRUE(WaitFor([&] { return rotator_.Connected(); }));
  for (int second = 0; second < 20; ++second) {
    now_ = Utc(17, 11, second * 5.0);
    tracker.Update();
  }
  ASSERT_TRUE(WaitFor([&] { return rotatorDaemon_.Lines().size() >= 1; }));
  EXPECT_EQ(rotatorDaemon_.Lines().size(), 1) << "one command, then silence: no backlog";
  EXPECT_TRUE(rotatorDaemon_.Lines().front().startsWith(QStringLiteral("P ")));
}

}  // namespace
}  // namespace nimbrel::station

namespace nimbrel::station {
namespace {

TEST_F(TrackerTest, ASatelliteWithoutAPositionMovesNothing) {
  TTracker tracker(test::Iss(), settings_, clock_, &rotator_, &radio_);
  // Twenty years on, the 2006 set of the ISS no longer describes an orbit.
  const TTrackSample sample = UpdateAt(tracker, Utc(17, 11, 0) + 20 * 365.25);
  EXPECT_EQ(sample.state, TTrackState::tsNoPosition);
  EXPECT_FALSE(sample.hasPosition);
  EXPECT_FALSE(sample.error.empty());
  EXPECT_EQ(sample.error.find("::"), std::string::npos)
      << "a plain reason, not an internal message: " << sample.error;
  EXPECT_FALSE(sample.commanded);
  EXPECT_FALSE(sample.downlinkHz);
  ASSERT_TRUE(WaitFor([&] { return rotator_.Idle() && radio_.Idle(); }));
  EXPECT_TRUE(rotatorDaemon_.Lines().isEmpty());
  EXPECT_TRUE(radioDaemon_.Lines().isEmpty());
}

}  // namespace
}  // namespace nimbrel::station
