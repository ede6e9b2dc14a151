// The whole public catalogue in the main view: 30,000 satellites of every kind of orbit shown at once.
// What a steady 800 x 600 frame costs, one update (propagate, place, trails), a hover pick in the
// middle of the view (with points: the selection pick for the spheres and the points found on the
// CPU), and rebuilding the markers (as "All satellites", a new primary or new data do),
// with the first frame after it, where the renderer's resources for the new markers are made.
//
// Run under xvfb-run (or with a display): the off-screen platform reaches the X server's OpenGL.

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "app/SceneContent.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"
#include "scene/Camera.h"
#include "scene/Lines.h"
#include "scene/OffscreenRenderer.h"

#include "SyntheticSets.h"

namespace {

using nimbrel::app::TSceneContent;
using nimbrel::orbit::TSatellite;

// Element sets spread over every kind of orbit a catalogue holds (one in ten deep space), with epochs
// in May 2021, the same recipe as the snapshot start-up benchmark's file.
std::deque<TSatellite> Catalogue(int count) {
  std::deque<TSatellite> satellites;
  for (int i = 0; i < count; ++i) {
    const nimbrel::bench::TSyntheticSet set = nimbrel::bench::SyntheticSet(i);
    satellites.push_back(TSatellite::Create(set.name, set.line1, set.line2));
  }
  return satellites;
}

const nimbrel::orbit::TDateTime kStart =
    nimbrel::orbit::EncodeDateTime(nimbrel::orbit::TCalendarTime{2021, 5, 1, 12, 0, 0, 0});

// The main view as the window has it after start-up with the catalogue shown: trails on, the
// primary's orbit drawn, the whole globe in view.
struct TLiveView {
  explicit TLiveView(int count, bool trails = true) : satellites(Catalogue(count)) {
    for (const TSatellite& s : satellites) shown.push_back(&s);
    content.OrbitLines().SetLinePattern(0xFFFF);
    content.SetHome(-3.2, 56.0);
    content.View().zoom = 4;
    content.PlaceCamera();
    content.RebuildMarkers(shown, trails);
    content.UpdateScene(kStart, {});
    renderer.SetBackgroundColor(Qt::black);
    renderer.SetCamera(&content.MainCamera());
    renderer.PostRender = [] { glFinish(); };
  }
  std::deque<TSatellite> satellites;
  std::vector<const TSatellite*> shown;
  TSceneContent content;
  nimbrel::scene::TOffscreenRenderer renderer{content.Scene1(), 800, 600};
};

bool SkipWithoutOpenGL(benchmark::State& state, const nimbrel::scene::TOffscreenRenderer& renderer) {
  if (renderer.Ready()) return false;
  state.SkipWithError(renderer.ErrorText().toStdString().c_str());
  return true;
}

// {satellites, trails}
void BM_SteadyFrame800x600(benchmark::State& state) {
  TLiveView view(static_cast<int>(state.range(0)), state.range(1) != 0);
  if (SkipWithoutOpenGL(state, view.renderer)) return;
  view.renderer.RenderFrame();
  for (auto _ : state) view.renderer.RenderFrame();
}

void BM_Update(benchmark::State& state) {
  TLiveView view(static_cast<int>(state.range(0)));
  int tick = 0;
  for (auto _ : state) {
    // Ten seconds a tick, as a smooth clock at x60 gives at six updates a second.
    benchmark::DoNotOptimize(view.content.UpdateScene(kStart + (++tick) * 10 / 86400.0, {}));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The hover pick as the window does it: the selection pick for the spheres, then the points on the CPU.
// The same on one core: the work an update takes, whatever the other cores are doing. {satellites,
// simulated seconds a tick}: 20 s is x600 at 30 pictures a second, where most places are interpolated.
void BM_UpdateOneCore(benchmark::State& state) {
  TLiveView view(static_cast<int>(state.range(0)));
  view.content.SetUpdateThreads(1);
  const double step = static_cast<double>(state.range(1)) / 86400.0;
  int tick = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(view.content.UpdateScene(kStart + (++tick) * step, {}));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PickAtCentre(benchmark::State& state) {
  TLiveView view(static_cast<int>(state.range(0)));
  if (SkipWithoutOpenGL(state, view.renderer)) return;
  view.renderer.RenderFrame();
  for (auto _ : state) {
    const TSatellite* satellite = TSceneContent::SatelliteOf(view.renderer.PickObjectAt(400, 300));
    if (!satellite) satellite = view.content.PickPoint(view.renderer.FrameProjection(), 400, 300);
    benchmark::DoNotOptimize(satellite);
  }
}

void BM_PickPointsOnly(benchmark::State& state) {
  TLiveView view(static_cast<int>(state.range(0)));
  if (SkipWithoutOpenGL(state, view.renderer)) return;
  view.renderer.RenderFrame();
  const nimbrel::scene::TScreenProjection projection = view.renderer.FrameProjection();
  for (auto _ : state) benchmark::DoNotOptimize(view.content.PickPoint(projection, 400, 300));
}

// RebuildMarkers alone, and with the first frame that follows it.
void BM_Rebuild(benchmark::State& state) {
  TLiveView view(static_cast<int>(state.range(0)));
  for (auto _ : state) view.content.RebuildMarkers(view.shown, true);
}

void BM_RebuildUpdateAndFrame(benchmark::State& state) {
  TLiveView view(static_cast<int>(state.range(0)));
  if (SkipWithoutOpenGL(state, view.renderer)) return;
  view.renderer.RenderFrame();
  for (auto _ : state) {
    view.content.RebuildMarkers(view.shown, true);
    view.content.UpdateScene(kStart, {});
    view.renderer.RenderFrame();
  }
}

BENCHMARK(BM_SteadyFrame800x600)
    ->Args({1000, 1})
    ->Args({30000, 1})
    ->Args({30000, 0})
    ->ArgNames({"shown", "trails"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Update)->Arg(1000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateOneCore)
    ->Args({30000, 10})
    ->Args({30000, 20})
    ->ArgNames({"shown", "seconds_a_tick"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickAtCentre)->Arg(1000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickPointsOnly)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rebuild)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildUpdateAndFrame)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  auto* app = new QGuiApplication(argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Left to the end of the process, as in the tests: unloading the driver early only costs time.
  (void)app;
  return 0;
}
