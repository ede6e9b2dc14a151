// The snapshot's command line, and the built program making a picture end to end.

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "app/Clock.h"
#include "app/Snapshot.h"

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

TRun RunProgram(const QStringList& arguments, const QString& folder) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // Settings of the sandbox only, none of the user's.
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/user"));
  environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), folder + QStringLiteral("/machine"));
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
#endif

}  // namespace
}  // namespace nimbrel::app
