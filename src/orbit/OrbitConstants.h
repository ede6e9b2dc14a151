#pragma once
// Constants shared by the time functions, SGP4/SDP4 and the geometry.
// Distances in the models are Earth radii, times minutes, unless a name says otherwise.

#include <cmath>

namespace nimbrel::orbit {

// pi and 2 pi are held in extended precision where the platform has it, so that
// Radians/Degrees and Fmod2p round only once.
inline constexpr long double kPi = 3.1415926535897932385L;
inline constexpr long double kTwoPi = 6.283185307179586477L;
inline constexpr double kPiOver2 = 1.5707963267948966;
inline constexpr double kThreePiOver2 = 4.71238898038469;

inline constexpr double kMinutesPerDay = 1440.0;
inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kJ2000 = 2451545.0;        // 2000 January 1.5
inline constexpr double kJulianCentury = 36525.0;  // days
inline constexpr double kJulianDate1950Jan0 = 2433281.5;
inline constexpr int kEpochYearPivot = 57;  // two-digit years 57..99 are 19xx

// WGS-72, the Earth model the element sets are fitted with.
inline constexpr double kXkmper = 6378.135;  // km per Earth radius
inline constexpr double kAe = 1.0;
inline constexpr double kGm = 398600.8;  // km^3/s^2
inline constexpr double kFlattening = 1.0 / 298.26;

// This program's J2 is 1.0826158e-3, so CK2 differs from the report's 5.413080e-4 in the last digit.
inline constexpr double kCk2 = 5.413079e-4;
inline constexpr double kCk4 = 6.2098875e-7;
inline constexpr double kXj3 = -2.53881e-6;
inline constexpr double kA3ovk2 = 0.004690140306468832;  // -XJ3 / CK2
inline constexpr double kS = 1.0122292801892716;         // 1 + 78 / XKMPER
inline constexpr double kE6a = 1.0e-6;
inline constexpr double kTothrd = 2.0 / 3.0;
// Drag takes a circular orbit's eccentricity slightly below 0; below this it describes no orbit.
inline constexpr double kLeastEccentricity = -0.001;
inline constexpr double kRetrogradeFloor = 1.5e-12;                       // least 1 + cos i divided by
inline constexpr double kSimplifiedPerigeeLimit = 1.0344928415594840811;  // 1 + 220 / XKMPER

// sqrt(GM) in Earth radii^1.5 per minute, and ((120 - 78) / XKMPER)^4; computed once, at start-up.
inline const double Xke = std::sqrt(3600.0 * kGm / (kXkmper * kXkmper * kXkmper));
inline const double Qoms2t = std::pow((120.0 - 78.0) / kXkmper, 4.0);

// No propagation further than this from the epoch: element sets mean nothing a century away, and
// the deep-space integrator's step count is bounded by it.
inline constexpr double kMaxMinutesFromEpoch = 100.0 * 365.25 * kMinutesPerDay;

}  // namespace nimbrel::orbit
