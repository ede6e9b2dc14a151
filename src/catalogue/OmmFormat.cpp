// Which form a catalogue file has, from its content.

#include "OmmReaders.h"
#include "OmmText.h"

namespace nimbrel::catalogue {

TCatalogueFormat DetectCatalogueFormat(std::string_view text) {
  const std::string_view start = SkipPreamble(text);
  if (start.empty()) return TCatalogueFormat::cfTwoLine;
  if (start.front() == '<')
    return IsOmmXmlDocument(text) ? TCatalogueFormat::cfOmmXml : TCatalogueFormat::cfTwoLine;
  if (start.front() == '[') {
    const std::string_view inner = SkipPreamble(start.substr(1));
    if (!inner.empty() && (inner.front() == '{' || inner.front() == ']')) return TCatalogueFormat::cfOmmJson;
    return TCatalogueFormat::cfTwoLine;
  }
  return IsOmmCsvHeader(text) ? TCatalogueFormat::cfOmmCsv : TCatalogueFormat::cfTwoLine;
}

}  // namespace nimbrel::catalogue
