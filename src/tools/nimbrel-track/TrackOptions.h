#pragma once
// nimbrel-track's command line.

#include <optional>
#include <string>

#include "orbit/Satellite.h"
#include "station/HamlibLink.h"
#include "station/RotatorLimits.h"

namespace nimbrel::tools {

struct TTrackOptions {
  std::optional<station::TDaemonAddress> rotator;
  std::optional<station::TDaemonAddress> radio;
  double downlinkHz = 0.0;
  double uplinkHz = 0.0;
  std::optional<std::string> transmitters;  // the transmitter list; none: the data folder's
  std::string transmitter;                  // a uuid from it; empty for none
  std::optional<double> passbandOffsetHz;   // the place in its passband, from the low end
  double ctcssHz = 0.0;
  double frequencyOffsetHz = 0.0;
  bool list = false;  // print the satellite's transmitters and end
  std::optional<orbit::GeodeticPoint> observer;
  double minElevationDeg = 0.0;
  station::TRotatorLimits limits;
  double intervalS = 1.0;
  std::optional<double> startJD;
  std::optional<double> forS;
  std::string satellite;
  std::string file;
  bool help = false;
  bool version = false;
};

// The options, or the one-line reason they are wrong (for exit status 2).
struct TParsedOptions {
  TTrackOptions options;
  std::string error;
};
TParsedOptions ParseTrackOptions(int argc, const char* const* argv);

extern const char* const kTrackUsage;

}  // namespace nimbrel::tools
