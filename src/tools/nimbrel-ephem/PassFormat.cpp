#include "PassFormat.h"

#include <iterator>

#include "EphemFormat.h"
#include "orbit/OrbitMath.h"

namespace nimbrel::tools {

std::optional<double> ParsePassDays(std::string_view text) {
  const auto values = ParseRealList(text);
  if (!values || values->size() != 1) return std::nullopt;
  const double days = values->front();
  if (!(days > 0.0 && days <= kMaxPassDays)) return std::nullopt;
  return days;
}

std::string PassFlags(const orbit::TPass& pass) {
  std::string flags;
  const auto add = [&flags](bool set, const char* name) {
    if (!set) return;
    if (!flags.empty()) flags += ';';
    flags += name;
  };
  add(pass.inProgress, "in-progress");
  add(pass.cut, "cut");
  add(pass.alwaysUp, "always-up");
  return flags;
}

std::string PassRow(std::string_view name, std::string_view catalogueNumber, const orbit::TPass& pass) {
  std::string visualStart;
  std::string visualEnd;
  if (pass.Visual()) {
    visualStart = FormatUtc(pass.visualParts.front().startJD);
    visualEnd = FormatUtc(pass.visualParts.front().endJD);
  }
  const std::string fields[] = {CsvField(name),
                                CsvField(catalogueNumber),
                                FormatUtc(pass.aosJD),
                                FormatDegrees360(pass.aosAzimuth, 3),
                                FormatUtc(pass.tcaJD),
                                FormatFixed(orbit::Degrees(pass.maxElevation), 3),
                                FormatDegrees360(pass.tcaAzimuth, 3),
                                FormatUtc(pass.losJD),
                                FormatDegrees360(pass.losAzimuth, 3),
                                FormatFixed(pass.DurationSeconds(), 1),
                                visualStart,
                                visualEnd,
                                PassFlags(pass)};
  std::string row = fields[0];
  for (std::size_t i = 1; i < std::size(fields); ++i) row += ',' + fields[i];
  return row;
}

}  // namespace nimbrel::tools
