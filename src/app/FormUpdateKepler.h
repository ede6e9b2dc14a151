#pragma once
// The "Update Kepler data" dialog: the sources with check boxes, the age of each one's file and when
// it may next be fetched; "Update" downloads the chosen ones one after another with a progress bar
// and a result line per source. Downloads run in the event loop (TDownloader), so the window and
// this dialog stay responsive throughout; the dialog may be closed while they run, which cancels
// them.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "download/Downloader.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace nimbrel::app {

class TDownloadCoordinator;

class TFormUpdateKepler : public QDialog {
  Q_OBJECT

 public:
  // `groupBase` is where CelesTrak's groups are asked for (tests give their own server).
  TFormUpdateKepler(download::TDownloadOptions options, QString groupBase, QWidget* parent = nullptr);
  ~TFormUpdateKepler() override;

  QTreeWidget* ListSources = nullptr;
  QPushButton* ButtonAddUrl = nullptr;
  QPushButton* ButtonUpdate = nullptr;
  QPushButton* ButtonCancel = nullptr;
  QPushButton* ButtonClose = nullptr;
  QProgressBar* ProgressBar = nullptr;
  QLabel* LabelProgress = nullptr;
  QPlainTextEdit* MemoResults = nullptr;

  // The session's coordinator: a source another run is fetching is left out of this one's. Null (the
  // default) runs alone.
  void SetCoordinator(TDownloadCoordinator* coordinator) noexcept { coordinator_ = coordinator; }
  // Where the next run downloads to: the data folder can change while the dialog exists. Ignored
  // while a run is on.
  void SetDataFolder(const QString& folder);
  // Fills the list afresh and checks `chosen` (the remembered choice when empty).
  void Refresh(const QStringList& chosen = {});
  QStringList Chosen() const;
  void SetChosen(const QStringList& names);
  // Adds a source of the user's own and lists it, checked; the reason when it was refused.
  std::optional<QString> AddSource(const QString& name, const QString& url);
  // Downloads the checked sources and remembers the choice; false when none is checked or a run is on.
  bool StartUpdate();
  void CancelUpdate();
  bool Running() const noexcept { return downloader_ && downloader_->Running(); }

  // Asked, with a plain question, before a run that includes a host resting after its error
  // answers: true lets this run ask it anyway. None: such hosts are not asked.
  std::function<bool(const QString& question)> askAnyway;

 signals:
  // A run has ended in which at least one file was replaced.
  void Updated();
  void RunFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void AddUrlClick();
  void OnProgress(const QString& name, int index, int count, qint64 received, qint64 total);
  void OnSourceFinished(const download::TDownloadResult& result);
  void OnFinished();
  void ShowRunning(bool running);
  bool AskAnyway(const std::vector<download::TSource>& sources) const;

  download::TDownloadOptions options_;
  QString groupBase_;
  QLabel* labelFolder_ = nullptr;
  std::unique_ptr<download::TDownloader> downloader_;
  TDownloadCoordinator* coordinator_ = nullptr;
  bool anyDone_ = false;
};

}  // namespace nimbrel::app
