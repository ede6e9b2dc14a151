#pragma once
// Writing the companion program's values for users who do not have it: the Kepler folder, the
// observer locations with the home among them, the primary satellite and the three active lists.
// nimbrel-settings and the window's Setup page both write through here, so they store exactly the
// forms the readers of Companion.h read back. Every write locks the companion's key, reads it again,
// changes only its own value and saves atomically (TSettingsKey::Update), so the tool and a running
// window never lose each other's changes.
//
// While the companion program itself is registered ("App Paths" holds "Nimbrel"), these values are
// its own: every write here is refused (cwOwnedByCompanion) and nothing at all is written.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel::catalogue {

inline constexpr double kMinLatitudeDeg = -90.0;
inline constexpr double kMaxLatitudeDeg = 90.0;
inline constexpr double kMinLongitudeDeg = -180.0;
inline constexpr double kMaxLongitudeDeg = 180.0;
// From the Dead Sea shore to well above any balloon: a typing slip beyond this is no observer.
inline constexpr double kMinHeightM = -1000.0;
inline constexpr double kMaxHeightM = 100000.0;

// A number as a person types it: "." as the decimal point in every locale, the locale's own separator
// as well (comma included: a field of its own is not cut by the comma-list rules), an optional sign,
// no exponent and no group separators. `problem` says what is wrong when there is no value, as the
// end of a sentence about the text: "is not a number ..." or "is outside -90..90".
struct TCheckedNumber {
  std::optional<double> value;
  std::string problem;
};
TCheckedNumber CheckDecimal(QStringView text, double low, double high,
                            const QLocale& locale = QLocale::system());
// The shortest text that reads back as the same number, always with "." ("55.95", "-3.19", "0").
std::string FormatDecimal(double value);

// A catalogue number as a person types it: 1 to 339999 as digits (leading zeros allowed) or the
// Alpha-5 text ("A0001", either letter case), given back as the five characters the lists store.
struct TCheckedCatalogueNumber {
  QString number;       // empty when refused
  std::string problem;  // "is not a catalogue number (...)" or "is above 339999, ..."
};
TCheckedCatalogueNumber CheckCatalogueNumber(std::string_view text);

// One observer location as the companion stores it: a five-field item of "LocationList"
// (name, longitude, latitude, height in metres, 0).
struct TObserverLocation {
  QString name;
  double latDeg = 0;
  double lonDeg = 0;
  double heightM = 0;
};
// Empty when the name can be stored, else why not ("needs a name", control characters).
std::string CheckLocationName(const QString& name);
QString LocationItem(const TObserverLocation& location);

// The companion program is registered, and so owns its values.
bool CompanionOwnsSettings();

struct TCompanionWrite {
  enum class TStatus { cwSaved, cwRefused, cwOwnedByCompanion, cwFailed };
  TStatus status = TStatus::cwFailed;
  // cwRefused: the end of a sentence about the location number ("is outside 1..2 (the stored
  // locations)"); cwOwnedByCompanion: a whole sentence; cwFailed: what the store says went wrong, in
  // plain words naming the file.
  std::string message;
  explicit operator bool() const noexcept { return status == TStatus::cwSaved; }
};

// "TwoLineDataPath". The caller passes the absolute folder it means.
TCompanionWrite WriteDataFolder(const QString& folder);
// Appends to "LocationList"; the home ("LocationNum") stays where it was.
TCompanionWrite AddLocation(const TObserverLocation& location);
// Replaces the item at `index` (from 0), keeping its place and the home.
TCompanionWrite ReplaceLocation(int index, const TObserverLocation& location);
// Removes the item at `index`; the same home stays selected, and when the home itself goes, the first
// location takes over.
TCompanionWrite RemoveLocation(int index);
// Makes the item at `index` the home.
TCompanionWrite SelectLocation(int index);

// A location as a list showed it: its place and its stored item, word for word. Another program
// (nimbrel-settings) may change the list while it is shown, so the three changes below find the item
// by its text: at its place, or wherever it moved to. An item that is no longer stored, or stored
// more than once away from its place, is refused (cwRefused, "\"NAME\" is no longer stored as it was
// shown") rather than changing another location.
struct TShownLocation {
  int index = -1;
  QString item;
};
TCompanionWrite ReplaceLocation(const TShownLocation& shown, const TObserverLocation& location);
TCompanionWrite RemoveLocation(const TShownLocation& shown);
TCompanionWrite SelectLocation(const TShownLocation& shown);
// "PrimarySatCatNumber"; `number` is the stored five-character form.
TCompanionWrite WritePrimary(const QString& number);
// "ActiveList", "ActiveList1" or "ActiveList2" for bank 0, 1 or 2; no numbers empties the list.
TCompanionWrite WriteActiveList(int bank, const QStringList& numbers);

}  // namespace nimbrel::catalogue
