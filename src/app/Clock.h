#pragma once
// The simulation clock's arithmetic: step choices, rounding to a step, adding steps, the carry between
// the time picker's fields, and the status-bar date. Everything is done in whole milliseconds, because
// a day fraction of a ~46,000-day double cannot hold 10:15:00 exactly and summed ticks would drift.

#include <QString>
#include <array>
#include <chrono>
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

// The speeds the clock can run at continuously, in simulated seconds per real second.
inline constexpr std::array<int, 5> kSmoothSpeeds = {1, 10, 60, 600, 3600};

// The clock running continuously: the time shown is the time it was started at plus the speed times
// the real time gone by since, so late or skipped timer ticks never add up to drift.
class TSmoothClock {
 public:
  using TInstant = std::chrono::steady_clock::time_point;

  void Start(TDateTime at, int speed, TInstant now) noexcept;
  void Stop() noexcept { speed_ = 0; }
  bool Running() const noexcept { return speed_ != 0; }
  int Speed() const noexcept { return speed_; }
  // The simulated time at the real instant now, to the millisecond; the start time while stopped or
  // when now lies before the start.
  TDateTime TimeAt(TInstant now) const noexcept;

 private:
  std::int64_t startMs_ = 0;
  TInstant startedAt_{};
  int speed_ = 0;
};

// Up to 30 pictures a second while the clock runs continuously.
inline constexpr std::chrono::milliseconds kSmoothPicturePeriod{33};

// When the running clock's pictures are due: each one period after the previous one was due, so that
// the time an update and its drawing take is not added to the period and the rate stays steady. A
// picture is never queued: when the work ran so long that the one after the next is due already, the
// pictures in between are skipped and only the latest one due is made, at once.
class TFrameCadence {
 public:
  using TInstant = std::chrono::steady_clock::time_point;

  explicit TFrameCadence(std::chrono::milliseconds period) noexcept : period_(period) {}

  // The first picture is due at `now`.
  void Start(TInstant now) noexcept;
  // The picture due has been made; `now` is the instant the work ended. Returns how long from now the
  // next one is due (rounded up to whole milliseconds, zero when it is due already).
  std::chrono::milliseconds Next(TInstant now) noexcept;
  TInstant Due() const noexcept { return due_; }
  // Pictures skipped since Start.
  std::int64_t Skipped() const noexcept { return skipped_; }

 private:
  std::chrono::milliseconds period_;
  TInstant due_{};
  std::int64_t skipped_ = 0;
};

// " 2006-Jan-03 at 20:03:30 UTC", the month in the locale's short form.
QString StatusBarDate(TDateTime t);

}  // namespace nimbrel::app
