#include "OmmRecord.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "CatalogueNumber.h"
#include "KeplerRecords.h"
#include "OmmText.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"

namespace nimbrel::catalogue {

namespace {

constexpr std::array<std::string_view, kOmmFieldCount> kFieldNames = {
    "OBJECT_NAME",         "OBJECT_ID",           "EPOCH",          "MEAN_MOTION",
    "ECCENTRICITY",        "INCLINATION",         "RA_OF_ASC_NODE", "ARG_OF_PERICENTER",
    "MEAN_ANOMALY",        "NORAD_CAT_ID",        "BSTAR",          "MEAN_MOTION_DOT",
    "MEAN_MOTION_DDOT",    "CLASSIFICATION_TYPE", "ELEMENT_SET_NO", "REV_AT_EPOCH",
    "MEAN_ELEMENT_THEORY", "EPHEMERIS_TYPE"};

// Two-digit epoch years cover this century of years, as the lines read them.
constexpr int kFirstEpochYear = 1900 + orbit::kEpochYearPivot;
constexpr int kLastEpochYear = kFirstEpochYear + 99;

// Whole numbers beyond this are no counts a record carries; the bound keeps them exact in a double.
constexpr std::int64_t kMaxCount = 999'999'999'999;
// NORAD numbers have nine digits at most.
constexpr std::int64_t kMaxNoradNumber = 999'999'999;

bool IsDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

std::size_t SkipDigits(std::string_view s, std::size_t i) noexcept {
  while (i < s.size() && IsDigit(s[i])) ++i;
  return i;
}

// Optional sign, digits, optional point and fraction, optional exponent, nothing else: no "inf", no
// "nan", no hexadecimal, and "." as the point whatever the locale.
std::optional<double> ParseDecimal(std::string_view s) noexcept {
  s = TrimBlanks(s);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const std::size_t integerStart = i;
  i = SkipDigits(s, i);
  std::size_t mantissaDigits = i - integerStart;
  if (i < s.size() && s[i] == '.') {
    const std::size_t fractionStart = ++i;
    i = SkipDigits(s, i);
    mantissaDigits += i - fractionStart;
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const std::size_t exponentStart = j;
    j = SkipDigits(s, j);
    if (j == exponentStart) return std::nullopt;
    i = j;
  }
  if (i != s.size()) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);  // from_chars takes no '+'
  double value = 0.0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::int64_t> ParseCount(std::string_view s) noexcept {
  s = TrimBlanks(s);
  if (s.empty() || s.size() > 12 || SkipDigits(s, 0) != s.size()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : s) value = value * 10 + (c - '0');
  return value;
}

// A text that holds nothing but blanks counts as absent, as an empty CSV cell or XML element does.
bool IsAbsent(const TOmmValue& v) noexcept {
  return v.kind == TOmmValue::TKind::vkAbsent ||
         (v.kind == TOmmValue::TKind::vkText && TrimBlanks(v.text).empty());
}

std::optional<double> Real(const TOmmValue& v) noexcept {
  if (v.kind == TOmmValue::TKind::vkNumber)
    return std::isfinite(v.number) ? std::optional(v.number) : std::nullopt;
  if (v.kind == TOmmValue::TKind::vkText) return ParseDecimal(v.text);
  return std::nullopt;
}

// A whole number from 0 to kMaxCount.
std::optional<std::int64_t> Count(const TOmmValue& v) noexcept {
  if (v.kind == TOmmValue::TKind::vkText) return ParseCount(v.text);
  if (v.kind != TOmmValue::TKind::vkNumber) return std::nullopt;
  const double x = v.number;
  if (!(x >= 0.0 && x <= static_cast<double>(kMaxCount)) || x != std::trunc(x)) return std::nullopt;
  return static_cast<std::int64_t>(x);
}

// Optional fields read as 0 when absent, as fields past a short line's end do; present, they must
// read.
template <typename T, typename TRead>
bool ReadOptional(const TOmmValue& v, TRead read, T& value) noexcept {
  if (IsAbsent(v)) {
    value = T{};
    return true;
  }
  const auto read_value = read(v);
  if (!read_value) return false;
  value = *read_value;
  return true;
}

// Names come from one line in two-line files; a line break or tab inside an OMM name would
// otherwise reach the list and the labels.
std::string NameText(const TOmmValue& v) {
  if (v.kind != TOmmValue::TKind::vkText) return {};
  std::string text = v.text;
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return KeplerName(text);
}

bool IsLeapYear(int year) noexcept {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) noexcept {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `count` digits at s[i] into value and moves i past them.
bool FixedDigits(std::string_view s, std::size_t& i, std::size_t count, int& value) noexcept {
  if (s.size() - i < count) return false;
  value = 0;
  for (std::size_t k = 0; k < count; ++k, ++i) {
    if (!IsDigit(s[i])) return false;
    value = value * 10 + (s[i] - '0');
  }
  return true;
}

bool Expect(std::string_view s, std::size_t& i, char c) noexcept {
  if (i >= s.size() || s[i] != c) return false;
  ++i;
  return true;
}

// The same conversions the element lines go through, from the same units.
constexpr double kTwoPi = static_cast<double>(orbit::kTwoPi);

double RadiansPerMinute(double revolutionsPerDay) noexcept {
  return revolutionsPerDay * kTwoPi / orbit::kMinutesPerDay;
}

}  // namespace

std::optional<TOmmField> OmmFieldNamed(std::string_view name) noexcept {
  for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
    if (kFieldNames[i] == name) return static_cast<TOmmField>(i);
  }
  return std::nullopt;
}

std::string_view OmmFieldName(TOmmField field) noexcept {
  return kFieldNames[static_cast<std::size_t>(field)];
}

void TOmmFields::Clear() noexcept {
  for (TOmmValue& v : values_) {
    v.kind = TOmmValue::TKind::vkAbsent;
    v.text.clear();
  }
}

void TOmmFields::SetText(TOmmField field, std::string_view text) {
  TOmmValue& v = At(field);
  v.kind = TOmmValue::TKind::vkText;
  v.text.assign(text);
}

void TOmmFields::SetNumber(TOmmField field, double number) noexcept {
  TOmmValue& v = At(field);
  v.kind = TOmmValue::TKind::vkNumber;
  v.number = number;
  v.text.clear();
}

void TOmmFields::SetInvalid(TOmmField field) noexcept {
  TOmmValue& v = At(field);
  v.kind = TOmmValue::TKind::vkInvalid;
  v.text.clear();
}

std::optional<double> OmmEpochRaw(std::string_view s) noexcept {
  s = TrimBlanks(s);
  std::size_t i = 0;
  int year = 0;
  int dayOfYear = 0;
  if (!FixedDigits(s, i, 4, year) || !Expect(s, i, '-')) return std::nullopt;
  if (year < kFirstEpochYear || year > kLastEpochYear) return std::nullopt;
  // Calendar date or day of year: "-MM-DD" or "-DDD".
  if (s.size() - i >= 5 && s[i + 2] == '-') {
    int month = 0;
    int day = 0;
    if (!FixedDigits(s, i, 2, month) || !Expect(s, i, '-') || !FixedDigits(s, i, 2, day)) return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    dayOfYear = orbit::DayOfYear(static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month),
                                 static_cast<std::uint16_t>(day));
  } else {
    if (!FixedDigits(s, i, 3, dayOfYear)) return std::nullopt;
    if (dayOfYear < 1 || dayOfYear > (IsLeapYear(year) ? 366 : 365)) return std::nullopt;
  }
  if (i >= s.size() || (s[i] != 'T' && s[i] != 't' && s[i] != ' ')) return std::nullopt;
  ++i;
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (!FixedDigits(s, i, 2, hour) || !Expect(s, i, ':') || !FixedDigits(s, i, 2, minute) ||
      !Expect(s, i, ':') || !FixedDigits(s, i, 2, second)) {
    return std::nullopt;
  }
  // Leap seconds are refused with the rest: a day fraction of 1 or more has no place in the form.
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  long double fraction = 0.0L;
  if (i < s.size() && s[i] == '.') {
    const std::size_t start = ++i;
    long double scale = 1.0L;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
      // Digits past the nineteenth are below a double's resolution of a day.
      if (i - start < 19) {
        scale /= 10.0L;
        fraction += (s[i] - '0') * scale;
      }
    }
    if (i == start) return std::nullopt;
  }
  if (i < s.size() && (s[i] == 'Z' || s[i] == 'z')) ++i;
  if (i != s.size()) return std::nullopt;

  const long double secondOfDay = (hour * 60 + minute) * 60 + second + fraction;
  const long double days = (year % 100) * 1000 + dayOfYear + secondOfDay / orbit::kSecondsPerDay;
  return static_cast<double>(days);
}

std::optional<TOmmSet> OmmElementSet(const TOmmFields& f) {
  using enum TOmmField;
  // Mean elements of another theory (SGP4-XP, DSST, ...) put into SGP4 give wrong positions.
  const TOmmValue& theory = f.Get(ofMeanElementTheory);
  if (!IsAbsent(theory)) {
    if (theory.kind != TOmmValue::TKind::vkText) return std::nullopt;
    std::string name(TrimBlanks(theory.text));
    for (char& c : name) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (name != "SGP4") return std::nullopt;
  }

  const TOmmValue& epochText = f.Get(ofEpoch);
  if (epochText.kind != TOmmValue::TKind::vkText) return std::nullopt;
  const std::optional<double> epochRaw = OmmEpochRaw(epochText.text);
  const std::optional<std::int64_t> number = Count(f.Get(ofNoradCatId));
  const std::optional<double> meanMotion = Real(f.Get(ofMeanMotion));
  const std::optional<double> eccentricity = Real(f.Get(ofEccentricity));
  const std::optional<double> inclination = Real(f.Get(ofInclination));
  const std::optional<double> node = Real(f.Get(ofRaOfAscNode));
  const std::optional<double> perigee = Real(f.Get(ofArgOfPericenter));
  const std::optional<double> anomaly = Real(f.Get(ofMeanAnomaly));
  if (!epochRaw || !number || *number < 1 || *number > kMaxNoradNumber || !meanMotion || !eccentricity ||
      !inclination || !node || !perigee || !anomaly) {
    return std::nullopt;
  }
  double bStar = 0.0;
  double meanMotionDot = 0.0;
  double meanMotionDdot = 0.0;
  std::int64_t elementSet = 0;
  std::int64_t revolution = 0;
  std::int64_t ephemerisType = 0;
  if (!ReadOptional(f.Get(ofEphemerisType), Count, ephemerisType) ||
      !ReadOptional(f.Get(ofBStar), Real, bStar) ||
      !ReadOptional(f.Get(ofMeanMotionDot), Real, meanMotionDot) ||
      !ReadOptional(f.Get(ofMeanMotionDdot), Real, meanMotionDdot) ||
      !ReadOptional(f.Get(ofElementSetNo), Count, elementSet) ||
      !ReadOptional(f.Get(ofRevAtEpoch), Count, revolution)) {
    return std::nullopt;
  }

  TOmmSet set;
  orbit::TElementSet& e = set.elements;
  e.catalogueNumber = CatalogueNumberText(*number);
  // The lines carry three digits of the element set number.
  e.elementSetNumber = orbit::ElementSetNumberText(static_cast<int>(elementSet % 1000));
  e.epochRaw = *epochRaw;
  e.epochJD = orbit::JulianDateOfEpoch(e.epochRaw);
  // MEAN_MOTION_DOT and MEAN_MOTION_DDOT are the lines' fields: the derivatives already divided by 2
  // and by 6, in revolutions per day squared and cubed.
  e.meanMotionDot = meanMotionDot * kTwoPi / (orbit::kMinutesPerDay * orbit::kMinutesPerDay);
  e.meanMotionDdot = meanMotionDdot * kTwoPi / orbit::Cube(orbit::kMinutesPerDay);
  e.bStar = bStar / orbit::kAe;
  e.inclination = orbit::Radians(*inclination);
  e.rightAscension = orbit::Radians(*node);
  e.eccentricity = *eccentricity;
  e.argumentOfPerigee = orbit::Radians(*perigee);
  e.meanAnomaly = orbit::Radians(*anomaly);
  e.meanMotion = RadiansPerMinute(*meanMotion);
  e.revolutionAtEpoch = static_cast<double>(revolution);
  e.ephemerisType = static_cast<int>(ephemerisType);

  // A record without a name still shows: under its international designator, else its number.
  set.name = NameText(f.Get(ofObjectName));
  if (set.name.empty()) set.name = NameText(f.Get(ofObjectId));
  if (set.name.empty()) set.name = e.catalogueNumber;
  return set;
}

}  // namespace nimbrel::catalogue
