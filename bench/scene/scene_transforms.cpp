// The per-tick cost of the transform machinery: many markers under one globe, all moved every tick, then
// the frame's RefreshTransforms and a world-matrix read of every marker (as distance sorting does).

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "scene/Scene.h"

namespace {

using nimbrel::scene::TBaseSceneObject;
using nimbrel::scene::TScene;

struct TMarkerScene {
  explicit TMarkerScene(int count) : globe(scene.ObjectRoot().AddNewChild<TBaseSceneObject>()) {
    markers.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) markers.push_back(&globe.AddNewChild<TBaseSceneObject>());
  }

  // Places every marker on a ring that turns with the tick, inside one batch as the main view does.
  void MoveMarkers(int tick) {
    scene.BeginChanges();
    const double n = double(markers.size());
    for (std::size_t i = 0; i < markers.size(); ++i) {
      const double a = (double(i) + tick) * 6.283185307179586 / n;
      markers[i]->Position().AssignPoint(float(7 * std::cos(a)), float(0.01 * double(i)),
                                         float(7 * std::sin(a)));
    }
    scene.EndChanges();
  }

  float ReadWorldPositions() {
    float sum = 0;
    for (TBaseSceneObject* marker : markers) sum += marker->GetWorldPosition().x;
    return sum;
  }

  TScene scene;
  TBaseSceneObject& globe;
  std::vector<TBaseSceneObject*> markers;
};

void BM_MoveRefreshAndReadWorld(benchmark::State& state) {
  TMarkerScene s(int(state.range(0)));
  int tick = 0;
  for (auto _ : state) {
    s.MoveMarkers(++tick);
    s.scene.ObjectRoot().RefreshTransforms();
    benchmark::DoNotOptimize(s.ReadWorldPositions());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MoveRefreshAndReadWorld)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MoveOnly(benchmark::State& state) {
  TMarkerScene s(int(state.range(0)));
  int tick = 0;
  for (auto _ : state) {
    s.MoveMarkers(++tick);
    s.scene.ObjectRoot().RefreshTransforms();  // clears the flags so that every move counts again
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MoveOnly)->Arg(10000)->Unit(benchmark::kMillisecond);

// Only the globe turns: every marker's world matrix must follow although none of them moved.
void BM_ParentTurnsChildrenFollow(benchmark::State& state) {
  TMarkerScene s(int(state.range(0)));
  s.MoveMarkers(0);
  int tick = 0;
  for (auto _ : state) {
    s.globe.SetTurnAngle(float(++tick % 360));
    s.scene.ObjectRoot().RefreshTransforms();
    benchmark::DoNotOptimize(s.ReadWorldPositions());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParentTurnsChildrenFollow)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
