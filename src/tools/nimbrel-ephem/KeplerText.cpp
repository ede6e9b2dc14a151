#include "KeplerText.h"

#include <string>

namespace nimbrel::tools {

namespace {

std::string Trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return std::string(s.substr(first, last - first + 1));
}

}  // namespace

std::vector<orbit::TSatellite> ReadKeplerText(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line = Trimmed(text.substr(start, end - start));
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  std::vector<orbit::TSatellite> satellites;
  std::size_t i = 0;
  while (i + 2 < lines.size()) {
    const std::string& name = lines[i];
    const std::string& l1 = lines[i + 1];
    const std::string& l2 = lines[i + 2];
    if (l1.size() > 1 && l1[0] == '1' && l2.size() > 1 && l2[0] == '2') {
      try {
        satellites.push_back(orbit::TSatellite::Create(name, l1, l2));
      } catch (const orbit::EOrbitError&) {
      }
      i += 3;
    } else {
      ++i;
    }
  }
  return satellites;
}

}  // namespace nimbrel::tools
