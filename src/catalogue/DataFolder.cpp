#include "catalogue/DataFolder.h"

#include <QDir>

#include "catalogue/Companion.h"

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

}  // namespace nimbrel::catalogue
