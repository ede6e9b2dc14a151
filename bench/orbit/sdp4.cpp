// Deep-space propagations per second: stepping forward by one minute (what the main view does each
// tick, where the periodic cache and the integrator's continuation pay off) and at random times
// within +-30 days of the epoch (where they mostly do not).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

#include "orbit/OrbitConstants.h"
#include "orbit/Satellite.h"

namespace {

using nimbrel::orbit::kMinutesPerDay;
using nimbrel::orbit::TSatellite;
using nimbrel::orbit::Vector4;

struct TBenchSet {
  const char* line1;
  const char* line2;
};

// A one-day resonant (geostationary), a 12-hour resonant (Molniya), a 12-hour non-resonant
// (GPS-like) and a highly eccentric non-resonant set (the report's deep-space sample).
constexpr TBenchSet kSets[] = {
    {"1 99901U 06040A   06040.50000000 -.00000100  00000-0  10000-3 0    17",
     "2 99901   0.0500  85.0000 0002000  90.0000 180.0000  1.00271000  1000"},
    {"1 99902U 06040B   06040.50000000  .00000100  00000-0  10000-4 0    12",
     "2 99902  63.4000 100.0000 7200000 270.0000  10.0000  2.00600000  1000"},
    {"1 99903U 06040C   06040.50000000  .00000010  00000-0  10000-4 0    14",
     "2 99903  55.0000 200.0000 0050000  40.0000 300.0000  2.00565000  1000"},
    {"1 11801U          80230.29629788  .01431103  00000-0  14311-1      13",
     "2 11801  46.7916 230.4354 7318036  47.4722  10.4117  2.28537848    13"},
};

TSatellite MakeSatellite(std::int64_t index) {
  const TBenchSet& s = kSets[index];
  return TSatellite::Create("bench", s.line1, s.line2);
}

void BM_Sdp4ForwardMinuteSteps(benchmark::State& state) {
  TSatellite sat = MakeSatellite(state.range(0));
  const double step = 1.0 / kMinutesPerDay;
  double jd = sat.EpochJD();
  Vector4 p, v;
  for (auto _ : state) {
    sat.Propagate(jd, p, v);
    benchmark::DoNotOptimize(p);
    jd += step;
    if (jd > sat.EpochJD() + 30.0) jd = sat.EpochJD();  // stay near the epoch, as the program does
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Sdp4RandomTimes(benchmark::State& state) {
  TSatellite sat = MakeSatellite(state.range(0));
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> days(-30.0, 30.0);
  std::vector<double> times(4096);
  for (double& t : times) t = sat.EpochJD() + days(rng);
  std::size_t i = 0;
  Vector4 p, v;
  for (auto _ : state) {
    sat.Propagate(times[i], p, v);
    benchmark::DoNotOptimize(p);
    i = (i + 1) & (times.size() - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

// 0 geostationary, 1 Molniya, 2 GPS-like, 3 the report's sample.
BENCHMARK(BM_Sdp4ForwardMinuteSteps)->DenseRange(0, 3);
BENCHMARK(BM_Sdp4RandomTimes)->DenseRange(0, 3);

}  // namespace

BENCHMARK_MAIN();
