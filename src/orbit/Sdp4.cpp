#include <string>

#include "Satellite.h"

namespace nimbrel::orbit {

// Deep-space sets must never get a near-earth answer; until the deep-space model is in, they fail.
void TSatellite::Sdp4(double, Vector4&, Vector4&) {
  throw EPropagationError("TSatellite::Propagate: '" + name_ + "' (" + elements_.catalogueNumber +
                          "): deep-space propagation (SDP4) is not available yet");
}

}  // namespace nimbrel::orbit
