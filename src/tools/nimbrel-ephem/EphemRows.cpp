#include "EphemRows.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "EphemFormat.h"
#include "orbit/OrbitConstants.h"

namespace nimbrel::tools {

namespace {

// A chunk is the work one thread takes at a time: enough rows that taking it costs nothing beside
// them, few enough that the threads finish a block together.
constexpr std::size_t kRowsPerChunk = 256;
// The rows held in memory before they are written: a catalogue at one time is one block, and a
// long series of times cannot fill the memory.
constexpr std::size_t kChunksPerBlock = 256;

}  // namespace

void WriteSatelliteRows(const std::vector<orbit::TSatellite*>& satellites, const std::vector<TRowTime>& times,
                        const std::optional<orbit::GeodeticPoint>& observer, unsigned threads,
                        const std::function<void(std::string_view)>& write) {
  if (satellites.empty() || times.empty()) return;
  const std::size_t perChunk = std::max<std::size_t>(1, kRowsPerChunk / times.size());
  const std::size_t chunks = (satellites.size() + perChunk - 1) / perChunk;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, chunks));

  std::vector<std::string> texts(std::min(chunks, kChunksPerBlock));
  for (std::size_t first = 0; first < chunks; first += kChunksPerBlock) {
    const std::size_t count = std::min(kChunksPerBlock, chunks - first);
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto work = [&]() noexcept {
      for (std::size_t k = next.fetch_add(1, std::memory_order_relaxed); k < count;
           k = next.fetch_add(1, std::memory_order_relaxed)) {
        std::string& text = texts[k];
        text.clear();
        try {
          const std::size_t begin = (first + k) * perChunk;
          const std::size_t end = std::min(satellites.size(), begin + perChunk);
          for (std::size_t i = begin; i < end; ++i) {
            orbit::TSatellite& sat = *satellites[i];
            for (const TRowTime& t : times) {
              // Several supplemental sets: from the first one's epoch, so the times walk through them.
              const double jd = t.sinceEpoch ? sat.FirstEpochJD() + t.value / orbit::kMinutesPerDay : t.value;
              AppendSatelliteRow(text, sat, jd, observer);
              text += '\n';
            }
          }
        } catch (...) {
          const std::lock_guard<std::mutex> hold(failureLock);
          if (!failure) failure = std::current_exception();
          next.store(count, std::memory_order_relaxed);  // the others stop at their next chunk
        }
      }
    };
    std::vector<std::thread> pool;
    try {
      for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (const std::exception&) {
      // Fewer threads than asked for (the system refused more): those running share the work.
    }
    work();
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
    for (std::size_t k = 0; k < count; ++k) write(texts[k]);
  }
}

}  // namespace nimbrel::tools
