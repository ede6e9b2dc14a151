#include "app/DownloadCoordinator.h"

#include <algorithm>

#include "download/Downloader.h"

namespace nimbrel::app {

TDownloadCoordinator::TDownloadCoordinator(QObject* parent) : QObject(parent) {}

bool TDownloadCoordinator::Fetching(const QString& name) const {
  return std::any_of(running_.begin(), running_.end(),
                     [&name](const auto& run) { return run.second.contains(name, Qt::CaseInsensitive); });
}

QStringList TDownloadCoordinator::Start(download::TDownloader& downloader,
                                        std::vector<download::TSource> sources) {
  QStringList skipped;
  std::vector<download::TSource> wanted;
  for (download::TSource& source : sources) {
    if (Fetching(source.name)) {
      skipped << source.name;
    } else {
      wanted.push_back(std::move(source));
    }
  }
  if (wanted.empty() || downloader.Running()) return skipped;
  QStringList names;
  for (const download::TSource& source : wanted) names << source.name;
  const QObject* run = &downloader;
  // Connected once per downloader, however often it runs.
  if (connected_.insert(run).second) {
    connect(&downloader, &download::TDownloader::Finished, this, [this, run, &downloader] {
      const bool replaced = std::any_of(downloader.Results().begin(), downloader.Results().end(),
                                        [](const download::TDownloadResult& r) { return r.Done(); });
      Release(run);
      if (replaced) emit DataFolderUpdated();
    });
    // A downloader destroyed while it runs sends no Finished.
    connect(&downloader, &QObject::destroyed, this, [this, run] {
      Release(run);
      connected_.erase(run);
    });
  }
  running_[run] = names;
  downloader.Start(std::move(wanted));
  return skipped;
}

void TDownloadCoordinator::Release(const QObject* run) {
  running_.erase(run);
}

}  // namespace nimbrel::app
