#pragma once
// The companion tracking program's settings, read-only, and the "App Paths" registration through
// which the two programs find each other. The companion's key is "\Software\<CompanyKey>\Nimbrel",
// always in the per-user root; "App Paths" lies in SettingsRoot. Nothing is cached: every read
// opens the store afresh, so changes the companion makes are seen at the next read.

#include <QLocale>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace nimbrel::catalogue {

inline constexpr const char* kCompanionProgram = "Nimbrel";
inline constexpr const char* kAppPaths = "App Paths";

// Value names in the companion's key.
inline constexpr const char* kTwoLineDataPath = "TwoLineDataPath";
inline constexpr const char* kPrimarySatCatNumber = "PrimarySatCatNumber";
inline constexpr const char* kLocationList = "LocationList";
inline constexpr const char* kLocationNum = "LocationNum";
inline constexpr int kBankCount = 3;
inline constexpr int kLocationFieldCount = 5;
inline constexpr int kLocationLongitudeField = 1;
inline constexpr int kLocationLatitudeField = 2;
inline constexpr int kLocationHeightField = 3;

// "\Software\" + CompanyKey + "\Nimbrel".
QString CompanionKeyPath();

// The text value; empty when the key or the value is missing or the value is not a text.
QString ReadCompanionText(const QString& valueName);
// The 32-bit integer value; 0 when the key or the value is missing or the value is not an integer.
std::int32_t ReadCompanionInteger(const QString& valueName);

// Writes this program's full path under its base name into "App Paths"; silent on failure.
void RegisterProgramPath();
// The path the named program registered; empty when there is none or "App Paths" cannot be opened
// with full access (a per-machine key for a user who may not write it).
QString ReadProgramPath(const QString& programBaseName);

// "ActiveList", "ActiveList1", "ActiveList2" for banks 0, 1, 2; empty for any other bank.
QString ActiveListValueName(int bank);

// "LocationNum" as an index into the location list: a negative number counts as 0.
inline int LocationIndex(std::int32_t locationNum) noexcept {
  return locationNum < 0 ? 0 : locationNum;
}

// A longitude or latitude field of a location. "." is the decimal point in every locale, and the
// locale's own separator is accepted as well, a comma included: the companion writes its numbers in
// the user's locale, and the comma-list rules keep a quoted "13,4" whole, which in a German locale is
// 13.4. Surrounding blanks, a sign and an exponent are allowed. None for anything else, and for
// values that are not finite as single-precision reals.
std::optional<float> ReadLocationReal(QStringView field, const QLocale& locale = QLocale::system());
// A location's height field in metres, read as ReadLocationReal reads; 0 for a field that is not a
// number, and for one beyond what a person can stand on (-1000 m to 100 km): the companion never
// wrote heights at all, and an observer placed in orbit by a typing slip would point an antenna
// nowhere useful.
double ReadLocationHeightM(QStringView field, const QLocale& locale = QLocale::system());

}  // namespace nimbrel::catalogue
