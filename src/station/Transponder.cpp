#include "station/Transponder.h"

#include <algorithm>

#include "station/Doppler.h"

namespace nimbrel::station {

double ClampToPassband(const TTransponder& t, double downlinkHz) noexcept {
  return std::clamp(downlinkHz, t.downlinkLowHz, std::max(t.downlinkLowHz, t.downlinkHighHz));
}

double MatchingUplinkHz(const TTransponder& t, double downlinkHz) noexcept {
  if (!t.HasUplink()) return 0.0;
  const double downWidth = t.downlinkHighHz - t.downlinkLowHz;
  const double upWidth = t.uplinkHighHz - t.uplinkLowHz;
  const double upCentre = (t.uplinkLowHz + t.uplinkHighHz) / 2.0;
  const double offset = ClampToPassband(t, downlinkHz) - t.DownlinkCentreHz();
  const double scaled = downWidth > 0.0 && upWidth != downWidth ? offset * upWidth / downWidth : offset;
  return std::clamp(upCentre + (t.invert ? -scaled : scaled), t.uplinkLowHz,
                    std::max(t.uplinkLowHz, t.uplinkHighHz));
}

double NominalFromDial(double dialHz, double rangeRateKmPerS, double offsetHz) noexcept {
  return dialHz / (1.0 - rangeRateKmPerS / kSpeedOfLightKmPerS) - offsetHz;
}

}  // namespace nimbrel::station
