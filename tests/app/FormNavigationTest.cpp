// Viewpoints, track bars, drags, zoom, resizing, the satellite list, banks and the File menu's two
// loaders, driven through the window's controls.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include "FormTestSupport.h"
#include "app/ClockPanel.h"
#include "app/FormPasses.h"
#include "app/FormSetup.h"
#include "app/NavigationPanel.h"
#include "app/SatellitesPanel.h"
#include "app/StatusLine.h"
#include "app/ViewChoicesPanel.h"
#include "app/ViewMath.h"
#include "catalogue/cvnCheckBox.h"
#include "catalogue/cvnComboBox.h"
#include "scene/Camera.h"
#include "scene/LightSource.h"
#include "scene/Lines.h"
#include "scene/SceneViewer.h"
#include "scene/Sphere.h"
#include "scene/Texture.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

QAbstractButton* Item(QGroupBox* group, const char* text) {
  for (QAbstractButton* button : group->findChildren<QAbstractButton*>()) {
    if (button->text() == QLatin1String(text)) return button;
  }
  ADD_FAILURE() << "no item " << text;
  return nullptr;
}

class FormNavigation : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.CompanionText("LocationList", QStringLiteral("\"Home,-3.2,56.0,0,0\""));
    window_ = sandbox_.Open();
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormNavigation, DraggingByHalfTheWidthTurnsTheViewNinetyDegreesWest) {
  ASSERT_EQ(window_->NavigationPanel->ViewpointItem(), 1);
  const int width = window_->SceneViewer1->width();
  window_->NavigationPanel->SceneViewer1MouseDown({100, 100});
  window_->NavigationPanel->SceneViewer1MouseMove({100 + width / 2, 100});
  EXPECT_EQ(window_->NavigationPanel->ViewpointItem(), 0);
  EXPECT_EQ(window_->NavigationPanel->TrackBarLon->value(), 135);
  EXPECT_FLOAT_EQ(window_->Content().View().viewLon, -90.0f);
  EXPECT_EQ(window_->NavigationPanel->TrackBarLat->value(), 45);
  EXPECT_EQ(window_->StatusLine->StatusPanels[2]->text(), QStringLiteral(" Viewpoint: 90.0°W  0.0°N"));
  window_->NavigationPanel->SceneViewer1MouseUp();
  EXPECT_FALSE(window_->NavigationPanel->Dragging());
}

TEST_F(FormNavigation, DragsStopAtTheBarsEnds) {
  const QSize size = window_->SceneViewer1->size();
  window_->NavigationPanel->SceneViewer1MouseDown({200, 200});
  window_->NavigationPanel->SceneViewer1MouseMove({200 + 3 * size.width(), 200 - 3 * size.height()});
  EXPECT_EQ(window_->NavigationPanel->TrackBarLon->value(), 180);
  EXPECT_EQ(window_->NavigationPanel->TrackBarLat->value(), 0);
  EXPECT_FLOAT_EQ(window_->Content().View().viewLon, -180.0f);
  EXPECT_NEAR(window_->Content().View().viewLat, -89.1f, 1e-4);
  window_->NavigationPanel->SceneViewer1MouseMove({200 - 3 * size.width(), 200 + 3 * size.height()});
  EXPECT_EQ(window_->NavigationPanel->TrackBarLon->value(), 0);
  EXPECT_EQ(window_->NavigationPanel->TrackBarLat->value(), 90);
  window_->NavigationPanel->SceneViewer1MouseUp();
}

TEST_F(FormNavigation, TheLatitudeBarHasItsZeroAtTheTop) {
  EXPECT_TRUE(window_->NavigationPanel->TrackBarLat->invertedAppearance());
  EXPECT_EQ(window_->NavigationPanel->TrackBarLat->orientation(), Qt::Vertical);
}

TEST_F(FormNavigation, ZoomButtonsStopAtTheEnds) {
  window_->NavigationPanel->ButtonIn->click();
  window_->NavigationPanel->ButtonIn->click();
  EXPECT_EQ(window_->Content().View().zoom, 1);
  EXPECT_FALSE(window_->NavigationPanel->ButtonIn->isEnabled());
  EXPECT_TRUE(window_->NavigationPanel->ButtonOut->isEnabled());
  for (int i = 0; i < 6; ++i) window_->NavigationPanel->ButtonOut->click();
  EXPECT_EQ(window_->Content().View().zoom, 64);
  EXPECT_FALSE(window_->NavigationPanel->ButtonOut->isEnabled());
  EXPECT_TRUE(window_->NavigationPanel->ButtonIn->isEnabled());
}

TEST_F(FormNavigation, FourTimesOutFromTheStart) {
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(window_->NavigationPanel->ButtonOut->isEnabled());
    window_->NavigationPanel->ButtonOut->click();
  }
  EXPECT_EQ(window_->Content().View().zoom, 64);
  EXPECT_FALSE(window_->NavigationPanel->ButtonOut->isEnabled());
}

TEST_F(FormNavigation, HomeViewpointStatusText) {
  Item(window_->NavigationPanel->RadioGroupViewpoint, "Manual")->click();
  EXPECT_EQ(window_->StatusLine->StatusPanels[2]->text(), QStringLiteral(" Viewpoint: 0.0°E  0.0°N"));
  Item(window_->NavigationPanel->RadioGroupViewpoint, "Home loc.")->click();
  EXPECT_EQ(window_->Content().View().viewpoint, 1);
  EXPECT_EQ(window_->StatusLine->StatusPanels[2]->text(), QStringLiteral(" Viewpoint: 3.2°W  56.0°N"));
}

TEST_F(FormNavigation, ATrackBarSwitchesToManual) {
  window_->NavigationPanel->TrackBarLon->setValue(100);
  EXPECT_EQ(window_->NavigationPanel->ViewpointItem(), 0);
  EXPECT_FLOAT_EQ(window_->Content().View().viewLon, -20.0f);
}

TEST_F(FormNavigation, ResizingTheViewScalesTheFocalLength) {
  ASSERT_EQ(window_->InitialViewerWidth(), 401);
  ASSERT_EQ(window_->SceneViewer1->width(), 401);
  EXPECT_FLOAT_EQ(window_->Content().MainCamera().FocalLength(), 200.0f);
  const QSize start = window_->size();
  window_->resize(start.width() + 200, start.height() + 100);
  QApplication::processEvents();
  EXPECT_EQ(window_->SceneViewer1->width(), 601);
  EXPECT_FLOAT_EQ(window_->Content().MainCamera().FocalLength(), 299.0f);
  // The track bars stay centred on the grown view.
  const QRect view = window_->SceneViewer1->geometry();
  EXPECT_EQ(window_->NavigationPanel->TrackBarLon->x(),
            view.left() + (view.width() - window_->NavigationPanel->TrackBarLon->width()) / 2);
  EXPECT_EQ(window_->NavigationPanel->TrackBarLat->y(),
            view.top() + (view.height() - window_->NavigationPanel->TrackBarLat->height()) / 2);
  EXPECT_EQ(window_->ButtonClose->x(), 672 + 200);
  window_->resize(start);
  QApplication::processEvents();
  EXPECT_EQ(window_->SceneViewer1->width(), 401);
  EXPECT_FLOAT_EQ(window_->Content().MainCamera().FocalLength(), 200.0f);
}

// The brightest pixel of a list line, where its text is drawn in the line's colour.
QColor TextColour(QListWidget* list, int row) {
  list->scrollToItem(list->item(row));
  const QRect rect = list->visualItemRect(list->item(row));
  const QImage image = list->viewport()->grab().toImage();
  QColor best(Qt::black);
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() + c.green() + c.blue() > best.red() + best.green() + best.blue()) best = c;
    }
  }
  return best;
}

class FormList : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites());
    window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("ten.tle"))});
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormList, LinesTakeTheirMarkersColoursAndTheTenthIsSilver) {
  ASSERT_EQ(window_->SatellitesPanel->ListBoxActive->count(), 10);
  window_->SatellitesPanel->ListBoxActive->setCurrentRow(-1);
  EXPECT_EQ(TextColour(window_->SatellitesPanel->ListBoxActive, 0), QColor(255, 80, 48));
  EXPECT_EQ(TextColour(window_->SatellitesPanel->ListBoxActive, 1), QColor(0, 224, 32));
  EXPECT_EQ(TextColour(window_->SatellitesPanel->ListBoxActive, 9), QColor(192, 192, 192));
  EXPECT_EQ(window_->Content().Markers().size(), 10u);
}

TEST_F(FormList, AClickMakesThePrimaryOnceTheClickHasReturned) {
  QListWidget* list = window_->SatellitesPanel->ListBoxActive;
  list->scrollToItem(list->item(3));
  const QRect rect = list->visualItemRect(list->item(3));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  // Still the old list inside the click; the rebuild comes after.
  EXPECT_EQ(window_->PrimaryCatNumber(), QStringLiteral("90004"));
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("SAT01"));
  QApplication::processEvents();
  ASSERT_EQ(list->count(), 10);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("SAT04"));
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("SAT01"));
  EXPECT_TRUE(sandbox_.sink.messages.empty());
}

TEST_F(FormList, OpeningAKeplerFileChecksAllSatellites) {
  window_->SatellitesPanel->CheckBoxAll->click();
  ASSERT_FALSE(window_->SatellitesPanel->CheckBoxAll->isChecked());
  sandbox_.WriteFile(QStringLiteral("iss.tle"), testing::IssOnly());
  window_->OpenKeplerFile(sandbox_.Path(QStringLiteral("iss.tle")));
  EXPECT_TRUE(window_->SatellitesPanel->CheckBoxAll->isChecked());
  EXPECT_EQ(window_->Catalogue().Count(), 1);
  ASSERT_EQ(window_->SatellitesPanel->ListBoxActive->count(), 1);
  EXPECT_EQ(window_->SatellitesPanel->ListBoxActive->item(0)->text(), QStringLiteral("ISS (ZARYA)"));
}

TEST_F(FormList, AKeplerFileThatCannotBeReadKeepsTheSatellites) {
  ASSERT_EQ(window_->Content().Markers().size(), 10u);
  QDir(sandbox_.Path(QString())).mkpath(QStringLiteral("folder.tle"));
  sandbox_.WriteFile(QStringLiteral("broken.json"), "[{\"OBJECT_NAME\": \"ISS (ZARYA)\", ");
  for (const char* name : {"folder.tle", "broken.json"}) {
    EXPECT_ANY_THROW(window_->OpenKeplerFile(sandbox_.Path(QString::fromLatin1(name)))) << name;
    EXPECT_EQ(window_->Catalogue().Count(), 10) << name;
    EXPECT_EQ(window_->Content().Markers().size(), 10u) << name;
    EXPECT_EQ(window_->SatellitesPanel->ListBoxActive->count(), 10) << name;
  }
}

TEST_F(FormList, DisplayChoicesReachTheScene) {
  // The orbit line shows from the start whatever the stored choice; a pick of "none" hides it.
  EXPECT_EQ(window_->Content().OrbitLines().LinePattern(), 0xFFFF);
  QComboBox* orbit = window_->ViewChoicesPanel->ComboBoxShowOrbit;
  orbit->setCurrentIndex(0);
  emit orbit->activated(0);
  EXPECT_EQ(window_->Content().OrbitLines().LinePattern(), 0);
  orbit->setCurrentIndex(2);
  emit orbit->activated(2);
  EXPECT_EQ(window_->Content().OrbitLines().LinePattern(), 0xFFFF);

  // A clock near the sets' epoch of 2006: today they give no position and so no footprint.
  window_->ClockPanel->SelectStep(7);
  {
    const QSignalBlocker blockDate(window_->ClockPanel->DatePicker);
    const QSignalBlocker blockTime(window_->ClockPanel->TimePicker);
    window_->ClockPanel->DatePicker->setDate(QDate(2006, 1, 4));
    window_->ClockPanel->TimePicker->setTime(QTime(9, 30, 0));
  }
  window_->RefreshView();
  window_->ClockPanel->TimerStepTimer();
  ASSERT_TRUE(window_->ViewChoicesPanel->CheckBoxShowDaylight->isChecked());
  EXPECT_TRUE(window_->Content().FootprintSpotlight().Shining());
  window_->ViewChoicesPanel->CheckBoxShowFootprint->click();
  EXPECT_FALSE(window_->Content().FootprintSpotlight().Shining());
  window_->ViewChoicesPanel->CheckBoxShowFootprint->click();
  window_->ViewChoicesPanel->CheckBoxShowDaylight->click();
  EXPECT_FALSE(window_->Content().FootprintSpotlight().Shining());

  Item(window_->TabSheetSetup->RadioGroupQuality, "Best")->click();
  EXPECT_EQ(window_->Content().SphereEarth().Slices(), 192);
  EXPECT_EQ(window_->TabSheetSetup->QualitySettingValue(), 5);
}

TEST_F(FormList, BackgroundUnderNoTopographyShowsOnlyAfterUseImage) {
  Item(window_->TabSheetSetup->RadioGroupTopography, "No topography")->click();
  const scene::TTexture& texture = window_->Content().SphereEarth().Material().Texture();
  EXPECT_FALSE(texture.Enabled());
  QImage small(64, 32, QImage::Format_RGB32);
  small.fill(Qt::blue);
  ASSERT_TRUE(small.save(sandbox_.Path(QStringLiteral("small.bmp")), "BMP"));
  window_->LoadBackground(sandbox_.Path(QStringLiteral("small.bmp")));
  EXPECT_EQ(texture.Image().Width(), 64);
  EXPECT_FALSE(texture.Enabled());
  EXPECT_EQ(window_->TabSheetSetup->RadioGroupTopography->toolTip(),
            QStringLiteral("Topography image read from: ") + sandbox_.Path(QStringLiteral("small.bmp")));
  Item(window_->TabSheetSetup->RadioGroupTopography, "Use image")->click();
  EXPECT_TRUE(texture.Enabled());
  EXPECT_EQ(window_->TabSheetSetup->TopographySettingValue(), 1);
}

TEST_F(FormList, RebuildingTheMarkersForgetsTheHoveredName) {
  window_->StatusLine->StatusPanels[0]->setText(QStringLiteral("Sat01"));
  window_->ViewChoicesPanel->CheckBoxShowTrails->click();
  EXPECT_TRUE(window_->StatusLine->StatusPanels[0]->text().isEmpty());
  window_->StatusLine->StatusPanels[0]->setText(QStringLiteral("Sat01"));
  window_->SatellitesPanel->CheckBoxAll->click();
  EXPECT_TRUE(window_->StatusLine->StatusPanels[0]->text().isEmpty());
  EXPECT_EQ(window_->NavigationPanel->HoveredObject(), nullptr);
}

class FormHover : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.WriteFile(QStringLiteral("iss.tle"), testing::IssOnly());
    window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("iss.tle"))});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->ClockPanel->SelectStep(7);
    {
      const QSignalBlocker blockDate(window_->ClockPanel->DatePicker);
      const QSignalBlocker blockTime(window_->ClockPanel->TimePicker);
      window_->ClockPanel->DatePicker->setDate(QDate(2006, 1, 4));
      window_->ClockPanel->TimePicker->setTime(QTime(9, 30, 0));
    }
    window_->RefreshView();
    window_->ClockPanel->TimerStepTimer();  // shows the view; "Man" keeps the clock
    // The camera above the primary: its marker is in the middle of the view.
    const int frames = window_->SceneViewer1->PaintCount();
    Item(window_->NavigationPanel->RadioGroupViewpoint, "Satellite")->click();
    // Picking uses the view's rendering context, which comes with its first frame.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->SceneViewer1->PaintCount() > frames; }, 5000));
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormHover, TheMarkerUnderThePointerIsNamed) {
  const QPoint centre = window_->SceneViewer1->rect().center();
  // The view may still be settling into its size right after it was shown; a user's pointer
  // comes back, so does this.
  auto hover = [this, centre] {
    window_->NavigationPanel->HoverAt(centre);
    return window_->StatusLine->StatusPanels[0]->text();
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return hover() == QStringLiteral("Iss (zarya)"); }, 10000))
      << hover().toStdString();
  window_->NavigationPanel->HoverAt({2, 2});  // black sky
  EXPECT_TRUE(window_->StatusLine->StatusPanels[0]->text().isEmpty());
}

TEST_F(FormHover, ThePickWaitsUntilTheMouseRests) {
  const QPoint centre = window_->SceneViewer1->rect().center();
  QTest::mouseMove(window_->SceneViewer1, centre);
  // Not at once: picking draws the whole scene.
  EXPECT_TRUE(window_->StatusLine->StatusPanels[0]->text().isEmpty());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return window_->StatusLine->StatusPanels[0]->text() == QStringLiteral("Iss (zarya)"); }, 2000))
      << window_->StatusLine->StatusPanels[0]->text().toStdString();
}

class FormBanks : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.WriteFile(QStringLiteral("bin/ten.tle"), testing::TenSatellites());
    sandbox_.CompanionText("TwoLineDataPath", sandbox_.ExecutableFolder());
    sandbox_.CompanionText("PrimarySatCatNumber", QStringLiteral("90001"));
    sandbox_.CompanionText("ActiveList", QStringLiteral("90002 90003"));
    sandbox_.CompanionText("ActiveList1", QStringLiteral("90004"));
    window_ = sandbox_.Open();
  }
  QStringList Names() const {
    QStringList names;
    for (int i = 0; i < window_->SatellitesPanel->ListBoxActive->count(); ++i)
      names << window_->SatellitesPanel->ListBoxActive->item(i)->text();
    return names;
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormBanks, TheBankButtonCyclesThroughTheThreeLists) {
  EXPECT_EQ(window_->SatellitesPanel->ButtonBank->text(), QStringLiteral("1"));
  EXPECT_EQ(Names(),
            (QStringList{QStringLiteral("SAT01"), QStringLiteral("SAT02"), QStringLiteral("SAT03")}));
  window_->SatellitesPanel->ButtonBank->click();
  EXPECT_EQ(window_->SatellitesPanel->ButtonBank->text(), QStringLiteral("2"));
  EXPECT_EQ(Names(), (QStringList{QStringLiteral("SAT01"), QStringLiteral("SAT04")}));
  window_->SatellitesPanel->ButtonBank->click();
  // The third bank is empty: the first bank's list, without a message.
  EXPECT_EQ(window_->SatellitesPanel->ButtonBank->text(), QStringLiteral("3"));
  EXPECT_EQ(Names(),
            (QStringList{QStringLiteral("SAT01"), QStringLiteral("SAT02"), QStringLiteral("SAT03")}));
  window_->SatellitesPanel->ButtonBank->click();
  EXPECT_EQ(window_->SatellitesPanel->ButtonBank->text(), QStringLiteral("1"));
  EXPECT_EQ(window_->SatellitesPanel->BankSettingValue(), 0);
  EXPECT_TRUE(sandbox_.sink.messages.empty());
}

TEST_F(FormBanks, WithAllSatellitesTheMarkersStay) {
  window_->SatellitesPanel->CheckBoxAll->click();
  ASSERT_EQ(window_->SatellitesPanel->ListBoxActive->count(), 10);
  window_->SatellitesPanel->ButtonBank->click();
  EXPECT_EQ(window_->SatellitesPanel->ListBoxActive->count(), 10);
  EXPECT_EQ(window_->ActiveList(), QStringList{QStringLiteral("90004")});
}

}  // namespace
}  // namespace nimbrel::app

namespace nimbrel::app {
namespace {

using testing::TSandbox;

class FormMenus : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites() + testing::IssOnly());
    window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("ten.tle"))});
  }
  QString PassesHeading() const {
    const auto* heading = window_->PassesDialog()->findChild<QLabel*>(QStringLiteral("heading"));
    return heading ? heading->text() : QString();
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormMenus, EscapeNeverClosesTheWindow) {
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  // Twice, as a user clearing the search field and pressing once more would.
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  QTest::keyClick(window_->SceneViewer1, Qt::Key_Escape);
  QTest::keyClick(window_->SatellitesPanel->ListBoxActive, Qt::Key_Escape);
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(FormMenus, ActivationBringsTheFirstTickForward) {
  ASSERT_FALSE(window_->isActiveWindow());
  window_->RefreshView();
  ASSERT_EQ(window_->ClockPanel->TimerStep->interval(), 5000);
  ASSERT_TRUE(window_->SceneViewer1->isHidden());
  window_->activateWindow();
  // The tick comes 10 ms after activation, not 5 s later; it shows the view.
  EXPECT_TRUE(QTest::qWaitFor([&] { return window_->SceneViewer1->isVisible(); }, 2000));
}

TEST_F(FormMenus, ExitClosesTheWindow) {
  window_->MenuExit->trigger();
  EXPECT_FALSE(window_->isVisible());
}

TEST_F(FormMenus, PassesFollowThePrimaryWhileShown) {
  ASSERT_EQ(window_->PrimaryCatNumber(), QStringLiteral("25544"));
  window_->FilePasses->trigger();
  ASSERT_NE(window_->PassesDialog(), nullptr);
  EXPECT_TRUE(window_->PassesDialog()->isVisible());
  EXPECT_TRUE(PassesHeading().contains(QStringLiteral("ISS (ZARYA)")));
  // A click in the list makes another primary; the dialog follows once the list is rebuilt.
  QListWidget* list = window_->SatellitesPanel->ListBoxActive;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
  QApplication::processEvents();
  EXPECT_EQ(window_->PrimaryCatNumber(), QStringLiteral("90001"));
  EXPECT_TRUE(PassesHeading().contains(QStringLiteral("SAT01")));
  // Hidden, it is left alone.
  window_->PassesDialog()->hide();
  ASSERT_EQ(list->item(2)->text(), QStringLiteral("SAT02"));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
  QApplication::processEvents();
  EXPECT_EQ(window_->PrimaryCatNumber(), QStringLiteral("90002"));
  EXPECT_TRUE(PassesHeading().contains(QStringLiteral("SAT01")));
}

}  // namespace
}  // namespace nimbrel::app
