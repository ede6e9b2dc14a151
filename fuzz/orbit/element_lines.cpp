// Any two lines of any bytes: SetElements either takes them or throws an orbit error, and a taken set
// propagates to a position or a reported failure at any time, without crashing or hanging.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "orbit/OrbitConstants.h"
#include "orbit/Satellite.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nimbrel::orbit;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\n');
  const std::string_view line1 = input.substr(0, split);
  const std::string_view line2 = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

  TSatellite sat;
  try {
    sat.SetElements(line1, line2);
  } catch (const EOrbitError&) {
    return 0;
  }
  static constexpr double kMinutes[] = {0.0, -1440.0, 1.0, 720.0, 100000.0, -1e7, 5e7, 1e9};
  for (double minutes : kMinutes) {
    Vector4 p, v;
    const TPropagateResult r = sat.TryPropagate(sat.EpochJD() + minutes / kMinutesPerDay, p, v);
    if (r.ok && !(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(v.x) &&
                  std::isfinite(v.y) && std::isfinite(v.z))) {
      __builtin_trap();  // a non-finite position must never be reported as a success
    }
  }
  return 0;
}
