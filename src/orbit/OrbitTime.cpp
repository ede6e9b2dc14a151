#include "OrbitTime.h"

#include <chrono>
#include <cmath>
#include <stdexcept>

#include "OrbitConstants.h"
#include "OrbitMath.h"

namespace nimbrel::orbit {

double DaysSince1950 = 0.0;

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kDateTimeEpochDays = -25569;

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's public-domain algorithm).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) noexcept {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// Julian date of 0h UT of the epoch's day, and the fraction of that day.
void SplitEpoch(double epoch, double& jd0, double& fraction) noexcept {
  const long double yy = std::trunc(epoch / 1000.0L);
  long double d = (epoch / 1000.0L - yy) * 1000.0L;
  fraction = static_cast<double>(d - std::trunc(d));
  d = std::trunc(d);
  const double year = static_cast<double>(yy) + (yy >= kEpochYearPivot ? 1900.0 : 2000.0);
  jd0 = JulianDateOfYear(year) + static_cast<double>(d);
}

double MeanSiderealSeconds(double jd0, double ut) noexcept {
  const double t = (jd0 - kJ2000) / kJulianCentury;
  return 24110.54841 + t * (8640184.812866 + t * (0.093104 - t * 0.0000062)) + 86636.555366976 * ut;
}

double SecondsToAngle(double s) noexcept {
  return static_cast<double>(Modulus(s, kSecondsPerDay) * kTwoPi / kSecondsPerDay);
}

}  // namespace

TCalendarTime DecodeDateTime(TDateTime dt) {
  // Years 1 to 9999, as the toolkit's calendar allows.
  if (!std::isfinite(dt) || dt < -693593.0 || dt >= 2958466.0) {
    throw std::out_of_range("DecodeDateTime: date-time value out of range");
  }
  const auto totalMs = static_cast<std::int64_t>(std::llround(dt * static_cast<double>(kMsPerDay)));
  std::int64_t days = totalMs / kMsPerDay;
  std::int64_t ms = totalMs % kMsPerDay;
  if (ms < 0) {
    ms += kMsPerDay;
    --days;
  }
  TCalendarTime t;
  CivilFromDays(days + kDateTimeEpochDays, t.year, t.month, t.day);
  t.hour = static_cast<int>(ms / 3'600'000);
  t.minute = static_cast<int>(ms / 60'000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

TDateTime EncodeDateTime(const TCalendarTime& t) noexcept {
  // Normalise the month first so that DaysFromCivil sees 1..12.
  std::int64_t months = static_cast<std::int64_t>(t.year) * 12 + (t.month - 1);
  const std::int64_t y = (months >= 0 ? months : months - 11) / 12;
  const auto m = static_cast<unsigned>(months - y * 12 + 1);
  const std::int64_t days = DaysFromCivil(y, m, 1) + (t.day - 1) - kDateTimeEpochDays;
  const std::int64_t ms =
      ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
  return static_cast<double>(days) + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

double JulianDateOfYear(double year) noexcept {
  const double y = year - 1.0;
  const double a = std::trunc(y / 100.0);
  const double b = std::trunc(a / 4.0);
  return std::trunc(365.25 * y) + 428.0 + 1720994.5 + (2.0 - a + b);
}

double JulianDateOfEpoch(double epoch) noexcept {
  const long double yy = std::trunc(epoch / 1000.0L);
  const long double day = (epoch / 1000.0L - yy) * 1000.0L;
  const double year = static_cast<double>(yy) + (yy >= kEpochYearPivot ? 1900.0 : 2000.0);
  return static_cast<double>(JulianDateOfYear(year) + day);
}

int DayOfYear(std::uint16_t year, std::uint16_t month, std::uint16_t day) noexcept {
  static constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int result = day;
  for (int m = 1; m < month && m <= 12; ++m) result += kDaysInMonth[m - 1];
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  if (leap && month > 2) ++result;
  return result;
}

double FractionOfDay(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                     std::uint16_t hundredths) noexcept {
  return (hour + (minute + (second + hundredths / 100.0) / 60.0) / 60.0) / 24.0;
}

double JulianDateFromDateTime(TDateTime dt) {
  const TCalendarTime t = DecodeDateTime(dt);
  const auto u16 = [](int v) { return static_cast<std::uint16_t>(v); };
  return JulianDateOfYear(t.year) + DayOfYear(u16(t.year), u16(t.month), u16(t.day)) +
         FractionOfDay(u16(t.hour), u16(t.minute), u16(t.second), u16(t.millisecond / 10));
}

// 1899-12-30 00:00 is Julian date 2415018.5.
constexpr double kJulianDateOfDateTimeZero = 2415018.5;

TDateTime DateTimeFromJulianDate(double jd) noexcept {
  return jd - kJulianDateOfDateTimeZero;
}

double DateTimeToJulianDate(TDateTime dt) noexcept {
  return dt + kJulianDateOfDateTimeZero;
}

TDateTime CurrentUtc() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  return static_cast<double>(-kDateTimeEpochDays) + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

double SiderealAngle(double jd) noexcept {
  const double ut = Frac(jd + 0.5);
  const double jd0 = jd - ut;
  return SecondsToAngle(MeanSiderealSeconds(jd0, ut));
}

TEpochSidereal SiderealAtEpoch(double epoch) noexcept {
  double jd0 = 0.0;
  double f = 0.0;
  SplitEpoch(epoch, jd0, f);
  return {SecondsToAngle(MeanSiderealSeconds(jd0, f)), f + (jd0 - kJulianDate1950Jan0)};
}

double SiderealAngleAtEpoch(double epoch) noexcept {
  const TEpochSidereal r = SiderealAtEpoch(epoch);
  DaysSince1950 = r.daysSince1950;
  return r.theta;
}

double DeltaET(double year) noexcept {
  return 26.465 + 0.747622 * (year - 1950.0) +
         1.886913 * std::sin(static_cast<double>(kTwoPi) * (year - 1975.0) / 33.0);
}

}  // namespace nimbrel::orbit
