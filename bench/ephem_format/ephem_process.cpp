// nimbrel-ephem as a user runs it over a public catalogue: load a 30,000-set Kepler file, propagate
// every set to one --utc time and print the rows, the whole process timed from start to exit.
// Standard output goes to /dev/null, so the terminal's speed is not measured.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
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

// The same spread of orbits as the snapshot start-up benchmark's file: one in ten deep space, epochs
// in May 2021.
void WriteKeplerFile(const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < kSets; ++i) {
    const nimbrel::bench::TSyntheticSet set = nimbrel::bench::SyntheticSet(i);
    out << set.name << "\n" << set.line1 << "\n" << set.line2 << "\n";
  }
}

// The exit status, or -1 when the program could not be started or did not exit.
int Run(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_EphemOneTime30000Sets(benchmark::State& state) {
  const std::filesystem::path kepler =
      std::filesystem::temp_directory_path() / ("nimbrel-bench-ephem-" + std::to_string(::getpid()) + ".txt");
  WriteKeplerFile(kepler);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int status = Run({NIMBREL_EPHEM, "--utc", "2021-05-01T12:00:00", kepler.string()});
    const auto end = std::chrono::steady_clock::now();
    if (status != 0) {
      state.SkipWithError("nimbrel-ephem failed");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  std::filesystem::remove(kepler);
}
BENCHMARK(BM_EphemOneTime30000Sets)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
