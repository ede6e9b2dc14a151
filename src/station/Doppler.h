#pragma once
// Doppler correction of a radio's frequencies from the satellite's range rate.

namespace nimbrel::station {

// The speed of light, km/s, in the units of the orbit code's range rate.
inline constexpr double kSpeedOfLightKmPerS = 299792.458;

// What the station hears of a satellite that sends on `nominalHz` while the distance changes by
// `rangeRateKmPerS` (positive when receding): f0 (1 - rr / c).
constexpr double DownlinkHz(double nominalHz, double rangeRateKmPerS) noexcept {
  return nominalHz * (1.0 - rangeRateKmPerS / kSpeedOfLightKmPerS);
}

// What the station must send for the satellite to hear `nominalHz`: f0 / (1 - rr / c).
constexpr double UplinkHz(double nominalHz, double rangeRateKmPerS) noexcept {
  return nominalHz / (1.0 - rangeRateKmPerS / kSpeedOfLightKmPerS);
}

}  // namespace nimbrel::station
