#include "catalogue/DataFolder.h"

#include <QDir>

#include "catalogue/Companion.h"
#include "catalogue/Transmitters.h"

namespace nimbrel::catalogue {

QString DefaultKeplerDataFolder() {
  QString dataHome = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
  if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
    dataHome = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(dataHome + QStringLiteral("/NimbrelGL/kepler"));
}

QString KeplerDataFolder() {
  const QString companion = ReadCompanionText(QString::fromLatin1(kTwoLineDataPath));
  return companion.isEmpty() ? DefaultKeplerDataFolder() : companion;
}

QString TransmitterListPath(const QString& folder) {
  return QDir(folder).filePath(QString::fromLatin1(kTransmitterFolder) + QLatin1Char('/') +
                               QString::fromLatin1(kTransmitterFileName));
}

}  // namespace nimbrel::catalogue
