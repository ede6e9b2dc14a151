// From start to the first picture with the whole public catalogue: the main window created with a
// 30,000-set Kepler file as its argument (every satellite shown, trails on), shown and activated, until
// its 3D view has drawn its first frame. The window is made in this process, as main() makes it, so
// that the moment the picture is there can be seen.
//
// Run under xvfb-run: the window's OpenGL view needs the X server (QT_QPA_PLATFORM=xcb).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/Form3Dview.h"
#include "app/MessageSink.h"
#include "app/SatellitesPanel.h"
#include "scene/SceneViewer.h"

#include "SyntheticSets.h"

namespace {

constexpr int kSets = 30000;

// The same recipe as the snapshot start-up benchmark's file (every kind of orbit, one in ten deep
// space), with epochs of yesterday: the window starts in real time, and a user starts it with fresh
// data, not with sets whose deep-space resonances must be integrated over years.
void WriteKeplerFile(const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary);
  const std::time_t now = std::time(nullptr) - 86400;
  std::tm utc{};
  gmtime_r(&now, &utc);
  const int year = utc.tm_year % 100;
  const double day = utc.tm_yday + 1;
  for (int i = 0; i < kSets; ++i) {
    const nimbrel::bench::TSyntheticSet set = nimbrel::bench::SyntheticSet(i, year, day, 0.0001);
    out << set.name << "\n" << set.line1 << "\n" << set.line2 << "\n";
  }
}

// Messages go nowhere: the defaults' warnings are not what is measured.
class TQuietSink final : public nimbrel::app::TMessageSink {
 public:
  void Show(const QString& /*caption*/, const QString& /*text*/) override {}
};

void BM_StartToFirstPicture30000Sets(benchmark::State& state) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("nimbrel-bench-start-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "config");
  const std::filesystem::path kepler = folder / "catalogue.txt";
  WriteKeplerFile(kepler);
  setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
  TQuietSink sink;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    nimbrel::app::TFormOptions options;
    options.arguments = {QString::fromStdString(kepler.string())};
    options.sink = &sink;
    nimbrel::app::TForm3Dview window(options);
    bool drawn = false;
    nimbrel::scene::TSceneViewer& viewer = *window.SceneViewer1;
    const auto afterRender = viewer.AfterRender;
    viewer.AfterRender = [&] {
      if (afterRender) afterRender();
      if (viewer.isVisible()) drawn = true;
    };
    window.show();
    window.activateWindow();
    // The first tick comes 10 ms after activation; a minute is far beyond any start worth measuring.
    while (!drawn && std::chrono::steady_clock::now() - start < std::chrono::minutes(1)) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const auto end = std::chrono::steady_clock::now();
    if (!drawn) {
      state.SkipWithError("the window drew no picture within a minute");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_StartToFirstPicture30000Sets)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A click on another satellite in the list until the picture shows it as the primary: the markers
// and the list rebuilt, one update, one frame.
void BM_ListClickToPicture30000Sets(benchmark::State& state) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("nimbrel-bench-click-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "config");
  const std::filesystem::path kepler = folder / "catalogue.txt";
  WriteKeplerFile(kepler);
  setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
  TQuietSink sink;
  nimbrel::app::TFormOptions options;
  options.arguments = {QString::fromStdString(kepler.string())};
  options.sink = &sink;
  nimbrel::app::TForm3Dview window(options);
  int frames = 0;
  nimbrel::scene::TSceneViewer& viewer = *window.SceneViewer1;
  const auto afterRender = viewer.AfterRender;
  viewer.AfterRender = [&] {
    if (afterRender) afterRender();
    if (viewer.isVisible()) ++frames;
  };
  window.show();
  window.activateWindow();
  const auto waitForFrame = [&](int after) {
    const auto start = std::chrono::steady_clock::now();
    while (frames <= after && std::chrono::steady_clock::now() - start < std::chrono::minutes(1)) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return frames > after;
  };
  if (!waitForFrame(0)) state.SkipWithError("the window drew no picture within a minute");
  int row = 1;
  for (auto _ : state) {
    const int before = frames;
    const auto start = std::chrono::steady_clock::now();
    window.SatellitesPanel->ListBoxActive->setCurrentRow(row);
    window.SatellitesPanel->ListBoxActiveClick();
    if (!waitForFrame(before)) {
      state.SkipWithError("no picture after the click within a minute");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    row = row % 50 + 1;
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ListClickToPicture30000Sets)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "xcb", 1);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  auto* app = new QApplication(argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Left to the end of the process, as in the program: unloading the driver early only costs time.
  (void)app;
  return 0;
}
