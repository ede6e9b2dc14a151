// The Setup page as the stand-in for the companion program: observer locations, the home among them
// and the Kepler folder, stored as nimbrel-settings stores them, or left alone while the companion
// program is registered.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

#include "FormTestSupport.h"
#include "app/ClockPanel.h"
#include "app/FormPasses.h"
#include "app/FormSetup.h"
#include "app/LocationDialog.h"
#include "app/SatellitesPanel.h"
#include "app/SceneContent.h"
#include "app/SetupPanels.h"
#include "app/StatusLine.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/RegistryVariables.h"
#include "catalogue/SettingsStore.h"
#include "scene/Sphere.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

QByteArray CompanionBytes() {
  QFile file(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/Corvane/Nimbrel.conf"));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList StoredLocations() {
  return catalogue::SplitCommaList(
      catalogue::ReadCompanionText(QString::fromLatin1(catalogue::kLocationList)));
}

class FormSetup : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.WriteFile(QStringLiteral("bin/iss.tle"), testing::IssOnly());
    sandbox_.CompanionText("TwoLineDataPath", sandbox_.ExecutableFolder());
    sandbox_.CompanionText("LocationList", QStringLiteral("\"Home,-3.2,56.0,0,0\""));
  }
  void Open() {
    window_ = sandbox_.Open();
    // The built-in clock of the sets: their orbit is sound then.
    const QSignalBlocker blockDate(window_->ClockPanel->DatePicker);
    const QSignalBlocker blockTime(window_->ClockPanel->TimePicker);
    window_->ClockPanel->DatePicker->setDate(QDate(2006, 1, 4));
    window_->ClockPanel->TimePicker->setTime(QTime(12, 0));
  }
  // Opens the dialog with Add, types the four fields and presses OK.
  void AddThroughTheDialog(const char* name, const char* lat, const char* lon, const char* height) {
    TLocationsPanel* panel = window_->TabSheetSetup->LocationsPanel;
    panel->ButtonAdd->click();
    ASSERT_TRUE(panel->Dialog->isVisible());
    panel->Dialog->EditName->setText(QString::fromUtf8(name));
    panel->Dialog->EditLatitude->setText(QString::fromLatin1(lat));
    panel->Dialog->EditLongitude->setText(QString::fromLatin1(lon));
    panel->Dialog->EditHeight->setText(QString::fromLatin1(height));
    panel->Dialog->ButtonOk->click();
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormSetup, AddingALocationAndMakingItHomeMovesTheViewTheLookAnglesAndThePasses) {
  Open();
  window_->RefreshView();
  // The panel shortens the line to fit the window; its tooltip holds all of it.
  const QString before = window_->StatusLine->StatusPanels[3]->toolTip();
  ASSERT_TRUE(before.contains(QStringLiteral("ISS (ZARYA)"))) << before.toStdString();
  window_->ShowPasses();
  AddThroughTheDialog("Sydney", "-33.87", "151.21", "58");
  EXPECT_FALSE(window_->TabSheetSetup->LocationsPanel->Dialog->isVisible());
  ASSERT_EQ(StoredLocations().size(), 2);
  EXPECT_EQ(catalogue::SplitCommaList(StoredLocations()[1]),
            QStringList({"Sydney", "151.21", "-33.87", "58", "0"}));
  // Stored, but the home is still the first location.
  EXPECT_DOUBLE_EQ(window_->HomeLat(), 56.0);

  QTreeWidget* list = window_->TabSheetSetup->LocationsPanel->ListLocations;
  ASSERT_EQ(list->topLevelItemCount(), 2);
  list->setCurrentItem(list->topLevelItem(1));
  window_->TabSheetSetup->LocationsPanel->ButtonMakeHome->click();
  EXPECT_EQ(catalogue::ReadCompanionInteger(QString::fromLatin1(catalogue::kLocationNum)), 1);
  EXPECT_NEAR(window_->HomeLat(), -33.87, 1e-5);
  EXPECT_NEAR(window_->HomeLon(), 151.21, 1e-5);
  EXPECT_NEAR(window_->Content().View().viewLat, -33.87f, 1e-4);
  // The home's marker stands on the new home.
  const scene::Float4 marker = window_->Content().HomeMarker().Position().AsFloat4();
  const TScenePoint sydney = ScenePointAbove(151.21, -33.87, kEarthRadius);
  EXPECT_NEAR(marker.x, sydney.x, 1e-3);
  EXPECT_NEAR(marker.y, sydney.y, 1e-3);
  EXPECT_NEAR(marker.z, sydney.z, 1e-3);
  EXPECT_NE(window_->StatusLine->StatusPanels[3]->toolTip(), before);
  EXPECT_FALSE(list->topLevelItem(1)->text(0).isEmpty());  // the home's mark moved with it
  EXPECT_TRUE(list->topLevelItem(0)->text(0).isEmpty());
  const auto* heading = window_->PassesDialog()->findChild<QLabel*>(QStringLiteral("heading"));
  ASSERT_NE(heading, nullptr);
  EXPECT_TRUE(heading->text().contains(QStringLiteral("151.2°E  33.9°S"))) << heading->text().toStdString();
}

TEST_F(FormSetup, TheNightSideChoiceIsStoredForTheNextStart) {
  Open();
  QComboBox* box = window_->TabSheetSetup->ComboBoxNightSide;
  EXPECT_EQ(box->accessibleName(), QStringLiteral("Night side"));
  EXPECT_EQ(box->currentText(), QStringLiteral("Dimmed"));
  EXPECT_EQ(window_->Content().NightLook(), TNightLook::nlDimmed);
  box->setCurrentIndex(1);
  emit box->activated(1);
  EXPECT_EQ(window_->Content().NightLook(), TNightLook::nlCityLights);
  window_.reset();
  EXPECT_EQ(sandbox_.StoredOwnInteger("NightSide"), 1);
  Open();
  EXPECT_EQ(window_->TabSheetSetup->ComboBoxNightSide->currentText(), QStringLiteral("City lights"));
  EXPECT_EQ(window_->Content().NightLook(), TNightLook::nlCityLights);
}

TEST_F(FormSetup, ABadLatitudeIsMarkedAtItsFieldAndStoresNothing) {
  Open();
  const QByteArray stored = CompanionBytes();
  AddThroughTheDialog("Nowhere", "91", "0", "");
  TLocationDialog* dialog = window_->TabSheetSetup->LocationsPanel->Dialog;
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(dialog->LabelProblem->text().contains(QStringLiteral("latitude \"91\" is outside -90..90")))
      << dialog->LabelProblem->text().toStdString();
  EXPECT_FALSE(dialog->EditLatitude->styleSheet().isEmpty());
  EXPECT_TRUE(dialog->EditLongitude->styleSheet().isEmpty());
  EXPECT_EQ(CompanionBytes(), stored);
  // Put right, it is stored; an empty height is sea level.
  dialog->EditLatitude->setText(QStringLiteral("89.5"));
  dialog->ButtonOk->click();
  EXPECT_FALSE(dialog->isVisible());
  ASSERT_EQ(StoredLocations().size(), 2);
  EXPECT_EQ(catalogue::SplitCommaList(StoredLocations()[1]), QStringList({"Nowhere", "0", "89.5", "0", "0"}));
}

TEST_F(FormSetup, ARegisteredCompanionMakesThePageReadOnlyAndNothingIsWritten) {
  ASSERT_TRUE(catalogue::TSettingsKey(catalogue::SettingsRoot,
                                      catalogue::CompanyKeyPath(QStringLiteral("App Paths")).toStdString())
                  .Update([](catalogue::TSettingsValues& values) {
                    values.SetText("Nimbrel", "/opt/nimbrel/Nimbrel.exe");
                    return true;
                  }));
  Open();
  const QByteArray stored = CompanionBytes();
  TLocationsPanel* locations = window_->TabSheetSetup->LocationsPanel;
  EXPECT_FALSE(locations->LabelOwned->isHidden());
  EXPECT_FALSE(window_->TabSheetSetup->DataFolderPanel->LabelOwned->isHidden());
  EXPECT_TRUE(locations->LabelOwned->text().contains(QStringLiteral("companion program")));
  locations->ListLocations->setCurrentItem(locations->ListLocations->topLevelItem(0));
  for (QPushButton* button :
       {locations->ButtonAdd, locations->ButtonEdit, locations->ButtonRemove, locations->ButtonMakeHome,
        window_->TabSheetSetup->DataFolderPanel->ButtonChange}) {
    EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
  }
  // Even when asked directly, nothing reaches the companion's file.
  locations->RemoveClick();
  window_->TabSheetSetup->DataFolderPanel->SetFolder(sandbox_.Path(QString()));
  window_->SatellitesPanel->ListBoxActive->setCurrentRow(0);
  window_->SatellitesPanel->AddToBank(0);
  EXPECT_EQ(CompanionBytes(), stored);
  EXPECT_EQ(locations->ListLocations->topLevelItemCount(), 1);
}

TEST_F(FormSetup, AnotherKeplerFolderReloadsTheCatalogue) {
  Open();
  ASSERT_EQ(window_->Catalogue().Count(), 1);
  sandbox_.sink.messages.clear();  // no active list at start-up
  QDir(sandbox_.Path(QString())).mkpath(QStringLiteral("kepler"));
  sandbox_.WriteFile(QStringLiteral("kepler/ten.tle"), testing::TenSatellites());
  window_->TabSheetSetup->DataFolderPanel->SetFolder(sandbox_.Path(QStringLiteral("kepler")));
  EXPECT_EQ(catalogue::ReadCompanionText(QString::fromLatin1(catalogue::kTwoLineDataPath)),
            sandbox_.Path(QStringLiteral("kepler")));
  EXPECT_EQ(window_->Catalogue().Count(), 10);
  EXPECT_EQ(window_->TabSheetSetup->DataFolderPanel->LabelFolder->text(),
            sandbox_.Path(QStringLiteral("kepler")));
  EXPECT_TRUE(sandbox_.sink.messages.empty());
}

}  // namespace
}  // namespace nimbrel::app
