#pragma once
// A linear transponder's passbands and where a place in one lands in the other.
//
// A linear transponder repeats a whole slice of the uplink band into the downlink band. The user
// chooses a place in the downlink passband; that place stays fixed on the satellite while the Doppler
// shift moves both ends of the link, so the station hears its own signal where it expects it. An
// inverting transponder mirrors the slice: the bottom of the uplink comes out at the top of the
// downlink.

namespace nimbrel::station {

struct TTransponder {
  double downlinkLowHz = 0.0;
  double downlinkHighHz = 0.0;
  double uplinkLowHz = 0.0;  // both 0: a downlink passband alone (a beacon band, a receiver)
  double uplinkHighHz = 0.0;
  bool invert = false;

  bool HasUplink() const noexcept { return uplinkHighHz > 0.0 && uplinkLowHz > 0.0; }
  double DownlinkCentreHz() const noexcept { return (downlinkLowHz + downlinkHighHz) / 2.0; }
};

// `downlinkHz` kept within the downlink passband.
double ClampToPassband(const TTransponder& transponder, double downlinkHz) noexcept;

// The nominal uplink that comes out at the nominal downlink `downlinkHz`: the same offset from the
// uplink passband's centre (negated when inverting), scaled by the ratio of the widths when they
// differ, and kept within the uplink passband. 0 when the transponder has no uplink.
double MatchingUplinkHz(const TTransponder& transponder, double downlinkHz) noexcept;

// The nominal downlink a radio's dial reading `dialHz` stands for: the Doppler shift taken out
// (the inverse of DownlinkHz), and then the satellite's frequency offset.
double NominalFromDial(double dialHz, double rangeRateKmPerS, double offsetHz) noexcept;

}  // namespace nimbrel::station
