#pragma once
// The text forms of nimbrel-ephem's CSV: quoting, UTC times, number lists. Kept apart from main() so
// the contract users' scripts rely on is tested directly.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "orbit/Satellite.h"

namespace nimbrel::tools {

// A CSV field as RFC 4180 has it: quoted, with quotes doubled, when it holds a comma, quote, CR or LF.
std::string CsvField(std::string_view text);

// "YYYY-MM-DDTHH:MM:SS" with optional ".fff" and an optional trailing "Z", read as UTC.
// Returns the Julian date, or nothing when the text is not such a time.
std::optional<double> ParseUtc(std::string_view text);

// ISO 8601 UTC with milliseconds and "Z": 2006-01-03T19:56:11.476Z. Empty for an unrepresentable date.
std::string FormatUtc(double julianDate);
// The same appended to `out`; false, with nothing appended, for an unrepresentable date.
bool AppendUtc(std::string& out, double julianDate);

// A comma-separated list of reals ("-1440,0,1440"); nothing when any item does not read completely.
std::optional<std::vector<double>> ParseRealList(std::string_view text);
// A comma-separated list of strings.
std::vector<std::string> SplitList(std::string_view text);

// A real with a fixed number of decimals (0 to kMaxDecimals), every digit of it however large; a value
// that prints as zero never carries a minus sign.
inline constexpr int kMaxDecimals = 17;
std::string FormatFixed(double value, int decimals);
void AppendFixed(std::string& out, double value, int decimals);
// An angle in radians as degrees in [0, 360) at the given number of decimals: a value that would round
// up to 360 prints as 0.
std::string FormatDegrees360(double radians, int decimals);
void AppendDegrees360(std::string& out, double radians, int decimals);

// The place given to --observer: "LAT,LON,ALT_KM", degrees north, degrees east, km above the
// ellipsoid. Nothing unless the text is three finite numbers with the latitude in [-90, 90] and the
// altitude in [kLowestObserverKm, kHighestObserverKm]: from the shore of the Dead Sea to well beyond
// the Moon, where an observer of satellites can be.
inline constexpr double kLowestObserverKm = -1.0;
inline constexpr double kHighestObserverKm = 1.0e6;
std::optional<orbit::GeodeticPoint> ParseObserver(std::string_view text);

// The header of the satellite rows: name,catnum,tsince_min,utc, the state in km and km/s, the
// sub-satellite point lat_deg,lon_deg,alt_km, with an observer az_deg,el_deg,range_km,range_rate_kms,
// visible, then epoch_age_days, and always status last.
std::string SatelliteHeader(bool withObserver);
// One satellite row at a Julian date. A satellite that cannot be propagated gets empty fields and the
// plain reason in status ("decayed"); otherwise status is "ok". `visible` is 1 when Observe finds the
// refracted elevation above 0, else 0. epoch_age_days (days from the set's epoch to the row's time,
// signed) is filled whenever the satellite has a set.
std::string SatelliteRow(orbit::TSatellite& satellite, double jd,
                         const std::optional<orbit::GeodeticPoint>& observer);
// The same row appended to `out`, without its line end.
void AppendSatelliteRow(std::string& out, orbit::TSatellite& satellite, double jd,
                        const std::optional<orbit::GeodeticPoint>& observer);

enum class TBody { bdSun, bdMoon };
// The header of --sun and --moon rows; lat_deg and lon_deg are the geodetic point below the body.
inline constexpr std::string_view kBodyHeader = "body,utc,x_km,y_km,z_km,distance_km,lat_deg,lon_deg";
// One row for the Sun ("sun") or the Moon ("moon") at a Julian date (UTC); nothing for a date the
// calendar cannot hold.
std::optional<std::string> BodyRow(TBody body, double jd);

}  // namespace nimbrel::tools
