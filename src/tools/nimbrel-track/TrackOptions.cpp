#include "TrackOptions.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "EphemFormat.h"

namespace nimbrel::tools {

const char* const kTrackUsage =
    "usage: nimbrel-track [--rotator HOST:PORT] [--radio HOST:PORT] [--downlink HZ] [--uplink HZ]\n"
    "                     [--transmitters FILE] [--transmitter UUID] [--passband-offset HZ] [--ctcss HZ]\n"
    "                     [--frequency-offset HZ] [--list]\n"
    "                     [--observer LAT,LON,ALT_KM] [--min-el DEG] [--az-range MIN:MAX] [--el-max 90|180]\n"
    "                     [--interval S] [--utc YYYY-MM-DDTHH:MM:SS] [--for S] SATELLITE FILE\n"
    "Points the rotator (rotctld) after SATELLITE, a catalogue number or a name from the Kepler file\n"
    "FILE, and tunes the radio (rigctld) for its Doppler shift; prints one CSV line per update:\n"
    "  utc,az_deg,el_deg,range_km,range_rate_kms,rotator_az_deg,rotator_el_deg,downlink_hz,uplink_hz,status\n"
    "  --rotator   rotctld's address (its default port is 4533)\n"
    "  --radio     rigctld's address (its default port is 4532)\n"
    "  --downlink  the satellite's nominal downlink frequency in Hz\n"
    "  --uplink    its nominal uplink in Hz (the radio is put in split mode, VFO B)\n"
    "  --transmitters     a SatNOGS DB transmitter list (default: the one kept in the data folder,\n"
    "                     transmitters/transmitters.json, which nimbrel-data's source \"transmitters\" "
    "fetches)\n"
    "  --transmitter      a transmitter's uuid from that list, instead of --downlink and --uplink: its\n"
    "                     frequencies and the radio's modes come from the list\n"
    "  --passband-offset  on a linear transponder, the place in its downlink passband in Hz from its\n"
    "                     low end (default: the centre)\n"
    "  --ctcss     the CTCSS tone in Hz sent on an FM uplink (67.0, say)\n"
    "  --frequency-offset  Hz added to the nominal downlink before the Doppler shift\n"
    "  --list      print SATELLITE's transmitters from the list, one a line, and end:\n"
    "                uuid,description,downlink_hz,uplink_hz,mode,marks\n"
    "  --observer  LAT degrees north, LON degrees east, ALT_KM km (default: the home location)\n"
    "  --min-el    below this elevation the rotator waits at the next AOS azimuth (default 0)\n"
    "  --az-range  the rotator's azimuth stops (default 0:360; -180:180 and 0:450 are common)\n"
    "  --el-max    90, or 180 for a rotator that can point over the top (default 90)\n"
    "  --interval  seconds between updates (0.1 to 3600, default 1)\n"
    "  --utc       start the clock at this time and run it in real time from there\n"
    "  --for       stop after this many seconds (default: until interrupted)\n"
    "  --version   the program's version\n"
    "  --help      this text\n"
    "Exit status: 0, 1 when a daemon could never be reached, 2 for a bad command line.\n";

namespace {

std::optional<double> Number(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<station::TDaemonAddress> Address(const std::string& text) {
  return station::ParseDaemonAddress(QString::fromStdString(text));
}

// "MIN:MAX"; a leading minus belongs to the number.
std::optional<std::pair<double, double>> Range(std::string_view text) {
  const auto colon = text.find(':', 1);
  if (colon == std::string_view::npos) return std::nullopt;
  const auto low = Number(text.substr(0, colon));
  const auto high = Number(text.substr(colon + 1));
  if (!low || !high) return std::nullopt;
  return std::pair{*low, *high};
}

}  // namespace

TParsedOptions ParseTrackOptions(int argc, const char* const* argv) {
  TParsedOptions parsed;
  TTrackOptions& o = parsed.options;
  std::vector<std::string> positional;
  const auto fail = [&](std::string message) {
    parsed.error = std::move(message);
    return parsed;
  };
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool hasValue = false;
    if (arg.rfind("--", 0) == 0) {
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        hasValue = true;
      }
    }
    if (arg == "--help" || arg == "-h") {
      o.help = true;
      return parsed;
    }
    if (arg == "--version") {
      o.version = true;
      return parsed;
    }
    if (arg == "--list") {
      if (hasValue) return fail("--list takes no value");
      o.list = true;
      continue;
    }
    if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) {
      positional.push_back(arg);
      continue;
    }
    if (!hasValue) {
      if (i + 1 >= argc) return fail("option " + arg + " needs a value");
      value = argv[++i];
    }
    if (arg == "--rotator" || arg == "--radio") {
      const auto address = Address(value);
      if (!address) return fail(arg + ": '" + value + "' is not HOST:PORT (a port from 1 to 65535)");
      (arg == "--rotator" ? o.rotator : o.radio) = address;
    } else if (arg == "--downlink" || arg == "--uplink") {
      const auto hz = Number(value);
      if (!hz || *hz <= 0 || *hz > 1e12)
        return fail(arg + ": '" + value + "' is not a frequency in Hz above 0");
      (arg == "--downlink" ? o.downlinkHz : o.uplinkHz) = *hz;
    } else if (arg == "--transmitters") {
      if (value.empty()) return fail("--transmitters needs a file name");
      o.transmitters = value;
    } else if (arg == "--transmitter") {
      if (value.empty()) return fail("--transmitter needs a transmitter's uuid");
      o.transmitter = value;
    } else if (arg == "--passband-offset") {
      const auto hz = Number(value);
      if (!hz || *hz < 0 || *hz > 1e12)
        return fail("--passband-offset: '" + value + "' is not a number of hertz from 0 up");
      o.passbandOffsetHz = *hz;
    } else if (arg == "--ctcss") {
      const auto hz = Number(value);
      if (!hz || *hz < 60 || *hz > 260)
        return fail("--ctcss: '" + value + "' is not a CTCSS tone from 60 to 260 Hz");
      o.ctcssHz = *hz;
    } else if (arg == "--frequency-offset") {
      const auto hz = Number(value);
      if (!hz || std::abs(*hz) > 1e6)
        return fail("--frequency-offset: '" + value + "' is not a number of hertz from -1000000 to 1000000");
      o.frequencyOffsetHz = *hz;
    } else if (arg == "--observer") {
      o.observer = ParseObserver(value);
      if (!o.observer)
        return fail("--observer: '" + value + "' is not LAT,LON,ALT_KM (degrees north, degrees east, km)");
    } else if (arg == "--min-el") {
      const auto deg = Number(value);
      if (!deg || *deg < -5 || *deg > 90)
        return fail("--min-el: '" + value + "' is not an elevation from -5 to 90 degrees");
      o.minElevationDeg = *deg;
    } else if (arg == "--az-range") {
      const auto range = Range(value);
      if (!range) return fail("--az-range: '" + value + "' is not MIN:MAX in degrees");
      o.limits.minAzimuthDeg = range->first;
      o.limits.maxAzimuthDeg = range->second;
    } else if (arg == "--el-max") {
      const auto deg = Number(value);
      if (!deg || (*deg != 90 && *deg != 180)) return fail("--el-max: '" + value + "' is neither 90 nor 180");
      o.limits.maxElevationDeg = *deg;
    } else if (arg == "--interval") {
      const auto s = Number(value);
      if (!s || *s < 0.1 || *s > 3600)
        return fail("--interval: '" + value + "' is not a number of seconds from 0.1 to 3600");
      o.intervalS = *s;
    } else if (arg == "--utc") {
      o.startJD = ParseUtc(value);
      if (!o.startJD) return fail("--utc: '" + value + "' is not a UTC time of the form YYYY-MM-DDTHH:MM:SS");
    } else if (arg == "--for") {
      const auto s = Number(value);
      if (!s || *s <= 0 || *s > 1e9) return fail("--for: '" + value + "' is not a number of seconds above 0");
      o.forS = *s;
    } else {
      return fail("unknown option '" + arg + "' (see --help)");
    }
  }
  if (const auto wrong = station::CheckLimits(o.limits)) return fail("--az-range/--el-max: " + *wrong);
  if (!o.transmitter.empty() && (o.downlinkHz > 0 || o.uplinkHz > 0))
    return fail("give either --transmitter or --downlink/--uplink, not both");
  if (o.passbandOffsetHz && o.transmitter.empty())
    return fail("--passband-offset needs --transmitter (a linear transponder)");
  if (o.ctcssHz > 0 && o.transmitter.empty())
    return fail("--ctcss needs --transmitter (the tone goes with an FM uplink's mode)");
  if (positional.size() != 2) return fail("give the satellite and the Kepler file (see --help)");
  o.satellite = positional[0];
  o.file = positional[1];
  return parsed;
}

}  // namespace nimbrel::tools
