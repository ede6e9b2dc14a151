#pragma once
// A natural cubic spline through n values per coordinate at t = 0, 1, ..., n-1 (zero second derivative
// at both ends). Outside 0..n-1 the end segments are extrapolated.

#include <span>
#include <vector>

namespace nimbrel::scene {

class TCubicSpline {
 public:
  // x, y, z (and w, when given) must hold the same number of values. With fewer than two values a
  // coordinate is constant: its one value, or 0 with none.
  TCubicSpline(std::span<const float> x, std::span<const float> y, std::span<const float> z,
               std::span<const float> w = {});

  int NodeCount() const noexcept { return nodeCount_; }
  bool HasW() const noexcept { return !w_.empty(); }

  // A NaN parameter gives NaN.
  float SplineX(double t) const noexcept { return Evaluate(x_, t); }
  float SplineY(double t) const noexcept { return Evaluate(y_, t); }
  float SplineZ(double t) const noexcept { return Evaluate(z_, t); }
  float SplineW(double t) const noexcept { return w_.empty() ? 0.0f : Evaluate(w_, t); }
  void EvaluateXYZ(double t, float& x, float& y, float& z) const noexcept;
  void EvaluateXYZW(double t, float& x, float& y, float& z, float& w) const noexcept;

 private:
  // One segment's cubic expanded in the global parameter: ((a3 t + a2) t + a1) t + a0.
  struct TSegment {
    double a3 = 0, a2 = 0, a1 = 0, a0 = 0;
  };
  using TCoordinate = std::vector<TSegment>;

  static TCoordinate Fit(std::span<const float> values);
  float Evaluate(const TCoordinate& segments, double t) const noexcept;

  int nodeCount_;
  TCoordinate x_, y_, z_, w_;
};

}  // namespace nimbrel::scene
