#pragma once
// The text form of one key of the settings store: one named value per line, typed.
//
//   # comment
//   "DisplayQuality"=int:1
//   "TwoLineDataPath"=text:"/home/me/kepler"
//
// A value keeps its type, so a text stored where an integer is expected reads as missing. Lines that
// cannot be read are ignored but kept, verbatim and in their place among the values, by every save:
// what a person or another program wrote must not vanish because this program cannot read it. Values
// of a type this program does not know are kept as they are too.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel::catalogue {

// Settings files are small; anything larger is not ours and is treated as missing.
inline constexpr std::size_t kMaxSettingsFileBytes = 1024 * 1024;

enum class TValueKind { vkInteger, vkText, vkOther };

struct TSettingsValue {
  std::string name;  // UTF-8; compared without regard to ASCII letter case, as value names are
  TValueKind kind = TValueKind::vkInteger;
  std::int32_t integer = 0;  // vkInteger
  std::string text;          // vkText: the text; vkOther: everything after "=", kept verbatim
};

class TSettingsValues {
 public:
  // nullopt when the value is missing or of another type.
  std::optional<std::int32_t> Integer(std::string_view name) const;
  std::optional<std::string> Text(std::string_view name) const;
  const TSettingsValue* Find(std::string_view name) const;

  // Replace the value of that name (keeping the name's stored spelling) or append a new one.
  void SetInteger(std::string_view name, std::int32_t value);
  void SetText(std::string_view name, std::string_view text);
  // Keeps an unknown type's data verbatim; used by the reader.
  void SetOther(std::string_view name, std::string_view raw);
  bool Remove(std::string_view name);

  const std::vector<TSettingsValue>& Entries() const noexcept { return entries_; }
  bool Empty() const noexcept { return entries_.empty(); }
  // Lines that are not values: those the reader could not make sense of, and the comments and blank
  // lines a person wrote. Each has the number of values that came before it in the file, so that a
  // save writes it back in its place.
  struct TUnreadLine {
    std::size_t valuesBefore = 0;
    std::string text;      // verbatim, without its line end
    bool comment = false;  // a comment or a blank line, not a line the reader rejected
  };
  // The lines the reader could not make sense of (comments and blank lines not counted).
  std::size_t RejectedLines() const noexcept;
  const std::vector<TUnreadLine>& UnreadLines() const noexcept { return unread_; }
  // Keeps a line that is not a value after the values read so far.
  void KeepUnreadLine(std::string_view line, bool comment = false);

 private:
  TSettingsValue& Slot(std::string_view name);
  std::vector<TSettingsValue> entries_;
  std::vector<TUnreadLine> unread_;
};

// Never throws on bad input (only std::bad_alloc); garbage gives fewer values and unread lines.
TSettingsValues ParseSettings(std::string_view bytes);
// The file text; `comment` (one line, may be empty) heads it. Unread lines go back where they were,
// but for an earlier save's heading, which the new one replaces.
std::string FormatSettings(const TSettingsValues& values, std::string_view comment = {});

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept;

}  // namespace nimbrel::catalogue
