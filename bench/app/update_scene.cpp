// One tick of the main view with many satellites shown: every marker propagated and moved, the primary's
// footprint, status text and 73-node orbit line, all inside one batch of scene changes.

#include <benchmark/benchmark.h>

#include <cmath>
#include <deque>
#include <vector>

#include "app/SceneContent.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"
#include "scene/Lines.h"
#include "scene/Sphere.h"

namespace {

using nimbrel::orbit::TSatellite;

// The ISS set spread out: other planes, other places in the orbit, other heights and tilts, so the
// markers do not all take the same path through the propagator.
std::deque<TSatellite> SpreadSatellites(int count) {
  const TSatellite iss =
      TSatellite::Create("ISS", "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
                         "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269");
  std::deque<TSatellite> satellites;
  for (int i = 0; i < count; ++i) {
    nimbrel::orbit::TElementSet e = iss.Elements();
    const double f = static_cast<double>(i) / count;
    e.rightAscension = std::fmod(e.rightAscension + 6.283185307179586 * f, 6.283185307179586);
    e.meanAnomaly = std::fmod(e.meanAnomaly + 6.283185307179586 * std::fmod(f * 37, 1.0), 6.283185307179586);
    e.inclination = 0.1 + 1.5 * std::fmod(f * 11, 1.0);
    e.meanMotion *= 0.85 + 0.15 * std::fmod(f * 7, 1.0);  // 400 to about 1,300 km up
    e.eccentricity = 0.0005 + 0.02 * std::fmod(f * 3, 1.0);
    TSatellite& s = satellites.emplace_back(iss);
    s.SetElementSet(e);
  }
  return satellites;
}

void BM_UpdateScene(benchmark::State& state) {
  std::deque<TSatellite> satellites = SpreadSatellites(static_cast<int>(state.range(0)));
  std::vector<const TSatellite*> shown;
  for (const TSatellite& s : satellites) shown.push_back(&s);
  nimbrel::app::TSceneContent content;
  content.RebuildMarkers(shown, true);
  content.OrbitLines().SetLinePattern(0xFFFF);
  content.SetHome(-3.2, 56.0);
  content.View().viewpoint = 2;  // the camera follows the primary, as the busiest setting does
  const nimbrel::orbit::TDateTime start =
      nimbrel::orbit::EncodeDateTime(nimbrel::orbit::TCalendarTime{2006, 1, 3, 20, 0, 0, 0});
  int tick = 0;
  for (auto _ : state) {
    // One minute per tick, as the "1" step does: the Sun light moves every sixth tick.
    const auto result = content.UpdateScene(start + (++tick) / 1440.0, {});
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  int hidden = 0;
  for (const auto* marker : content.Markers()) hidden += marker->Visible() ? 0 : 1;
  state.counters["hidden"] = hidden;  // a set the propagator gave up on would make the tick cheaper
}
BENCHMARK(BM_UpdateScene)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
