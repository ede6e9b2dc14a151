#pragma once
// Single-precision vectors and 4x4 matrices for the scene.
//
// Row-vector convention: a vector is transformed as v x M, so row 3 of a matrix holds the translation and
// "A, then B" is A x B. A matrix stored row after row is therefore laid out exactly as glMultMatrixf
// expects (see ToGLMatrix).
//
// Every operation evaluates its expression in double and rounds once when it stores a single-precision
// component; lengths and dot products come back as double. Results go to an output reference. Every
// operation reads all of its inputs before it writes, so the output may be one of the inputs (the
// "Direct" variants keep their names for callers that use them, not because they are less safe).

#include <array>
#include <concepts>
#include <cstdint>

namespace nimbrel::scene {

struct Float3 {
  float x = 0, y = 0, z = 0;
};

struct Float4 {
  float x = 0, y = 0, z = 0, w = 0;
  float operator[](int i) const noexcept;
  float& operator[](int i) noexcept;
};

struct Double3 {
  double x = 0, y = 0, z = 0;
};

struct Matrix4x4 {
  std::array<Float4, 4> rows{};
  const Float4& operator[](int i) const noexcept { return rows[static_cast<std::size_t>(i)]; }
  Float4& operator[](int i) noexcept { return rows[static_cast<std::size_t>(i)]; }
};

static_assert(sizeof(Float4) == 16 && sizeof(Matrix4x4) == 64, "matrices are 16 packed singles");

inline constexpr Matrix4x4 kIdentityMatrix{{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}};

// Types that have x, y and z; the three-component operations accept either.
template <class V>
concept XyzVector = std::same_as<V, Float3> || std::same_as<V, Float4>;

// Construction.
constexpr Float3 MakeFloat3(float x, float y, float z) noexcept {
  return {x, y, z};
}
constexpr Float4 MakeFloat4(float x, float y, float z, float w) noexcept {
  return {x, y, z, w};
}
constexpr Float4 MakePoint4(float x, float y, float z) noexcept {
  return {x, y, z, 1};
}
constexpr Double3 ToDouble3(const Float3& v) noexcept {
  return {v.x, v.y, v.z};
}
constexpr Float3 XyzOf(const Float4& v) noexcept {
  return {v.x, v.y, v.z};
}

// Vector arithmetic.
void Add4(const Float4& a, const Float4& b, Float4& r) noexcept;
void Sub4(const Float4& a, const Float4& b, Float4& r) noexcept;
void Lerp4(const Float4& a, const Float4& b, float t, Float4& r) noexcept;
void Cross4(const Float4& a, const Float4& b, Float4& r) noexcept;  // r.w = 0
double Length4(const Float4& v) noexcept;
void Normalize4(Float4& v) noexcept;  // w takes part
void Negate4(Float4& v) noexcept;
void Scale4(Float4& v, float f) noexcept;
void Scaled4(const Float4& v, float f, Float4& r) noexcept;
bool Same4(const Float4& a, const Float4& b) noexcept;  // identical bit patterns
double Hypot2(float x, float y) noexcept;

template <XyzVector V>
void Sub3(const V& a, const V& b, V& r) noexcept {
  const double x = double(a.x) - b.x, y = double(a.y) - b.y, z = double(a.z) - b.z;
  r.x = float(x), r.y = float(y), r.z = float(z);
}

template <XyzVector V>
double Dot3(const V& a, const V& b) noexcept {
  return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

// x, y and z of the cross product; a Float4 result keeps its w.
template <XyzVector V>
void Cross3(const V& a, const V& b, V& r) noexcept {
  const double x = double(a.y) * b.z - double(a.z) * b.y;
  const double y = double(a.z) * b.x - double(a.x) * b.z;
  const double z = double(a.x) * b.y - double(a.y) * b.x;
  r.x = float(x), r.y = float(y), r.z = float(z);
}

template <XyzVector V>
void Cross3Direct(const V& a, const V& b, V& r) noexcept {
  Cross3(a, b, r);
}

// r = a - d b with d = Dot3(a, b) rounded to single: removes a's component along a unit b.
template <XyzVector V>
void RejectFrom3(const V& a, const V& b, V& r) noexcept {
  const double d = float(Dot3(a, b));
  const double x = a.x - d * b.x, y = a.y - d * b.y, z = a.z - d * b.z;
  r.x = float(x), r.y = float(y), r.z = float(z);
}

double Length3(const Float3& v) noexcept;
double Length3(const Float4& v) noexcept;

// Multiplies x, y, z by 1 / length without a guard: a zero vector comes out NaN. Callers pass non-zero
// vectors.
template <XyzVector V>
void Normalize3(V& v) noexcept {
  const double inverse = 1.0 / Length3(v);
  v.x = float(v.x * inverse), v.y = float(v.y * inverse), v.z = float(v.z * inverse);
}

template <XyzVector V>
void Negate3(V& v) noexcept {
  v.x = -v.x, v.y = -v.y, v.z = -v.z;
}

bool Same3(const Float3& a, const Float3& b) noexcept;
bool Same3(const Float4& a, const Float4& b) noexcept;

// Numeric comparison: -0 counts as zero; w is not looked at.
template <XyzVector V>
bool IsZero3(const V& v) noexcept {
  return v.x == 0 && v.y == 0 && v.z == 0;
}

// Matrices.
Matrix4x4 ScaleShiftMatrix(const Float3& scale, const Float3& shift) noexcept;
// Turns row vectors (v x M) by -angle about the axis, i.e. clockwise seen from the axis tip; the
// transpose turns by +angle. The axis need not have unit length.
Matrix4x4 AxisRotationMatrix(const Float3& axis, float angleRadians) noexcept;
Matrix4x4 AxisRotationMatrix(const Float4& axis, float angleRadians) noexcept;
void MatMul(const Matrix4x4& a, const Matrix4x4& b, Matrix4x4& c) noexcept;     // c = a x b
void TransformFloat4(const Float4& v, const Matrix4x4& m, Float4& r) noexcept;  // r = v x m
void TransposeInPlace(Matrix4x4& m) noexcept;
// The 16 singles in the order glLoadMatrixf/glMultMatrixf read them.
std::array<float, 16> ToGLMatrix(const Matrix4x4& m) noexcept;

// Scalars.
inline constexpr double kDegreesToRadians = 0.017453292519943295769;
inline constexpr float kDegreesToRadiansF = 0.0174532924f;
constexpr double DegreesToRadians(double degrees) noexcept {
  return degrees * kDegreesToRadians;
}
constexpr float DegreesToRadiansF(float degrees) noexcept {
  return degrees * kDegreesToRadiansF;
}
void SineAndCosine(double angle, double& s, double& c) noexcept;
void SineAndCosine(float angle, float& s, float& c) noexcept;

// Truncation toward zero and rounding to nearest (halves to even). A NaN or a value outside the integer
// range gives the processor's "integer indefinite" (the most negative value), as the conversion
// instructions do, instead of undefined behaviour.
std::int64_t TruncToInt64(double x) noexcept;
std::int32_t TruncToInt32(float x) noexcept;
std::int64_t RoundToInt64(double x) noexcept;
double FracPart(double x) noexcept;  // keeps the sign of x: FracPart(-2.75) = -0.75

// Whether the processor reports AMD's 3DNow! extension; looked up once, on first use. The vector code has
// no separate path for it: the compiler already vectorises the plain one, which keeps every processor on
// identical results.
bool ProcessorHas3DNow() noexcept;

}  // namespace nimbrel::scene
