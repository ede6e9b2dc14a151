// nimbrel-track: steers a rotator and tunes a radio after one satellite through hamlib's daemons,
// printing one CSV line per update. The columns are a contract with users' scripts: status stays last.

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "EphemFormat.h"
#include "TrackOptions.h"
#include "catalogue/CatalogueNumber.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/DataFolder.h"
#include "catalogue/SatelliteList.h"
#include "catalogue/Transmitters.h"
#include "catalogue/UserErrorText.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "station/RadioClient.h"
#include "station/RotatorClient.h"
#include "station/Tracker.h"
#include "station/TransmitterPlan.h"

namespace {

using namespace nimbrel;

constexpr int kExitOk = 0;
constexpr int kExitUnreachable = 1;
constexpr int kExitUsage = 2;
// Once asked to end, how long the rotator's answer to "stop" is waited for.
constexpr int kStopGraceMs = 2000;

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  // Nothing to do when the pipe is full: an ending is already on its way.
  [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

[[noreturn]] void Refuse(const std::string& message) {
  std::cerr << "nimbrel-track: " << message << "\n";
  std::exit(kExitUsage);
}

// The companion's home location; none when its list has no usable entry: guessing a place would
// point the antenna wrongly.
std::optional<orbit::GeodeticPoint> HomeLocation() {
  const QStringList locations =
      catalogue::SplitCommaList(catalogue::ReadCompanionText(QString::fromLatin1(catalogue::kLocationList)));
  const int index =
      catalogue::LocationIndex(catalogue::ReadCompanionInteger(QString::fromLatin1(catalogue::kLocationNum)));
  if (index >= locations.size()) return std::nullopt;
  const QStringList fields = catalogue::SplitCommaList(locations[index]);
  if (fields.size() != catalogue::kLocationFieldCount) return std::nullopt;
  const auto lon = catalogue::ReadLocationReal(fields[catalogue::kLocationLongitudeField]);
  const auto lat = catalogue::ReadLocationReal(fields[catalogue::kLocationLatitudeField]);
  if (!lon || !lat || *lat < -90 || *lat > 90) return std::nullopt;
  // The height is stored in metres; the observer's altitude is in km.
  const double heightKm = catalogue::ReadLocationHeightM(fields[catalogue::kLocationHeightField]) / 1000.0;
  return orbit::GeodeticPoint{orbit::Radians(*lat), orbit::Radians(orbit::Modulus(*lon, 360.0)), heightKm,
                              0.0};
}

// A catalogue number as nimbrel-ephem prints it (with or without leading zeros, or in Alpha-5
// form), else a name in any letter case.
int FindSatellite(const catalogue::TSatelliteList& list, const std::string& wanted) {
  std::optional<std::int64_t> number = catalogue::CatalogueNumberValue(wanted);
  if (!number && !wanted.empty() && wanted.size() <= 9 &&
      wanted.find_first_not_of("0123456789") == std::string::npos)
    number = std::stoll(wanted);
  if (number) {
    const int index = list.IndexOfCatalogueNumber(catalogue::CatalogueNumberText(*number));
    if (index >= 0) return index;
  }
  return list.IndexOf(wanted);
}

std::string Fixed(double value, int decimals) {
  return tools::FormatFixed(value, decimals);
}

std::string Hz(const std::optional<double>& hz) {
  return hz ? std::to_string(static_cast<long long>(std::llround(*hz))) : std::string();
}

// The state word, then what is wrong with either daemon: "tracking;rotator-offline".
std::string Status(const station::TTrackSample& s, const station::THamlibLink* rotator,
                   const station::THamlibLink* radio) {
  std::string status = station::TrackStateWord(s.state);
  const auto add = [&](const station::THamlibLink* link, const char* device) {
    if (!link) return;
    if (!link->Connected())
      status += std::string(";") + device + "-offline";
    else if (!link->Problem().isEmpty())
      status += std::string(";") + device + "-error";
  };
  add(rotator, "rotator");
  add(radio, "radio");
  return status;
}

std::string Row(const station::TTrackSample& s, const station::THamlibLink* rotator,
                const station::THamlibLink* radio) {
  std::string row = tools::FormatUtc(s.jd) + ",";
  if (s.hasPosition) {
    row += Fixed(s.azimuthDeg, 3) + "," + Fixed(s.elevationDeg, 3) + "," + Fixed(s.rangeKm, 3) + "," +
           Fixed(s.rangeRateKmPerS, 6) + ",";
  } else {
    row += ",,,,";
  }
  if (s.commanded)
    row += Fixed(s.commanded->azimuthDeg, 2) + "," + Fixed(s.commanded->elevationDeg, 2) + ",";
  else
    row += ",,";
  row += Hz(s.downlinkHz) + "," + Hz(s.uplinkHz) + "," + Status(s, rotator, radio);
  return row;
}

std::string Band(const std::optional<std::int64_t>& low, const std::optional<std::int64_t>& high) {
  std::string band;
  if (!low) return band;
  band = std::to_string(*low);
  if (high) {
    band += '-';
    band += std::to_string(*high);
  }
  return band;
}

// A field of a --list line, quoted when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += (c == '\r' || c == '\n') ? ' ' : c;
  }
  return quoted + "\"";
}

std::string ListLine(const catalogue::TTransmitter& t) {
  // The marks as one field: "inactive;unconfirmed".
  std::string marks;
  for (const char c : t.Marks()) {
    if (c == ',')
      marks += ';';
    else if (c != ' ' || (!marks.empty() && marks.back() != ';'))
      marks += c;
  }
  return CsvField(t.uuid) + "," + CsvField(t.description) + "," + Band(t.downlinkLowHz, t.downlinkHighHz) +
         "," + Band(t.uplinkLowHz, t.uplinkHighHz) + "," + CsvField(t.mode) + "," + marks;
}

station::TTransmitterPlan Plan(const catalogue::TTransmitter& t, const tools::TTrackOptions& o) {
  const auto hz = [](const std::optional<std::int64_t>& v) { return v ? static_cast<double>(*v) : 0.0; };
  return {hz(t.downlinkLowHz),
          hz(t.downlinkHighHz),
          hz(t.uplinkLowHz),
          hz(t.uplinkHighHz),
          t.invert,
          t.mode,
          t.uplinkMode,
          o.ctcssHz,
          o.passbandOffsetHz,
          o.frequencyOffsetHz};
}

}  // namespace

int main(int argc, char** argv) {
  const tools::TParsedOptions parsed = tools::ParseTrackOptions(argc, argv);
  const tools::TTrackOptions& o = parsed.options;
  if (o.help) {
    std::cout << tools::kTrackUsage;
    return kExitOk;
  }
  if (o.version) {
    std::cout << "nimbrel-track " NIMBREL_VERSION "\n";
    return kExitOk;
  }
  if (!parsed.error.empty()) Refuse(parsed.error);

  QCoreApplication app(argc, argv);
  catalogue::TSatelliteList list;
  try {
    std::error_code error;
    if (!std::filesystem::exists(o.file, error))
      Refuse("cannot open '" + o.file +
             "': " + (error ? error : std::make_error_code(std::errc::no_such_file_or_directory)).message());
    list.LoadFromFile(o.file);
  } catch (const std::exception& e) {
    Refuse(catalogue::UserErrorText(e));
  }
  const int index = FindSatellite(list, o.satellite);
  if (index < 0) Refuse("no satellite '" + o.satellite + "' in " + o.file);
  std::optional<catalogue::TTransmitter> transmitter;
  if (o.list || !o.transmitter.empty()) {
    const std::string path =
        o.transmitters ? *o.transmitters
                       : catalogue::TransmitterListPath(catalogue::KeplerDataFolder()).toStdString();
    std::vector<catalogue::TTransmitter> all;
    try {
      all = catalogue::ReadTransmitterFile(path);
    } catch (const catalogue::ETransmitterListError& e) {
      Refuse("cannot use the transmitter list " + path + ": " + e.Reason());
    }
    const std::optional<std::int64_t> norad =
        catalogue::CatalogueNumberValue(list.SatelliteAt(index).CatalogueNumber());
    const std::vector<catalogue::TTransmitter> mine =
        norad ? catalogue::TransmittersOf(all, *norad) : std::vector<catalogue::TTransmitter>();
    if (o.list) {
      for (const catalogue::TTransmitter& t : mine) std::cout << ListLine(t) << "\n";
      return kExitOk;
    }
    const catalogue::TTransmitter* found = catalogue::FindTransmitter(mine, o.transmitter);
    if (!found) Refuse("no transmitter " + o.transmitter + " for " + list.NameAt(index) + " in " + path);
    if (o.passbandOffsetHz && !found->Passband())
      Refuse("--passband-offset: the transmitter " + o.transmitter + " is no linear transponder");
    transmitter = *found;
  }
  const std::optional<orbit::GeodeticPoint> observer = o.observer ? o.observer : HomeLocation();
  if (!observer) Refuse("no home location in the settings: give --observer LAT,LON,ALT_KM");

  station::TTrackerSettings settings;
  settings.observer = *observer;
  settings.minElevationDeg = o.minElevationDeg;
  settings.limits = o.limits;
  settings.intervalS = o.intervalS;
  settings.downlinkHz = o.downlinkHz;
  settings.uplinkHz = o.uplinkHz;
  settings.downlinkOffsetHz = o.frequencyOffsetHz;
  if (transmitter) station::ApplyTransmitter(settings, Plan(*transmitter, o));

  std::unique_ptr<station::TRotatorClient> rotator;
  std::unique_ptr<station::TRadioClient> radio;
  const auto report = [](station::THamlibLink* link) {
    QObject::connect(link, &station::THamlibLink::ProblemChanged, [](const QString& problem) {
      if (!problem.isEmpty()) std::cerr << "nimbrel-track: " << problem.toStdString() << std::endl;
    });
  };
  if (o.rotator) {
    rotator = std::make_unique<station::TRotatorClient>();
    report(rotator.get());
    rotator->Open(*o.rotator);
  }
  if (o.radio) {
    radio = std::make_unique<station::TRadioClient>();
    report(radio.get());
    radio->Open(*o.radio);
  }

  // The clock starts when the tracking does, at --utc or now, and runs in real time.
  const double startJD = o.startJD ? *o.startJD : orbit::DateTimeToJulianDate(orbit::CurrentUtc());
  QElapsedTimer elapsed;
  const auto clock = [&] { return startJD + static_cast<double>(elapsed.nsecsElapsed()) / 86400e9; };
  station::TTracker tracker(list.SatelliteAt(index), settings, clock, rotator.get(), radio.get());
  std::string lastError;
  QObject::connect(&tracker, &station::TTracker::Updated, [&](const station::TTrackSample& s) {
    if (!s.error.empty() && s.error != lastError)
      std::cerr << "nimbrel-track: " << list.NameAt(index) << " cannot be computed at "
                << tools::FormatUtc(s.jd) << ": " << s.error << "." << std::endl;
    lastError = s.error;
    std::cout << Row(s, rotator.get(), radio.get()) << std::endl;
  });

  bool ending = false;
  const auto end = [&] {
    if (ending) return;
    ending = true;
    tracker.Stop();
    // Leave the antenna where it is rather than let it run on to the last target.
    if (rotator && rotator->Connected()) {
      QTimer::singleShot(kStopGraceMs, &app, &QCoreApplication::quit);
      if (rotator->Send("S", 0, [](const station::TReply&) { QCoreApplication::quit(); })) return;
    }
    QCoreApplication::quit();
  };
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, [&] {
      char byte = 0;
      [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
      end();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }

  // Tracking starts once each daemon has connected or failed to, so that the first lines already
  // say how things stand; the connect timeout bounds the wait.
  bool started = false;
  const auto start = [&] {
    if (started || ending) return;
    started = true;
    std::cout
        << "utc,az_deg,el_deg,range_km,range_rate_kms,rotator_az_deg,rotator_el_deg,downlink_hz,uplink_hz,"
           "status"
        << std::endl;
    elapsed.start();
    tracker.Start();
    if (o.forS) QTimer::singleShot(static_cast<int>(std::min(*o.forS * 1000.0, 2e9)), &app, end);
  };
  const auto settled = [](const station::THamlibLink* link) {
    return !link || link->State() != station::TLinkState::lsConnecting;
  };
  const auto startWhenSettled = [&] {
    if (settled(rotator.get()) && settled(radio.get())) start();
  };
  if (rotator) QObject::connect(rotator.get(), &station::THamlibLink::StateChanged, &app, startWhenSettled);
  if (radio) QObject::connect(radio.get(), &station::THamlibLink::StateChanged, &app, startWhenSettled);
  QTimer::singleShot(station::TLinkTimings{}.connectTimeoutMs + 500, &app, start);
  QTimer::singleShot(0, &app, startWhenSettled);

  app.exec();
  std::cout.flush();
  const bool unreachable = (rotator && !rotator->EverConnected()) || (radio && !radio->EverConnected());
  return unreachable ? kExitUnreachable : kExitOk;
}
