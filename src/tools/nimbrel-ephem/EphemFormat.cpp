#include "EphemFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
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

std::string FormatFixed(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string text = buf;
  if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
    text.erase(0, 1);
  return text;
}

std::string FormatDegrees360(double radians, int decimals) {
  double degrees = orbit::Modulus(orbit::Degrees(radians), 360.0);
  if (std::round(degrees * std::pow(10.0, decimals)) >= 360.0 * std::pow(10.0, decimals)) degrees = 0.0;
  return FormatFixed(degrees, decimals);
}

std::optional<orbit::GeodeticPoint> ParseObserver(std::string_view text) {
  const auto values = ParseRealList(text);
  if (!values || values->size() != 3) return std::nullopt;
  const double lat = (*values)[0];
  if (lat < -90.0 || lat > 90.0) return std::nullopt;
  orbit::GeodeticPoint place;
  place.latitude = orbit::Radians(lat);
  place.longitude = orbit::Radians(orbit::Modulus((*values)[1], 360.0));
  place.altitude = (*values)[2];
  return place;
}

std::string SatelliteHeader(bool withObserver) {
  std::string header =
      "name,catnum,tsince_min,utc,x_km,y_km,z_km,vx_kms,vy_kms,vz_kms,lat_deg,lon_deg,alt_km";
  if (withObserver) header += ",az_deg,el_deg,range_km,range_rate_kms,visible";
  return header + ",epoch_age_days,status";
}

std::string SatelliteRow(orbit::TSatellite& satellite, double jd,
                         const std::optional<orbit::GeodeticPoint>& observer) {
  std::vector<std::string> fields = {CsvField(satellite.Name()), CsvField(satellite.CatalogueNumber()),
                                     FormatFixed((jd - satellite.EpochJD()) * orbit::kMinutesPerDay, 6),
                                     FormatUtc(jd)};
  const std::size_t columns = fields.size() + 9 + (observer ? 5 : 0);
  std::string status = "ok";
  orbit::Vector4 pos;
  orbit::Vector4 vel;
  const orbit::TPropagateResult propagated = satellite.TryPropagate(jd, pos, vel);
  if (!propagated) {
    status = propagated.reason;
  } else {
    orbit::ConvertSatState(pos, vel);
    for (double v : {pos.x, pos.y, pos.z}) fields.push_back(FormatFixed(v, 6));
    for (double v : {vel.x, vel.y, vel.z}) fields.push_back(FormatFixed(v, 9));
    const std::optional<orbit::GeodeticPoint> sub = orbit::CalculateLatLonAlt(pos, jd);
    if (!sub) {
      status = "no geodetic point for this position";
    } else {
      fields.push_back(FormatFixed(orbit::Degrees(sub->latitude), 6));
      fields.push_back(FormatDegrees360(sub->longitude, 6));
      fields.push_back(FormatFixed(sub->altitude, 6));
      if (observer) {
        try {
          orbit::TObservation look;
          const bool visible = satellite.Observe(*observer, jd, 0.0, look);
          fields.push_back(FormatDegrees360(look.azimuth, 6));
          fields.push_back(FormatFixed(orbit::Degrees(look.elevation), 6));
          fields.push_back(FormatFixed(look.range, 6));
          fields.push_back(FormatFixed(look.rangeRate, 9));
          fields.push_back(visible ? "1" : "0");
        } catch (const orbit::EPropagationError& e) {
          status = e.Reason();
        } catch (const std::exception&) {
          status = "no look angles from this observer";
        }
      }
    }
  }
  fields.resize(columns);
  // The set's age belongs to every row that has a set, failed or not: an old set explains a failure.
  fields.push_back(satellite.HasElements() ? FormatFixed(satellite.EpochAgeDays(jd), 6) : std::string());
  fields.push_back(CsvField(status));
  std::string row;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) row += ',';
    row += fields[i];
  }
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
