// nimbrel-data as cron would run it: its lines, its exit status, and nothing read from standard input.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include "DownloadTestData.h"
#include "LoopbackServer.h"

#ifdef NIMBREL_DATA_EXE

namespace nimbrel::download {
namespace {

struct TToolRun {
  int exitCode = -1;
  QString out;
  QString err;
};

class DataTool : public ::testing::Test {
 protected:
  // Runs the tool without blocking this thread, which serves its downloads meanwhile.
  TToolRun Tool(QStringList arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    arguments << QStringLiteral("--folder") << Folder();
    process.start(QStringLiteral(NIMBREL_DATA_EXE), arguments);
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished();
      return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
  }
  QString Folder() const { return home_.filePath(QStringLiteral("kepler")); }

  QTemporaryDir home_;
  testing::TLoopbackServer server_;
};

TEST_F(DataTool, UpdatesWhatItCanAndSaysWhatFailed) {
  server_.Answer(QStringLiteral("/omm.csv"), {.body = testing::OmmCsv()});
  const QString good = server_.Url(QStringLiteral("/omm.csv")).toString();
  TToolRun run = Tool({QStringLiteral("update"), good, QStringLiteral("--name"), QStringLiteral("mine")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("mine: 2 sets, 514 bytes\n"));
  EXPECT_TRUE(QFile::exists(Folder() + QStringLiteral("/mine.csv")));

  // A source of one's own, and a download that fails beside one that works.
  ASSERT_EQ(
      Tool({QStringLiteral("add"), QStringLiteral("gone"), server_.Url(QStringLiteral("/gone")).toString()})
          .exitCode,
      0);
  run = Tool({QStringLiteral("update"), QStringLiteral("gone"), good});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, QStringLiteral("omm: 2 sets, 514 bytes\n"));
  EXPECT_EQ(run.err, QStringLiteral("nimbrel-data: gone: HTTP 404\n"));

  run = Tool({QStringLiteral("status")});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.out.contains(QStringLiteral("mine.csv: own file, 2 sets, written just now\n")))
      << run.out.toStdString();
  EXPECT_EQ(Tool({QStringLiteral("remove"), QStringLiteral("gone")}).exitCode, 0);
  EXPECT_EQ(Tool({QStringLiteral("remove"), QStringLiteral("gone")}).exitCode, 1);
}

TEST_F(DataTool, ABadCommandLineExitsWithTwoAndFetchesNothing) {
  for (const QStringList& args :
       {QStringList{},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("update")},
        {QStringLiteral("update"), QStringLiteral("no-such-group")},
        {QStringLiteral("update"), QStringLiteral("stations"), QStringLiteral("--name"), QStringLiteral("x")},
        {QStringLiteral("update"), QStringLiteral("ftp://example.org/a.txt")},
        {QStringLiteral("groups"), QStringLiteral("--bogus")},
        {QStringLiteral("add"), QStringLiteral("stations"), QStringLiteral("https://example.org/a.txt")}}) {
    const TToolRun run = Tool(args);
    EXPECT_EQ(run.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("nimbrel-data: "))) << run.err.toStdString();
  }
  EXPECT_EQ(server_.Requests(), 0);
  const TToolRun groups = Tool({QStringLiteral("groups")});
  EXPECT_EQ(groups.exitCode, 0);
  EXPECT_TRUE(groups.out.startsWith(
      QStringLiteral("stations\tSpace stations and the vehicles that visit them\t"
                     "https://celestrak.org/NORAD/elements/gp.php?GROUP=stations&FORMAT=csv\n")));
}

}  // namespace
}  // namespace nimbrel::download

#endif
