// Supplemental files: every set of an object is kept, the clock picks among them, and they rank
// above the public set of the same object.

#include <gtest/gtest.h>

#include <string>

#include "KeplerTestData.h"
#include "catalogue/SatelliteList.h"

namespace nimbrel::catalogue {
namespace {

using testing::Record;
using testing::TScratchFolder;

TEST(SupplementalSets, TellsSupplementalFilesByTheirName) {
  EXPECT_TRUE(IsSupplementalFile("sup-iss.csv"));
  EXPECT_TRUE(IsSupplementalFile("/data/kepler/SUP-Starlink.TLE"));
  EXPECT_FALSE(IsSupplementalFile("stations.csv"));
  EXPECT_FALSE(IsSupplementalFile("supplies.txt"));
  EXPECT_FALSE(IsSupplementalFile("iss-sup-.csv"));
  EXPECT_FALSE(IsSupplementalFile("/data/sup-folder/stations.csv"));
}

TEST(SupplementalSets, FolderKeepsEveryPieceAndTheClockChooses) {
  TScratchFolder folder;
  // The public set is newer than every piece and read first: it still gives way.
  folder.Write("stations.txt", Record("ISS (ZARYA)", "25544", "06010.00000000") +
                                   Record("OTHER", "00005", "06003.00000000") +
                                   Record("OTHER", "00005", "06004.00000000"));
  folder.Write("sup-iss.txt", Record("ISS (SUP)", "25544", "06003.50000000") +
                                  Record("ISS (SUP)", "25544", "06003.00000000") +
                                  Record("ISS (SUP)", "25544", "06003.25000000") +
                                  Record("ISS AGAIN", "25544", "06003.25000000"));
  // Another supplemental file's piece of the same object joins them.
  folder.Write("sup-later.txt", Record("ISS LATER", "25544", "06003.75000000"));
  const TSatelliteList list = TSatelliteList::Create(folder.Folder());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.SetCount(), 5);
  const int index = list.IndexOfCatalogueNumber("25544");
  ASSERT_GE(index, 0);
  EXPECT_EQ(list.NameAt(index), "ISS (SUP)");
  const orbit::TSatellite& iss = list.SatelliteAt(index);
  ASSERT_EQ(iss.SetCount(), 4);
  const double first = iss.FirstEpochJD();
  const struct {
    const char* when;
    double jd;
    double epoch;
  } cases[] = {
      {"before the first piece", first - 2.0, first},
      {"exactly at the first epoch", first, first},
      {"between the second and the third", first + 0.3, first + 0.25},
      {"exactly at the third epoch", first + 0.5, first + 0.5},
      {"a week after the last", first + 7.0, first + 0.75},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(iss.ElementsAt(c.jd).epochJD, c.epoch, 1e-8) << c.when;
    EXPECT_NEAR(iss.EpochAgeDays(c.jd), c.jd - c.epoch, 1e-8) << c.when;
  }
  // The public object beside it keeps its newest set alone.
  const orbit::TSatellite& other = list.SatelliteAt(list.IndexOfCatalogueNumber("00005"));
  EXPECT_EQ(other.SetChooser(), nullptr);
  EXPECT_NEAR(other.EpochJD() - first, 1.0, 1e-8);
}

TEST(SupplementalSets, RankAbovePublicSetsInEitherOrder) {
  const std::string pieces =
      Record("ISS (SUP)", "25544", "06003.00000000") + Record("ISS (SUP)", "25544", "06003.25000000");
  const std::string newerPublic = Record("ISS (ZARYA)", "25544", "06009.00000000");
  for (const bool publicFirst : {true, false}) {
    TSatelliteList list;
    if (publicFirst) list.LoadFromText(newerPublic);
    list.LoadFromText(pieces, TSetOrigin::soSupplemental);
    if (!publicFirst) list.LoadFromText(newerPublic);
    ASSERT_EQ(list.Count(), 1) << publicFirst;
    EXPECT_EQ(list.NameAt(0), "ISS (SUP)") << publicFirst;
    EXPECT_EQ(list.SatelliteAt(0).SetCount(), 2) << publicFirst;
  }
}

// Without a supplemental file nothing changes: one set per object, the newest epoch.
TEST(SupplementalSets, PublicSetsStillKeepTheNewestOnly) {
  TSatelliteList list;
  list.LoadFromText(Record("ISS OLD", "25544", "06003.00000000") +
                    Record("ISS NEW", "25544", "06003.50000000") +
                    Record("ISS OLDER", "25544", "06002.00000000"));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.SetCount(), 1);
  EXPECT_EQ(list.NameAt(0), "ISS NEW");
  EXPECT_EQ(list.SatelliteAt(0).SetChooser(), nullptr);
  // A supplemental file with one set of an object files it as any other.
  list.LoadFromText(Record("ISS (SUP)", "25544", "06001.00000000"), TSetOrigin::soSupplemental);
  EXPECT_EQ(list.NameAt(0), "ISS (SUP)");
  EXPECT_EQ(list.SetCount(), 1);
}

}  // namespace
}  // namespace nimbrel::catalogue
