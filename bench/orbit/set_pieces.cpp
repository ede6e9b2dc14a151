// What several supplemental sets cost a running clock: the ISS as one set and as two weeks of
// 6-hour pieces, propagated at one time per picture with the clock running a minute per picture,
// so that a new piece is taken every 360 pictures. The two should cost about the same.

#include <benchmark/benchmark.h>

#include <vector>

#include "orbit/OrbitConstants.h"
#include "orbit/Satellite.h"

namespace {

using namespace nimbrel::orbit;

constexpr int kPieces = 56;  // two weeks of 6-hour pieces

TSatellite Iss(bool pieces) {
  const TSatellite one =
      TSatellite::Create("ISS", "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
                         "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269");
  if (!pieces) return one;
  std::vector<TElementSet> sets;
  for (int i = 0; i < kPieces; ++i) {
    TElementSet set = one.Elements();
    set.epochJD += 0.25 * i;
    sets.push_back(set);
  }
  TSatellite iss = one;
  iss.SetElementSets(sets);
  return iss;
}

void BM_ClockThroughTwoWeeks(benchmark::State& state) {
  TSatellite iss = Iss(state.range(0) != 0);
  const double start = iss.EpochJD();
  Vector4 p, v;
  double minutes = 0.0;
  for (auto _ : state) {
    iss.Propagate(start + minutes / kMinutesPerDay, p, v);
    benchmark::DoNotOptimize(p);
    minutes += 1.0;
    if (minutes > 14.0 * kMinutesPerDay) minutes = 0.0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClockThroughTwoWeeks)->ArgName("pieces")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
