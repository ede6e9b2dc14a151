#pragma once
// Catalogue numbers as the five-character text everything in the program is keyed by.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel::catalogue {

// The largest number five characters can carry: "Z9999" in Alpha-5 form.
inline constexpr std::int64_t kMaxAlpha5Number = 339999;

// The text two-line files carry in columns 3-7 for a catalogue number: 1 to 99999 zero-padded
// ("00005"); 100000 to kMaxAlpha5Number in Alpha-5 form, the first two digits written as one letter
// A to Z without I and O ("A0000" for 100000, "A0001" for 100001, "Z9999" for 339999); larger numbers
// as plain decimal text ("340000"), which no five-character list can name. 0 gives "00000"; negative
// numbers are no catalogue numbers and come out as "-0005" and the like.
std::string CatalogueNumberText(std::int64_t number);

// The number a five-character text stands for: five digits, or a letter (either case) and four digits
// in Alpha-5 form. Anything else, I and O as first letter included, gives nothing.
std::optional<std::int64_t> CatalogueNumberValue(std::string_view text) noexcept;

}  // namespace nimbrel::catalogue
