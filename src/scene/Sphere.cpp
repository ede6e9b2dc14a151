#include "scene/Sphere.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "scene/Scene.h"
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

TSphere::~TSphere() {
  if (!geometry_ && DisplayList() == 0) return;
  // One context activation gives back both lists (and the texture); the base classes then find
  // nothing left to do.
  try {
    TScene::TContextUse use(Scene());
    ReleaseOwnDisplayResources(!use.Ready());
  } catch (...) {
    // Nothing can be reported from a destructor; what was not deleted is left to the share group.
    TSharedDisplayLists::Release(geometry_, true);
  }
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

namespace {

void Normal(Float3 n, bool inside) {
  if (inside) Negate3(n);
  glNormal3f(n.x, n.y, n.z);
}

template <class T>
void AppendBytes(std::string& key, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  key.append(bytes, sizeof(T));
}

}  // namespace

std::string TSphere::GeometryKey() const {
  std::string key = "TSphere";
  AppendBytes(key, slices_);
  AppendBytes(key, stacks_);
  AppendBytes(key, top_);
  AppendBytes(key, bottom_);
  AppendBytes(key, start_);
  AppendBytes(key, stop_);
  AppendBytes(key, static_cast<int>(topCap_));
  AppendBytes(key, static_cast<int>(bottomCap_));
  AppendBytes(key, static_cast<int>(NormalDirection()));
  AppendBytes(key, static_cast<int>(Normals()));
  return key;
}

void TSphere::PrepareGeometry(TRenderPass& /*pass*/) {
  TSharedDisplayLists::TReference next;
  if (TScene* scene = Scene()) {
    next = scene->SharedLists().Acquire(GeometryKey(), [this] { BuildUnitGeometry(); });
  }
  // Taken before the old one is let go: an unchanged tessellation keeps its list rather than being
  // deleted and compiled again.
  TSharedDisplayLists::Release(geometry_, false);
  geometry_ = std::move(next);
}

void TSphere::BuildGeometry(TRenderPass& /*pass*/) {
  glPushMatrix();
  glScalef(radius_, radius_, radius_);
  if (geometry_) {
    glCallList(TSharedDisplayLists::Name(geometry_));
  } else {
    BuildUnitGeometry();
  }
  glPopMatrix();
}

void TSphere::ReleaseOwnDisplayResources(bool contextGone) {
  TSharedDisplayLists::Release(geometry_, contextGone);
  TQuadricObject::ReleaseOwnDisplayResources(contextGone);
}

void TSphere::BuildUnitGeometry() const {
  const bool inside = NormalDirection() == TNormalDirection::ndInside;
  glPushAttrib(GL_POLYGON_BIT);
  glFrontFace(inside ? GL_CW : GL_CCW);
  const double longitudeStep = (double(stop_) - start_) / slices_;
  const double latitudeStep = (double(top_) - bottom_) / stacks_;

  if (top_ < 90 && topCap_ != TCapType::ctNone) BuildCap(true, top_, start_, longitudeStep, inside);

  for (int j = 0; j < stacks_; ++j) {
    const double phi1 = top_ - j * latitudeStep;
    const double phi2 = phi1 - latitudeStep;
    const float t1 = float(1.0 - double(j) / stacks_);
    const float t2 = float(1.0 - double(j + 1) / stacks_);
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i <= slices_; ++i) {
      const double theta = start_ + i * longitudeStep;
      const float s = float(double(i) / slices_);
      const Float3 upper = UnitVertex(phi1, theta);
      const Float3 lower = UnitVertex(phi2, theta);
      glTexCoord2f(s, t1);
      Normal(upper, inside);
      glVertex3f(upper.x, upper.y, upper.z);
      glTexCoord2f(s, t2);
      Normal(lower, inside);
      glVertex3f(lower.x, lower.y, lower.z);
    }
    glEnd();
  }

  if (bottom_ > -90 && bottomCap_ != TCapType::ctNone)
    BuildCap(false, bottom_, start_, longitudeStep, inside);

  glPopAttrib();
}

// One fan closing the sphere at a latitude circle: to the centre (a cone) or to the circle's own
// centre (a flat disc). The bottom rim runs with decreasing longitude so that both caps face out.
void TSphere::BuildCap(bool top, double latitude, double start, double step, bool inside) const {
  const TCapType cap = top ? topCap_ : bottomCap_;
  const Float3 axis{0, top ? 1.0f : -1.0f, 0};
  const float sinLatitude = float(std::sin(DegreesToRadians(latitude)));
  glBegin(GL_TRIANGLE_FAN);
  glTexCoord2f(0.5f, 0.5f);
  Normal(axis, inside);
  if (cap == TCapType::ctFlat) {
    glVertex3f(0, sinLatitude, 0);
  } else {
    glVertex3f(0, 0, 0);
  }
  for (int k = 0; k <= slices_; ++k) {
    const int i = top ? k : slices_ - k;
    const double theta = start + i * step;
    const Float3 rim = UnitVertex(latitude, theta);
    const double thetaRadians = DegreesToRadians(theta);
    glTexCoord2f(float(0.5 + 0.5 * std::sin(thetaRadians)), float(0.5 + 0.5 * std::cos(thetaRadians)));
    if (cap == TCapType::ctFlat) {
      Normal(axis, inside);
    } else {
      Float3 normal;
      RejectFrom3(axis, rim, normal);
      Normal(normal, inside);
    }
    glVertex3f(rim.x, rim.y, rim.z);
  }
  glEnd();
}

}  // namespace nimbrel::scene
