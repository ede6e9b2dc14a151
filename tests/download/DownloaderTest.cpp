// Downloads over real HTTP on the loopback interface, from a server of the tests' own.

#include "download/Downloader.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include "DownloadTestData.h"
#include "LoopbackServer.h"
#include "catalogue/SatelliteList.h"
#include "catalogue/SettingsStore.h"

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace nimbrel::download {
namespace {

using testing::TAnswer;
using testing::TLoopbackServer;
using TStatus = TDownloadResult::TStatus;

class Downloads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    options_.dataFolder = folder_.filePath(QStringLiteral("data/kepler"));
  }

  QString Data(const QString& name) const { return QDir(options_.dataFolder).filePath(name); }
  void WriteData(const QString& name, const QByteArray& bytes) const {
    QDir().mkpath(options_.dataFolder);
    QFile file(Data(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QByteArray ReadData(const QString& name) const {
    QFile file(Data(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  QStringList DataFiles() const {
    return QDir(options_.dataFolder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
  }
  TSource UserSource(const QString& name, const QString& path) const {
    return {name, {}, server_.Url(path), false};
  }

  // Runs the sources to the end, adding to ticks_ how often a 10 ms timer of the same thread fired
  // meanwhile.
  std::vector<TDownloadResult> Run(TDownloader& downloader, std::vector<TSource> sources) {
    QEventLoop loop;
    QObject::connect(&downloader, &TDownloader::Finished, &loop, &QEventLoop::quit);
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [this] { ++ticks_; });
    ticker.start(10);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    EXPECT_TRUE(downloader.Start(std::move(sources)));
    loop.exec();
    EXPECT_FALSE(downloader.Running()) << "the run did not end";
    return downloader.Results();
  }
  std::vector<TDownloadResult> Run(std::vector<TSource> sources) {
    TDownloader downloader(options_);
    return Run(downloader, std::move(sources));
  }

  // A settings file of the test's own for the download state, and a clock the test sets.
  void UseState() {
    ASSERT_TRUE(config_.isValid());
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    options_.state = TDownloadState::ForProgram();
    options_.clock = [this] { return now_; };
  }
  void TearDown() override {
    if (options_.state) qputenv("XDG_CONFIG_HOME", oldConfig_);
  }
  QString HostKey(const TLoopbackServer& server) const {
    return QStringLiteral("127.0.0.1:%1").arg(server.Url(QString()).port());
  }

  QTemporaryDir folder_;
  QTemporaryDir config_;
  QByteArray oldConfig_;
  TLoopbackServer server_;
  TDownloadOptions options_;
  QDateTime now_ = QDateTime(QDate(2026, 12, 9), QTime(3, 0), Qt::UTC);
  int ticks_ = 0;
};

TEST_F(Downloads, GoodFilesReplaceTheOldOnesUnderTheEndingOfTheirForm) {
  server_.Answer(QStringLiteral("/omm.csv"), {.body = testing::OmmCsv()});
  server_.Answer(QStringLiteral("/elements.txt"), {.contentType = "text/plain", .body = testing::TwoLine()});
  WriteData(QStringLiteral("omm.csv"), "old data\n");
  options_.clock = [] { return QDateTime(QDate(2006, 1, 13), QTime(20, 0), Qt::UTC); };
  const auto results = Run({UserSource(QStringLiteral("omm"), QStringLiteral("/omm.csv")),
                            UserSource(QStringLiteral("tle"), QStringLiteral("/elements.txt"))});
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].Line(), QStringLiteral("omm: 2 sets (0 before), 514 bytes, newest 10 days old"));
  EXPECT_EQ(results[1].Line(), QStringLiteral("tle: 1 set, 152 bytes, newest 10 days old"));
  EXPECT_EQ(ReadData(QStringLiteral("omm.csv")), testing::OmmCsv());
  EXPECT_EQ(ReadData(QStringLiteral("tle.tle")), testing::TwoLine());
  // Nothing else is left in the folder: no temporary file.
  EXPECT_EQ(DataFiles(), (QStringList{QStringLiteral("omm.csv"), QStringLiteral("tle.tle")}));
  EXPECT_TRUE(server_.LastRequest().contains("\r\nUser-Agent: NimbrelGL/"))
      << server_.LastRequest().toStdString();
}

TEST_F(Downloads, ARedirectOnTheSameHostIsFollowed) {
  server_.Answer(QStringLiteral("/moved"),
                 {.status = 302, .reason = "Found", .headers = {{"Location", "/omm.csv"}}});
  server_.Answer(QStringLiteral("/omm.csv"), {.body = testing::OmmCsv()});
  const auto results = Run({UserSource(QStringLiteral("moved"), QStringLiteral("/moved"))});
  ASSERT_EQ(results.size(), 1u);
  EXPECT_TRUE(results[0].Done()) << results[0].reason.toStdString();
  EXPECT_EQ(server_.Requests(), 2);
}

// Every way a download can fail leaves the previous file as it was and no temporary file.
TEST_F(Downloads, EveryFailureKeepsThePreviousFileByteForByte) {
  struct TCase {
    const char* what;
    TAnswer answer;
    const char* reason;
  };
  const QByteArray html = "<!DOCTYPE html>\n<html><body>Please log in</body></html>\n";
  const QByteArray big = testing::OmmCsv().repeated(40);
  const TCase cases[] = {
      {"404", {.status = 404, .reason = "Not Found", .body = "gone"}, "HTTP 404: gone"},
      {"403", {.status = 403, .reason = "Forbidden", .body = "blocked"}, "HTTP 403: blocked"},
      {"500, a page of text",
       {.status = 500, .reason = "Oops", .contentType = "text/html", .body = "<html>" + QByteArray(300, 'x')},
       "HTTP 500"},
      {"301 elsewhere",
       {.status = 301, .reason = "Moved", .headers = {{"Location", "https://elsewhere.example/gp.php"}}},
       "HTTP 301: the server sends the download on to elsewhere.example, which is not followed"},
      {"HTML with 200",
       {.contentType = "text/html", .body = html},
       "not Kepler data: the answer is an HTML page"},
      {"HTML as text",
       {.contentType = "text/plain", .body = html},
       "not Kepler data: the answer is an HTML page"},
      {"a short message",
       {.contentType = "text/plain", .body = "No GP data found\n"},
       "not Kepler data: the answer is \"No GP data found\""},
      {"cut mid-record", {.body = testing::OmmCsv(), .cutAfter = 300}, "cut short"},
      // No length: only the text itself can tell.
      {"CSV cut mid-record, no length",
       {.body = testing::OmmCsvSets(8), .cutAfter = 900, .noLength = true},
       "cut short"},
      {"CSV cut inside a quote, no length",
       {.body = testing::OmmCsv() + "\"A,\r\nB\",x", .cutAfter = 520, .noLength = true},
       "cut short"},
      {"TLE cut in line 2, no length",
       {.contentType = "text/plain", .body = testing::TwoLineSets(8), .cutAfter = 1000, .noLength = true},
       "cut short"},
      {"TLE without its last line end",
       {.contentType = "text/plain", .body = testing::TwoLineSets(3).chopped(1), .noLength = true},
       "cut short"},
      {"JSON cut, no length",
       {.contentType = "application/json",
        .body = "[{\"OBJECT_NAME\":\"A\",\"NORAD_CAT_ID\":1}",
        .noLength = true},
       "cut short"},
      {"too large", {.body = big}, "larger than the bound of 2.0 kB"},
      {"stalled",
       {.body = testing::OmmCsv(), .stallAfterHeaders = true},
       "the transfer stalled: nothing arrived for 0.3 s"},
      {"silent", {.silent = true}, "no answer from 127.0.0.1 within 0.3 s"},
      // Last: Qt may send this one's request again after the run, which the next row would count.
      {"too large, unannounced", {.body = big, .noLength = true}, "larger than the bound of 2.0 kB"},
  };
  options_.maxBytes = 2000;
  options_.answerTimeout = std::chrono::milliseconds(300);
  options_.stallTimeout = std::chrono::milliseconds(300);
  const QByteArray previous = testing::TwoLine();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    WriteData(QStringLiteral("src.csv"), previous);
    server_.Answer(QStringLiteral("/src"), c.answer);
    const int requestsBefore = server_.Requests();
    const auto results = Run({UserSource(QStringLiteral("src"), QStringLiteral("/src"))});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, TStatus::drFailed);
    EXPECT_EQ(results[0].reason, QString::fromUtf8(c.reason));
    EXPECT_EQ(ReadData(QStringLiteral("src.csv")), previous);
    EXPECT_EQ(DataFiles(), QStringList{QStringLiteral("src.csv")});
    // Never followed to the other host, never asked twice. (A body that only the closing of the
    // connection ends can make Qt itself send the request once more when the close overtakes the
    // data; that is Qt's rule for such answers, not a retry of ours.)
    if (!c.answer.noLength) {
      EXPECT_EQ(server_.Requests(), requestsBefore + 1);
    }
  }
  // While the stalled and the silent server were waited for, the thread went on serving its timers.
  EXPECT_GT(ticks_, 10);
}

TEST_F(Downloads, AFileCutBetweenRecordsIsShownBesideTheOldCount) {
  // Nothing in the text can tell this cut from a smaller file; the counts side by side can.
  WriteData(QStringLiteral("src.csv"), testing::OmmCsvSets(40));
  const QByteArray body = testing::OmmCsvSets(40);
  server_.Answer(QStringLiteral("/src"),
                 {.body = body, .cutAfter = body.indexOf("SAT 20,"), .noLength = true});
  options_.clock = [] { return QDateTime(QDate(2006, 1, 13), QTime(20, 0), Qt::UTC); };
  const auto results = Run({UserSource(QStringLiteral("src"), QStringLiteral("/src"))});
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].Line(), QStringLiteral("src: 19 sets (40 before), 2.7 kB, newest 10 days old"));
}

TEST_F(Downloads, ABodyOverTheBoundIsLargerThanTheBoundCompressedOrNot) {
  // Qt's guard against compressed bombs would end this as an error that read as a cut.
  const QByteArray plain(17 * 1024 * 1024, '0');
  server_.Answer(QStringLiteral("/packed"),
                 {.body = qCompress(plain, 9).mid(4), .headers = {{"Content-Encoding", "deflate"}}});
  options_.maxBytes = 16 * 1024 * 1024;
  const auto results = Run({UserSource(QStringLiteral("packed"), QStringLiteral("/packed"))});
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].reason, QStringLiteral("larger than the bound of 16 MiB"));
}

TEST_F(Downloads, CelestrakAnswersAreReadForWhatTheySay) {
  UseState();
  const std::vector<TSource> groups = BuiltInSources(server_.Url(QStringLiteral("/gp.php")).toString());
  const TSource& stations = groups[0];
  const TSource& visual = groups[1];
  ASSERT_EQ(visual.name, QStringLiteral("visual"));
  server_.Answer(QStringLiteral("/gp.php?GROUP=stations&FORMAT=csv"),
                 {.status = 403,
                  .reason = "Forbidden",
                  .contentType = "text/plain",
                  .body = "GP data has not updated since your last successful download of GROUP=stations at "
                          "2026-12-09 02:00:02 UTC. Data is updated once every 2 hours."});
  server_.Answer(QStringLiteral("/gp.php?GROUP=visual&FORMAT=csv"), {.body = testing::OmmCsv()});
  WriteData(QStringLiteral("stations.csv"), testing::TwoLine());

  // "Not updated" is no refusal: the file stays, and the next group on the host is still asked.
  auto results = Run({stations, visual});
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].status, TStatus::drNotUpdated);
  EXPECT_FALSE(results[0].Failed());
  EXPECT_EQ(results[0].nextAllowed, QDateTime(QDate(2026, 12, 9), QTime(5, 0), Qt::UTC));
  EXPECT_EQ(
      results[0].Line(),
      QStringLiteral("stations: no newer data since the last download at 2026-12-09 02:00 UTC; the file "
                     "stays, and is not asked for again before 2026-12-09 05:00 UTC"));
  EXPECT_EQ(ReadData(QStringLiteral("stations.csv")), testing::TwoLine());
  EXPECT_TRUE(results[1].Done()) << results[1].reason.toStdString();
  EXPECT_EQ(server_.Requests(), 2);
  now_ = now_.addSecs(5400);
  EXPECT_EQ(Run({stations})[0].status, TStatus::drTooSoon);
  EXPECT_EQ(server_.Requests(), 2);
}

// CelesTrak's supplemental ISS sets: asked for as CSV (sup-gp.php would send two-line sets), kept as
// sup-ISS-E.csv with every piece counted, and read by the catalogue above the public set.
TEST_F(Downloads, SupplementalSetsAreAskedAsCsvAndKeptUnderTheirFileName) {
  UseState();
  const std::vector<TSource> sources = BuiltInSources(server_.Url(QStringLiteral("/gp.php")).toString());
  const auto iss = std::find_if(sources.begin(), sources.end(),
                                [](const TSource& s) { return s.name == QStringLiteral("sup-ISS-E"); });
  ASSERT_NE(iss, sources.end());
  EXPECT_FALSE(iss->description.isEmpty());
  QByteArray pieces = testing::OmmCsv().left(testing::OmmCsv().indexOf("\r\n") + 2);
  for (const char* epoch : {"2006-01-03T12:00:00", "2006-01-03T00:00:00", "2006-01-03T06:00:00"}) {
    pieces += QByteArray("ISS (ZARYA),1998-067A,") + epoch +
              ",15.73745284,.0010909,51.6458,312.4823,112.4787,338.3202,0,U,25544,84,40726,.13602e-3,"
              ".00019047,0\r\n";
  }
  server_.Answer(QStringLiteral("/supplemental/sup-gp.php"), {.body = pieces});
  // The public set is newer than every piece.
  WriteData(QStringLiteral("stations.csv"), testing::OmmCsv());
  const auto results = Run({*iss});
  ASSERT_EQ(results.size(), 1u);
  ASSERT_TRUE(results[0].Done()) << results[0].reason.toStdString();
  EXPECT_TRUE(results[0].Line().startsWith(QStringLiteral("sup-ISS-E: 3 sets, ")))
      << results[0].Line().toStdString();
  EXPECT_TRUE(
      server_.LastRequest().startsWith("GET /supplemental/sup-gp.php?SOURCE=ISS-E&FORMAT=csv HTTP/1.1\r\n"))
      << server_.LastRequest().toStdString();
  EXPECT_EQ(ReadData(QStringLiteral("sup-ISS-E.csv")), pieces);

  const catalogue::TSatelliteList list = catalogue::TSatelliteList::Create(options_.dataFolder.toStdString());
  ASSERT_EQ(list.Count(), 2);
  const orbit::TSatellite& kept = list.SatelliteAt(list.IndexOfCatalogueNumber("25544"));
  EXPECT_EQ(kept.SetCount(), 3);
  EXPECT_EQ(list.SatelliteAt(list.IndexOfCatalogueNumber("99990")).SetCount(), 1);
}

// A host that answers anything but 200 is asked nothing more in that run; other hosts still are.
TEST_F(Downloads, ARefusingHostIsNotAskedAgainInTheRun) {
  UseState();
  TLoopbackServer other;
  other.Answer(QStringLiteral("/omm.csv"), {.body = testing::OmmCsv()});
  server_.Answer(
      QStringLiteral("/gp.php"),
      {.status = 404, .reason = "Not Found", .contentType = "text/plain", .body = "No GP data found"});
  std::vector<TSource> sources = BuiltInSources(server_.Url(QStringLiteral("/gp.php")).toString());
  sources.resize(5);
  sources.insert(sources.begin() + 2,
                 {QStringLiteral("other"), {}, other.Url(QStringLiteral("/omm.csv")), false});
  WriteData(QStringLiteral("stations.csv"), testing::TwoLine());
  const auto results = Run(sources);
  ASSERT_EQ(results.size(), 6u);
  EXPECT_EQ(results[0].status, TStatus::drNoObjects);
  EXPECT_EQ(
      results[0].Line(),
      QStringLiteral("stations: the source has no objects now (\"No GP data found\"); the old file is kept"));
  EXPECT_EQ(ReadData(QStringLiteral("stations.csv")), testing::TwoLine());
  EXPECT_EQ(results[1].status, TStatus::drNotTried);
  EXPECT_EQ(results[1].reason,
            QStringLiteral("not tried: 127.0.0.1 refused the request for stations (HTTP 404: "
                           "No GP data found)"));
  EXPECT_TRUE(results[2].Done()) << results[2].reason.toStdString();
  for (std::size_t i = 3; i < results.size(); ++i) EXPECT_EQ(results[i].status, TStatus::drNotTried) << i;
  EXPECT_EQ(server_.Requests(), 1);
}

TEST_F(Downloads, AHostRestsAfterFiveErrorAnswersUnlessAskedAnyway) {
  UseState();
  server_.Answer(QStringLiteral("/bad"), {.status = 500, .reason = "Oops", .body = "try later"});
  const TSource bad = UserSource(QStringLiteral("bad"), QStringLiteral("/bad"));
  for (int i = 0; i < kHostErrorLimit; ++i) {
    EXPECT_EQ(Run({bad})[0].reason, QStringLiteral("HTTP 500: try later"));
    now_ = now_.addSecs(600);
  }
  const QDateTime lastError = now_.addSecs(-600);
  auto resting = Run({bad});
  EXPECT_EQ(resting[0].status, TStatus::drNotTried);
  EXPECT_EQ(resting[0].restingUntil, lastError.addSecs(7200));
  EXPECT_TRUE(resting[0].reason.contains(QStringLiteral("not asked again before 2026-12-09 05:40 UTC")))
      << resting[0].reason.toStdString();
  EXPECT_EQ(server_.Requests(), kHostErrorLimit);
  options_.askAnyway = true;
  Run({bad});
  EXPECT_EQ(server_.Requests(), kHostErrorLimit + 1);
  options_.askAnyway = false;
  now_ = now_.addSecs(7201);
  Run({bad});
  EXPECT_EQ(server_.Requests(), kHostErrorLimit + 2);
}

TEST_F(Downloads, NoDownloadStartsThatCouldPassADaysBytesFromOneHost) {
  UseState();
  server_.Answer(QStringLiteral("/omm.csv"), {.body = testing::OmmCsv()});
  options_.state->AddBytes(HostKey(server_), now_, kDailyHostBytes - 600);
  WriteData(QStringLiteral("known.csv"), testing::OmmCsv());  // its last file: 514 bytes
  const auto results = Run({UserSource(QStringLiteral("known"), QStringLiteral("/omm.csv")),
                            UserSource(QStringLiteral("fresh"), QStringLiteral("/omm.csv")),
                            UserSource(QStringLiteral("known"), QStringLiteral("/omm.csv"))});
  EXPECT_TRUE(results[0].Done());
  EXPECT_TRUE(results[1].Done());
  EXPECT_EQ(results[2].status, TStatus::drNotTried);
  EXPECT_TRUE(results[2].reason.contains(QStringLiteral("has sent 100.0 MB today")))
      << results[2].reason.toStdString();
  EXPECT_EQ(options_.state->BytesToday(HostKey(server_), now_), kDailyHostBytes - 600 + 2 * 514);
  // A new UTC day starts from nothing.
  EXPECT_EQ(options_.state->BytesToday(HostKey(server_), now_.addDays(1)), 0);
}

TEST_F(Downloads, WithoutAConnectionTheReportSaysWhatToDo) {
  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
  const quint16 port = closed.serverPort();
  closed.close();
  const QUrl url(QStringLiteral("http://127.0.0.1:%1/gp.php").arg(port));
  const auto results = Run({{QStringLiteral("a"), {}, url, false}, {QStringLiteral("b"), {}, url, false}});
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].reason, QStringLiteral("No connection to 127.0.0.1: check the network, or put Kepler "
                                              "files into ") +
                                   options_.dataFolder);
  EXPECT_EQ(results[1].reason, QStringLiteral("not tried: no connection to 127.0.0.1"));
}

TEST_F(Downloads, CancelEndsTheRunAndRemovesTheTemporaryFile) {
  server_.Answer(QStringLiteral("/slow"), {.body = testing::OmmCsv(), .stallAfterHeaders = true});
  WriteData(QStringLiteral("slow.csv"), "previous");
  TDownloader downloader(options_);
  // Cancelled while the first download waits for its body.
  QTimer::singleShot(300, &downloader, [&] {
    EXPECT_EQ(server_.Requests(), 1);
    downloader.Cancel();
  });
  const auto results = Run(downloader, {UserSource(QStringLiteral("slow"), QStringLiteral("/slow")),
                                        UserSource(QStringLiteral("next"), QStringLiteral("/next"))});
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].status, TStatus::drCancelled);
  EXPECT_EQ(results[1].status, TStatus::drCancelled);
  EXPECT_EQ(ReadData(QStringLiteral("slow.csv")), QByteArray("previous"));
  EXPECT_EQ(DataFiles(), QStringList{QStringLiteral("slow.csv")});
  EXPECT_EQ(server_.Requests(), 1);
}

TEST_F(Downloads, AGroupIsFetchedAtMostOnceEveryTwoHours) {
  QTemporaryDir config;
  const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  options_.state = TDownloadState(
      catalogue::TSettingsKey(catalogue::TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\NimbrelGL"));
  QDateTime now = QDateTime(QDate(2026, 12, 9), QTime(3, 0), Qt::UTC);
  options_.clock = [&now] { return now; };
  server_.Answer(QStringLiteral("/gp.php"), {.body = testing::OmmCsv()});
  const TSource stations = BuiltInSources(server_.Url(QStringLiteral("/gp.php")).toString()).front();
  ASSERT_EQ(stations.name, QStringLiteral("stations"));

  auto first = Run({stations});
  ASSERT_TRUE(first[0].Done()) << first[0].reason.toStdString();
  EXPECT_TRUE(server_.LastRequest().startsWith("GET /gp.php?GROUP=stations&FORMAT=csv HTTP/1.1"));
  now = now.addSecs(3600);
  auto second = Run({stations});
  EXPECT_EQ(second[0].status, TStatus::drTooSoon);
  EXPECT_EQ(second[0].nextAllowed, QDateTime(QDate(2026, 12, 9), QTime(5, 0), Qt::UTC));
  EXPECT_EQ(second[0].reason,
            QStringLiteral(
                "not before 2026-12-09 05:00 UTC: CelesTrak allows one download of a group every 2 hours"));
  EXPECT_EQ(server_.Requests(), 1);
  now = now.addSecs(3601);
  EXPECT_TRUE(Run({stations})[0].Done());
  EXPECT_EQ(server_.Requests(), 2);
  // A clock set back does not block the group until it has caught up again.
  now = now.addDays(-3);
  EXPECT_TRUE(Run({stations})[0].Done());
  EXPECT_EQ(server_.Requests(), 3);
  qputenv("XDG_CONFIG_HOME", oldConfig);
}

}  // namespace
}  // namespace nimbrel::download
