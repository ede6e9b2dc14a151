// The rows of nimbrel-ephem --passes: users' scripts split them on commas and flags on semicolons.

#include <gtest/gtest.h>

#include <algorithm>

#include "EphemFormat.h"
#include "PassFormat.h"
#include "orbit/OrbitMath.h"

namespace nimbrel::tools {
namespace {

orbit::TPass SamplePass() {
  orbit::TPass p;
  p.aosJD = *ParseUtc("2006-01-04T17:06:33.193Z");
  p.aosAzimuth = orbit::Radians(232.2954);
  p.tcaJD = *ParseUtc("2006-01-04T17:11:27.939Z");
  p.maxElevation = orbit::Radians(34.3081);
  p.tcaAzimuth = orbit::Radians(155.2291);
  p.losJD = *ParseUtc("2006-01-04T17:16:22.678Z");
  p.losAzimuth = orbit::Radians(359.99999);
  return p;
}

TEST(PassFormat, RowHoldsTheHeadersColumns) {
  orbit::TPass p = SamplePass();
  EXPECT_EQ(PassRow("ISS (ZARYA)", "25544", p),
            "ISS (ZARYA),25544,2006-01-04T17:06:33.193Z,232.295,2006-01-04T17:11:27.939Z,34.308,155.229,"
            "2006-01-04T17:16:22.678Z,0.000,589.5,,,");
  p.visualParts.push_back({*ParseUtc("2006-01-04T17:06:33.193Z"), *ParseUtc("2006-01-04T17:12:51.460Z")});
  p.visualParts.push_back({*ParseUtc("2006-01-05T03:00:00Z"), *ParseUtc("2006-01-05T04:00:00Z")});
  p.inProgress = true;
  const std::string row = PassRow("A, \"B\"", "00005", p);
  EXPECT_EQ(
      row,
      "\"A, \"\"B\"\"\",00005,2006-01-04T17:06:33.193Z,232.295,2006-01-04T17:11:27.939Z,34.308,155.229,"
      "2006-01-04T17:16:22.678Z,0.000,589.5,2006-01-04T17:06:33.193Z,2006-01-04T17:12:51.460Z,in-progress");
  // As many fields as the header names, once the quoted name is counted as one.
  const std::string plain = PassRow("X", "1", p);
  EXPECT_EQ(std::count(plain.begin(), plain.end(), ','),
            std::count(kPassHeader.begin(), kPassHeader.end(), ','));
}

TEST(PassFormat, FlagsInAFixedOrder) {
  orbit::TPass p;
  EXPECT_EQ(PassFlags(p), "");
  p.cut = true;
  EXPECT_EQ(PassFlags(p), "cut");
  p.inProgress = true;
  p.alwaysUp = true;
  EXPECT_EQ(PassFlags(p), "in-progress;cut;always-up");
}

TEST(PassFormat, DaysMustBeAPositiveNumberUpToAYear) {
  EXPECT_EQ(ParsePassDays("3"), 3.0);
  EXPECT_EQ(ParsePassDays("0.25"), 0.25);
  EXPECT_EQ(ParsePassDays("366"), 366.0);
  for (const char* bad : {"", "0", "-1", "367", "1e9", "nan", "inf", "1,2", "three", "2d"}) {
    EXPECT_FALSE(ParsePassDays(bad)) << bad;
  }
}

}  // namespace
}  // namespace nimbrel::tools
