// The JSON form of OMM files: an array of objects keyed by the OMM field names.

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLatin1StringView>
#include <algorithm>
#include <string>

#include "OmmReaders.h"
#include "OmmText.h"

namespace nimbrel::catalogue {

namespace {

// Line and column, from 1, of a byte offset.
std::string Position(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::string_view before = text.substr(0, offset);
  const std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  const std::size_t lineStart = before.rfind('\n');
  const std::size_t column = offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

void ReadValue(TOmmFields& fields, TOmmField field, const QJsonValue& value, std::string& buffer) {
  switch (value.type()) {
    case QJsonValue::String:
      AssignUtf8(buffer, value.toString());
      fields.SetText(field, buffer);
      break;
    case QJsonValue::Double:
      fields.SetNumber(field, value.toDouble());
      break;
    case QJsonValue::Null:
    case QJsonValue::Undefined:
      break;
    default:
      fields.SetInvalid(field);
      break;
  }
}

}  // namespace

void ReadOmmJson(std::string_view text, const TOmmRecordSink& onRecord) {
  // Qt's parser takes no byte-order mark; the offsets it reports count from after it.
  const std::size_t skipped = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  const std::string_view json = text.substr(skipped);
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(
      QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())), &error);
  if (error.error != QJsonParseError::NoError) {
    throw EOmmDocumentError("not valid JSON: " + error.errorString().toStdString() + " (" +
                            Position(text, skipped + static_cast<std::size_t>(std::max(0, error.offset))) +
                            ")");
  }
  if (!document.isArray()) throw EOmmDocumentError("not an OMM JSON file: the document is not an array");

  // Keys to look up, made once rather than per record.
  QLatin1StringView keys[kOmmFieldCount];
  for (std::size_t i = 0; i < kOmmFieldCount; ++i) {
    const std::string_view name = OmmFieldName(static_cast<TOmmField>(i));
    keys[i] = QLatin1StringView(name.data(), static_cast<qsizetype>(name.size()));
  }
  const QJsonArray records = document.array();
  TOmmFields fields;
  std::string buffer;
  for (qsizetype r = 0; r < records.size(); ++r) {
    const QJsonValue record = records.at(r);
    if (!record.isObject()) continue;
    const QJsonObject object = record.toObject();
    fields.Clear();
    for (std::size_t i = 0; i < kOmmFieldCount; ++i) {
      const auto found = object.constFind(keys[i]);
      if (found != object.constEnd()) ReadValue(fields, static_cast<TOmmField>(i), found.value(), buffer);
    }
    onRecord(fields);
  }
}

}  // namespace nimbrel::catalogue
