#include "catalogue/SettingsFile.h"

#include <algorithm>
#include <charconv>

namespace nimbrel::catalogue {

namespace {

constexpr std::string_view kIntegerType = "int";
constexpr std::string_view kTextType = "text";

// A stray carriage return counts as blank so that files edited on other systems still read.
bool IsBlank(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimBlanks(std::string_view s) noexcept {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// ASCII only: the file must read the same whatever the process's locale.
bool IsTypeCharacter(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a double-quoted string with backslash escapes from the start of `s`; on success removes it
// from `s`. Raw control characters other than tab are refused: the writer always escapes them.
std::optional<std::string> TakeQuoted(std::string_view& s) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  std::string out;
  std::size_t i = 1;
  while (i < s.size()) {
    const char c = s[i++];
    if (c == '"') {
      s.remove_prefix(i);
      return out;
    }
    if (c != '\\') {
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return std::nullopt;
      out.push_back(c);
      continue;
    }
    if (i >= s.size()) return std::nullopt;
    const char e = s[i++];
    switch (e) {
      case '\\':
        out.push_back('\\');
        break;
      case '"':
        out.push_back('"');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'x': {
        if (i + 2 > s.size()) return std::nullopt;
        const int hi = HexDigit(s[i]);
        const int lo = HexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;  // no closing quote on this line
}

void AppendQuoted(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20 || u == 0x7f) {
          out += "\\x";
          out.push_back(kHex[u >> 4]);
          out.push_back(kHex[u & 15]);
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

std::optional<std::int32_t> ParseInteger(std::string_view s) noexcept {
  s = TrimBlanks(s);
  if (s.empty() || s.front() == '+') return std::nullopt;
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

// One line of a settings file into `values`; false when the line is not a value.
bool ParseLine(std::string_view line, TSettingsValues& values) {
  line = TrimBlanks(line);
  std::optional<std::string> name = TakeQuoted(line);
  if (!name) return false;
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '=') return false;
  line = TrimBlanks(line.substr(1));
  const std::string_view raw = line;
  std::size_t typeLength = 0;
  while (typeLength < line.size() && IsTypeCharacter(line[typeLength])) ++typeLength;
  if (typeLength == 0 || typeLength >= line.size() || line[typeLength] != ':') return false;
  const std::string_view type = line.substr(0, typeLength);
  std::string_view data = line.substr(typeLength + 1);
  if (type == kIntegerType) {
    if (const auto value = ParseInteger(data)) {
      values.SetInteger(*name, *value);
      return true;
    }
  } else if (type == kTextType) {
    if (std::optional<std::string> text = TakeQuoted(data); text && TrimBlanks(data).empty()) {
      values.SetText(*name, *text);
      return true;
    }
  }
  values.SetOther(*name, raw);
  return true;
}

}  // namespace

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

const TSettingsValue* TSettingsValues::Find(std::string_view name) const {
  for (const TSettingsValue& v : entries_) {
    if (EqualIgnoringAsciiCase(v.name, name)) return &v;
  }
  return nullptr;
}

std::optional<std::int32_t> TSettingsValues::Integer(std::string_view name) const {
  const TSettingsValue* v = Find(name);
  if (v == nullptr || v->kind != TValueKind::vkInteger) return std::nullopt;
  return v->integer;
}

std::optional<std::string> TSettingsValues::Text(std::string_view name) const {
  const TSettingsValue* v = Find(name);
  if (v == nullptr || v->kind != TValueKind::vkText) return std::nullopt;
  return v->text;
}

TSettingsValue& TSettingsValues::Slot(std::string_view name) {
  for (TSettingsValue& v : entries_) {
    if (EqualIgnoringAsciiCase(v.name, name)) return v;
  }
  TSettingsValue& v = entries_.emplace_back();
  v.name = std::string(name);
  return v;
}

void TSettingsValues::SetInteger(std::string_view name, std::int32_t value) {
  TSettingsValue& v = Slot(name);
  v.kind = TValueKind::vkInteger;
  v.integer = value;
  v.text.clear();
}

void TSettingsValues::SetText(std::string_view name, std::string_view text) {
  TSettingsValue& v = Slot(name);
  v.kind = TValueKind::vkText;
  v.integer = 0;
  v.text = std::string(text);
}

void TSettingsValues::SetOther(std::string_view name, std::string_view raw) {
  TSettingsValue& v = Slot(name);
  v.kind = TValueKind::vkOther;
  v.integer = 0;
  v.text = std::string(raw);
}

bool TSettingsValues::Remove(std::string_view name) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (EqualIgnoringAsciiCase(it->name, name)) {
      const auto index = static_cast<std::size_t>(it - entries_.begin());
      entries_.erase(it);
      // The lines after the value stay after the values that were before it.
      for (TUnreadLine& line : unread_) {
        if (line.valuesBefore > index) --line.valuesBefore;
      }
      return true;
    }
  }
  return false;
}

void TSettingsValues::KeepUnreadLine(std::string_view line, bool comment) {
  unread_.push_back({entries_.size(), std::string(line), comment});
}

std::size_t TSettingsValues::RejectedLines() const noexcept {
  return static_cast<std::size_t>(
      std::count_if(unread_.begin(), unread_.end(), [](const TUnreadLine& line) { return !line.comment; }));
}

TSettingsValues ParseSettings(std::string_view bytes) {
  TSettingsValues values;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    const std::string_view content = TrimBlanks(line);
    // What a person wrote between the values stays where it was, as rejected lines do.
    if (content.empty() || content.front() == '#' || content.front() == ';') {
      values.KeepUnreadLine(line, true);
      continue;
    }
    if (!ParseLine(content, values)) values.KeepUnreadLine(line);
  }
  return values;
}

std::string FormatSettings(const TSettingsValues& values, std::string_view comment) {
  std::string heading;
  if (!comment.empty()) {
    heading = "# ";
    for (const char c : comment) heading.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
  }
  std::string out = heading.empty() ? std::string() : heading + '\n';
  const auto& unread = values.UnreadLines();
  std::size_t nextUnread = 0;
  const auto writeUnreadUpTo = [&](std::size_t valuesBefore) {
    for (; nextUnread < unread.size() && unread[nextUnread].valuesBefore <= valuesBefore; ++nextUnread) {
      const TSettingsValues::TUnreadLine& line = unread[nextUnread];
      if (line.comment && !heading.empty() && line.text == heading) continue;  // the last save's
      out += line.text;
      out.push_back('\n');
    }
  };
  for (std::size_t i = 0; i < values.Entries().size(); ++i) {
    writeUnreadUpTo(i);
    const TSettingsValue& v = values.Entries()[i];
    AppendQuoted(out, v.name);
    out.push_back('=');
    switch (v.kind) {
      case TValueKind::vkInteger:
        out += kIntegerType;
        out.push_back(':');
        out += std::to_string(v.integer);
        break;
      case TValueKind::vkText:
        out += kTextType;
        out.push_back(':');
        AppendQuoted(out, v.text);
        break;
      case TValueKind::vkOther:
        for (const char c : v.text) out.push_back(c == '\n' ? ' ' : c);
        break;
    }
    out.push_back('\n');
  }
  writeUnreadUpTo(values.Entries().size());
  return out;
}

}  // namespace nimbrel::catalogue
