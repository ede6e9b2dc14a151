#include "Passes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <optional>
#include <thread>
#include <utility>

#include "Geometry.h"
#include "OrbitConstants.h"
#include "OrbitErrors.h"
#include "SunMoon.h"

namespace nimbrel::orbit {

namespace {

constexpr double kPiD = static_cast<double>(kPi);
constexpr double kDegree = kPiD / 180.0;

// A pass starts where the refracted elevation reaches 0, which is a geometric elevation of -0.574
// degrees; and the geodetic horizon that Observe uses leans up to 0.193 degrees against the geocentric
// one the coarse search reasons with. One degree below the geocentric horizon covers both.
constexpr double kHorizonMargin = 1.0 * kDegree;

// How far the satellite may move round the Earth, relative to the observer, between two samples taken
// while it may be up. The elevation seen by the observer has its maxima and minima on opposite sides
// of the Earth, so samples this close never straddle two of them: every maximum shows as a rising
// sample followed by a falling one, however briefly it pokes above the horizon.
constexpr double kDenseArc = 10.0 * kDegree;
// No sample spacing below this, whatever the orbit claims.
constexpr double kMinStepSeconds = 1.0;

// AOS and LOS are refined to 1 ms (the promise is 0.1 s); the time of greatest elevation, where the
// elevation hardly changes, to 50 ms.
constexpr double kCrossingTolerance = 1.0e-3;
constexpr double kExtremumTolerance = 0.05;
constexpr int kMaxRefineSteps = 100;

// Civil twilight: the Sun's centre 6 degrees below the horizon (the Explanatory Supplement to the
// Astronomical Almanac's definition). From then on a sunlit satellite stands out against the sky.
constexpr double kTwilightElevation = -6.0 * kDegree;
// Where sunlight and darkness change within a pass: found to 50 ms, from samples 1/100 of the period
// apart, but no closer than 10 s and no further than 5 minutes. A low orbit spends far longer than
// that in the shadow or out of it; only geostationary eclipses in the last days of an eclipse season
// can be shorter than a step, and so be missed.
constexpr double kVisualTolerance = 0.05;
constexpr double kMinVisualStep = 10.0;
constexpr double kMaxVisualStep = 300.0;

// The Sun's radius, km, as the shadow model's source has it (the IAU's nominal value is 695,700 km).
constexpr double kSunRadius = 696000.0;

constexpr double kSecondsPerDayD = kSecondsPerDay;

// One look at the satellite: what Observe reports, plus what the search steers by.
struct TSample {
  double t = 0.0;          // seconds since the window's start
  double elevation = 0.0;  // rad, exactly as Observe reports it
  double level = 0.0;      // the refracted elevation, also below the horizon: same sign, continuous at 0
  double rate = 0.0;       // rate of the geometric elevation, rad/s
  double azimuth = 0.0;    // rad
  double psi = 0.0;        // angle at the Earth's centre between the satellite and the observer, rad
  bool Up() const noexcept { return elevation >= 0.0; }
};

Vector4 Cross(const Vector4& a, const Vector4& b) noexcept {
  Vector4 c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  Magnitude(c);
  return c;
}

// The widest angle at the Earth's centre between an observer at `rho` km from it and a satellite at
// `r` km that still puts the satellite above a horizon lowered by kHorizonMargin (law of sines in the
// triangle centre, observer, satellite). Pi when the satellite could be below the observer's feet.
double VisibleCone(double rho, double r) noexcept {
  const double s = rho * std::cos(kHorizonMargin) / r;
  if (!(s < 1.0)) return kPiD;
  return kPiOver2 + kHorizonMargin - std::asin(s);
}

// Upper bounds, with margins for the perturbations the mean elements leave out, on how far the
// satellite gets from the Earth's centre and how fast it moves round it.
struct TOrbitBounds {
  double rMax = 0.0;            // km
  double angularRate = 0.0;     // rad/s, at perigee
  double inclinationEff = 0.0;  // rad: the highest latitude the ground track reaches
};

TOrbitBounds BoundsOf(const TSatellite& satellite, const TPassSearch& search) noexcept {
  const double n = satellite.MeanMotion();  // rad/min
  const double a = std::pow(Xke / n, 2.0 / 3.0) * kXkmper;
  // Deep-space orbits change their eccentricity and inclination under the Moon's and Sun's pull; the
  // inclination of a geostationary orbit drifts by up to a degree a year.
  const bool deep = satellite.DeepSpace();
  const double e = std::min(satellite.Eccentricity() + (deep ? 0.05 : 0.01), 0.99);
  TOrbitBounds b;
  b.rMax = a * (1.0 + e) * 1.01 + 20.0;
  b.angularRate = n / 60.0 * std::sqrt(1.0 + e) / std::pow(1.0 - e, 1.5) * 1.05;
  const double i = satellite.Inclination();
  double margin = 0.5 * kDegree;
  if (deep) {
    const double years = std::max(std::fabs(search.startJD - satellite.EpochJD()),
                                  std::fabs(search.endJD - satellite.EpochJD())) /
                         365.25;
    margin += years * kDegree;
  }
  b.inclinationEff = std::min(i, kPiD - i) + margin;
  return b;
}

// The observer's position (km) and velocity (km/s) in the inertial frame at a Julian date, and the
// place with its local sidereal angle.
struct TObserverFrame {
  Vector4 position;
  Vector4 velocity;
  GeodeticPoint place;  // theta set
};

TObserverFrame ObserverAt(const GeodeticPoint& observer, double jd) noexcept {
  TObserverFrame f;
  f.place = observer;
  CalculateUserPosVel(f.place, jd, f.position, f.velocity);
  return f;
}

// The Sun's elevation from an observer, given the Sun's position at that date.
double SunElevationFrom(const GeodeticPoint& observer, const Vector4& sun, double jd) noexcept {
  GeodeticPoint place = observer;
  const Vector4 still;
  const std::optional<TObsResult> look = CalculateObs(sun, still, place, jd);
  return look ? look->look.elevation : std::nan("");
}

std::string Describe(const TSatellite& satellite) {
  return "'" + satellite.Name() + "' (" + satellite.CatalogueNumber() + ")";
}

class TPassFinder {
 public:
  TPassFinder(TSatellite& satellite, const TPassSearch& search, std::stop_token stop)
      : satellite_(satellite), search_(search), stop_(std::move(stop)) {}

  // Never throws EOrbitError: a satellite that cannot be propagated ends the search as psFailed.
  TPassList Run();

 private:
  void Search();
  double JulianDate(double t) const noexcept { return search_.startJD + t / kSecondsPerDayD; }
  TSample Sample(double t);
  // The next sample time's distance and whether the satellite may be up in between.
  double Step(const TSample& s, bool& dense) const noexcept;
  void Interval(const TSample& a, const TSample& b, bool dense);
  void Piece(const TSample& a, const TSample& b);
  // Narrows [lo, hi], whose ends lie on different sides of `side`, down to `tolerance` seconds.
  template <class TSide, class TValue>
  std::pair<TSample, TSample> Refine(TSample lo, TSample hi, double tolerance, TSide side, TValue value);
  void Open(const TSample& s, bool inProgress);
  void Consider(const TSample& s) noexcept;
  void Close(const TSample& s, bool cut);
  void FindVisualParts(TPass& pass);
  bool VisualAt(double t);
  void WidenBounds(double r, double angularRate) noexcept;

  TSatellite& satellite_;
  const TPassSearch& search_;
  std::stop_token stop_;
  TPassList result_;
  TOrbitBounds bounds_;
  double rho_ = 0.0;           // the observer's distance from the Earth's centre, km
  double cone_ = 0.0;          // VisibleCone for the farthest the satellite gets
  double omega_ = 0.0;         // bound on the rate of change of psi, rad/s
  double denseStep_ = 0.0;     // seconds
  double windowLength_ = 0.0;  // seconds
  bool open_ = false;
  double reachedJD_ = 0.0;  // the last time propagated or about to be
  TPass pass_;
  TSample best_;
};

TSample TPassFinder::Sample(double t) {
  const double jd = JulianDate(t);
  Vector4 p;
  Vector4 v;
  reachedJD_ = jd;
  satellite_.Propagate(jd, p, v);
  ConvertSatState(p, v);
  GeodeticPoint place = search_.observer;
  // The same chain of calls as Observe, without the ground point the search has no use for.
  const std::optional<TObsResult> obs = CalculateObs(p, v, place, jd);
  if (!obs) {
    throw EOrbitError("FindPasses: " + Describe(satellite_) +
                      ": no finite look angles from this observer at this time");
  }
  const TObserverFrame f = ObserverAt(search_.observer, jd);
  TSample s;
  s.t = t;
  s.elevation = obs->look.elevation;
  s.level = s.Up() ? s.elevation : s.elevation + RefractionCorrection(s.elevation);
  s.azimuth = obs->look.azimuth;

  // d/dt of the geometric elevation h, from sin h = (rho . up) / |rho|, with the up direction turning
  // with the Earth.
  const Vector4 rho{p.x - f.position.x, p.y - f.position.y, p.z - f.position.z};
  const Vector4 rhoDot{v.x - f.velocity.x, v.y - f.velocity.y, v.z - f.velocity.z};
  const double cosLat = std::cos(f.place.latitude);
  const Vector4 up{cosLat * std::cos(f.place.theta), cosLat * std::sin(f.place.theta),
                   std::sin(f.place.latitude)};
  const Vector4 upDot{-kEarthRotationRate * up.y, kEarthRotationRate * up.x, 0.0};
  const double range = std::sqrt(Dot(rho, rho));
  const double z = Dot(rho, up);
  const double zDot = Dot(rhoDot, up) + Dot(rho, upDot);
  const double rangeDot = Dot(rho, rhoDot) / range;
  const double sinH = std::clamp(z / range, -1.0, 1.0);
  const double cosH = std::max(std::sqrt(1.0 - sinH * sinH), 1.0e-9);
  s.rate = (zDot * range - z * rangeDot) / (range * range * cosH);

  const Vector4 across = Cross(p, f.position);
  s.psi = std::atan2(across.magnitude, Dot(p, f.position));
  WidenBounds(p.magnitude, Cross(p, v).magnitude / (p.magnitude * p.magnitude));
  if (!std::isfinite(s.rate) || !std::isfinite(s.psi) || !std::isfinite(s.level)) {
    throw EOrbitError("FindPasses: " + Describe(satellite_) + ": the geometry is not finite at this time");
  }
  return s;
}

// Should the satellite ever go further out or faster than the elements promise (a propagation far
// from its epoch), the bounds grow so the rest of the search stays safe.
void TPassFinder::WidenBounds(double r, double angularRate) noexcept {
  bool changed = false;
  if (r > bounds_.rMax) {
    bounds_.rMax = r * 1.01;
    changed = true;
  }
  if (angularRate > bounds_.angularRate) {
    bounds_.angularRate = angularRate * 1.05;
    changed = true;
  }
  if (changed || omega_ == 0.0) {
    cone_ = VisibleCone(rho_, bounds_.rMax);
    // The satellite's direction turns at most at its angular rate, the observer's at the Earth's.
    omega_ = bounds_.angularRate + kEarthRotationRate;
    denseStep_ = std::max(kDenseArc / omega_, kMinStepSeconds);
  }
}

double TPassFinder::Step(const TSample& s, bool& dense) const noexcept {
  // While the satellite is further round the Earth than the cone in which it could be up, it needs at
  // least (psi - cone) / omega to get there: nothing can be missed in between.
  const double gap = s.psi - cone_;
  if (gap <= omega_ * denseStep_) {
    dense = true;
    return denseStep_;
  }
  dense = false;
  return gap / omega_;
}

template <class TSide, class TValue>
std::pair<TSample, TSample> TPassFinder::Refine(TSample lo, TSample hi, double tolerance, TSide side,
                                                TValue value) {
  // Regula falsi with the Illinois modification, and a plain halving every fourth step so that the
  // bracket shrinks whatever the function does.
  double fLo = value(lo);
  double fHi = value(hi);
  int retained = 0;  // +1: hi was kept by the last step, -1: lo was
  for (int i = 0; i < kMaxRefineSteps && hi.t - lo.t > tolerance; ++i) {
    double t = 0.5 * (lo.t + hi.t);
    if (i % 4 != 3 && fLo != fHi) {
      const double guess = lo.t + (hi.t - lo.t) * fLo / (fLo - fHi);
      if (std::isfinite(guess)) t = guess;
    }
    const double edge = 0.25 * tolerance;
    t = std::clamp(t, lo.t + edge, hi.t - edge);
    const TSample m = Sample(t);
    const double fM = value(m);
    if (side(m) == side(lo)) {
      lo = m;
      fLo = fM;
      if (retained == 1) fHi *= 0.5;
      retained = 1;
    } else {
      hi = m;
      fHi = fM;
      if (retained == -1) fLo *= 0.5;
      retained = -1;
    }
  }
  return {lo, hi};
}

void TPassFinder::Open(const TSample& s, bool inProgress) {
  open_ = true;
  pass_ = TPass{};
  pass_.aosJD = JulianDate(s.t);
  pass_.aosAzimuth = s.azimuth;
  pass_.inProgress = inProgress;
  best_ = s;
}

void TPassFinder::Consider(const TSample& s) noexcept {
  if (open_ && s.elevation > best_.elevation) best_ = s;
}

void TPassFinder::Close(const TSample& s, bool cut) {
  Consider(s);
  pass_.losJD = JulianDate(s.t);
  pass_.losAzimuth = s.azimuth;
  pass_.tcaJD = JulianDate(best_.t);
  pass_.maxElevation = best_.elevation;
  pass_.tcaAzimuth = best_.azimuth;
  pass_.cut = cut;
  pass_.alwaysUp = pass_.inProgress && cut;
  open_ = false;
  FindVisualParts(pass_);
  result_.passes.push_back(std::move(pass_));
}

// [a, b] with the elevation monotonic (or below the horizon throughout but perhaps at b): at most one
// crossing of the horizon.
void TPassFinder::Piece(const TSample& a, const TSample& b) {
  if (a.Up() == b.Up()) {
    if (b.Up()) Consider(b);
    return;
  }
  const auto up = [](const TSample& s) { return s.Up(); };
  const auto level = [](const TSample& s) { return s.level; };
  const auto [lo, hi] = Refine(a, b, kCrossingTolerance, up, level);
  if (b.Up()) {
    Open(hi, false);  // the first moment up
    Consider(b);
  } else {
    Close(lo, false);  // the last moment up
  }
}

void TPassFinder::Interval(const TSample& a, const TSample& b, bool dense) {
  // Between samples of a dense stretch the elevation has at most one turning point, shown by the signs
  // of its rate at the ends. A maximum always matters (it may reach above the horizon, or be the
  // pass's greatest elevation); a minimum only when it may dip below the horizon inside a pass.
  const bool maximum = a.rate > 0.0 && b.rate < 0.0;
  const bool minimum = a.rate < 0.0 && b.rate > 0.0 && a.Up() && b.Up();
  if (!dense || !(maximum || minimum)) {
    Piece(a, b);
    return;
  }
  const auto rising = [](const TSample& s) { return s.rate > 0.0; };
  const auto rate = [](const TSample& s) { return s.rate; };
  const auto [lo, hi] = Refine(a, b, kExtremumTolerance, rising, rate);
  const TSample& turn = (lo.elevation > hi.elevation) == maximum ? lo : hi;
  Piece(a, turn);
  Piece(turn, b);
}

TPassList TPassFinder::Run() {
  try {
    Search();
  } catch (const EOrbitError& e) {
    // The passes already closed stay: they are complete. The one under way is lost.
    result_.status = TPassStatus::psFailed;
    result_.error = e.what();
    const auto* failure = dynamic_cast<const EPropagationError*>(&e);
    result_.reason = failure ? failure->Reason() : std::string("no look angles from this observer");
    result_.failedJD = reachedJD_;
  }
  return std::move(result_);
}

void TPassFinder::Search() {
  windowLength_ = (search_.endJD - search_.startJD) * kSecondsPerDayD;
  if (!std::isfinite(windowLength_) || !std::isfinite(search_.startJD)) {
    throw EOrbitError("FindPasses: " + Describe(satellite_) + ": the search window is not finite");
  }
  if (windowLength_ < 0.0) return;
  if (CanNeverRise(satellite_, search_)) {
    result_.neverRises = true;
    return;
  }
  bounds_ = BoundsOf(satellite_, search_);
  rho_ = ObserverAt(search_.observer, search_.startJD).position.magnitude;

  TSample a = Sample(0.0);
  if (a.Up()) Open(a, true);
  while (a.t < windowLength_) {
    if (stop_.stop_requested()) {
      result_.status = TPassStatus::psCancelled;
      return;
    }
    bool dense = false;
    const double step = Step(a, dense);
    const TSample b = Sample(std::min(a.t + step, windowLength_));
    Interval(a, b, dense);
    a = b;
  }
  if (open_) Close(a, true);
}

bool TPassFinder::VisualAt(double t) {
  const double jd = JulianDate(t);
  const Vector4 sun = SolarPosition(jd);
  // NaN (an unusable observer) is not dark enough either.
  if (!(SunElevationFrom(search_.observer, sun, jd) <= kTwilightElevation)) return false;
  Vector4 p;
  Vector4 v;
  reachedJD_ = jd;
  satellite_.Propagate(jd, p, v);
  ConvertSatState(p, v);
  return IsSunlit(p, sun);
}

void TPassFinder::FindVisualParts(TPass& pass) {
  const double from = (pass.aosJD - search_.startJD) * kSecondsPerDayD;
  const double to = (pass.losJD - search_.startJD) * kSecondsPerDayD;
  const double wanted =
      std::clamp(satellite_.PeriodDays() * kSecondsPerDayD / 100.0, kMinVisualStep, kMaxVisualStep);
  const int steps = std::max(1, static_cast<int>(std::ceil((to - from) / wanted)));
  const auto at = [&](int i) { return i == steps ? to : from + (to - from) * i / steps; };

  double previous = from;
  bool previousVisual = VisualAt(from);
  double spanStart = from;  // of the visual span under way, while previousVisual
  for (int i = 1; i <= steps; ++i) {
    const double t = at(i);
    const bool visual = VisualAt(t);
    if (visual != previousVisual) {
      // Halve down to the tolerance: the two conditions switch at most once each in a step.
      double lo = previous;
      double hi = t;
      for (int k = 0; k < kMaxRefineSteps && hi - lo > kVisualTolerance; ++k) {
        const double mid = 0.5 * (lo + hi);
        (VisualAt(mid) == previousVisual ? lo : hi) = mid;
      }
      if (visual) {
        spanStart = hi;
      } else {
        pass.visualParts.push_back({JulianDate(spanStart), JulianDate(lo)});
      }
    }
    previous = t;
    previousVisual = visual;
  }
  if (previousVisual) pass.visualParts.push_back({JulianDate(spanStart), pass.losJD});
}

TPassList Search(TSatellite& satellite, const TPassSearch& search, std::stop_token stop) {
  return TPassFinder(satellite, search, std::move(stop)).Run();
}

}  // namespace

double TPass::DurationSeconds() const noexcept {
  return (losJD - aosJD) * kSecondsPerDay;
}

bool CanNeverRise(const TSatellite& satellite, const TPassSearch& search) noexcept {
  if (!satellite.HasElements()) return false;
  const TOrbitBounds b = BoundsOf(satellite, search);
  const Vector4 o = ObserverAt(search.observer, search.startJD).position;
  const double latitude = std::atan2(o.z, std::hypot(o.x, o.y));  // geocentric
  // The orbit's plane always passes through the Earth's centre, so its points come no nearer to an
  // observer beyond the highest latitude it reaches than that latitude difference.
  return std::fabs(latitude) - b.inclinationEff > VisibleCone(o.magnitude, b.rMax);
}

bool IsSunlit(const Vector4& satellite, const Vector4& sun) noexcept {
  // The Earth's shadow as a cone: the conical umbra of a spherical Earth lit by a spherical Sun, the
  // penumbra counted as sunlit (the geometry of the SHADOW algorithm in Vallado, Fundamentals of
  // Astrodynamics and Applications). A cylinder would put satellites far beyond the Moon in shadow.
  const double sunDistance = std::sqrt(Dot(sun, sun));
  const double behind = -Dot(satellite, sun) / sunDistance;  // along the shadow's axis, km
  if (!(behind > 0.0)) return true;
  const double across = std::sqrt(std::max(Dot(satellite, satellite) - behind * behind, 0.0));
  // The umbra narrows from the Earth's radius to nothing at its apex, about 1.4 million km behind.
  const double sinHalfAngle = (kSunRadius - kXkmper) / sunDistance;
  const double apex = kXkmper / sinHalfAngle;
  const double radius = (apex - behind) * std::tan(std::asin(sinHalfAngle));
  return !(across < radius);
}

double SunElevation(const GeodeticPoint& observer, double jd) noexcept {
  return SunElevationFrom(observer, SolarPosition(jd), jd);
}

TPassList FindPasses(TSatellite satellite, const TPassSearch& search, std::stop_token stop) {
  return Search(satellite, search, std::move(stop));
}

std::vector<TPassList> FindPassesForAll(std::vector<TSatellite> satellites, const TPassSearch& search,
                                        unsigned threads, std::stop_token stop) {
  std::vector<TPassList> results(satellites.size());
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, satellites.size()));
  std::atomic<std::size_t> next{0};
  // Each satellite is taken by exactly one thread, which propagates it in place: the vector is this
  // search's own copy.
  const auto work = [&]() noexcept {
    for (;;) {
      const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
      if (i >= satellites.size()) return;
      TPassList& r = results[i];
      if (stop.stop_requested()) {
        r.status = TPassStatus::psCancelled;
        continue;
      }
      // Nothing may leave a thread's function; what is left here is running out of memory.
      try {
        r = Search(satellites[i], search, stop);
      } catch (...) {
        r.passes.clear();
        r.passes.shrink_to_fit();
        r.status = TPassStatus::psFailed;
        try {
          r.error = "FindPasses: " + Describe(satellites[i]) + ": out of memory";
        } catch (...) {
        }
      }
    }
  };
  std::vector<std::thread> pool;
  try {
    pool.reserve(threads > 0 ? threads - 1 : 0);
    for (unsigned k = 1; k < threads; ++k) pool.emplace_back(work);
  } catch (const std::exception&) {
    // Fewer threads than asked for (the system refused more): those running share the work.
  }
  work();
  for (std::thread& t : pool) t.join();
  return results;
}

}  // namespace nimbrel::orbit
