// "Update Kepler data...", the offer at start-up and the update at start, against a local server.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>

#include "DownloadTestData.h"
#include "FormTestSupport.h"
#include "LoopbackServer.h"
#include "app/ClockPanel.h"
#include "app/FormSetup.h"
#include "app/FormUpdateKepler.h"
#include "app/SatellitesPanel.h"
#include "app/SetupPanels.h"
#include "app/StatusLine.h"
#include "catalogue/cvnComboBox.h"
#include "download/DownloadState.h"
#include "download/Downloader.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;
using FormUpdateKepler = testing::TWindowTest;

QStringList ListNames(const TForm3Dview& window) {
  QStringList names;
  for (int i = 0; i < window.SatellitesPanel->ListBoxActive->count(); ++i)
    names << window.SatellitesPanel->ListBoxActive->item(i)->text();
  return names;
}

// Waits, serving events, until `done` holds or 20 s have passed; counts the ticks of a 10 ms timer
// meanwhile, to show the window went on serving its events.
int WaitFor(const std::function<bool()>& done) {
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
  ticker.start(10);
  EXPECT_TRUE(testing::WaitUntil(done)) << "timed out";
  return ticks;
}

// A result line without the age of its newest set, which the real clock decides.
QString WithoutAges(QString text) {
  return text.remove(QRegularExpression(QStringLiteral(", newest [^\n]*")));
}

QTreeWidgetItem* SourceRow(TFormUpdateKepler& dialog, const QString& name) {
  const QList<QTreeWidgetItem*> rows = dialog.ListSources->findItems(name, Qt::MatchExactly, 0);
  return rows.isEmpty() ? nullptr : rows.front();
}

TEST_F(FormUpdateKepler, TheDialogDownloadsALocalSourceAndTheListShowsItsSatellites) {
  TSandbox sandbox;
  download::testing::TLoopbackServer server;
  server.Answer(QStringLiteral("/omm.csv"), {.body = download::testing::OmmCsv()});
  ASSERT_FALSE(download::TDownloadState::ForProgram().AddUserSource(QStringLiteral("local"),
                                                                    server.Url(QStringLiteral("/omm.csv"))));
  auto window = sandbox.Open();
  // No data: the built-in sets, and the offer, answered "No", changes nothing.
  QCoreApplication::processEvents();
  ASSERT_EQ(sandbox.sink.questions.size(), 1u);
  EXPECT_EQ(ListNames(*window), (QStringList{QStringLiteral("ISS"), QStringLiteral("HST")}));

  window->FileUpdateKepler->trigger();
  TFormUpdateKepler* dialog = window->UpdateKeplerDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  QTreeWidgetItem* local = SourceRow(*dialog, QStringLiteral("local"));
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(local->text(2), QStringLiteral("no file"));
  // The first choice is three CelesTrak groups: only the local source is wanted here.
  EXPECT_EQ(dialog->Chosen(),
            (QStringList{QStringLiteral("stations"), QStringLiteral("visual"), QStringLiteral("amateur")}));
  dialog->SetChosen({QStringLiteral("local")});
  dialog->ButtonUpdate->click();
  EXPECT_FALSE(dialog->ButtonUpdate->isEnabled());
  EXPECT_TRUE(dialog->ButtonCancel->isEnabled());
  WaitFor([dialog] { return !dialog->Running(); });
  EXPECT_EQ(WithoutAges(dialog->MemoResults->toPlainText()), QStringLiteral("local: 2 sets, 514 bytes"));
  EXPECT_EQ(SourceRow(*dialog, QStringLiteral("local"))->text(2), QStringLiteral("just now"));
  // The catalogue is the data folder's now; the primary stays the ISS.
  EXPECT_EQ(ListNames(*window), (QStringList{QStringLiteral("ISS (ZARYA)"), QStringLiteral("DOWNLOADSAT")}));
  EXPECT_EQ(window->PrimaryCatNumber(), QStringLiteral("25544"));
  // The choice is remembered.
  EXPECT_EQ(download::TDownloadState::ForProgram().Choice(), QStringList{QStringLiteral("local")});

  // A data folder chosen on the Setup page since is where the next download goes.
  const QString moved = sandbox.Path(QStringLiteral("moved"));
  ASSERT_TRUE(QDir().mkpath(moved));
  window->TabSheetSetup->DataFolderPanel->SetFolder(moved);
  window->ShowUpdateKepler({QStringLiteral("local")}, true);
  WaitFor([dialog] { return !dialog->Running(); });
  EXPECT_TRUE(QFileInfo::exists(QDir(moved).filePath(QStringLiteral("local.csv"))));
  EXPECT_EQ(window->Catalogue().Count(), 2);
}

TEST_F(FormUpdateKepler, AHostRestingAfterErrorsIsAskedOnlyWhenTheUserSaysSo) {
  TSandbox sandbox;
  download::testing::TLoopbackServer server;
  server.Answer(QStringLiteral("/omm.csv"), {.body = download::testing::OmmCsv()});
  const QUrl url = server.Url(QStringLiteral("/omm.csv"));
  const download::TDownloadState state = download::TDownloadState::ForProgram();
  ASSERT_FALSE(state.AddUserSource(QStringLiteral("local"), url));
  const QDateTime now = QDateTime::currentDateTimeUtc();
  for (int i = download::kHostErrorLimit; i > 0; --i)
    state.AddErrorAnswer(download::HostKey(url), now.addSecs(-60 * i));
  auto window = sandbox.Open();
  QCoreApplication::processEvents();
  const std::size_t questionsBefore = sandbox.sink.questions.size();

  sandbox.sink.answer = false;
  window->ShowUpdateKepler({QStringLiteral("local")}, true);
  TFormUpdateKepler* dialog = window->UpdateKeplerDialog();
  WaitFor([dialog] { return !dialog->Running(); });
  ASSERT_EQ(sandbox.sink.questions.size(), questionsBefore + 1);
  EXPECT_TRUE(sandbox.sink.questions.back().text.contains(QStringLiteral("Ask anyway?")));
  EXPECT_TRUE(dialog->MemoResults->toPlainText().startsWith(QStringLiteral("local: not tried: ")));
  EXPECT_EQ(server.Requests(), 0);

  sandbox.sink.answer = true;
  window->ShowUpdateKepler({QStringLiteral("local")}, true);
  WaitFor([dialog] { return !dialog->Running(); });
  EXPECT_EQ(WithoutAges(dialog->MemoResults->toPlainText()), QStringLiteral("local: 2 sets, 514 bytes"));
  EXPECT_EQ(server.Requests(), 1);
}

TEST_F(FormUpdateKepler, CancellingAStalledDownloadKeepsTheWindowServingAndTheCatalogue) {
  TSandbox sandbox;
  download::testing::TLoopbackServer server;
  server.Answer(QStringLiteral("/slow"), {.body = download::testing::OmmCsv(), .stallAfterHeaders = true});
  ASSERT_FALSE(download::TDownloadState::ForProgram().AddUserSource(QStringLiteral("slow"),
                                                                    server.Url(QStringLiteral("/slow"))));
  auto window = sandbox.Open();
  window->ShowUpdateKepler({QStringLiteral("slow")}, true);
  TFormUpdateKepler* dialog = window->UpdateKeplerDialog();
  ASSERT_TRUE(dialog->Running());
  // While the server says nothing, the window's event loop goes on.
  QElapsedTimer clock;
  clock.start();
  EXPECT_GT(WaitFor([&] { return server.Requests() == 1 && clock.elapsed() > 300; }), 10);
  dialog->ButtonCancel->click();
  WaitFor([dialog] { return !dialog->Running(); });
  EXPECT_EQ(dialog->MemoResults->toPlainText(), QStringLiteral("slow: cancelled"));
  EXPECT_EQ(window->Catalogue().Count(), 2);
}

TEST_F(FormUpdateKepler, TheOfferAtStartUpFetchesThreeGroupsWhenTheUserSaysYes) {
  TSandbox sandbox;
  download::testing::TLoopbackServer server;
  server.Answer(QStringLiteral("/gp.php"), {.body = download::testing::OmmCsv()});
  sandbox.sink.answer = true;
  TFormOptions options;
  options.executableFolder = sandbox.ExecutableFolder();
  options.sink = &sandbox.sink;
  options.keplerGroupBase = server.Url(QStringLiteral("/gp.php")).toString();
  TForm3Dview window(options);
  window.show();
  WaitFor([&window] { return window.UpdateKeplerDialog() && !window.UpdateKeplerDialog()->Running(); });
  window.ClockPanel->TimerStep->stop();
  EXPECT_EQ(server.Requests(), 3);
  EXPECT_EQ(
      WithoutAges(window.UpdateKeplerDialog()->MemoResults->toPlainText()),
      QStringLiteral("stations: 2 sets, 514 bytes\nvisual: 2 sets, 514 bytes\namateur: 2 sets, 514 bytes"));
  EXPECT_EQ(window.Catalogue().Count(), 2);
}

TEST_F(FormUpdateKepler, TheDailyUpdateAtStartRunsWhenDueAndSaysSo) {
  TSandbox sandbox;
  download::testing::TLoopbackServer server;
  // Slow enough to see the status line while the update runs.
  server.Answer(QStringLiteral("/omm.csv"), {.body = download::testing::OmmCsv(), .delayMs = 300});
  const download::TDownloadState state = download::TDownloadState::ForProgram();
  ASSERT_FALSE(state.AddUserSource(QStringLiteral("local"), server.Url(QStringLiteral("/omm.csv"))));
  state.SetChoice({QStringLiteral("local")});
  sandbox.WriteFile(QStringLiteral("old.tle"), testing::IssOnly());
  sandbox.OwnInteger("UpdateKeplerAtStart", 1);
  auto window = sandbox.Open();
  EXPECT_EQ(window->TabSheetSetup->ComboBoxUpdateAtStart->currentText(), QStringLiteral("daily"));
  WaitFor([&window] { return window->StartUpUpdate() != nullptr; });
  EXPECT_EQ(window->StatusLine->StatusDownload->text(), QStringLiteral("Updating Kepler data..."));
  WaitFor([&window] { return !window->StartUpUpdate()->Running(); });
  EXPECT_EQ(window->StatusLine->StatusDownload->text(), QStringLiteral("Kepler data updated"));
  EXPECT_EQ(window->Catalogue().Count(), 2);
  // Opened again within the day: nothing is due.
  window.reset();
  auto again = sandbox.Open();
  QCoreApplication::processEvents();
  EXPECT_EQ(again->StartUpUpdate(), nullptr);
  EXPECT_EQ(server.Requests(), 1);
}

}  // namespace
}  // namespace nimbrel::app
