#pragma once
// What the download side keeps between runs, in the program's own settings key: the user's own
// sources, when each source was last fetched (for CelesTrak's two-hour rule), the sources last
// chosen in the window, and for each host the error answers of the last two hours and the bytes of
// the UTC day (CelesTrak blocks addresses that collect too many of either). Every call reads or saves the key
// afresh, so the window and nimbrel-data see each other's changes; saves go through the store's lock and keep
// every other value.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <vector>

#include "catalogue/SettingsStore.h"
#include "download/Sources.h"

namespace nimbrel::download {

// This many error answers from one host within kHostErrorWindow stop automatic requests to it until
// kHostErrorWindow after the last: CelesTrak puts an address that keeps asking after errors behind
// its firewall.
inline constexpr int kHostErrorLimit = 5;
inline constexpr std::chrono::seconds kHostErrorWindow = std::chrono::hours(2);
// What one host may send us in a UTC day (CelesTrak's limit, in decimal megabytes).
inline constexpr qint64 kDailyHostBytes = qint64{100} * 1000 * 1000;

class TDownloadState {
 public:
  explicit TDownloadState(catalogue::TSettingsKey key) : key_(std::move(key)) {}
  // "\Software\<CompanyKey>\NimbrelGL" per user: the window's key, whichever program asks.
  static TDownloadState ForProgram();

  // The user's sources in the order of their names (letter case ignored).
  std::vector<TSource> UserSources() const;
  // The built-in groups, the transmitter list, then the user's sources.
  std::vector<TSource> AllSources(const QString& groupBase = QString::fromLatin1(kCelestrakGroupBase)) const;
  // The source of that name, letter case ignored; none when there is none.
  std::optional<TSource> Find(const QString& name,
                              const QString& groupBase = QString::fromLatin1(kCelestrakGroupBase)) const;

  // Why `name` and `url` cannot make a user source (an invalid name, a built-in group's name, an
  // address that cannot be downloaded); none when they can.
  static std::optional<QString> UserSourceProblem(const QString& name, const QUrl& url);
  // Adds or replaces a user source. Refused with the reason, nothing saved, when UserSourceProblem
  // has one or the settings cannot be saved.
  std::optional<QString> AddUserSource(const QString& name, const QUrl& url) const;
  // False when there is no user source of that name (or it could not be saved).
  bool RemoveUserSource(const QString& name) const;

  std::optional<QDateTime> LastDownload(const QString& name) const;
  // When `source` may be fetched again, for a source with a minimum interval (two hours on
  // CelesTrak, a day for the transmitter list) last fetched less than that before `now`; none when it
  // may be fetched at `now`. The time is kept per request (RequestKey: two names for one query share
  // it), and the time kept under the source's name counts too. A last download after `now` (the
  // clock has been set back) does not count: it would block the source for as long.
  std::optional<QDateTime> NextAllowed(const TSource& source, const QDateTime& now) const;
  void SetLastDownload(const QString& name, const QDateTime& utc) const;
  // Keeps `utc` as the time `source` was last asked for, under its name and its request.
  void SetLastRequest(const TSource& source, const QDateTime& utc) const;

  // Counts an error answer of `host` at `utc` (letter case ignored); answers older than
  // kHostErrorWindow are forgotten.
  void AddErrorAnswer(const QString& host, const QDateTime& utc) const;
  // Until when automatic requests to `host` wait: kHostErrorWindow after its last error answer, when
  // it gave kHostErrorLimit of them within kHostErrorWindow before `now`; none otherwise.
  std::optional<QDateTime> HostRestingUntil(const QString& host, const QDateTime& now) const;
  // The bytes `host` sent on the UTC day of `now`, and adds to them.
  qint64 BytesToday(const QString& host, const QDateTime& now) const;
  void AddBytes(const QString& host, const QDateTime& utc, qint64 bytes) const;

  QStringList Choice() const;
  void SetChoice(const QStringList& names) const;

  const catalogue::TSettingsKey& Key() const noexcept { return key_; }

 private:
  catalogue::TSettingsKey key_;
};

}  // namespace nimbrel::download
