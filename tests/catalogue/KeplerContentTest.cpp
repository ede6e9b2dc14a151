// Whether a Kepler text ends where a whole file of its form ends: what a download cut short loses.

#include "catalogue/KeplerContent.h"

#include <gtest/gtest.h>

#include <string>

#include "KeplerTestData.h"
#include "OmmTestData.h"

namespace nimbrel::catalogue {
namespace {

TEST(KeplerContent, ATextCutInsideItsLastRecordIsNotWhole) {
  const auto samples = testing::OmmSamples();
  const std::string tle = testing::Record("ISS") + testing::Record("ISS 2");
  const std::string csv = testing::OmmCsv(testing::FieldLists(samples));
  const std::string xml = testing::OmmXml(testing::FieldLists(samples));
  const std::string json = testing::OmmJson(testing::FieldLists(samples), false);
  struct TCase {
    const char* what;
    std::string text;
    bool whole;
  } const cases[] = {
      {"two-line", tle, true},
      {"two-line, CR LF and trailing blanks",
       "ISS\r\n" + testing::MakeLines().line1 + "  \r\n" + testing::MakeLines().line2 + "\r\n\r\n", true},
      {"two-line without the last line end", tle.substr(0, tle.size() - 1), false},
      {"two-line cut in line 2", tle.substr(0, tle.size() - 10), false},
      {"two-line cut after line 1", tle.substr(0, tle.rfind("\n2 ") + 1), false},
      {"two-line ending in a name", tle + "ISS 3\n", false},
      {"two-line with a wrong checksum", tle.substr(0, tle.size() - 2) + "0\n", false},
      {"CSV", csv, true},
      {"CSV cut mid-row", csv.substr(0, csv.size() - 20), false},
      {"CSV cut mid-row at a line end", csv.substr(0, csv.size() - 20) + "\r\n", false},
      {"CSV ending inside quotes", csv + "\"ISS,\r\n", false},
      {"XML", xml, true},
      {"XML cut", xml.substr(0, xml.size() / 2), false},
      {"JSON", json, true},
      {"JSON cut", json.substr(0, json.size() - 3), false},
      {"empty", "", true},
  };
  for (const TCase& c : cases) EXPECT_EQ(EndsWhole(c.text), c.whole) << c.what;
}

}  // namespace
}  // namespace nimbrel::catalogue
