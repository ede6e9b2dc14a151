#include "download/DownloadState.h"

#include <algorithm>

#include "catalogue/CommaList.h"
#include "catalogue/RegistryVariables.h"

namespace nimbrel::download {

namespace {

using catalogue::TSettingsValues;

constexpr const char* kSourcePrefix = "KeplerSource:";
constexpr const char* kDownloadedPrefix = "KeplerDownloaded:";
constexpr const char* kChoice = "KeplerDownloadChoice";
constexpr const char* kRequestedPrefix = "KeplerRequested:";
constexpr const char* kHostErrorsPrefix = "KeplerHostErrors:";
constexpr const char* kHostBytesPrefix = "KeplerHostBytes:";
// Hand-edited or hostile settings cannot make the error list grow without bound.
constexpr qsizetype kMaxKeptErrors = 2 * kHostErrorLimit;

QDateTime ParseUtc(const QString& text) {
  QDateTime t = QDateTime::fromString(text.trimmed(), Qt::ISODate);
  return t.isValid() ? t.toUTC() : QDateTime();
}

QString UtcText(const QDateTime& utc) {
  return utc.toUTC().toString(Qt::ISODate);
}

// The error answers kept for a host: valid times, oldest first.
std::vector<QDateTime> ErrorTimes(const std::optional<std::string>& text) {
  std::vector<QDateTime> times;
  if (!text) return times;
  for (const QString& part : QString::fromStdString(*text).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const QDateTime t = ParseUtc(part);
    if (t.isValid()) times.push_back(t);
  }
  std::sort(times.begin(), times.end());
  return times;
}

std::string ValueName(const char* prefix, const QString& name) {
  return std::string(prefix) + name.toStdString();
}

bool StartsWithIgnoringCase(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         catalogue::EqualIgnoringAsciiCase(std::string_view(text).substr(0, prefix.size()), prefix);
}

// A day's count past this is junk, not a count; sums stop here, so they cannot overflow.
constexpr qint64 kMaxCountedBytes = kDailyHostBytes * 1000;

// "2026-12-09 123456": the UTC day and its bytes; another day's count is of no interest.
qint64 DayBytes(const std::optional<std::string>& text, const QDate& day) {
  if (!text) return 0;
  const QStringList parts = QString::fromStdString(*text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (parts.size() != 2 || parts[0] != day.toString(Qt::ISODate)) return 0;
  bool ok = false;
  const qint64 bytes = parts[1].toLongLong(&ok);
  return ok && bytes > 0 && bytes <= kMaxCountedBytes ? bytes : 0;
}

}  // namespace

TDownloadState TDownloadState::ForProgram() {
  return TDownloadState(
      catalogue::TSettingsKey(catalogue::TSettingsRoot::srCurrentUser,
                              catalogue::CompanyKeyPath(QStringLiteral("NimbrelGL")).toStdString()));
}

std::vector<TSource> TDownloadState::UserSources() const {
  std::vector<TSource> sources;
  const std::string_view prefix(kSourcePrefix);
  const catalogue::TSettingsValues values = key_.Read();
  for (const catalogue::TSettingsValue& value : values.Entries()) {
    if (value.kind != catalogue::TValueKind::vkText || !StartsWithIgnoringCase(value.name, prefix)) continue;
    const QString name = QString::fromStdString(value.name.substr(prefix.size()));
    const QUrl url(QString::fromStdString(value.text));
    // Hand-edited junk is passed over rather than downloaded.
    if (!ValidSourceName(name) || UrlProblem(url)) continue;
    sources.push_back({name, QString(), url, false});
  }
  std::sort(sources.begin(), sources.end(), [](const TSource& a, const TSource& b) {
    return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
  });
  return sources;
}

std::vector<TSource> TDownloadState::AllSources(const QString& groupBase) const {
  std::vector<TSource> sources = BuiltInSources(groupBase);
  // Built in as well: a user's own source that already had the name is shadowed, not deleted.
  sources.push_back(TransmitterSource());
  for (TSource& source : UserSources()) {
    const bool shadowed = std::any_of(sources.begin(), sources.end(), [&](const TSource& s) {
      return s.name.compare(source.name, Qt::CaseInsensitive) == 0;
    });
    if (!shadowed) sources.push_back(std::move(source));
  }
  return sources;
}

std::optional<TSource> TDownloadState::Find(const QString& name, const QString& groupBase) const {
  for (TSource& source : AllSources(groupBase)) {
    if (source.name.compare(name, Qt::CaseInsensitive) == 0) return std::move(source);
  }
  return std::nullopt;
}

std::optional<QString> TDownloadState::UserSourceProblem(const QString& name, const QUrl& url) {
  if (!ValidSourceName(name)) {
    return QStringLiteral(
               "the name \"%1\" cannot be a file name: use 1 to 64 letters, digits, '-', '_' or '.', "
               "not starting with '.'")
        .arg(name);
  }
  if (IsBuiltInName(name)) return QStringLiteral("\"%1\" is the name of a built-in source").arg(name);
  if (const std::optional<QString> problem = UrlProblem(url))
    return QStringLiteral("cannot use %1: %2").arg(url.toDisplayString(), *problem);
  return std::nullopt;
}

std::optional<QString> TDownloadState::AddUserSource(const QString& name, const QUrl& url) const {
  if (std::optional<QString> problem = UserSourceProblem(name, url)) return problem;
  const std::string valueName = ValueName(kSourcePrefix, name);
  const std::string text = url.toString(QUrl::FullyEncoded).toStdString();
  const catalogue::TSaveResult saved = key_.Update([&](TSettingsValues& values) {
    values.Remove(valueName);  // a new spelling of the name replaces the old one
    values.SetText(valueName, text);
    return true;
  });
  if (!saved)
    return QStringLiteral("could not save the settings file %1").arg(QString::fromStdString(key_.File()));
  return std::nullopt;
}

bool TDownloadState::RemoveUserSource(const QString& name) const {
  const std::string valueName = ValueName(kSourcePrefix, name);
  bool found = false;
  const catalogue::TSaveResult saved = key_.Update([&](TSettingsValues& values) {
    found = values.Remove(valueName);
    values.Remove(ValueName(kDownloadedPrefix, name));
    return found;
  });
  return found && saved;
}

std::optional<QDateTime> TDownloadState::LastDownload(const QString& name) const {
  const std::optional<std::string> text = key_.Read().Text(ValueName(kDownloadedPrefix, name));
  if (!text) return std::nullopt;
  QDateTime t = QDateTime::fromString(QString::fromStdString(*text), Qt::ISODate);
  if (!t.isValid()) return std::nullopt;
  return t.toUTC();
}

std::optional<QDateTime> TDownloadState::NextAllowed(const TSource& source, const QDateTime& now) const {
  const std::optional<std::chrono::seconds> interval = MinimumInterval(source);
  if (!interval) return std::nullopt;
  const TSettingsValues values = key_.Read();
  std::optional<QDateTime> next;
  for (const std::string& name :
       {ValueName(kDownloadedPrefix, source.name), ValueName(kRequestedPrefix, RequestKey(source.url))}) {
    const std::optional<std::string> text = values.Text(name);
    const QDateTime last = text ? ParseUtc(QString::fromStdString(*text)) : QDateTime();
    if (!last.isValid() || last > now) continue;
    const QDateTime allowed = last.addSecs(interval->count());
    if (allowed > now && (!next || allowed > *next)) next = allowed;
  }
  return next;
}

void TDownloadState::SetLastDownload(const QString& name, const QDateTime& utc) const {
  // A text, not a 32-bit integer: seconds since 1970 overflow one in 2038.
  const std::string text = UtcText(utc).toStdString();
  const std::string valueName = ValueName(kDownloadedPrefix, name);
  key_.Update([&](TSettingsValues& values) {
    values.SetText(valueName, text);
    return true;
  });
}

void TDownloadState::SetLastRequest(const TSource& source, const QDateTime& utc) const {
  const std::string text = UtcText(utc).toStdString();
  key_.Update([&](TSettingsValues& values) {
    values.SetText(ValueName(kDownloadedPrefix, source.name), text);
    values.SetText(ValueName(kRequestedPrefix, RequestKey(source.url)), text);
    return true;
  });
}

void TDownloadState::AddErrorAnswer(const QString& host, const QDateTime& utc) const {
  const std::string name = ValueName(kHostErrorsPrefix, host.toLower());
  key_.Update([&](TSettingsValues& values) {
    std::vector<QDateTime> times = ErrorTimes(values.Text(name));
    const QDateTime oldest = utc.addSecs(-kHostErrorWindow.count());
    std::erase_if(times, [&](const QDateTime& t) { return t <= oldest || t > utc; });
    times.push_back(utc.toUTC());
    QStringList kept;
    for (std::size_t i = times.size() > kMaxKeptErrors ? times.size() - kMaxKeptErrors : 0; i < times.size();
         ++i)
      kept << UtcText(times[i]);
    values.SetText(name, kept.join(QLatin1Char(',')).toStdString());
    return true;
  });
}

std::optional<QDateTime> TDownloadState::HostRestingUntil(const QString& host, const QDateTime& now) const {
  std::vector<QDateTime> times = ErrorTimes(key_.Read().Text(ValueName(kHostErrorsPrefix, host.toLower())));
  // Answers "after now" come from a clock set back; they cannot stop requests for as long.
  std::erase_if(times, [&](const QDateTime& t) { return t > now; });
  if (times.size() < static_cast<std::size_t>(kHostErrorLimit)) return std::nullopt;
  const QDateTime first = times[times.size() - kHostErrorLimit];
  const QDateTime last = times.back();
  if (first.secsTo(last) > kHostErrorWindow.count()) return std::nullopt;
  const QDateTime until = last.addSecs(kHostErrorWindow.count());
  return until > now ? std::optional<QDateTime>(until) : std::nullopt;
}

qint64 TDownloadState::BytesToday(const QString& host, const QDateTime& now) const {
  return DayBytes(key_.Read().Text(ValueName(kHostBytesPrefix, host.toLower())), now.toUTC().date());
}

void TDownloadState::AddBytes(const QString& host, const QDateTime& utc, qint64 bytes) const {
  if (bytes <= 0) return;
  bytes = std::min(bytes, kMaxCountedBytes);
  const std::string name = ValueName(kHostBytesPrefix, host.toLower());
  const QDate day = utc.toUTC().date();
  // Counted under the lock, so that the window and nimbrel-data add up rather than overwrite.
  key_.Update([&](TSettingsValues& values) {
    const qint64 total = std::min(DayBytes(values.Text(name), day), kMaxCountedBytes - bytes) + bytes;
    values.SetText(name,
                   (day.toString(Qt::ISODate) + QLatin1Char(' ') + QString::number(total)).toStdString());
    return true;
  });
}

QStringList TDownloadState::Choice() const {
  const std::optional<std::string> text = key_.Read().Text(kChoice);
  if (!text) return {};
  return catalogue::SplitCommaList(QString::fromStdString(*text));
}

void TDownloadState::SetChoice(const QStringList& names) const {
  const std::string text = catalogue::JoinCommaList(names).toStdString();
  key_.Update([&](TSettingsValues& values) {
    if (values.Text(kChoice) == text) return false;
    values.SetText(kChoice, text);
    return true;
  });
}

}  // namespace nimbrel::download
