// The catalogue's rules for records, duplicates, names and catalogue numbers.

#include "catalogue/SatelliteList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KeplerTestData.h"

namespace nimbrel::catalogue {
namespace {

using testing::MakeLines;
using testing::Record;

constexpr const char* kEarly = "06003.50000000";
constexpr const char* kLate = "06004.50000000";

std::unique_ptr<orbit::TSatellite> Satellite(std::string_view number, std::string_view epoch = kEarly) {
  const auto lines = MakeLines(number, epoch);
  auto satellite = std::make_unique<orbit::TSatellite>();
  satellite->SetElements(lines.line1, lines.line2);
  return satellite;
}

// Every entry can be found again by its name and its catalogue number, and the names are in order.
void ExpectConsistent(const TSatelliteList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.IndexOf(list.NameAt(i)), i) << list.NameAt(i);
    EXPECT_EQ(list.IndexOfCatalogueNumber(list.CatalogueNumberAt(i)), i) << list.NameAt(i);
    EXPECT_EQ(list.SatelliteAt(i).Name(), list.NameAt(i));
    if (i > 0) {
      EXPECT_TRUE(TNameLess()(list.NameAt(i - 1), list.NameAt(i))) << list.NameAt(i);
    }
  }
}

TEST(SatelliteList, LoadsRecordsSortedByName) {
  TSatelliteList list;
  list.LoadFromText(Record("ZARYA", "25544") + Record("hst", "20580") + Record("Moon Probe", "00001"));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.NameAt(0), "HST");
  EXPECT_EQ(list.NameAt(1), "MOON PROBE");
  EXPECT_EQ(list.NameAt(2), "ZARYA");
  EXPECT_EQ(list.CatalogueNumberAt(0), "20580");
  EXPECT_EQ(list.SatelliteAt(2).CatalogueNumber(), "25544");
  EXPECT_NEAR(list.SatelliteAt(2).Eccentricity(), 0.0010909, 1e-12);
  EXPECT_EQ(list.IndexOf("moon probe"), 1);
  EXPECT_EQ(list.IndexOf("MOON"), -1);
  ExpectConsistent(list);
}

TEST(SatelliteList, DropsBadRecordsAndReadsOn) {
  const auto good = MakeLines("00005");
  const auto iss = MakeLines("25544");
  const auto other = MakeLines("25545");
  const auto blank = MakeLines("     ");
  auto zeroMotion = MakeLines("00007");
  zeroMotion.line2.replace(52, 11, "00.00000000");
  const struct {
    const char* what;
    std::string line1, line2;
  } bad[] = {
      {"line 1 starting with a space", " " + iss.line1.substr(1), iss.line2},
      {"line 2 with another catalogue number", iss.line1, other.line2},
      {"blank catalogue number", blank.line1, blank.line2},
      {"zero mean motion", zeroMotion.line1, zeroMotion.line2},
      {"line 2 where line 1 belongs", iss.line2, iss.line1},
  };
  for (const auto& b : bad) {
    TSatelliteList list;
    list.LoadFromText("BAD\n" + b.line1 + "\n" + b.line2 + "\nGOOD\n" + good.line1 + "\n" + good.line2 +
                      "\n");
    ASSERT_EQ(list.Count(), 1) << b.what;
    EXPECT_EQ(list.NameAt(0), "GOOD") << b.what;
  }
}

TEST(SatelliteList, KeepsTheNewestSetOfOneNumber) {
  const struct {
    const char* what;
    const char* firstEpoch;
    const char* secondEpoch;
    const char* survivor;
  } cases[] = {
      {"newer second", kEarly, kLate, "SECOND"},
      {"older second", kLate, kEarly, "FIRST"},
      {"equal epochs: the first stays", kEarly, kEarly, "FIRST"},
  };
  for (const auto& c : cases) {
    TSatelliteList list;
    list.LoadFromText(Record("FIRST", "25544", c.firstEpoch) + Record("SECOND", "25544", c.secondEpoch));
    ASSERT_EQ(list.Count(), 1) << c.what;
    EXPECT_EQ(list.NameAt(0), c.survivor) << c.what;
    EXPECT_EQ(list.SatelliteAt(0).Name(), c.survivor) << c.what;
    EXPECT_EQ(list.IndexOfCatalogueNumber("25544"), 0) << c.what;
  }
  // The same file loaded again changes nothing.
  TSatelliteList list;
  const std::string text = Record("FIRST", "25544", kEarly) + Record("SECOND", "25544", kLate);
  list.LoadFromText(text);
  list.LoadFromText(text);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_DOUBLE_EQ(list.SatelliteAt(0).EpochRaw(), 6004.5);
}

TEST(SatelliteList, KeepsDifferentObjectsUnderOneName) {
  TSatelliteList list;
  list.LoadFromText(Record("COSMOS 2251 DEB", "34427") + Record("COSMOS 2251 DEB", "34428") +
                    Record("cosmos 2251 deb", "34429", kLate));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("34427")), "COSMOS 2251 DEB");
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("34428")), "COSMOS 2251 DEB [34428]");
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("34429")), "COSMOS 2251 DEB [34429]");
  ExpectConsistent(list);

  // A newer set of a bracketed object keeps it apart, and the entry takes the newer set.
  list.LoadFromText(Record("COSMOS 2251 DEB", "34428", kLate));
  ASSERT_EQ(list.Count(), 3);
  const int index = list.IndexOfCatalogueNumber("34428");
  EXPECT_EQ(list.NameAt(index), "COSMOS 2251 DEB [34428]");
  EXPECT_DOUBLE_EQ(list.SatelliteAt(index).EpochRaw(), 6004.5);
  ExpectConsistent(list);

  // Catalogue numbers written with spaces are trimmed inside the brackets, unless another number
  // trims alike.
  list.LoadFromText(Record("COSMOS 2251 DEB", "  444") + Record("COSMOS 2251 DEB", " 444 "));
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("  444")), "COSMOS 2251 DEB [444]");
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber(" 444 ")), "COSMOS 2251 DEB [ 444 ]");
  ExpectConsistent(list);
}

TEST(SatelliteList, FindsAFreeNameWhenTheBracketedOneIsTaken) {
  TSatelliteList list;
  list.LoadFromText(Record("DEB [34428]", "11111") + Record("DEB", "22222") + Record("DEB", "34428") +
                    Record("DEB [34429]", "33333") + Record("DEB [34429] [34429]", "44444") +
                    Record("DEB", "34429"));
  ASSERT_EQ(list.Count(), 6);
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("34428")), "DEB [34428] [34428]");
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("34429")), "DEB [34429] [34429] [34429]");
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("11111")), "DEB [34428]");
  ExpectConsistent(list);
}

TEST(SatelliteList, MovesARenamedSatellite) {
  TSatelliteList list;
  list.LoadFromText(Record("OLD NAME", "25544", kEarly) + Record("NEW NAME", "25544", kLate));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.NameAt(0), "NEW NAME");

  // An older set under yet another name changes nothing.
  list.LoadFromText(Record("OLDER NAME", "25544", kEarly));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.NameAt(0), "NEW NAME");
}

TEST(SatelliteList, RenamedOntoAnotherObjectsNameKeepsBoth) {
  TSatelliteList list;
  list.LoadFromText(Record("ALPHA", "11111", kEarly) + Record("BETA", "22222", kEarly));
  // 11111 comes again, newer, under the name BETA holds.
  list.LoadFromText(Record("BETA", "11111", kLate));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.IndexOf("ALPHA"), -1);
  EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("22222")), "BETA");
  const int moved = list.IndexOfCatalogueNumber("11111");
  EXPECT_EQ(list.NameAt(moved), "BETA [11111]");
  EXPECT_DOUBLE_EQ(list.SatelliteAt(moved).EpochRaw(), 6004.5);
  ExpectConsistent(list);
}

TEST(SatelliteList, AcceptsAShortFinalLineTwo) {
  const auto iss = MakeLines();
  // Cut after the mean motion: the revolution number past the end reads as 0.
  TSatelliteList list;
  list.LoadFromText("ISS\n" + iss.line1 + "\n" + iss.line2.substr(0, 63));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.SatelliteAt(0).RevolutionAtEpoch(), 0.0);
  EXPECT_NEAR(list.SatelliteAt(0).MeanMotion(), 15.73745284 * 2 * 3.14159265358979 / 1440, 1e-9);

  // Cut before the mean motion, it would describe no orbit: such a set is not taken.
  TSatelliteList noMotion;
  noMotion.LoadFromText("ISS\n" + iss.line1 + "\n" + iss.line2.substr(0, 40));
  EXPECT_EQ(noMotion.Count(), 0);
}

TEST(SatelliteList, FindsCatalogueNumbersOfFiveCharactersOnly) {
  TSatelliteList list;
  list.LoadFromText(Record("ONE", "05544") + Record("LETTERS", "a1234") + Record("SPACED", "  123"));
  EXPECT_EQ(list.IndexOfCatalogueNumber("5544"), -1);
  EXPECT_EQ(list.IndexOfCatalogueNumber("005544"), -1);
  EXPECT_EQ(list.IndexOfCatalogueNumber(""), -1);
  EXPECT_EQ(list.IndexOfCatalogueNumber("05544"), list.IndexOf("ONE"));
  EXPECT_EQ(list.IndexOfCatalogueNumber("a1234"), list.IndexOf("LETTERS"));
  EXPECT_EQ(list.IndexOfCatalogueNumber("A1234"), list.IndexOf("LETTERS"));
  EXPECT_EQ(list.IndexOfCatalogueNumber("  123"), list.IndexOf("SPACED"));
  EXPECT_EQ(list.IndexOfCatalogueNumber("123  "), -1);
  EXPECT_EQ(list.IndexOfCatalogueNumber("00123"), -1);
}

TEST(SatelliteList, AddObjectKeepsNamesUnique) {
  TSatelliteList list;
  EXPECT_EQ(list.AddObject("ISS", Satellite("25544")), 0);
  EXPECT_EQ(list.AddObject("HST", Satellite("20580")), 0);
  EXPECT_EQ(list.IndexOf("ISS"), 1);
  // The same name in other letter case keeps the entry's name and place and replaces its satellite.
  EXPECT_EQ(list.AddObject("iss", Satellite("99999")), 1);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.NameAt(1), "ISS");
  EXPECT_EQ(list.CatalogueNumberAt(1), "99999");
  EXPECT_EQ(list.IndexOfCatalogueNumber("25544"), -1);
  EXPECT_EQ(list.IndexOfCatalogueNumber("99999"), 1);
  // AddObject leaves the satellite's own name alone.
  EXPECT_EQ(list.SatelliteAt(1).Name(), "");
  EXPECT_THROW(list.AddObject("NONE", nullptr), std::invalid_argument);
}

TEST(SatelliteList, FindsTheFirstOfSeveralEntriesWithOneNumber) {
  TSatelliteList list;
  list.AddObject("B", Satellite("25544", kEarly));
  list.AddObject("C", Satellite("25544", kEarly));
  list.AddObject("A", Satellite("11111"));
  EXPECT_EQ(list.IndexOfCatalogueNumber("25544"), 1);
  // A newer set finds the first entry, removes it and is filed under its own name.
  list.LoadFromText(Record("C", "25544", kLate));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.IndexOf("B"), -1);
  EXPECT_DOUBLE_EQ(list.SatelliteAt(list.IndexOf("C")).EpochRaw(), 6004.5);
}

TEST(SatelliteList, ClearAndIndexChecks) {
  TSatelliteList list;
  list.LoadFromText(Record("ISS"));
  ASSERT_EQ(list.Count(), 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOf("ISS"), -1);
  EXPECT_EQ(list.IndexOfCatalogueNumber("25544"), -1);
  EXPECT_THROW(list.SatelliteAt(0), std::out_of_range);
  EXPECT_THROW(list.NameAt(-1), std::out_of_range);
  // Loading adds to what is there.
  list.LoadFromText(Record("ISS"));
  list.LoadFromText(Record("HST", "20580"));
  EXPECT_EQ(list.Count(), 2);

  TSatelliteList moved = std::move(list);
  ASSERT_EQ(moved.Count(), 2);
  ExpectConsistent(moved);
}

}  // namespace
}  // namespace nimbrel::catalogue
