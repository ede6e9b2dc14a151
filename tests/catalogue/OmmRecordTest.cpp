// From the fields of one OMM record to an element set.

#include "catalogue/OmmRecord.h"

#include <gtest/gtest.h>

#include <cmath>

#include "orbit/OrbitTime.h"

namespace nimbrel::catalogue {
namespace {

TEST(OmmRecord, EpochInTheLinesForm) {
  const struct {
    const char* text;
    double raw;  // 0: refused
  } cases[] = {
      {"2006-01-03T19:56:11.476032", 6003.83068838},
      {"2006-003T19:56:11.476032Z", 6003.83068838},
      {" 2024-12-31T00:00:00 ", 24366.0},  // leap year
      {"2023-12-31T12:00:00z", 23365.5},
      {"1957-01-01T00:00:00", 57001.0},
      {"2056-12-31T23:59:59.999999999999999999999", 56366.99999999999},
      {"2000-02-29T06:00:00.0", 60.25},
      {"1956-12-31T23:59:59", 0},  // two-digit years cannot name it
      {"2057-01-01T00:00:00", 0},
      {"2023-02-29T00:00:00", 0},
      {"2023-13-01T00:00:00", 0},
      {"2023-366T00:00:00", 0},
      {"2023-000T00:00:00", 0},
      {"2023-01-01T24:00:00", 0},
      {"2023-01-01T23:60:00", 0},
      {"2016-12-31T23:59:60", 0},  // a leap second has no place in a day fraction
      {"2023-01-01", 0},
      {"2023-01-01T00:00", 0},
      {"2023-01-01T00:00:00.", 0},
      {"2023-01-01T00:00:00+01:00", 0},
      {"23-01-01T00:00:00", 0},
      {"", 0},
  };
  for (const auto& c : cases) {
    const std::optional<double> raw = OmmEpochRaw(c.text);
    if (c.raw == 0) {
      EXPECT_EQ(raw, std::nullopt) << c.text;
    } else {
      ASSERT_TRUE(raw) << c.text;
      EXPECT_NEAR(*raw, c.raw, 1e-10) << c.text;
    }
  }
  // Finer than the lines: a microsecond still shows (a double resolves about 0.1 us here).
  EXPECT_NEAR((*OmmEpochRaw("2006-01-03T00:00:00.000001") - 6003.0) * 86400e6, 1.0, 0.1);
}

TOmmFields IssFields() {
  TOmmFields f;
  f.SetText(TOmmField::ofObjectName, "ISS (ZARYA)");
  f.SetText(TOmmField::ofEpoch, "2006-01-03T19:56:11.476032");
  f.SetNumber(TOmmField::ofMeanMotion, 15.73745284);
  f.SetText(TOmmField::ofEccentricity, ".0010909");
  f.SetNumber(TOmmField::ofInclination, 51.6458);
  f.SetNumber(TOmmField::ofRaOfAscNode, 312.4823);
  f.SetNumber(TOmmField::ofArgOfPericenter, 112.4787);
  f.SetNumber(TOmmField::ofMeanAnomaly, 338.3202);
  f.SetNumber(TOmmField::ofNoradCatId, 25544);
  return f;
}

TEST(OmmRecord, OptionalFieldsReadAsZeroAndCountsKeepWhatTheLinesCarry) {
  const std::optional<TOmmSet> plain = OmmElementSet(IssFields());
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->name, "ISS (ZARYA)");
  EXPECT_EQ(plain->elements.catalogueNumber, "25544");
  EXPECT_EQ(plain->elements.elementSetNumber, "000");
  EXPECT_EQ(plain->elements.bStar, 0.0);
  EXPECT_EQ(plain->elements.meanMotionDot, 0.0);
  EXPECT_EQ(plain->elements.meanMotionDdot, 0.0);
  EXPECT_EQ(plain->elements.revolutionAtEpoch, 0.0);
  EXPECT_EQ(plain->elements.epochJD, orbit::JulianDateOfEpoch(plain->elements.epochRaw));

  const struct {
    const char* elementSet;
    const char* text;
  } sets[] = {{"7", "007"}, {"84", "084"}, {"999", "999"}, {"1000", "000"}, {"12345", "345"}};
  for (const auto& s : sets) {
    TOmmFields f = IssFields();
    f.SetText(TOmmField::ofElementSetNo, s.elementSet);
    f.SetText(TOmmField::ofRevAtEpoch, "140726");
    const std::optional<TOmmSet> set = OmmElementSet(f);
    ASSERT_TRUE(set) << s.elementSet;
    EXPECT_EQ(set->elements.elementSetNumber, s.text);
    // The record holds the revolution number as a real; nothing forces it into five digits.
    EXPECT_EQ(set->elements.revolutionAtEpoch, 140726.0);
  }
}

TEST(OmmRecord, ATheoryOtherThanSgp4IsNoSet) {
  const struct {
    const char* theory;
    bool taken;
  } cases[] = {{"SGP4", true},     {" sgp4 ", true}, {"", true},
               {"SGP4-XP", false}, {"DSST", false},  {"SGP", false}};
  for (const auto& c : cases) {
    TOmmFields f = IssFields();
    f.SetText(TOmmField::ofMeanElementTheory, c.theory);
    EXPECT_EQ(OmmElementSet(f).has_value(), c.taken) << c.theory;
  }
  TOmmFields f = IssFields();
  f.SetNumber(TOmmField::ofMeanElementTheory, 4);
  EXPECT_FALSE(OmmElementSet(f));
}

TEST(OmmRecord, EveryRequiredFieldIsNeeded) {
  for (const TOmmField field :
       {TOmmField::ofEpoch, TOmmField::ofMeanMotion, TOmmField::ofEccentricity, TOmmField::ofInclination,
        TOmmField::ofRaOfAscNode, TOmmField::ofArgOfPericenter, TOmmField::ofMeanAnomaly,
        TOmmField::ofNoradCatId}) {
    TOmmFields absent = IssFields();
    absent.SetText(field, "  ");
    EXPECT_FALSE(OmmElementSet(absent)) << OmmFieldName(field);
    TOmmFields invalid = IssFields();
    invalid.SetInvalid(field);
    EXPECT_FALSE(OmmElementSet(invalid)) << OmmFieldName(field);
    TOmmFields notANumber = IssFields();
    notANumber.SetText(field, "nan");
    EXPECT_FALSE(OmmElementSet(notANumber)) << OmmFieldName(field);
  }
  for (const char* number : {"0", "-5", "1000000000", "25544.0", "0x10", "2 5544"}) {
    TOmmFields f = IssFields();
    f.SetText(TOmmField::ofNoradCatId, number);
    EXPECT_FALSE(OmmElementSet(f)) << number;
  }
  TOmmFields largest = IssFields();
  largest.SetText(TOmmField::ofNoradCatId, "999999999");
  EXPECT_EQ(OmmElementSet(largest)->elements.catalogueNumber, "999999999");
}

}  // namespace
}  // namespace nimbrel::catalogue
