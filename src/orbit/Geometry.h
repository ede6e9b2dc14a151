#pragma once
// From the propagators' inertial state to the Earth: kilometres, sub-satellite points, look angles.
// The Earth is the WGS-72 ellipsoid (equatorial radius 6378.135 km, flattening 1/298.26).

#include <optional>

#include "OrbitMath.h"
#include "Satellite.h"

namespace nimbrel::orbit {

// 1 - f and e^2 = f (2 - f) of the WGS-72 ellipsoid.
inline constexpr double kOneMinusFlattening = 0.9966472205458324951;
inline constexpr double kEccentricitySquared = 0.006694317778266722;
// The Earth's rotation, rad/s: 1.00273790934 turns per day.
inline constexpr double kEarthRotationRate = 7.29211585522808e-5;

// Earth radii and Earth radii per minute to km and km/s; sets both magnitudes.
void ConvertSatState(Vector4& position, Vector4& velocity) noexcept;

// The geodetic point below an inertial position (km) at a Julian date: latitude, east longitude in
// [0, 2 pi), height above the ellipsoid (km), and theta, the position's right ascension in
// (-pi/2, 3pi/2]. Nothing when the position or the date is not finite.
std::optional<GeodeticPoint> CalculateLatLonAlt(const Vector4& position, double jd) noexcept;

// The sine and cosine of a geodetic point's latitude, which the height above the ellipsoid needs
// anyway: a caller placing the point on a globe need not compute them again.
struct TLatitudeTrig {
  double sinLat = 0.0;
  double cosLat = 1.0;
};
// The same with the Earth's sidereal angle already known (SiderealAngle of the date), for many
// positions at one moment: the latitude and height in closed form, some three times faster, agreeing
// with CalculateLatLonAlt to within 1e-11 rad and a millimetre (the iteration's own tolerance is
// 1e-10 rad). The longitude and theta are CalculateLatLonAlt's, bit for bit.
std::optional<GeodeticPoint> CalculateLatLonAltTurned(const Vector4& position, double siderealAngle,
                                                      TLatitudeTrig* trig = nullptr) noexcept;
// CalculateLatLonAlt itself, with the sidereal angle known: the iteration of the latitude.
std::optional<GeodeticPoint> CalculateLatLonAltIterated(const Vector4& position, double siderealAngle,
                                                        TLatitudeTrig* trig = nullptr) noexcept;

// Inertial position (km) and velocity (km/s) of a place on the rotating Earth; stores the place's
// local sidereal angle in observer.theta.
void CalculateUserPosVel(GeodeticPoint& observer, double jd, Vector4& position, Vector4& velocity) noexcept;

struct TObsResult {
  LookAngles look;       // azimuth in [0, 2 pi) from north through east, elevation refracted when visible
  bool visible = false;  // the refracted elevation is at or above the horizon
};

// Look angles from an observer to a satellite (km, km/s). Stores the observer's local sidereal angle
// in observer.theta. Nothing when an input is not finite.
std::optional<TObsResult> CalculateObs(const Vector4& satPosition, const Vector4& satVelocity,
                                       GeodeticPoint& observer, double jd) noexcept;

// The refraction correction (rad) added to a true elevation (rad): the Saemundsson formula, used only
// from -1 degree up, where it is finite and can matter.
double RefractionCorrection(double elevation) noexcept;

}  // namespace nimbrel::orbit
