#include "scene/Geometry.h"

#include <bit>
#include <cmath>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace nimbrel::scene {

float Float4::operator[](int i) const noexcept {
  switch (i) {
    case 0:
      return x;
    case 1:
      return y;
    case 2:
      return z;
    default:
      return w;
  }
}

float& Float4::operator[](int i) noexcept {
  switch (i) {
    case 0:
      return x;
    case 1:
      return y;
    case 2:
      return z;
    default:
      return w;
  }
}

void Add4(const Float4& a, const Float4& b, Float4& r) noexcept {
  const double x = double(a.x) + b.x, y = double(a.y) + b.y, z = double(a.z) + b.z, w = double(a.w) + b.w;
  r = {float(x), float(y), float(z), float(w)};
}

void Sub4(const Float4& a, const Float4& b, Float4& r) noexcept {
  const double x = double(a.x) - b.x, y = double(a.y) - b.y, z = double(a.z) - b.z, w = double(a.w) - b.w;
  r = {float(x), float(y), float(z), float(w)};
}

void Lerp4(const Float4& a, const Float4& b, float t, Float4& r) noexcept {
  const double x = a.x + (double(b.x) - a.x) * t;
  const double y = a.y + (double(b.y) - a.y) * t;
  const double z = a.z + (double(b.z) - a.z) * t;
  const double w = a.w + (double(b.w) - a.w) * t;
  r = {float(x), float(y), float(z), float(w)};
}

void Cross4(const Float4& a, const Float4& b, Float4& r) noexcept {
  Cross3(a, b, r);
  r.w = 0;
}

double Length3(const Float3& v) noexcept {
  return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

double Length3(const Float4& v) noexcept {
  return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

double Length4(const Float4& v) noexcept {
  return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z + double(v.w) * v.w);
}

void Normalize4(Float4& v) noexcept {
  const double inverse = 1.0 / Length4(v);
  v = {float(v.x * inverse), float(v.y * inverse), float(v.z * inverse), float(v.w * inverse)};
}

void Negate4(Float4& v) noexcept {
  v = {-v.x, -v.y, -v.z, -v.w};
}

void Scale4(Float4& v, float f) noexcept {
  Scaled4(v, f, v);
}

void Scaled4(const Float4& v, float f, Float4& r) noexcept {
  r = {float(double(v.x) * f), float(double(v.y) * f), float(double(v.z) * f), float(double(v.w) * f)};
}

namespace {
bool SameBits(float a, float b) noexcept {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}
}  // namespace

bool Same3(const Float3& a, const Float3& b) noexcept {
  return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

bool Same3(const Float4& a, const Float4& b) noexcept {
  return SameBits(a.x, b.x) && SameBits(a.y, b.y) && SameBits(a.z, b.z);
}

bool Same4(const Float4& a, const Float4& b) noexcept {
  return Same3(a, b) && SameBits(a.w, b.w);
}

double Hypot2(float x, float y) noexcept {
  return std::sqrt(double(x) * x + double(y) * y);
}

Matrix4x4 ScaleShiftMatrix(const Float3& scale, const Float3& shift) noexcept {
  Matrix4x4 m = kIdentityMatrix;
  m[0].x = scale.x;
  m[1].y = scale.y;
  m[2].z = scale.z;
  m[3] = {shift.x, shift.y, shift.z, 1};
  return m;
}

Matrix4x4 AxisRotationMatrix(const Float3& axis, float angleRadians) noexcept {
  float s = 0, c = 0;
  SineAndCosine(angleRadians, s, c);
  const double k = float(1.0 - c);
  // The rows below are those of a rotation only for a unit axis, so a copy is normalised first (the
  // caller's axis stays as it is); callers such as the turn, pitch and roll setters pass whatever length
  // their coordinates have.
  Float3 unit = axis;
  Normalize3(unit);
  const double x = unit.x, y = unit.y, z = unit.z;
  Matrix4x4 m;
  m[0] = {float(x * x * k + c), float(k * x * y - z * s), float(k * z * x + y * s), 0};
  m[1] = {float(k * x * y + z * s), float(y * y * k + c), float(k * y * z - x * s), 0};
  m[2] = {float(k * z * x - y * s), float(k * y * z + x * s), float(z * z * k + c), 0};
  m[3] = {0, 0, 0, 1};
  return m;
}

Matrix4x4 AxisRotationMatrix(const Float4& axis, float angleRadians) noexcept {
  return AxisRotationMatrix(XyzOf(axis), angleRadians);
}

namespace {
// Row i of a x b is the sum over k of a[i][k] times row k of b.
Float4 RowTimesMatrix(const Float4& v, const Matrix4x4& m) noexcept {
  const double x = double(v.x) * m[0].x + double(v.y) * m[1].x + double(v.z) * m[2].x + double(v.w) * m[3].x;
  const double y = double(v.x) * m[0].y + double(v.y) * m[1].y + double(v.z) * m[2].y + double(v.w) * m[3].y;
  const double z = double(v.x) * m[0].z + double(v.y) * m[1].z + double(v.z) * m[2].z + double(v.w) * m[3].z;
  const double w = double(v.x) * m[0].w + double(v.y) * m[1].w + double(v.z) * m[2].w + double(v.w) * m[3].w;
  return {float(x), float(y), float(z), float(w)};
}
}  // namespace

void MatMul(const Matrix4x4& a, const Matrix4x4& b, Matrix4x4& c) noexcept {
  Matrix4x4 result;
  for (int i = 0; i < 4; ++i) result[i] = RowTimesMatrix(a[i], b);
  c = result;
}

void TransformFloat4(const Float4& v, const Matrix4x4& m, Float4& r) noexcept {
  r = RowTimesMatrix(v, m);
}

void TransposeInPlace(Matrix4x4& m) noexcept {
  for (int i = 0; i < 4; ++i) {
    for (int j = i + 1; j < 4; ++j) {
      const float t = m[i][j];
      m[i][j] = m[j][i];
      m[j][i] = t;
    }
  }
}

std::array<float, 16> ToGLMatrix(const Matrix4x4& m) noexcept {
  std::array<float, 16> out{};
  for (std::size_t i = 0; i < 4; ++i) {
    const Float4& row = m.rows[i];
    out[4 * i] = row.x;
    out[4 * i + 1] = row.y;
    out[4 * i + 2] = row.z;
    out[4 * i + 3] = row.w;
  }
  return out;
}

void SineAndCosine(double angle, double& s, double& c) noexcept {
  s = std::sin(angle);
  c = std::cos(angle);
}

void SineAndCosine(float angle, float& s, float& c) noexcept {
  s = float(std::sin(double(angle)));
  c = float(std::cos(double(angle)));
}

namespace {
template <class Int, class Real>
Int TruncOrIndefinite(Real x) noexcept {
  // The limits as reals: min is a power of two and exact; max + 1 likewise.
  constexpr Real lower = Real(std::numeric_limits<Int>::min());
  constexpr Real upperExclusive = -lower;
  if (!(x > lower - 1 && x < upperExclusive)) return std::numeric_limits<Int>::min();
  return static_cast<Int>(x);
}
}  // namespace

std::int64_t TruncToInt64(double x) noexcept {
  return TruncOrIndefinite<std::int64_t>(x);
}

std::int32_t TruncToInt32(float x) noexcept {
  return TruncOrIndefinite<std::int32_t>(double(x));
}

std::int64_t RoundToInt64(double x) noexcept {
  const double rounded = std::nearbyint(x);  // current mode: nearest, halves to even
  return TruncOrIndefinite<std::int64_t>(rounded);
}

double FracPart(double x) noexcept {
  return x - std::trunc(x);
}

namespace {
bool QueryProcessor3DNow() noexcept {
#if defined(__x86_64__) || defined(__i386__)
  const unsigned highestExtended = __get_cpuid_max(0x80000000u, nullptr);
  if (highestExtended <= 0x80000000u) return false;
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(0x80000001u, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (edx & 0x80000000u) != 0;
#else
  return false;
#endif
}
}  // namespace

bool ProcessorHas3DNow() noexcept {
  static const bool has3DNow = QueryProcessor3DNow();
  return has3DNow;
}

}  // namespace nimbrel::scene
