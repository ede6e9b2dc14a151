#include "catalogue/KeplerContent.h"

#include <QByteArray>
#include <QXmlStreamReader>
#include <cstddef>

#include "OmmReaders.h"
#include "OmmText.h"

namespace nimbrel::catalogue {

namespace {

// The full length of an element line: 68 columns of data and the checksum.
constexpr std::size_t kElementLineLength = 69;

bool EndsWithLineEnd(std::string_view text) noexcept {
  return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// The last line of `text` that holds more than blanks, without its line end; `text` is cut before it.
std::string_view PopLastLine(std::string_view& text) noexcept {
  while (!text.empty()) {
    const std::size_t start = text.find_last_of("\r\n");
    const std::string_view line = start == std::string_view::npos ? text : text.substr(start + 1);
    text = start == std::string_view::npos ? std::string_view() : text.substr(0, start);
    if (!TrimBlanks(line).empty()) return line;
  }
  return {};
}

// Column 69 is the sum of the digits of columns 1-68, a minus sign counting 1, modulo 10.
bool WholeElementLine(std::string_view line, char number) noexcept {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  if (line.size() != kElementLineLength || line[0] != number || line[1] != ' ') return false;
  int sum = 0;
  for (std::size_t i = 0; i + 1 < kElementLineLength; ++i) {
    if (line[i] >= '0' && line[i] <= '9') sum += line[i] - '0';
    if (line[i] == '-') ++sum;
  }
  return line.back() == static_cast<char>('0' + sum % 10);
}

bool TwoLineEndsWhole(std::string_view text) noexcept {
  if (!EndsWithLineEnd(text)) return false;
  const std::string_view line2 = PopLastLine(text);
  const std::string_view line1 = PopLastLine(text);
  return WholeElementLine(line1, '1') && WholeElementLine(line2, '2');
}

// Counts the fields of the header and of the last record that holds more than blanks, following
// the quotes: a line end inside quotes belongs to the field.
bool CsvEndsWhole(std::string_view text) noexcept {
  if (!EndsWithLineEnd(text)) return false;
  long headerFields = -1;
  long lastFields = -1;
  long fields = 1;
  bool quoted = false;
  bool blankLine = true;
  for (const char c : text) {
    if (c == '\0') break;  // where the readers stop
    if (c == '"') {
      quoted = !quoted;  // a doubled quote inside a field toggles twice
      blankLine = false;
    } else if (quoted) {
      continue;
    } else if (c == ',') {
      ++fields;
      blankLine = false;
    } else if (c == '\n' || c == '\r') {
      if (!blankLine) {
        if (headerFields < 0) headerFields = fields;
        lastFields = fields;
      }
      fields = 1;
      blankLine = true;
    } else if (!IsBlankByte(c)) {
      blankLine = false;
    }
  }
  return !quoted && headerFields >= 0 && lastFields == headerFields;
}

bool XmlEndsWhole(std::string_view text) {
  QXmlStreamReader reader(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())));
  while (!reader.atEnd()) reader.readNext();
  return reader.error() != QXmlStreamReader::PrematureEndOfDocumentError;
}

}  // namespace

const char* KeplerFileExtension(std::string_view text) {
  switch (DetectCatalogueFormat(text)) {
    case TCatalogueFormat::cfOmmCsv:
      return ".csv";
    case TCatalogueFormat::cfOmmXml:
      return ".xml";
    case TCatalogueFormat::cfOmmJson:
      return ".json";
    case TCatalogueFormat::cfTwoLine:
      break;
  }
  return ".tle";
}

bool EndsWhole(std::string_view text) {
  if (TrimBlanks(text).empty()) return true;
  switch (DetectCatalogueFormat(text)) {
    case TCatalogueFormat::cfOmmCsv:
      return CsvEndsWhole(text);
    case TCatalogueFormat::cfOmmXml:
      return XmlEndsWhole(text);
    case TCatalogueFormat::cfOmmJson:
      return TrimBlanks(text).back() == ']';
    case TCatalogueFormat::cfTwoLine:
      break;
  }
  return TwoLineEndsWhole(text);
}

}  // namespace nimbrel::catalogue
