#pragma once
// The path of one pass across the observer's sky, for planning the rotator and for drawing it.

#include <vector>

#include "orbit/Passes.h"
#include "orbit/Satellite.h"
#include "station/RotatorLimits.h"

namespace nimbrel::station {

struct TPathPoint {
  double jd = 0.0;
  TSkyPoint sky;  // refracted elevation, as Observe reports it
};

// The pass from AOS to LOS in time order, sampled so that neighbouring points differ by at most a few
// degrees even where the azimuth sweeps fast (near the zenith). Points the satellite cannot be
// propagated to are left out. `satellite` is propagated: pass a copy on another thread.
std::vector<TPathPoint> PassPath(orbit::TSatellite& satellite, const orbit::GeodeticPoint& observer,
                                 const orbit::TPass& pass);

// The directions alone, for ChoosePassMapping.
std::vector<TSkyPoint> SkyPoints(const std::vector<TPathPoint>& path);

}  // namespace nimbrel::station
