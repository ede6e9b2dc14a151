// What the window tells the user: status panel 3 at the designed size, satellites with old elements,
// and the messages of the File menu and of start-up.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTimeEdit>

#include "FormTestSupport.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

// Stops the clock at a UTC instant, as a user setting both pickers would.
void SetClock(TForm3Dview& window, QDate date, QTime time) {
  window.SelectStep(7);  // "Man"
  {
    const QSignalBlocker blockDate(window.DatePicker);
    const QSignalBlocker blockTime(window.TimePicker);
    window.DatePicker->setDate(date);
    window.TimePicker->setTime(time);
  }
  window.RefreshView();
}

class FormStatus : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.CompanionText("LocationList", QStringLiteral("\"Home,-3.2,56.0,0,0\""));
    sandbox_.WriteFile(QStringLiteral("iss.tle"), testing::IssOnly());
    window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("iss.tle"))});
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormStatus, PanelThreeShowsAzimuthElevationAndRangeAtTheDesignedSize) {
  ASSERT_EQ(window_->centralWidget()->width(), TForm3Dview::kClientWidth);
  // A few minutes after the set's epoch: a long line, ISS below the horizon with a 4-digit range.
  SetClock(*window_, QDate(2006, 1, 3), QTime(20, 0));
  const QLabel* panel = window_->StatusPanels[3];
  const QString whole = panel->toolTip();
  ASSERT_TRUE(whole.startsWith(QStringLiteral(" ISS (ZARYA): "))) << whole.toStdString();
  const QString shown = panel->text();
  EXPECT_LE(panel->fontMetrics().horizontalAdvance(shown), panel->contentsRect().width());
  // The end of the line, where the range is, is what must be seen.
  const QString tail = whole.mid(whole.indexOf(QStringLiteral("Az:")));
  EXPECT_TRUE(shown.endsWith(tail)) << shown.toStdString() << " | " << whole.toStdString();
}

TEST_F(FormStatus, ASatelliteWithOldElementsIsInItalicsAndSaysHowOld) {
  SetClock(*window_, QDate(2006, 1, 3), QTime(20, 0));
  QListWidgetItem* line = window_->ListBoxActive->item(0);
  EXPECT_FALSE(line->font().italic());
  EXPECT_FALSE(window_->StatusPanels[3]->toolTip().contains(QStringLiteral("days old")));

  SetClock(*window_, QDate(2006, 1, 24), QTime(20, 0));
  EXPECT_TRUE(line->font().italic());
  EXPECT_EQ(line->toolTip(), QStringLiteral("elements 21 days old"));
  EXPECT_TRUE(
      window_->StatusPanels[3]->toolTip().startsWith(QStringLiteral(" ISS (ZARYA), elements 21 days old: ")));
  // The panel still ends with the range.
  EXPECT_TRUE(window_->StatusPanels[3]->text().endsWith(QStringLiteral("km")));
}

}  // namespace
}  // namespace nimbrel::app
