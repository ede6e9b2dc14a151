#include "station/Tracker.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "orbit/OrbitErrors.h"
#include "orbit/OrbitMath.h"
#include "station/Doppler.h"
#include "station/RadioClient.h"
#include "station/RotatorClient.h"

namespace nimbrel::station {

namespace {

// How far ahead the coming pass is looked for; a satellite with none in a day is searched for again
// an hour later, not at every update.
constexpr double kPlanDays = 1.0;
constexpr double kSearchAgainDays = 1.0 / 24.0;
// Longer than any pass of a satellite in low orbit.
constexpr double kLookBackDays = 2.0 / 24.0;
// Bounds for the update interval, so that a setting can neither flood a daemon nor stop the updates.
constexpr double kMinIntervalS = 0.1;
constexpr double kMaxIntervalS = 3600.0;

double PlaceOf(const TTrackerSettings& s) {
  return s.transponder ? ClampToPassband(*s.transponder, s.downlinkHz) : s.downlinkHz;
}

}  // namespace

const char* TrackStateWord(TTrackState state) noexcept {
  switch (state) {
    case TTrackState::tsTracking:
      return "tracking";
    case TTrackState::tsWaiting:
      return "waiting";
    case TTrackState::tsParked:
      return "parked";
    case TTrackState::tsNoPass:
      return "no-pass";
    case TTrackState::tsNoPosition:
      break;
  }
  return "no-position";
}

TTracker::TTracker(orbit::TSatellite satellite, TTrackerSettings settings, TClock clock,
                   TRotatorClient* rotator, TRadioClient* radio, QObject* parent)
    : QObject(parent),
      satellite_(std::move(satellite)),
      settings_(settings),
      clock_(std::move(clock)),
      rotator_(rotator),
      radio_(radio) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { Update(); });
  // A daemon that (re)connects knows nothing of what was sent before.
  if (rotator_) {
    connect(rotator_, &THamlibLink::StateChanged, this, [this](TLinkState) {
      lastCommanded_.reset();
      parkSent_ = false;
    });
  }
  if (radio_) {
    connect(radio_, &THamlibLink::StateChanged, this, [this](TLinkState) {
      lastDownlinkHz_.reset();
      lastUplinkHz_.reset();
      modesSent_ = false;
    });
    connect(radio_, &TRadioClient::DownlinkReported, this, &TTracker::FollowDial);
  }
  placeHz_ = PlaceOf(settings_);
}

void TTracker::Start() {
  const double interval = std::isfinite(settings_.intervalS) ? settings_.intervalS : 1.0;
  timer_.start(static_cast<int>(std::lround(std::clamp(interval, kMinIntervalS, kMaxIntervalS) * 1000.0)));
  Update();
}

void TTracker::Stop() {
  timer_.stop();
}

void TTracker::SetSteering(bool on) {
  if (on && !steering_) {
    lastCommanded_.reset();
    parkSent_ = false;
    lastDownlinkHz_.reset();
    lastUplinkHz_.reset();
  }
  steering_ = on;
}

void TTracker::SetSatellite(orbit::TSatellite satellite) {
  satellite_ = std::move(satellite);
  Forget();
}

void TTracker::SetSettings(const TTrackerSettings& settings) {
  if (settings.modes != settings_.modes) modesSent_ = false;
  settings_ = settings;
  placeHz_ = PlaceOf(settings_);
  Forget();
  if (Running()) Start();
}

void TTracker::Forget() {
  pass_.reset();
  path_.clear();
  mapping_ = {};
  nextSearchJD_ = 0.0;
  lastCommanded_.reset();
  parkSent_ = false;
  lastDownlinkHz_.reset();
  lastUplinkHz_.reset();
}

void TTracker::Plan(double jd, double elevationDeg) {
  // Past its greatest elevation and below the minimum, a pass will not come back above it: the
  // rotator's business is the next pass from then on, not this one's AOS.
  const bool below = elevationDeg <= settings_.minElevationDeg;
  const auto sunk = [&](const orbit::TPass& pass) { return below && jd > pass.tcaJD; };
  if (pass_ && jd <= pass_->losJD && !sunk(*pass_)) return;
  if (!pass_ && jd < nextSearchJD_) return;
  pass_.reset();
  path_.clear();
  mapping_ = {};
  // Searched from a little earlier, so that a pass already under way is known from its true AOS.
  const orbit::TPassList found =
      orbit::FindPasses(satellite_, {settings_.observer, jd - kLookBackDays, jd + kPlanDays});
  for (const orbit::TPass& pass : found.passes) {
    if (pass.losJD > jd && !sunk(pass)) {
      pass_ = pass;
      break;
    }
  }
  if (!pass_) {
    nextSearchJD_ = jd + kSearchAgainDays;
    return;
  }
  path_ = PassPath(satellite_, settings_.observer, *pass_);
  mapping_ = ChoosePassMapping(SkyPoints(path_), settings_.limits);
}

TTrackSample TTracker::Update() {
  TTrackSample sample;
  sample.jd = clock_();
  try {
    orbit::TObservation o;
    satellite_.Observe(settings_.observer, sample.jd, 0.0, o);
    sample.hasPosition = true;
    sample.azimuthDeg = orbit::Degrees(o.azimuth);
    sample.elevationDeg = orbit::Degrees(o.elevation);
    sample.rangeKm = o.range;
    sample.rangeRateKmPerS = o.rangeRate;
  } catch (const orbit::EPropagationError& e) {
    sample.error = e.Reason();
  } catch (const orbit::EOrbitError&) {
    sample.error = "no position at this time";
  }
  if (sample.hasPosition) {
    Plan(sample.jd, sample.elevationDeg);
    Steer(sample);
    Tune(sample);
  }
  emit Updated(sample);
  return sample;
}

void TTracker::Steer(TTrackSample& sample) {
  const TSkyPoint now{sample.azimuthDeg, sample.elevationDeg};
  if (sample.elevationDeg > settings_.minElevationDeg) {
    sample.state = TTrackState::tsTracking;
    sample.target = MapToRotator(now, mapping_, settings_.limits);
  } else if (settings_.parkBetweenPasses) {
    sample.state = TTrackState::tsParked;
  } else if (pass_) {
    sample.state = TTrackState::tsWaiting;
    sample.target = MapToRotator({orbit::Degrees(pass_->aosAzimuth), 0.0}, mapping_, settings_.limits);
  } else {
    sample.state = TTrackState::tsNoPass;
  }
  if (!steering_ || !rotator_ || !rotator_->Idle()) return;
  // An update that commands nothing still asks where the rotator is, so that the position shown
  // is where it got to and not where it was when last sent somewhere.
  if (!Command(sample)) rotator_->ReadPosition();
}

bool TTracker::Command(TTrackSample& sample) {
  if (sample.state == TTrackState::tsParked) {
    if (parkSent_ || !rotator_->Park()) return false;
    parkSent_ = true;
    lastCommanded_.reset();
    return true;
  }
  parkSent_ = false;
  if (!sample.target) return false;
  if (lastCommanded_ && AngleDifference(*lastCommanded_, *sample.target) <= settings_.angleToleranceDeg)
    return false;
  if (!rotator_->MoveTo(*sample.target)) return false;
  lastCommanded_ = sample.target;
  sample.commanded = sample.target;
  return true;
}

void TTracker::Tune(TTrackSample& sample) {
  const double rr = sample.rangeRateKmPerS;
  lastRangeRateKmPerS_ = rr;
  const double uplink =
      settings_.transponder ? MatchingUplinkHz(*settings_.transponder, placeHz_) : settings_.uplinkHz;
  if (placeHz_ > 0) {
    const double downlink = DownlinkHz(placeHz_ + settings_.downlinkOffsetHz, rr);
    if (downlink > 0) sample.downlinkHz = downlink;
  }
  if (uplink > 0) sample.uplinkHz = UplinkHz(uplink, rr);
  if (!steering_ || !radio_ || !radio_->Idle()) return;
  if (settings_.modes && !modesSent_) modesSent_ = radio_->SetModes(*settings_.modes);
  const auto moved = [this](const std::optional<double>& wanted, const std::optional<double>& last) {
    return wanted && (!last || std::abs(*wanted - *last) > settings_.frequencyToleranceHz);
  };
  if (moved(sample.downlinkHz, lastDownlinkHz_) && radio_->SetDownlink(*sample.downlinkHz)) {
    lastDownlinkHz_ = sample.downlinkHz;
    sample.frequencySent = true;
  }
  if (moved(sample.uplinkHz, lastUplinkHz_) && radio_->SetUplink(*sample.uplinkHz)) {
    lastUplinkHz_ = sample.uplinkHz;
    sample.frequencySent = true;
  }
  // Nothing to set: see whether the user has turned the dial meanwhile.
  if (!sample.frequencySent && settings_.transponder && lastDownlinkHz_) radio_->ReadDownlink();
}

void TTracker::FollowDial(qint64 dialHz) {
  if (!settings_.transponder || !lastDownlinkHz_ || !steering_) return;
  if (std::abs(static_cast<double>(dialHz) - std::round(*lastDownlinkHz_)) <= settings_.frequencyToleranceHz)
    return;
  placeHz_ = ClampToPassband(
      *settings_.transponder,
      NominalFromDial(static_cast<double>(dialHz), lastRangeRateKmPerS_, settings_.downlinkOffsetHz));
  // The radio is where the user put it: it is not set again until the Doppler shift moves on, but the
  // uplink must follow the new place at once.
  lastDownlinkHz_ = static_cast<double>(dialHz);
  lastUplinkHz_.reset();
  emit PlaceMoved(placeHz_);
}

}  // namespace nimbrel::station
