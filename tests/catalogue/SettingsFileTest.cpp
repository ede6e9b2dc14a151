#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/SettingsFile.h"

namespace nimbrel::catalogue {
namespace {

struct TLineCase {
  const char* what;
  std::string line;
  TValueKind kind;
  std::int32_t integer;
  std::string text;
};

TEST(SettingsFile, ReadsEachTypeAndKeepsUnknownOnesAsOther) {
  const std::vector<TLineCase> cases = {
      {"integer", "\"A\"=int:1", TValueKind::vkInteger, 1, ""},
      {"blanks around", "  \"A\" = int: -7  ", TValueKind::vkInteger, -7, ""},
      {"lowest 32-bit", "\"A\"=int:-2147483648", TValueKind::vkInteger, INT32_MIN, ""},
      {"highest 32-bit", "\"A\"=int:2147483647", TValueKind::vkInteger, INT32_MAX, ""},
      {"beyond 32 bits is no integer", "\"A\"=int:2147483648", TValueKind::vkOther, 0, "int:2147483648"},
      {"plus sign is no integer", "\"A\"=int:+1", TValueKind::vkOther, 0, "int:+1"},
      {"integer with junk", "\"A\"=int:12ab", TValueKind::vkOther, 0, "int:12ab"},
      {"text", "\"A\"=text:\"/home/me/kepler\"", TValueKind::vkText, 0, "/home/me/kepler"},
      {"empty text", "\"A\"=text:\"\"", TValueKind::vkText, 0, ""},
      {"escapes", R"("A"=text:"q\"b\\n\nt\tx\x41\x00")", TValueKind::vkText, 0,
       std::string("q\"b\\n\nt\tx"
                   "A") +
           '\0'},
      {"unquoted text is another type", "\"A\"=text:abc", TValueKind::vkOther, 0, "text:abc"},
      {"text with trailing junk", "\"A\"=text:\"a\" b", TValueKind::vkOther, 0, "text:\"a\" b"},
      {"unknown type kept verbatim", "\"A\"=hex:01,02,ff", TValueKind::vkOther, 0, "hex:01,02,ff"},
      {"carriage return ending", "\"A\"=int:5\r", TValueKind::vkInteger, 5, ""},
  };
  for (const TLineCase& c : cases) {
    const TSettingsValues values = ParseSettings(c.line);
    ASSERT_EQ(values.Entries().size(), 1u) << c.what;
    EXPECT_EQ(values.RejectedLines(), 0u) << c.what;
    const TSettingsValue& v = values.Entries().front();
    EXPECT_EQ(v.name, "A") << c.what;
    EXPECT_EQ(v.kind, c.kind) << c.what;
    EXPECT_EQ(v.integer, c.integer) << c.what;
    EXPECT_EQ(v.text, c.text) << c.what;
  }
}

TEST(SettingsFile, GarbageLinesAreRejectedWithoutLosingTheGoodOnes) {
  const char kFile[] =
      "# comment\n"
      "; another comment\n"
      "\n"
      "\"Good\"=int:3\n"
      "no quotes=int:1\n"
      "\"unterminated=int:1\n"
      "\"NoEquals\" int:1\n"
      "\"NoType\"=1\n"
      "\"BadEscape\"=text:\"\\q\"\n"
      "\"RawControl\x01\"=int:1\n"
      "\xff\xfe\x00garbage\n"
      "\"Also\"=text:\"kept\"";  // no newline at the end
  const TSettingsValues values = ParseSettings(std::string_view(kFile, sizeof kFile - 1));
  EXPECT_EQ(values.Integer("Good"), 3);
  EXPECT_EQ(values.Text("Also"), "kept");
  // A readable name with unreadable data is a value of another type: kept, but never read.
  ASSERT_NE(values.Find("BadEscape"), nullptr);
  EXPECT_EQ(values.Find("BadEscape")->kind, TValueKind::vkOther);
  EXPECT_EQ(values.Text("BadEscape"), std::nullopt);
  EXPECT_EQ(values.Entries().size(), 3u);
  EXPECT_EQ(values.RejectedLines(), 6u);
}

TEST(SettingsFile, TypesAreKeptApart) {
  const TSettingsValues values = ParseSettings("\"N\"=text:\"3\"\n\"T\"=int:3\n\"O\"=dword:3\n");
  EXPECT_EQ(values.Integer("N"), std::nullopt);  // a text where an integer is expected
  EXPECT_EQ(values.Text("T"), std::nullopt);
  EXPECT_EQ(values.Integer("O"), std::nullopt);
  EXPECT_EQ(values.Text("O"), std::nullopt);
  EXPECT_EQ(values.Text("N"), "3");
}

TEST(SettingsFile, NamesIgnoreLetterCaseAndTheLastDuplicateWins) {
  TSettingsValues values = ParseSettings("\"ShowAll\"=int:1\n\"SHOWALL\"=int:0\n");
  ASSERT_EQ(values.Entries().size(), 1u);
  EXPECT_EQ(values.Integer("showall"), 0);
  values.SetInteger("showALL", 5);
  ASSERT_EQ(values.Entries().size(), 1u);
  EXPECT_EQ(values.Entries().front().name, "ShowAll");  // the stored spelling stays
  values.SetText("ShowAll", "x");                       // a new type replaces the old one
  EXPECT_EQ(values.Integer("ShowAll"), std::nullopt);
  EXPECT_TRUE(values.Remove("SHOWALL"));
  EXPECT_TRUE(values.Empty());
}

TEST(SettingsFile, CommentsAndBlankLinesSurviveSavesInTheirPlace) {
  TSettingsValues values = ParseSettings("# my station\n\"A\"=int:1\n\n; old value below\n\"B\"=int:2\n");
  EXPECT_EQ(values.RejectedLines(), 0u);
  values.SetInteger("B", 3);
  const std::string once = FormatSettings(values, "heading");
  EXPECT_EQ(once, "# heading\n# my station\n\"A\"=int:1\n\n; old value below\n\"B\"=int:3\n");
  EXPECT_EQ(FormatSettings(ParseSettings(once), "heading"), once) << "the heading is not written twice";
}

TEST(SettingsFile, FormatReadsBackToTheSameValues) {
  TSettingsValues values;
  values.SetInteger("Int", -1);
  values.SetText("Text", std::string("line\nbreak \"quoted\" back\\slash tab\t del\x7f nul") + '\0' + " end");
  values.SetText("Unicode name \xc3\xa9", "\xe2\x82\xac 5");
  values.SetText("", "empty name");
  values.SetOther("Binary", "hex:00,01");
  const std::string text = FormatSettings(values, "heading\nwith a break");
  EXPECT_EQ(text.find("\nwith"), std::string::npos) << "a comment must stay on one line";
  const TSettingsValues again = ParseSettings(text);
  EXPECT_EQ(again.RejectedLines(), 0u);
  ASSERT_EQ(again.Entries().size(), values.Entries().size());
  for (std::size_t i = 0; i < values.Entries().size(); ++i) {
    const TSettingsValue& a = values.Entries()[i];
    const TSettingsValue& b = again.Entries()[i];
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.kind, b.kind) << a.name;
    EXPECT_EQ(a.integer, b.integer) << a.name;
    EXPECT_EQ(a.text, b.text) << a.name;
  }
  EXPECT_EQ(FormatSettings(again, "heading\nwith a break"), text);
}

}  // namespace
}  // namespace nimbrel::catalogue
