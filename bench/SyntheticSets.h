#pragma once
// One recipe for the benchmarks' catalogues: element sets spread over every kind of orbit the public
// catalogue holds, one in ten deep space, so that the figures of loading, propagating and drawing all
// speak of the same sets.

#include <cstdio>
#include <string>

namespace nimbrel::bench {

struct TSyntheticSet {
  std::string name;
  char line1[80];
  char line2[80];
};

// Set `i` of the recipe, its epoch on day `epochDay` of the two-digit year `epochYear`, moved on by
// `dayStep` for each of a thousand sets in turn (so that epochs differ as a real catalogue's do).
inline TSyntheticSet SyntheticSet(int i, int epochYear = 21, double epochDay = 121.0,
                                  double dayStep = 0.001) {
  TSyntheticSet set;
  const int number = 10000 + i;
  const bool deepSpace = i % 10 == 0;
  const double meanMotion = deepSpace ? 1.0027 + (i % 100) * 0.01 : 14.0 + (i % 200) * 0.01;
  set.name = "OBJECT " + std::to_string(number);
  std::snprintf(set.line1, sizeof set.line1,
                "1 %05dU 98067A   %02d%012.8f  .00001234  00000-0  12345-3 0  9990", number, epochYear,
                epochDay + (i % 1000) * dayStep);
  std::snprintf(set.line2, sizeof set.line2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f%5d0", number,
                (i * 7) % 1800 / 10.0, (i * 13) % 3600 / 10.0, (i * 37) % 200000, (i * 17) % 3600 / 10.0,
                (i * 29) % 3600 / 10.0, meanMotion, i % 100000);
  return set;
}

}  // namespace nimbrel::bench
