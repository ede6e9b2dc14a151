#include "TrackInterpolation.h"

#include <algorithm>
#include <cmath>

#include "orbit/Geometry.h"
#include "orbit/OrbitConstants.h"
#include "orbit/Satellite.h"

namespace nimbrel::app {

namespace {

constexpr double kSecondsPerDay = 86400;
constexpr double kShortestStretchSeconds = 10;
constexpr double kLongestStretchSeconds = 900;
// A cubic's error over a stretch h is at most h^4/384 times the track's fourth derivative. For an
// orbit that is about the turn rate to the fourth times the radius; eccentricity, the Earth's turn
// and the flattened globe add to it, which this margin covers (the tests measure the real errors).
constexpr double kDerivativeMargin = 2;
// The rate of change at an end is taken from places this far before and after it along the
// propagated velocity: long enough that the places' float rounding does not matter, short enough that
// the track's curvature does not.
constexpr double kRateStepSeconds = 10;

// The Earth's turn in a sidereal day, per second of time: enough to move a turn on by seconds.
constexpr double kEarthTurnRadPerSecond = 7.2921158553e-5;

// The turn `seconds` later, from one already worked out (a cheaper way than from the date).
TEarthTurn TurnedOn(const TEarthTurn& turn, double seconds) noexcept {
  const double delta = kEarthTurnRadPerSecond * seconds;
  const double c = std::cos(delta);
  const double s = std::sin(delta);
  return {turn.theta + delta, turn.cosTheta * c - turn.sinTheta * s, turn.sinTheta * c + turn.cosTheta * s};
}

orbit::Vector4 Along(const orbit::Vector4& r, const orbit::Vector4& v, double seconds) noexcept {
  orbit::Vector4 p{r.x + v.x * seconds, r.y + v.y * seconds, r.z + v.z * seconds, 0};
  orbit::Magnitude(p);
  return p;
}

}  // namespace

double TInterpolatedTrack::StretchDays(const orbit::TElementSet& elements) noexcept {
  const double meanMotion = elements.meanMotion / 60;  // rad/s
  const double e = std::clamp(elements.eccentricity, 0.0, 0.99);
  if (!(meanMotion > 0) || !std::isfinite(meanMotion)) return kShortestStretchSeconds / kSecondsPerDay;
  const double a = std::cbrt(orbit::kGm / (meanMotion * meanMotion));
  const double perigee = a * (1 - e);
  // The angular rate at perigee, where the track turns fastest.
  const double turnRate = meanMotion * std::sqrt(1 + e) / std::pow(1 - e, 1.5);
  const double fourth = kDerivativeMargin * std::pow(turnRate, 4) * perigee;
  double seconds = std::pow(384 * kMaxErrorKm / fourth, 0.25);
  if (!std::isfinite(seconds)) seconds = kShortestStretchSeconds;
  return std::clamp(seconds, kShortestStretchSeconds, kLongestStretchSeconds) / kSecondsPerDay;
}

std::optional<TInterpolatedTrack::TKnot> TInterpolatedTrack::Propagate(orbit::TSatellite& satellite,
                                                                       double jd, const TEarthTurn& turn) {
  ++propagations_;
  orbit::Vector4 r;
  orbit::Vector4 v;
  if (!satellite.TryPropagate(jd, r, v)) return std::nullopt;
  orbit::ConvertSatState(r, v);
  std::optional<TSceneLocation> here;
  std::optional<TSceneLocation> ahead;
  std::optional<TSceneLocation> behind;
  try {
    here = GeodeticToScene(r, turn);
    ahead = GeodeticToScene(Along(r, v, kRateStepSeconds), TurnedOn(turn, kRateStepSeconds));
    behind = GeodeticToScene(Along(r, v, -kRateStepSeconds), TurnedOn(turn, -kRateStepSeconds));
  } catch (...) {
    return std::nullopt;
  }
  if (!here || !ahead || !behind) return std::nullopt;
  TKnot knot;
  knot.jd = jd;
  const TScenePoint& p = here->point;
  knot.point[0] = p.x;
  knot.point[1] = p.y;
  knot.point[2] = p.z;
  const double scale = kSecondsPerDay / (2 * kRateStepSeconds);
  knot.rate[0] = (double(ahead->point.x) - behind->point.x) * scale;
  knot.rate[1] = (double(ahead->point.y) - behind->point.y) * scale;
  knot.rate[2] = (double(ahead->point.z) - behind->point.z) * scale;
  knot.motion = VelocityToScene(v, turn);
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(knot.point[i]) || !std::isfinite(knot.rate[i])) return std::nullopt;
  }
  return knot;
}

std::optional<TTrackPlace> TInterpolatedTrack::Restart(orbit::TSatellite& satellite, double jd,
                                                       const TEarthTurn& turn) {
  hi_.reset();
  lo_ = Propagate(satellite, jd, turn);
  if (!lo_) return std::nullopt;
  const TKnot& k = *lo_;
  return TTrackPlace{{float(k.point[0]), float(k.point[1]), float(k.point[2])}, k.motion};
}

std::optional<TTrackPlace> TInterpolatedTrack::PlaceAt(orbit::TSatellite& satellite, double jd,
                                                       const TEarthTurn& turn, double stretchDays) {
  if (!std::isfinite(jd) || !(stretchDays > 0)) return Restart(satellite, jd, turn);
  if (lo_ && jd == lo_->jd) {
    // The same instant again (a stopped clock): the exact place it already has.
    return TTrackPlace{{float(lo_->point[0]), float(lo_->point[1]), float(lo_->point[2])}, lo_->motion};
  }
  const bool inside = lo_ && hi_ && jd >= lo_->jd && jd <= hi_->jd;
  if (!inside) {
    // Moves the stretch on by one end when the clock has gone only a little beyond it.
    const TKnot* last = hi_ ? &*hi_ : (lo_ ? &*lo_ : nullptr);
    if (last && jd > last->jd && jd - last->jd <= stretchDays) {
      const double end = last->jd + stretchDays;
      std::optional<TKnot> next = Propagate(satellite, end, EarthTurnAt(end));
      if (!next) return Restart(satellite, jd, turn);
      lo_ = *last;
      hi_ = std::move(next);
    } else if (lo_ && jd < lo_->jd && lo_->jd - jd <= stretchDays) {
      const double start = lo_->jd - stretchDays;
      std::optional<TKnot> previous = Propagate(satellite, start, EarthTurnAt(start));
      if (!previous) return Restart(satellite, jd, turn);
      hi_ = lo_;
      lo_ = std::move(previous);
    } else {
      return Restart(satellite, jd, turn);
    }
  }
  // Cubic Hermite between the two ends, in the stretch's own parameter s from 0 to 1.
  const double h = hi_->jd - lo_->jd;
  const double s = (jd - lo_->jd) / h;
  const double s2 = s * s;
  const double s3 = s2 * s;
  const double h00 = 2 * s3 - 3 * s2 + 1;
  const double h10 = (s3 - 2 * s2 + s) * h;
  const double h01 = -2 * s3 + 3 * s2;
  const double h11 = (s3 - s2) * h;
  double p[3];
  for (int i = 0; i < 3; ++i) {
    p[i] = h00 * lo_->point[i] + h10 * lo_->rate[i] + h01 * hi_->point[i] + h11 * hi_->rate[i];
  }
  // The trail's direction only: a straight blend of the ends' velocities turns it smoothly enough.
  const TScenePoint& m0 = lo_->motion;
  const TScenePoint& m1 = hi_->motion;
  const auto blend = [s](float a, float b) { return static_cast<float>(a + (b - a) * s); };
  return TTrackPlace{{float(p[0]), float(p[1]), float(p[2])},
                     {blend(m0.x, m1.x), blend(m0.y, m1.y), blend(m0.z, m1.z)}};
}

}  // namespace nimbrel::app
