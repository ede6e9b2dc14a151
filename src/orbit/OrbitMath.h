#pragma once
// Angle and vector helpers shared by the propagators, the geometry and the Sun position.

#include <cmath>
#include <cstdint>

namespace nimbrel::orbit {

struct Vector4 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double magnitude = 0.0;
};

int Sign(double x) noexcept;
inline double Cube(double x) noexcept {
  return x * x * x;
}

// exp(exponent * ln(base)); throws EMathError for base <= 0 (and for a NaN base).
double Power(double base, double exponent);

double Radians(double degrees) noexcept;
double Degrees(double radians) noexcept;
inline double Tan(double x) noexcept {
  return std::sin(x) / std::cos(x);
}
double ArcSinSafe(double x) noexcept;

// Whole part toward zero and the rest, as reals. Defined for every double (NaN stays NaN), unlike a
// conversion to an integer type.
inline double Int(double x) noexcept {
  return std::trunc(x);
}
inline double Frac(double x) noexcept {
  return x - std::trunc(x);
}

// Truncation toward zero to a 64-bit integer that saturates at the type's ends and gives 0 for NaN,
// for the few places that need an integer from an untrusted real.
std::int64_t TruncToInt64(double x) noexcept;

// value - Trunc(value / divisor) * divisor, moved into [0, divisor) for a positive divisor.
// The quotient is truncated as a real: identical to a 64-bit integer truncation wherever that is
// defined, and still defined (if meaningless) for NaN, infinities and huge quotients.
double Modulus(double value, double divisor) noexcept;
double Fmod2p(double x) noexcept;

// Angle of (x, y) from the sine part y and the cosine part x, in (-pi/2, 3pi/2].
double AcTan(double sinx, double cosx) noexcept;

void Magnitude(Vector4& v) noexcept;
inline double Dot(const Vector4& a, const Vector4& b) noexcept {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace nimbrel::orbit
