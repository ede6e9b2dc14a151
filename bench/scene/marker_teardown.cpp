// What it costs to take the main view's markers away in one go, as rebuilding the markers and closing
// the window do: 3,000 marker spheres on the globe, each with its display list compiled by a frame,
// destroyed together. Deleting a list needs the rendering context current, and making an OpenGL
// context current is far dearer than the deletion itself.
//
// Run under xvfb-run (or with a display): the off-screen platform reaches the X server's OpenGL.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#include "scene/Camera.h"
#include "scene/OffscreenRenderer.h"
#include "scene/Scene.h"
#include "scene/Sphere.h"

namespace {

using namespace nimbrel::scene;

struct TMarkerScene {
  TMarkerScene() {
    globe = &scene.ObjectRoot().AddNewChild<TSphere>();
    globe->SetRadius(6.378135f);
    camera = &scene.AddCamera(std::make_unique<TCamera>());
    camera->Position().AssignPoint(0, 0, 64);
    camera->SetTargetObject(globe);
  }
  void AddMarkers(int count) {
    for (int i = 0; i < count; ++i) {
      TSphere& marker = globe->AddNewChild<TSphere>();
      marker.SetRadius(0.07f);
      marker.Position().AssignPoint(0, 0, 7 + 0.001f * float(i));
    }
  }
  TScene scene;
  TSphere* globe = nullptr;
  TCamera* camera = nullptr;
};

// RebuildMarkers: the globe's children go, the globe and the scene stay.
void BM_DestroyMarkers(benchmark::State& state) {
  TMarkerScene s;
  TOffscreenRenderer renderer(s.scene, 64, 64);
  if (!renderer.Ready()) {
    state.SkipWithError(renderer.ErrorText().toStdString().c_str());
    return;
  }
  renderer.SetCamera(s.camera);
  for (auto _ : state) {
    state.PauseTiming();
    s.AddMarkers(int(state.range(0)));
    renderer.RenderFrame();  // every marker now holds a display list
    state.ResumeTiming();
    s.globe->DestroyChildren();
  }
  state.counters["markers"] = double(state.range(0));
}
BENCHMARK(BM_DestroyMarkers)->Arg(3000)->Unit(benchmark::kMillisecond);

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
