#pragma once
// The CSV rows of nimbrel-ephem --passes: one pass a row, a contract with users' scripts like the
// position rows.

#include <optional>
#include <string>
#include <string_view>

#include "orbit/Passes.h"

namespace nimbrel::tools {

inline constexpr std::string_view kPassHeader =
    "name,catnum,aos_utc,aos_az_deg,tca_utc,max_el_deg,tca_az_deg,los_utc,los_az_deg,duration_s,"
    "visual_start_utc,visual_end_utc,flags";

// The longest search --passes takes, in days: element sets say little about a satellite months from
// their epoch, and a catalogue searched over longer would keep the machine busy for hours.
inline constexpr double kMaxPassDays = 366.0;

// The value of --passes: a number of days above 0 and at most kMaxPassDays; nothing otherwise.
std::optional<double> ParsePassDays(std::string_view text);

// "in-progress", "cut" and "always-up", those that apply, joined by ";" in that order; empty for none.
std::string PassFlags(const orbit::TPass& pass);

// One row: the satellite's name and catalogue number, AOS, greatest elevation and LOS with their
// azimuths in degrees, the duration in seconds, the first visual span (empty fields when the pass is
// not visual) and the flags.
std::string PassRow(std::string_view name, std::string_view catalogueNumber, const orbit::TPass& pass);

}  // namespace nimbrel::tools
