// nimbrel-track as a user runs it: rehearsing a pass against the dummy daemons, ending on a signal,
// and its exit statuses.

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>

#include "StationTestSupport.h"
#include "station/RadioClient.h"
#include "station/RotatorClient.h"

#ifdef NIMBREL_TRACK_EXE

namespace nimbrel::station {
namespace {

using test::TRealDaemon;
using test::WaitFor;

class TrackTool : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    QFile file(folder_.filePath(QStringLiteral("iss.tle")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "ISS (ZARYA)\n1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844\n"
        "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269\n");
    kepler_ = file.fileName();
  }
  static QString Where(const TDaemonAddress& a) {
    return a.host + QLatin1Char(':') + QString::number(a.port);
  }
  void Run(const QStringList& arguments) {
    tool_.setProcessChannelMode(QProcess::SeparateChannels);
    tool_.start(QStringLiteral(NIMBREL_TRACK_EXE), arguments);
    ASSERT_TRUE(tool_.waitForStarted());
  }
  QStringList Rows() {
    output_ += QString::fromUtf8(tool_.readAllStandardOutput());
    return output_.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  QTemporaryDir folder_;
  QString kepler_;
  QProcess tool_;
  QString output_;
};

TEST_F(TrackTool, RehearsesAPassAgainstTheDummyDaemons) {
  TRealDaemon rotctld(QStringLiteral("rotctld"));
  TRealDaemon rigctld(QStringLiteral("rigctld"));
  NIMBREL_REQUIRE_DAEMON(rotctld);
  NIMBREL_REQUIRE_DAEMON(rigctld);
  Run({QStringLiteral("--rotator"), Where(rotctld.Address()), QStringLiteral("--radio"),
       Where(rigctld.Address()), QStringLiteral("--downlink=437800000"), QStringLiteral("--uplink"),
       QStringLiteral("145990000"), QStringLiteral("--observer"), QStringLiteral("52,5,0.01"),
       QStringLiteral("--utc"), QStringLiteral("2006-01-04T17:11:00"), QStringLiteral("--for"),
       QStringLiteral("2.5"), QStringLiteral("25544"), kepler_});
  ASSERT_TRUE(tool_.waitForFinished(20000));
  EXPECT_EQ(tool_.exitCode(), 0) << tool_.readAllStandardError().toStdString();
  const QStringList rows = Rows();
  ASSERT_GE(rows.size(), 3) << output_.toStdString();
  EXPECT_EQ(rows[0], QStringLiteral("utc,az_deg,el_deg,range_km,range_rate_kms,rotator_az_deg,rotator_el_deg,"
                                    "downlink_hz,uplink_hz,status"));
  const QStringList first = rows[1].split(QLatin1Char(','));
  ASSERT_EQ(first.size(), 10) << rows[1].toStdString();
  EXPECT_TRUE(first[0].startsWith(QStringLiteral("2006-01-04T17:11:00.")));
  EXPECT_EQ(first[9], QStringLiteral("tracking"));
  // The first update commands the rotator where the satellite is, 178 degrees, 32 up.
  EXPECT_NEAR(first[5].toDouble(), first[1].toDouble(), 0.006);
  EXPECT_NEAR(first[5].toDouble(), 178.3, 0.2);
  EXPECT_NEAR(first[6].toDouble(), 31.9, 0.2);
  // The ISS approaches: the downlink is heard high, the uplink sent low.
  EXPECT_GT(first[7].toLongLong(), 437'800'000);
  EXPECT_LT(first[8].toLongLong(), 145'990'000);

  // The radio holds the frequencies of the last update that sent any.
  TRadioClient radio;
  radio.SetTimings(test::PatientTimings());
  radio.Open(rigctld.Address());
  ASSERT_TRUE(WaitFor([&] { return radio.Connected(); }));
  QStringList down, up;
  radio.Send("f", 1, [&](const TReply& r) { down = r.values; });
  radio.Send("i", 1, [&](const TReply& r) { up = r.values; });
  ASSERT_TRUE(WaitFor([&] { return radio.Idle(); }));
  const QStringList last = rows.last().split(QLatin1Char(','));
  ASSERT_EQ(down.size(), 1);
  ASSERT_EQ(up.size(), 1);
  EXPECT_LE(std::abs(down[0].toLongLong() - last[7].toLongLong()), 10) << rows.last().toStdString();
  EXPECT_LE(std::abs(up[0].toLongLong() - last[8].toLongLong()), 10) << rows.last().toStdString();

  // The rotator was stopped on the way (the dummy needs half a minute to get there) and stays put.
  TRotatorClient rotator;
  rotator.SetTimings(test::PatientTimings());
  rotator.Open(rotctld.Address());
  ASSERT_TRUE(WaitFor([&] { return rotator.Connected(); }));
  std::optional<TSkyPoint> before;
  ASSERT_TRUE(WaitFor([&] {
    if (rotator.Idle()) rotator.ReadPosition();
    return rotator.Reported().has_value();
  }));
  before = rotator.Reported();
  EXPECT_GT(before->azimuthDeg, 1.0);
  EXPECT_LT(before->azimuthDeg, 178.0);
  QThread::msleep(600);
  ASSERT_TRUE(rotator.ReadPosition());
  ASSERT_TRUE(WaitFor([&] { return rotator.Idle(); }));
  EXPECT_EQ(rotator.Reported()->azimuthDeg, before->azimuthDeg);
}

TEST_F(TrackTool, EndsCleanlyOnTerminationAndStopsTheRotator) {
  test::TFakeDaemon rotator;
  Run({QStringLiteral("--rotator"), Where(rotator.Address()), QStringLiteral("--observer=52,5,0"),
       QStringLiteral("--utc=2006-01-04T17:11:00"), QStringLiteral("--interval=0.2"),
       QStringLiteral("iss (zarya)"), kepler_});
  ASSERT_TRUE(WaitFor([&] { return Rows().size() >= 3; }, 10000)) << output_.toStdString();
  tool_.terminate();
  ASSERT_TRUE(WaitFor([&] { return tool_.state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(tool_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(tool_.exitCode(), 0);
  ASSERT_FALSE(rotator.Lines().isEmpty());
  EXPECT_EQ(rotator.Lines().last(), QStringLiteral("S"));
}

TEST_F(TrackTool, ExitStatusTellsUnreachableDaemonsFromBadCommandLines) {
  quint16 closed = 0;
  {
    test::TFakeDaemon gone;
    closed = gone.Address().port;
  }
  Run({QStringLiteral("--rotator"), QStringLiteral("127.0.0.1:%1").arg(closed),
       QStringLiteral("--observer=52,5,0"), QStringLiteral("--utc=2006-01-04T16:10:58"),
       QStringLiteral("--for=1"), QStringLiteral("25544"), kepler_});
  ASSERT_TRUE(tool_.waitForFinished(20000));
  EXPECT_EQ(tool_.exitCode(), 1);
  EXPECT_TRUE(Rows().last().endsWith(QStringLiteral(",waiting;rotator-offline"))) << output_.toStdString();

  for (const QStringList& bad :
       {QStringList{QStringLiteral("--el-max=120"), QStringLiteral("25544"), kepler_},
        QStringList{QStringLiteral("--observer=52,5,0"), QStringLiteral("99999"), kepler_},
        QStringList{QStringLiteral("--rotator=localhost"), QStringLiteral("25544"), kepler_}}) {
    QProcess refused;
    refused.start(QStringLiteral(NIMBREL_TRACK_EXE), bad);
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(refused.exitCode(), 2) << bad.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(refused.readAllStandardError().startsWith("nimbrel-track: "));
  }
}

TEST_F(TrackTool, AFolderGivenAsKeplerFileIsWordedForAPerson) {
  QProcess refused;
  refused.start(QStringLiteral(NIMBREL_TRACK_EXE), {QStringLiteral("--observer"), QStringLiteral("1,1,0"),
                                                    QStringLiteral("25544"), folder_.path()});
  ASSERT_TRUE(refused.waitForFinished(10000));
  EXPECT_EQ(refused.exitCode(), 2);
  const QString error = QString::fromLocal8Bit(refused.readAllStandardError());
  EXPECT_EQ(
      error,
      QStringLiteral("nimbrel-track: cannot read the Kepler file '%1': is a folder\n").arg(folder_.path()));
}

// Without --observer the tool tracks from the stored home, at its height: the same first row as the
// home given on the command line with its height in km.
TEST_F(TrackTool, TheStoredHomeKeepsItsHeight) {
  QTemporaryDir config;
  QDir(config.path()).mkpath(QStringLiteral("Corvane"));
  QFile companion(config.filePath(QStringLiteral("Corvane/Nimbrel.conf")));
  ASSERT_TRUE(companion.open(QIODevice::WriteOnly));
  // The settings file's form: the list's one item quoted, as its commas are the item's own.
  companion.write("\"LocationList\"=text:\"\\\"Hill,5,52,3000,0\\\"\"\n\"LocationNum\"=int:0\n");
  companion.close();
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
  environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), config.filePath(QStringLiteral("none")));
  auto firstRange = [&](const QStringList& observer) {
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(NIMBREL_TRACK_EXE),
               observer + QStringList{QStringLiteral("--utc=2006-01-04T17:11:00"),
                                      QStringLiteral("--for=0.5"), QStringLiteral("25544"), kepler_});
    EXPECT_TRUE(tool.waitForFinished(20000));
    const QStringList rows = QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'));
    return rows.size() > 1 ? rows[1].split(QLatin1Char(',')).value(3).toDouble() : 0.0;
  };
  // The rows' times differ by the milliseconds each run takes to start (the ISS moves 7 m in one);
  // three km up shortens the range to a satellite 32 degrees high by over 1.5 km.
  const double stored = firstRange({});
  ASSERT_GT(stored, 0.0);
  EXPECT_NEAR(stored, firstRange({QStringLiteral("--observer=52,5,3")}), 0.4);
  EXPECT_GT(std::fabs(stored - firstRange({QStringLiteral("--observer=52,5,0")})), 1.0);
}

TEST_F(TrackTool, TakesAChosenTransmittersFrequenciesAndModesFromTheList) {
  QFile list(folder_.filePath(QStringLiteral("transmitters.json")));
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write(R"([
    {"uuid": "fm1", "description": "FM, voice", "type": "Transceiver", "uplink_low": 145990000,
     "downlink_low": 437800000, "mode": "FM", "uplink_mode": "FM", "norad_cat_id": 25544, "status": "active"},
    {"uuid": "old", "description": "Old beacon", "type": "Transmitter", "downlink_low": 145800000,
     "mode": "CW", "norad_cat_id": 25544, "status": "inactive", "unconfirmed": true},
    {"uuid": "other", "description": "Another satellite", "downlink_low": 435000000, "norad_cat_id": 7530,
     "status": "active"}])");
  list.close();
  const QString file = QStringLiteral("--transmitters=") + list.fileName();

  Run({QStringLiteral("--list"), file, QStringLiteral("25544"), kepler_});
  ASSERT_TRUE(tool_.waitForFinished(10000));
  EXPECT_EQ(tool_.exitCode(), 0) << tool_.readAllStandardError().toStdString();
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("fm1,\"FM, voice\",437800000,145990000,FM,"),
                                 QStringLiteral("old,Old beacon,145800000,,CW,inactive;unconfirmed")}));

  TRealDaemon rigctld(QStringLiteral("rigctld"));
  NIMBREL_REQUIRE_DAEMON(rigctld);
  QProcess tool;
  tool.start(QStringLiteral(NIMBREL_TRACK_EXE),
             {QStringLiteral("--radio"), Where(rigctld.Address()), file, QStringLiteral("--transmitter=fm1"),
              QStringLiteral("--ctcss=67"), QStringLiteral("--observer=52,5,0.01"),
              QStringLiteral("--utc=2006-01-04T17:11:00"), QStringLiteral("--for=1.5"),
              QStringLiteral("25544"), kepler_});
  ASSERT_TRUE(tool.waitForFinished(20000));
  EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  TRadioClient radio;
  radio.SetTimings(test::PatientTimings());
  radio.Open(rigctld.Address());
  ASSERT_TRUE(WaitFor([&] { return radio.Connected(); }));
  QStringList mode, txMode, tone, down;
  radio.Send("m", 2, [&](const TReply& r) { mode = r.values; });
  radio.Send("x", 2, [&](const TReply& r) { txMode = r.values; });
  radio.Send("c", 1, [&](const TReply& r) { tone = r.values; });
  radio.Send("f", 1, [&](const TReply& r) { down = r.values; });
  ASSERT_TRUE(WaitFor([&] { return radio.Idle(); }));
  EXPECT_EQ(mode.value(0), QStringLiteral("FM"));
  EXPECT_EQ(txMode.value(0), QStringLiteral("FM"));
  EXPECT_EQ(tone.value(0), QStringLiteral("670"));
  EXPECT_NEAR(down.value(0).toDouble(), 437.8e6, 15e3) << "the list's downlink, Doppler-corrected";

  // A list that is not one, a uuid not in it (or another satellite's), and a transmitter given with
  // typed frequencies: one plain line each, and status 2.
  const QString notAList = kepler_;
  for (const QStringList& bad :
       {QStringList{QStringLiteral("--transmitters=") + notAList, QStringLiteral("--list"),
                    QStringLiteral("25544"), kepler_},
        QStringList{file, QStringLiteral("--transmitter=nope"), QStringLiteral("25544"), kepler_},
        QStringList{file, QStringLiteral("--transmitter=other"), QStringLiteral("25544"), kepler_},
        QStringList{file, QStringLiteral("--transmitter=fm1"), QStringLiteral("--downlink=437800000"),
                    QStringLiteral("25544"), kepler_},
        QStringList{file, QStringLiteral("--ctcss=67"), QStringLiteral("--downlink=437800000"),
                    QStringLiteral("25544"), kepler_}}) {
    QProcess refused;
    refused.start(QStringLiteral(NIMBREL_TRACK_EXE), bad);
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(refused.exitCode(), 2) << bad.join(QLatin1Char(' ')).toStdString();
    const QByteArray error = refused.readAllStandardError();
    EXPECT_TRUE(error.startsWith("nimbrel-track: ")) << error.toStdString();
    EXPECT_EQ(error.count('\n'), 1) << error.toStdString();
  }
}

}  // namespace
}  // namespace nimbrel::station

#endif
