#pragma once
// Telling the forms of a catalogue file apart, and reading the three forms of OMM files into records.

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "OmmRecord.h"

namespace nimbrel::catalogue {

enum class TCatalogueFormat { cfTwoLine, cfOmmCsv, cfOmmXml, cfOmmJson };

// The form of a catalogue file, from its content alone (after a UTF-8 byte-order mark and blank lines):
// - cfOmmXml: an XML document whose first element is "ndm" or "omm"; also a text that declares itself
//   XML ("<?xml") but breaks before its first element, so that the damage is reported;
// - cfOmmJson: "[" followed by "{" or "]": an array of objects, as OMM JSON is; no name line of a
//   two-line file starts so;
// - cfOmmCsv: a first line of at least three comma-separated OMM field names (upper-case letters,
//   digits and "_", three of them fields the catalogue reads), in any order;
// - cfTwoLine: everything else, read exactly as two-line files always were.
TCatalogueFormat DetectCatalogueFormat(std::string_view text);

// A file that is broken as a whole: XML that is not well-formed, JSON that does not parse.
class EOmmDocumentError : public std::runtime_error {
 public:
  explicit EOmmDocumentError(const std::string& reason) : std::runtime_error(reason) {}
};

// Called once per record, in file order; the fields are valid only during the call.
using TOmmRecordSink = std::function<void(const TOmmFields&)>;

// RFC 4180 CSV: a header line of field names in any order, then one record per line; fields may be
// quoted, with doubled quotes inside and line breaks inside quotes; CR LF or LF. A record with
// another number of fields than the header is passed over, as are blank lines. A NUL ends the text,
// as it does in two-line files. Never throws EOmmDocumentError: there is no whole to break.
void ReadOmmCsv(std::string_view text, const TOmmRecordSink& onRecord);

// One record per "omm" element, whether the document is one "omm" or an "ndm" holding several; the
// fields are the elements of those names anywhere inside it. Throws EOmmDocumentError with the
// parser's message, line and column when the document is not well-formed; records before the damage
// have been passed on by then.
void ReadOmmXml(std::string_view text, const TOmmRecordSink& onRecord);

// A top-level array, one record per object; values may be numbers or strings. Elements that are no
// objects are passed over. Throws EOmmDocumentError with the parser's message, line and column when
// the text is no JSON array; then no record has been passed on.
void ReadOmmJson(std::string_view text, const TOmmRecordSink& onRecord);

}  // namespace nimbrel::catalogue
