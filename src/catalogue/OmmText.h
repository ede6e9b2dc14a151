#pragma once
// Small text helpers shared by the OMM readers and the format detection; not for other modules.

#include <QString>
#include <QStringView>
#include <optional>
#include <string>
#include <string_view>

#include "OmmRecord.h"

namespace nimbrel::catalogue {

inline bool IsBlankByte(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline std::string_view TrimBlanks(std::string_view s) noexcept {
  while (!s.empty() && IsBlankByte(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankByte(s.back())) s.remove_suffix(1);
  return s;
}

// The text after a UTF-8 byte-order mark and leading blanks (spaces, tabs, line ends).
inline std::string_view SkipPreamble(std::string_view text) noexcept {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty() && IsBlankByte(text.front())) text.remove_prefix(1);
  return text;
}

// The field of an element or key name as the Qt parsers give it.
std::optional<TOmmField> OmmFieldNamed(QStringView name) noexcept;

// `text` as UTF-8 into `out`, without a temporary for the usual all-ASCII values.
void AssignUtf8(std::string& out, QStringView text);

// The parts of DetectCatalogueFormat that need a parser: a CSV header of OMM field names, and an XML
// document whose first element is "ndm" or "omm" (or that declares itself XML and breaks before its
// first element).
bool IsOmmCsvHeader(std::string_view text);
bool IsOmmXmlDocument(std::string_view text);

}  // namespace nimbrel::catalogue
