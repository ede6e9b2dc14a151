#pragma once
// The text forms of nimbrel-ephem's CSV: quoting, UTC times, number lists. Kept apart from main() so
// the contract users' scripts rely on is tested directly.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel::tools {

// A CSV field as RFC 4180 has it: quoted, with quotes doubled, when it holds a comma, quote, CR or LF.
std::string CsvField(std::string_view text);

// "YYYY-MM-DDTHH:MM:SS" with optional ".fff" and an optional trailing "Z", read as UTC.
// Returns the Julian date, or nothing when the text is not such a time.
std::optional<double> ParseUtc(std::string_view text);

// ISO 8601 UTC with milliseconds and "Z": 2006-01-03T19:56:11.476Z. Empty for an unrepresentable date.
std::string FormatUtc(double julianDate);

// A comma-separated list of reals ("-1440,0,1440"); nothing when any item does not read completely.
std::optional<std::vector<double>> ParseRealList(std::string_view text);
// A comma-separated list of strings.
std::vector<std::string> SplitList(std::string_view text);

}  // namespace nimbrel::tools
