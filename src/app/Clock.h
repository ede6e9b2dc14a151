#pragma once
// The simulation clock's arithmetic: step choices, rounding to a step, adding steps, the carry between
// the time picker's fields, and the status-bar date. Everything is done in whole milliseconds, because
// a day fraction of a ~46,000-day double cannot hold 10:15:00 exactly and summed ticks would drift.

#include <QString>
#include <cstdint>
#include <optional>

#include "orbit/OrbitTime.h"

namespace nimbrel::app {

using orbit::TDateTime;

// Milliseconds since 1899-12-30 00:00, the exact form of a date-time.
std::int64_t ToMilliseconds(TDateTime dt) noexcept;
TDateTime FromMilliseconds(std::int64_t ms) noexcept;

// The minutes a step item stands for: "1" -> 1, ..., "120" -> 120; nothing for "RT", "Man" or any
// text that is not a whole number (such an item leaves the clock unchanged).
std::optional<int> StepMinutes(const QString& itemText);

// The clock from the two pickers: the whole days of the date picker plus the time of day of the time
// picker.
TDateTime CombinePickers(TDateTime date, TDateTime time) noexcept;

// Rounds the time of day down to a multiple of `minutes` counted from midnight, the date kept
// (1440 div minutes steps a day, as the step choice has always counted).
TDateTime RoundDownToStep(TDateTime t, int minutes) noexcept;

TDateTime AddMinutes(TDateTime t, int minutes) noexcept;

// The time picker's fields before and after a change, and the date picker's date.
struct TPickerTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct TCascadeResult {
  TPickerTime time;  // what the time picker must show now
  int dayShift = 0;  // days to add to the date picker's date
};

// Carries a roll-over the time picker made in one field (its arrows wrap a field alone) into the next
// field: seconds into minutes, minutes into hours, hours into the date.
TCascadeResult CascadeTimePicker(const TPickerTime& previous, const TPickerTime& now) noexcept;

// " 2006-Jan-03 at 20:03:30 UTC", the month in the locale's short form.
QString StatusBarDate(TDateTime t);

}  // namespace nimbrel::app
