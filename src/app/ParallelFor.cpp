#include "app/ParallelFor.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace nimbrel::app {

void ParallelFor(std::size_t count, int threads, std::size_t minSlice,
                 const std::function<void(std::size_t begin, std::size_t end)>& work) {
  if (count == 0) return;
  std::size_t n = threads > 0 ? static_cast<std::size_t>(threads) : std::thread::hardware_concurrency();
  n = std::clamp<std::size_t>(n, 1, std::max<std::size_t>(1, count / std::max<std::size_t>(minSlice, 1)));
  if (n == 1) {
    work(0, count);
    return;
  }
  std::vector<std::jthread> workers;
  workers.reserve(n - 1);
  const auto sliceStart = [&](std::size_t k) { return count * k / n; };
  std::size_t spawned = 1;
  for (; spawned < n; ++spawned) {
    try {
      workers.emplace_back(
          [&work, begin = sliceStart(spawned), end = sliceStart(spawned + 1)] { work(begin, end); });
    } catch (const std::system_error&) {
      // No more threads to be had: this thread does the slices left over.
      break;
    }
  }
  work(0, sliceStart(1));
  if (spawned < n) work(sliceStart(spawned), count);
  // The jthreads join as they go out of scope.
}

}  // namespace nimbrel::app
