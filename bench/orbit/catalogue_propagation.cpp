// SGP4 and SDP4 over a catalogue, one core: 10,000 sets, one in ten deep space, each propagated to
// 100 instants 14.4 minutes apart from a day after its epoch before the next set is taken (as a tool
// printing a day of positions for every satellite does). Initialisation is part of the first call,
// as it is for a catalogue just loaded.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "orbit/OrbitConstants.h"
#include "orbit/Satellite.h"

#include "SyntheticSets.h"

namespace {

using nimbrel::orbit::kMinutesPerDay;
using nimbrel::orbit::TSatellite;
using nimbrel::orbit::Vector4;

constexpr int kSets = 10000;
constexpr int kInstants = 100;
constexpr double kStepDays = 0.01;  // 14.4 minutes

// The same spread of orbits as the 30,000-set start-up benchmark's file.
std::vector<TSatellite> Catalogue() {
  std::vector<TSatellite> sats;
  sats.reserve(kSets);
  for (int i = 0; i < kSets; ++i) {
    const nimbrel::bench::TSyntheticSet set = nimbrel::bench::SyntheticSet(i);
    sats.push_back(TSatellite::Create(set.name, set.line1, set.line2));
  }
  return sats;
}

void BM_CatalogueSatelliteBySatellite(benchmark::State& state) {
  const std::vector<TSatellite> catalogue = Catalogue();
  std::int64_t failed = 0;
  double checksum = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<TSatellite> sats = catalogue;  // fresh, so every round initialises as the first did
    state.ResumeTiming();
    Vector4 p, v;
    for (TSatellite& s : sats) {
      const double start = s.EpochJD() + 1.0;
      for (int k = 0; k < kInstants; ++k) {
        if (s.TryPropagate(start + k * kStepDays, p, v)) {
          checksum += p.x;
        } else {
          ++failed;
        }
      }
    }
    benchmark::DoNotOptimize(checksum);
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t{kSets} * kInstants);
  state.counters["failed"] = static_cast<double>(failed) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CatalogueSatelliteBySatellite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
