// Catalogue numbers as five-character text, Alpha-5 included.

#include "catalogue/CatalogueNumber.h"

#include <gtest/gtest.h>

namespace nimbrel::catalogue {
namespace {

TEST(CatalogueNumber, TextAndValue) {
  const struct {
    std::int64_t number;
    const char* text;
  } cases[] = {
      {0, "00000"},      {5, "00005"},       {25544, "25544"},     {99999, "99999"},
      {100000, "A0000"}, {100001, "A0001"},  {179999, "H9999"},    {180000, "J0000"},  // no I
      {229999, "N9999"}, {230000, "P0000"},                                            // no O
      {339999, "Z9999"}, {340000, "340000"}, {1234567, "1234567"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CatalogueNumberText(c.number), c.text) << c.number;
    if (c.number <= kMaxAlpha5Number) {
      EXPECT_EQ(CatalogueNumberValue(c.text), c.number) << c.text;
    }
  }
  EXPECT_EQ(CatalogueNumberValue("a0001"), 100001);
  for (const char* text :
       {"I0000", "O1234", "A000", "A00001", "340000", "-0001", "12a45", " 5544", "A 001", ""}) {
    EXPECT_EQ(CatalogueNumberValue(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace nimbrel::catalogue
