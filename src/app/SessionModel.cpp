#include "app/SessionModel.h"

#include <algorithm>
#include <cmath>

#include "app/DownloadCoordinator.h"
#include "app/MessageSink.h"
#include "catalogue/DataFolder.h"
#include "orbit/OrbitMath.h"

namespace nimbrel::app {

TSessionModel::TSessionModel(TUtcClock utcNow, QObject* parent)
    : QObject(parent), utcNow_(std::move(utcNow)), downloads_(new TDownloadCoordinator(this)) {
  connect(downloads_, &TDownloadCoordinator::DataFolderUpdated, this, &TSessionModel::DataFolderUpdated);
}

TSessionModel::~TSessionModel() = default;

orbit::TDateTime TSessionModel::UtcNow() const {
  return utcNow_ ? utcNow_() : orbit::CurrentUtc();
}

void TSessionModel::SetData(catalogue::TSatelliteList catalogue, TDataSource source, const QString& file,
                            const QString& primary) {
  catalogue_ = std::move(catalogue);
  source_ = source;
  file_ = source == TDataSource::dsUserFile ? file : QString();
  primary_ = primary;
  // Whatever was waiting in the data folder has been read, or the user chose a file of their own.
  freshDataWaiting_ = false;
  emit DataChanged();
}

void TSessionModel::DataFolderUpdated() {
  if (source_ == TDataSource::dsDataFolder) {
    LoadDataFolder();
    return;
  }
  freshDataWaiting_ = true;
  emit FreshDataAvailable();
}

bool TSessionModel::LoadDataFolder() {
  catalogue::TSatelliteList fresh =
      catalogue::TSatelliteList::Create(catalogue::KeplerDataFolder().toStdString());
  if (fresh.Count() == 0) return false;
  QString primary = primary_;
  if (fresh.IndexOfCatalogueNumber(primary.toStdString()) < 0) {
    // The data holds satellites, so no message is needed to choose among them.
    TRecordingSink quiet;
    primary = ChoosePrimary(fresh, quiet);
  }
  const bool activeShown = std::any_of(activeList_.begin(), activeList_.end(), [&fresh](const QString& n) {
    return fresh.IndexOfCatalogueNumber(n.toStdString()) >= 0;
  });
  // Without an active list in the new data only the primary would show: show what came.
  if (!activeShown) showAll_ = true;
  SetData(std::move(fresh), TDataSource::dsDataFolder, {}, primary);
  return true;
}

void TSessionModel::SetPrimary(const QString& number) {
  if (number == primary_) return;
  primary_ = number;
  emit PrimaryChanged();
}

const orbit::TSatellite* TSessionModel::Primary() const {
  const int index = catalogue_.IndexOfCatalogueNumber(primary_.toStdString());
  return index >= 0 ? &catalogue_.SatelliteAt(index) : nullptr;
}

const orbit::TSatellite* TSessionModel::Followed() const {
  if (const orbit::TSatellite* primary = Primary()) return primary;
  const std::vector<const orbit::TSatellite*> shown = Shown();
  return shown.empty() ? nullptr : shown.front();
}

void TSessionModel::SetHome(const THomeLocation& home) {
  if (home == home_) return;
  home_ = home;
  emit HomeChanged();
}

orbit::GeodeticPoint TSessionModel::Observer() const noexcept {
  return {orbit::Radians(home_.latDeg), orbit::Radians(orbit::Modulus(home_.lonDeg, 360.0)),
          home_.heightM / 1000.0, 0.0};
}

void TSessionModel::SetActiveList(const QStringList& numbers) {
  if (numbers == activeList_) return;
  activeList_ = numbers;
  emit ShownChanged();
}

void TSessionModel::SetShowAll(bool all) {
  if (all == showAll_) return;
  showAll_ = all;
  emit ShownChanged();
}

std::vector<const orbit::TSatellite*> TSessionModel::Shown() const {
  return MarkerSatellites(catalogue_, primary_, showAll_, activeList_);
}

std::vector<const orbit::TSatellite*> TSessionModel::BankSatellites() const {
  std::vector<const orbit::TSatellite*> bank = MarkerSatellites(catalogue_, primary_, false, activeList_);
  const orbit::TSatellite* primary = Primary();
  if (!bank.empty() && primary && bank.front() == primary) bank.erase(bank.begin());
  return bank;
}

void TSessionModel::SetTime(orbit::TDateTime time) {
  if (time == time_) return;
  const bool otherDay = std::floor(time) != std::floor(time_);
  time_ = time;
  emit TimeChanged();
  if (otherDay) emit DayChanged();
}

void TSessionModel::SetSpeed(int timesRealTime) {
  if (timesRealTime == speed_) return;
  speed_ = timesRealTime;
  emit SpeedChanged();
}

}  // namespace nimbrel::app
