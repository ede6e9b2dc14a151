#pragma once
// Satellites placed on the globe between two propagations. With a whole catalogue shown and the clock
// running, propagating every satellite for every picture is most of an update's work, yet over a few
// minutes of simulated time a satellite's track over the fixed globe is so smooth that a cubic through
// two propagated places and their rates of change stays within kMaxErrorKm of the full propagation.
// So each satellite is propagated once per stretch of its own length and placed in between from the
// stretch's two ends; a time out of reach of the last stretch (a jump of the clock) is propagated in
// full and starts a new stretch there.
//
// Threading: a TInterpolatedTrack belongs to one satellite. An update may place different tracks on
// different threads at once, never one track on two; the results do not depend on the threads.

#include <optional>

#include "app/ViewMath.h"
#include "orbit/ElementSet.h"

namespace nimbrel::orbit {
class TSatellite;
}

namespace nimbrel::app {

struct TTrackPlace {
  TScenePoint point;   // scene units
  TScenePoint motion;  // the inertial velocity in the scene's axes, km/s: the trail runs against it
};

class TInterpolatedTrack {
 public:
  // Far below a pixel: with the camera at its nearest, a pixel of a large window spans some 10 km.
  static constexpr double kMaxErrorKm = 1.0;

  // The longest stretch, in days, over which the cubic keeps within kMaxErrorKm for an orbit of these
  // elements (shortest for the fastest turn, at the perigee of a low eccentric orbit), at most a
  // quarter of an hour.
  static double StretchDays(const orbit::TElementSet& elements) noexcept;

  // The satellite's place at jd (turn: the Earth's at jd). Between the two ends of the current
  // stretch, interpolated; within one stretch beyond either end, the stretch moves on by one
  // propagation; anything else, or an end that cannot be propagated, is propagated in full at jd and
  // placed exactly as a full update places it. Nothing when the satellite cannot be placed at jd.
  std::optional<TTrackPlace> PlaceAt(orbit::TSatellite& satellite, double jd, const TEarthTurn& turn,
                                     double stretchDays);

  // How many propagations the track has made: what interpolation saves.
  long Propagations() const noexcept { return propagations_; }

 private:
  struct TKnot {
    double jd = 0;
    double point[3] = {};  // scene units
    double rate[3] = {};   // scene units a day
    TScenePoint motion;
  };
  std::optional<TKnot> Propagate(orbit::TSatellite& satellite, double jd, const TEarthTurn& turn);
  std::optional<TTrackPlace> Restart(orbit::TSatellite& satellite, double jd, const TEarthTurn& turn);

  // lo_ before hi_ in time when both are there; after a restart only lo_ is.
  std::optional<TKnot> lo_;
  std::optional<TKnot> hi_;
  long propagations_ = 0;
};

}  // namespace nimbrel::app
