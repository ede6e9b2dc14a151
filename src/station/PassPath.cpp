#include "station/PassPath.h"

#include <cmath>
#include <optional>

#include "orbit/OrbitErrors.h"
#include "orbit/OrbitMath.h"

namespace nimbrel::station {

namespace {

// Even samples first; a long pass of a distant satellite gets no more than this.
constexpr int kEvenSamples = 120;
// Between neighbours that differ by more than this, a point is put in the middle...
constexpr double kMaxStepDeg = 3.0;
// ...down to this spacing; right over the zenith the azimuth jumps and no spacing would do.
constexpr double kMinStepDays = 0.05 / 86400.0;

std::optional<TPathPoint> Look(orbit::TSatellite& satellite, const orbit::GeodeticPoint& observer,
                               double jd) {
  try {
    orbit::TObservation o;
    satellite.Observe(observer, jd, 0.0, o);
    return TPathPoint{jd, {orbit::Degrees(o.azimuth), orbit::Degrees(o.elevation)}};
  } catch (const orbit::EOrbitError&) {
    return std::nullopt;
  }
}

double Step(const TSkyPoint& a, const TSkyPoint& b) noexcept {
  double az = std::abs(a.azimuthDeg - b.azimuthDeg);
  if (az > 180.0) az = 360.0 - az;
  return std::max(az, std::abs(a.elevationDeg - b.elevationDeg));
}

void Refine(orbit::TSatellite& satellite, const orbit::GeodeticPoint& observer, const TPathPoint& a,
            const TPathPoint& b, std::vector<TPathPoint>& out) {
  if (Step(a.sky, b.sky) > kMaxStepDeg && b.jd - a.jd > kMinStepDays) {
    if (const auto middle = Look(satellite, observer, (a.jd + b.jd) / 2.0)) {
      Refine(satellite, observer, a, *middle, out);
      out.push_back(*middle);
      Refine(satellite, observer, *middle, b, out);
    }
  }
}

}  // namespace

std::vector<TPathPoint> PassPath(orbit::TSatellite& satellite, const orbit::GeodeticPoint& observer,
                                 const orbit::TPass& pass) {
  std::vector<TPathPoint> even;
  const double span = pass.losJD - pass.aosJD;
  if (!(span >= 0.0) || !std::isfinite(span)) return even;
  for (int i = 0; i <= kEvenSamples; ++i) {
    if (const auto p = Look(satellite, observer, pass.aosJD + span * i / kEvenSamples)) even.push_back(*p);
  }
  std::vector<TPathPoint> path;
  path.reserve(even.size() * 2);
  for (std::size_t i = 0; i < even.size(); ++i) {
    if (i > 0) Refine(satellite, observer, even[i - 1], even[i], path);
    path.push_back(even[i]);
  }
  return path;
}

std::vector<TSkyPoint> SkyPoints(const std::vector<TPathPoint>& path) {
  std::vector<TSkyPoint> out;
  out.reserve(path.size());
  for (const TPathPoint& p : path) out.push_back(p.sky);
  return out;
}

}  // namespace nimbrel::station
