#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "orbit/OrbitConstants.h"
#include "orbit/OrbitTime.h"

namespace nimbrel::orbit {
namespace {

TEST(OrbitTime, JulianDatesOfYearsAndEpochs) {
  EXPECT_DOUBLE_EQ(JulianDateOfYear(2000), 2451543.5);
  EXPECT_DOUBLE_EQ(JulianDateOfEpoch(1.0), 2451544.5);       // 00001.0: 2000 January 1, 0h
  EXPECT_DOUBLE_EQ(JulianDateOfEpoch(57001.0), 2435839.5);   // 1957 January 1, 0h
  EXPECT_NEAR(JulianDateOfEpoch(56366.5), 2472364.0, 1e-8);  // 2056 December 31, 12h
  // 99 is 1999 and 0 is 2000: the pivot at 57 splits the century.
  EXPECT_DOUBLE_EQ(JulianDateOfEpoch(99001.0), JulianDateOfYear(1999) + 1);
  EXPECT_DOUBLE_EQ(JulianDateOfEpoch(56001.0), JulianDateOfYear(2056) + 1);
  // An epoch's fraction survives to well under a millisecond.
  EXPECT_NEAR((JulianDateOfEpoch(6003.83068838) - JulianDateOfYear(2006) - 3.83068838) * 86400e3, 0.0, 0.1);
}

TEST(OrbitTime, DayOfYearCountsLeapDaysFromMarch) {
  EXPECT_EQ(DayOfYear(2000, 3, 1), 61);
  EXPECT_EQ(DayOfYear(1900, 3, 1), 60);
  EXPECT_EQ(DayOfYear(2004, 2, 29), 60);
  EXPECT_EQ(DayOfYear(2023, 12, 31), 365);
  EXPECT_EQ(DayOfYear(2024, 12, 31), 366);
}

TEST(OrbitTime, DateTimeToJulianDateCountsHundredths) {
  const TDateTime noon = EncodeDateTime({2000, 1, 1, 12, 0, 0, 0});
  EXPECT_DOUBLE_EQ(JulianDateFromDateTime(noon), 2451545.0);
  // 12:00:00.999 adds 0.99 s, not 0.999 s: the last digit of the milliseconds is dropped.
  const TDateTime late = EncodeDateTime({2000, 1, 1, 12, 0, 0, 999});
  // (a Julian date resolves about 40 microseconds)
  EXPECT_NEAR((JulianDateFromDateTime(late) - 2451545.0) * 86400.0, 0.99, 1e-4);
}

TEST(OrbitTime, CalendarSplitRoundsToTheMillisecond) {
  const TDateTime dt = EncodeDateTime({2026, 12, 8, 23, 59, 59, 999});
  const TCalendarTime t = DecodeDateTime(dt);
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 8);
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 59);
  EXPECT_EQ(t.millisecond, 999);
  // Summed steps land a hair below the minute; the split must still say 10:15:00.000.
  double sum = EncodeDateTime({2026, 1, 1, 10, 0, 0, 0});
  for (int i = 0; i < 15; ++i) sum += 1.0 / 1440.0;
  const TCalendarTime s = DecodeDateTime(sum);
  EXPECT_EQ(s.hour, 10);
  EXPECT_EQ(s.minute, 15);
  EXPECT_EQ(s.second, 0);
  EXPECT_EQ(s.millisecond, 0);
  EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_EQ(DecodeDateTime(-1.0).day, 29);
  EXPECT_THROW(DecodeDateTime(std::numeric_limits<double>::quiet_NaN()), std::out_of_range);
  EXPECT_THROW(DecodeDateTime(1e12), std::out_of_range);
}

TEST(OrbitTime, SiderealAngles) {
  EXPECT_NEAR(SiderealAngle(2451545.0), 4.894961212789, 1e-9);
  // At the epoch's own instant both forms agree, and the day count lands in the global.
  const double epoch = 6003.83068838;
  const double jd = JulianDateOfEpoch(epoch);
  EXPECT_NEAR(SiderealAngleAtEpoch(epoch), SiderealAngle(jd), 1e-7);
  EXPECT_NEAR(DaysSince1950, jd - kJulianDate1950Jan0, 1e-8);
  const TEpochSidereal both = SiderealAtEpoch(epoch);
  EXPECT_DOUBLE_EQ(both.daysSince1950, DaysSince1950);
  for (double jdx : {2400000.5, 2451545.0, 2460000.25, 2470000.9}) {
    const double a = SiderealAngle(jdx);
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, 2 * static_cast<double>(kPi));
  }
}

TEST(OrbitTime, DeltaEtNearPublishedValues) {
  // The formula is a fit; around 1990 ET - UT was about 57 s.
  EXPECT_NEAR(DeltaET(1990.0), 57.0, 2.0);
  EXPECT_DOUBLE_EQ(DeltaET(1975.0), 26.465 + 0.747622 * 25.0);
}

TEST(OrbitTime, CurrentUtcIsNow) {
  const TCalendarTime t = DecodeDateTime(CurrentUtc());
  EXPECT_GE(t.year, 2024);
  EXPECT_LT(t.year, 2100);
}

}  // namespace
}  // namespace nimbrel::orbit
