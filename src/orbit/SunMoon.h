#pragma once
// Low-precision geocentric positions of the Sun and the Moon, in km, in the same inertial frame as the
// satellites (true equator, mean equinox of date), so the ground geometry takes them as it takes a
// satellite.

#include <optional>

#include "OrbitMath.h"
#include "OrbitTime.h"
#include "Satellite.h"

namespace nimbrel::orbit {

// The Sun at a Julian date (UTC): Newcomb's mean elements with the equation of centre, corrected for
// nutation and aberration. Good to about 0.01 degree and 1e-5 AU over the last and next centuries.
// A non-finite date gives a non-finite vector.
Vector4 SolarPosition(double jd) noexcept;

// Days since 2000 January 0.0 UT: 1.0 at 2000-01-01 00:00, 0.5 at 1999-12-31 12:00. Throws
// std::out_of_range where DecodeDateTime does (a non-finite value, a year outside 1 to 9999).
double DayNumber2000(TDateTime dt);

// The eccentric anomaly (rad) for a mean anomaly (rad) and an eccentricity: a second-order start, then
// Newton steps to 0.001 degree when the eccentricity is above 0.05. Nothing for non-finite input or
// when the steps do not settle.
std::optional<double> EccentricAnomaly(double meanAnomaly, double eccentricity) noexcept;

struct TMoonPosition {
  Vector4 position;        // km, magnitude = distance
  GeodeticPoint subLunar;  // the geodetic point with the Moon overhead
};

// The Moon at a date-time (UTC): its mean orbit with the twelve largest perturbations in longitude,
// five in latitude and two in distance; good to a few arc minutes. Nothing for a date-time outside
// the calendar's years 1 to 9999.
std::optional<TMoonPosition> MoonPosition(TDateTime dt) noexcept;

}  // namespace nimbrel::orbit
