#pragma once
// The Kepler files of a data folder as a user wants to see them before an update: which source each
// came from, how many sets it holds, how old it is.

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "download/Sources.h"

namespace nimbrel::download {

struct TDataFile {
  QString fileName;  // within the folder
  QString source;    // the source whose name is the file's base name; empty for the user's own files
  int sets = 0;
  QDateTime modifiedUtc;
  QString problem;        // why the file could not be read; sets is then 0
  QDateTime newestEpoch;  // of its newest set, when counted; how fresh the data is, not the file
};

// The files the catalogue reads in `folder` (the same masks, "TLEnotes.txt" passed over), in the
// catalogue's reading order; empty when the folder does not exist. With `countSets` every file is
// read to count its sets; without, only the folder is listed (quick enough for a dialog).
std::vector<TDataFile> ListDataFiles(const QString& folder, const std::vector<TSource>& sources,
                                     bool countSets = true);

// The newest file of `folder` that belongs to the source, if any.
std::optional<TDataFile> SourceFile(const std::vector<TDataFile>& files, const QString& sourceName);

// A Julian date (UTC) as a date-time.
QDateTime EpochTime(double julianDate);

// "just now", "5 minutes ago", "3 hours ago", "2 days ago": a file's age.
QString FormatAge(qint64 seconds);

}  // namespace nimbrel::download
