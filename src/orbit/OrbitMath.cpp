#include "OrbitMath.h"

#include <limits>

#include "OrbitConstants.h"
#include "OrbitErrors.h"

namespace nimbrel::orbit {

EMathError::EMathError() : EOrbitError("Invalid argument in Function Power!") {}

int Sign(double x) noexcept {
  if (x > 0) return 1;
  if (x < 0) return -1;
  return 0;
}

double Power(double base, double exponent) {
  if (!(base > 0.0)) throw EMathError();
  return std::exp(exponent * std::log(base));
}

double Radians(double degrees) noexcept {
  return static_cast<double>(degrees * kPi / 180.0L);
}

double Degrees(double radians) noexcept {
  return static_cast<double>(radians * 180.0L / kPi);
}

double ArcSinSafe(double x) noexcept {
  if (std::fabs(x) >= 1.0) return Sign(x) * static_cast<double>(kPi / 2.0L);
  return std::atan(x / std::sqrt(1.0 - x * x));
}

std::int64_t TruncToInt64(double x) noexcept {
  if (std::isnan(x)) return 0;
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (x >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (x <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(x);
}

double Modulus(double value, double divisor) noexcept {
  const double r = value - std::trunc(value / divisor) * divisor;
  if (r >= 0.0) return r;
  // A tiny negative remainder plus the divisor can round to the divisor itself, outside the range.
  const double wrapped = r + divisor;
  return wrapped == divisor ? 0.0 : wrapped;
}

double Fmod2p(double x) noexcept {
  long double r = x - std::trunc(x / kTwoPi) * kTwoPi;
  if (r < 0.0L) r += kTwoPi;
  const double d = static_cast<double>(r);
  return d >= static_cast<double>(kTwoPi) ? 0.0 : d;
}

double AcTan(double sinx, double cosx) noexcept {
  if (cosx == 0.0) return sinx > 0.0 ? kPiOver2 : kThreePiOver2;
  if (cosx > 0.0) return std::atan(sinx / cosx);
  return static_cast<double>(std::atan(sinx / cosx) + kPi);
}

void Magnitude(Vector4& v) noexcept {
  v.magnitude = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

}  // namespace nimbrel::orbit
