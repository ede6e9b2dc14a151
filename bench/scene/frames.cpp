// What a frame of the main view costs off screen at 800 x 600: the textured, lit globe at the display
// qualities' tessellations, then with 100 to 10,000 small marker spheres around it; and where the time
// goes: compiling the display lists (first frame), replaying them (a 16 x 12 frame draws the same
// lists with almost nothing to fill) and filling pixels (the rest of an 800 x 600 frame). The memory
// the lists take is read as the growth of the C heap over the first frame (the software renderer keeps
// lists there), next to the vertex data the spheres hand over.
//
// Run under xvfb-run (or with a display): the off-screen platform reaches the X server's OpenGL.

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <QGuiApplication>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "scene/Camera.h"
#include "scene/EarthMap.h"
#include "scene/LightSource.h"
#include "scene/OffscreenRenderer.h"
#include "scene/PointCloud.h"
#include "scene/Scene.h"
#include "scene/Sphere.h"

namespace {

using namespace nimbrel::scene;

constexpr float kEarthRadius = 6.378135f;  // scene units of 1000 km

// The main view's scene, reduced to what costs time: the Sun, the textured globe, the camera at the
// start-up zoom and the marker spheres scattered between low and medium orbits.
struct TFrameScene {
  TFrameScene(int divisions, int markerCount) {
    TLightSource& sun = scene.ObjectRoot().AddNewChild<TLightSource>();
    sun.SetLightStyle(TLightStyle::lsOmni);
    sun.SetConstAttenuation(1);
    sun.Position().AssignPoint(-200, 100, 50);
    globe = &scene.ObjectRoot().AddNewChild<TSphere>();
    globe->SetRadius(kEarthRadius);
    globe->SetSlices(divisions);
    globe->SetStacks(divisions);
    globe->Material().Texture().SetImage(BuiltInEarthMap());
    globe->Material().Texture().SetDisabled(false);
    std::mt19937 random(1);
    std::normal_distribution<float> axis;
    std::uniform_real_distribution<float> height(0.3f, 3.0f);
    markers.reserve(std::size_t(markerCount));
    for (int i = 0; i < markerCount; ++i) {
      TSphere& marker = scene.ObjectRoot().AddNewChild<TSphere>();
      marker.SetRadius(0.07f);
      marker.SetSlices(16);
      marker.SetStacks(16);
      float x = axis(random), y = axis(random), z = axis(random);
      const float scale = (kEarthRadius + height(random)) / std::sqrt(x * x + y * y + z * z + 1e-12f);
      marker.Position().AssignPoint(x * scale, y * scale, z * scale);
      marker.Material().FrontProperties().Diffuse().SetRGBA(1, float(i % 7) / 7, 0, 1);
      markers.push_back(&marker);
    }
    camera = &scene.AddCamera(std::make_unique<TCamera>());
    camera->Position().AssignPoint(0, 0, 64);
    camera->SetFocalLength(200);
    camera->SetDepthOfView(4000);
    camera->SetTargetObject(globe);
  }

  // What the sphere strips hand to the lists: per vertex a texture coordinate, a normal and a position
  // (8 floats), stacks x (slices + 1) x 2 vertices a tessellation. Spheres of one tessellation share
  // its list, so each tessellation counts once.
  std::size_t ListVertexBytes() const {
    std::set<std::pair<int, int>> tessellations{{globe->Slices(), globe->Stacks()}};
    for (const TSphere* marker : markers) tessellations.insert({marker->Slices(), marker->Stacks()});
    std::size_t bytes = 0;
    for (const auto& [slices, stacks] : tessellations) {
      bytes += std::size_t(stacks) * std::size_t(slices + 1) * 2 * 8 * sizeof(float);
    }
    return bytes;
  }

  // Every list is compiled again in the next frame.
  void DirtyAllLists() {
    globe->MarkStructureDirty();
    for (TSphere* marker : markers) marker->MarkStructureDirty();
  }

  TScene scene;
  TCamera* camera = nullptr;
  TSphere* globe = nullptr;
  std::vector<TSphere*> markers;
};

// A frame that has reached the pixels: the software renderer works until glFinish returns.
struct TTimedRenderer {
  TTimedRenderer(TFrameScene& s, int width, int height) : renderer(s.scene, width, height) {
    renderer.SetBackgroundColor(Qt::black);
    renderer.SetCamera(s.camera);
    renderer.PostRender = [] { glFinish(); };
  }
  void Frame() {
    // RenderImage would add a read-back; RenderFrame draws and PostRender waits for the renderer.
    renderer.RenderFrame();
  }
  TOffscreenRenderer renderer;
};

bool SkipWithoutOpenGL(benchmark::State& state, const TOffscreenRenderer& renderer) {
  if (renderer.Ready()) return false;
  state.SkipWithError(renderer.ErrorText().toStdString().c_str());
  return true;
}

// Bytes the process holds from the C heap, mapped blocks included: unlike the resident size this
// does not hide an allocation in memory an earlier benchmark freed.
double HeapMegabytes() {
  const struct mallinfo2 info = mallinfo2();
  return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// Steady frames: lists compiled once before timing, then replayed and filled.
void BM_Frame(benchmark::State& state, int width, int height) {
  TFrameScene s(int(state.range(0)), int(state.range(1)));
  TTimedRenderer r(s, width, height);
  if (SkipWithoutOpenGL(state, r.renderer)) return;
  r.Frame();
  for (auto _ : state) r.Frame();
  state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Frame800x600(benchmark::State& state) {
  BM_Frame(state, 800, 600);
}
void BM_FrameTiny16x12(benchmark::State& state) {
  BM_Frame(state, 16, 12);
}

// Every frame compiles every list again: building + replaying + filling.
void BM_FrameRebuildingLists800x600(benchmark::State& state) {
  TFrameScene s(int(state.range(0)), int(state.range(1)));
  TTimedRenderer r(s, 800, 600);
  if (SkipWithoutOpenGL(state, r.renderer)) return;
  r.Frame();
  for (auto _ : state) {
    s.DirtyAllLists();
    r.Frame();
  }
}

// The first frame of a new scene, and the memory it adds (the lists, plus the globe's texture, which is
// the same in every row). One iteration: a first frame happens once.
void BM_FirstFrameAndListMemory(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto s = std::make_unique<TFrameScene>(int(state.range(0)), int(state.range(1)));
    TTimedRenderer r(*s, 800, 600);
    if (SkipWithoutOpenGL(state, r.renderer)) return;
    const double before = HeapMegabytes();
    state.ResumeTiming();
    r.Frame();
    state.PauseTiming();
    state.counters["heap_growth_MB"] = HeapMegabytes() - before;
    state.counters["vertex_data_MB"] = double(s->ListVertexBytes()) / (1024.0 * 1024.0);
    s.reset();
    state.ResumeTiming();
  }
}

// The hover pick of the main view: a 2 x 2 pick over the globe's middle.
void BM_PickAt(benchmark::State& state) {
  TFrameScene s(int(state.range(0)), int(state.range(1)));
  TTimedRenderer r(s, 800, 600);
  if (SkipWithoutOpenGL(state, r.renderer)) return;
  r.Frame();
  for (auto _ : state) benchmark::DoNotOptimize(r.renderer.PickObjectAt(400, 300));
}

// The markers as one point cloud instead of spheres: {points, trails}, scattered as the spheres are,
// each trail 0.7 units (700 km) long, the globe hiding the points behind it.
void BM_FramePointCloud800x600(benchmark::State& state) {
  TFrameScene s(48, 0);
  TPointCloud& cloud = s.globe->AddNewChild<TPointCloud>();
  const TOccludingSphere ball{{0, 0, 0}, kEarthRadius};
  cloud.SetOccluder(&ball);
  std::mt19937 random(1);
  std::normal_distribution<float> axis;
  std::uniform_real_distribution<float> height(0.3f, 3.0f);
  std::vector<TCloudPoint>& points = cloud.MutablePoints();
  points.resize(std::size_t(state.range(0)));
  for (TCloudPoint& p : points) {
    const float x = axis(random), y = axis(random), z = axis(random);
    const float scale = (kEarthRadius + height(random)) / std::sqrt(x * x + y * y + z * z + 1e-12f);
    p.position = {x * scale, y * scale, z * scale};
    // Along a parallel, as a trail lies along the satellite's path over the globe.
    const float across = 0.7f / std::sqrt(x * x + z * z + 1e-12f);
    p.trailEnd = {p.position.x - z * across, p.position.y, p.position.z + x * across};
    p.r = 96;
    p.g = 200;
    p.b = 255;
    p.shown = true;
    p.trail = state.range(1) != 0;
  }
  cloud.PointsChanged();
  TTimedRenderer r(s, 800, 600);
  if (SkipWithoutOpenGL(state, r.renderer)) return;
  r.Frame();
  for (auto _ : state) r.Frame();
}

// {globe divisions, markers}
void GlobeArgs(benchmark::internal::Benchmark* b) {
  for (int divisions : {36, 48, 192}) b->Args({divisions, 0});
  for (int markers : {100, 1000, 10000}) b->Args({48, markers});
  b->ArgNames({"div", "markers"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Frame800x600)->Apply(GlobeArgs);
BENCHMARK(BM_FrameTiny16x12)->Apply(GlobeArgs);
BENCHMARK(BM_FrameRebuildingLists800x600)->Apply(GlobeArgs);
BENCHMARK(BM_FirstFrameAndListMemory)->Apply(GlobeArgs)->Iterations(1);
BENCHMARK(BM_PickAt)->Apply(GlobeArgs);
BENCHMARK(BM_FramePointCloud800x600)
    ->Args({10000, 1})
    ->Args({30000, 0})
    ->Args({30000, 1})
    ->ArgNames({"points", "trails"})
    ->Unit(benchmark::kMillisecond);

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
