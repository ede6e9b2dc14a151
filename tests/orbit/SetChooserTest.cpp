// Several sets of one object, each fitted from its epoch forward: which one a time gets, and that
// the propagator follows it.

#include "orbit/SetChooser.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "orbit/OrbitConstants.h"
#include "orbit/Satellite.h"

namespace nimbrel::orbit {
namespace {

// ISS, 2006 January 3.
constexpr const char* kIssLine1 = "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844";
constexpr const char* kIssLine2 = "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269";

// Pieces six hours apart, each a little different, as an operator's ephemeris fitted piece by piece.
std::vector<TElementSet> Pieces(int count) {
  const TElementSet base = ParseElementLines(kIssLine1, kIssLine2);
  std::vector<TElementSet> sets;
  for (int i = 0; i < count; ++i) {
    TElementSet set = base;
    set.epochJD += 0.25 * i;
    set.meanAnomaly += 0.1 * i;
    sets.push_back(set);
  }
  return sets;
}

TEST(SetChooser, TheLatestEpochNotAfterTheTimeWins) {
  std::vector<TElementSet> given = Pieces(4);
  const double e0 = given[0].epochJD;
  // Handed over in any order.
  std::swap(given[0], given[3]);
  const TSetChooser chooser(given);
  ASSERT_EQ(chooser.Count(), 4u);
  const struct {
    const char* when;
    double jd;
    std::size_t set;
  } cases[] = {
      {"a day before the first epoch", e0 - 1.0, 0},     {"exactly at the first epoch", e0, 0},
      {"between the first and the second", e0 + 0.1, 0}, {"exactly at the second epoch", e0 + 0.25, 1},
      {"a moment before the third", e0 + 0.4999, 1},     {"exactly at the last epoch", e0 + 0.75, 3},
      {"two weeks after the last", e0 + 14.75, 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(chooser.IndexFor(c.jd), c.set) << c.when;
    // Whatever set is in use, the answer is the same.
    for (std::size_t inUse = 0; inUse < 5; ++inUse) EXPECT_EQ(chooser.IndexFor(c.jd, inUse), c.set) << c.when;
    EXPECT_DOUBLE_EQ(chooser.Sets()[c.set].epochJD, e0 + 0.25 * static_cast<double>(c.set)) << c.when;
  }
}

TEST(SetChooser, TheSameEpochTwiceKeepsTheFirstGiven) {
  std::vector<TElementSet> sets = Pieces(2);
  TElementSet again = sets[1];
  again.meanAnomaly = 1.0;
  sets.push_back(again);
  const TSetChooser chooser(sets);
  ASSERT_EQ(chooser.Count(), 2u);
  EXPECT_EQ(chooser.Sets()[1].meanAnomaly, sets[1].meanAnomaly);
  EXPECT_THROW(TSetChooser({}), std::invalid_argument);
}

// The satellite propagates each time with the set for it, exactly as a satellite given that set
// alone would, however the clock jumps about.
TEST(SetChooser, SatellitePropagatesWithTheSetForEachTime) {
  const std::vector<TElementSet> sets = Pieces(3);
  TSatellite pieces;
  pieces.SetElementSets(sets);
  EXPECT_EQ(pieces.SetCount(), 3);
  EXPECT_DOUBLE_EQ(pieces.FirstEpochJD(), sets[0].epochJD);
  EXPECT_DOUBLE_EQ(pieces.LatestEpochJD(), sets[2].epochJD);
  const double e0 = sets[0].epochJD;
  const struct {
    double jd;
    std::size_t set;
  } times[] = {{e0 + 0.3, 1}, {e0 - 0.5, 0}, {e0 + 0.3, 1}, {e0 + 0.5, 2}, {e0 + 3.0, 2}, {e0 + 0.1, 0}};
  for (const auto& t : times) {
    TSatellite alone;
    alone.SetElementSet(sets[t.set]);
    EXPECT_DOUBLE_EQ(pieces.EpochAgeDays(t.jd), t.jd - sets[t.set].epochJD) << t.jd - e0;
    Vector4 p;
    Vector4 v;
    Vector4 expected;
    Vector4 ignored;
    pieces.Propagate(t.jd, p, v);
    alone.Propagate(t.jd, expected, ignored);
    EXPECT_EQ(p.x, expected.x) << t.jd - e0;
    EXPECT_EQ(p.y, expected.y) << t.jd - e0;
    EXPECT_EQ(p.z, expected.z) << t.jd - e0;
    EXPECT_DOUBLE_EQ(pieces.EpochJD(), sets[t.set].epochJD) << t.jd - e0;
  }
}

TEST(SetChooser, ReinitialisesOnlyWhenThePieceChanges) {
  const std::vector<TElementSet> sets = Pieces(2);
  TSatellite pieces;
  pieces.SetElementSets(sets);
  Vector4 p;
  Vector4 v;
  pieces.Propagate(sets[0].epochJD + 0.1, p, v);
  EXPECT_FALSE(pieces.NeedsInit());
  pieces.ChooseSetFor(sets[0].epochJD + 0.2);
  EXPECT_FALSE(pieces.NeedsInit());
  pieces.ChooseSetFor(sets[1].epochJD);
  EXPECT_TRUE(pieces.NeedsInit());
  // A copy kept elsewhere with another piece in use still has the same sets.
  TSatellite copy = pieces;
  copy.ChooseSetFor(sets[0].epochJD);
  EXPECT_TRUE(copy.SameSetsAs(pieces));
  TSatellite other;
  other.SetElementSets(Pieces(3));
  EXPECT_FALSE(other.SameSetsAs(pieces));
  EXPECT_FALSE(pieces.SameSetsAs(other));
  // Two sets of one epoch make a chooser of one set: the same as that set given alone.
  TSatellite twice;
  twice.SetElementSets({sets[0], sets[0]});
  TSatellite alone;
  alone.SetElementSet(sets[0]);
  EXPECT_TRUE(twice.SameSetsAs(alone));
  EXPECT_TRUE(alone.SameSetsAs(twice));
  alone.SetElementSet(sets[1]);
  EXPECT_FALSE(twice.SameSetsAs(alone));
  // One set given later replaces them all.
  pieces.SetElementSet(sets[1]);
  EXPECT_EQ(pieces.SetChooser(), nullptr);
  EXPECT_EQ(pieces.SetCount(), 1);
}

TEST(SetChooser, RejectedSetsLeaveTheSatelliteAsItWas) {
  TSatellite pieces;
  pieces.SetElementSets(Pieces(2));
  std::vector<TElementSet> bad = Pieces(3);
  bad[2].meanMotion = 0.0;
  EXPECT_THROW(pieces.SetElementSets(bad), EElementError);
  std::vector<TElementSet> mixed = Pieces(2);
  mixed[1].catalogueNumber = "25545";
  EXPECT_THROW(pieces.SetElementSets(mixed), EElementError);
  EXPECT_THROW(pieces.SetElementSets({}), EElementError);
  EXPECT_EQ(pieces.SetCount(), 2);
}

}  // namespace
}  // namespace nimbrel::orbit
