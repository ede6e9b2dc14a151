#include "CatalogueNumber.h"

#include <cstdio>

namespace nimbrel::catalogue {

namespace {

// Alpha-5 leaves out I and O, which read too easily as 1 and 0; A stands for 10, Z for 33.
constexpr std::string_view kAlpha5Letters = "ABCDEFGHJKLMNPQRSTUVWXYZ";
constexpr std::int64_t kFirstAlpha5Number = 100000;

bool IsDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string CatalogueNumberText(std::int64_t number) {
  char text[32];
  if (number >= kFirstAlpha5Number && number <= kMaxAlpha5Number) {
    const char letter = kAlpha5Letters[static_cast<std::size_t>(number / 10000 - 10)];
    std::snprintf(text, sizeof text, "%c%04lld", letter, static_cast<long long>(number % 10000));
  } else {
    std::snprintf(text, sizeof text, "%05lld", static_cast<long long>(number));
  }
  return text;
}

std::optional<std::int64_t> CatalogueNumberValue(std::string_view text) noexcept {
  if (text.size() != 5) return std::nullopt;
  std::int64_t low = 0;
  for (char c : text.substr(1)) {
    if (!IsDigit(c)) return std::nullopt;
    low = low * 10 + (c - '0');
  }
  const char first = text[0] >= 'a' && text[0] <= 'z' ? static_cast<char>(text[0] - 'a' + 'A') : text[0];
  if (IsDigit(first)) return (first - '0') * 10000 + low;
  const std::size_t letter = kAlpha5Letters.find(first);
  if (letter == std::string_view::npos) return std::nullopt;
  return (static_cast<std::int64_t>(letter) + 10) * 10000 + low;
}

}  // namespace nimbrel::catalogue
