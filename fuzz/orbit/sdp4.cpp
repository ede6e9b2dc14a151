// Deep-space element sets from arbitrary bytes, propagated along an arbitrary sequence of times:
// every call must return a finite state or throw an orbit error, and none may hang (the resonance
// integrator and the caches carry state from call to call).

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "orbit/ElementSet.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitErrors.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"

namespace {

using namespace nimbrel::orbit;

TElementSet ArbitrarySet(FuzzedDataProvider& in) {
  TElementSet e;
  e.catalogueNumber = "FUZZ";
  e.elementSetNumber = "000";
  e.epochRaw = in.ConsumeFloatingPointInRange(1000.0, 99366.99);
  e.epochJD = JulianDateOfEpoch(e.epochRaw);
  e.bStar = in.ConsumeFloatingPoint<double>();
  e.inclination = in.ConsumeFloatingPointInRange(0.0, static_cast<double>(kPi));
  e.rightAscension = in.ConsumeFloatingPointInRange(-100.0, 100.0);
  e.eccentricity = in.ConsumeFloatingPointInRange(0.0, 0.9999999);
  e.argumentOfPerigee = in.ConsumeFloatingPointInRange(-100.0, 100.0);
  e.meanAnomaly = in.ConsumeFloatingPointInRange(-100.0, 100.0);
  // Periods from about 3.5 hours (the deep-space limit lies above) to centuries.
  e.meanMotion = in.ConsumeFloatingPointInRange(1e-9, 0.03);
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  TSatellite sat;
  try {
    sat.SetElementSet(ArbitrarySet(in));
  } catch (const EOrbitError&) {
    return 0;
  }
  for (int call = 0; call < 16 && in.remaining_bytes() > 0; ++call) {
    if (in.ConsumeIntegralInRange(0, 15) == 0) {
      try {
        sat.SetElementSet(ArbitrarySet(in));  // re-initialise in mid-sequence
      } catch (const EOrbitError&) {
      }
    }
    const double t = in.ConsumeBool() ? in.ConsumeFloatingPoint<double>()
                                      : in.ConsumeFloatingPointInRange(-2.0 * kMaxMinutesFromEpoch,
                                                                       2.0 * kMaxMinutesFromEpoch);
    Vector4 p, v;
    try {
      sat.PropagateSinceEpoch(t, p, v);
    } catch (const EOrbitError&) {
      continue;
    }
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || !std::isfinite(v.x) ||
        !std::isfinite(v.y) || !std::isfinite(v.z)) {
      std::abort();  // a failure reported as a position
    }
  }
  return 0;
}
