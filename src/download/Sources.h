#pragma once
// Where Kepler data comes from: the public GP groups of CelesTrak and its supplemental sets, built
// in, and any http or https address the user adds under a name of their own. Beside them one source of
// another kind: SatNOGS DB's list of satellites' radio transmitters, kept in a subfolder of the data folder.

#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>
#include <vector>

namespace nimbrel::download {

// The one address of CelesTrak's GP queries. The exact host matters: CelesTrak asks programs to use
// celestrak.org, and requests to the old names are answered with redirects we do not follow.
inline constexpr const char* kCelestrakGroupBase = "https://celestrak.org/NORAD/elements/gp.php";
// CelesTrak's supplemental GP data, beside the groups: "supplemental/sup-gp.php" from their address.
inline constexpr const char* kSupplementalPath = "supplemental/sup-gp.php";
inline constexpr const char* kCelestrakHost = "celestrak.org";

// CelesTrak refreshes a group at most every two hours and blocks addresses that ask more often.
inline constexpr std::chrono::seconds kGroupMinimumInterval = std::chrono::hours(2);

// SatNOGS DB's transmitter list (JSON). Its data is CC BY-SA 4.0. Fetched at most once a day: it
// changes slowly, and the database is run by volunteers.
inline constexpr const char* kTransmitterSourceName = "transmitters";
inline constexpr const char* kSatnogsTransmittersUrl = "https://db.satnogs.org/api/transmitters/?format=json";
inline constexpr std::chrono::seconds kTransmitterMinimumInterval = std::chrono::hours(24);

enum class TSourceKind {
  skKepler,        // element sets, checked by the catalogue and kept as "<name>.<ending>"
  skTransmitters,  // a transmitter list, checked as one and kept in the transmitter folder
};

struct TSource {
  QString name;         // also the data file's base name: "stations" becomes stations.csv
  QString description;  // built-in groups only
  QUrl url;
  bool builtIn = false;
  TSourceKind kind = TSourceKind::skKepler;
};

struct TBuiltInGroup {
  const char* name;
  const char* description;
};
// The built-in groups in the order a user meets them: the small, much-used ones first.
const std::vector<TBuiltInGroup>& BuiltInGroups();
// One of CelesTrak's supplemental sets, asked for as "<key>=<value>" on sup-gp.php: a standard
// file (FILE=starlink) or everything from one data source (SOURCE=ISS-E).
struct TBuiltInSupplemental {
  const char* key;
  const char* value;
  const char* description;
};
// CelesTrak's supplemental sets: operators' own ephemerides fitted with SGP4, an object often in
// several sets, each for the time from its epoch on. Only the files and data sources CelesTrak's
// query documentation names are built in: a request CelesTrak refuses stops the run for the host.
// Their sources are named "sup-<value>", which tells the catalogue to keep every set
// (catalogue::IsSupplementalFile).
const std::vector<TBuiltInSupplemental>& BuiltInSupplementalSets();

// `base` + "?GROUP=<group>&FORMAT=csv": OMM CSV, which carries six-digit catalogue numbers.
QUrl GroupUrl(const QString& group, const QString& base = QString::fromLatin1(kCelestrakGroupBase));
// The supplemental address beside the groups' `groupBase`, + "?<key>=<value>&FORMAT=csv". FORMAT
// is never left out: on sup-gp.php it means two-line sets, which leave out new catalogue numbers.
QUrl SupplementalUrl(const QString& key, const QString& value,
                     const QString& groupBase = QString::fromLatin1(kCelestrakGroupBase));

// Every built-in group, then every supplemental set, as a source, with its URL under `groupBase`.
std::vector<TSource> BuiltInSources(const QString& groupBase = QString::fromLatin1(kCelestrakGroupBase));
// Whether `name` is a built-in source's (letter case ignored), the transmitter list's included.
bool IsBuiltInName(const QString& name);

// A name that can be a file's base name in the data folder: 1 to 64 of A-Z, a-z, 0-9, "-", "_" and
// ".", not starting with "." (no hidden files, no "..").
bool ValidSourceName(const QString& name);

// Why `url` cannot be a user's source ("only http and https addresses can be downloaded"), or
// nothing when it can.
std::optional<QString> UrlProblem(const QUrl& url);

// Sources on CelesTrak's host keep its two-hour rule, whether built in or added by hand.
bool KeepsGroupInterval(const TSource& source);

// celestrak.org, celestrak.com and their "www." names, whatever the letter case.
bool IsCelestrakHost(const QString& host);
// A CelesTrak address as CelesTrak wants to be asked: https on celestrak.org, the default port.
// CelesTrak answers its old names and plain http with a redirect that we must not follow, so the
// address is put right before asking. Other addresses come back unchanged.
QUrl CelestrakUrl(const QUrl& url);

// Whom error answers and bytes are counted for and who is stopped after a refusal: the host in
// lower case, with ":<port>" when the address names a port ("celestrak.org", "127.0.0.1:8080").
QString HostKey(const QUrl& url);

// The name a source given only as an address gets, unique for each query: a CelesTrak group's
// address ("gp.php?GROUP=stations&FORMAT=csv") by its group ("stations"), a supplemental one
// ("sup-gp.php?FILE=starlink") as "sup-starlink", and any other by its file's base name followed by the
// query's values ("elements.php?SET=a" as "elements-a"); FORMAT does not count. Characters a name
// cannot have become "_". Empty when nothing usable is left (give the name yourself then).
QString NameFromUrl(const QUrl& url);

// How CelesTrak tells one query from another for its two-hour rule: the host, the path and the query
// without FORMAT, so that asking for the same group in another form is the same request.
QString RequestKey(const QUrl& url);

// The built-in source "transmitters", fetched from `url`.
TSource TransmitterSource(const QString& url = QString::fromLatin1(kSatnogsTransmittersUrl));

// How long after a download the source may be fetched again: two hours on CelesTrak, a day for the
// transmitter list; none for sources without a rule.
std::optional<std::chrono::seconds> MinimumInterval(const TSource& source);

}  // namespace nimbrel::download
