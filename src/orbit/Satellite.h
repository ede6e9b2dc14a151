#pragma once
// TSatellite: one satellite, its element set, and the SGP4/SDP4 propagators' per-satellite state.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ElementSet.h"
#include "OrbitErrors.h"
#include "OrbitMath.h"
#include "PropagatorState.h"
#include "SetChooser.h"

namespace nimbrel::orbit {

struct GeodeticPoint {
  double latitude = 0.0;   // rad
  double longitude = 0.0;  // rad east, [0, 2 pi)
  double altitude = 0.0;   // km
  double theta = 0.0;      // local sidereal angle, rad
};

struct LookAngles {
  double azimuth = 0.0;    // rad
  double elevation = 0.0;  // rad
  double range = 0.0;      // km
  double rangeRate = 0.0;  // km/s
};

// What TryPropagate reports instead of throwing.
struct TPropagateResult {
  bool ok = true;
  std::string error;   // the failure's message when !ok, naming the satellite and where it failed
  std::string reason;  // when !ok, the failure in a few plain words for a user: "decayed", ...
  explicit operator bool() const noexcept { return ok; }
};

// What Observe finds: the look angles from the observer and the satellite's ground point.
struct TObservation {
  double azimuth = 0.0;       // rad from north through east, [0, 2 pi); 0 straight overhead
  double elevation = 0.0;     // rad, corrected for refraction when at or above the horizon
  double range = 0.0;         // km
  double rangeRate = 0.0;     // km/s, positive when the distance grows
  double subLatitude = 0.0;   // rad, geodetic
  double subLongitude = 0.0;  // rad east, [0, 2 pi)
  bool descending = false;    // moving southwards in the inertial frame
};

class TSatellite {
 public:
  TSatellite() = default;

  // A satellite named `name` with the two element lines; throws EOrbitError when they are rejected.
  static TSatellite Create(std::string name, std::string_view line1, std::string_view line2);

  // Replaces the elements (all of them, when it had several sets) and forces re-initialisation.
  // Throws EElementError (or EMathError) and leaves the satellite as it was when the lines cannot
  // describe an orbit.
  void SetElements(std::string_view line1, std::string_view line2);
  // The same from values already in the propagators' units.
  void SetElementSet(const TElementSet& elements);
  // Several sets of this one object, each fitted from its epoch forward (see TSetChooser): from now
  // on the set in use is the one for the time asked, and the first one until a time is asked.
  // Throws EElementError (or EMathError) and leaves the satellite as it was when a set cannot
  // describe an orbit, the sets name different catalogue numbers or there are none.
  void SetElementSets(std::vector<TElementSet> sets);
  // The sets it chooses from, in order of their epochs; null for a satellite with one set. Shared
  // with its copies (it never changes).
  const TSetChooser* SetChooser() const noexcept { return chooser_.get(); }
  // How many sets it holds: 0 without elements, else 1 or the chooser's count.
  int SetCount() const noexcept;
  // Makes the set for the Julian date `jd` the one in use (Elements(), EpochJD() and the rest
  // follow it); the propagator is initialised again only when the set changes. Propagate and
  // Observe do this themselves; PropagateSinceEpoch counts from the set in use and does not.
  void ChooseSetFor(double jd);
  // The set that would be in use at `jd`, without choosing it.
  const TElementSet& ElementsAt(double jd) const noexcept;
  // The same object with the same sets: what a copy kept for later (a pass search, a tracker)
  // checks to know whether the catalogue's satellite has changed, whichever set each has in use.
  bool SameSetsAs(const TSatellite& other) const noexcept;
  // The earliest and the latest epoch of its sets (the epoch, with one set).
  double FirstEpochJD() const noexcept;
  double LatestEpochJD() const noexcept;

  // Position (Earth radii) and velocity (Earth radii per minute) at a Julian date, in the model's
  // inertial frame; magnitudes are not set. With several sets, the one for `jd` is chosen first. Throws
  // EMathError ("Invalid argument in Function Power!") or EPropagationError (a non-finite result, a time more
  // than a century from epoch, no elements, or the model's own conditions failing: the mean eccentricity at
  // or above 1 or below -0.001, the mean semi-major axis below 0.95 Earth radii, the mean motion at or below
  // 0, the eccentricity after the periodic terms below -0.001 or at or above 1, the semi-latus rectum at or
  // below 0, the radius below one Earth radius, elements of an ephemeris type other than 0, which these
  // models cannot compute). The reason is a few plain words ("decayed", "SGP4-XP elements, not supported").
  // The caller's vectors are left alone on failure.
  void Propagate(double jd, Vector4& position, Vector4& velocity);
  // The same at a time given in minutes from the epoch (what Propagate computes from the date).
  void PropagateSinceEpoch(double tsince, Vector4& position, Vector4& velocity);
  // The same, reporting a failure instead of throwing.
  TPropagateResult TryPropagate(double jd, Vector4& position, Vector4& velocity) noexcept;

  double PeriodDays() const noexcept;
  // Days from the epoch of the set for `jd` to `jd`: positive after the epoch, negative before it.
  // Sets grow less trustworthy with age, whichever way the time lies.
  double EpochAgeDays(double jd) const noexcept { return jd - ElementsAt(jd).epochJD; }

  // Looks at the satellite from `observer` (latitude and longitude in rad, altitude in km) at a Julian
  // date. True when the refracted elevation is strictly above minElevationDeg. Throws EOrbitError, as
  // Propagate does, when there is no finite position or no finite look angles from the observer.
  bool Observe(GeodeticPoint observer, double jd, double minElevationDeg, TObservation& result);

  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const TElementSet& Elements() const noexcept { return elements_; }
  const std::string& CatalogueNumber() const noexcept { return elements_.catalogueNumber; }
  const std::string& ElementSetNumber() const noexcept { return elements_.elementSetNumber; }
  bool DeepSpace() const noexcept { return deepSpace_; }
  double MeanAnomaly() const noexcept { return elements_.meanAnomaly; }
  double RightAscension() const noexcept { return elements_.rightAscension; }
  double ArgumentOfPerigee() const noexcept { return elements_.argumentOfPerigee; }
  double Eccentricity() const noexcept { return elements_.eccentricity; }
  double Inclination() const noexcept { return elements_.inclination; }
  double MeanMotion() const noexcept { return elements_.meanMotion; }
  double MeanMotionDot() const noexcept { return elements_.meanMotionDot; }
  double MeanMotionDdot() const noexcept { return elements_.meanMotionDdot; }
  double BStar() const noexcept { return elements_.bStar; }
  double EpochJD() const noexcept { return elements_.epochJD; }
  double EpochRaw() const noexcept { return elements_.epochRaw; }
  double RevolutionAtEpoch() const noexcept { return elements_.revolutionAtEpoch; }
  double ArgumentOfLatitude() const noexcept { return argumentOfLatitude_; }
  bool NeedsInit() const noexcept { return needsInit_; }
  bool HasElements() const noexcept { return hasElements_; }

  // Exposed for tests of the low-perigee rules and of the deep-space caches.
  const TSgp4State& Sgp4State() const noexcept { return sgp4_; }
  const TSdp4State& Sdp4State() const noexcept { return sdp4_.Peek(); }

 private:
  friend struct TSatelliteTestPeer;  // lets tests call DeepSpaceCalc with chosen arguments

  // Throws EPropagationError for this satellite with `reason` as its plain reason.
  [[noreturn]] void FailPropagation(const char* reason) const;
  // Fails the propagation when the drag-updated mean semi-major axis (Earth radii) or eccentricity
  // describe no orbit: e at or above 1 or below -0.001, a below 0.95.
  void CheckMeanElements(double a, double e) const;
  void InitSharedProducts();
  void Sgp4Init();
  void Sgp4(double tsince, Vector4& position, Vector4& velocity);
  void Sdp4Init();
  void Sdp4(double tsince, Vector4& position, Vector4& velocity);
  // The lunar-solar and resonance routine with its three entries; see TDeepSpaceArgs.
  void DeepSpaceCalc(TDeepSpaceEntry entry, TDeepSpaceArgs& args);
  void DeepSpaceInit(TDeepSpaceArgs& args);
  void DeepSpaceSecular(TDeepSpaceArgs& args);
  void DeepSpacePeriodic(TDeepSpaceArgs& args);
  // Long-period and short-period terms, Kepler's equation and the orientation vectors, shared by both
  // models once they have the secularly (and, in deep space, periodically) updated elements.
  void FinishPropagation(double a, double e, double omega, double xl, double xnode, double xinc,
                         Vector4& position, Vector4& velocity);

  std::string name_;
  TElementSet elements_;
  bool deepSpace_ = false;
  bool needsInit_ = false;
  bool hasElements_ = false;
  double argumentOfLatitude_ = 0.0;
  TSgp4State sgp4_;
  TSdp4StateBox sdp4_;
  std::shared_ptr<const TSetChooser> chooser_;  // null with one set
  std::size_t setInUse_ = 0;                    // the chooser's set that elements_ holds
};

}  // namespace nimbrel::orbit
