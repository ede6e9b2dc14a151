// nimbrel-ephem: positions of the satellites of a Kepler file at given times, as CSV.
// The columns are a contract with users' scripts: status stays last, new columns go before it.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "EphemFormat.h"
#include "EphemRows.h"
#include "PassFormat.h"
#include "catalogue/SatelliteList.h"
#include "catalogue/UserErrorText.h"
#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitTime.h"
#include "orbit/Passes.h"
#include "orbit/Satellite.h"

namespace {

using namespace nimbrel;

constexpr const char* kUsage =
    "usage: nimbrel-ephem [--tsince MIN[,MIN...]] [--utc YYYY-MM-DDTHH:MM:SS[,...]]\n"
    "                     [--observer LAT,LON,ALT_KM] FILE\n"
    "       nimbrel-ephem --sun|--moon [--utc YYYY-MM-DDTHH:MM:SS[,...]]\n"
    "       nimbrel-ephem --passes DAYS --observer LAT,LON,ALT_KM [--start YYYY-MM-DDTHH:MM:SS] FILE\n"
    "Prints the position and velocity of every satellite in the Kepler file FILE (two-line element\n"
    "sets, or OMM as CSV, XML or JSON, told apart by the content) as CSV:\n"
    "  name,catnum,tsince_min,utc,x_km,y_km,z_km,vx_kms,vy_kms,vz_kms,lat_deg,lon_deg,alt_km,\n"
    "  epoch_age_days,status\n"
    "  with --observer, az_deg,el_deg,range_km,range_rate_kms,visible come before epoch_age_days;\n"
    "  status is ok or why there is no position (decayed, ...).\n"
    "  --tsince    minutes from each satellite's epoch (negative values allowed: --tsince -1440,0,1440)\n"
    "  --utc       UTC times; without --tsince or --utc the current time is used\n"
    "  --observer  an observer at LAT degrees north, LON degrees east, ALT_KM km (-1 to 1000000):\n"
    "              adds the look angles\n"
    "  --sun       print the Sun instead of satellites (no FILE):\n"
    "              body,utc,x_km,y_km,z_km,distance_km,lat_deg,lon_deg\n"
    "  --moon      the same for the Moon (both may be given)\n"
    "  --passes    the passes of every satellite over the observer within DAYS days (up to 366) from\n"
    "              --start (default: now), in time order:\n"
    "              name,catnum,aos_utc,aos_az_deg,tca_utc,max_el_deg,tca_az_deg,los_utc,los_az_deg,\n"
    "              duration_s,visual_start_utc,visual_end_utc,flags\n"
    "  --help      this text\n"
    "  --version   the program's name and version\n";

struct TOptions {
  std::vector<double> tsince;
  std::vector<double> utc;  // Julian dates
  std::string file;
  std::optional<orbit::GeodeticPoint> observer;
  std::optional<double> passDays;
  std::optional<double> start;  // Julian date
  bool sun = false;
  bool moon = false;
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "nimbrel-ephem: " << message << "\n";
  std::exit(2);
}

TOptions ParseArguments(int argc, char** argv) {
  TOptions o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool hasValue = false;
    if (arg.rfind("--", 0) == 0) {
      const auto eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
        hasValue = true;
      }
    }
    const auto next = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= argc) Fail("option " + arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      std::exit(0);
    } else if (arg == "--version" && !hasValue) {
      std::cout << "nimbrel-ephem " NIMBREL_VERSION "\n";
      std::exit(0);
    } else if (arg == "--tsince") {
      const std::string list = next();
      const auto values = tools::ParseRealList(list);
      if (!values) Fail("--tsince: '" + list + "' is not a comma-separated list of minutes");
      o.tsince.insert(o.tsince.end(), values->begin(), values->end());
    } else if (arg == "--utc") {
      for (const std::string& item : tools::SplitList(next())) {
        const auto jd = tools::ParseUtc(item);
        if (!jd) Fail("--utc: '" + item + "' is not a UTC time of the form YYYY-MM-DDTHH:MM:SS");
        o.utc.push_back(*jd);
      }
    } else if (arg == "--observer") {
      const std::string text = next();
      o.observer = tools::ParseObserver(text);
      if (!o.observer)
        Fail("--observer: '" + text +
             "' is not LAT,LON,ALT_KM (latitude -90 to 90 degrees north, longitude in degrees east, "
             "altitude -1 to 1000000 km)");
    } else if (arg == "--passes") {
      const std::string text = next();
      o.passDays = tools::ParsePassDays(text);
      if (!o.passDays) Fail("--passes: '" + text + "' is not a number of days above 0 and at most 366");
    } else if (arg == "--start") {
      const std::string text = next();
      o.start = tools::ParseUtc(text);
      if (!o.start) Fail("--start: '" + text + "' is not a UTC time of the form YYYY-MM-DDTHH:MM:SS");
    } else if (arg == "--sun" && !hasValue) {
      o.sun = true;
    } else if (arg == "--moon" && !hasValue) {
      o.moon = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      Fail("unknown option '" + arg + "' (see --help)");
    } else if (o.file.empty()) {
      o.file = arg;
    } else {
      Fail("only one Kepler file may be given ('" + o.file + "' and '" + arg + "')");
    }
  }
  if (o.start && !o.passDays) Fail("--start applies to --passes only");
  if (o.passDays) {
    if (o.sun || o.moon || !o.tsince.empty() || !o.utc.empty())
      Fail("--passes searches a window from --start: give no --tsince, --utc, --sun or --moon");
    if (!o.observer) Fail("--passes needs --observer LAT,LON,ALT_KM");
    if (o.file.empty()) Fail("no Kepler file given (see --help)");
    if (!o.start) o.start = orbit::DateTimeToJulianDate(orbit::CurrentUtc());
    return o;
  }
  if (o.sun || o.moon) {
    if (!o.file.empty()) Fail("--sun and --moon print bodies instead of satellites: give no Kepler file");
    if (!o.tsince.empty()) Fail("--tsince counts from a satellite's epoch: give --utc with --sun or --moon");
    if (o.observer) Fail("--observer applies to satellites only");
  } else if (o.file.empty()) {
    Fail("no Kepler file given (see --help)");
  }
  if (o.tsince.empty() && o.utc.empty()) o.utc.push_back(orbit::DateTimeToJulianDate(orbit::CurrentUtc()));
  return o;
}

int PrintBodies(const TOptions& o) {
  std::cout << tools::kBodyHeader << "\n";
  for (tools::TBody body : {tools::TBody::bdSun, tools::TBody::bdMoon}) {
    if (!(body == tools::TBody::bdSun ? o.sun : o.moon)) continue;
    for (double jd : o.utc) {
      const std::optional<std::string> row = tools::BodyRow(body, jd);
      if (!row) Fail("no position for " + tools::FormatUtc(jd));
      std::cout << *row << "\n";
    }
  }
  std::cout.flush();
  if (!std::cout) Fail("cannot write the output");
  return 0;
}

// "ISS (ZARYA) (25544): stopped at 2006-01-16T03:12:00.000Z (decayed)".
std::string FailedSearch(const catalogue::TSatelliteList& satellites, int i, const orbit::TPassList& list) {
  const std::string who = satellites.NameAt(i) + " (" + satellites.CatalogueNumberAt(i) + ")";
  if (list.reason.empty()) return list.error;
  if (list.failedJD == 0.0) return who + ": " + list.reason;
  return who + ": stopped at " + tools::FormatUtc(list.failedJD) + " (" + list.reason + ")";
}

// Every satellite's passes in time order; a satellite that could not be searched to the end is named
// on standard error and makes the exit status 1, after the rows of all the others.
int PrintPasses(catalogue::TSatelliteList& satellites, const TOptions& o) {
  orbit::TPassSearch search;
  search.observer = *o.observer;
  search.startJD = *o.start;
  search.endJD = *o.start + *o.passDays;
  std::vector<orbit::TSatellite> copies;
  copies.reserve(static_cast<std::size_t>(satellites.Count()));
  for (int i = 0; i < satellites.Count(); ++i) copies.push_back(satellites.SatelliteAt(i));
  const std::vector<orbit::TPassList> found = orbit::FindPassesForAll(std::move(copies), search);

  struct TRow {
    double aosJD;
    int satellite;
    const orbit::TPass* pass;
  };
  std::vector<TRow> rows;
  bool complete = true;
  for (int i = 0; i < satellites.Count(); ++i) {
    const orbit::TPassList& list = found[static_cast<std::size_t>(i)];
    if (list.status != orbit::TPassStatus::psComplete) {
      complete = false;
      std::cerr << "nimbrel-ephem: " << FailedSearch(satellites, i, list)
                << "; passes from then on are missing\n";
    }
    for (const orbit::TPass& pass : list.passes) rows.push_back({pass.aosJD, i, &pass});
  }
  // Ties (passes in progress at the start) keep the catalogue's order.
  std::stable_sort(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) { return a.aosJD < b.aosJD; });
  std::cout << tools::kPassHeader << "\n";
  for (const TRow& row : rows) {
    std::cout << tools::PassRow(satellites.NameAt(row.satellite), satellites.CatalogueNumberAt(row.satellite),
                                *row.pass)
              << "\n";
  }
  std::cout.flush();
  if (!std::cout) Fail("cannot write the output");
  return complete ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const TOptions o = ParseArguments(argc, argv);
    if (o.sun || o.moon) return PrintBodies(o);
    // Read through the catalogue, so the tool sees exactly the sets, names and order the program
    // shows. The catalogue ignores a missing file; the tool must not.
    std::error_code error;
    if (!std::filesystem::exists(o.file, error)) {
      if (!error) error = std::make_error_code(std::errc::no_such_file_or_directory);
      Fail("cannot open '" + o.file + "': " + error.message());
    }
    catalogue::TSatelliteList satellites;
    satellites.LoadFromFile(o.file);
    if (o.passDays) return PrintPasses(satellites, o);
    std::cout << tools::SatelliteHeader(o.observer.has_value()) << "\n";
    std::vector<orbit::TSatellite*> sats;
    sats.reserve(static_cast<std::size_t>(satellites.Count()));
    for (int i = 0; i < satellites.Count(); ++i) sats.push_back(&satellites.SatelliteAt(i));
    std::vector<tools::TRowTime> times;
    for (double t : o.tsince) times.push_back({true, t});
    for (double jd : o.utc) times.push_back({false, jd});
    tools::WriteSatelliteRows(sats, times, o.observer, 0, [](std::string_view rows) {
      std::cout.write(rows.data(), static_cast<std::streamsize>(rows.size()));
    });
    std::cout.flush();
    if (!std::cout) Fail("cannot write the output");
    // Everything is written. Taking a catalogue of tens of thousands of satellites apart again, one
    // allocation at a time, would cost a tenth of the run for nothing: the system frees it at once.
    std::_Exit(0);
  } catch (const std::exception& e) {
    Fail(catalogue::UserErrorText(e));
  }
}
