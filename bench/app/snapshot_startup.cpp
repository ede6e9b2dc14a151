// The whole start-up as a user meets it with a public catalogue of every tracked object: NimbrelGL
// --snapshot with a 30,000-set Kepler file (every satellite gets a marker and a trail) until the PNG
// is written. Reports the wall time per run and the child's peak resident memory.
// Run under xvfb-run, or without a display on Qt's off-screen platform.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

#include "SyntheticSets.h"

namespace {

constexpr int kSets = 30000;

// Element sets spread over every kind of orbit the catalogue holds, one in ten deep space, all with
// epochs in May 2021 so that the picture's time is near them.
void WriteKeplerFile(const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < kSets; ++i) {
    const nimbrel::bench::TSyntheticSet set = nimbrel::bench::SyntheticSet(i);
    out << set.name << "\n" << set.line1 << "\n" << set.line2 << "\n";
  }
}

struct TChildRun {
  int status = -1;
  long peakKiB = 0;
};

TChildRun RunSnapshot(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return {};
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return {};
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss};
}

void BM_SnapshotStartUp30000Sets(benchmark::State& state) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("nimbrel-bench-snapshot-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "config");
  const std::filesystem::path kepler = folder / "catalogue.txt";
  const std::filesystem::path png = folder / "view.png";
  WriteKeplerFile(kepler);
  // Nobody's own settings or companion values: the defaults.
  setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
  long peakKiB = 0;
  for (auto _ : state) {
    std::filesystem::remove(png);
    const auto start = std::chrono::steady_clock::now();
    const TChildRun run = RunSnapshot({NIMBREL_PROGRAM, "--snapshot", png.string(), "--utc",
                                       "2021-05-01T12:00:00", "--size", "800x600", kepler.string()});
    const auto end = std::chrono::steady_clock::now();
    if (run.status != 0 || !std::filesystem::exists(png)) {
      state.SkipWithError("NimbrelGL --snapshot failed");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    peakKiB = std::max(peakKiB, run.peakKiB);
  }
  state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SnapshotStartUp30000Sets)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
