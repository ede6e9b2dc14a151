#include "app/KeplerUpdates.h"

#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <iterator>
#include <vector>

#include "app/AccessibleNames.h"
#include "app/DownloadCoordinator.h"
#include "app/FormUpdateKepler.h"
#include "app/SessionModel.h"
#include "catalogue/DataFolder.h"
#include "download/DataFiles.h"
#include "download/Downloader.h"

namespace nimbrel::app {

namespace {

constexpr qint64 kUpdatePeriodSeconds[] = {0, 86400, 7 * 86400};
// Long enough to be read, short enough not to outstay its news.
constexpr int kStatusShownMs = 10000;

download::TDownloadOptions WindowDownloadOptions() {
  download::TDownloadOptions options;
  options.dataFolder = catalogue::KeplerDataFolder();
  options.state = download::TDownloadState::ForProgram();
  return options;
}

}  // namespace

TKeplerUpdates::TKeplerUpdates(TSessionModel& model, QString groupBase, QWidget* dialogParent, QLabel* status)
    : QObject(dialogParent),
      model_(model),
      groupBase_(groupBase.isEmpty() ? QString::fromLatin1(download::kCelestrakGroupBase)
                                     : std::move(groupBase)),
      dialogParent_(dialogParent),
      status_(status) {
  connect(&model_, &TSessionModel::FreshDataAvailable, this, &TKeplerUpdates::ShowFreshData);
}

TKeplerUpdates::~TKeplerUpdates() = default;

QStringList TKeplerUpdates::FirstChoice() {
  return {QStringLiteral("stations"), QStringLiteral("visual"), QStringLiteral("amateur")};
}

void TKeplerUpdates::ShowDialog(const QStringList& chosen, bool start) {
  if (!dialog_) {
    dialog_ = new TFormUpdateKepler(WindowDownloadOptions(), groupBase_, dialogParent_);
    NameUpdateKeplerControls(*dialog_);
    // What its runs bring is read through the session's one coordinator.
    dialog_->SetCoordinator(&model_.Downloads());
    dialog_->askAnyway = askAnyway;
  } else if (!dialog_->Running()) {
    // The Setup page may have changed the data folder since the dialog was last open.
    dialog_->SetDataFolder(catalogue::KeplerDataFolder());
    dialog_->Refresh();
  }
  if (!chosen.isEmpty() && !dialog_->Running()) dialog_->SetChosen(chosen);
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
  if (start) dialog_->StartUpdate();
}

void TKeplerUpdates::UpdateAtStartIfDue(int choice) {
  if (choice <= 0 || choice >= static_cast<int>(std::size(kUpdatePeriodSeconds))) return;
  download::TDownloadOptions options = WindowDownloadOptions();
  QStringList names = options.state->Choice();
  if (names.isEmpty()) names = FirstChoice();
  const std::vector<download::TSource> all = options.state->AllSources(groupBase_);
  const std::vector<download::TDataFile> files = download::ListDataFiles(options.dataFolder, all, false);
  const QDateTime now = options.clock();
  std::vector<download::TSource> due;
  for (const download::TSource& source : all) {
    if (!names.contains(source.name, Qt::CaseInsensitive)) continue;
    const std::optional<download::TDataFile> file = download::SourceFile(files, source.name);
    if (!file || file->modifiedUtc.secsTo(now) >= kUpdatePeriodSeconds[choice]) due.push_back(source);
  }
  if (due.empty()) return;
  startUpUpdate_ = std::make_unique<download::TDownloader>(std::move(options));
  // A group the "Update Kepler data" dialog is fetching right now is not fetched twice.
  model_.Downloads().Start(*startUpUpdate_, std::move(due));
  if (!startUpUpdate_->Running()) return;
  // Connected after the coordinator: by the time this runs, the session knows what the run brought.
  connect(startUpUpdate_.get(), &download::TDownloader::Finished, this,
          &TKeplerUpdates::StartUpUpdateFinished);
  status_->setText(QStringLiteral("Updating Kepler data..."));
  status_->show();
}

void TKeplerUpdates::StartUpUpdateFinished() {
  // The session has read the new files already, or says that they wait while the user's own file is
  // shown; that notice stays until the user reads them.
  if (model_.FreshDataWaiting()) return;
  int done = 0;
  for (const download::TDownloadResult& result : startUpUpdate_->Results()) done += result.Done() ? 1 : 0;
  const int count = static_cast<int>(startUpUpdate_->Results().size());
  QDateTime resting;
  for (const download::TDownloadResult& result : startUpUpdate_->Results()) {
    if (result.restingUntil.isValid() && (!resting.isValid() || result.restingUntil > resting))
      resting = result.restingUntil;
  }
  QString text = done == count ? QStringLiteral("Kepler data updated")
                               : QStringLiteral("Kepler data: %1 of %2 sources updated").arg(done).arg(count);
  // An automatic update never asks a host resting after its error answers; a person may.
  if (resting.isValid()) {
    text += QStringLiteral(
                "; a server that refused requests is not asked again before %1 UTC "
                "(\"Update Kepler data...\" can ask anyway)")
                .arg(resting.toUTC().toString(QStringLiteral("HH:mm")));
  }
  status_->setText(text);
  status_->show();
  QTimer::singleShot(kStatusShownMs, status_, [this] {
    if (!model_.FreshDataWaiting()) status_->hide();
  });
}

void TKeplerUpdates::ShowFreshData() {
  status_->setText(
      QStringLiteral("Fresh Kepler data is in the data folder: File, Load the updated data shows it"));
  status_->show();
}

}  // namespace nimbrel::app
