#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "orbit/ElementSet.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitErrors.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"

namespace nimbrel::orbit {
namespace {

const std::string kIssLine1 = "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844";
const std::string kIssLine2 = "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269";
constexpr double kTwoPiD = static_cast<double>(kTwoPi);

TEST(ElementLines, IssSetFieldByField) {
  const TSatellite sat = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  EXPECT_EQ(sat.Name(), "ISS");
  EXPECT_EQ(sat.CatalogueNumber(), "25544");
  EXPECT_EQ(sat.ElementSetNumber(), "084");
  EXPECT_DOUBLE_EQ(sat.EpochRaw(), 6003.83068838);
  EXPECT_NEAR(sat.EpochJD(), JulianDateOfYear(2006) + 3.83068838, 1e-8);
  EXPECT_DOUBLE_EQ(sat.MeanMotionDot(), 0.00019047 * kTwoPiD / 2073600.0);
  EXPECT_DOUBLE_EQ(sat.MeanMotionDdot(), 0.0);
  EXPECT_NEAR(sat.BStar(), 0.13602e-3, 1e-18);
  EXPECT_DOUBLE_EQ(sat.Inclination(), Radians(51.6458));
  EXPECT_DOUBLE_EQ(sat.RightAscension(), Radians(312.4823));
  EXPECT_NEAR(sat.Eccentricity(), 0.0010909, 1e-16);
  EXPECT_DOUBLE_EQ(sat.ArgumentOfPerigee(), Radians(112.4787));
  EXPECT_DOUBLE_EQ(sat.MeanAnomaly(), Radians(338.3202));
  EXPECT_DOUBLE_EQ(sat.MeanMotion(), 15.73745284 * kTwoPiD / 1440.0);
  EXPECT_DOUBLE_EQ(sat.RevolutionAtEpoch(), 40726);
  EXPECT_FALSE(sat.DeepSpace());
  EXPECT_TRUE(sat.NeedsInit());
  EXPECT_NEAR(sat.PeriodDays() * 1440.0, 1440.0 / 15.73745284, 1e-9);
}

TEST(ElementLines, ColumnReadingRules) {
  // Spaces inside a field read as "0": " 12345" is 012345, and " .5" is 0.5.
  EXPECT_DOUBLE_EQ(ReadRealField("x 12345", 2, 6), 12345);
  EXPECT_DOUBLE_EQ(ReadRealField(" .5", 1, 3), 0.5);
  // A sign after a space does not read ("0-12"), so the field is 0.
  EXPECT_DOUBLE_EQ(ReadRealField(" -12", 1, 4), 0);
  EXPECT_DOUBLE_EQ(ReadRealField("-12", 1, 3), -12);
  // Past the end of the line, or only partly there.
  EXPECT_DOUBLE_EQ(ReadRealField("123", 5, 3), 0);
  EXPECT_DOUBLE_EQ(ReadRealField("1234", 3, 5), 34);
  // Anything that is not a plain decimal number reads as 0.
  for (const char* bad : {"inf", "nan", "0x1p3", "1.2.3", "e5", "12a", "1e", "+", "-", "."}) {
    EXPECT_DOUBLE_EQ(ReadRealField(bad, 1, 10), 0) << bad;
  }
  EXPECT_DOUBLE_EQ(ReadRealField("+1.5e-2", 1, 10), 0.015);
  EXPECT_EQ(ReadIntegerField("-0", 1, 2), 0);
  EXPECT_EQ(ReadIntegerField(" 7", 1, 2), 7);
  EXPECT_EQ(ReadIntegerField("7x", 1, 2), 0);
  EXPECT_EQ(ReadIntegerField("99999999999", 1, 11), 0);  // does not fit: unreadable, not wrapped
}

TEST(ElementLines, ExponentsAndElementSetNumbers) {
  // "-0" and " 0" exponents both give a power of ten of 1.
  std::string l1 = kIssLine1;
  l1.replace(44, 8, " 12345-0");
  EXPECT_NEAR(ParseElementLines(l1, kIssLine2).meanMotionDdot, 0.12345 * kTwoPiD / (1440.0 * 1440.0 * 1440.0),
              1e-20);
  l1.replace(44, 8, " 12345 0");
  EXPECT_NEAR(ParseElementLines(l1, kIssLine2).meanMotionDdot, 0.12345 * kTwoPiD / (1440.0 * 1440.0 * 1440.0),
              1e-20);
  // A four-digit element set number: column 65 is not read.
  l1 = kIssLine1;
  l1.replace(64, 4, "0505");
  EXPECT_EQ(ParseElementLines(l1, kIssLine2).elementSetNumber, "505");
  EXPECT_EQ(ElementSetNumberText(5), "005");
  EXPECT_EQ(ElementSetNumberText(1234), "234");
  EXPECT_EQ(ElementSetNumberText(-12), "988");
}

TEST(ElementLines, ShortLineOneReadsZerosPastItsEnd) {
  const TElementSet e = ParseElementLines(kIssLine1.substr(0, 62), kIssLine2);
  EXPECT_EQ(e.elementSetNumber, "000");
  EXPECT_NEAR(e.bStar, 0.13602e-3, 1e-18);  // column 60-61 still there
  const TElementSet shorter = ParseElementLines(kIssLine1.substr(0, 40), kIssLine2);
  EXPECT_EQ(shorter.bStar, 0.0);
  EXPECT_EQ(shorter.meanMotionDdot, 0.0);
  EXPECT_NE(shorter.meanMotionDot, 0.0);  // " .000190" of the cut field
}

TEST(ElementLines, CatalogueNumberKeepsLettersAndSpaces) {
  std::string l1 = kIssLine1;
  l1.replace(2, 5, "a0001");
  EXPECT_EQ(ParseElementLines(l1, kIssLine2).catalogueNumber, "A0001");
  l1.replace(2, 5, " 5   ");
  EXPECT_EQ(ParseElementLines(l1, kIssLine2).catalogueNumber, " 5   ");
}

TEST(ElementLines, EpochCentury) {
  std::string l1 = kIssLine1;
  l1.replace(18, 14, "57001.00000000");
  EXPECT_DOUBLE_EQ(ParseElementLines(l1, kIssLine2).epochJD, 2435839.5);
  l1.replace(18, 14, "56001.00000000");
  EXPECT_DOUBLE_EQ(ParseElementLines(l1, kIssLine2).epochJD, JulianDateOfYear(2056) + 1);
}

TEST(ElementLines, DeepSpaceChoiceAt225Minutes) {
  // At the inclination where 3 cos^2 i - 1 = 0 the J2 term of the un-Kozai correction vanishes (it
  // is of the order of 1e-20 in doubles, far below one part in 2^-53), so the period the choice is
  // made on is exactly 2 pi / n whatever the eccentricity: 225 minutes is 6.4 revolutions a day.
  const double magic = std::acos(1.0 / std::sqrt(3.0));
  const double at225 = kTwoPiD / 225.0;  // rad/min
  for (double e : {0.0, 0.01, 0.5}) {
    EXPECT_TRUE(IsDeepSpace(at225, e, magic)) << "exactly 225 minutes, e " << e;
    EXPECT_FALSE(IsDeepSpace(at225 * (1.0 + 1e-12), e, magic)) << "just under 225 minutes, e " << e;
  }
  // GPS (2 rev/day) is deep space, the ISS is not.
  EXPECT_TRUE(IsDeepSpace(2.0 * kTwoPiD / 1440.0, 0.01, 0.96));
  EXPECT_FALSE(IsDeepSpace(15.7 * kTwoPiD / 1440.0, 0.001, 0.9));
}

TEST(ElementLines, RejectedSetsLeaveTheSatelliteUntouched) {
  TSatellite sat = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  Vector4 p, v;
  sat.Propagate(sat.EpochJD(), p, v);
  ASSERT_FALSE(sat.NeedsInit());

  const struct {
    const char* what;
    std::string line1, line2;
  } rows[] = {
      {"zero mean motion", kIssLine1, kIssLine2.substr(0, 52) + "00.00000000407269"},
      {"negative mean motion", kIssLine1, kIssLine2.substr(0, 52) + "-5.73745284407269"},
      {"empty lines", "", ""},
      {"epoch day 0", kIssLine1.substr(0, 18) + "06000.83068838" + kIssLine1.substr(32), kIssLine2},
      {"epoch day 367", kIssLine1.substr(0, 18) + "06367.00000000" + kIssLine1.substr(32), kIssLine2},
      {"three-digit epoch year", kIssLine1.substr(0, 18) + "106003.8306883" + kIssLine1.substr(32),
       kIssLine2},
      {"negative eccentricity", kIssLine1, kIssLine2.substr(0, 26) + "-000001" + kIssLine2.substr(33)},
  };
  for (const auto& r : rows) {
    EXPECT_THROW(sat.SetElements(r.line1, r.line2), EElementError) << r.what;
    EXPECT_EQ(sat.CatalogueNumber(), "25544") << r.what;
    EXPECT_DOUBLE_EQ(sat.MeanMotion(), 15.73745284 * kTwoPiD / 1440.0) << r.what;
    EXPECT_FALSE(sat.NeedsInit()) << r.what;
  }
  // Values handed over as numbers are checked the same way.
  for (double bad : {std::nan(""), HUGE_VAL}) {
    TElementSet e = sat.Elements();
    e.inclination = bad;
    EXPECT_THROW(sat.SetElementSet(e), EElementError);
    EXPECT_DOUBLE_EQ(sat.Inclination(), Radians(51.6458));
  }
  // A field too large to read is unreadable and reads as 0, like any other.
  EXPECT_DOUBLE_EQ(
      ParseElementLines(kIssLine1, kIssLine2.substr(0, 8) + "1e999999" + kIssLine2.substr(16)).inclination,
      0);

  // A fresh satellite given bad lines has no elements and cannot be propagated.
  TSatellite empty;
  EXPECT_THROW(empty.SetElements(rows[0].line1, rows[0].line2), EOrbitError);
  EXPECT_FALSE(empty.HasElements());
  EXPECT_THROW(empty.Propagate(2451545.0, p, v), EPropagationError);
  EXPECT_FALSE(empty.TryPropagate(2451545.0, p, v));
}

TEST(ElementLines, NewElementsForceReinitialisation) {
  TSatellite sat = TSatellite::Create("ISS", kIssLine1, kIssLine2);
  Vector4 p1, v1, p2, v2;
  sat.Propagate(sat.EpochJD(), p1, v1);
  std::string l2 = kIssLine2;
  l2.replace(8, 8, "098.0000");
  sat.SetElements(kIssLine1, l2);
  EXPECT_TRUE(sat.NeedsInit());
  sat.Propagate(sat.EpochJD(), p2, v2);
  EXPECT_GT(std::fabs(p2.z - p1.z) + std::fabs(v2.z - v1.z), 1e-3);
}

}  // namespace
}  // namespace nimbrel::orbit
