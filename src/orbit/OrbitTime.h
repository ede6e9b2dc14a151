#pragma once
// Calendar time, the toolkit's date-time value, element-set epochs, Julian dates and sidereal time.

#include <cstdint>

namespace nimbrel::orbit {

// The user interface's date-time: days since 1899-12-30 00:00, the fraction being the time of day.
// Always read as UTC.
using TDateTime = double;

struct TCalendarTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// Split a date-time into calendar fields (proleptic Gregorian), rounded to the millisecond.
// Throws std::out_of_range for a non-finite value or one outside the years 1 to 9999.
TCalendarTime DecodeDateTime(TDateTime dt);
// The inverse; fields outside their ranges carry over (minute 60 is the next hour).
TDateTime EncodeDateTime(const TCalendarTime& t) noexcept;

// The epoch's days since 1950 January 0.0, left by SiderealAngleAtEpoch for the deep-space
// initialisation, which reads it right after the call.
extern double DaysSince1950;

double JulianDateOfYear(double year) noexcept;
double JulianDateOfEpoch(double epoch) noexcept;
int DayOfYear(std::uint16_t year, std::uint16_t month, std::uint16_t day) noexcept;
double FractionOfDay(std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                     std::uint16_t hundredths) noexcept;
double JulianDateFromDateTime(TDateTime dt);
// Exact conversions without the calendar split (JulianDateFromDateTime counts only to the hundredth
// of a second, as the sidereal-time code has always seen it).
TDateTime DateTimeFromJulianDate(double jd) noexcept;
double DateTimeToJulianDate(TDateTime dt) noexcept;
TDateTime CurrentUtc();

double SiderealAngle(double jd) noexcept;

struct TEpochSidereal {
  double theta = 0.0;          // Greenwich mean sidereal angle at the epoch, radians in [0, 2 pi)
  double daysSince1950 = 0.0;  // the epoch in days since 1950 January 0.0
};
// Both results, touching no global: for code that may run on several threads.
TEpochSidereal SiderealAtEpoch(double epoch) noexcept;
// The angle alone; also leaves the day count in DaysSince1950.
double SiderealAngleAtEpoch(double epoch) noexcept;

// ET - UT in seconds for a fractional year.
double DeltaET(double year) noexcept;

}  // namespace nimbrel::orbit
