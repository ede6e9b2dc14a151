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

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

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
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("mine: 2 sets, 514 bytes, newest ")))
      << run.out.toStdString();
  EXPECT_TRUE(QFile::exists(Folder() + QStringLiteral("/mine.csv")));

  // A source of one's own, and a download that fails beside one that works.
  ASSERT_EQ(
      Tool({QStringLiteral("add"), QStringLiteral("gone"), server_.Url(QStringLiteral("/gone")).toString()})
          .exitCode,
      0);
  // The host refuses nothing before the failure: after it, it is asked nothing more.
  run = Tool({QStringLiteral("update"), good, QStringLiteral("gone"),
              server_.Url(QStringLiteral("/omm.csv?again=1")).toString()});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.out.startsWith(QStringLiteral("omm: 2 sets, 514 bytes, newest "))) << run.out.toStdString();
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("nimbrel-data: gone: HTTP 404: Not found\n")));
  EXPECT_TRUE(run.err.contains(QStringLiteral("omm-1: not tried: 127.0.0.1 refused the request for gone")));

  run = Tool({QStringLiteral("status")});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.out.contains(QStringLiteral("mine.csv: own file, 2 sets, written just now, newest ")))
      << run.out.toStdString();
  EXPECT_EQ(Tool({QStringLiteral("remove"), QStringLiteral("gone")}).exitCode, 0);
  EXPECT_EQ(Tool({QStringLiteral("remove"), QStringLiteral("gone")}).exitCode, 1);
}

// What cron wants: 0 unless something failed, whatever the server had to say.
TEST_F(DataTool, ExitStatusesAndNamesFromAddresses) {
  server_.Answer(QStringLiteral("/gp.php?GROUP=a&FORMAT=csv"), {.body = testing::OmmCsv()});
  server_.Answer(QStringLiteral("/gp.php?GROUP=b&FORMAT=csv"), {.body = testing::OmmCsvSets(3)});
  server_.Answer(QStringLiteral("/gp.php?GROUP=old&FORMAT=csv"),
                 {.status = 403,
                  .reason = "Forbidden",
                  .contentType = "text/plain",
                  .body = "GP data has not updated since your last successful download of GROUP=old at "
                          "2026-12-09 14:00:02 UTC. Data is updated once every 2 hours."});
  server_.Answer(QStringLiteral("/els.php"), {.body = testing::OmmCsvSets(4)});
  const QString gp = server_.Url(QStringLiteral("/gp.php")).toString();
  TToolRun run =
      Tool({QStringLiteral("update"), gp + QStringLiteral("?GROUP=a&FORMAT=csv"),
            gp + QStringLiteral("?GROUP=b&FORMAT=csv"), gp + QStringLiteral("?GROUP=old&FORMAT=csv"),
            server_.Url(QStringLiteral("/els.php?SET=x&FORMAT=csv")).toString()});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out.count(QLatin1Char('\n')), 4) << run.out.toStdString();
  EXPECT_TRUE(run.out.contains(QStringLiteral("old: no newer data since the last download")))
      << run.out.toStdString();
  for (const char* file : {"/a.csv", "/b.csv", "/els-x.csv"})
    EXPECT_TRUE(QFile::exists(Folder() + QLatin1String(file))) << file;

  server_.Answer(
      QStringLiteral("/gp.php?GROUP=none&FORMAT=csv"),
      {.status = 404, .reason = "Not Found", .contentType = "text/plain", .body = "No GP data found"});
  run = Tool({QStringLiteral("update"), gp + QStringLiteral("?GROUP=none&FORMAT=csv"),
              QStringLiteral("--ask-anyway")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(
      run.err,
      QStringLiteral("nimbrel-data: none: the source has no objects now (\"No GP data found\"); the old file "
                     "is kept\n"));
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
        {QStringLiteral("status"), QStringLiteral("--ask-anyway")},
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
