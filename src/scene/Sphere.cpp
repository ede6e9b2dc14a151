#include "scene/Sphere.h"

#include <algorithm>
#include <cmath>

#include "scene/SceneErrors.h"

namespace nimbrel::scene {

void TQuadricObject::SetNormals(TNormalSmoothing value) {
  if (value == normals_) return;
  normals_ = value;
  MarkStructureDirty();
}

void TQuadricObject::SetNormalDirection(TNormalDirection value) {
  if (value == normalDirection_) return;
  normalDirection_ = value;
  MarkStructureDirty();
}

template <class T>
void TSphere::Store(T& field, T value) {
  if (field == value) return;
  field = value;
  MarkStructureDirty();
}

void TSphere::SetRadius(float value) {
  if (!std::isfinite(value)) return;
  Store(radius_, value);
}

void TSphere::SetSlices(int value) {
  Store(slices_, std::max(value, 1));
}

void TSphere::SetStacks(int value) {
  Store(stacks_, std::max(value, 1));
}

void TSphere::SetTop(float value) {
  if (std::isnan(value)) return;
  Store(top_, std::clamp(value, -90.0f, 90.0f));
}

void TSphere::SetBottom(float value) {
  if (std::isnan(value)) return;
  Store(bottom_, std::clamp(value, -90.0f, 90.0f));
}

void TSphere::SetStart(float value) {
  if (std::isnan(value)) return;
  value = std::clamp(value, 0.0f, 360.0f);
  SceneAssert(value <= stop_, "TSphere::SetStart: Start beyond Stop");
  Store(start_, value);
}

void TSphere::SetStop(float value) {
  if (std::isnan(value)) return;
  value = std::clamp(value, 0.0f, 360.0f);
  SceneAssert(value >= start_, "TSphere::SetStop: Stop before Start");
  Store(stop_, value);
}

void TSphere::SetTopCap(TCapType value) {
  Store(topCap_, value);
}

void TSphere::SetBottomCap(TCapType value) {
  Store(bottomCap_, value);
}

Float3 TSphere::UnitVertex(double latitudeDegrees, double longitudeDegrees) noexcept {
  const double phi = DegreesToRadians(latitudeDegrees), theta = DegreesToRadians(longitudeDegrees);
  return {float(std::cos(phi) * std::sin(theta)), float(std::sin(phi)),
          float(std::cos(phi) * std::cos(theta))};
}

void TSphere::BuildGeometry(TRenderPass& /*pass*/) {}

void TSphere::BuildCap(bool /*top*/, double /*latitude*/, double /*start*/, double /*step*/,
                       bool /*inside*/) const {}

}  // namespace nimbrel::scene
