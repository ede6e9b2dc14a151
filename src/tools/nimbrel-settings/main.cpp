// nimbrel-settings: shows and writes the values NimbrelGL reads from its companion program's key
// (Kepler folder, home locations, primary satellite, active lists), for users without the companion.
// It writes through the same code as NimbrelGL's Setup page, in exactly the forms NimbrelGL reads,
// and on any error it writes nothing.

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/CatalogueNumber.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/CompanionWriter.h"
#include "catalogue/RegistryVariables.h"
#include "catalogue/SettingsStore.h"
#include "catalogue/UserErrorText.h"

namespace {

using namespace nimbrel::catalogue;

constexpr const char* kUsage =
    "usage: nimbrel-settings COMMAND [ARGUMENTS]\n"
    "Shows and writes the companion program's settings that NimbrelGL reads: the Kepler data folder,\n"
    "the home locations, the primary satellite and the three active lists (banks).\n"
    "\n"
    "commands:\n"
    "  show                              list the values as NimbrelGL reads them\n"
    "      nimbrel-settings show\n"
    "  set-data-folder PATH              the folder that holds the Kepler files (*.2li, *.tle, *.txt)\n"
    "      nimbrel-settings set-data-folder ~/kepler\n"
    "  add-location NAME --lat DEG --lon DEG [--alt M]\n"
    "                                    add a location: latitude -90..90 (north positive), longitude\n"
    "                                    -180..180 (east positive), height -1000..100000 metres\n"
    "      nimbrel-settings add-location Edinburgh --lat 55.95 --lon -3.19 --alt 47\n"
    "  remove-location N                 remove location N, counted from 1 as 'show' lists them\n"
    "      nimbrel-settings remove-location 2\n"
    "  select-location N                 make location N the home location\n"
    "      nimbrel-settings select-location 1\n"
    "  set-primary CATNUM                the primary satellite's catalogue number, 1 to 339999; numbers\n"
    "                                    from 100000 are stored in Alpha-5 form (100001 as A0001),\n"
    "                                    which may also be given\n"
    "      nimbrel-settings set-primary 25544\n"
    "  set-active-list BANK CATNUM...    the active list of bank 1, 2 or 3; no numbers empties it\n"
    "      nimbrel-settings set-active-list 1 25544 20580\n"
    "  --help                            this text\n"
    "  --version                         the program's name and version\n"
    "\n"
    "Numbers take '.' as the decimal point (the locale's own one is accepted too). The values live in\n"
    "$XDG_CONFIG_HOME/Corvane/Nimbrel.conf (~/.config/Corvane/Nimbrel.conf by default). While the\n"
    "companion program Nimbrel is installed it keeps these values itself, and nothing is written.\n";

// A mistake in the command line: reported as one line, nothing is written.
struct TUsageError {
  std::string message;
};

[[noreturn]] void Refuse(const std::string& message) {
  throw TUsageError{message};
}

std::string Quote(std::string_view s) {
  std::string out(1, '\'');
  out += s;
  out += '\'';
  return out;
}

double DecimalArgument(const std::string& what, const std::string& text, double low, double high) {
  const TCheckedNumber checked = CheckDecimal(QString::fromStdString(text), low, high);
  if (!checked.value) Refuse(what + " " + Quote(text) + " " + checked.problem);
  return *checked.value;
}

int PositionArgument(const std::string& what, const std::string& text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 1) {
    Refuse(what + " " + Quote(text) + " is not a location number (1, 2, ... as 'show' lists them)");
  }
  return value;
}

// Stored as the five-character text the catalogue uses: zero-padded, Alpha-5 from 100000 on.
QString CatalogueNumberArgument(const std::string& what, const std::string& text) {
  const TCheckedCatalogueNumber checked = CheckCatalogueNumber(text);
  if (checked.number.isEmpty()) Refuse(what + " " + Quote(text) + " " + checked.problem);
  return checked.number;
}

void ExpectArguments(const std::string& command, const std::vector<std::string>& args, std::size_t count,
                     const std::string& form) {
  if (args.size() != count) Refuse(command + ": expected " + form + " (see --help)");
}

TSettingsKey CompanionStore() {
  return TSettingsKey(TSettingsRoot::srCurrentUser, CompanionKeyPath().toStdString());
}

std::string Utf8(const QString& s) {
  return s.toStdString();
}

// Writes through the catalogue's companion writer; a refusal names the argument `what` (nothing
// written, as for a usage mistake), a store that cannot be written is exit status 1.
int Save(const std::string& what, const TCompanionWrite& result, const std::function<std::string()>& done) {
  if (result.status == TCompanionWrite::TStatus::cwRefused) Refuse(what + " " + result.message);
  if (!result) {
    std::cerr << "nimbrel-settings: " << result.message
              << (result.status == TCompanionWrite::TStatus::cwFailed ? "; nothing was saved" : "") << "\n";
    return 1;
  }
  std::cout << done() << "\n";
  return 0;
}

QStringList StoredList(const char* name) {
  return SplitCommaList(ReadCompanionText(QString::fromLatin1(name)));
}

std::string DescribeLocation(const QString& item) {
  const QStringList fields = SplitCommaList(item);
  if (fields.size() != kLocationFieldCount) {
    return Utf8(item) + "  (not used by NimbrelGL: " + std::to_string(fields.size()) +
           " fields instead of 5)";
  }
  const std::optional<float> lon = ReadLocationReal(fields[kLocationLongitudeField]);
  const std::optional<float> lat = ReadLocationReal(fields[kLocationLatitudeField]);
  std::string text = Utf8(fields[0]) + "  lat " + Utf8(fields[kLocationLatitudeField]) + "  lon " +
                     Utf8(fields[kLocationLongitudeField]) + "  alt " + Utf8(fields[3]);
  if (!lon || !lat) text += "  (not used by NimbrelGL: a coordinate is not a number)";
  return text;
}

int Show(const std::vector<std::string>& args) {
  ExpectArguments("show", args, 0, "no arguments");
  const auto orNone = [](const QString& s) { return s.isEmpty() ? std::string("(none)") : Utf8(s); };
  std::cout << "settings file: " << CompanionStore().File().string() << "\n";
  if (CompanionOwnsSettings()) {
    std::cout
        << "(the companion program Nimbrel is installed and owns these values: they are not changed here)\n";
  }
  std::cout << "data folder: " << orNone(ReadCompanionText(kTwoLineDataPath)) << "\n";
  std::cout << "primary satellite: " << orNone(ReadCompanionText(kPrimarySatCatNumber)) << "\n";

  const QStringList locations = SplitCommaList(ReadCompanionText(kLocationList));
  const int selected = LocationIndex(ReadCompanionInteger(kLocationNum));
  if (locations.isEmpty()) {
    std::cout << "locations: (none; NimbrelGL uses 56 N, 3.2 W)\n";
  } else {
    std::cout << "locations (* = home):\n";
    for (qsizetype i = 0; i < locations.size(); ++i) {
      std::cout << (i == selected ? "  * " : "    ") << i + 1 << ". " << DescribeLocation(locations[i])
                << "\n";
    }
    if (selected >= locations.size()) std::cout << "  (no location selected; NimbrelGL uses 56 N, 3.2 W)\n";
  }
  for (int bank = 0; bank < kBankCount; ++bank) {
    const QStringList list = SplitCommaList(ReadCompanionText(ActiveListValueName(bank)));
    std::cout << "active list, bank " << bank + 1 << ": "
              << (list.isEmpty()
                      ? std::string(bank == 0 ? "(empty)" : "(empty; NimbrelGL uses bank 1's list)")
                      : Utf8(list.join(QLatin1Char(' '))))
              << "\n";
  }
  return 0;
}

int SetDataFolder(const std::vector<std::string>& args) {
  ExpectArguments("set-data-folder", args, 1, "one folder: set-data-folder PATH");
  const QFileInfo info(QString::fromStdString(args[0]));
  if (args[0].empty() || !info.isDir())
    Refuse("set-data-folder: " + Quote(args[0]) + " is not an existing folder");
  // Stored absolute: NimbrelGL's current folder is not the one this command runs in.
  const QString folder = QDir::cleanPath(info.absoluteFilePath());
  return Save("set-data-folder:", WriteDataFolder(folder), [&] { return "data folder: " + Utf8(folder); });
}

int AddLocation(const std::vector<std::string>& args) {
  std::optional<std::string> name;
  std::optional<double> lat;
  std::optional<double> lon;
  double heightM = 0.0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> value;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
    }
    const auto next = [&]() -> std::string {
      if (value) return *value;
      if (i + 1 >= args.size()) Refuse("add-location: " + arg + " needs a value");
      return args[++i];
    };
    if (arg == "--lat") {
      lat = DecimalArgument("add-location: --lat", next(), kMinLatitudeDeg, kMaxLatitudeDeg);
    } else if (arg == "--lon") {
      lon = DecimalArgument("add-location: --lon", next(), kMinLongitudeDeg, kMaxLongitudeDeg);
    } else if (arg == "--alt") {
      heightM = DecimalArgument("add-location: --alt", next(), kMinHeightM, kMaxHeightM);
    } else if (arg.rfind("--", 0) == 0) {
      Refuse("add-location: unknown option " + Quote(arg) + " (allowed: --lat, --lon, --alt)");
    } else if (name) {
      Refuse("add-location: only one NAME may be given (" + Quote(*name) + " and " + Quote(arg) + ")");
    } else {
      name = arg;
    }
  }
  if (!name || name->empty()) Refuse("add-location: a NAME is needed: add-location NAME --lat DEG --lon DEG");
  for (const char c : *name) {
    if (static_cast<unsigned char>(c) < 0x20)
      Refuse("add-location: NAME must not contain control characters");
  }
  if (!lat) Refuse("add-location: --lat DEG is needed (-90..90, north positive)");
  if (!lon) Refuse("add-location: --lon DEG is needed (-180..180, east positive)");

  const TObserverLocation location{QString::fromStdString(*name), *lat, *lon, heightM};
  return Save("add-location:", nimbrel::catalogue::AddLocation(location), [&] {
    return "added location " + std::to_string(StoredList(kLocationList).size()) + ": " + *name;
  });
}

int RemoveLocation(const std::vector<std::string>& args) {
  ExpectArguments("remove-location", args, 1, "one location number: remove-location N");
  const int position = PositionArgument("remove-location: N", args[0]);
  return Save("remove-location: N " + Quote(args[0]), nimbrel::catalogue::RemoveLocation(position - 1),
              [&] { return "removed location " + args[0]; });
}

int SelectLocation(const std::vector<std::string>& args) {
  ExpectArguments("select-location", args, 1, "one location number: select-location N");
  const int position = PositionArgument("select-location: N", args[0]);
  return Save("select-location: N " + Quote(args[0]), nimbrel::catalogue::SelectLocation(position - 1),
              [&] { return "home location: " + args[0]; });
}

int SetPrimary(const std::vector<std::string>& args) {
  ExpectArguments("set-primary", args, 1, "one catalogue number: set-primary CATNUM");
  const QString number = CatalogueNumberArgument("set-primary: CATNUM", args[0]);
  return Save("set-primary:", WritePrimary(number), [&] { return "primary satellite: " + Utf8(number); });
}

int SetActiveList(const std::vector<std::string>& args) {
  if (args.empty()) Refuse("set-active-list: expected a bank: set-active-list BANK CATNUM... (see --help)");
  if (args[0] != "1" && args[0] != "2" && args[0] != "3") {
    Refuse("set-active-list: BANK " + Quote(args[0]) + " is not a bank (1, 2 or 3)");
  }
  const int bank = args[0][0] - '1';
  QStringList numbers;
  for (std::size_t i = 1; i < args.size(); ++i) {
    numbers.append(CatalogueNumberArgument("set-active-list: CATNUM", args[i]));
  }
  return Save("set-active-list: BANK " + Quote(args[0]), WriteActiveList(bank, numbers), [&] {
    return "active list, bank " + args[0] + ": " +
           (numbers.isEmpty() ? std::string("(empty)") : Utf8(numbers.join(QLatin1Char(' '))));
  });
}

int Run(const std::vector<std::string>& words) {
  if (words.empty()) Refuse("no command given (see --help)");
  for (const std::string& w : words) {
    if (w == "--help" || w == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (w == "--version") {
      std::cout << "nimbrel-settings " NIMBREL_VERSION "\n";
      return 0;
    }
  }
  const std::string& command = words.front();
  const std::vector<std::string> args(words.begin() + 1, words.end());
  if (command == "show") return Show(args);
  if (command == "set-data-folder") return SetDataFolder(args);
  if (command == "add-location") return AddLocation(args);
  if (command == "remove-location") return RemoveLocation(args);
  if (command == "select-location") return SelectLocation(args);
  if (command == "set-primary") return SetPrimary(args);
  if (command == "set-active-list") return SetActiveList(args);
  Refuse("unknown command " + Quote(command) +
         " (commands: show, set-data-folder, add-location, remove-location, select-location, set-primary, "
         "set-active-list; see --help)");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    ApplyBranding(QString::fromLocal8Bit(argv[0]));
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const TUsageError& e) {
    std::cerr << "nimbrel-settings: " << e.message << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "nimbrel-settings: " << UserErrorText(e) << "\n";
    return 1;
  }
}
