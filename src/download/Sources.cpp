#include "download/Sources.h"

#include <QFileInfo>
#include <QUrlQuery>

namespace nimbrel::download {

const std::vector<TBuiltInGroup>& BuiltInGroups() {
  static const std::vector<TBuiltInGroup> kGroups = {
      {"stations", "Space stations and the vehicles that visit them"},
      {"visual", "The 100 or so brightest satellites, easy to see with the eye"},
      {"amateur", "Amateur radio satellites"},
      {"satnogs", "Satellites tracked by the SatNOGS ground station network"},
      {"cubesat", "CubeSats"},
      {"weather", "Weather satellites"},
      {"noaa", "NOAA weather satellites"},
      {"goes", "GOES geostationary weather satellites"},
      {"resource", "Earth resources satellites"},
      {"sarsat", "Search and rescue (SARSAT) satellites"},
      {"science", "Space and Earth science satellites"},
      {"geodetic", "Geodetic satellites"},
      {"geo", "Active geosynchronous satellites"},
      {"gnss", "All navigation satellites (GPS, GLONASS, Galileo, BeiDou and others)"},
      {"gps-ops", "Operational GPS satellites"},
      {"glo-ops", "Operational GLONASS satellites"},
      {"galileo", "Galileo navigation satellites"},
      {"beidou", "BeiDou navigation satellites"},
      {"sbas", "Satellite-based augmentation systems (WAAS, EGNOS and others)"},
      {"iridium-NEXT", "Iridium NEXT communication satellites"},
      {"orbcomm", "ORBCOMM communication satellites"},
      {"globalstar", "Globalstar communication satellites"},
      {"oneweb", "OneWeb communication satellites (several hundred)"},
      {"starlink", "Starlink communication satellites (several thousand)"},
      {"last-30-days", "Objects launched in the last 30 days"},
      {"active", "Every active satellite (over ten thousand)"},
  };
  return kGroups;
}

const std::vector<TBuiltInSupplemental>& BuiltInSupplementalSets() {
  static const std::vector<TBuiltInSupplemental> kSets = {
      {"SOURCE", "ISS-E", "Supplemental: the ISS from its operator's ephemeris, two weeks in 6-hour pieces"},
      {"FILE", "starlink", "Supplemental: Starlink from SpaceX's own ephemerides (several thousand)"},
      {"FILE", "oneweb", "Supplemental: OneWeb from its operator's ephemerides"},
      {"FILE", "planet", "Supplemental: Planet's Earth-imaging satellites from their operator"},
      {"SOURCE", "Iridium-E", "Supplemental: Iridium from its operator's ephemerides"},
      {"SOURCE", "GPS-E", "Supplemental: GPS from its operator's ephemeris"},
      {"SOURCE", "GLONASS-RE", "Supplemental: GLONASS from its rapid ephemeris"},
      {"SOURCE", "Intelsat-E",
       "Supplemental: Intelsat geostationary satellites, weekly and after manoeuvres"},
      {"SOURCE", "SES-E", "Supplemental: SES geostationary satellites from their operator's ephemerides"},
      {"SOURCE", "Telesat-E", "Supplemental: Telesat from its operator's ephemerides"},
      {"SOURCE", "Orbcomm-TLE", "Supplemental: ORBCOMM from the element sets its operator provides"},
      {"SOURCE", "Kuiper-E", "Supplemental: Amazon's Kuiper satellites from their operator's ephemerides"},
      {"SOURCE", "CPF",
       "Supplemental: laser-ranging satellites from the ILRS predictions, several centres each"},
  };
  return kSets;
}

QUrl GroupUrl(const QString& group, const QString& base) {
  QUrl url(base);
  QUrlQuery query;
  query.addQueryItem(QStringLiteral("GROUP"), group);
  query.addQueryItem(QStringLiteral("FORMAT"), QStringLiteral("csv"));
  url.setQuery(query);
  return url;
}

QUrl SupplementalUrl(const QString& key, const QString& value, const QString& groupBase) {
  QUrl url = QUrl(groupBase).resolved(QUrl(QString::fromLatin1(kSupplementalPath)));
  QUrlQuery query;
  query.addQueryItem(key, value);
  query.addQueryItem(QStringLiteral("FORMAT"), QStringLiteral("csv"));
  url.setQuery(query);
  return url;
}

std::vector<TSource> BuiltInSources(const QString& groupBase) {
  std::vector<TSource> sources;
  for (const TBuiltInGroup& group : BuiltInGroups()) {
    const QString name = QString::fromLatin1(group.name);
    sources.push_back({name, QString::fromUtf8(group.description), GroupUrl(name, groupBase), true});
  }
  for (const TBuiltInSupplemental& set : BuiltInSupplementalSets()) {
    const QUrl url = SupplementalUrl(QString::fromLatin1(set.key), QString::fromLatin1(set.value), groupBase);
    // The name the address would get anyway, so that a source added by hand shares its file.
    sources.push_back({NameFromUrl(url), QString::fromUtf8(set.description), url, true});
  }
  return sources;
}

bool IsBuiltInName(const QString& name) {
  if (name.compare(QLatin1String(kTransmitterSourceName), Qt::CaseInsensitive) == 0) return true;
  for (const TBuiltInGroup& group : BuiltInGroups()) {
    if (name.compare(QLatin1String(group.name), Qt::CaseInsensitive) == 0) return true;
  }
  for (const TBuiltInSupplemental& set : BuiltInSupplementalSets()) {
    if (name.compare(QStringLiteral("sup-") + QLatin1String(set.value), Qt::CaseInsensitive) == 0)
      return true;
  }
  return false;
}

bool ValidSourceName(const QString& name) {
  if (name.isEmpty() || name.size() > 64 || name.startsWith(QLatin1Char('.'))) return false;
  for (const QChar c : name) {
    const char16_t u = c.unicode();
    const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
                    u == '_' || u == '.';
    if (!ok) return false;
  }
  return true;
}

std::optional<QString> UrlProblem(const QUrl& url) {
  if (!url.isValid()) return QStringLiteral("it is not a valid address");
  const QString scheme = url.scheme().toLower();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
    return QStringLiteral("only http and https addresses can be downloaded");
  if (url.host().isEmpty()) return QStringLiteral("the address names no host");
  return std::nullopt;
}

bool KeepsGroupInterval(const TSource& source) {
  if (source.builtIn) return true;
  const QString host = source.url.host().toLower();
  return host == QLatin1String(kCelestrakHost) || host.endsWith(QLatin1String(".celestrak.org")) ||
         host == QLatin1String("celestrak.com") || host.endsWith(QLatin1String(".celestrak.com"));
}

bool IsCelestrakHost(const QString& host) {
  const QString h = host.toLower();
  return h == QLatin1String("celestrak.org") || h == QLatin1String("www.celestrak.org") ||
         h == QLatin1String("celestrak.com") || h == QLatin1String("www.celestrak.com");
}

QUrl CelestrakUrl(const QUrl& url) {
  if (!IsCelestrakHost(url.host())) return url;
  QUrl fixed = url;
  fixed.setScheme(QStringLiteral("https"));
  fixed.setHost(QString::fromLatin1(kCelestrakHost));
  fixed.setPort(-1);
  return fixed;
}

QString HostKey(const QUrl& url) {
  const QString host = url.host().toLower();
  return url.port() < 0 ? host : host + QLatin1Char(':') + QString::number(url.port());
}

namespace {

bool IsFormatItem(const QString& key) {
  return key.compare(QLatin1String("FORMAT"), Qt::CaseInsensitive) == 0;
}

QString ItemValue(const QList<QPair<QString, QString>>& items, const char* key) {
  for (const auto& [k, v] : items) {
    if (k.compare(QLatin1String(key), Qt::CaseInsensitive) == 0) return v;
  }
  return {};
}

QString FileNameSafe(QString name) {
  for (QChar& c : name) {
    const char16_t u = c.unicode();
    const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
                    u == '_' || u == '.';
    if (!ok) c = QLatin1Char('_');
  }
  while (name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
  return name.left(64);
}

}  // namespace

QString NameFromUrl(const QUrl& url) {
  const QList<QPair<QString, QString>> items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
  const QString base = QFileInfo(url.path()).completeBaseName();
  if (base.compare(QLatin1String("gp"), Qt::CaseInsensitive) == 0) {
    const QString group = ItemValue(items, "GROUP");
    if (!group.isEmpty()) return FileNameSafe(group);
  }
  if (base.compare(QLatin1String("sup-gp"), Qt::CaseInsensitive) == 0) {
    QString file = ItemValue(items, "FILE");
    if (file.isEmpty()) file = ItemValue(items, "SOURCE");
    if (!file.isEmpty()) return FileNameSafe(QStringLiteral("sup-") + file);
  }
  QString name = base;
  for (const auto& [key, value] : items) {
    if (!IsFormatItem(key)) name += QLatin1Char('-') + (value.isEmpty() ? key : value);
  }
  return FileNameSafe(name);
}

QString RequestKey(const QUrl& url) {
  QUrlQuery kept;
  for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
    if (!IsFormatItem(key)) kept.addQueryItem(key, value);
  }
  const QString query = kept.toString(QUrl::FullyEncoded);
  return url.host().toLower() + url.path() + (query.isEmpty() ? QString() : QLatin1Char('?') + query);
}

TSource TransmitterSource(const QString& url) {
  return {QString::fromLatin1(kTransmitterSourceName),
          QStringLiteral("Satellites' radio transmitters, from SatNOGS DB (CC BY-SA 4.0)"), QUrl(url), true,
          TSourceKind::skTransmitters};
}

std::optional<std::chrono::seconds> MinimumInterval(const TSource& source) {
  if (source.kind == TSourceKind::skTransmitters) return kTransmitterMinimumInterval;
  if (KeepsGroupInterval(source)) return kGroupMinimumInterval;
  return std::nullopt;
}

}  // namespace nimbrel::download
