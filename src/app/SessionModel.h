#pragma once
// The tracking session: the facts every page of the window shares, in one place, each with a signal
// that says it changed. A page reads them here and asks the model to change one (make primary, make
// home, open a file, new data from a download); the model decides and announces, so that every page
// follows in the same update and none keeps a copy of its own or reaches into another page.
//
// Two clocks, kept apart on purpose: the simulation clock (Time) is what the view, the status bar,
// the list and the Passes dialog show, and may run at 3600 times real time or stand still; UtcNow is
// the real time the Station page, the rotator, the radio and the alerts follow, since an antenna must
// point where the satellite is now. TimeChanged fires at every tick of the simulation clock (up to 30
// a second); subscribers that search ahead (the Passes dialog) listen to DayChanged instead.
//
// No widgets: the model is built and tested without a window. UI thread only.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "app/StartUp.h"
#include "catalogue/SatelliteList.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"

namespace nimbrel::app {

class TDownloadCoordinator;

// Where the catalogue came from: the data folder (downloads replace it), or a file the user chose
// (never replaced behind the user's back).
enum class TDataSource { dsDataFolder, dsUserFile };

class TSessionModel : public QObject {
  Q_OBJECT

 public:
  // The real time, as days since 1899-12-30 UTC; empty for the system's clock.
  using TUtcClock = std::function<orbit::TDateTime()>;

  explicit TSessionModel(TUtcClock utcNow = {}, QObject* parent = nullptr);
  ~TSessionModel() override;

  orbit::TDateTime UtcNow() const;

  // The catalogue and where it came from.
  const catalogue::TSatelliteList& Catalogue() const noexcept { return catalogue_; }
  TDataSource DataSource() const noexcept { return source_; }
  // The user's file; empty while the data folder is read.
  const QString& DataFile() const noexcept { return file_; }
  // Replaces the catalogue (every satellite pointer handed out before is gone) with `primary` as the
  // primary satellite; one DataChanged says both.
  void SetData(catalogue::TSatelliteList catalogue, TDataSource source, const QString& file,
               const QString& primary);
  // Downloads replaced files in the data folder: read again at once while the data folder is shown;
  // while a file of the user's is shown it stays, and FreshDataWaiting says there is more.
  void DataFolderUpdated();
  bool FreshDataWaiting() const noexcept { return freshDataWaiting_; }
  // Reads the data folder (File > "Load the updated data", or the updates above): the primary stays
  // when the new data has it; "all satellites" is switched on when none of the active list is in it.
  // False, with nothing changed, when the folder holds no element set.
  bool LoadDataFolder();

  // The primary satellite: the number as chosen, and the satellite when the data holds it.
  const QString& PrimaryNumber() const noexcept { return primary_; }
  void SetPrimary(const QString& number);
  const orbit::TSatellite* Primary() const;
  // What the view, the status line and the Passes dialog follow: the primary, else the first other
  // satellite shown; null when none is shown.
  const orbit::TSatellite* Followed() const;

  // The home location (latitude, longitude, height in metres) and the observer it makes.
  const THomeLocation& Home() const noexcept { return home_; }
  void SetHome(const THomeLocation& home);
  orbit::GeodeticPoint Observer() const noexcept;

  // The shown bank's active list, and whether every satellite of the data is shown instead.
  const QStringList& ActiveList() const noexcept { return activeList_; }
  void SetActiveList(const QStringList& numbers);
  bool ShowAll() const noexcept { return showAll_; }
  void SetShowAll(bool all);
  // The satellites with markers, in marker order (the primary first).
  std::vector<const orbit::TSatellite*> Shown() const;
  // The active list's satellites other than the primary (the alerts may watch them too).
  std::vector<const orbit::TSatellite*> BankSatellites() const;

  // The simulation clock and its speed (0 while it steps, else times real time).
  orbit::TDateTime Time() const noexcept { return time_; }
  void SetTime(orbit::TDateTime time);
  int Speed() const noexcept { return speed_; }
  void SetSpeed(int timesRealTime);

  TDownloadCoordinator& Downloads() noexcept { return *downloads_; }

 signals:
  // A new catalogue, perhaps with another primary.
  void DataChanged();
  void PrimaryChanged();
  void HomeChanged();
  // Another active list, or "all satellites" switched.
  void ShownChanged();
  void TimeChanged();
  // The simulation clock entered another UTC day (or jumped by one or more).
  void DayChanged();
  void SpeedChanged();
  // Downloads put newer data in the data folder while the user's own file is shown.
  void FreshDataAvailable();

 private:
  TUtcClock utcNow_;
  catalogue::TSatelliteList catalogue_;
  TDataSource source_ = TDataSource::dsDataFolder;
  QString file_;
  bool freshDataWaiting_ = false;
  QString primary_;
  THomeLocation home_;
  QStringList activeList_;
  bool showAll_ = false;
  orbit::TDateTime time_ = 0;
  int speed_ = 0;
  TDownloadCoordinator* downloads_ = nullptr;
};

}  // namespace nimbrel::app
