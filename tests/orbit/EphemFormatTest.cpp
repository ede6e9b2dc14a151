// The text forms of nimbrel-ephem's output: users' scripts parse them, so they are a contract.

#include <gtest/gtest.h>

#include "EphemFormat.h"
#include "orbit/OrbitTime.h"

namespace nimbrel::tools {
namespace {

TEST(EphemFormat, CsvFieldsQuotedOnlyWhenNeeded) {
  EXPECT_EQ(CsvField("ISS (ZARYA)"), "ISS (ZARYA)");
  EXPECT_EQ(CsvField("A, B"), "\"A, B\"");
  EXPECT_EQ(CsvField("SAY \"HI\""), "\"SAY \"\"HI\"\"\"");
  EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(CsvField(""), "");
}

TEST(EphemFormat, UtcRoundTripsToTheMillisecond) {
  const auto jd = ParseUtc("2006-01-03T19:56:11.476Z");
  ASSERT_TRUE(jd);
  EXPECT_EQ(FormatUtc(*jd), "2006-01-03T19:56:11.476Z");
  EXPECT_EQ(FormatUtc(*ParseUtc("2000-01-01T12:00:00")), "2000-01-01T12:00:00.000Z");
  EXPECT_DOUBLE_EQ(*ParseUtc("2000-01-01T12:00:00"), 2451545.0);
  // A time a hair before midnight must not print as second 60.
  EXPECT_EQ(FormatUtc(*ParseUtc("2024-02-29T23:59:59.9996")), "2024-03-01T00:00:00.000Z");
}

TEST(EphemFormat, MalformedTimesAreRefused) {
  for (const char* bad : {"", "2006-01-03", "2006-13-01T00:00:00", "2006-02-29T00:00:00",
                          "2006-01-03T24:00:00", "2006-01-03T12:00", "2006/01/03T12:00:00",
                          "2006-01-03T12:00:00.", "2006-01-03T12:00:00x", "0000-01-01T00:00:00"}) {
    EXPECT_FALSE(ParseUtc(bad)) << bad;
  }
  EXPECT_TRUE(ParseUtc("2024-02-29 00:00:00"));
}

TEST(EphemFormat, NumberListsKeepTheirSigns) {
  const auto list = ParseRealList("-1440,0,+1440,2.5");
  ASSERT_TRUE(list);
  EXPECT_EQ(*list, (std::vector<double>{-1440, 0, 1440, 2.5}));
  for (const char* bad : {"", "1,,2", "1,x", "nan", "inf", "1e999", "1 ,2"}) {
    EXPECT_FALSE(ParseRealList(bad)) << bad;
  }
  EXPECT_EQ(SplitList("a,,b").size(), 3u);
}

}  // namespace
}  // namespace nimbrel::tools
