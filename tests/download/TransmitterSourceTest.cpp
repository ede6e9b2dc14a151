// The source "transmitters": SatNOGS DB's transmitter list over real HTTP on the loopback interface,
// kept where the Kepler scan never reads it, checked as a transmitter list, fetched once a day.

#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "LoopbackServer.h"
#include "catalogue/DataFolder.h"
#include "catalogue/SettingsStore.h"
#include "download/DataFiles.h"
#include "download/DownloadState.h"
#include "download/Downloader.h"

namespace nimbrel::download {
namespace {

using testing::TLoopbackServer;
using TStatus = TDownloadResult::TStatus;

const QByteArray kList =
    R"([{"uuid": "fm1", "description": "FM voice", "type": "Transceiver", "uplink_low": 145990000,
         "downlink_low": 437800000, "mode": "FM", "norad_cat_id": 25544, "status": "active"},
        {"uuid": "broken", "downlink_low": "x", "norad_cat_id": 25544}])";

class TransmitterSource : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    ASSERT_TRUE(config_.isValid());
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    options_.dataFolder = folder_.filePath(QStringLiteral("kepler"));
    options_.state = TDownloadState(
        catalogue::TSettingsKey(catalogue::TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\NimbrelGL"));
    options_.clock = [this] { return now_; };
  }
  void TearDown() override { qputenv("XDG_CONFIG_HOME", oldConfig_); }

  TDownloadResult Fetch() {
    TDownloader downloader(options_);
    QEventLoop loop;
    QObject::connect(&downloader, &TDownloader::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    EXPECT_TRUE(downloader.Start({download::TransmitterSource(
        server_.Url(QStringLiteral("/api/transmitters/?format=json")).toString())}));
    loop.exec();
    EXPECT_EQ(downloader.Results().size(), 1u);
    return downloader.Results().empty() ? TDownloadResult{} : downloader.Results().front();
  }
  QByteArray Kept() const {
    QFile file(catalogue::TransmitterListPath(options_.dataFolder));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir folder_;
  QTemporaryDir config_;
  QByteArray oldConfig_;
  TLoopbackServer server_;
  TDownloadOptions options_;
  QDateTime now_ = QDateTime(QDate(2026, 12, 9), QTime(3, 0), Qt::UTC);
};

TEST_F(TransmitterSource, AGoodListIsKeptApartFromTheKeplerFilesAndABadAnswerNeverReplacesIt) {
  server_.Answer(QStringLiteral("/api/transmitters/"), {.contentType = "application/json", .body = kList});
  const TDownloadResult good = Fetch();
  ASSERT_TRUE(good.Done()) << good.reason.toStdString();
  EXPECT_EQ(good.Line(), QStringLiteral("transmitters: 1 transmitter, %1 bytes").arg(kList.size()));
  EXPECT_TRUE(server_.LastRequest().startsWith("GET /api/transmitters/?format=json HTTP/1.1"));
  EXPECT_EQ(Kept(), kList);
  // The Kepler scan neither lists nor reads it: the data folder itself holds no file.
  EXPECT_TRUE(ListDataFiles(options_.dataFolder, {}).empty());
  EXPECT_TRUE(QDir(options_.dataFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());

  // A day later the server has trouble: neither Kepler data nor an error page replaces the list.
  struct TCase {
    const char* what;
    testing::TAnswer answer;
    const char* reason;
  } cases[] = {
      {"Kepler data",
       {.contentType = "text/plain", .body = "ISS\n1 25544U\n2 25544\n"},
       "not a transmitter list: it is not JSON"},
      {"an object",
       {.contentType = "application/json", .body = R"({"detail": "Request was throttled."})"},
       "not a transmitter list: it is not a list of transmitters"},
      {"no good entry",
       {.contentType = "application/json", .body = "[{}]"},
       "not a transmitter list: it holds no usable transmitter"},
      {"an HTML page",
       {.contentType = "text/html", .body = "<html>maintenance</html>"},
       "not a transmitter list: the answer is an HTML page"},
  };
  for (const TCase& c : cases) {
    now_ = now_.addDays(1);
    server_.Answer(QStringLiteral("/api/transmitters/"), c.answer);
    const TDownloadResult bad = Fetch();
    EXPECT_EQ(bad.status, TStatus::drFailed) << c.what;
    EXPECT_TRUE(bad.reason.startsWith(QLatin1String(c.reason))) << c.what << ": " << bad.reason.toStdString();
    EXPECT_EQ(Kept(), kList) << c.what;
  }
  EXPECT_TRUE(QDir(options_.dataFolder).entryList(QDir::Files | QDir::Hidden).isEmpty())
      << "no temporary file";
}

TEST_F(TransmitterSource, IsFetchedAtMostOnceADayAndItsNameIsTaken) {
  server_.Answer(QStringLiteral("/api/transmitters/"), {.contentType = "application/json", .body = kList});
  ASSERT_TRUE(Fetch().Done());
  now_ = now_.addSecs(23 * 3600);
  const TDownloadResult soon = Fetch();
  EXPECT_EQ(soon.status, TStatus::drTooSoon);
  EXPECT_EQ(
      soon.reason,
      QStringLiteral("not before 2026-12-10 03:00 UTC: the transmitter list is fetched at most once a day"));
  EXPECT_EQ(server_.Requests(), 1);
  now_ = now_.addSecs(3601);
  EXPECT_TRUE(Fetch().Done());
  EXPECT_EQ(server_.Requests(), 2);

  // A source of the user's own of that name, kept from before: still in the settings, but the
  // built-in source answers to the name; a new one cannot take it.
  const TDownloadState& state = *options_.state;
  ASSERT_TRUE(state.Key().Update([](catalogue::TSettingsValues& values) {
    values.SetText("KeplerSource:transmitters", "https://example.org/mine.txt");
    return true;
  }));
  ASSERT_EQ(state.UserSources().size(), 1u);
  const std::optional<TSource> found = state.Find(QStringLiteral("Transmitters"));
  ASSERT_TRUE(found);
  EXPECT_EQ(found->kind, TSourceKind::skTransmitters);
  EXPECT_EQ(found->url.host(), QStringLiteral("db.satnogs.org"));
  EXPECT_TRUE(
      TDownloadState::UserSourceProblem(QStringLiteral("transmitters"), QUrl("https://example.org/x")));
}

}  // namespace
}  // namespace nimbrel::download
