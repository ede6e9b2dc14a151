#pragma once
// The one place every Kepler download of the window starts through: the update at start and the
// "Update Kepler data" dialog each run their own TDownloader, and this coordinator keeps them from
// fetching the same source at the same time (CelesTrak asks for no more than one fetch of a group in
// two hours; two runs a few seconds apart would also race to replace the same file). It also tells
// the session, once, that a run replaced files in the data folder. UI thread only.

#include <QObject>
#include <QString>
#include <QStringList>
#include <map>
#include <set>
#include <vector>

#include "download/Sources.h"

namespace nimbrel::download {
class TDownloader;
}

namespace nimbrel::app {

class TDownloadCoordinator : public QObject {
  Q_OBJECT

 public:
  explicit TDownloadCoordinator(QObject* parent = nullptr);

  // Starts `downloader` on `sources` less those another run is fetching now, and gives back the
  // names left out. When every source is left out, or the downloader is already running, nothing is
  // started. The names are free again when the run finishes or the downloader goes.
  QStringList Start(download::TDownloader& downloader, std::vector<download::TSource> sources);
  // A run is fetching the source of this name (compared without regard to letter case).
  bool Fetching(const QString& name) const;
  bool Running() const noexcept { return !running_.empty(); }

 signals:
  // A run has ended that replaced at least one file in the data folder.
  void DataFolderUpdated();

 private:
  void Release(const QObject* run);

  std::map<const QObject*, QStringList> running_;
  std::set<const QObject*> connected_;
};

}  // namespace nimbrel::app
