// The window as a new user keeps it: it does not close under a running pass, does not nag about a
// companion program that is not there, and says in words what it shows and why.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

#include "FormTestSupport.h"
#include "StationTestSupport.h"
#include "app/ClockPanel.h"
#include "app/FormPasses.h"
#include "app/FormSetup.h"
#include "app/FormStation.h"
#include "app/LocationDialog.h"
#include "app/SatellitesPanel.h"
#include "app/SetupPanels.h"
#include "app/StatusLine.h"
#include "app/ViewChoicesPanel.h"
#include "catalogue/Companion.h"
#include "catalogue/SettingsStore.h"
#include "catalogue/cvnCheckBox.h"
#include "catalogue/cvnComboBox.h"
#include "station/RotatorClient.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

// Counts the events of one type a widget receives.
class TEventCount : public QObject {
 public:
  TEventCount(QWidget* widget, QEvent::Type type) : type_(type) { widget->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == type_) ++count;
    return false;
  }

 private:
  QEvent::Type type_;
};

void SetClock(TForm3Dview& window, QDate date, QTime time) {
  window.ClockPanel->SelectStep(7);  // "Man"
  {
    const QSignalBlocker blockDate(window.ClockPanel->DatePicker);
    const QSignalBlocker blockTime(window.ClockPanel->TimePicker);
    window.ClockPanel->DatePicker->setDate(date);
    window.ClockPanel->TimePicker->setTime(time);
  }
  window.RefreshView();
}

class FormEveryday : public testing::TWindowTest {
 protected:
  void OpenFile() {
    sandbox_.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites() + testing::IssOnly());
    window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("ten.tle"))});
  }
  // The data folder's satellites, as a daily start sees them: "All satellites" off.
  void OpenFolder() {
    sandbox_.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites() + testing::IssOnly());
    window_ = sandbox_.Open();
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormEveryday, ClosingWhileARotatorIsSteeredAsksFirst) {
  station::test::TRealDaemon rotctld(QStringLiteral("rotctld"));
  NIMBREL_REQUIRE_DAEMON(rotctld);
  OpenFile();
  TFormStation* station = window_->TabSheetStation;
  // Tracking on but nothing connected: nothing to stop, so no question.
  station->CheckBoxTracking->setChecked(true);
  EXPECT_FALSE(station->Steering());
  station->CheckBoxTracking->setChecked(false);

  station->EditRotator->setText(QStringLiteral("127.0.0.1:%1").arg(rotctld.Address().port));
  station->ButtonRotator->click();
  ASSERT_TRUE(station::test::WaitFor([&] { return station->Rotator().Connected(); }));
  // Connected without tracking: the antenna is not being moved.
  window_->ButtonClose->click();
  EXPECT_TRUE(sandbox_.sink.questions.empty());
  EXPECT_FALSE(window_->isVisible());
  window_->show();

  station->CheckBoxTracking->click();
  ASSERT_TRUE(station->Steering());
  window_->MenuExit->trigger();
  window_->ButtonClose->click();
  window_->close();  // the close box
  ASSERT_EQ(sandbox_.sink.questions.size(), 3u);
  for (const auto& question : sandbox_.sink.questions)
    EXPECT_EQ(question.text, QStringLiteral("Stop tracking and close?"));
  EXPECT_TRUE(window_->isVisible()) << "No keeps the window open";

  sandbox_.sink.answer = true;
  window_->ButtonClose->click();
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(FormEveryday, AnEmptyBankWithoutTheCompanionIsAHintNotAMessage) {
  // NimbrelGL itself has written to the companion's key (a primary), as it does at the first choice.
  sandbox_.CompanionText("PrimarySatCatNumber", QStringLiteral("25544"));
  OpenFolder();
  EXPECT_TRUE(sandbox_.sink.messages.empty());
  ASSERT_FALSE(window_->SatellitesPanel->CheckBoxAll->isChecked());
  EXPECT_TRUE(window_->SatellitesPanel->LabelListHint->isVisible());
  EXPECT_EQ(
      window_->SatellitesPanel->LabelListHint->text(),
      QStringLiteral("No satellites in bank 1. Right-click a satellite in 'All satellites' to add it."));
  // Readable on the list's black: light pixels where the hint is.
  const QImage image = window_->SatellitesPanel->ListBoxActive->viewport()->grab().toImage();
  const QRect hint = window_->SatellitesPanel->LabelListHint->geometry();
  int light = 0;
  for (int y = hint.top(); y <= hint.bottom(); ++y)
    for (int x = hint.left(); x <= hint.right(); ++x)
      light += image.pixelColor(x, y).lightness() > 128 ? 1 : 0;
  EXPECT_GT(light, 50);

  // A search for satellites of the catalogue that the bank lacks says how many and how to see them.
  QTest::keyClicks(window_->SatellitesPanel->EditSearch, QStringLiteral("sat0"));
  EXPECT_EQ(
      window_->SatellitesPanel->LabelListHint->text(),
      QStringLiteral("None in bank 1; 9 satellites match in the whole catalogue. Tick \"All satellites\" "
                     "to see them."));
  window_->SatellitesPanel->CheckBoxAll->click();
  EXPECT_TRUE(window_->SatellitesPanel->LabelListHint->isHidden());
  window_->SatellitesPanel->EditSearch->setText(QStringLiteral("nothing like it"));
  EXPECT_EQ(window_->SatellitesPanel->LabelListHint->text(),
            QStringLiteral("No satellite matches \"nothing like it\"."));
  window_->SatellitesPanel->EditSearch->clear();
  EXPECT_TRUE(window_->SatellitesPanel->LabelListHint->isHidden());
}

TEST_F(FormEveryday, WithTheCompanionInstalledAnEmptyBankIsStillReported) {
  ASSERT_TRUE(catalogue::TSettingsKey(catalogue::SettingsRoot,
                                      catalogue::CompanyKeyPath(QStringLiteral("App Paths")).toStdString())
                  .Update([](catalogue::TSettingsValues& values) {
                    values.SetText("Nimbrel", "/opt/nimbrel/Nimbrel.exe");
                    return true;
                  }));
  OpenFolder();
  ASSERT_EQ(sandbox_.sink.messages.size(), 1u);
  EXPECT_EQ(sandbox_.sink.messages[0].caption,
            QStringLiteral("NimbrelGL - cannot get active satellite list"));
}

TEST_F(FormEveryday, ThePrimarysNameLookAnglesAndAgeAreReadableInFullAtTheDefaultSize) {
  sandbox_.CompanionText("LocationList", QStringLiteral("\"Home,-3.2,56.0,0,0\""));
  OpenFile();
  window_->MakePrimary(QStringLiteral("25544"));
  QApplication::processEvents();
  SetClock(*window_, QDate(2006, 1, 24), QTime(20, 0));
  const QLabel* line = window_->StatusLine->StatusPanels[3];
  ASSERT_TRUE(line->toolTip().startsWith(QStringLiteral(" ISS (ZARYA), elements 21 days old: ")))
      << line->toolTip().toStdString();
  EXPECT_EQ(line->text(), line->toolTip());
  EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->contentsRect().width());
}

TEST_F(FormEveryday, ASecondPictureAtTheSameTimeWritesNothing) {
  OpenFile();
  SetClock(*window_, QDate(2006, 1, 4), QTime(9, 30));
  QApplication::processEvents();
  TEventCount painted1(window_->StatusLine->StatusPanels[1], QEvent::Paint);
  TEventCount painted2(window_->StatusLine->StatusPanels[2], QEvent::Paint);
  TEventCount painted3(window_->StatusLine->StatusPanels[3], QEvent::Paint);
  TEventCount tip3(window_->StatusLine->StatusPanels[3], QEvent::ToolTipChange);
  window_->RefreshView();
  QApplication::processEvents();
  EXPECT_EQ(painted1.count + painted2.count + painted3.count + tip3.count, 0);
  // A new time is written.
  SetClock(*window_, QDate(2006, 1, 4), QTime(9, 31));
  QApplication::processEvents();
  EXPECT_GT(painted1.count, 0);
}

TEST_F(FormEveryday, OldElementsAreSaidInWordsOnTheStationPageAndInThePasses) {
  OpenFile();
  window_->MakePrimary(QStringLiteral("25544"));
  QApplication::processEvents();
  // The station page goes by the real time: the 2006 elements are years old.
  const QLabel* age = window_->TabSheetStation->LabelElementAge;
  EXPECT_FALSE(age->isHidden());
  EXPECT_TRUE(age->text().startsWith(QStringLiteral("Elements "))) << age->text().toStdString();
  EXPECT_TRUE(age->text().endsWith(QStringLiteral(" days old: positions may be off by many kilometres.")));

  // The Passes dialog goes by its search start, the view's clock.
  SetClock(*window_, QDate(2006, 1, 24), QTime(20, 0));
  window_->ShowPasses();
  const auto* passesAge = window_->PassesDialog()->findChild<QLabel*>(QStringLiteral("elementAge"));
  ASSERT_NE(passesAge, nullptr);
  EXPECT_EQ(passesAge->text(),
            QStringLiteral("Elements 21 days old: positions may be off by many kilometres."));
  SetClock(*window_, QDate(2006, 1, 4), QTime(20, 0));
  window_->ShowPasses();
  EXPECT_TRUE(passesAge->isHidden());
}

TEST_F(FormEveryday, TheSelectedLineKeepsItsColourOnBlackAndTheOrbitChoiceIsLabelled) {
  OpenFile();
  QListWidget* list = window_->SatellitesPanel->ListBoxActive;
  list->setCurrentRow(1);
  QApplication::processEvents();
  const QImage image = list->viewport()->grab().toImage();
  const QRect row = list->visualItemRect(list->item(1));
  // Beside the text, inside the frame: the list's black, not the highlight the text would vanish in.
  const QColor background = image.pixelColor(row.right() - 8, row.center().y());
  EXPECT_LT(background.red() + background.green() + background.blue(), 60) << background.name().toStdString();

  EXPECT_EQ(window_->ViewChoicesPanel->LabelShowOrbit->text(), QStringLiteral("&Orbits:"));
  EXPECT_EQ(window_->ViewChoicesPanel->LabelShowOrbit->buddy(),
            static_cast<QWidget*>(window_->ViewChoicesPanel->ComboBoxShowOrbit));
  // Nothing stored: the choice shows what is drawn, the primary's orbit.
  EXPECT_EQ(window_->ViewChoicesPanel->ComboBoxShowOrbit->currentText(), QStringLiteral("Primary"));
}

TEST_F(FormEveryday, TheDefaultHomeIsAMarkedRowThatCannotBeEdited) {
  OpenFile();
  TLocationsPanel* panel = window_->TabSheetSetup->LocationsPanel;
  ASSERT_EQ(panel->ListLocations->topLevelItemCount(), 1);
  QTreeWidgetItem* row = panel->ListLocations->topLevelItem(0);
  EXPECT_EQ(row->text(1), QStringLiteral("Default (not stored)"));
  EXPECT_EQ(row->text(2), QStringLiteral("56.0"));
  EXPECT_EQ(row->text(3), QStringLiteral("-3.2"));
  EXPECT_FALSE(row->text(0).isEmpty()) << "it is the home in use";
  panel->ListLocations->setCurrentItem(row);
  EXPECT_TRUE(panel->ButtonAdd->isEnabled());
  EXPECT_FALSE(panel->ButtonEdit->isEnabled());
  EXPECT_FALSE(panel->ButtonRemove->isEnabled());
  EXPECT_FALSE(panel->ButtonMakeHome->isEnabled());
  panel->EditClick();
  EXPECT_FALSE(panel->Dialog->isVisible());

  // Once a stored location is the home, the default row goes.
  sandbox_.CompanionText("LocationList", QStringLiteral("\"Delft,4.5,52.1,0,0\""));
  sandbox_.CompanionInteger("LocationNum", 0);
  panel->Refresh();
  ASSERT_EQ(panel->ListLocations->topLevelItemCount(), 1);
  EXPECT_EQ(panel->ListLocations->topLevelItem(0)->text(1), QStringLiteral("Delft"));
}

}  // namespace
}  // namespace nimbrel::app
