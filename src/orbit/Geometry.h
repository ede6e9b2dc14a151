#pragma once
// From the propagators' inertial state to the Earth: kilometres, sub-satellite points, look angles.

#include "OrbitMath.h"

namespace nimbrel::orbit {

// Earth radii and Earth radii per minute to km and km/s; sets both magnitudes.
void ConvertSatState(Vector4& position, Vector4& velocity) noexcept;

}  // namespace nimbrel::orbit
