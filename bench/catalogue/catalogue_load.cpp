// Loading a large Kepler file, as public catalogues of every tracked object are: 30,000 sets, one in
// ten deep space, some objects met again with older and newer epochs, debris sharing names.
// Reading the file and the first lookup are part of the measured time.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "catalogue/SatelliteList.h"

namespace {

using nimbrel::catalogue::TSatelliteList;

constexpr int kSets = 30000;
constexpr int kRepeats = 3000;  // sets of objects already in the file, half older and half newer

std::string Lines(int number, double epochDay, bool deepSpace, std::mt19937& random) {
  std::uniform_real_distribution<double> angle(0.0, 359.9999);
  std::uniform_int_distribution<int> eccentricity(0, 2000000);
  char line1[80];
  char line2[80];
  std::snprintf(line1, sizeof line1, "1 %05dU 98067A   21%012.8f  .00001234  00000-0  12345-3 0  9990",
                number, epochDay);
  const double meanMotion = deepSpace ? 1.00270000 + (number % 100) * 0.01 : 14.0 + (number % 200) * 0.01;
  std::snprintf(line2, sizeof line2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f%5d0", number,
                angle(random) / 2, angle(random), eccentricity(random), angle(random), angle(random),
                meanMotion, number % 100000);
  return std::string(line1) + "\n" + line2 + "\n";
}

std::string Name(int number) {
  // One object in five is debris under a shared name.
  if (number % 5 == 0) return "COSMOS " + std::to_string(2000 + number % 50) + " DEB";
  return "OBJECT " + std::to_string(number);
}

class TKeplerFile {
 public:
  TKeplerFile() {
    path_ = std::filesystem::temp_directory_path() / ("nimbrel-bench-" + std::to_string(::getpid()) + ".txt");
    std::mt19937 random(20060103);
    std::vector<int> numbers;
    for (int i = 0; i < kSets - kRepeats; ++i) numbers.push_back(10000 + i);
    std::uniform_int_distribution<int> pick(0, kSets - kRepeats - 1);
    for (int i = 0; i < kRepeats; ++i) numbers.push_back(numbers[static_cast<std::size_t>(pick(random))]);
    std::shuffle(numbers.begin(), numbers.end(), random);
    std::uniform_real_distribution<double> day(100.0, 200.0);
    std::ofstream out(path_, std::ios::binary);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      const int number = numbers[i];
      out << Name(number) << "\n" << Lines(number, day(random), i % 10 == 0, random);
    }
  }
  ~TKeplerFile() {
    std::error_code error;
    std::filesystem::remove(path_, error);
  }
  const std::filesystem::path& Path() const noexcept { return path_; }

 private:
  std::filesystem::path path_;
};

void BM_LoadCatalogue(benchmark::State& state) {
  static const TKeplerFile file;
  int count = 0;
  for (auto _ : state) {
    TSatelliteList list;
    list.LoadFromFile(file.Path());
    count = list.Count();
    // The first index query puts the names in order; that belongs to getting a usable catalogue.
    benchmark::DoNotOptimize(list.IndexOfCatalogueNumber("10000"));
    // Freeing the catalogue is not part of loading it.
    state.PauseTiming();
    list.Clear();
    state.ResumeTiming();
  }
  state.counters["satellites"] = count;
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file.Path()));
}
BENCHMARK(BM_LoadCatalogue)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
