// The clock driven through the window's pickers, step choice and ticks.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>

#include "FormTestSupport.h"
#include "app/Clock.h"
#include "app/ClockPanel.h"
#include "app/StatusLine.h"
#include "scene/SceneViewer.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

constexpr int kManual = 7;

QAbstractButton* StepButton(TForm3Dview& window, const char* text) {
  for (QAbstractButton* button : window.ClockPanel->RadioGroupStep->findChildren<QAbstractButton*>()) {
    if (button->text() == QLatin1String(text)) return button;
  }
  ADD_FAILURE() << "no step item " << text;
  return nullptr;
}

// Stops the clock at a date and time, as a user setting both pickers would.
void SetManual(TForm3Dview& window, QDate date, QTime time) {
  window.ClockPanel->SelectStep(kManual);
  {
    // Both pickers at once: one after the other would be a roll-over of the first to the cascade.
    const QSignalBlocker blockDate(window.ClockPanel->DatePicker);
    const QSignalBlocker blockTime(window.ClockPanel->TimePicker);
    window.ClockPanel->DatePicker->setDate(date);
    window.ClockPanel->TimePicker->setTime(time);
  }
  window.RefreshView();
}

QString Shown(const TForm3Dview& window) {
  return window.ClockPanel->DatePicker->date().toString(Qt::ISODate) + QStringLiteral(" ") +
         window.ClockPanel->TimePicker->time().toString(QStringLiteral("HH:mm:ss"));
}

class FormClock : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (!IsSkipped()) window_ = sandbox_.Open();
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormClock, TheFirstTickShowsTheViewAndSetsTheClockToNow) {
  EXPECT_TRUE(window_->SceneViewer1->isHidden());
  const orbit::TDateTime before = orbit::CurrentUtc();
  window_->ClockPanel->TimerStepTimer();
  EXPECT_FALSE(window_->SceneViewer1->isHidden());
  EXPECT_NEAR(window_->CurrentTime(), before, 5.0 / 86400);
  EXPECT_TRUE(window_->ClockPanel->TimerStep->isActive());
  EXPECT_EQ(window_->ClockPanel->TimerStep->interval(), 5000);
  EXPECT_EQ(window_->StatusLine->StatusPanels[1]->text(), StatusBarDate(window_->CurrentTime()));
}

TEST_F(FormClock, FifteenMinuteStepsFromTenPastSevenAndAHalf) {
  SetManual(*window_, QDate(2006, 1, 3), QTime(10, 7, 30));
  StepButton(*window_, "15")->click();
  EXPECT_EQ(window_->ClockPanel->TimerStep->interval(), 10);
  EXPECT_TRUE(window_->ClockPanel->TimerStep->isActive());
  window_->ClockPanel->TimerStepTimer();
  EXPECT_EQ(Shown(*window_), QStringLiteral("2006-01-03 10:15:00"));
  EXPECT_EQ(window_->StatusLine->StatusPanels[1]->text(), QStringLiteral(" 2006-Jan-03 at 10:15:00 UTC"));
  EXPECT_EQ(window_->ClockPanel->TimerStep->interval(), 5000);
  window_->ClockPanel->TimerStepTimer();
  EXPECT_EQ(Shown(*window_), QStringLiteral("2006-01-03 10:30:00"));
  // The code's own writes to the pickers did not switch the clock to manual.
  EXPECT_EQ(window_->ClockPanel->StepItem(), 4);
}

TEST_F(FormClock, TwoHourStepsStartAtAnEvenHour) {
  SetManual(*window_, QDate(2006, 1, 3), QTime(13, 59, 59));
  StepButton(*window_, "120")->click();
  window_->ClockPanel->TimerStepTimer();
  EXPECT_EQ(Shown(*window_), QStringLiteral("2006-01-03 14:00:00"));
}

TEST_F(FormClock, ExactBoundariesStayExactForEveryStepThatDividesThem) {
  for (const char* step : {"1", "5", "15"}) {
    for (int day = 1; day <= 28; day += 3) {
      SetManual(*window_, QDate(2026, 2, day), QTime(10, 15, 0));
      StepButton(*window_, step)->click();
      EXPECT_EQ(ToMilliseconds(window_->CurrentTime()),
                ToMilliseconds(orbit::EncodeDateTime({2026, 2, day, 10, 15, 0, 0})))
          << step << " on day " << day;
    }
  }
}

TEST_F(FormClock, ChangingADatePickerStopsTheClock) {
  window_->ClockPanel->TimerStepTimer();
  ASSERT_EQ(window_->ClockPanel->StepItem(), 0);
  const QTime time = window_->ClockPanel->TimePicker->time();
  window_->ClockPanel->DatePicker->setDate(QDate(2006, 1, 3));
  EXPECT_EQ(window_->ClockPanel->StepItem(), kManual);
  EXPECT_FALSE(window_->ClockPanel->TimerStep->isActive());
  const orbit::TCalendarTime now = orbit::DecodeDateTime(window_->CurrentTime());
  EXPECT_EQ(now.year, 2006);
  EXPECT_EQ(now.day, 3);
  EXPECT_EQ(now.hour, time.hour());
  EXPECT_EQ(now.second, time.second());
}

TEST_F(FormClock, WrappedPickerFieldsCarryIntoTheNextField) {
  struct TCase {
    QDate date;
    QTime before;
    QTime wrapped;  // what the picker shows after its arrows wrapped one field
    const char* expected;
  };
  const TCase cases[] = {
      {QDate(2006, 1, 3), QTime(10, 15, 59), QTime(10, 15, 0), "2006-01-03 10:16:00"},
      {QDate(2006, 1, 3), QTime(23, 59, 10), QTime(23, 0, 10), "2006-01-04 00:00:10"},
      {QDate(2006, 1, 3), QTime(23, 30, 0), QTime(0, 30, 0), "2006-01-04 00:30:00"},
      {QDate(2006, 1, 3), QTime(0, 0, 5), QTime(23, 0, 5), "2006-01-02 23:00:05"},
      {QDate(2006, 1, 3), QTime(10, 15, 40), QTime(10, 15, 0), "2006-01-03 10:16:00"},
      {QDate(2006, 1, 3), QTime(10, 15, 0), QTime(10, 15, 40), "2006-01-03 10:14:40"},
      // Seconds wrapping up at minute 59 carry through the minute into the hour.
      {QDate(2006, 1, 3), QTime(10, 59, 59), QTime(10, 59, 0), "2006-01-03 11:00:00"},
      {QDate(2006, 1, 3), QTime(23, 59, 59), QTime(23, 59, 0), "2006-01-04 00:00:00"},
      {QDate(2006, 1, 3), QTime(11, 0, 0), QTime(11, 0, 59), "2006-01-03 10:59:59"},
  };
  for (const TCase& c : cases) {
    SetManual(*window_, c.date, c.before);
    ASSERT_EQ(Shown(*window_),
              c.date.toString(Qt::ISODate) + QStringLiteral(" ") + c.before.toString(Qt::ISODate));
    window_->ClockPanel->TimePicker->setTime(c.wrapped);
    EXPECT_EQ(Shown(*window_), QString::fromLatin1(c.expected)) << c.before.toString().toStdString();
    EXPECT_EQ(window_->StatusLine->StatusPanels[1]->text(), StatusBarDate(window_->CurrentTime()));
  }
}

TEST_F(FormClock, TheTimePickerWrapsItsFields) {
  EXPECT_TRUE(window_->ClockPanel->TimePicker->wrapping());
}

TEST_F(FormClock, RealTimeAgainArmsTheTimerAtOnce) {
  SetManual(*window_, QDate(2006, 1, 3), QTime(10, 0, 0));
  EXPECT_FALSE(window_->ClockPanel->TimerStep->isActive());
  StepButton(*window_, "RT")->click();
  EXPECT_TRUE(window_->ClockPanel->TimerStep->isActive());
  EXPECT_EQ(window_->ClockPanel->TimerStep->interval(), 10);
}

}  // namespace
}  // namespace nimbrel::app
