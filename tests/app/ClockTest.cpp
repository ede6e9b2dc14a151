#include <gtest/gtest.h>

#include <QLocale>

#include "app/Clock.h"

namespace nimbrel::app {
namespace {

using orbit::EncodeDateTime;
using orbit::TCalendarTime;

TDateTime At(int year, int month, int day, int h, int m, int s, int ms = 0) {
  return EncodeDateTime(TCalendarTime{year, month, day, h, m, s, ms});
}

TCalendarTime Split(TDateTime t) {
  return orbit::DecodeDateTime(t);
}

TEST(Clock, StepItemsAndTheirMinutes) {
  EXPECT_FALSE(StepMinutes("RT"));
  EXPECT_FALSE(StepMinutes("Man"));
  EXPECT_FALSE(StepMinutes(""));
  EXPECT_EQ(StepMinutes("15"), 15);
  EXPECT_EQ(StepMinutes("120"), 120);
}

TEST(Clock, RoundingDownToAStep) {
  // 10:07:30 with a 15-minute step is 10:00:00; 120 minutes rounds to even hours.
  const TCalendarTime a = Split(RoundDownToStep(At(2006, 1, 3, 10, 7, 30), 15));
  EXPECT_EQ(a.hour, 10);
  EXPECT_EQ(a.minute, 0);
  EXPECT_EQ(a.second, 0);
  const TCalendarTime b = Split(RoundDownToStep(At(2006, 1, 3, 13, 59, 59, 999), 120));
  EXPECT_EQ(b.hour, 12);
  EXPECT_EQ(b.minute, 0);
  EXPECT_EQ(b.day, 3);
}

TEST(Clock, ExactStepBoundariesStayPut) {
  // Every step that divides 10:15:00 must leave it there, on any date: a day fraction taken from the
  // ~46,000-day double would send some of them down a whole step.
  for (int day = 1; day <= 28; ++day) {
    for (int minutes : {1, 5, 15}) {
      const TDateTime t = At(2026, 2, day, 10, 15, 0);
      EXPECT_EQ(ToMilliseconds(RoundDownToStep(t, minutes)), ToMilliseconds(t)) << day << " " << minutes;
    }
  }
}

TEST(Clock, SummedTicksDoNotDrift) {
  TDateTime t = At(2026, 12, 8, 10, 0, 0);
  for (int i = 0; i < 96 * 3; ++i) t = AddMinutes(t, 15);
  const TCalendarTime c = Split(t);
  EXPECT_EQ(c.day, 11);
  EXPECT_EQ(c.hour, 10);
  EXPECT_EQ(c.minute, 0);
  EXPECT_EQ(c.second, 0);
  EXPECT_EQ(c.millisecond, 0);
  // 10:07:30 to "15": 10:00, then 10:15, then 10:30.
  TDateTime s = RoundDownToStep(At(2006, 1, 3, 10, 7, 30), 15);
  s = AddMinutes(s, 15);
  EXPECT_EQ(Split(s).minute, 15);
  s = AddMinutes(s, 15);
  EXPECT_EQ(Split(s).minute, 30);
}

TEST(Clock, PickersCombineDateAndTimeOfDay) {
  const TDateTime date = At(2006, 1, 3, 23, 0, 0);  // the date picker's own time of day is ignored
  const TDateTime time = At(1999, 5, 5, 10, 15, 30, 250);
  const TCalendarTime c = Split(CombinePickers(date, time));
  EXPECT_EQ(c.year, 2006);
  EXPECT_EQ(c.day, 3);
  EXPECT_EQ(c.hour, 10);
  EXPECT_EQ(c.second, 30);
  EXPECT_EQ(c.millisecond, 250);
}

TEST(Clock, CascadeCarriesWrappedFields) {
  const struct {
    const char* what;
    TPickerTime previous, shown, expected;
    int dayShift;
  } rows[] = {
      {"seconds 59 up to 0", {10, 15, 59}, {10, 15, 0}, {10, 16, 0}, 0},
      {"minutes 59 up to 0 at 23:59", {23, 59, 10}, {23, 0, 10}, {0, 0, 10}, 1},
      {"hours 23 up to 0", {23, 5, 5}, {0, 5, 5}, {0, 5, 5}, 1},
      {"hours 0 down to 23", {0, 0, 5}, {23, 0, 5}, {23, 0, 5}, -1},
      {"seconds 40 straight to 0", {10, 15, 40}, {10, 15, 0}, {10, 16, 0}, 0},
      {"seconds 0 straight to 40", {10, 15, 0}, {10, 15, 40}, {10, 14, 40}, 0},
      {"seconds 0 down to 59", {10, 15, 0}, {10, 15, 59}, {10, 14, 59}, 0},
      {"minutes 0 down to 59", {10, 0, 0}, {10, 59, 0}, {9, 59, 0}, 0},
      // At the end of the minute range the carry goes on into the hour, and at midnight into the date.
      {"seconds up at minute 59", {10, 59, 59}, {10, 59, 0}, {11, 0, 0}, 0},
      {"seconds up at 23:59:59", {23, 59, 59}, {23, 59, 0}, {0, 0, 0}, 1},
      {"seconds down at minute 0", {10, 0, 0}, {10, 0, 59}, {9, 59, 59}, 0},
      {"seconds down at 00:00:00", {0, 0, 0}, {0, 0, 59}, {23, 59, 59}, -1},
      {"an ordinary change", {10, 15, 20}, {10, 15, 21}, {10, 15, 21}, 0},
  };
  for (const auto& r : rows) {
    const TCascadeResult c = CascadeTimePicker(r.previous, r.shown);
    EXPECT_EQ(c.time.hour, r.expected.hour) << r.what;
    EXPECT_EQ(c.time.minute, r.expected.minute) << r.what;
    EXPECT_EQ(c.time.second, r.expected.second) << r.what;
    EXPECT_EQ(c.dayShift, r.dayShift) << r.what;
  }
}

TEST(Clock, StatusBarDateText) {
  const QString month = QLocale::system().monthName(1, QLocale::ShortFormat);
  EXPECT_EQ(StatusBarDate(At(2006, 1, 3, 20, 3, 30)),
            QStringLiteral(" 2006-%1-03 at 20:03:30 UTC").arg(month));
  EXPECT_TRUE(StatusBarDate(1e12).isEmpty());
}

}  // namespace
}  // namespace nimbrel::app
