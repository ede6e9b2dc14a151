#pragma once
// The rotator's reach and how a pass is laid onto it.
//
// A rotator turns between two azimuth stops and cannot pass them; a pass whose azimuth crosses a stop
// would make it swing all the way round mid-pass and lose the satellite. So the way a pass is flown is
// chosen once, before AOS, from the pass's whole path: as it is, or "flipped" (azimuth + 180,
// elevation 180 - el) on a rotator whose elevation reaches 180 degrees, whichever keeps the path
// between the stops.

#include <optional>
#include <span>
#include <string>

namespace nimbrel::station {

struct TRotatorLimits {
  double minAzimuthDeg = 0.0;  // the stops: 0..360 by default; -180..180 and 0..450 are common too
  double maxAzimuthDeg = 360.0;
  double maxElevationDeg = 90.0;  // 90, or 180 for rotators that can point over the top
};

// Nothing when the limits are fine, else what is wrong with them, in plain words.
std::optional<std::string> CheckLimits(const TRotatorLimits& limits);

// A direction as the satellite is seen: azimuth from north through east, elevation, degrees.
struct TSkyPoint {
  double azimuthDeg = 0.0;
  double elevationDeg = 0.0;
};

// How one pass is flown: flipped or not, and the stretch of rotator azimuths its path covers.
struct TPassMapping {
  bool flipped = false;
  double lowAzimuthDeg = 0.0;  // in the rotator's own azimuths, within its stops when the path fits
  double highAzimuthDeg = 0.0;
  bool crossesStop = false;  // no way of flying the pass keeps it between the stops
};

// Chooses the mapping for a pass from its path (in time order, finely enough sampled that azimuth
// changes less than 180 degrees between neighbours). Unflipped whenever that fits.
TPassMapping ChoosePassMapping(std::span<const TSkyPoint> path, const TRotatorLimits& limits);

// Where the rotator must point for a direction of the pass: the mapping applied, the azimuth taken
// on the turn of the rotator's range the pass was planned on, both clamped to the limits.
TSkyPoint MapToRotator(const TSkyPoint& sky, const TPassMapping& mapping, const TRotatorLimits& limits);

// The largest difference of two directions in either axis, degrees (for the tolerance).
double AngleDifference(const TSkyPoint& a, const TSkyPoint& b) noexcept;

}  // namespace nimbrel::station
