// The mouse over the 3D view: the wheel zooms as the buttons do, a double-click picks the primary.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>
#include <QTimeEdit>
#include <QWheelEvent>

#include "FormTestSupport.h"
#include "app/ClockPanel.h"
#include "app/FormSetup.h"
#include "app/NavigationPanel.h"
#include "app/SatellitesPanel.h"
#include "app/StatusLine.h"
#include "catalogue/CompanionWriter.h"
#include "scene/SceneViewer.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

void Wheel(QWidget* view, int angleDelta) {
  const QPointF at = view->rect().center();
  QWheelEvent event(at, view->mapToGlobal(at), QPoint(), QPoint(0, angleDelta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &event);
}

void ClickViewpoint(TForm3Dview& window, const char* text) {
  for (QAbstractButton* button :
       window.NavigationPanel->RadioGroupViewpoint->findChildren<QAbstractButton*>()) {
    if (button->text() == QLatin1String(text)) button->click();
  }
}

class FormViewMouse : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.WriteFile(QStringLiteral("sats.tle"), testing::IssOnly() + testing::TenSatellites());
    window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("sats.tle"))});
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormViewMouse, TheWheelZoomsOneStepPerNotchWithinTheButtonsLimits) {
  scene::TSceneViewer* view = window_->SceneViewer1;
  ASSERT_EQ(window_->Content().View().zoom, 4);
  Wheel(view, 120);
  EXPECT_EQ(window_->Content().View().zoom, 2);
  Wheel(view, 60);  // half a notch, as a touchpad gives it: nothing yet
  EXPECT_EQ(window_->Content().View().zoom, 2);
  Wheel(view, 60);
  EXPECT_EQ(window_->Content().View().zoom, 1);
  EXPECT_FALSE(window_->NavigationPanel->ButtonIn->isEnabled());
  Wheel(view, 5 * 120);  // beyond the end: it stays there, and one notch back acts at once
  EXPECT_EQ(window_->Content().View().zoom, 1);
  Wheel(view, -120);
  EXPECT_EQ(window_->Content().View().zoom, 2);
  Wheel(view, -10 * 120);
  EXPECT_EQ(window_->Content().View().zoom, 64);
  EXPECT_FALSE(window_->NavigationPanel->ButtonOut->isEnabled());
  EXPECT_TRUE(window_->NavigationPanel->ButtonIn->isEnabled());
}

TEST_F(FormViewMouse, ADoubleClickOnAMarkerMakesItsSatelliteThePrimary) {
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
  ASSERT_EQ(window_->PrimaryCatNumber(), QStringLiteral("25544"));
  // Home right below the ISS, and another satellite the primary: the ISS is in the middle of the view.
  ClickViewpoint(*window_, "Satellite");
  const TViewState below = window_->Content().View();
  ASSERT_TRUE(catalogue::AddLocation({QStringLiteral("Below"), below.viewLat, below.viewLon, 0}));
  ASSERT_TRUE(catalogue::SelectLocation(0));
  window_->SatellitesPanel->ListBoxActive->setCurrentRow(1);
  window_->SatellitesPanel->ListBoxActiveClick();
  QApplication::processEvents();
  ASSERT_EQ(window_->PrimaryCatNumber(), QStringLiteral("90001"));
  window_->TabSheetSetup->HomeLocationChanged();
  const int frames = window_->SceneViewer1->PaintCount();
  ClickViewpoint(*window_, "Home loc.");
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_->SceneViewer1->PaintCount() > frames; }, 5000));

  // The view may still be settling into its size right after it was shown.
  const QPoint centre = window_->SceneViewer1->rect().center();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        window_->NavigationPanel->HoverAt(centre);
        return window_->StatusLine->StatusPanels[0]->text() == QStringLiteral("Iss (zarya)");
      },
      10000));
  QTest::mouseDClick(window_->SceneViewer1, Qt::LeftButton, {}, {2, 2});  // black sky: nothing
  QApplication::processEvents();
  EXPECT_EQ(window_->PrimaryCatNumber(), QStringLiteral("90001"));
  QTest::mouseDClick(window_->SceneViewer1, Qt::LeftButton, {}, centre);
  QApplication::processEvents();
  EXPECT_EQ(window_->PrimaryCatNumber(), QStringLiteral("25544"));
  EXPECT_EQ(window_->SatellitesPanel->ListBoxActive->item(0)->text(), QStringLiteral("ISS (ZARYA)"));
}

}  // namespace
}  // namespace nimbrel::app
