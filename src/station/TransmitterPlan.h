#pragma once
// A chosen transmitter as the tracker needs it: its frequencies, modes and the user's choices for it,
// in plain values (the transmitter list itself is the catalogue's business).

#include <optional>
#include <string>

#include "station/Tracker.h"

namespace nimbrel::station {

struct TTransmitterPlan {
  // Hz; a high end of 0 (or equal to the low end) is a single channel, a low end of 0 none at all.
  double downlinkLowHz = 0.0;
  double downlinkHighHz = 0.0;
  double uplinkLowHz = 0.0;
  double uplinkHighHz = 0.0;
  bool invert = false;
  std::string mode;        // SatNOGS's names
  std::string uplinkMode;  // empty when it gives none
  double ctcssHz = 0.0;    // the user's tone; 0 for none
  // The place in a downlink passband, from its low end; none for the centre.
  std::optional<double> placeOffsetHz;
  double frequencyOffsetHz = 0.0;  // added to the nominal downlink before the Doppler shift
};

// Sets the frequencies, the transponder, the offset and the modes of `settings` for the transmitter,
// leaving everything else as it was.
void ApplyTransmitter(TTrackerSettings& settings, const TTransmitterPlan& plan);

}  // namespace nimbrel::station
