#pragma once
// The "Station" page: the antenna rotator and the radio through hamlib's daemons, the primary
// satellite's direction and Doppler-corrected frequencies, the sky plot of its current or next pass,
// and the desktop notification before AOS.
//
// Station control follows the real sky: its clock is the system's UTC clock whatever the view's clock
// shows, since the antenna must point where the satellite is now. Everything runs on the UI thread's
// event loop; the daemons are never waited for.

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "app/PassAlert.h"
#include "app/StationSettings.h"
#include "orbit/Satellite.h"
#include "station/HamlibLink.h"
#include "station/Tracker.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace nimbrel::station {
class TRadioClient;
class TRotatorClient;
}  // namespace nimbrel::station

namespace nimbrel::app {

class TSessionModel;
class TSkyPlot;
class TTransmitterPanel;

class TFormStation : public QWidget {
  Q_OBJECT

 public:
  // `clock`: the present moment as a Julian date; empty for the system's UTC clock. `notify`: how an
  // alert reaches the user; empty for the desktop's notification service.
  explicit TFormStation(QWidget* parent = nullptr, station::TTracker::TClock clock = {},
                        TPassAlert::TNotify notify = {});
  ~TFormStation() override;

  // The primary satellite (null for none) and the home location; `alsoWatched` are the other
  // satellites of the shown bank, for the optional alerts. Everything is copied.
  void SetSatellite(const orbit::TSatellite* primary, double homeLatDeg, double homeLonDeg,
                    const std::vector<const orbit::TSatellite*>& alsoWatched = {});
  // The same from an observer (altitude in km); `waiting` is shown instead of "No primary satellite."
  // when there is none.
  void SetSatellite(const orbit::TSatellite* primary, const orbit::GeodeticPoint& observer,
                    const std::vector<const orbit::TSatellite*>& alsoWatched, const QString& waiting = {});
  // Follows the session's primary, home and shown bank from now on, whatever other page changes
  // them. A stored primary that the data lacks is waited for: the antenna is never turned to
  // another satellite in its place, and the page says why it waits.
  void Follow(TSessionModel& model);

  // The controls, by the names the program's documentation uses.
  QLineEdit* EditRotator = nullptr;
  QPushButton* ButtonRotator = nullptr;
  QLabel* LabelRotatorState = nullptr;
  QComboBox* ComboAzimuthRange = nullptr;
  QComboBox* ComboElevationMax = nullptr;
  QSpinBox* SpinMinElevation = nullptr;
  QCheckBox* CheckBoxPark = nullptr;
  QLineEdit* EditRadio = nullptr;
  QPushButton* ButtonRadio = nullptr;
  QLabel* LabelRadioState = nullptr;
  QLabel* LabelSatellite = nullptr;
  // Says in words when the primary's elements are too old to trust for pointing an antenna.
  QLabel* LabelElementAge = nullptr;
  QLineEdit* EditDownlink = nullptr;
  QLineEdit* EditUplink = nullptr;
  QLabel* LabelDownlink = nullptr;
  QLabel* LabelUplink = nullptr;
  TTransmitterPanel* PanelTransmitter = nullptr;
  QCheckBox* CheckBoxTracking = nullptr;
  QLabel* LabelTarget = nullptr;
  QLabel* LabelReported = nullptr;
  QLabel* LabelPass = nullptr;
  TSkyPlot* SkyPlot = nullptr;
  QCheckBox* CheckBoxAlert = nullptr;
  QSpinBox* SpinAlertMinutes = nullptr;
  QCheckBox* CheckBoxAlertBank = nullptr;

  station::TRotatorClient& Rotator() noexcept { return *rotator_; }
  station::TRadioClient& Radio() noexcept { return *radio_; }
  station::TTracker* Tracker() noexcept { return tracker_.get(); }
  const std::optional<station::TTrackSample>& LastSample() const noexcept { return last_; }
  // Tracking is on and a rotator or radio link is open (or being reopened): closing now would leave
  // the antenna or the radio where the last command put them.
  bool Steering() const noexcept;

  // The user's actions, callable by tests as the controls call them.
  void ButtonRotatorClick();
  void ButtonRadioClick();
  void CheckBoxTrackingClick();
  void FrequencyEdited();
  void LimitsChanged();
  void AlertChanged();

 private:
  void CreateControls();
  void Restore();
  station::TTrackerSettings TrackerSettings() const;
  void ShowSample(const station::TTrackSample& sample);
  void ShowLinkState(station::THamlibLink& link, QLabel* label, QPushButton* button);
  void ShowPass();
  void ShowElementAge(double jd);
  void ShowRotator();
  void ToggleLink(station::THamlibLink& link, QLineEdit* edit, const char* settingName);
  void UpdateAlertSatellites();
  void FollowSession();
  // The chosen transmitter's frequencies into the fields and the kept ones; false without a choice.
  bool ShowTransmitter();

  TStationSettings settings_;
  TSessionModel* model_ = nullptr;
  station::TTracker::TClock clock_;
  std::unique_ptr<station::TRotatorClient> rotator_;
  std::unique_ptr<station::TRadioClient> radio_;
  std::unique_ptr<station::TTracker> tracker_;
  TPassAlert alert_;
  QString catalogueNumber_;
  orbit::GeodeticPoint observer_;
  std::vector<orbit::TSatellite> alsoWatched_;
  std::optional<orbit::TSatellite> primary_;
  std::optional<station::TTrackSample> last_;
  double shownPassAos_ = 0.0;
};

}  // namespace nimbrel::app
