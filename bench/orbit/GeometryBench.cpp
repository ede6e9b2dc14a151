// Cost of the per-frame geometry: a sub-satellite point, a full Observe, the Sun and the Moon.

#include <benchmark/benchmark.h>

#include "orbit/Geometry.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"
#include "orbit/SunMoon.h"

namespace {

using namespace nimbrel::orbit;

TSatellite Iss() {
  return TSatellite::Create("ISS", "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
                            "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269");
}

void BM_CalculateLatLonAlt(benchmark::State& state) {
  Vector4 p{3013.2, 2879.2, 5261.9, 0.0};
  double jd = 2453739.33;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CalculateLatLonAlt(p, jd));
    jd += 1e-6;
  }
}
BENCHMARK(BM_CalculateLatLonAlt);

void BM_Observe(benchmark::State& state) {
  TSatellite iss = Iss();
  const GeodeticPoint observer{0.9, 0.1, 0.01, 0.0};
  double jd = iss.EpochJD();
  TObservation o;
  for (auto _ : state) {
    benchmark::DoNotOptimize(iss.Observe(observer, jd, 0.0, o));
    jd += 1e-4;
  }
}
BENCHMARK(BM_Observe);

void BM_SolarPosition(benchmark::State& state) {
  double jd = 2451545.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(SolarPosition(jd));
    jd += 1e-3;
  }
}
BENCHMARK(BM_SolarPosition);

void BM_MoonPosition(benchmark::State& state) {
  TDateTime dt = 36526.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MoonPosition(dt));
    dt += 1e-3;
  }
}
BENCHMARK(BM_MoonPosition);

}  // namespace

BENCHMARK_MAIN();
