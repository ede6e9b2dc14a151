#pragma once
// What the download side keeps between runs, in the program's own settings key: the user's own
// sources, when each source was last fetched (for CelesTrak's two-hour rule) and the sources last
// chosen in the window. Every call reads or saves the key afresh, so the window and nimbrel-data
// see each other's changes; saves go through the store's lock and keep every other value.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "catalogue/SettingsStore.h"
#include "download/Sources.h"

namespace nimbrel::download {

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
  // may be fetched at `now`. A last download after `now` (the clock has been set back) does not count:
  // it would block the source for as long.
  std::optional<QDateTime> NextAllowed(const TSource& source, const QDateTime& now) const;
  void SetLastDownload(const QString& name, const QDateTime& utc) const;

  QStringList Choice() const;
  void SetChoice(const QStringList& names) const;

  const catalogue::TSettingsKey& Key() const noexcept { return key_; }

 private:
  catalogue::TSettingsKey key_;
};

}  // namespace nimbrel::download
