#include "EphemFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "orbit/SunMoon.h"

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

namespace {

// `value` as at least `width` digits, zero-padded; a negative value keeps its sign in front.
void AppendDigits(std::string& out, int value, int width) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value < 0 ? -static_cast<long>(value) : value);
  if (value < 0) out += '-';
  const auto digits = static_cast<int>(r.ptr - buf);
  if (digits < width) out.append(static_cast<std::size_t>(width - digits), '0');
  out.append(buf, r.ptr);
}

}  // namespace

std::string FormatUtc(double julianDate) {
  std::string out;
  AppendUtc(out, julianDate);
  return out;
}

bool AppendUtc(std::string& out, double julianDate) {
  orbit::TCalendarTime t;
  try {
    t = orbit::DecodeDateTime(orbit::DateTimeFromJulianDate(julianDate));
  } catch (const std::exception&) {
    return false;
  }
  AppendDigits(out, t.year, 4);
  out += '-';
  AppendDigits(out, t.month, 2);
  out += '-';
  AppendDigits(out, t.day, 2);
  out += 'T';
  AppendDigits(out, t.hour, 2);
  out += ':';
  AppendDigits(out, t.minute, 2);
  out += ':';
  AppendDigits(out, t.second, 2);
  out += '.';
  AppendDigits(out, t.millisecond, 3);
  out += 'Z';
  return true;
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

void AppendFixed(std::string& out, double value, int decimals) {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  // The largest double has 309 digits before the point: every finite value fits, never cut short.
  char buf[1 + 309 + 1 + kMaxDecimals];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string_view text(buf, r.ec == std::errc() ? static_cast<std::size_t>(r.ptr - buf) : 0);
  if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("-0.") == std::string_view::npos)
    text.remove_prefix(1);
  out += text;
}

std::string FormatFixed(double value, int decimals) {
  std::string out;
  AppendFixed(out, value, decimals);
  return out;
}

void AppendDegrees360(std::string& out, double radians, int decimals) {
  double degrees = orbit::Modulus(orbit::Degrees(radians), 360.0);
  if (std::round(degrees * std::pow(10.0, decimals)) >= 360.0 * std::pow(10.0, decimals)) degrees = 0.0;
  AppendFixed(out, degrees, decimals);
}

std::string FormatDegrees360(double radians, int decimals) {
  std::string out;
  AppendDegrees360(out, radians, decimals);
  return out;
}

std::optional<orbit::GeodeticPoint> ParseObserver(std::string_view text) {
  const auto values = ParseRealList(text);
  if (!values || values->size() != 3) return std::nullopt;
  const double lat = (*values)[0];
  const double alt = (*values)[2];
  if (lat < -90.0 || lat > 90.0 || alt < kLowestObserverKm || alt > kHighestObserverKm) return std::nullopt;
  orbit::GeodeticPoint place;
  place.latitude = orbit::Radians(lat);
  place.longitude = orbit::Radians(orbit::Modulus((*values)[1], 360.0));
  place.altitude = alt;
  return place;
}

std::string SatelliteHeader(bool withObserver) {
  std::string header =
      "name,catnum,tsince_min,utc,x_km,y_km,z_km,vx_kms,vy_kms,vz_kms,lat_deg,lon_deg,alt_km";
  if (withObserver) header += ",az_deg,el_deg,range_km,range_rate_kms,visible";
  return header + ",epoch_age_days,status";
}

namespace {

void AppendCsvField(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
  } else {
    out += CsvField(text);
  }
}

}  // namespace

void AppendSatelliteRow(std::string& out, orbit::TSatellite& satellite, double jd,
                        const std::optional<orbit::GeodeticPoint>& observer) {
  AppendCsvField(out, satellite.Name());
  out += ',';
  AppendCsvField(out, satellite.CatalogueNumber());
  out += ',';
  // From the epoch of the set used at `jd`: an object with several supplemental sets has one per piece.
  AppendFixed(out, satellite.EpochAgeDays(jd) * orbit::kMinutesPerDay, 6);
  out += ',';
  AppendUtc(out, jd);
  const int fields = 9 + (observer ? 5 : 0);
  int filled = 0;
  std::string status = "ok";
  const auto field = [&](auto append) {
    out += ',';
    append();
    ++filled;
  };
  orbit::Vector4 pos;
  orbit::Vector4 vel;
  const orbit::TPropagateResult propagated = satellite.TryPropagate(jd, pos, vel);
  if (!propagated) {
    status = propagated.reason;
  } else {
    orbit::ConvertSatState(pos, vel);
    const std::optional<orbit::GeodeticPoint> sub = orbit::CalculateLatLonAlt(pos, jd);
    if (!sub) {
      status = "no geodetic point for this position";
    } else {
      std::optional<orbit::TObservation> look;
      bool visible = false;
      if (observer) {
        try {
          look.emplace();
          visible = satellite.Observe(*observer, jd, 0.0, *look);
        } catch (const orbit::EPropagationError& e) {
          look.reset();
          status = e.Reason();
        } catch (const std::exception&) {
          look.reset();
          status = "no look angles from this observer";
        }
      }
      for (double v : {pos.x, pos.y, pos.z}) field([&] { AppendFixed(out, v, 6); });
      for (double v : {vel.x, vel.y, vel.z}) field([&] { AppendFixed(out, v, 9); });
      field([&] { AppendFixed(out, orbit::Degrees(sub->latitude), 6); });
      field([&] { AppendDegrees360(out, sub->longitude, 6); });
      field([&] { AppendFixed(out, sub->altitude, 6); });
      if (look) {
        field([&] { AppendDegrees360(out, look->azimuth, 6); });
        field([&] { AppendFixed(out, orbit::Degrees(look->elevation), 6); });
        field([&] { AppendFixed(out, look->range, 6); });
        field([&] { AppendFixed(out, look->rangeRate, 9); });
        field([&] { out += visible ? '1' : '0'; });
      }
    }
  }
  out.append(static_cast<std::size_t>(fields - filled), ',');
  // The set's age belongs to every row that has a set, failed or not: an old set explains a failure.
  out += ',';
  if (satellite.HasElements()) AppendFixed(out, satellite.EpochAgeDays(jd), 6);
  out += ',';
  AppendCsvField(out, status);
}

std::string SatelliteRow(orbit::TSatellite& satellite, double jd,
                         const std::optional<orbit::GeodeticPoint>& observer) {
  std::string row;
  AppendSatelliteRow(row, satellite, jd, observer);
  return row;
}

std::optional<std::string> BodyRow(TBody body, double jd) {
  orbit::Vector4 position;
  orbit::GeodeticPoint below;
  if (body == TBody::bdSun) {
    position = orbit::SolarPosition(jd);
    const auto sub = orbit::CalculateLatLonAlt(position, jd);
    if (!sub) return std::nullopt;
    below = *sub;
  } else {
    const auto moon = orbit::MoonPosition(orbit::DateTimeFromJulianDate(jd));
    if (!moon) return std::nullopt;
    position = moon->position;
    below = moon->subLunar;
  }
  const std::string utc = FormatUtc(jd);
  if (utc.empty()) return std::nullopt;
  return std::string(body == TBody::bdSun ? "sun" : "moon") + "," + utc + "," + FormatFixed(position.x, 3) +
         "," + FormatFixed(position.y, 3) + "," + FormatFixed(position.z, 3) + "," +
         FormatFixed(position.magnitude, 3) + "," + FormatFixed(orbit::Degrees(below.latitude), 6) + "," +
         FormatDegrees360(below.longitude, 6);
}

}  // namespace nimbrel::tools
