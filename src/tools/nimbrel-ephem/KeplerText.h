#pragma once
// A plain reader of Kepler text for the tool: name line, line 1, line 2, repeated. Sets whose lines
// are rejected are skipped.

#include <string_view>
#include <vector>

#include "orbit/Satellite.h"

namespace nimbrel::tools {

std::vector<orbit::TSatellite> ReadKeplerText(std::string_view text);

}  // namespace nimbrel::tools
