// Near-earth propagations per second, initialisation excluded: a handful of LEO sets at many times.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "orbit/OrbitConstants.h"
#include "orbit/Satellite.h"

namespace {

using namespace nimbrel::orbit;

std::vector<TSatellite> NearEarthSet() {
  const char* sets[][2] = {
      {"1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
       "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269"},
      {"1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87",
       "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058"},
      {"1 20580U 90037B   06003.43738312  .00000613  00000-0  37826-4 0  6469",
       "2 20580 028.4689 071.6640 0003700 308.8941 051.1332 14.99770359659493"},
      {"1 33591U 09005A   06003.50000000  .00000100  00000-0  80000-4 0  9990",
       "2 33591 099.1000 010.0000 0014000 100.0000 260.0000 14.12000000100000"},
  };
  std::vector<TSatellite> sats;
  for (const auto& s : sets) sats.push_back(TSatellite::Create("S", s[0], s[1]));
  return sats;
}

void BM_Sgp4Propagate(benchmark::State& state) {
  std::vector<TSatellite> sats = NearEarthSet();
  Vector4 p, v;
  for (TSatellite& s : sats) s.Propagate(s.EpochJD(), p, v);  // initialise outside the timing
  double minutes = -1440.0;
  for (auto _ : state) {
    for (TSatellite& s : sats) {
      s.Propagate(s.EpochJD() + minutes / kMinutesPerDay, p, v);
      benchmark::DoNotOptimize(p);
    }
    minutes += 0.37;
    if (minutes > 1440.0) minutes = -1440.0;
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(sats.size()));
}
BENCHMARK(BM_Sgp4Propagate);

}  // namespace

BENCHMARK_MAIN();
