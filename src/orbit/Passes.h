#pragma once
// Pass prediction: when a satellite is above an observer's horizon, how high it climbs, and when it can
// be seen with the eye.
//
// Threads: a search propagates its own satellite, whose propagator caches change with every call, so it
// works on a private copy. FindPasses takes the satellite by value: copy it on the thread that owns it
// (the window's, for the primary satellite), then move the copy to the worker and call FindPasses
// there with a std::stop_token, so that a newer request can cancel an older one. FindPassesForAll
// spreads a whole catalogue, taken by value as well, over several threads.

#include <stop_token>
#include <string>
#include <vector>

#include "OrbitMath.h"
#include "Satellite.h"

namespace nimbrel::orbit {

// A stretch of time between two Julian dates (UTC).
struct TTimeSpan {
  double startJD = 0.0;
  double endJD = 0.0;
};

// One pass over the observer. Angles in radians: azimuth from north through east in [0, 2 pi),
// elevation as Observe reports it (refracted). A pass begins (AOS) and ends (LOS) where that elevation
// crosses 0.
struct TPass {
  double aosJD = 0.0;
  double aosAzimuth = 0.0;
  double tcaJD = 0.0;  // the time of greatest elevation
  double maxElevation = 0.0;
  double tcaAzimuth = 0.0;
  double losJD = 0.0;
  double losAzimuth = 0.0;
  bool inProgress = false;  // already up when the search window opens: AOS is the window's start
  bool cut = false;         // still up when the window closes: LOS is the window's end
  bool alwaysUp = false;    // up through the whole window (in progress and cut)
  // Where the satellite is in sunlight while the Sun is at least 6 degrees below the observer's
  // horizon, in time order; empty when the pass is not visual. Usually one span; a satellite that
  // stays up for days can have one each night.
  std::vector<TTimeSpan> visualParts;

  bool Visual() const noexcept { return !visualParts.empty(); }
  double DurationSeconds() const noexcept;
};

// The observer (latitude and longitude in radians, altitude in km; theta is ignored) and the window.
struct TPassSearch {
  GeodeticPoint observer;
  double startJD = 0.0;
  double endJD = 0.0;
};

enum class TPassStatus {
  psComplete,   // the whole window was searched
  psCancelled,  // the stop token asked the search to end; passes holds what was complete by then
  psFailed,     // the satellite could not be propagated at some time; see error
};

struct TPassList {
  std::vector<TPass> passes;  // in time order
  TPassStatus status = TPassStatus::psComplete;
  // With psFailed: why, naming the satellite. The passes that ended before the failure are kept.
  std::string error;
  // With psFailed: the same in a few plain words for a user ("decayed"), and the Julian date the
  // search had reached (0 when it failed before propagating).
  std::string reason;
  double failedJD = 0.0;
  // The orbit can never bring the satellite above this observer's horizon, so nothing was propagated.
  bool neverRises = false;
};

// The passes of one satellite over the observer within [startJD, endJD]. Never throws for a satellite
// that cannot be propagated or an unusable observer (that is psFailed); may throw std::bad_alloc.
TPassList FindPasses(TSatellite satellite, const TPassSearch& search, std::stop_token stop = {});

// The same for every satellite of a catalogue, one result per satellite in the same order, on
// `threads` threads (0: one per processor core). Each satellite is propagated by one thread only.
std::vector<TPassList> FindPassesForAll(std::vector<TSatellite> satellites, const TPassSearch& search,
                                        unsigned threads = 0, std::stop_token stop = {});

// True when the satellite's orbit can never take it above the observer's horizon within the window:
// the observer is further from the equator than the orbit's highest latitude plus the widest circle
// the satellite can see, with margins for perturbations.
bool CanNeverRise(const TSatellite& satellite, const TPassSearch& search) noexcept;

// True when a satellite at `satellite` (km, geocentric inertial) is outside the Earth's umbra for the
// Sun at `sun` (km, the same frame); the penumbra counts as sunlit.
bool IsSunlit(const Vector4& satellite, const Vector4& sun) noexcept;

// The Sun's elevation (rad, geometric below the horizon) seen from the observer at a Julian date.
double SunElevation(const GeodeticPoint& observer, double jd) noexcept;

}  // namespace nimbrel::orbit
