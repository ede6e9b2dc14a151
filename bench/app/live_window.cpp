// The live view as a user sees it: the real main window with the whole public catalogue shown (30,000
// sets, trails on), the clock started on 2021-05-01 12:00 where the sets are fresh and run at x600 for
// ten seconds. Counted are the pictures whose drawing showed a new time, not every composition of the
// window (a status-bar repaint composes it too): pictures a second, the longest gap between two, and
// the CPU time the program took meanwhile (all its threads, the software rasteriser's included). At
// the window's designed size and with the 3D view made 800 x 600.
//
// Run under xvfb-run: the window's OpenGL view needs the X server (QT_QPA_PLATFORM=xcb).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QEventLoop>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/ClockPanel.h"
#include "app/Form3Dview.h"
#include "app/FormSetup.h"
#include "app/MessageSink.h"
#include "app/ViewChoicesPanel.h"
#include "catalogue/cvnCheckBox.h"
#include "scene/SceneViewer.h"

#include "SyntheticSets.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSets = 30000;
constexpr int kManualStep = 7;
constexpr int kSpeedX600 = 4;  // "Steps", x1, x10, x60, x600
constexpr auto kRunFor = std::chrono::seconds(10);

// The benchmarks' recipe with its own epochs in May 2021.
void WriteKeplerFile(const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < kSets; ++i) {
    const nimbrel::bench::TSyntheticSet set = nimbrel::bench::SyntheticSet(i);
    out << set.name << "\n" << set.line1 << "\n" << set.line2 << "\n";
  }
}

class TQuietSink final : public nimbrel::app::TMessageSink {
 public:
  void Show(const QString& /*caption*/, const QString& /*text*/) override {}
};

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void RunEventLoopFor(Clock::duration span) {
  QEventLoop loop;
  QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(span), Qt::PreciseTimer, &loop,
                     &QEventLoop::quit);
  loop.exec();
}

// state.range(0): 0 the designed window size, 1 the window made larger until the 3D view is 800 x 600;
// state.range(1): 0 the night side "Dimmed", 1 "City lights" (two more passes over the globe).
void BM_LiveWindowX600(benchmark::State& state) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("nimbrel-bench-window-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "config");
  const std::filesystem::path kepler = folder / "catalogue.txt";
  WriteKeplerFile(kepler);
  setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
  TQuietSink sink;
  // Declared before the window, which the hooks below outlive.
  bool counting = false;
  int pictures = 0;
  int paints = 0;
  int ticks = 0;
  nimbrel::orbit::TDateTime lastShown = -1;
  Clock::time_point lastPicture{};
  Clock::duration longestGap{};
  // Where a picture's time goes on the window's thread: the update a tick makes, and handing the frame
  // to the renderer (whose threads rasterise it afterwards).
  Clock::time_point tickStarted{};
  Clock::time_point renderStarted{};
  Clock::duration updating{};
  Clock::duration rendering{};
  int renders = 0;
  nimbrel::app::TFormOptions options;
  options.arguments = {QString::fromStdString(kepler.string())};
  options.sink = &sink;
  nimbrel::app::TForm3Dview window(options);
  nimbrel::scene::TSceneViewer& viewer = *window.SceneViewer1;

  const auto beforeRender = viewer.BeforeRender;
  viewer.BeforeRender = [&] {
    renderStarted = Clock::now();
    if (beforeRender) beforeRender();
  };
  const auto afterRender = viewer.AfterRender;
  viewer.AfterRender = [&] {
    if (afterRender) afterRender();
    if (!viewer.isVisible()) return;
    ++paints;
    if (counting) {
      rendering += Clock::now() - renderStarted;
      ++renders;
    }
    if (window.CurrentTime() == lastShown) return;
    lastShown = window.CurrentTime();
    const Clock::time_point now = Clock::now();
    if (counting) {
      if (pictures > 0) longestGap = std::max(longestGap, now - lastPicture);
      ++pictures;
    }
    lastPicture = now;
  };
  // The timer event reaches the filter before the window's handler runs; the signal's second receiver
  // runs after it.
  struct TTickStart : QObject {
    explicit TTickStart(Clock::time_point& at) : at_(at) {}
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
      if (event->type() == QEvent::Timer) at_ = Clock::now();
      return false;
    }
    Clock::time_point& at_;
  } tickStart(tickStarted);
  window.ClockPanel->TimerSmooth->installEventFilter(&tickStart);
  QObject::connect(window.ClockPanel->TimerSmooth, &QTimer::timeout, [&] {
    if (!counting) return;
    ++ticks;
    updating += Clock::now() - tickStarted;
  });

  window.show();
  window.activateWindow();
  const Clock::time_point shown = Clock::now();
  while (paints == 0 && Clock::now() - shown < std::chrono::minutes(1))
    RunEventLoopFor(std::chrono::milliseconds(20));
  if (paints == 0) {
    state.SkipWithError("the window drew no picture within a minute");
    std::filesystem::remove_all(folder);
    return;
  }
  if (state.range(0) == 1) {
    // The page lays the view out by its anchors: growing the window grows the view by as much.
    for (int attempt = 0; attempt < 3 && viewer.size() != QSize(800, 600); ++attempt) {
      window.resize(window.width() + 800 - viewer.width(), window.height() + 600 - viewer.height());
      RunEventLoopFor(std::chrono::milliseconds(300));
    }
  }
  if (window.Content().Shown().size() != std::size_t{kSets} ||
      !window.ViewChoicesPanel->CheckBoxShowTrails->isChecked()) {
    state.SkipWithError("the window does not show the whole catalogue with trails");
    std::filesystem::remove_all(folder);
    return;
  }
  if (state.range(1) == 1) {
    window.TabSheetSetup->ComboBoxNightSide->setCurrentIndex(1);
    window.TabSheetSetup->ComboBoxNightSideClick();
  }
  window.ClockPanel->SelectStep(kManualStep);
  {
    const QSignalBlocker blockDate(window.ClockPanel->DatePicker);
    const QSignalBlocker blockTime(window.ClockPanel->TimePicker);
    window.ClockPanel->DatePicker->setDate(QDate(2021, 5, 1));
    window.ClockPanel->TimePicker->setTime(QTime(12, 0, 0));
  }
  window.RefreshView();
  RunEventLoopFor(std::chrono::milliseconds(500));

  for (auto _ : state) {
    pictures = 0;
    ticks = 0;
    renders = 0;
    longestGap = {};
    updating = {};
    rendering = {};
    counting = true;
    const double cpuBefore = ProcessCpuSeconds();
    const Clock::time_point start = Clock::now();
    window.ClockPanel->ComboBoxSpeed->setCurrentIndex(kSpeedX600);
    window.ClockPanel->ComboBoxSpeedChange();
    RunEventLoopFor(kRunFor);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    counting = false;
    window.ClockPanel->SelectStep(kManualStep);
    state.SetIterationTime(wall);
    state.counters["pictures_per_s"] = pictures / wall;
    state.counters["longest_gap_ms"] = std::chrono::duration<double, std::milli>(longestGap).count();
    state.counters["cpu_percent"] = 100 * cpu / wall;
    // What a picture costs whatever else the machine is doing: the steadier figure on a busy machine.
    state.counters["cpu_ms_per_picture"] = 1000 * cpu / std::max(pictures, 1);
    state.counters["ticks_per_s"] = ticks / wall;
    state.counters["update_ms"] =
        std::chrono::duration<double, std::milli>(updating).count() / std::max(ticks, 1);
    state.counters["render_ms"] =
        std::chrono::duration<double, std::milli>(rendering).count() / std::max(renders, 1);
  }
  state.counters["view_w"] = viewer.width();
  state.counters["view_h"] = viewer.height();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LiveWindowX600)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->ArgNames({"view800x600", "city_lights"})
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

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
