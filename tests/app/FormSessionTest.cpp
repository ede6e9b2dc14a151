// The pages of the window following one session: a new home reaches the Station page, the status
// line and the Passes dialog alike (checked against nimbrel-ephem for the same observer); a stored
// primary the data lacks is waited for; downloads neither fetch a group twice nor replace the user's
// file; the list's old elements follow the clock's day.

#include <gtest/gtest.h>
#include <QAccessible>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>

#include "DownloadTestData.h"
#include "FormTestSupport.h"
#include "LoopbackServer.h"
#include "app/ClockPanel.h"
#include "app/FormPasses.h"
#include "app/FormSetup.h"
#include "app/FormStation.h"
#include "app/FormUpdateKepler.h"
#include "app/SatellitesPanel.h"
#include "app/SetupPanels.h"
#include "app/StatusLine.h"
#include "catalogue/cvnComboBox.h"
#include "download/DownloadState.h"
#include "download/Downloader.h"
#include "station/Tracker.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;
using testing::WaitUntil;

// 2006-01-04 17:11:00 UTC: the ISS of the test sets is 32 degrees up over the Netherlands.
const orbit::TDateTime kUtc = orbit::EncodeDateTime({2006, 1, 4, 17, 11, 0, 0});

int Column(const QTableWidget* table, const char* title) {
  for (int c = 0; c < table->columnCount(); ++c)
    if (table->horizontalHeaderItem(c)->text() == QLatin1String(title)) return c;
  return -1;
}

#ifdef NIMBREL_EPHEM_EXE
// nimbrel-ephem's first data row for `arguments`, by its header's column names.
std::map<QString, QString> EphemRow(const QStringList& arguments) {
  QProcess ephem;
  ephem.start(QStringLiteral(NIMBREL_EPHEM_EXE), arguments);
  EXPECT_TRUE(ephem.waitForFinished(30000));
  const QStringList lines = QString::fromUtf8(ephem.readAllStandardOutput()).split(QLatin1Char('\n'));
  std::map<QString, QString> row;
  if (lines.size() < 2) return row;
  const QStringList names = lines[0].split(QLatin1Char(','));
  const QStringList values = lines[1].split(QLatin1Char(','));
  for (int i = 0; i < names.size() && i < values.size(); ++i) row[names[i]] = values[i];
  return row;
}
#endif

class FormSession : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.WriteFile(QStringLiteral("bin/iss.tle"), testing::IssOnly());
    sandbox_.CompanionText("TwoLineDataPath", sandbox_.ExecutableFolder());
    // A hill 9 km up, as high as a location can sensibly be: its look angles, range and rise times
    // differ plainly from those at sea level.
    sandbox_.CompanionText("LocationList", QStringLiteral("\"Home,-3.2,56.0,0,0\",\"Hill,5,52,9000,0\""));
    sandbox_.utcNow = [] { return kUtc; };
  }
  void Open() {
    // The real time of the smooth clock and the list's marks stands still: a loaded machine's pauses
    // change nothing.
    window_ = sandbox_.Open({}, [] { return std::chrono::steady_clock::time_point(std::chrono::hours(1)); });
    // "RT": the step clock reads the injected UTC, as the Station page does.
    window_->ClockPanel->TimerStepTimer();
    window_->ClockPanel->TimerStep->stop();
  }
  void MakeHome(int row) {
    QTreeWidget* list = window_->TabSheetSetup->LocationsPanel->ListLocations;
    list->setCurrentItem(list->topLevelItem(row));
    window_->TabSheetSetup->LocationsPanel->ButtonMakeHome->click();
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormSession, MakeHomeBringsEveryPageToTheNewHome) {
  Open();
  ASSERT_EQ(window_->CurrentTime(), kUtc);
  window_->ShowPasses();
  MakeHome(1);
  ASSERT_NEAR(window_->Session().Home().heightM, 9000.0, 1e-9);

  TFormStation* station = window_->TabSheetStation;
  ASSERT_NE(station->Tracker(), nullptr);
  station->Tracker()->Update();
  ASSERT_TRUE(station->LastSample() && station->LastSample()->hasPosition);
  const QString line = window_->StatusLine->StatusPanels[3]->toolTip();
  const QRegularExpressionMatch angles =
      QRegularExpression(QStringLiteral("Az:(\\d+)°  El:(-?\\d+)°  Range: (\\d+)km")).match(line);
  ASSERT_TRUE(angles.hasMatch()) << line.toStdString();
  TFormPasses* passes = window_->PassesDialog();
  ASSERT_TRUE(WaitUntil([passes] { return !passes->Computing(); }));
  const auto* table = passes->findChild<QTableWidget*>(QStringLiteral("passTable"));
  ASSERT_GT(table->rowCount(), 0);

#ifdef NIMBREL_EPHEM_EXE
  const QString observer = QStringLiteral("--observer=52,5,9");
  auto now = EphemRow({observer, QStringLiteral("--utc=2006-01-04T17:11:00"), sandbox_.Path("bin/iss.tle")});
  ASSERT_FALSE(now[QStringLiteral("az_deg")].isEmpty());
  const double az = now[QStringLiteral("az_deg")].toDouble();
  const double el = now[QStringLiteral("el_deg")].toDouble();
  const double range = now[QStringLiteral("range_km")].toDouble();
  EXPECT_NEAR(station->LastSample()->azimuthDeg, az, 1.0);
  EXPECT_NEAR(station->LastSample()->elevationDeg, el, 1.0);
  // The home's height counts: 9 km up the satellite is several km nearer.
  EXPECT_NEAR(station->LastSample()->rangeKm, range, 0.5);
  EXPECT_NEAR(angles.captured(1).toDouble(), az, 1.0);
  EXPECT_NEAR(angles.captured(2).toDouble(), el, 1.0);
  EXPECT_NEAR(angles.captured(3).toDouble(), range, 1.0);

  auto pass = EphemRow({QStringLiteral("--passes=3"), observer, QStringLiteral("--start=2006-01-04T17:11:00"),
                        sandbox_.Path("bin/iss.tle")});
  ASSERT_FALSE(pass[QStringLiteral("aos_utc")].isEmpty());
  EXPECT_NEAR(table->item(0, Column(table, "Max el"))->text().remove(QChar(0xB0)).toDouble(),
              pass[QStringLiteral("max_el_deg")].toDouble(), 1.0);
  // Rise times to the second: at sea level the horizon is lower, and the ISS rises later.
  const QDateTime aos = QDateTime::fromString(pass[QStringLiteral("aos_utc")].left(19), Qt::ISODate);
  const QDateTime shown =
      QDateTime::fromString(table->item(0, Column(table, "AOS (UTC)"))->text().remove(QStringLiteral(" UTC")),
                            "yyyy-MM-dd hh:mm:ss");
  ASSERT_TRUE(aos.isValid() && shown.isValid());
  EXPECT_LE(std::abs(aos.secsTo(shown)), 1) << shown.toString().toStdString();
#endif
}

TEST_F(FormSession, TheStationWaitsForAStoredPrimaryTheDataLacks) {
  sandbox_.CompanionText("PrimarySatCatNumber", QStringLiteral("99999"));
  sandbox_.CompanionText("ActiveList", QStringLiteral("25544"));
  Open();
  // The view, the status line and the Passes dialog follow the first marker ...
  window_->ShowPasses();
  const auto* heading = window_->PassesDialog()->findChild<QLabel*>(QStringLiteral("heading"));
  EXPECT_TRUE(heading->text().contains(QStringLiteral("ISS (ZARYA)"))) << heading->text().toStdString();
  EXPECT_TRUE(window_->StatusLine->StatusPanels[3]->toolTip().contains(QStringLiteral("ISS (ZARYA)")));
  // ... but the antenna never turns to a stand-in, and the page says why it waits.
  TFormStation* station = window_->TabSheetStation;
  EXPECT_EQ(station->Tracker(), nullptr);
  EXPECT_TRUE(station->LabelSatellite->text().contains(QStringLiteral("99999")))
      << station->LabelSatellite->text().toStdString();
  EXPECT_TRUE(station->LabelSatellite->text().contains(QStringLiteral("not in the Kepler data")));
  // Made primary, it is tracked.
  window_->MakePrimary(QStringLiteral("25544"));
  EXPECT_NE(station->Tracker(), nullptr);
}

// nimbrel-settings may change the list while the page shows it: Make home means the location shown.
TEST_F(FormSession, ALocationIsChangedByWhatTheListShowed) {
  Open();
  ASSERT_TRUE(catalogue::AddLocation({"Delft", 52.0, 4.36, 0}));
  window_->TabSheetSetup->LocationsPanel->Refresh();
  ASSERT_TRUE(catalogue::RemoveLocation(0));  // behind the page's back
  MakeHome(2);                                // Delft as shown, the second stored one now
  EXPECT_NEAR(window_->HomeLat(), 52.0, 1e-5);
  EXPECT_NEAR(window_->HomeLon(), 4.36, 1e-5);
  sandbox_.sink.messages.clear();
  ASSERT_TRUE(catalogue::RemoveLocation(0));  // the Hill goes, still shown in the first row
  window_->TabSheetSetup->LocationsPanel->ListLocations->setCurrentItem(
      window_->TabSheetSetup->LocationsPanel->ListLocations->topLevelItem(0));
  window_->TabSheetSetup->LocationsPanel->RemoveClick();
  ASSERT_EQ(sandbox_.sink.messages.size(), 1u);
  EXPECT_EQ(
      sandbox_.sink.messages.front().text,
      QStringLiteral("The location \"Hill\" is no longer stored as it was shown; nothing was changed, and "
                     "the list has been read again."));
  EXPECT_EQ(window_->TabSheetSetup->LocationsPanel->ListLocations->topLevelItemCount(), 1);
}

TEST_F(FormSession, OldElementsAreMarkedByTheClocksDayNotAtEveryTick) {
  Open();
  window_->ClockPanel->SelectStep(7);  // "Man"
  auto at = [this](int day, int hour) {
    window_->ClockPanel->DatePicker->setDate(QDate(2006, 3, day));
    window_->ClockPanel->TimePicker->setTime(QTime(hour, 0));
    window_->RefreshView();
  };
  at(1, 12);
  QListWidgetItem* item = window_->SatellitesPanel->ListBoxActive->item(0);
  const QString note = item->toolTip();
  ASSERT_TRUE(note.contains(QStringLiteral("days old"))) << note.toStdString();
  item->setToolTip(QStringLiteral("untouched"));
  at(1, 13);  // later the same day, within the same second: the list is left alone
  EXPECT_EQ(item->toolTip(), QStringLiteral("untouched"));
  at(2, 0);
  EXPECT_TRUE(item->toolTip().contains(QStringLiteral("days old")));
}

// A screen reader names every control of the Station page and the Setup page's boxes.
TEST_F(FormSession, TheStationAndSetupControlsHaveAccessibleNames) {
  Open();
  for (QWidget* page :
       std::initializer_list<QWidget*>{window_->TabSheetStation, window_->TabSheetSetup->LocationsPanel,
                                       window_->TabSheetSetup->DataFolderPanel}) {
    for (QWidget* control : page->findChildren<QWidget*>()) {
      // What can take the keyboard's focus is a control; the location dialog has names of its own.
      if (control->focusPolicy() == Qt::NoFocus || control->window() != window_.get()) continue;
      // A list's viewport and a spin box's line edit: the list and the spin box are named.
      if (control->parent()->inherits("QAbstractScrollArea") ||
          control->parent()->inherits("QAbstractSpinBox"))
        continue;
      // What a screen reader reads: the name set for it, or a check box's or button's own text.
      const QAccessibleInterface* read = QAccessible::queryAccessibleInterface(control);
      EXPECT_TRUE(read && !read->text(QAccessible::Name).isEmpty())
          << control->metaObject()->className() << " " << control->objectName().toStdString() << " on "
          << page->objectName().toStdString();
    }
  }
  EXPECT_FALSE(window_->TabSheetSetup->ComboBoxUpdateAtStart->accessibleName().isEmpty());
}

// The update at start runs while the user opens a file: the download lands in the data folder, the
// file stays on show, and File > "Load the updated data" reads the new data when the user wants it.
TEST_F(FormSession, AFileOpenedDuringTheUpdateAtStartStaysOnShow) {
  download::testing::TLoopbackServer server;
  server.Answer(QStringLiteral("/omm.csv"), {.body = download::testing::OmmCsv(), .delayMs = 300});
  const download::TDownloadState state = download::TDownloadState::ForProgram();
  ASSERT_FALSE(state.AddUserSource(QStringLiteral("local"), server.Url(QStringLiteral("/omm.csv"))));
  state.SetChoice({QStringLiteral("local")});
  sandbox_.OwnInteger("UpdateKeplerAtStart", 1);
  sandbox_.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites());
  Open();
  ASSERT_TRUE(WaitUntil([this] { return window_->StartUpUpdate() != nullptr; }));
  ASSERT_TRUE(window_->StartUpUpdate()->Running());
  // The dialog asked for the same source meanwhile: it is not fetched twice.
  window_->ShowUpdateKepler({QStringLiteral("local")}, true);
  EXPECT_TRUE(window_->UpdateKeplerDialog()->MemoResults->toPlainText().contains(
      QStringLiteral("local: already being downloaded")));
  EXPECT_FALSE(window_->UpdateKeplerDialog()->Running());
  window_->OpenKeplerFile(sandbox_.Path(QStringLiteral("ten.tle")));
  ASSERT_EQ(window_->Catalogue().Count(), 10);
  ASSERT_TRUE(WaitUntil([this] { return !window_->StartUpUpdate()->Running(); }));
  QApplication::processEvents();
  EXPECT_EQ(server.Requests(), 1);
  EXPECT_EQ(window_->Catalogue().Count(), 10);
  EXPECT_TRUE(window_->StatusLine->StatusDownload->isVisible());
  EXPECT_TRUE(window_->StatusLine->StatusDownload->text().contains(QStringLiteral("Fresh Kepler data")))
      << window_->StatusLine->StatusDownload->text().toStdString();
  ASSERT_TRUE(window_->FileLoadUpdated->isEnabled());
  window_->FileLoadUpdated->trigger();
  // The data folder: the ISS it held, and the downloaded pair (the ISS once more and one other).
  EXPECT_EQ(window_->Catalogue().Count(), 2);
  EXPECT_FALSE(window_->FileLoadUpdated->isEnabled());
}

}  // namespace
}  // namespace nimbrel::app
