// nimbrel-ephem's rows over a catalogue: several threads give the text one thread gives, byte for
// byte, in catalogue order.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "EphemFormat.h"
#include "EphemRows.h"

namespace nimbrel::tools {
namespace {

// Near-earth and deep-space sets, one that decays within days and one with no elements at all.
std::vector<orbit::TSatellite> Catalogue(int count) {
  std::vector<orbit::TSatellite> sats;
  for (int i = 0; i < count; ++i) {
    char line1[80];
    char line2[80];
    std::snprintf(line1, sizeof line1, "1 %05dU 98067A   21121.50000000  .00001234  00000-0  %s 0  9990",
                  10000 + i, i % 7 == 3 ? "10000-1" : "12345-3");
    std::snprintf(line2, sizeof line2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f%5d0", 10000 + i,
                  (i * 7) % 1800 / 10.0, (i * 13) % 3600 / 10.0, (i * 37) % 200000, (i * 17) % 3600 / 10.0,
                  (i * 29) % 3600 / 10.0, i % 10 == 0 ? 1.0027 + i % 100 * 0.01 : 14.0 + i % 200 * 0.01, i);
    sats.push_back(orbit::TSatellite::Create("OBJECT " + std::to_string(i), line1, line2));
  }
  sats.emplace_back();
  return sats;
}

std::string Rows(std::vector<orbit::TSatellite> sats, const std::vector<TRowTime>& times,
                 const std::optional<orbit::GeodeticPoint>& observer, unsigned threads) {
  std::vector<orbit::TSatellite*> pointers;
  for (orbit::TSatellite& s : sats) pointers.push_back(&s);
  std::string text;
  WriteSatelliteRows(pointers, times, observer, threads, [&](std::string_view rows) { text += rows; });
  return text;
}

TEST(EphemRows, AnyNumberOfThreadsGivesTheOneThreadText) {
  const auto observer = ParseObserver("52,5,0.1");
  // One time: a few large chunks. 260 times: one satellite a chunk, more chunks than one block holds.
  const std::vector<TRowTime> one = {{false, 2459336.0}};
  std::vector<TRowTime> many = {{true, -1440.0}};
  for (int k = 0; k < 259; ++k) many.push_back({false, 2459336.0 + k * 0.5});
  const struct {
    std::vector<TRowTime> times;
    int count;
    std::optional<orbit::GeodeticPoint> observer;
  } cases[] = {{one, 700, observer}, {many, 260, std::nullopt}};
  for (const auto& c : cases) {
    const std::vector<orbit::TSatellite> sats = Catalogue(c.count);
    std::string expected;
    std::vector<orbit::TSatellite> fresh = sats;
    for (orbit::TSatellite& s : fresh) {
      for (const TRowTime& t : c.times) {
        const double jd = t.sinceEpoch ? s.EpochJD() + t.value / 1440.0 : t.value;
        expected += SatelliteRow(s, jd, c.observer) + "\n";
      }
    }
    EXPECT_EQ(Rows(sats, c.times, c.observer, 1), expected) << c.times.size() << " times";
    EXPECT_EQ(Rows(sats, c.times, c.observer, 3), expected) << c.times.size() << " times";
  }
  EXPECT_TRUE(Rows({}, one, std::nullopt, 2).empty());
}

// Several supplemental sets: --tsince counts from the first one's epoch, and each row's tsince_min
// from the epoch of the set it used.
TEST(EphemRows, PiecesCountMinutesFromTheSetEachRowUses) {
  const orbit::TSatellite one = Catalogue(1).front();
  orbit::TElementSet later = one.Elements();
  later.epochJD += 0.25;
  orbit::TSatellite pieces = one;
  pieces.SetElementSets({later, one.Elements()});
  const std::string text = Rows({pieces}, {{true, 0.0}, {true, 420.0}, {true, -60.0}}, std::nullopt, 1);
  std::vector<std::string> minutes;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    const std::string row = text.substr(start, end - start);
    const std::size_t a = row.find(',', row.find(',') + 1) + 1;
    minutes.push_back(row.substr(a, row.find(',', a) - a));
    start = end + 1;
  }
  EXPECT_EQ(minutes, (std::vector<std::string>{"0.000000", "60.000000", "-60.000000"}));
}

}  // namespace
}  // namespace nimbrel::tools
