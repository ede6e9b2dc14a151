// The natural cubic spline: through every node, straight through collinear ones, sane at the edges.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "scene/SceneErrors.h"
#include "scene/Spline.h"

namespace nimbrel::scene {
namespace {

TEST(CubicSpline, PassesThroughEveryNode) {
  // 73 nodes round a circle of radius 7, as the orbit line has: the far nodes stress the expanded form.
  std::vector<float> x, y, z;
  for (int i = 0; i < 73; ++i) {
    const double a = i * 2 * 3.14159265358979 / 72;
    x.push_back(float(7 * std::cos(a)));
    y.push_back(float(7 * std::sin(a) * 0.5));
    z.push_back(float(7 * std::sin(a)));
  }
  const TCubicSpline spline(x, y, z);
  for (int i = 0; i < 73; ++i) {
    float sx = 0, sy = 0, sz = 0;
    spline.EvaluateXYZ(i, sx, sy, sz);
    // Far below a single's resolution at this size (6e-7): coefficients kept in singles miss by up to 1e-3.
    EXPECT_NEAR(sx, x[std::size_t(i)], 1e-9) << "node " << i;
    EXPECT_NEAR(sy, y[std::size_t(i)], 1e-9) << "node " << i;
    EXPECT_NEAR(sz, z[std::size_t(i)], 1e-9) << "node " << i;
  }
  // Between nodes it stays near the circle.
  float sx = 0, sy = 0, sz = 0;
  spline.EvaluateXYZ(36.5, sx, sy, sz);
  EXPECT_NEAR(std::hypot(sx, sz), 7, 1e-3);
}

TEST(CubicSpline, CollinearEquallySpacedNodesGiveTheStraightLine) {
  const std::vector<float> x{0, 1, 2}, y{5, 3, 1}, z{-1, -1, -1};
  const TCubicSpline spline(x, y, z);
  for (double t = -1; t <= 3; t += 0.125) {
    float sx = 0, sy = 0, sz = 0;
    spline.EvaluateXYZ(t, sx, sy, sz);
    EXPECT_NEAR(sx, t, 1e-6) << "t = " << t;
    EXPECT_NEAR(sy, 5 - 2 * t, 1e-6) << "t = " << t;
    EXPECT_NEAR(sz, -1, 1e-6) << "t = " << t;
  }
}

TEST(CubicSpline, NaturalEndsAndSymmetricSlopes) {
  // Nodes 0, 1, 0: the slopes of the natural spline are 1.5, 0, -1.5, so the top is at t = 1.
  const std::vector<float> v{0, 1, 0};
  const TCubicSpline spline(v, v, v);
  EXPECT_FLOAT_EQ(spline.SplineX(0.5), 0.6875f);  // 0 + 1.5 u + 0 u^2 - 0.5 u^3 at u = 0.5
  EXPECT_FLOAT_EQ(spline.SplineX(1.5), 0.6875f);
  // Zero second derivative at the ends: symmetric second differences vanish at t = 0.
  const double h = 1e-3;
  EXPECT_NEAR(spline.SplineX(h) - 2 * spline.SplineX(0) + spline.SplineX(-h), 0, 1e-6);
}

TEST(CubicSpline, TwoNodesAreAStraightSegment) {
  const std::vector<float> x{1, 3}, y{0, 0}, z{2, -2};
  const TCubicSpline spline(x, y, z);
  EXPECT_FLOAT_EQ(spline.SplineX(0.25), 1.5f);
  EXPECT_FLOAT_EQ(spline.SplineZ(0.75), -1.0f);
  EXPECT_FLOAT_EQ(spline.SplineX(2), 5.0f);  // extrapolated
}

TEST(CubicSpline, FewNodesOrANaNDoNotIndexOutOfRange) {
  const std::vector<float> one{4.5f}, none;
  const TCubicSpline single(one, one, one, one);
  const TCubicSpline empty(none, none, none);
  for (double t : {-10.0, 0.0, 0.5, 3.0, std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(single.SplineX(t), 4.5f) << "t = " << t;
    EXPECT_EQ(single.SplineW(t), 4.5f) << "t = " << t;
    EXPECT_EQ(empty.SplineY(t), 0.0f) << "t = " << t;
  }
  const std::vector<float> v{0, 1, 4, 9};
  const TCubicSpline spline(v, v, v);
  float x = 0, y = 0, z = 0, w = 0;
  spline.EvaluateXYZW(std::nan(""), x, y, z, w);
  EXPECT_TRUE(std::isnan(x) && std::isnan(y) && std::isnan(z));
  EXPECT_TRUE(std::isnan(single.SplineX(std::nan(""))));
  EXPECT_EQ(w, 0);  // no W values were given
}

TEST(CubicSpline, CoordinatesOfDifferentLengthsAreRefused) {
  const std::vector<float> three{0, 1, 2}, two{0, 1};
  EXPECT_THROW(TCubicSpline(three, three, two), EAssertionFailed);
  EXPECT_THROW(TCubicSpline(three, three, three, two), EAssertionFailed);
}

}  // namespace
}  // namespace nimbrel::scene
