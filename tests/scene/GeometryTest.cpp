// Vector and matrix helpers: the cases where a slip in a formula or in aliasing would show.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>

#include "scene/Geometry.h"

namespace nimbrel::scene {
namespace {

void ExpectRow(const Float4& row, float x, float y, float z, float w, const char* what) {
  SCOPED_TRACE(what);
  EXPECT_NEAR(row.x, x, 1e-6f);
  EXPECT_NEAR(row.y, y, 1e-6f);
  EXPECT_NEAR(row.z, z, 1e-6f);
  EXPECT_NEAR(row.w, w, 1e-6f);
}

Matrix4x4 SampleMatrix() {
  Matrix4x4 m;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) m[i][j] = float(1 + 4 * i + j) * (j % 2 ? -0.5f : 1.25f);
  }
  return m;
}

TEST(Geometry, MatMulWithIdentityOnEitherSideIsUnchanged) {
  const Matrix4x4 m = SampleMatrix();
  Matrix4x4 left, right;
  MatMul(kIdentityMatrix, m, left);
  MatMul(m, kIdentityMatrix, right);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(Same4(left[i], m[i])) << "I x M row " << i;
    EXPECT_TRUE(Same4(right[i], m[i])) << "M x I row " << i;
  }
}

TEST(Geometry, MatMulComposesInRowVectorOrder) {
  // Scale by 2, then shift by (1, 0, 0): the point (1, 1, 1) lands at (3, 2, 2).
  const Matrix4x4 scale = ScaleShiftMatrix({2, 2, 2}, {0, 0, 0});
  const Matrix4x4 shift = ScaleShiftMatrix({1, 1, 1}, {1, 0, 0});
  Matrix4x4 both;
  MatMul(scale, shift, both);
  Float4 p;
  TransformFloat4(MakePoint4(1, 1, 1), both, p);
  ExpectRow(p, 3, 2, 2, 1, "scale then shift");
}

TEST(Geometry, TransformFloat4AddsTheTranslationRowToPointsOnly) {
  const Matrix4x4 m = ScaleShiftMatrix({1, 1, 1}, {10, -20, 30});
  Float4 point, vector;
  TransformFloat4(MakePoint4(1, 2, 3), m, point);
  TransformFloat4(MakeFloat4(1, 2, 3, 0), m, vector);
  ExpectRow(point, 11, -18, 33, 1, "point");
  ExpectRow(vector, 1, 2, 3, 0, "direction");
  const auto gl = ToGLMatrix(m);
  EXPECT_EQ(gl[12], 10);  // OpenGL reads the translation from elements 12 to 14
  EXPECT_EQ(gl[13], -20);
  EXPECT_EQ(gl[14], 30);
}

TEST(Geometry, AxisRotationMatrixNormalisesTheAxisAndTurnsClockwise) {
  const Float3 axis{0, 0, 2};
  const Matrix4x4 m = AxisRotationMatrix(axis, float(std::numbers::pi / 2));
  ExpectRow(m[0], 0, -1, 0, 0, "row 0");
  ExpectRow(m[1], 1, 0, 0, 0, "row 1");
  ExpectRow(m[2], 0, 0, 1, 0, "row 2");
  ExpectRow(m[3], 0, 0, 0, 1, "row 3");
  EXPECT_EQ(axis.z, 2);  // the caller's axis is left alone
  // Seen from +Z, +X goes to -Y: clockwise. The transpose turns the other way.
  Float4 v;
  TransformFloat4({1, 0, 0, 0}, m, v);
  ExpectRow(v, 0, -1, 0, 0, "x turned");
  Matrix4x4 t = m;
  TransposeInPlace(t);
  TransformFloat4({1, 0, 0, 0}, t, v);
  ExpectRow(v, 0, 1, 0, 0, "x turned back");
}

TEST(Geometry, CrossProductMayWriteIntoEitherInput) {
  const Float3 a{1.5f, -2, 0.25f}, b{-3, 0.5f, 4};
  Float3 separate;
  Cross3(a, b, separate);
  Float3 intoA = a, intoB = b;
  Cross3(intoA, b, intoA);
  Cross3(a, intoB, intoB);
  EXPECT_TRUE(Same3(intoA, separate));
  EXPECT_TRUE(Same3(intoB, separate));
  Float4 a4{1.5f, -2, 0.25f, 7}, r4;
  Cross4(a4, {-3, 0.5f, 4, 9}, r4);
  EXPECT_TRUE(Same3(XyzOf(r4), separate));
  EXPECT_EQ(r4.w, 0);
  Cross4(a4, {-3, 0.5f, 4, 9}, a4);
  EXPECT_TRUE(Same4(a4, r4));
}

TEST(Geometry, SameComparesBitsAndIsZeroComparesNumbers) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(Same4({0, 0, 0, 0}, {-0.0f, 0, 0, 0}));
  EXPECT_TRUE(Same4({nan, 1, 2, 3}, {nan, 1, 2, 3}));
  EXPECT_FALSE(Same4({1, 2, 3, 4}, {1, 2, 3, 5}));
  EXPECT_TRUE(Same3(Float4{1, 2, 3, 4}, Float4{1, 2, 3, 5}));  // w is not compared
  EXPECT_TRUE(IsZero3(Float3{-0.0f, 0, 0}));
  EXPECT_TRUE(IsZero3(Float4{0, 0, 0, 1}));
  EXPECT_FALSE(IsZero3(Float3{0, 1e-30f, 0}));
}

TEST(Geometry, NormalisingAndRejection) {
  Float4 v{3, 0, 4, 7};
  Normalize3(v);
  ExpectRow(v, 0.6f, 0, 0.8f, 7, "Normalize3 keeps w");
  Float3 zero{};
  Normalize3(zero);  // no guard: callers pass non-zero vectors
  EXPECT_TRUE(std::isnan(zero.x));
  Float3 rejected;
  RejectFrom3(Float3{1, 2, 3}, Float3{0, 1, 0}, rejected);
  EXPECT_TRUE(Same3(rejected, Float3{1, 0, 3}));
  Float4 r;
  Lerp4({0, 10, -4, 1}, {10, 20, 4, 0}, 0.25f, r);
  ExpectRow(r, 2.5f, 12.5f, -2, 0.75f, "Lerp4 includes w");
}

TEST(Geometry, TruncationAndRounding) {
  struct Case {
    double x;
    std::int64_t trunc, round;
    double frac;
  };
  const Case cases[] = {
      {-2.75, -2, -3, -0.75}, {2.5, 2, 2, 0.5}, {3.5, 3, 4, 0.5}, {-2.5, -2, -2, -0.5}, {7.0, 7, 7, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("x = " + std::to_string(c.x));
    EXPECT_EQ(TruncToInt64(c.x), c.trunc);
    EXPECT_EQ(RoundToInt64(c.x), c.round);
    EXPECT_DOUBLE_EQ(FracPart(c.x), c.frac);
  }
  EXPECT_EQ(TruncToInt32(-7.9f), -7);
  // Values no integer can hold give the processor's indefinite value, not undefined behaviour.
  constexpr auto indefinite64 = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(TruncToInt64(std::nan("")), indefinite64);
  EXPECT_EQ(TruncToInt64(1e300), indefinite64);
  EXPECT_EQ(RoundToInt64(-std::numeric_limits<double>::infinity()), indefinite64);
  EXPECT_EQ(TruncToInt32(3e9f), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(TruncToInt32(2147483520.0f), 2147483520);
}

TEST(Geometry, ProcessorCheckAgreesWithTheKernel) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  if (!cpuinfo) GTEST_SKIP() << "no /proc/cpuinfo";
  std::string line;
  bool kernelSays3DNow = false;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("flags", 0) == 0) {
      kernelSays3DNow = line.find(" 3dnow ") != std::string::npos || line.ends_with(" 3dnow");
      break;
    }
  }
  EXPECT_EQ(ProcessorHas3DNow(), kernelSays3DNow);
}

}  // namespace
}  // namespace nimbrel::scene
