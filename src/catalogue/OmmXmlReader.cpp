// The XML form of OMM files (CCSDS NDM/XML): an "ndm" document holding "omm" elements, or one "omm".
// pugixml reads the document: Qt's streaming reader takes the better part of a second for the
// 30,000 records of a full public catalogue. The format detection still uses Qt's reader, which can
// stop at the first element.

#include <QByteArray>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>
#include <pugixml.hpp>
#include <string>

#include "OmmReaders.h"
#include "OmmText.h"

namespace nimbrel::catalogue {

namespace {

// The name without a namespace prefix.
std::string_view LocalName(const pugi::xml_node& node) noexcept {
  const std::string_view name = node.name();
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool IsRecordElement(std::string_view name) noexcept {
  return name == "omm";
}

// The next node in document order after `node`'s subtree (or after `node` itself, with `descend`),
// never leaving `top`. Walking by hand keeps deeply nested input off the call stack.
pugi::xml_node Next(pugi::xml_node node, const pugi::xml_node& top, bool descend) {
  if (descend && node.first_child()) return node.first_child();
  while (node && node != top) {
    if (node.next_sibling()) return node.next_sibling();
    node = node.parent();
  }
  return {};
}

// The element's own text: its character data and CDATA sections, not those of elements inside it.
void TextOf(const pugi::xml_node& element, std::string& text) {
  text.clear();
  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) text += child.value();
  }
}

void ReadRecord(const pugi::xml_node& record, TOmmFields& fields, std::string& text) {
  fields.Clear();
  for (pugi::xml_node node = Next(record, record, true); node;) {
    const std::optional<TOmmField> field =
        node.type() == pugi::node_element ? OmmFieldNamed(LocalName(node)) : std::nullopt;
    if (field) {
      TextOf(node, text);
      fields.SetText(*field, text);
    }
    node = Next(node, record, !field);
  }
}

std::string Position(std::string_view text, std::ptrdiff_t offset) {
  const std::size_t at = std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(offset, 0)), text.size());
  const std::string_view before = text.substr(0, at);
  const std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  const std::size_t lineStart = before.rfind('\n');
  const std::size_t column = at - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

bool IsOmmXmlDocument(std::string_view text) {
  text = SkipPreamble(text);
  if (text.empty() || text.front() != '<') return false;
  // Fed in pieces, so that the reader stops within the first piece rather than decoding a large
  // file to find the first element.
  constexpr std::size_t kPiece = 4096;
  QXmlStreamReader xml;
  std::size_t fed = 0;
  while (true) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::StartElement) return xml.name() == u"ndm" || xml.name() == u"omm";
    if (token != QXmlStreamReader::Invalid) continue;
    if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || fed >= text.size()) break;
    const std::size_t size = std::min(kPiece, text.size() - fed);
    xml.addData(QByteArray(text.data() + fed, static_cast<qsizetype>(size)));
    fed += size;
  }
  // Broken before its first element: a text that says it is XML is reported as broken XML.
  return text.substr(0, 5) == "<?xml";
}

void ReadOmmXml(std::string_view text, const TOmmRecordSink& onRecord) {
  pugi::xml_document document;
  const pugi::xml_parse_result result =
      document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
  if (!result) {
    throw EOmmDocumentError(std::string("not well-formed XML: ") + result.description() + " (" +
                            Position(text, result.offset) + ")");
  }
  // pugixml lets a second root element pass; a well-formed document has one.
  int roots = 0;
  for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
    if (node.type() == pugi::node_element && ++roots > 1) {
      throw EOmmDocumentError("not well-formed XML: a second root element (" +
                              Position(text, node.offset_debug()) + ")");
    }
  }
  TOmmFields fields;
  std::string value;
  for (pugi::xml_node node = document.first_child(); node;) {
    const bool record = node.type() == pugi::node_element && IsRecordElement(LocalName(node));
    if (record) {
      ReadRecord(node, fields, value);
      onRecord(fields);
    }
    node = Next(node, document, !record);
  }
}

}  // namespace nimbrel::catalogue
