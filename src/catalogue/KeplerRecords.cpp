#include "KeplerRecords.h"

#include <algorithm>
#include <cstring>

namespace nimbrel::catalogue {

namespace {

bool IsSpaceOrControl(char c) noexcept {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F;
}

bool IsContinuationByte(char c) noexcept {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// How many bytes a UTF-8 sequence starting with this byte claims; 0 for a byte that cannot start one.
std::size_t SequenceLength(char c) noexcept {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x80) return 1;
  if ((byte & 0xE0) == 0xC0) return 2;
  if ((byte & 0xF0) == 0xE0) return 3;
  if ((byte & 0xF8) == 0xF0) return 4;
  return 0;
}

// Where to cut `text` so that it keeps at most `limit` bytes without splitting a UTF-8 sequence. Text
// that is not UTF-8 (Latin-1 names) is cut at the limit.
std::size_t CutPosition(std::string_view text, std::size_t limit) noexcept {
  if (text.size() <= limit || !IsContinuationByte(text[limit])) return limit;
  std::size_t start = limit;
  while (start > 0 && limit - start < 3 && IsContinuationByte(text[start])) --start;
  const std::size_t length = SequenceLength(text[start]);
  return length > 1 && start + length > limit ? start : limit;
}

struct TRename {
  std::string_view from;
  std::string_view to;
};

// Launch names that old element files still carry.
constexpr TRename kRenames[] = {{"NOAA-L", "NOAA 16"}, {"NOAA-M", "NOAA 17"}, {"NOAA-N", "NOAA 18"}};

class TLineCursor {
 public:
  explicit TLineCursor(std::string_view text) noexcept
      : text_(text.substr(0, std::min(text.size(), Length(text)))) {}

  bool AtEnd() const noexcept { return position_ >= text_.size(); }

  // The next line without its line end; only called when !AtEnd(). A line end at the very end of the
  // text closes the last line and opens no empty one.
  std::string_view Next() noexcept {
    const std::size_t start = position_;
    std::size_t end = start;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
    position_ = end + 1;
    if (end < text_.size() && text_[end] == '\r' && position_ < text_.size() && text_[position_] == '\n') {
      ++position_;
    }
    return text_.substr(start, end - start);
  }

 private:
  static std::size_t Length(std::string_view text) noexcept {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
  }

  std::string_view text_;
  std::size_t position_ = 0;
};

}  // namespace

std::string_view TrimKepler(std::string_view text) noexcept {
  while (!text.empty() && IsSpaceOrControl(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpaceOrControl(text.back())) text.remove_suffix(1);
  return text;
}

std::string KeplerName(std::string_view nameLine) {
  const std::string_view line = TrimKepler(nameLine);
  std::string name(TrimKepler(line.substr(0, CutPosition(line, kMaxNameLength))));
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const TRename& rename : kRenames) {
    if (name == rename.from) return std::string(rename.to);
  }
  return name;
}

bool ElementLinesMatch(std::string_view line1, std::string_view line2) noexcept {
  if (line1.empty() || line1[0] != '1' || line2.empty() || line2[0] != '2') return false;
  const auto number = [](std::string_view line) {
    return line.size() > 2 ? line.substr(2, 5) : std::string_view();
  };
  return number(line1) == number(line2) && !TrimKepler(number(line1)).empty();
}

void ReadKeplerRecords(std::string_view text, const std::function<void(const TKeplerRecord&)>& onRecord) {
  // Editors on some systems start a UTF-8 file with a byte-order mark. Left in, it would become part
  // of the first name, which then sorts after "Z" and is not found by name.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  TLineCursor cursor(text);
  TKeplerRecord record;
  while (!cursor.AtEnd()) {
    std::string_view nameLine;
    while (nameLine.empty() && !cursor.AtEnd()) {
      nameLine = TrimKepler(cursor.Next());
      if (nameLine == "--") nameLine = {};
    }
    if (nameLine.empty() || cursor.AtEnd()) return;
    record.name = KeplerName(nameLine);

    record.line1 = {};
    while (record.line1.empty() && !cursor.AtEnd()) {
      const std::string_view line = cursor.Next();
      if (line.size() >= kMinElementLineLength) record.line1 = line;
    }
    if (record.line1.empty() || cursor.AtEnd()) return;

    do {
      record.line2 = cursor.Next();
    } while (record.line2.size() < kMinElementLineLength && !cursor.AtEnd());

    onRecord(record);
  }
}

}  // namespace nimbrel::catalogue
