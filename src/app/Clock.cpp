#include "Clock.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace nimbrel::app {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) noexcept {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

std::int64_t ToMilliseconds(TDateTime dt) noexcept {
  // Beyond the calendar's years 1 to 9999 there is nothing to show; clamp rather than overflow.
  constexpr double kLimit = 3.0e6 * 86400000.0;
  if (std::isnan(dt)) return 0;
  const double ms = dt * static_cast<double>(kMsPerDay);
  if (ms > kLimit) return static_cast<std::int64_t>(kLimit);
  if (ms < -kLimit) return -static_cast<std::int64_t>(kLimit);
  return std::llround(ms);
}

TDateTime FromMilliseconds(std::int64_t ms) noexcept {
  // Whole days and the day's fraction separately, so that the fraction is as exact as a double allows.
  const std::int64_t days = FloorDiv(ms, kMsPerDay);
  const std::int64_t rest = ms - days * kMsPerDay;
  return static_cast<double>(days) + static_cast<double>(rest) / static_cast<double>(kMsPerDay);
}

void TSmoothClock::Start(TDateTime at, int speed, TInstant now) noexcept {
  startMs_ = ToMilliseconds(at);
  startedAt_ = now;
  speed_ = speed;
}

TDateTime TSmoothClock::TimeAt(TInstant now) const noexcept {
  if (!Running() || now <= startedAt_) return FromMilliseconds(startMs_);
  const auto elapsedUs = std::chrono::duration_cast<std::chrono::microseconds>(now - startedAt_).count();
  // A clock left running at x3600 for years still stays well inside 64 bits of milliseconds.
  const double simulatedMs = static_cast<double>(elapsedUs) * speed_ / 1000.0;
  return FromMilliseconds(startMs_ + std::llround(simulatedMs));
}

void TFrameCadence::Start(TInstant now) noexcept {
  due_ = now;
  skipped_ = 0;
}

std::chrono::milliseconds TFrameCadence::Next(TInstant now) noexcept {
  if (period_ <= std::chrono::milliseconds::zero()) return std::chrono::milliseconds::zero();
  due_ += period_;
  // Late by a whole period or more: the pictures whose successors are due too are dropped, so that
  // only the latest one due is made and the grid of due instants stays where it was.
  if (now - due_ >= period_) {
    const std::int64_t behind = (now - due_) / period_;
    due_ += behind * period_;
    skipped_ += behind;
  }
  if (due_ <= now) return std::chrono::milliseconds::zero();
  return std::chrono::ceil<std::chrono::milliseconds>(due_ - now);
}

std::optional<int> StepMinutes(const QString& itemText) {
  bool ok = false;
  const int n = itemText.toInt(&ok, 10);
  if (!ok) return std::nullopt;
  return n;
}

TDateTime CombinePickers(TDateTime date, TDateTime time) noexcept {
  const std::int64_t dateMs = ToMilliseconds(date);
  const std::int64_t timeMs = ToMilliseconds(time);
  const std::int64_t wholeDays = dateMs / kMsPerDay;  // truncated toward zero, as the pickers' days are
  std::int64_t timeOfDay = timeMs % kMsPerDay;
  if (timeOfDay < 0) timeOfDay = -timeOfDay;
  return FromMilliseconds(wholeDays * kMsPerDay + timeOfDay);
}

TDateTime RoundDownToStep(TDateTime t, int minutes) noexcept {
  if (minutes <= 0) return t;
  const std::int64_t k = 1440 / minutes;
  if (k <= 0) return FromMilliseconds(FloorDiv(ToMilliseconds(t), kMsPerDay) * kMsPerDay);
  const std::int64_t ms = ToMilliseconds(t);
  const std::int64_t day = FloorDiv(ms, kMsPerDay);
  const std::int64_t ofDay = ms - day * kMsPerDay;
  const std::int64_t slot = ofDay * k / kMsPerDay;
  return FromMilliseconds(day * kMsPerDay + slot * kMsPerDay / k);
}

TDateTime AddMinutes(TDateTime t, int minutes) noexcept {
  return FromMilliseconds(ToMilliseconds(t) + static_cast<std::int64_t>(minutes) * 60'000);
}

TCascadeResult CascadeTimePicker(const TPickerTime& previous, const TPickerTime& now) noexcept {
  const int h0 = previous.hour, m0 = previous.minute, s0 = previous.second;
  int h = now.hour, m = now.minute;
  const int s = now.second;
  int dayShift = 0;

  // Seconds wrapped upward (59 -> 0, or the arrows' 40 -> 0) or downward. At the end of the minute
  // range the minute wraps too, and the minute rules below then carry that into the hour.
  if ((m0 == m && s0 > 40 && s <= 20) || (s0 == 40 && s == 0)) {
    m = m < 59 ? m + 1 : 0;
  }
  if ((m0 == m && s0 <= 20 && s > 40) || (s0 == 0 && s == 40)) {
    m = m > 0 ? m - 1 : 59;
  }
  if ((h0 == h && m0 > 40 && m <= 20) || (m0 == 40 && m == 0)) {
    if (h < 23) {
      ++h;
    } else {
      ++dayShift;
      h = 0;
    }
  }
  if ((h0 == h && m0 <= 20 && m > 40) || (m0 == 0 && m == 40)) {
    if (h > 0) {
      --h;
    } else {
      --dayShift;
      h = 23;
    }
  }
  // The hour field wrapped by itself: only when no rule above moved the date already.
  if (dayShift == 0) {
    if (h == 0 && h0 == 23) ++dayShift;
    if (h == 23 && h0 == 0) --dayShift;
  }
  return {{h, m, s}, dayShift};
}

QString StatusBarDate(TDateTime t) {
  try {
    const orbit::TCalendarTime c = orbit::DecodeDateTime(t);
    const QString month = QLocale::system().monthName(c.month, QLocale::ShortFormat);
    return QStringLiteral(" %1-%2-%3 at %4:%5:%6 UTC")
        .arg(c.year, 4, 10, QLatin1Char('0'))
        .arg(month)
        .arg(c.day, 2, 10, QLatin1Char('0'))
        .arg(c.hour, 2, 10, QLatin1Char('0'))
        .arg(c.minute, 2, 10, QLatin1Char('0'))
        .arg(c.second, 2, 10, QLatin1Char('0'));
  } catch (const std::exception&) {
    return QString();
  }
}

}  // namespace nimbrel::app
