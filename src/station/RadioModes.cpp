#include "station/RadioModes.h"

#include <cctype>
#include <cmath>

namespace nimbrel::station {

namespace {

std::string FirstWordUpper(std::string_view text) {
  std::string word;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '/' || c == '(') {
      if (!word.empty()) break;
      continue;
    }
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return word;
}

std::string OppositeSideband(const std::string& mode) {
  if (mode == "USB") return "LSB";
  if (mode == "LSB") return "USB";
  if (mode == "PKTUSB") return "PKTLSB";
  if (mode == "PKTLSB") return "PKTUSB";
  return mode;
}

// A tone above 300 Hz is no CTCSS tone (they run from 67 to 254.1 Hz).
constexpr double kMaxCtcssHz = 300.0;

}  // namespace

std::string HamlibMode(std::string_view satnogsMode) {
  const std::string word = FirstWordUpper(satnogsMode);
  struct TEntry {
    const char* satnogs;
    const char* hamlib;
  };
  static constexpr TEntry kModes[] = {
      {"FM", "FM"},
      {"FMN", "FMN"},
      {"NFM", "FMN"},
      {"WFM", "WFM"},
      {"AM", "AM"},
      {"USB", "USB"},
      {"LSB", "LSB"},
      {"SSB", "USB"},
      {"CW", "CW"},
      {"MCW", "FM"},
      // Voice and pictures that ride on FM.
      {"SSTV", "FM"},
      {"APT", "FM"},
      {"DUV", "FM"},
      {"DSTAR", "FM"},
      {"DMR", "FM"},
      // Frequency-shift data is demodulated from an FM receiver's data output.
      {"AFSK", "PKTFM"},
      {"FSK", "PKTFM"},
      {"GFSK", "PKTFM"},
      {"GMSK", "PKTFM"},
      {"MSK", "PKTFM"},
      {"4FSK", "PKTFM"},
      {"FFSK", "PKTFM"},
      {"G3RUH", "PKTFM"},
      // Phase-shift data from a sideband receiver's.
      {"BPSK", "PKTUSB"},
      {"DBPSK", "PKTUSB"},
      {"PSK", "PKTUSB"},
      {"PSK31", "PKTUSB"},
  };
  for (const TEntry& e : kModes)
    if (word == e.satnogs) return e.hamlib;
  return {};
}

TRadioModes ModesFor(std::string_view mode, std::string_view uplinkMode, bool invert, bool hasUplink,
                     double ctcssHz) {
  TRadioModes modes;
  modes.downlink = HamlibMode(mode);
  modes.split = hasUplink;
  if (!hasUplink) return modes;
  modes.uplink = FirstWordUpper(uplinkMode).empty()
                     ? (invert ? OppositeSideband(modes.downlink) : modes.downlink)
                     : HamlibMode(uplinkMode);
  if ((modes.uplink == "FM" || modes.uplink == "FMN") && std::isfinite(ctcssHz) && ctcssHz > 0 &&
      ctcssHz < kMaxCtcssHz)
    modes.ctcssTenthsHz = static_cast<int>(std::lround(ctcssHz * 10.0));
  return modes;
}

}  // namespace nimbrel::station
