// The session model alone, without a window: every change reaches every subscriber once with the new
// value, the two clocks stay apart, and downloads go through one coordinator that never replaces a
// file the user chose.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <vector>

#include "DownloadTestData.h"
#include "FormTestSupport.h"
#include "LoopbackServer.h"
#include "app/DownloadCoordinator.h"
#include "app/SessionModel.h"
#include "catalogue/DataFolder.h"
#include "download/Downloader.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;
using testing::WaitUntil;

catalogue::TSatelliteList TenSatellites(const TSandbox& sandbox) {
  sandbox.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites());
  catalogue::TSatelliteList list;
  list.LoadFromFile(sandbox.Path(QStringLiteral("ten.tle")).toStdString());
  return list;
}

// Three pages that each note what they read when told.
struct TSubscribers {
  std::vector<QString> seen[3];
  void Follow(TSessionModel& model, void (TSessionModel::*signal)(), std::function<QString()> read) {
    for (auto& page : seen) QObject::connect(&model, signal, [&page, read] { page.push_back(read()); });
  }
  void ExpectEach(const std::vector<QString>& expected, const char* what) {
    for (const auto& page : seen) EXPECT_EQ(page, expected) << what;
    for (auto& page : seen) page.clear();
  }
};

TEST(SessionModel, EveryChangeReachesEverySubscriberOnceWithTheNewValue) {
  TSandbox sandbox;
  TSessionModel model([] { return 38000.5; });
  auto satelliteName = [](const orbit::TSatellite* s) {
    return s ? QString::fromStdString(s->Name()) : QStringLiteral("none");
  };
  TSubscribers home, primary, data, time, day;
  home.Follow(model, &TSessionModel::HomeChanged, [&] {
    return QString::number(model.Home().latDeg) + "/" + QString::number(model.Observer().altitude);
  });
  primary.Follow(model, &TSessionModel::PrimaryChanged, [&] { return satelliteName(model.Primary()); });
  data.Follow(model, &TSessionModel::DataChanged, [&] {
    return QString::number(model.Catalogue().Count()) + " " + satelliteName(model.Followed());
  });
  time.Follow(model, &TSessionModel::TimeChanged, [&] { return QString::number(model.Time(), 'f', 2); });
  day.Follow(model, &TSessionModel::DayChanged, [&] { return QString::number(model.Time(), 'f', 2); });

  model.SetHome({151.21, -33.87, 58.0, true});
  model.SetHome({151.21, -33.87, 58.0, true});  // the same home again says nothing
  home.ExpectEach({"-33.87/0.058"}, "home");

  model.SetActiveList({QStringLiteral("90003")});
  model.SetData(TenSatellites(sandbox), TDataSource::dsUserFile, sandbox.Path(QStringLiteral("ten.tle")),
                QStringLiteral("99999"));
  // The stored primary is not in the data: the view follows the first shown, the primary is none.
  data.ExpectEach({"10 SAT03"}, "data");
  EXPECT_EQ(model.Primary(), nullptr);
  EXPECT_EQ(model.DataSource(), TDataSource::dsUserFile);

  model.SetPrimary(QStringLiteral("90002"));
  model.SetPrimary(QStringLiteral("90002"));
  primary.ExpectEach({"SAT02"}, "primary");
  ASSERT_EQ(model.BankSatellites().size(), 1u);
  EXPECT_EQ(model.BankSatellites().front()->Name(), "SAT03");

  model.SetTime(40000.25);
  model.SetTime(40000.75);  // later the same day
  model.SetTime(40001.0);
  time.ExpectEach({"40000.25", "40000.75", "40001.00"}, "time");
  day.ExpectEach({"40000.25", "40001.00"}, "day");
  // The real clock is not the simulation's.
  EXPECT_EQ(model.UtcNow(), 38000.5);
  EXPECT_EQ(model.Time(), 40001.0);
}

// The update at start and the dialog both start through the coordinator: the second run leaves out
// what the first is fetching, and the file the user opened stays until they ask for the new data.
TEST(SessionModel, DownloadsFetchAGroupOnceAndNeverReplaceTheUsersFile) {
  TSandbox sandbox;
  download::testing::TLoopbackServer server;
  server.Answer(QStringLiteral("/a.csv"), {.body = download::testing::OmmCsv(), .delayMs = 200});
  server.Answer(QStringLiteral("/b.csv"), {.body = download::testing::OmmCsv()});
  TSessionModel model;
  model.SetData(TenSatellites(sandbox), TDataSource::dsUserFile, sandbox.Path(QStringLiteral("ten.tle")),
                QStringLiteral("90001"));
  int fresh = 0;
  QObject::connect(&model, &TSessionModel::FreshDataAvailable, [&fresh] { ++fresh; });

  download::TDownloadOptions options;
  options.dataFolder = sandbox.Path(QStringLiteral("downloads"));
  const download::TSource a{
      .name = QStringLiteral("a"), .description = {}, .url = server.Url(QStringLiteral("/a.csv"))};
  const download::TSource b{
      .name = QStringLiteral("b"), .description = {}, .url = server.Url(QStringLiteral("/b.csv"))};
  download::TDownloader first(options), second(options);
  EXPECT_TRUE(model.Downloads().Start(first, {a}).isEmpty());
  EXPECT_TRUE(model.Downloads().Fetching(QStringLiteral("A")));
  EXPECT_EQ(model.Downloads().Start(second, {a, b}), QStringList{QStringLiteral("a")});
  ASSERT_TRUE(WaitUntil([&] { return !first.Running() && !second.Running(); }));
  EXPECT_EQ(server.Requests(), 2);
  ASSERT_EQ(second.Results().size(), 1u);
  EXPECT_EQ(second.Results().front().name, QStringLiteral("b"));
  EXPECT_FALSE(model.Downloads().Running());

  // Both runs replaced files: the user's ten satellites stay on show, and the model says more waits.
  EXPECT_EQ(model.Catalogue().Count(), 10);
  EXPECT_EQ(fresh, 2);
  EXPECT_TRUE(model.FreshDataWaiting());
}

TEST(SessionModel, NewDataInTheFolderIsReadAtOnceWhileTheFolderIsShown) {
  TSandbox sandbox;
  TSessionModel model;
  sandbox.WriteFile(QStringLiteral("iss.tle"), testing::IssOnly());
  ASSERT_TRUE(model.LoadDataFolder());
  EXPECT_EQ(model.Catalogue().Count(), 1);
  EXPECT_EQ(model.PrimaryNumber(), QStringLiteral("25544"));
  int data = 0;
  QObject::connect(&model, &TSessionModel::DataChanged, [&data] { ++data; });
  sandbox.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites());
  model.DataFolderUpdated();
  EXPECT_EQ(data, 1);
  EXPECT_EQ(model.Catalogue().Count(), 11);
  EXPECT_FALSE(model.FreshDataWaiting());
  // The primary stays; no active list is in the data, so every satellite shows.
  EXPECT_EQ(model.PrimaryNumber(), QStringLiteral("25544"));
  EXPECT_TRUE(model.ShowAll());
}

}  // namespace
}  // namespace nimbrel::app
