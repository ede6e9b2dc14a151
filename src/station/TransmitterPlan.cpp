#include "station/TransmitterPlan.h"

namespace nimbrel::station {

void ApplyTransmitter(TTrackerSettings& s, const TTransmitterPlan& p) {
  const bool uplink = p.uplinkLowHz > 0.0;
  s.downlinkOffsetHz = p.frequencyOffsetHz;
  s.modes = ModesFor(p.mode, p.uplinkMode, p.invert, uplink, p.ctcssHz);
  if (p.downlinkLowHz > 0.0 && p.downlinkHighHz > p.downlinkLowHz) {
    // A single uplink channel into a downlink passband maps every place to that channel.
    const double uplinkHigh = p.uplinkHighHz > p.uplinkLowHz ? p.uplinkHighHz : p.uplinkLowHz;
    const TTransponder transponder{p.downlinkLowHz, p.downlinkHighHz, uplink ? p.uplinkLowHz : 0.0,
                                   uplink ? uplinkHigh : 0.0, p.invert};
    s.transponder = transponder;
    s.downlinkHz = ClampToPassband(
        transponder, p.placeOffsetHz ? p.downlinkLowHz + *p.placeOffsetHz : transponder.DownlinkCentreHz());
    s.uplinkHz = 0.0;
    return;
  }
  s.transponder.reset();
  s.downlinkHz = p.downlinkLowHz;
  s.uplinkHz = p.uplinkLowHz;
}

}  // namespace nimbrel::station
