// The window's start-up with settings, companion values and data in a sandbox.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "FormTestSupport.h"
#include "app/FormSetup.h"
#include "app/NavigationPanel.h"
#include "app/SatellitesPanel.h"
#include "app/StartUp.h"
#include "app/ViewChoicesPanel.h"
#include "catalogue/DataFolder.h"
#include "catalogue/cvnCheckBox.h"
#include "orbit/Satellite.h"
#include "scene/Sphere.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;
using FormStartUp = testing::TWindowTest;

QStringList CatalogueNames(const TForm3Dview& window) {
  QStringList names;
  for (int i = 0; i < window.Catalogue().Count(); ++i)
    names << QString::fromStdString(window.Catalogue().NameAt(i));
  return names;
}

TEST_F(FormStartUp, AKeplerFileArgumentShowsAllOfItsSatellites) {
  TSandbox sandbox;
  sandbox.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites());
  // Stored "All satellites" off, and a folder of other data that must not be read.
  sandbox.CompanionText("TwoLineDataPath", sandbox.Path(QStringLiteral("bin")));
  sandbox.WriteFile(QStringLiteral("bin/other.tle"), testing::IssOnly());
  sandbox.CompanionText("ActiveList", QStringLiteral("25544"));
  sandbox.OwnInteger("ShowAll", 0);
  auto window = sandbox.Open({sandbox.Path(QStringLiteral("ten.tle"))});
  EXPECT_TRUE(window->ShowAllAtStart());
  EXPECT_TRUE(window->SatellitesPanel->CheckBoxAll->isChecked());
  EXPECT_EQ(window->Catalogue().Count(), 10);
  EXPECT_EQ(window->SatellitesPanel->ListBoxActive->count(), 10);
  EXPECT_TRUE(sandbox.sink.messages.empty());
  // No stored primary and no ISS: the catalogue's first entry.
  EXPECT_EQ(window->PrimaryCatNumber(), QStringLiteral("90001"));
}

TEST_F(FormStartUp, NoDataAnywhereGivesTheTwoBuiltInSetsAndOneMessage) {
  TSandbox sandbox;
  auto window = sandbox.Open();
  QCoreApplication::processEvents();
  EXPECT_EQ(CatalogueNames(*window), (QStringList{QStringLiteral("HST"), QStringLiteral("ISS")}));
  // One message: where the data folder is, that two old sets are shown, and the offer.
  EXPECT_TRUE(sandbox.sink.messages.empty());
  ASSERT_EQ(sandbox.sink.questions.size(), 1u);
  const QString text = sandbox.sink.questions[0].text;
  EXPECT_EQ(sandbox.sink.questions[0].caption, QStringLiteral("NimbrelGL - no Kepler data yet"));
  EXPECT_TRUE(text.startsWith(QStringLiteral("NimbrelGL reads Kepler data from the folder ") +
                              catalogue::DefaultKeplerDataFolder() +
                              QStringLiteral(", which holds none yet.")))
      << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("two old element sets from 2006, for the ISS and the HST")));
  EXPECT_TRUE(text.contains(QStringLiteral("Download up-to-date Kepler data now?")));
  EXPECT_FALSE(text.contains(QStringLiteral("same folder as NimbrelGL")));
  EXPECT_EQ(window->PrimaryCatNumber(), QStringLiteral("25544"));
  EXPECT_TRUE(window->SatellitesPanel->CheckBoxAll->isChecked());
  ASSERT_EQ(window->SatellitesPanel->ListBoxActive->count(), 2);
  EXPECT_EQ(window->SatellitesPanel->ListBoxActive->item(0)->text(), QStringLiteral("ISS"));
  // Without the companion there is no bank to switch.
  EXPECT_TRUE(window->SatellitesPanel->ButtonBank->isHidden());
}

TEST_F(FormStartUp, AnUnreadableKeplerFileIsNamedInTheWarning) {
  TSandbox sandbox;
  sandbox.WriteFile(QStringLiteral("broken.json"), "[{\"OBJECT_NAME\": ");
  auto window = sandbox.Open();
  QCoreApplication::processEvents();
  ASSERT_EQ(sandbox.sink.questions.size(), 1u);
  EXPECT_TRUE(sandbox.sink.questions[0].text.contains(QStringLiteral("broken.json")));
  EXPECT_EQ(window->Catalogue().Count(), 2);
}

TEST_F(FormStartUp, TheCompanionFolderLeavesAllSatellitesOffAndFollowsTheActiveList) {
  TSandbox sandbox;
  sandbox.WriteFile(QStringLiteral("bin/ten.tle"), testing::TenSatellites());
  sandbox.CompanionText("TwoLineDataPath", sandbox.ExecutableFolder());
  sandbox.CompanionText("ActiveList", QStringLiteral("90003,90005,99999"));
  sandbox.CompanionText("PrimarySatCatNumber", QStringLiteral("90007"));
  sandbox.OwnInteger("ShowAll", 1);
  auto window = sandbox.Open();
  EXPECT_FALSE(window->SatellitesPanel->CheckBoxAll->isChecked());
  ASSERT_EQ(window->SatellitesPanel->ListBoxActive->count(), 3);
  EXPECT_EQ(window->SatellitesPanel->ListBoxActive->item(0)->text(), QStringLiteral("SAT07"));
  EXPECT_EQ(window->SatellitesPanel->ListBoxActive->item(1)->text(), QStringLiteral("SAT03"));
  EXPECT_TRUE(sandbox.sink.messages.empty());
  EXPECT_FALSE(window->SatellitesPanel->ButtonBank->isHidden());
}

TEST_F(FormStartUp, HomeLocationFromTheLocationList) {
  struct TCase {
    const char* what;
    QString list;
    int number;
    double lon, lat;
    int viewpoint;
  };
  const TCase cases[] = {
      {"number beyond the list", QStringLiteral("a,b,c"), 5, -3.2, 56.0, 0},
      {"empty list", QString(), 0, -3.2, 56.0, 0},
      {"second entry of five fields", QStringLiteral("x,\"Delft,4.5,52.1,0,1\""), 1, 4.5, 52.1, 1},
      {"negative number counts as 0", QStringLiteral("\"Home,-1.25,40.5,0,0\""), -3, -1.25, 40.5, 1},
      {"four fields", QStringLiteral("\"Home,4.5,52.1,0\""), 0, 0.0, 0.0, 0},
      {"latitude not a number", QStringLiteral("\"Home,4.5,north,0,0\""), 0, 4.5, 0.0, 0},
  };
  for (const TCase& c : cases) {
    TSandbox sandbox;
    if (!c.list.isNull()) sandbox.CompanionText("LocationList", c.list);
    sandbox.CompanionInteger("LocationNum", c.number);
    auto window = sandbox.Open();
    EXPECT_NEAR(window->HomeLon(), c.lon, 1e-5) << c.what;
    EXPECT_NEAR(window->HomeLat(), c.lat, 1e-5) << c.what;
    EXPECT_EQ(window->NavigationPanel->ViewpointItem(), c.viewpoint) << c.what;
  }
}

TEST_F(FormStartUp, TopographyImageIsLookedForInThreePlaces) {
  TSandbox sandbox;
  const QString bin = sandbox.ExecutableFolder();
  EXPECT_TRUE(FindTopographyImage(sandbox.Path(QString()), bin).isEmpty());
  QFile::copy(QStringLiteral(NIMBREL_ASSETS_DIR "/earth-map-1024x512.jpg"),
              sandbox.Path(QStringLiteral("UserMapGL.jpg")));
  // Only in the folder above the executable's (the work folder is current, so leave it).
  const QString elsewhere = bin;
  EXPECT_EQ(FindTopographyImage(elsewhere, bin), bin + QStringLiteral("/../UserMapGL.jpg"));
  QFile::copy(QStringLiteral(NIMBREL_ASSETS_DIR "/earth-map-1024x512.jpg"),
              bin + QStringLiteral("/UserMapGL.jpg"));
  EXPECT_EQ(FindTopographyImage(elsewhere, bin), bin + QStringLiteral("/UserMapGL.jpg"));
  EXPECT_EQ(FindTopographyImage(sandbox.Path(QString()), bin), sandbox.Path(QStringLiteral("UserMapGL.jpg")));
}

TEST_F(FormStartUp, TheWindowNamesTheImageFoundAboveItsFolder) {
  TSandbox sandbox;
  // The current folder is the one above the executable's: leave it so only "../" finds the image.
  QDir(sandbox.Path(QString())).mkpath(QStringLiteral("elsewhere"));
  QDir::setCurrent(sandbox.Path(QStringLiteral("elsewhere")));
  QFile::copy(QStringLiteral(NIMBREL_ASSETS_DIR "/earth-map-1024x512.jpg"),
              sandbox.Path(QStringLiteral("UserMapGL.jpg")));
  auto window = sandbox.Open();
  EXPECT_EQ(window->TabSheetSetup->RadioGroupTopography->toolTip(),
            QStringLiteral("Topography image read from: ") + sandbox.ExecutableFolder() +
                QStringLiteral("/../UserMapGL.jpg"));
  EXPECT_EQ(window->TexturePath(), sandbox.ExecutableFolder() + QStringLiteral("/../UserMapGL.jpg"));
}

TEST_F(FormStartUp, StoredQualityAndTopographyAreSelectedAndStoredBack) {
  struct TCase {
    int storedQuality, storedTopography;
    int qualityItem, topographyItem;
    int savedQuality;
    int divisions;
  };
  const TCase cases[] = {
      {6, 2, 5, 1, 5, 192},    // the group clamps to "Best", which is stored back
      {0, 0, 0, 0, 0, 36},     // "No topography"
      {-5, 1, -1, 1, -5, 48},  // no item selected: the value stays, 48 divisions
  };
  for (const TCase& c : cases) {
    TSandbox sandbox;
    sandbox.OwnInteger("DisplayQuality", c.storedQuality);
    sandbox.OwnInteger("Topography", c.storedTopography);
    {
      auto window = sandbox.Open();
      EXPECT_EQ(window->TabSheetSetup->QualityItem(), c.qualityItem) << c.storedQuality;
      EXPECT_EQ(window->TabSheetSetup->TopographyItem(), c.topographyItem) << c.storedTopography;
      EXPECT_EQ(window->Content().SphereEarth().Slices(), c.divisions) << c.storedQuality;
    }
    EXPECT_EQ(sandbox.StoredOwnInteger("DisplayQuality"), c.savedQuality) << c.storedQuality;
  }
}

TEST_F(FormStartUp, BoundControlsAndSettingsAreWrittenAtExit) {
  TSandbox sandbox;
  {
    auto window = sandbox.Open();
    window->ViewChoicesPanel->CheckBoxShowTrails->click();
    window->SatellitesPanel->ButtonBank->click();
  }
  EXPECT_EQ(sandbox.StoredOwnInteger("ShowTrails"), 0);
  EXPECT_EQ(sandbox.StoredOwnInteger("NimbrelBank"), 1);
  EXPECT_EQ(sandbox.StoredOwnInteger("Topography"), 1);
}

TEST_F(FormStartUp, CaptionCarriesTheFileVersion) {
  TSandbox sandbox;
  auto window = sandbox.Open();
  EXPECT_TRUE(window->windowTitle().startsWith(
      QStringLiteral("NimbrelGL - simple 3D satellite tracker by Corvane - ")));
  EXPECT_FALSE(window->windowTitle().endsWith(QStringLiteral(" - ")));
}

}  // namespace
}  // namespace nimbrel::app
