// The CSV form of OMM files: a header of field names, then one record per line.

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "OmmReaders.h"
#include "OmmText.h"

namespace nimbrel::catalogue {

namespace {

// Columns past this are counted but not kept: OMM has a few dozen fields, and a line of millions of
// commas must not cost a string each.
constexpr std::size_t kMaxColumns = 256;

class TCsvCursor {
 public:
  // The text ends at a NUL, as two-line files do.
  explicit TCsvCursor(std::string_view text) noexcept : text_(text.substr(0, NulPosition(text))) {}

  bool AtEnd() const noexcept { return position_ >= text_.size(); }

  // Reads one field; false when the record ends after it. `cell` points into the text or into
  // `scratch`. A quoted field keeps everything up to its closing quote, "" standing for one quote,
  // line ends included; characters between a closing quote and the next separator are kept too.
  bool NextField(std::string_view& cell, std::string& scratch) {
    if (position_ < text_.size() && text_[position_] == '"') return QuotedField(cell, scratch);
    const std::size_t end = FieldEnd(position_);
    cell = text_.substr(position_, end - position_);
    position_ = end;
    return Separator();
  }

  // Whether the record just read lost its closing quote; cleared by the call.
  bool TakeBroken() noexcept { return std::exchange(broken_, false); }

 private:
  static std::size_t NulPosition(std::string_view text) noexcept {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
  }

  std::size_t FieldEnd(std::size_t from) const noexcept {
    while (from < text_.size() && text_[from] != ',' && text_[from] != '\r' && text_[from] != '\n') ++from;
    return from;
  }

  bool QuotedField(std::string_view& cell, std::string& scratch) {
    std::size_t start = ++position_;
    bool copied = false;
    for (;;) {
      const std::size_t quote = text_.find('"', position_);
      if (quote == std::string_view::npos) {
        // Without its closing quote the field runs to the end of the text, and the record is lost.
        broken_ = true;
        position_ = text_.size();
        cell = {};
        return false;
      }
      if (quote + 1 < text_.size() && text_[quote + 1] == '"') {
        if (!copied) scratch.clear();
        copied = true;
        scratch.append(text_.substr(start, quote + 1 - start));
        start = position_ = quote + 2;
        continue;
      }
      const std::size_t end = FieldEnd(quote + 1);
      if (!copied && end == quote + 1) {
        cell = text_.substr(start, quote - start);
      } else {
        if (!copied) scratch.clear();
        scratch.append(text_.substr(start, quote - start));
        scratch.append(text_.substr(quote + 1, end - quote - 1));
        cell = scratch;
      }
      position_ = end;
      return Separator();
    }
  }

  bool Separator() noexcept {
    if (position_ >= text_.size()) return false;
    const char c = text_[position_++];
    if (c == ',') return true;
    if (c == '\r' && position_ < text_.size() && text_[position_] == '\n') ++position_;
    return false;
  }

  std::string_view text_;
  std::size_t position_ = 0;
  bool broken_ = false;
};

// The header's names, at most kMaxColumns of them, and how many fields it has.
struct THeader {
  std::vector<std::string> names;
  std::size_t columns = 0;
};

std::optional<THeader> ReadHeader(TCsvCursor& cursor) {
  if (cursor.AtEnd()) return std::nullopt;
  THeader header;
  std::string scratch;
  bool more = true;
  while (more) {
    std::string_view cell;
    more = cursor.NextField(cell, scratch);
    if (header.columns++ < kMaxColumns) header.names.emplace_back(TrimBlanks(cell));
  }
  if (cursor.TakeBroken()) return std::nullopt;
  return header;
}

bool IsFieldName(std::string_view name) noexcept {
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; });
}

}  // namespace

bool IsOmmCsvHeader(std::string_view text) {
  TCsvCursor cursor(SkipPreamble(text));
  const std::optional<THeader> header = ReadHeader(cursor);
  if (!header || header->columns > kMaxColumns) return false;
  int known = 0;
  for (const std::string& name : header->names) {
    if (!IsFieldName(name)) return false;
    if (OmmFieldNamed(std::string_view(name))) ++known;
  }
  // Three names the catalogue reads: no name line of a two-line file looks so.
  return known >= 3;
}

void ReadOmmCsv(std::string_view text, const TOmmRecordSink& onRecord) {
  TCsvCursor cursor(SkipPreamble(text));
  const std::optional<THeader> header = ReadHeader(cursor);
  if (!header) return;
  // Which field each column fills; a name met twice fills its field from its first column.
  std::vector<std::optional<TOmmField>> columnField;
  bool seen[kOmmFieldCount] = {};
  for (const std::string& name : header->names) {
    std::optional<TOmmField> field = OmmFieldNamed(std::string_view(name));
    if (field && std::exchange(seen[static_cast<std::size_t>(*field)], true)) field.reset();
    columnField.push_back(field);
  }

  TOmmFields fields;
  std::string scratch;
  while (!cursor.AtEnd()) {
    fields.Clear();
    std::size_t columns = 0;
    bool blank = true;
    bool more = true;
    while (more) {
      std::string_view cell;
      more = cursor.NextField(cell, scratch);
      if (!cell.empty()) blank = false;
      if (columns < columnField.size() && columnField[columns]) fields.SetText(*columnField[columns], cell);
      ++columns;
    }
    const bool broken = cursor.TakeBroken();
    if (broken || (blank && columns == 1) || columns != header->columns) continue;
    onRecord(fields);
  }
}

}  // namespace nimbrel::catalogue
