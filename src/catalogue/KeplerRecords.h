#pragma once
// Cutting the text of a Kepler file into records of a name line, line 1 and line 2.

#include <functional>
#include <string>
#include <string_view>

namespace nimbrel::catalogue {

// Element lines shorter than this are comments or damage; they are passed over while looking for
// line 1 and line 2.
inline constexpr std::size_t kMinElementLineLength = 68;
// Names longer than this are cut.
inline constexpr std::size_t kMaxNameLength = 24;

struct TKeplerRecord {
  std::string name;        // as KeplerName makes it from the name line
  std::string_view line1;  // the lines as read, pointing into the text
  std::string_view line2;
};

// Removes leading and trailing spaces and control characters.
std::string_view TrimKepler(std::string_view text) noexcept;

// The display name for a name line: its first 24 bytes (one fewer, or two, or three, where byte 24
// would split a UTF-8 sequence), trimmed, a-z upper-cased, and the old NOAA launch names replaced by
// the names the satellites carry in orbit.
std::string KeplerName(std::string_view nameLine);

// Line 1 starts with "1", line 2 with "2", and both carry the same, non-blank catalogue number in
// columns 3-7.
bool ElementLinesMatch(std::string_view line1, std::string_view line2) noexcept;

// Calls onRecord for each record of the text, in order. A UTF-8 byte-order mark at the start is
// skipped. Lines end at CR, LF or CR LF; a NUL ends the
// text. Blank lines and "--" lines before a name line are passed over, as are lines shorter than
// kMinElementLineLength before line 1 and line 2. When the text ends while line 2 is looked for,
// the last line taken stands as line 2. No line is looked at twice. The records are not checked.
void ReadKeplerRecords(std::string_view text, const std::function<void(const TKeplerRecord&)>& onRecord);

}  // namespace nimbrel::catalogue
