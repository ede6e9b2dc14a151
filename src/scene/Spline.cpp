#include "scene/Spline.h"

#include <cmath>
#include <limits>

#include "scene/SceneErrors.h"

namespace nimbrel::scene {

TCubicSpline::TCubicSpline(std::span<const float> x, std::span<const float> y, std::span<const float> z,
                           std::span<const float> w)
    : nodeCount_(static_cast<int>(x.size())) {
  SceneAssert(y.size() == x.size() && z.size() == x.size() && (w.empty() || w.size() == x.size()),
              "TCubicSpline: every coordinate needs the same number of values");
  x_ = Fit(x);
  y_ = Fit(y);
  z_ = Fit(z);
  if (!w.empty()) w_ = Fit(w);
}

// The slopes D solve the tridiagonal system with diagonal 2, 4, ..., 4, 2 and ones beside it, with
// right-hand side 3 (y1 - y0), 3 (y(i+1) - y(i-1)), 3 (y(n-1) - y(n-2)); the matrix is factorised as
// L L^T with L lower bidiagonal (diagonal l, below it m = 1 / l of the row above).
// The coefficients are kept in double: expanded in the global t, segment j's constant term carries j^3
// times its cubic coefficient, and singles would lose the node values on long lines (an orbit has 73).
TCubicSpline::TCoordinate TCubicSpline::Fit(std::span<const float> values) {
  const std::size_t n = values.size();
  if (n < 2) {
    TSegment constant;
    constant.a0 = n == 1 ? values[0] : 0.0;
    return {constant};
  }
  std::vector<double> rhs(n), l(n), m(n - 1), slope(n);
  rhs[0] = 3.0 * (double(values[1]) - values[0]);
  rhs[n - 1] = 3.0 * (double(values[n - 1]) - values[n - 2]);
  for (std::size_t i = 1; i + 1 < n; ++i) rhs[i] = 3.0 * (double(values[i + 1]) - values[i - 1]);

  l[0] = std::sqrt(2.0);
  m[0] = 1.0 / l[0];
  for (std::size_t i = 1; i + 1 < n; ++i) {
    l[i] = std::sqrt(4.0 - m[i - 1] * m[i - 1]);
    m[i] = 1.0 / l[i];
  }
  l[n - 1] = std::sqrt(2.0 - m[n - 2] * m[n - 2]);

  // Forward substitution (L z = r), then back substitution (L^T D = z), reusing slope for z.
  slope[0] = rhs[0] / l[0];
  for (std::size_t i = 1; i < n; ++i) slope[i] = (rhs[i] - m[i - 1] * slope[i - 1]) / l[i];
  slope[n - 1] /= l[n - 1];
  for (std::size_t i = n - 1; i-- > 0;) slope[i] = (slope[i] - m[i] * slope[i + 1]) / l[i];

  TCoordinate segments(n - 1);
  for (std::size_t seg = 0; seg + 1 < n; ++seg) {
    const double j = double(seg);
    const double y0 = values[seg];
    const double d = double(values[seg + 1]) - y0;
    const double d0 = slope[seg], d1 = slope[seg + 1];
    const double c = 3 * d - 2 * d0 - d1;
    const double e = d0 + d1 - 2 * d;
    TSegment& s = segments[seg];
    s.a3 = e;
    s.a2 = c - 3 * j * e;
    s.a1 = d0 + 3 * j * j * e - 2 * j * c;
    s.a0 = y0 - j * d0 + j * j * c - j * j * j * e;
  }
  return segments;
}

float TCubicSpline::Evaluate(const TCoordinate& segments, double t) const noexcept {
  if (std::isnan(t)) return std::numeric_limits<float>::quiet_NaN();
  // A constant stays constant for every t, infinite ones included.
  if (nodeCount_ < 2) return float(segments[0].a0);
  const double last = double(segments.size());  // n - 1
  std::size_t k = 0;
  if (t <= 0) {
    k = 0;
  } else if (t > last) {
    k = segments.size() - 1;
  } else {
    k = static_cast<std::size_t>(t);
    if (k >= segments.size()) k = segments.size() - 1;
  }
  const TSegment& s = segments[k];
  return float(((s.a3 * t + s.a2) * t + s.a1) * t + s.a0);
}

void TCubicSpline::EvaluateXYZ(double t, float& x, float& y, float& z) const noexcept {
  x = SplineX(t);
  y = SplineY(t);
  z = SplineZ(t);
}

void TCubicSpline::EvaluateXYZW(double t, float& x, float& y, float& z, float& w) const noexcept {
  EvaluateXYZ(t, x, y, z);
  w = SplineW(t);
}

}  // namespace nimbrel::scene
