#pragma once
// Runs work(begin, end) over [0, count) split into contiguous slices, one thread per slice, and
// returns when all are done. The caller's thread takes the first slice. Each index is handled exactly
// once and by one thread, so work that touches only what belongs to its own indices needs no locks,
// and its results do not depend on how many threads share it.
//
// work must not throw: an exception cannot cross back from a worker.

#include <cstddef>
#include <functional>

namespace nimbrel::app {

// threads 0: as many as the machine has cores. Never more threads than slices of minSlice indices.
void ParallelFor(std::size_t count, int threads, std::size_t minSlice,
                 const std::function<void(std::size_t begin, std::size_t end)>& work);

}  // namespace nimbrel::app
