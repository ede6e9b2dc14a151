// Tuning for a chosen transmitter: a linear transponder's passband mapping, the radio's modes, and
// the tracker against the real rigctld dummy: what the radio reads back after an FM transmitter and
// after an inverting USB transponder, and a turned dial moving the place in the passband.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cmath>

#include "StationTestSupport.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "station/Doppler.h"
#include "station/RadioClient.h"
#include "station/RadioModes.h"
#include "station/Tracker.h"
#include "station/TransmitterPlan.h"
#include "station/Transponder.h"

namespace nimbrel::station {
namespace {

using test::TRealDaemon;
using test::WaitFor;

// An inverting linear transponder of the usual V/U kind: 435.030-435.050 MHz up, 145.910-145.930
// MHz down, both 20 kHz wide.
constexpr TTransponder kInverting{145.910e6, 145.930e6, 435.030e6, 435.050e6, true};

TEST(Transponder, PlacesMapAcrossThePassbands) {
  // The inverting mapping itself: downlink_low + x pairs with uplink_high - x.
  for (const double x : {0.0, 1e3, 7.5e3, 10e3, 20e3})
    EXPECT_NEAR(MatchingUplinkHz(kInverting, kInverting.downlinkLowHz + x), kInverting.uplinkHighHz - x, 1e-6)
        << "x = " << x;
  // Moving the place up moves the uplink down, and the other way round on a non-inverting one.
  EXPECT_LT(MatchingUplinkHz(kInverting, 145.925e6), MatchingUplinkHz(kInverting, 145.915e6));
  TTransponder straight = kInverting;
  straight.invert = false;
  EXPECT_NEAR(MatchingUplinkHz(straight, 145.915e6), 435.035e6, 1e-6);

  // Passbands of different widths: the offset from the centre is scaled, and the result kept inside.
  const TTransponder narrowUp{145.900e6, 145.940e6, 435.030e6, 435.050e6, true};
  EXPECT_NEAR(MatchingUplinkHz(narrowUp, 145.930e6), 435.035e6, 1e-6) << "+10 kHz of 40 is -5 kHz of 20";
  EXPECT_NEAR(MatchingUplinkHz(narrowUp, 145.990e6), 435.030e6, 1e-6) << "past the top: clamped";
  EXPECT_NEAR(ClampToPassband(narrowUp, 100e6), 145.900e6, 1e-6);
  // A downlink passband alone has no uplink.
  EXPECT_EQ(MatchingUplinkHz({145.9e6, 145.95e6, 0, 0, false}, 145.92e6), 0.0);
}

TEST(Transponder, TheDialIsReadBackToTheNominalPlace) {
  // The dial shows the Doppler-shifted downlink of the offset oscillator; both come back out.
  for (const double rr : {-7.0, 0.0, 5.5}) {
    const double dial = DownlinkHz(145.92e6 + 1200.0, rr);
    EXPECT_NEAR(NominalFromDial(dial, rr, 1200.0), 145.92e6, 1e-3) << "range rate " << rr;
  }
}

TEST(RadioModes, FollowTheTransmitter) {
  struct TRow {
    const char* what;
    const char* mode;
    const char* uplinkMode;
    bool invert, hasUplink;
    double ctcssHz;
    TRadioModes expected;
  } rows[] = {
      {"FM repeater with a tone", "FM", "FM", false, true, 67.0, {"FM", "FM", true, 670}},
      {"FM repeater naming no uplink mode", "FM", "", false, true, 0.0, {"FM", "FM", true, 0}},
      {"inverting transponder naming no uplink mode", "USB", "", true, true, 67.0, {"USB", "LSB", true, 0}},
      {"inverting transponder on LSB", "LSB", nullptr, true, true, 0.0, {"LSB", "USB", true, 0}},
      {"transponder with its uplink mode", "USB", "LSB", true, true, 0.0, {"USB", "LSB", true, 0}},
      {"telemetry beacon", "GFSK Rktr", "", false, false, 67.0, {"PKTFM", "", false, 0}},
      {"1k2 packet", "afsk", "", false, false, 0.0, {"PKTFM", "", false, 0}},
      {"BPSK telemetry", "BPSK", "", false, false, 0.0, {"PKTUSB", "", false, 0}},
      {"CW beacon", "CW", "", false, false, 0.0, {"CW", "", false, 0}},
      {"no radio mode fits", "LoRa", "", false, false, 0.0, {"", "", false, 0}},
      {"a tone outside CTCSS", "FM", "FM", false, true, 1750.0, {"FM", "FM", true, 0}},
  };
  for (const TRow& r : rows) {
    const TRadioModes m =
        ModesFor(r.mode, r.uplinkMode ? r.uplinkMode : "", r.invert, r.hasUplink, r.ctcssHz);
    EXPECT_EQ(m.downlink, r.expected.downlink) << r.what;
    EXPECT_EQ(m.uplink, r.expected.uplink) << r.what;
    EXPECT_EQ(m.split, r.expected.split) << r.what;
    EXPECT_EQ(m.ctcssTenthsHz, r.expected.ctcssTenthsHz) << r.what;
  }
}

TEST(TransmitterPlan, SetsTheTrackerForTheChoice) {
  TTrackerSettings s;
  s.minElevationDeg = 10;
  TTransmitterPlan linear{145.91e6, 145.93e6, 435.03e6, 435.05e6, true, "USB", "", 0.0, 5000.0, -800.0};
  ApplyTransmitter(s, linear);
  ASSERT_TRUE(s.transponder);
  EXPECT_EQ(s.downlinkHz, 145.915e6) << "the place, from the passband's low end";
  EXPECT_EQ(s.downlinkOffsetHz, -800.0);
  EXPECT_EQ(s.minElevationDeg, 10) << "the rest stays";
  linear.placeOffsetHz.reset();
  ApplyTransmitter(s, linear);
  EXPECT_EQ(s.downlinkHz, 145.92e6) << "the centre by default";
  linear.placeOffsetHz = 1e9;
  ApplyTransmitter(s, linear);
  EXPECT_EQ(s.downlinkHz, 145.93e6) << "kept inside the passband";

  // A transponder chosen before leaves nothing behind when an FM transceiver is chosen.
  ApplyTransmitter(s, {437.8e6, 0, 145.99e6, 0, false, "FM", "FM", 67.0, std::nullopt, 0.0});
  EXPECT_FALSE(s.transponder);
  EXPECT_EQ(s.downlinkHz, 437.8e6);
  EXPECT_EQ(s.uplinkHz, 145.99e6);
  ASSERT_TRUE(s.modes);
  EXPECT_EQ(s.modes->ctcssTenthsHz, 670);
}

// The tracker over the ISS of January 2006 at the top of its 17:06 pass, against rigctld -m 1.
class TransmitterRadioTest : public testing::Test {
 protected:
  void SetUp() override {
    settings_.observer = {orbit::Radians(52.0), orbit::Radians(5.0), 0.01, 0.0};
    radio_.SetTimings(test::PatientTimings());
  }
  static double Utc(int minute, double second) {
    return orbit::DateTimeToJulianDate(
               orbit::EncodeDateTime({2006, 1, 4, 17, static_cast<std::uint16_t>(minute), 0, 0})) +
           second / 86400.0;
  }
  // The values rigctld answers `command` with.
  QStringList Ask(const QByteArray& command, int lines) {
    QStringList values;
    EXPECT_TRUE(WaitFor([&] { return radio_.Idle(); }, 15000));
    EXPECT_TRUE(radio_.Send(command, lines, [&](const TReply& r) { values = r.values; }));
    EXPECT_TRUE(WaitFor([&] { return radio_.Idle(); }, 15000));
    return values;
  }
  TTrackSample UpdateAt(TTracker& tracker, double jd) {
    EXPECT_TRUE(WaitFor([&] { return radio_.Idle(); }, 15000));
    now_ = jd;
    return tracker.Update();
  }

  TRadioClient radio_;
  TTrackerSettings settings_;
  double now_ = 0.0;
  TTracker::TClock clock_ = [this] { return now_; };
};

TEST_F(TransmitterRadioTest, AnFmTransmitterLeavesTheRadioOnItsCorrectedDownlinkInFm) {
  TRealDaemon rigctld(QStringLiteral("rigctld"));
  NIMBREL_REQUIRE_DAEMON(rigctld);
  radio_.Open(rigctld.Address());
  ASSERT_TRUE(WaitFor([&] { return radio_.Connected(); }, 15000)) << radio_.Problem().toStdString();
  // A beacon that is FM data (9k6 GMSK): the radio's FM data mode, and split turned off.
  ASSERT_TRUE(Ask("S 1 VFOB", 0).isEmpty());
  settings_.downlinkHz = 437.8e6;
  settings_.downlinkOffsetHz = -500.0;
  settings_.modes = ModesFor("GMSK", "", false, false, 0.0);
  TTracker tracker(test::Iss(), settings_, clock_, nullptr, &radio_);
  const TTrackSample sample = UpdateAt(tracker, Utc(11, 0));
  ASSERT_TRUE(sample.downlinkHz);
  const QStringList mode = Ask("m", 2);
  ASSERT_FALSE(mode.isEmpty());
  // hamlib shows its data modes in the radio's own words: PKTFM reads back as "FM-D" on the dummy.
  EXPECT_TRUE(mode[0] == QLatin1String("PKTFM") || mode[0] == QLatin1String("FM-D")) << mode[0].toStdString();
  EXPECT_EQ(Ask("s", 2).value(0), QStringLiteral("0"));
  EXPECT_EQ(Ask("f", 1).value(0).toLongLong(),
            std::llround(DownlinkHz(437.8e6 - 500.0, sample.rangeRateKmPerS)));

  // Plain FM voice: the mode is sent once for the new choice, not at every update.
  settings_.modes = ModesFor("FM", "", false, false, 0.0);
  tracker.SetSettings(settings_);
  UpdateAt(tracker, Utc(11, 30));
  ASSERT_EQ(Ask("m", 2).value(0), QStringLiteral("FM"));
  ASSERT_TRUE(Ask("M USB -1", 0).isEmpty());
  UpdateAt(tracker, Utc(12, 0));
  EXPECT_EQ(Ask("m", 2).value(0), QStringLiteral("USB")) << "an update sends no mode";
}

TEST_F(TransmitterRadioTest, AnInvertingTransponderIsTunedAtItsPlaceAndFollowsTheDial) {
  TRealDaemon rigctld(QStringLiteral("rigctld"));
  NIMBREL_REQUIRE_DAEMON(rigctld);
  radio_.Open(rigctld.Address());
  ASSERT_TRUE(WaitFor([&] { return radio_.Connected(); }, 15000)) << radio_.Problem().toStdString();
  settings_.transponder = kInverting;
  settings_.downlinkHz = kInverting.DownlinkCentreHz();
  settings_.modes = ModesFor("USB", "", true, true, 0.0);
  TTracker tracker(test::Iss(), settings_, clock_, nullptr, &radio_);
  const TTrackSample first = UpdateAt(tracker, Utc(11, 0));
  ASSERT_TRUE(first.downlinkHz && first.uplinkHz);
  const double rr = first.rangeRateKmPerS;
  EXPECT_EQ(Ask("f", 1).value(0).toLongLong(), std::llround(DownlinkHz(145.920e6, rr)));
  EXPECT_EQ(Ask("m", 2).value(0), QStringLiteral("USB"));
  EXPECT_EQ(Ask("s", 2), (QStringList{QStringLiteral("1"), QStringLiteral("VFOB")}));
  EXPECT_EQ(Ask("x", 2).value(0), QStringLiteral("LSB"));
  EXPECT_EQ(Ask("i", 1).value(0).toLongLong(), std::llround(UplinkHz(435.040e6, rr)));

  // The user turns the dial 3 kHz up: the place follows (Doppler taken out) and the uplink, on an
  // inverting transponder, goes down by as much.
  QSignalSpy moved(&tracker, &TTracker::PlaceMoved);
  const qint64 dial = std::llround(*first.downlinkHz) + 3000;
  ASSERT_TRUE(Ask("F " + QByteArray::number(dial), 0).isEmpty());
  UpdateAt(tracker, Utc(11, 0.01));  // reads the dial
  ASSERT_TRUE(WaitFor([&] { return moved.size() == 1; }, 15000));
  EXPECT_NEAR(tracker.PlaceHz(), NominalFromDial(static_cast<double>(dial), rr, 0.0), 1.0);
  const TTrackSample after = UpdateAt(tracker, Utc(11, 0.02));
  ASSERT_TRUE(after.uplinkHz);
  EXPECT_NEAR(*after.uplinkHz, UplinkHz(435.040e6 - (tracker.PlaceHz() - 145.920e6), after.rangeRateKmPerS),
              1.0);
  EXPECT_LT(*after.uplinkHz, *first.uplinkHz - 2900.0);
  EXPECT_EQ(Ask("f", 1).value(0).toLongLong(), dial) << "the dial is left where the user put it";
  EXPECT_EQ(Ask("i", 1).value(0).toLongLong(), std::llround(*after.uplinkHz));
}

}  // namespace
}  // namespace nimbrel::station
