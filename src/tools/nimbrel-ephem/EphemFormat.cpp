#include "EphemFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>

#include "orbit/OrbitTime.h"

namespace nimbrel::tools {

namespace orbit = nimbrel::orbit;

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

namespace {

bool ReadFixed(std::string_view text, std::size_t pos, std::size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

std::optional<double> ParseUtc(std::string_view text) {
  if (!text.empty() && (text.back() == 'Z' || text.back() == 'z')) text.remove_suffix(1);
  orbit::TCalendarTime t;
  if (text.size() < 19 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') ||
      text[13] != ':' || text[16] != ':') {
    return std::nullopt;
  }
  if (!ReadFixed(text, 0, 4, t.year) || !ReadFixed(text, 5, 2, t.month) || !ReadFixed(text, 8, 2, t.day) ||
      !ReadFixed(text, 11, 2, t.hour) || !ReadFixed(text, 14, 2, t.minute) ||
      !ReadFixed(text, 17, 2, t.second)) {
    return std::nullopt;
  }
  double fraction = 0.0;
  if (text.size() > 19) {
    if (text[19] != '.' || text.size() == 20) return std::nullopt;
    double scale = 0.1;
    for (std::size_t i = 20; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      fraction += (text[i] - '0') * scale;
      scale /= 10.0;
    }
  }
  static constexpr int kDaysInMonth[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > kDaysInMonth[t.month - 1] ||
      t.hour > 23 || t.minute > 59 || t.second > 60) {
    return std::nullopt;
  }
  const bool leap = t.year % 4 == 0 && (t.year % 100 != 0 || t.year % 400 == 0);
  if (t.month == 2 && t.day == 29 && !leap) return std::nullopt;
  const double dt = orbit::EncodeDateTime(t) + fraction / 86400.0;
  return orbit::DateTimeToJulianDate(dt);
}

std::string FormatUtc(double julianDate) {
  try {
    const orbit::TCalendarTime t = orbit::DecodeDateTime(orbit::DateTimeFromJulianDate(julianDate));
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond);
    return buf;
  } catch (const std::exception&) {
    return {};
  }
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    items.emplace_back(
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return items;
}

std::optional<std::vector<double>> ParseRealList(std::string_view text) {
  std::vector<double> values;
  for (const std::string& item : SplitList(text)) {
    std::string_view s = item;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double v = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) {
      return std::nullopt;
    }
    values.push_back(v);
  }
  return values;
}

}  // namespace nimbrel::tools
