#pragma once
// Tracking one satellite from one observer: at every update the satellite's direction and range rate,
// the rotator pointed after it and the radio tuned for its Doppler shift.
//
// Runs on the event loop of its thread with the rotator and radio clients it is given (either may be
// absent). An update sends at most one batch to each daemon, and none to a daemon still busy with
// the batch before, so nothing is ever sent faster than the update interval and nothing piles up
// behind a slow daemon. Commands go only when the target moved by more than the tolerance.
//
// The radio's modes go when the settings bring new ones and whenever the radio (re)connects, never at
// every update. On a linear transponder the radio's dial is the user's: a receive frequency read back
// that differs from the one last set by more than the tolerance moves the place in the passband
// there, and the uplink follows it.

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "orbit/Passes.h"
#include "orbit/Satellite.h"
#include "station/PassPath.h"
#include "station/RadioModes.h"
#include "station/RotatorLimits.h"
#include "station/Transponder.h"

namespace nimbrel::station {

class TRadioClient;
class TRotatorClient;

struct TTrackerSettings {
  orbit::GeodeticPoint observer;  // latitude and longitude in rad, altitude in km
  double minElevationDeg = 0.0;   // below it the rotator waits (or parks)
  TRotatorLimits limits;
  double intervalS = 1.0;
  double angleToleranceDeg = 1.0;
  double frequencyToleranceHz = 10.0;
  double downlinkHz = 0.0;  // nominal; 0 for none
  double uplinkHz = 0.0;    // nominal; 0 for none
  // How far the satellite's oscillator is off, added to the nominal downlink before the Doppler shift.
  double downlinkOffsetHz = 0.0;
  // A linear transponder: downlinkHz is then the chosen place in its downlink passband, and the
  // uplink is the matching place in its uplink passband (uplinkHz is not used).
  std::optional<TTransponder> transponder;
  // The radio's modes for the chosen transmitter; none leaves the radio's modes alone.
  std::optional<TRadioModes> modes;
  bool parkBetweenPasses = false;
};

enum class TTrackState {
  tsTracking,    // the satellite is above the minimum elevation
  tsWaiting,     // below it: the rotator waits at the coming pass's AOS azimuth
  tsParked,      // below it, and asked to park
  tsNoPass,      // no pass within the coming day: the rotator stays where it is
  tsNoPosition,  // the satellite cannot be computed at this time
};

// "tracking", "waiting", "parked", "no-pass", "no-position".
const char* TrackStateWord(TTrackState state) noexcept;

struct TTrackSample {
  double jd = 0.0;
  TTrackState state = TTrackState::tsNoPosition;
  bool hasPosition = false;
  double azimuthDeg = 0.0;
  double elevationDeg = 0.0;
  double rangeKm = 0.0;
  double rangeRateKmPerS = 0.0;
  std::optional<TSkyPoint> target;     // where the rotator should point, in its own angles
  std::optional<TSkyPoint> commanded;  // what this update sent to the rotator
  std::optional<double> downlinkHz;    // corrected, when a downlink is set
  std::optional<double> uplinkHz;      // corrected, when an uplink is set
  bool frequencySent = false;
  std::string error;  // why there is no position, in a few plain words ("decayed")
};

class TTracker : public QObject {
  Q_OBJECT

 public:
  // The simulated or real present moment, as a Julian date (UTC).
  using TClock = std::function<double()>;

  TTracker(orbit::TSatellite satellite, TTrackerSettings settings, TClock clock, TRotatorClient* rotator,
           TRadioClient* radio, QObject* parent = nullptr);

  // Updates at once, then every interval, until Stop.
  void Start();
  void Stop();
  bool Running() const noexcept { return timer_.isActive(); }

  // Off: every update still computes where the rotator and the radio should be, but sends nothing.
  // Turning it on sends afresh at the next update.
  void SetSteering(bool on);
  bool Steering() const noexcept { return steering_; }

  // One update now; the timer calls this.
  TTrackSample Update();

  // Replacing either forgets the plan and what was sent, so the next update commands afresh.
  void SetSatellite(orbit::TSatellite satellite);
  void SetSettings(const TTrackerSettings& settings);
  const TTrackerSettings& Settings() const noexcept { return settings_; }
  // The nominal place in a linear transponder's downlink passband: the settings' until the dial moves it.
  double PlaceHz() const noexcept { return placeHz_; }
  const orbit::TSatellite& Satellite() const noexcept { return satellite_; }

  // The pass under way or coming, and how the rotator flies it; nothing before the first update or
  // when no pass comes within the search.
  const std::optional<orbit::TPass>& ComingPass() const noexcept { return pass_; }
  const std::vector<TPathPoint>& ComingPath() const noexcept { return path_; }
  const TPassMapping& Mapping() const noexcept { return mapping_; }

 signals:
  void Updated(const nimbrel::station::TTrackSample& sample);
  // The user turned the radio's dial on a linear transponder: the new nominal place, Hz.
  void PlaceMoved(double placeHz);

 private:
  void Forget();
  void Plan(double jd, double elevationDeg);
  void Steer(TTrackSample& sample);
  // Sends the rotator the update's command, when it has one; true when something was sent.
  bool Command(TTrackSample& sample);
  void Tune(TTrackSample& sample);
  void FollowDial(qint64 dialHz);

  orbit::TSatellite satellite_;
  TTrackerSettings settings_;
  TClock clock_;
  TRotatorClient* rotator_;
  TRadioClient* radio_;
  QTimer timer_;

  std::optional<orbit::TPass> pass_;
  std::vector<TPathPoint> path_;
  TPassMapping mapping_;
  double nextSearchJD_ = 0.0;
  std::optional<TSkyPoint> lastCommanded_;
  bool parkSent_ = false;
  bool steering_ = true;
  std::optional<double> lastDownlinkHz_;
  std::optional<double> lastUplinkHz_;
  bool modesSent_ = false;
  double placeHz_ = 0.0;
  double lastRangeRateKmPerS_ = 0.0;
};

}  // namespace nimbrel::station
