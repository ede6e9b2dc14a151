// Passes over 24 hours for a whole catalogue from one observer: 10,000 generated sets, one in ten deep
// space (geostationary, GPS-like and transfer orbits), the rest low orbits at every inclination.
// Searched on all processor cores and on one.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "orbit/Passes.h"
#include "orbit/Satellite.h"

namespace {

using namespace nimbrel::orbit;

constexpr int kSets = 10000;

std::string Line1(int number, double epochDay) {
  char line[80];
  std::snprintf(line, sizeof line, "1 %05dU 98067A   21%012.8f  .00001234  00000-0  12345-3 0  9990", number,
                epochDay);
  return line;
}

std::string Line2(int number, double inclination, double raan, double eccentricity, double argPerigee,
                  double meanAnomaly, double revsPerDay) {
  char line[80];
  std::snprintf(line, sizeof line, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f%5d0", number, inclination,
                raan, static_cast<int>(eccentricity * 1e7), argPerigee, meanAnomaly, revsPerDay,
                number % 100000);
  return line;
}

std::vector<TSatellite> Catalogue() {
  std::mt19937 random(20210601);
  std::uniform_real_distribution<double> angle(0.0, 359.9999);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<TSatellite> sats;
  sats.reserve(kSets);
  for (int i = 0; i < kSets; ++i) {
    const int number = 10000 + i;
    const double epochDay = 150.0 + 5.0 * unit(random);
    double inclination = angle(random) / 2.0;
    double eccentricity = 0.0;
    double revsPerDay = 0.0;
    if (i % 10 != 0) {
      revsPerDay = 12.0 + 3.8 * unit(random);
      eccentricity = 0.01 * unit(random);
    } else {
      switch ((i / 10) % 4) {
        case 0:
        case 1:  // geostationary and drifting near it
          revsPerDay = 1.0027 + 0.02 * (unit(random) - 0.5);
          eccentricity = 0.001 * unit(random);
          inclination = 15.0 * unit(random);
          break;
        case 2:  // navigation satellites
          revsPerDay = 2.0056;
          eccentricity = 0.02 * unit(random);
          inclination = 55.0 + 10.0 * unit(random);
          break;
        default:  // transfer orbits and Molniyas
          revsPerDay = 2.0 + 0.3 * unit(random);
          eccentricity = 0.6 + 0.13 * unit(random);
          inclination = 7.0 + 57.0 * unit(random);
          break;
      }
    }
    sats.push_back(TSatellite::Create(
        "OBJECT " + std::to_string(number), Line1(number, epochDay),
        Line2(number, inclination, angle(random), eccentricity, angle(random), angle(random), revsPerDay)));
  }
  return sats;
}

void BM_CataloguePasses24h(benchmark::State& state) {
  static const std::vector<TSatellite> sats = Catalogue();
  TPassSearch search;
  search.observer = {52.0 * 3.14159265358979 / 180.0, 5.0 * 3.14159265358979 / 180.0, 0.01, 0.0};
  search.startJD = 2459366.5;  // 2021 June 2, 0h UTC
  search.endJD = search.startJD + 1.0;
  const auto threads = static_cast<unsigned>(state.range(0));
  std::size_t passes = 0;
  std::size_t skipped = 0;
  std::size_t failed = 0;
  for (auto _ : state) {
    const std::vector<TPassList> found = FindPassesForAll(sats, search, threads);
    passes = skipped = failed = 0;
    for (const TPassList& list : found) {
      passes += list.passes.size();
      skipped += list.neverRises ? 1 : 0;
      failed += list.status == TPassStatus::psFailed ? 1 : 0;
    }
  }
  state.counters["threads"] = threads == 0 ? std::thread::hardware_concurrency() : threads;
  state.counters["satellites"] = static_cast<double>(sats.size());
  state.counters["passes"] = static_cast<double>(passes);
  state.counters["never_rise"] = static_cast<double>(skipped);
  state.counters["failed"] = static_cast<double>(failed);
}
// 0: one thread per core; 1: one core.
BENCHMARK(BM_CataloguePasses24h)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
