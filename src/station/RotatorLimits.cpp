#include "station/RotatorLimits.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace nimbrel::station {

namespace {

double Wrap360(double deg) noexcept {
  const double r = std::fmod(deg, 360.0);
  return r < 0 ? r + 360.0 : r;
}

TSkyPoint Flip(const TSkyPoint& p) noexcept {
  return {Wrap360(p.azimuthDeg + 180.0), 180.0 - p.elevationDeg};
}

// The path's azimuths made continuous: each differs from the one before by less than 180 degrees.
std::vector<double> Unwrap(std::span<const TSkyPoint> path, bool flipped) {
  std::vector<double> out;
  out.reserve(path.size());
  for (const TSkyPoint& p : path) {
    const double az = Wrap360(flipped ? p.azimuthDeg + 180.0 : p.azimuthDeg);
    if (out.empty()) {
      out.push_back(az);
      continue;
    }
    double step = az - Wrap360(out.back());
    if (step > 180.0) step -= 360.0;
    if (step < -180.0) step += 360.0;
    out.push_back(out.back() + step);
  }
  return out;
}

// The whole-turn shift that puts [low, high] between the stops; nothing when none does. Of several
// (a 0..450 rotator) the lowest, so that the same pass is always flown the same way.
std::optional<double> FittingShift(double low, double high, const TRotatorLimits& limits) {
  constexpr double kSlack = 1e-9;
  for (int turns = -2; turns <= 2; ++turns) {
    const double shift = 360.0 * turns;
    if (low + shift >= limits.minAzimuthDeg - kSlack && high + shift <= limits.maxAzimuthDeg + kSlack)
      return shift;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckLimits(const TRotatorLimits& limits) {
  const bool finite = std::isfinite(limits.minAzimuthDeg) && std::isfinite(limits.maxAzimuthDeg) &&
                      std::isfinite(limits.maxElevationDeg);
  if (!finite || limits.minAzimuthDeg < -360.0 || limits.maxAzimuthDeg > 720.0)
    return "the azimuth range must lie between -360 and 720 degrees";
  if (limits.maxAzimuthDeg - limits.minAzimuthDeg < 360.0 - 1e-9)
    return "the azimuth range must cover a whole turn (360 degrees or more)";
  if (limits.maxElevationDeg != 90.0 && limits.maxElevationDeg != 180.0)
    return "the highest elevation must be 90 or 180 degrees";
  return std::nullopt;
}

TPassMapping ChoosePassMapping(std::span<const TSkyPoint> path, const TRotatorLimits& limits) {
  TPassMapping fallback;
  for (const bool flipped : {false, true}) {
    if (flipped && limits.maxElevationDeg < 180.0) break;
    const std::vector<double> azimuths = Unwrap(path, flipped);
    if (azimuths.empty()) break;
    const auto [low, high] = std::minmax_element(azimuths.begin(), azimuths.end());
    if (const auto shift = FittingShift(*low, *high, limits)) {
      return {flipped, *low + *shift, *high + *shift, false};
    }
    if (!flipped) {
      // Nothing fits: fly it unflipped from where it starts, and let it meet the stop late.
      const double start = azimuths.front();
      const double shift = FittingShift(start, start, limits).value_or(0.0);
      fallback = {false, *low + shift, *high + shift, true};
    }
  }
  return fallback;
}

TSkyPoint MapToRotator(const TSkyPoint& sky, const TPassMapping& mapping, const TRotatorLimits& limits) {
  const TSkyPoint p = mapping.flipped ? Flip(sky) : TSkyPoint{Wrap360(sky.azimuthDeg), sky.elevationDeg};
  // Of the turns of the rotator's range that name this azimuth, the one nearest the planned stretch.
  const double middle = (mapping.lowAzimuthDeg + mapping.highAzimuthDeg) / 2.0;
  double best = p.azimuthDeg;
  double bestDistance = 1e300;
  for (int turns = -2; turns <= 2; ++turns) {
    const double az = p.azimuthDeg + 360.0 * turns;
    const double outside = std::max({0.0, mapping.lowAzimuthDeg - az, az - mapping.highAzimuthDeg});
    const double distance = outside * 1e3 + std::abs(az - middle);
    if (az >= limits.minAzimuthDeg && az <= limits.maxAzimuthDeg && distance < bestDistance) {
      best = az;
      bestDistance = distance;
    }
  }
  return {std::clamp(best, limits.minAzimuthDeg, limits.maxAzimuthDeg),
          std::clamp(p.elevationDeg, 0.0, limits.maxElevationDeg)};
}

double AngleDifference(const TSkyPoint& a, const TSkyPoint& b) noexcept {
  return std::max(std::abs(a.azimuthDeg - b.azimuthDeg), std::abs(a.elevationDeg - b.elevationDeg));
}

}  // namespace nimbrel::station
