// The snapshot's command line, and the built program making a picture end to end.

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <numbers>
#include "FormTestSupport.h"
#include "app/Clock.h"
#include "app/Snapshot.h"
#include "app/ViewMath.h"
#include "orbit/Geometry.h"
#include "orbit/Satellite.h"

namespace nimbrel::app {
namespace {

TEST(SnapshotCommandLine, OptionsAreTakenOutFirst) {
  const TCommandLine line =
      ParseCommandLine({QStringLiteral("--size"), QStringLiteral("640x480"), QStringLiteral("data.tle"),
                        QStringLiteral("--snapshot"), QStringLiteral("out.png"), QStringLiteral("--utc"),
                        QStringLiteral("2006-01-03T20:03:30"), QStringLiteral("more")});
  ASSERT_TRUE(line.snapshot);
  EXPECT_EQ(line.snapshot->output, QStringLiteral("out.png"));
  EXPECT_EQ(line.snapshot->size, QSize(640, 480));
  ASSERT_TRUE(line.snapshot->utc);
  EXPECT_EQ(ToMilliseconds(*line.snapshot->utc),
            ToMilliseconds(orbit::EncodeDateTime({2006, 1, 3, 20, 3, 30, 0})));
  EXPECT_EQ(line.arguments, (QStringList{QStringLiteral("data.tle"), QStringLiteral("more")}));
}

TEST(SnapshotCommandLine, WithoutSnapshotEverythingIsAnArgument) {
  const TCommandLine line = ParseCommandLine({QStringLiteral("data.tle")});
  EXPECT_FALSE(line.snapshot);
  EXPECT_EQ(line.arguments, QStringList{QStringLiteral("data.tle")});
  const TCommandLine defaults = ParseCommandLine({QStringLiteral("--snapshot"), QStringLiteral("a.png")});
  ASSERT_TRUE(defaults.snapshot);
  EXPECT_EQ(defaults.snapshot->size, QSize(401, 397));
  EXPECT_FALSE(defaults.snapshot->utc);
  EXPECT_FALSE(defaults.snapshot->viewpoint);
}

TEST(SnapshotCommandLine, ViewpointsByNameInAnyCase) {
  const std::pair<const char*, int> cases[] = {{"manual", 0}, {"Home", 1}, {"satellite", 2},
                                               {"fly", 3},    {"SUN", 4},  {"moon", 5}};
  for (const auto& [name, index] : cases) {
    const TCommandLine line = ParseCommandLine({QStringLiteral("--snapshot"), QStringLiteral("a.png"),
                                                QStringLiteral("--viewpoint"), QLatin1String(name)});
    ASSERT_TRUE(line.snapshot && line.snapshot->viewpoint) << name;
    EXPECT_EQ(*line.snapshot->viewpoint, index) << name;
    EXPECT_STREQ(kViewpointOptionNames[static_cast<std::size_t>(index)],
                 QByteArray(name).toLower().constData());
  }
}

TEST(SnapshotCommandLine, BadOptionsAreRefused) {
  const QStringList bad[] = {
      {QStringLiteral("--snapshot")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--size"),
       QStringLiteral("0x10")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--size"),
       QStringLiteral("100")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--size"),
       QStringLiteral("99999x10")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--utc"),
       QStringLiteral("2006-02-30T00:00:00")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--utc"),
       QStringLiteral("yesterday")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--snapshot"),
       QStringLiteral("b.png")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--frobnicate")},
      {QStringLiteral("--utc"), QStringLiteral("2006-01-03T20:03:30")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--viewpoint"),
       QStringLiteral("mars")},
      {QStringLiteral("--snapshot"), QStringLiteral("a.png"), QStringLiteral("--viewpoint")},
      {QStringLiteral("--viewpoint"), QStringLiteral("sun")},
  };
  for (const QStringList& arguments : bad) {
    EXPECT_THROW(ParseCommandLine(arguments), ECommandLineError) << arguments.join(' ').toStdString();
  }
}

#ifdef NIMBREL_PROGRAM
struct TRun {
  int exitCode = -1;
  QByteArray errors;
  // The program's own lines; the toolkit may add notes of its own.
  int OwnLines() const {
    int count = 0;
    for (const QByteArray& line : errors.split('\n')) count += line.startsWith("NimbrelGL") ? 1 : 0;
    return count;
  }
};

TRun RunProgram(const QStringList& arguments, const QString& folder, const QString& configHome = QString()) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // Settings of the sandbox only, none of the user's.
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                     configHome.isEmpty() ? folder + QStringLiteral("/user") : configHome);
  environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), folder + QStringLiteral("/machine"));
  // Nor the user's Kepler data: a sandbox brings its own data home.
  if (configHome.isEmpty())
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/data"));
  process.setProcessEnvironment(environment);
  process.setWorkingDirectory(folder);
  process.start(QStringLiteral(NIMBREL_PROGRAM), arguments);
  if (!process.waitForFinished(120000)) {
    process.kill();
    return {};
  }
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardError()};
}

TEST(SnapshotProgram, WritesThePictureAtTheRequestedSizeAndNoSettings) {
  QTemporaryDir folder;
  const QString png = folder.filePath(QStringLiteral("view.png"));
  const TRun run =
      RunProgram({QStringLiteral("--snapshot"), png, QStringLiteral("--utc"),
                  QStringLiteral("2006-01-03T20:03:30"), QStringLiteral("--size"), QStringLiteral("320x240")},
                 folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  const QImage image(png);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(320, 240));
  // No data: the built-in sets, and their warning on standard error as one line.
  EXPECT_TRUE(run.errors.contains("NimbrelGL - cannot find Kepler data: Folder: "))
      << run.errors.toStdString();
  EXPECT_EQ(run.OwnLines(), 1) << run.errors.toStdString();
  EXPECT_FALSE(QDir(folder.filePath(QStringLiteral("user"))).exists());
}

TEST(SnapshotProgram, BadOptionsAndUnwritableFilesFail) {
  QTemporaryDir folder;
  const TRun bad = RunProgram({QStringLiteral("--snapshot"), QStringLiteral("a.png"),
                               QStringLiteral("--size"), QStringLiteral("wide")},
                              folder.path());
  EXPECT_NE(bad.exitCode, 0);
  EXPECT_EQ(bad.OwnLines(), 1) << bad.errors.toStdString();
  EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("a.png"))));
  const TRun unwritable = RunProgram(
      {QStringLiteral("--snapshot"), folder.filePath(QStringLiteral("missing/folder/a.png"))}, folder.path());
  EXPECT_NE(unwritable.exitCode, 0);
  EXPECT_TRUE(unwritable.errors.contains("cannot write")) << unwritable.errors.toStdString();
}

double Brightness(const QImage& image, int x, int y) {
  const QColor c = image.pixelColor(x, y);
  return c.red() + c.green() + c.blue();
}

// The ISS's sub-satellite point at a UTC time, from the built-in set.
TViewLonLat IssGroundPoint(orbit::TDateTime t) {
  orbit::TSatellite iss = orbit::TSatellite::Create(
      "ISS", "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
      "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269");
  const double jd = orbit::JulianDateFromDateTime(t);
  orbit::Vector4 position;
  orbit::Vector4 velocity;
  iss.Propagate(jd, position, velocity);
  orbit::ConvertSatState(position, velocity);
  const std::optional<TSceneLocation> location = GeodeticToScene(position, jd);
  if (!location) return {};
  return {location->longitude * 180 / std::numbers::pi - 180, location->latitude * 180 / std::numbers::pi};
}

TEST(SnapshotProgram, TheSunlitSideAndThePrimaryAreWhereTheyBelong) {
  testing::TSandbox sandbox;
  const orbit::TDateTime t = orbit::EncodeDateTime({2006, 1, 4, 9, 30, 0, 0});
  TViewLonLat ground = IssGroundPoint(t);
  if (ground.lon <= -180) ground.lon += 360;
  // Home right under the ISS: the picture looks down on it.
  sandbox.CompanionText(
      "LocationList",
      QStringLiteral("\"Under,%1,%2,0,0\"").arg(ground.lon, 0, 'f', 4).arg(ground.lat, 0, 'f', 4));
  const QString png = sandbox.Path(QStringLiteral("view.png"));
  const TRun run = RunProgram(
      {QStringLiteral("--snapshot"), png, QStringLiteral("--utc"), QStringLiteral("2006-01-04T09:30:00")},
      sandbox.Path(QString()), QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")));
  ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
  const QImage image(png);
  ASSERT_EQ(image.size(), QSize(401, 397));
  // The primary's marker (first colour, reddish orange) at the centre, over its ground point.
  const QColor centre = image.pixelColor(200, 198);
  EXPECT_GT(centre.red(), centre.green() + 40) << centre.name().toStdString();
  EXPECT_GT(centre.red(), centre.blue() + 40) << centre.name().toStdString();

  // Now above 0 N 0 E (no home): at 09:30 UTC in January the Sun stands over about 37 E, 23 S, so
  // the globe's right-hand (eastern) limb is lit and the left-hand (western) one is in the night.
  sandbox.CompanionText("LocationList", QString());
  const QString png2 = sandbox.Path(QStringLiteral("view2.png"));
  const TRun run2 =
      RunProgram({QStringLiteral("--snapshot"), png2, QStringLiteral("--utc"),
                  QStringLiteral("2006-01-04T09:30:00"), QStringLiteral("--size"), QStringLiteral("401x397")},
                 sandbox.Path(QString()), QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")));
  ASSERT_EQ(run2.exitCode, 0) << run2.errors.toStdString();
  const QImage view(png2);
  double east = 0;
  double west = 0;
  for (int dy = -20; dy <= 20; dy += 4) {
    for (int dx = 60; dx <= 100; dx += 4) {
      east += Brightness(view, 200 + dx, 198 + dy);
      west += Brightness(view, 200 - dx, 198 + dy);
    }
  }
  EXPECT_GT(east, west * 1.15) << "east " << east << " west " << west;
}
#endif

}  // namespace
}  // namespace nimbrel::app
