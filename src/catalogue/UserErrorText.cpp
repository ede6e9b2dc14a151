#include "catalogue/UserErrorText.h"

#include <cctype>
#include <new>
#include <string_view>

#include "catalogue/KeplerFile.h"

namespace nimbrel::catalogue {

namespace {

bool IdentifierChar(char c) noexcept {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The length of an internal name with its colon and space at the start of `text`: identifiers joined
// by "::", perhaps with "()", then ": ". 0 when the text does not begin so.
std::size_t InternalPrefixLength(std::string_view text) noexcept {
  std::size_t i = 0;
  for (;;) {
    const std::size_t start = i;
    while (i < text.size() && IdentifierChar(text[i])) ++i;
    if (i == start || std::isdigit(static_cast<unsigned char>(text[start])) != 0) return 0;
    if (text.substr(i, 2) == "::") {
      i += 2;
      continue;
    }
    break;
  }
  if (text.substr(i, 2) == "()") i += 2;
  // A single plain word is a sentence's start ("Host not found: ..."), or an abbreviation ("TLE: "),
  // not a name: names are the project's types (TCamelCase, ECamelCase) or joined by "::".
  const std::string_view name = text.substr(0, i);
  const bool camel = name.size() > 2 && (name[0] == 'T' || name[0] == 'E') &&
                     std::isupper(static_cast<unsigned char>(name[1])) != 0 &&
                     name.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string_view::npos;
  const bool marked = camel || name.find("::") != std::string_view::npos;
  if (!marked || text.substr(i, 2) != ": ") return 0;
  return i + 2;
}

}  // namespace

std::string UserErrorText(const std::exception& error) {
  if (const auto* file = dynamic_cast<const ECatalogueFileError*>(&error))
    return "cannot read the Kepler file '" + file->Path() + "': " + file->Reason();
  if (dynamic_cast<const std::bad_alloc*>(&error)) return "not enough memory";
  std::string_view text = error.what();
  // Nested sources ("A::B: C::D: reason") lose every name.
  while (const std::size_t prefix = InternalPrefixLength(text)) text.remove_prefix(prefix);
  return std::string(text);
}

}  // namespace nimbrel::catalogue
