#pragma once
// The window's Kepler downloads: the "Update Kepler data" dialog and the update at start, both
// started through the session's one coordinator, and the status bar's line about them. What a run
// brings is read by the session model (or waits there while the user's own file is shown); this class
// only schedules, shows and says. UI thread only.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLabel;
class QWidget;

namespace nimbrel::download {
class TDownloader;
}

namespace nimbrel::app {

class TFormUpdateKepler;
class TSessionModel;

class TKeplerUpdates : public QObject {
  Q_OBJECT

 public:
  // `groupBase`: where CelesTrak's groups are asked for, empty for CelesTrak itself. `dialogParent`
  // owns the dialog; `status` is the status bar's line, hidden while there is nothing to say.
  TKeplerUpdates(TSessionModel& model, QString groupBase, QWidget* dialogParent, QLabel* status);
  ~TKeplerUpdates() override;

  // What a new user most likely wants first: the space stations, what can be seen, what can be heard.
  static QStringList FirstChoice();

  // Asks the user a plain question (the dialog asks it before a run that includes a host resting after
  // its error answers); none: such hosts are not asked.
  std::function<bool(const QString& question)> askAnyway;

  // "Update Kepler data...": the dialog with `chosen` checked (its remembered choice when empty), its
  // update started at once when `start`.
  void ShowDialog(const QStringList& chosen = {}, bool start = false);
  TFormUpdateKepler* Dialog() const noexcept { return dialog_; }
  // The update at start: `choice` 1 (daily) or 2 (weekly) downloads the sources last chosen whose
  // files are older than that; 0 (never) or any other does nothing.
  void UpdateAtStartIfDue(int choice);
  // Null until an update at start has been started.
  download::TDownloader* StartUpUpdate() const noexcept { return startUpUpdate_.get(); }

 private:
  void ShowFreshData();
  void StartUpUpdateFinished();

  TSessionModel& model_;
  QString groupBase_;
  QWidget* dialogParent_ = nullptr;
  QLabel* status_ = nullptr;
  TFormUpdateKepler* dialog_ = nullptr;
  std::unique_ptr<download::TDownloader> startUpUpdate_;
};

}  // namespace nimbrel::app
