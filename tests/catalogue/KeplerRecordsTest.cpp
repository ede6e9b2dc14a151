// How the text of a Kepler file is cut into name line, line 1 and line 2.

#include "catalogue/KeplerRecords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KeplerTestData.h"

namespace nimbrel::catalogue {
namespace {

using testing::MakeLines;

struct TCutRecord {
  std::string name, line1, line2;
};

std::vector<TCutRecord> Cut(std::string_view text) {
  std::vector<TCutRecord> records;
  ReadKeplerRecords(text, [&](const TKeplerRecord& r) {
    records.push_back({r.name, std::string(r.line1), std::string(r.line2)});
  });
  return records;
}

TEST(KeplerName, FollowsTheNameRules) {
  const struct {
    const char* line;
    const char* name;
  } cases[] = {
      {"  noaa-l  ", "NOAA 16"},
      {"NOAA-M", "NOAA 17"},
      {"\tnoaa-n\t", "NOAA 18"},
      {"NOAA-L2", "NOAA-L2"},
      {"NOAA 16", "NOAA 16"},
      {"iss (zarya)", "ISS (ZARYA)"},
      // 30 characters keep their first 24.
      {"abcdefghijklmnopqrstuvwxyz1234", "ABCDEFGHIJKLMNOPQRSTUVWX"},
      // The cut is trimmed again.
      {"ABCDEFGHIJKLMNOPQRSTUVW  XYZ", "ABCDEFGHIJKLMNOPQRSTUVW"},
      // Only a-z are upper-cased; a two-byte letter that fits is kept whole.
      {"abcdefghijklmnopqrstuv\xc3\xa9xyz", "ABCDEFGHIJKLMNOPQRSTUV\xc3\xa9"},
      // A two-, three- or four-byte sequence across the cut goes entirely.
      {"abcdefghijklmnopqrstuvw\xc3\xa9", "ABCDEFGHIJKLMNOPQRSTUVW"},
      {"abcdefghijklmnopqrstuv\xe2\x82\xac", "ABCDEFGHIJKLMNOPQRSTUV"},
      {"abcdefghijklmnopqrstu\xf0\x9f\x9b\xb0", "ABCDEFGHIJKLMNOPQRSTU"},
      // Bytes that are not UTF-8 are cut at 24 like any other.
      {"abcdefghijklmnopqrstuvw\xa9\xa9", "ABCDEFGHIJKLMNOPQRSTUVW\xa9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeplerName(c.line), c.name) << "name line '" << c.line << "'";
  }
}

TEST(ReadKeplerRecords, SplitsAtEveryKindOfLineEnd) {
  const auto a = MakeLines("00001");
  const auto b = MakeLines("00002");
  for (const char* end : {"\n", "\r", "\r\n"}) {
    std::string text;
    for (const std::string& line : {std::string("A"), a.line1, a.line2, std::string("B"), b.line1}) {
      text += line;
      text += end;
    }
    text += b.line2;  // no line end after the last line
    const auto records = Cut(text);
    ASSERT_EQ(records.size(), 2u) << "line end " << ::testing::PrintToString(end);
    EXPECT_EQ(records[0].name, "A");
    EXPECT_EQ(records[0].line1, a.line1);
    EXPECT_EQ(records[1].line2, b.line2);
  }
  // Mixed in one file, and LF CR counts as two line ends.
  const auto mixed =
      Cut("A\r\n" + a.line1 + "\r" + a.line2 + "\n\r" + "B\n" + b.line1 + "\n" + b.line2 + "\r\n");
  ASSERT_EQ(mixed.size(), 2u);
  EXPECT_EQ(mixed[1].name, "B");
}

TEST(ReadKeplerRecords, SkipsAByteOrderMarkAtTheStartOnly) {
  const auto a = MakeLines("00001");
  const std::string bom = "\xEF\xBB\xBF";
  const auto records =
      Cut(bom + "ISS\n" + a.line1 + "\n" + a.line2 + "\n" + bom + "HST\n" + a.line1 + "\n" + a.line2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "ISS");
  EXPECT_EQ(records[1].name, bom + "HST");  // inside the text it is a character of the name
  ASSERT_EQ(Cut(bom + "\r\nISS\n" + a.line1 + "\n" + a.line2).size(), 1u);
}

TEST(ReadKeplerRecords, StopsAtNul) {
  const auto a = MakeLines("00001");
  const auto b = MakeLines("00002");
  std::string text = "A\n" + a.line1 + "\n" + a.line2 + "\n";
  text += '\0';
  text += "B\n" + b.line1 + "\n" + b.line2 + "\n";
  const auto records = Cut(text);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "A");
}

TEST(ReadKeplerRecords, SkipsBlankAndDashLinesBeforeTheName) {
  const auto a = MakeLines();
  const auto records = Cut("\n   \n--\n  --  \n\t\nISS\n" + a.line1 + "\n" + a.line2 + "\n\n--\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "ISS");
}

TEST(ReadKeplerRecords, SkipsShortLinesWhileLookingForElementLines) {
  const auto a = MakeLines();
  const std::string comment = "# a comment that is far shorter than an element line";
  const std::string almost(67, '1');  // one short of an element line
  const auto records =
      Cut("ISS\n" + comment + "\n" + almost + "\n" + a.line1 + "\n" + comment + "\n" + a.line2);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].line1, a.line1);
  EXPECT_EQ(records[0].line2, a.line2);
  // 68 characters are enough: the checksum column is not needed.
  const auto cut = Cut("ISS\n" + a.line1.substr(0, 68) + "\n" + a.line2.substr(0, 68) + "\n");
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].line1.size(), 68u);
}

TEST(ReadKeplerRecords, TakesAShortFinalLineAsLineTwo) {
  const auto a = MakeLines();
  const auto records = Cut("ISS\n" + a.line1 + "\n# comment\n2 25544 051.6458\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].line2, "2 25544 051.6458");
}

TEST(ReadKeplerRecords, StopsWhereARecordCannotBeComplete) {
  const auto a = MakeLines();
  EXPECT_TRUE(Cut("").empty());
  EXPECT_TRUE(Cut("\n\n--\n").empty());
  EXPECT_TRUE(Cut("ISS").empty());
  EXPECT_TRUE(Cut("ISS\n# no element lines\n").empty());
  // Line 1 as the last line of the file.
  EXPECT_TRUE(Cut("ISS\n" + a.line1 + "\n").empty());
  EXPECT_TRUE(Cut("ISS\n" + a.line1).empty());
}

}  // namespace
}  // namespace nimbrel::catalogue
