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

std::string ValueName(const char* prefix, const QString& name) {
  return std::string(prefix) + name.toStdString();
}

bool StartsWithIgnoringCase(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         catalogue::EqualIgnoringAsciiCase(std::string_view(text).substr(0, prefix.size()), prefix);
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
  for (const TBuiltInGroup& group : BuiltInGroups()) {
    if (name.compare(QString::fromLatin1(group.name), Qt::CaseInsensitive) == 0)
      return QStringLiteral("\"%1\" is the name of a built-in source").arg(name);
  }
  if (name.compare(QLatin1String(kTransmitterSourceName), Qt::CaseInsensitive) == 0)
    return QStringLiteral("\"%1\" is the name of a built-in source").arg(name);
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
  const std::optional<QDateTime> last = LastDownload(source.name);
  if (!last || *last > now) return std::nullopt;
  const QDateTime next = last->addSecs(interval->count());
  return next > now ? std::optional<QDateTime>(next) : std::nullopt;
}

void TDownloadState::SetLastDownload(const QString& name, const QDateTime& utc) const {
  // A text, not a 32-bit integer: seconds since 1970 overflow one in 2038.
  const std::string text = utc.toUTC().toString(Qt::ISODate).toStdString();
  const std::string valueName = ValueName(kDownloadedPrefix, name);
  key_.Update([&](TSettingsValues& values) {
    values.SetText(valueName, text);
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
