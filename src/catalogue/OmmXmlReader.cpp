// The XML form of OMM files (CCSDS NDM/XML): an "ndm" document holding "omm" elements, or one "omm".

#include <QByteArray>
#include <QXmlStreamReader>
#include <string>

#include "OmmReaders.h"
#include "OmmText.h"

namespace nimbrel::catalogue {

namespace {

// The Qt reader decodes from a QByteArray; this one borrows the text instead of copying it.
QByteArray Borrow(std::string_view text) {
  return QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsRecordElement(QStringView name) noexcept {
  return name == u"omm";
}

[[noreturn]] void ThrowBroken(const QXmlStreamReader& xml) {
  throw EOmmDocumentError("not well-formed XML: " + xml.errorString().toStdString() + " (line " +
                          std::to_string(xml.lineNumber()) + ", column " +
                          std::to_string(xml.columnNumber()) + ")");
}

}  // namespace

bool IsOmmXmlDocument(std::string_view text) {
  text = SkipPreamble(text);
  if (text.empty() || text.front() != '<') return false;
  QXmlStreamReader xml(Borrow(text));
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement)
      return xml.name() == u"ndm" || IsRecordElement(xml.name());
  }
  // Broken before its first element: a text that says it is XML is reported as broken XML.
  return text.substr(0, 5) == "<?xml";
}

void ReadOmmXml(std::string_view text, const TOmmRecordSink& onRecord) {
  QXmlStreamReader xml(Borrow(text));
  TOmmFields fields;
  std::string value;
  // Depth of the element being read, and of the open "omm" element (0: none).
  int depth = 0;
  int recordDepth = 0;
  while (!xml.atEnd()) {
    switch (xml.readNext()) {
      case QXmlStreamReader::StartElement: {
        ++depth;
        if (recordDepth == 0) {
          if (IsRecordElement(xml.name())) {
            recordDepth = depth;
            fields.Clear();
          }
          break;
        }
        const std::optional<TOmmField> field = OmmFieldNamed(xml.name());
        if (!field) break;
        // Reads through the element's end, so the depth goes back down here.
        const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
        --depth;
        if (xml.hasError()) break;
        AssignUtf8(value, text);
        fields.SetText(*field, value);
        break;
      }
      case QXmlStreamReader::EndElement:
        if (depth == recordDepth) {
          recordDepth = 0;
          onRecord(fields);
        }
        --depth;
        break;
      default:
        break;
    }
  }
  if (xml.hasError()) ThrowBroken(xml);
}

}  // namespace nimbrel::catalogue
