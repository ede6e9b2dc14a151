#include <cmath>

#include "Geometry.h"
#include "OrbitConstants.h"
#include "Satellite.h"

namespace nimbrel::orbit {

bool TSatellite::Observe(GeodeticPoint observer, double jd, double minElevationDeg, TObservation& result) {
  const double minimum = minElevationDeg * 2.0 * static_cast<double>(kPi) / 360.0;
  Vector4 position;
  Vector4 velocity;
  Propagate(jd, position, velocity);
  ConvertSatState(position, velocity);
  const std::optional<GeodeticPoint> sub = CalculateLatLonAlt(position, jd);
  const std::optional<TObsResult> obs = CalculateObs(position, velocity, observer, jd);
  if (!sub || !obs) {
    const bool finitePlace = std::isfinite(observer.latitude) && std::isfinite(observer.longitude) &&
                             std::isfinite(observer.altitude);
    throw EOrbitError("TSatellite::Observe: '" + name_ + "' (" + elements_.catalogueNumber + "): " +
                      (finitePlace ? "the look angles from this observer are not finite numbers"
                                   : "the observer is not a finite place"));
  }
  TObservation o;
  o.azimuth = obs->look.azimuth;
  o.elevation = obs->look.elevation;
  o.range = obs->look.range;
  o.rangeRate = obs->look.rangeRate;
  o.subLatitude = sub->latitude;
  o.subLongitude = sub->longitude;
  o.descending = velocity.z < 0.0;
  result = o;
  return o.elevation > minimum;
}

}  // namespace nimbrel::orbit
