#pragma once
// The radio's operating modes for a transmitter: what rigctld is told with "M" (receive), "X"
// (transmit, in split) and the CTCSS tone an FM uplink opens a repeater with.

#include <string>
#include <string_view>

namespace nimbrel::station {

struct TRadioModes {
  std::string downlink;   // hamlib's mode name ("FM", "USB", "PKTFM"); empty: the radio's mode stays
  std::string uplink;     // the same for transmitting; empty: the radio's mode stays
  bool split = false;     // transmit on VFO B; off ("S 0 VFOA") for a transmitter with no uplink
  int ctcssTenthsHz = 0;  // the tone in tenths of a hertz, as rigctld takes it; 0 for none

  bool operator==(const TRadioModes&) const = default;
};

// hamlib's name for a mode as SatNOGS DB names it ("FM", "USB", "GFSK Rktr", "BPSK"): voice modes
// as they are, frequency-shift data on FM's data mode (PKTFM), phase-shift data on USB's (PKTUSB);
// empty where no radio mode fits (LoRa, QPSK pictures).
std::string HamlibMode(std::string_view satnogsMode);

// The modes for a transmitter. An inverting transponder that names no uplink mode is worked on the
// opposite sideband (USB down, LSB up); any other that names none transmits as it receives. The tone
// is sent only for an FM uplink.
TRadioModes ModesFor(std::string_view mode, std::string_view uplinkMode, bool invert, bool hasUplink,
                     double ctcssHz);

}  // namespace nimbrel::station
