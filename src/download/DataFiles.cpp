#include "download/DataFiles.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <exception>

#include "catalogue/KeplerFile.h"
#include "catalogue/SatelliteList.h"

namespace nimbrel::download {

QDateTime EpochTime(double julianDate) {
  constexpr double kUnixEpochJD = 2440587.5;
  return QDateTime::fromMSecsSinceEpoch(
      static_cast<qint64>(std::llround((julianDate - kUnixEpochJD) * 86400000.0)), Qt::UTC);
}

std::vector<TDataFile> ListDataFiles(const QString& folder, const std::vector<TSource>& sources,
                                     bool countSets) {
  std::vector<TDataFile> files;
  const QDir dir(folder);
  if (!dir.exists()) return files;
  for (const char* mask : {"*.2li", "*.tle", "*.txt", "*.csv", "*.xml", "*.json"}) {
    // Name filters ignore letter case unless told otherwise, as the catalogue's masks do.
    const QStringList names = dir.entryList({QString::fromLatin1(mask)}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
      if (name.compare(QLatin1String("TLEnotes.txt"), Qt::CaseInsensitive) == 0) continue;
      TDataFile file;
      file.fileName = name;
      const QFileInfo info(dir.filePath(name));
      file.modifiedUtc = info.lastModified().toUTC();
      const QString base = info.completeBaseName();
      for (const TSource& source : sources) {
        if (source.name.compare(base, Qt::CaseInsensitive) == 0) file.source = source.name;
      }
      if (!countSets) {
        files.push_back(std::move(file));
        continue;
      }
      try {
        catalogue::TSatelliteList list;
        list.LoadFromFile(dir.filePath(name).toStdString());
        file.sets = list.SetCount();
        double newestJD = 0.0;
        for (int i = 0; i < list.Count(); ++i) {
          if (list.SatelliteAt(i).HasElements())
            newestJD = std::max(newestJD, list.SatelliteAt(i).LatestEpochJD());
        }
        if (newestJD > 0.0) file.newestEpoch = EpochTime(newestJD);
      } catch (const catalogue::ECatalogueFileError& e) {
        file.problem = QString::fromStdString(e.Reason());
      } catch (const std::exception& e) {
        file.problem = QString::fromUtf8(e.what());
      }
      files.push_back(std::move(file));
    }
  }
  return files;
}

std::optional<TDataFile> SourceFile(const std::vector<TDataFile>& files, const QString& sourceName) {
  std::optional<TDataFile> newest;
  for (const TDataFile& file : files) {
    if (file.source.compare(sourceName, Qt::CaseInsensitive) != 0) continue;
    if (!newest || file.modifiedUtc > newest->modifiedUtc) newest = file;
  }
  return newest;
}

QString FormatAge(qint64 seconds) {
  if (seconds < 60) return QStringLiteral("just now");
  auto unit = [](qint64 n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many) +
           QStringLiteral(" ago");
  };
  if (seconds < 3600) return unit(seconds / 60, "minute", "minutes");
  if (seconds < 2 * 86400) return unit(seconds / 3600, "hour", "hours");
  return unit(seconds / 86400, "day", "days");
}

}  // namespace nimbrel::download
