// The daemon clients against hamlib's real dummy daemons and against a fake daemon that stalls,
// refuses and drops the connection.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <cmath>

#include "StationTestSupport.h"
#include "station/RadioClient.h"
#include "station/RotatorClient.h"

namespace nimbrel::station {
namespace {

using test::TFakeDaemon;
using test::TRealDaemon;
using test::WaitFor;

TEST(DaemonAddress, ParsesHostsAndRefusesBadPorts) {
  const auto v4 = ParseDaemonAddress(QStringLiteral("127.0.0.1:4533"));
  ASSERT_TRUE(v4);
  EXPECT_EQ(v4->host, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(v4->port, 4533);
  const auto v6 = ParseDaemonAddress(QStringLiteral("[::1]:4532"));
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->host, QStringLiteral("::1"));
  EXPECT_TRUE(ParseDaemonAddress(QStringLiteral("antenna.local:4533")));
  for (const char* bad : {"localhost", ":4533", "localhost:0", "localhost:65536", "localhost:45x", "::1:4533",
                          "[nonsense]:4533", "a b:4533"})
    EXPECT_FALSE(ParseDaemonAddress(QString::fromLatin1(bad))) << bad;
}

// What a broken daemon sends comes to nothing rather than to "nan" on the screen.
TEST(DaemonReplies, OnlyFiniteNumbersInRangeAreTaken) {
  const struct {
    QStringList values;
    bool position;
  } rotator[] = {
      {{QStringLiteral("123.40"), QStringLiteral("45.60")}, true},
      {{QStringLiteral("-180"), QStringLiteral("180")}, true},
      {{QStringLiteral("nan"), QStringLiteral("10")}, false},
      {{QStringLiteral("10"), QStringLiteral("inf")}, false},
      {{QStringLiteral("1e308"), QStringLiteral("0")}, false},
      {{QStringLiteral("north"), QStringLiteral("0")}, false},
      {{QStringLiteral("10")}, false},
  };
  for (const auto& c : rotator)
    EXPECT_EQ(PositionFromReply({0, c.values}).has_value(), c.position) << c.values.join(' ').toStdString();
  EXPECT_FALSE(PositionFromReply({-5, {QStringLiteral("1"), QStringLiteral("2")}}));
  EXPECT_EQ(FrequencyFromReply({0, {QStringLiteral("145800000.4")}}), 145800000);
  EXPECT_FALSE(FrequencyFromReply({0, {QStringLiteral("nan")}}));
  EXPECT_FALSE(FrequencyFromReply({0, {QStringLiteral("-1")}}));

  // Pieces as they come off the socket: a reply is whole only with all its lines, "RPRT" ends one.
  THamlibReplyReader reader;
  reader.Append("12.5\n4");
  EXPECT_FALSE(reader.Take(2));
  reader.Append("5\nRPRT -1\n");
  const std::optional<TReply> position = reader.Take(2);
  ASSERT_TRUE(position);
  EXPECT_EQ(position->values, (QStringList{QStringLiteral("12.5"), QStringLiteral("45")}));
  const std::optional<TReply> refusal = reader.Take(2);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->code, -1);
  reader.Append(QByteArray(THamlibReplyReader::kMaxLineBytes + 1, 'x'));
  EXPECT_TRUE(reader.Overlong());
}

TEST(RealDaemons, RotatorGoesWhereItIsSentAndParks) {
  TRealDaemon daemon(QStringLiteral("rotctld"));
  NIMBREL_REQUIRE_DAEMON(daemon);
  TRotatorClient rotator;
  rotator.SetTimings(test::PatientTimings());
  rotator.Open(daemon.Address());
  ASSERT_TRUE(WaitFor([&] { return rotator.Connected(); })) << rotator.Problem().toStdString();
  // The dummy turns at a few degrees a second: a short move, then read until it has arrived.
  ASSERT_TRUE(rotator.MoveTo({4.5, 3.0}));
  const auto at = [&](double az, double el) {
    return WaitFor(
        [&] {
          if (rotator.Idle()) rotator.ReadPosition();
          const auto& r = rotator.Reported();
          return r && std::abs(r->azimuthDeg - az) < 0.6 && std::abs(r->elevationDeg - el) < 0.6;
        },
        8000);
  };
  EXPECT_TRUE(at(4.5, 3.0));
  ASSERT_TRUE(WaitFor([&] { return rotator.Idle(); }));
  ASSERT_TRUE(rotator.Park());
  EXPECT_TRUE(at(0.0, 0.0));
  EXPECT_TRUE(rotator.Problem().isEmpty()) << rotator.Problem().toStdString();
}

TEST(RealDaemons, RotatorRefusalIsReportedWithItsCode) {
  TRealDaemon daemon(QStringLiteral("rotctld"));
  NIMBREL_REQUIRE_DAEMON(daemon);
  TRotatorClient rotator;
  rotator.SetTimings(test::PatientTimings());
  rotator.Open(daemon.Address());
  ASSERT_TRUE(WaitFor([&] { return rotator.Connected(); }));
  // The dummy's elevation ends at 90 unless told otherwise.
  ASSERT_TRUE(rotator.MoveTo({10.0, 120.0}));
  ASSERT_TRUE(WaitFor([&] { return rotator.Idle(); }));
  EXPECT_TRUE(rotator.Problem().contains(QStringLiteral("hamlib error -1")))
      << rotator.Problem().toStdString();
}

TEST(RealDaemons, RadioTakesDownlinkAndSplitUplink) {
  TRealDaemon daemon(QStringLiteral("rigctld"));
  NIMBREL_REQUIRE_DAEMON(daemon);
  TRadioClient radio;
  radio.SetTimings(test::PatientTimings());
  radio.Open(daemon.Address());
  ASSERT_TRUE(WaitFor([&] { return radio.Connected(); })) << radio.Problem().toStdString();
  ASSERT_TRUE(radio.SetDownlink(435'012'345.4));
  ASSERT_TRUE(radio.SetUplink(145'912'345.6));
  ASSERT_TRUE(WaitFor([&] { return radio.Idle(); }, 15000));
  ASSERT_TRUE(radio.ReportedDownlink()) << radio.Problem().toStdString();
  EXPECT_EQ(*radio.ReportedDownlink(), 435'012'345);
  QStringList uplink;
  QStringList split;
  ASSERT_TRUE(radio.Send("i", 1, [&](const TReply& r) { uplink = r.values; }));
  ASSERT_TRUE(radio.Send("s", 2, [&](const TReply& r) { split = r.values; }));
  ASSERT_TRUE(WaitFor([&] { return radio.Idle(); }));
  EXPECT_EQ(uplink, QStringList{QStringLiteral("145912346")});
  EXPECT_EQ(split, (QStringList{QStringLiteral("1"), QStringLiteral("VFOB")}));
}

TEST(FakeDaemon, RefusalIsReportedOnceNotAtEveryCommand) {
  TFakeDaemon fake;
  fake.SetMode(TFakeDaemon::TMode::fmRefuse);
  TRotatorClient rotator;
  QSignalSpy problems(&rotator, &THamlibLink::ProblemChanged);
  rotator.Open(fake.Address());
  ASSERT_TRUE(WaitFor([&] { return rotator.Connected(); }));
  // A rotator refusing every new position: the arguments change, the problem does not.
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(WaitFor([&] { return rotator.Idle(); }));
    ASSERT_TRUE(rotator.Send("P " + QByteArray::number(10 + i) + " 20", 0));
  }
  ASSERT_TRUE(WaitFor([&] { return rotator.Idle(); }));
  EXPECT_EQ(problems.count(), 1);
  EXPECT_TRUE(rotator.Problem().contains(QStringLiteral("hamlib error -5, communication timed out")))
      << rotator.Problem().toStdString();
  EXPECT_EQ(fake.Count(QStringLiteral("P")), 5);
  // The next good reply ends the problem.
  fake.SetMode(TFakeDaemon::TMode::fmNormal);
  ASSERT_TRUE(rotator.Send("P 30 20", 0));
  ASSERT_TRUE(WaitFor([&] { return rotator.Idle(); }));
  EXPECT_TRUE(rotator.Problem().isEmpty());
  EXPECT_EQ(problems.count(), 2);
}

TEST(FakeDaemon, StalledReplyTimesOutAndTheLinkConnectsAgain) {
  TFakeDaemon fake;
  fake.SetMode(TFakeDaemon::TMode::fmSilent);
  TRotatorClient rotator;
  rotator.SetTimings(test::QuickTimings());
  rotator.Open(fake.Address());
  ASSERT_TRUE(WaitFor([&] { return rotator.Connected(); }));
  bool answered = false;
  QElapsedTimer sending;
  sending.start();
  ASSERT_TRUE(rotator.Send("p", 2, [&](const TReply&) { answered = true; }));
  EXPECT_LT(sending.elapsed(), 100) << "sending must not wait for the daemon";
  // The event loop keeps turning while the daemon is silent.
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(10);
  ASSERT_TRUE(WaitFor([&] { return rotator.State() == TLinkState::lsWaitingToRetry; }));
  EXPECT_GT(ticks, 5);
  EXPECT_FALSE(answered);
  EXPECT_TRUE(rotator.Problem().contains(QStringLiteral("did not answer \"p\"")))
      << rotator.Problem().toStdString();
  fake.SetMode(TFakeDaemon::TMode::fmNormal);
  ASSERT_TRUE(WaitFor([&] { return rotator.Connected(); }));
  EXPECT_EQ(fake.Connections(), 2);
  ASSERT_TRUE(rotator.ReadPosition());
  ASSERT_TRUE(WaitFor([&] { return rotator.Reported().has_value(); }));
  EXPECT_DOUBLE_EQ(rotator.Reported()->azimuthDeg, 10.0);
  EXPECT_FALSE(answered) << "the stalled command's handler must never run";
}

TEST(FakeDaemon, DroppedConnectionIsRetriedUntilItComesBack) {
  TFakeDaemon fake;
  TRadioClient radio;
  radio.SetTimings(test::QuickTimings());
  QSignalSpy problems(&radio, &THamlibLink::ProblemChanged);
  radio.Open(fake.Address());
  ASSERT_TRUE(WaitFor([&] { return radio.Connected(); }));
  fake.SetMode(TFakeDaemon::TMode::fmDropOnCommand);
  ASSERT_TRUE(radio.SetDownlink(145.8e6));
  ASSERT_TRUE(WaitFor([&] { return radio.State() == TLinkState::lsWaitingToRetry; }));
  EXPECT_FALSE(radio.Send("f", 1)) << "nothing is queued while there is no connection";
  ASSERT_TRUE(WaitFor([&] { return radio.Connected(); }));
  EXPECT_EQ(fake.Connections(), 2);
  ASSERT_TRUE(radio.SetDownlink(145.8e6));
  ASSERT_TRUE(WaitFor([&] { return radio.ReportedDownlink().has_value(); }));
  EXPECT_TRUE(radio.Problem().isEmpty());
  EXPECT_EQ(problems.count(), 2);  // the loss, then its end
}

TEST(FakeDaemon, UnreachableDaemonIsOneProblemOverManyRetries) {
  quint16 port = 0;
  {
    TFakeDaemon gone;
    port = gone.Address().port;
  }
  TRotatorClient rotator;
  rotator.SetTimings(test::QuickTimings());
  QSignalSpy problems(&rotator, &THamlibLink::ProblemChanged);
  QSignalSpy states(&rotator, &THamlibLink::StateChanged);
  rotator.Open({QStringLiteral("127.0.0.1"), port});
  // Three retries or more.
  ASSERT_TRUE(WaitFor([&] { return states.count() >= 7; }));
  EXPECT_EQ(problems.count(), 1);
  EXPECT_TRUE(rotator.Problem().startsWith(QStringLiteral("Could not reach the rotator at 127.0.0.1:")))
      << rotator.Problem().toStdString();
  EXPECT_FALSE(rotator.EverConnected());
  rotator.Close();
  EXPECT_EQ(rotator.State(), TLinkState::lsClosed);
  EXPECT_TRUE(rotator.Problem().isEmpty());
}

}  // namespace
}  // namespace nimbrel::station
