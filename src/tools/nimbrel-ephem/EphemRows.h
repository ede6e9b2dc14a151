#pragma once
// The satellite rows of nimbrel-ephem for a whole catalogue, computed on several threads and handed
// on in the order one thread would give them.
//
// Threads: each satellite is propagated by one thread only (its propagator caches change with every
// call), and no two threads touch the same satellite; the caller must not use the satellites until
// WriteSatelliteRows returns. `write` is called on the calling thread only.

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "orbit/Satellite.h"

namespace nimbrel::tools {

// When a row is: minutes from each satellite's own epoch, or a Julian date (UTC).
struct TRowTime {
  bool sinceEpoch = false;
  double value = 0.0;
};

// Every satellite's row at every time, satellite by satellite and for each in the order of `times`,
// each row ended by "\n", passed to `write` in pieces of whole rows. `threads` 0 means one per
// processor core; the text is the same for any number of threads. Rethrows on the calling thread
// what a row throws (only std::bad_alloc can), after every thread has stopped.
void WriteSatelliteRows(const std::vector<orbit::TSatellite*>& satellites, const std::vector<TRowTime>& times,
                        const std::optional<orbit::GeodeticPoint>& observer, unsigned threads,
                        const std::function<void(std::string_view)>& write);

}  // namespace nimbrel::tools
