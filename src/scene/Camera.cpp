#include "scene/Camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "scene/SceneErrors.h"

namespace nimbrel::scene {

TCamera::TCamera() {
  Direction().SetSilently({0, 0, -1, 0});
  // The default frame is already orthonormal; nothing has been drawn yet, so nothing to signal.
}

void TCamera::SetFocalLength(float value) {
  if (!(value >= 1) || !std::isfinite(value)) value = 1;
  if (value == focalLength_) return;
  focalLength_ = value;
  MarkTransformDirty();
}

void TCamera::SetDepthOfView(float value) {
  if (!std::isfinite(value) || value == depthOfView_) return;
  depthOfView_ = value;
  MarkTransformDirty();
}

void TCamera::SetTargetObject(TBaseSceneObject* target) {
  if (target == target_.Get()) return;
  target_ = TObjectLink<TBaseSceneObject>(target);
  MarkTransformDirty();
}

void TCamera::SetCameraStyle(TCameraStyle value) {
  if (value == style_) return;
  style_ = value;
  SignalChange();
}

TProjection TCamera::ComputeProjection(const TViewport& viewport, int width, int height, float dpi) const {
  const double w = std::max(width, 1), h = std::max(height, 1);
  const double x0 = viewport.left, y0 = viewport.top, vw = viewport.width, vh = viewport.height;
  const double pixelsPerInch = (dpi > 0 && std::isfinite(dpi)) ? dpi : 96.0;
  const double m = std::max(w, h);
  double sx = 0, sy = 0;
  switch (style_) {
    case TCameraStyle::csPerspective:
      sx = 1 / w;
      sy = 1 / h;
      break;
    case TCameraStyle::csOrthogonal:
      sx = 100 / (w * focalLength_);
      sy = 100 / (h * focalLength_);
      break;
    default:
      AssertionFailure("TCamera::ComputeProjection: unknown camera style");
  }
  TProjection p;
  p.right = w * ((2 * vw + 2 * x0 - w) * sx) / (2 * m);
  p.left = -w * (sx * (w - 2 * x0)) / (2 * m);
  p.top = h * (sy * (2 * vh + 2 * y0 - h)) / (2 * m);
  p.bottom = -h * (sy * (h - 2 * y0)) / (2 * m);
  // Focal length in millimetres of screen; 25.4 millimetres to the inch.
  p.nearPlane = focalLength_ * 2 * pixelsPerInch / (m * 25.4);
  p.farPlane = p.nearPlane + depthOfView_;
  p.viewRadiusFactor = std::sqrt(p.top * p.top + p.right * p.right) / p.nearPlane;
  return p;
}

void TCamera::ApplyProjection(const TViewport& viewport, int width, int height, float dpi) {
  const TProjection p = ComputeProjection(viewport, width, height, dpi);
  if (style_ == TCameraStyle::csPerspective) {
    glFrustum(p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane);
  } else {
    glOrtho(p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane);
  }
  nearPlane_ = float(p.nearPlane);
  viewRadiusFactor_ = float(p.viewRadiusFactor);
}

void TCamera::ApplyView() {
  const Float4 eye = GetWorldPosition();
  Float4 direction;
  if (TBaseSceneObject* target = TargetObject()) {
    const Float4 centre = target->GetWorldPosition();
    Sub3(centre, eye, direction);
    direction.w = 0;
    const Float4& up = Up().AsFloat4();
    gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, up.x, up.y, up.z);
  } else {
    const Matrix4x4& parentWorld = Parent() ? Parent()->GetWorldMatrix() : kIdentityMatrix;
    Float4 up;
    TransformFloat4(Direction().AsFloat4(), parentWorld, direction);
    TransformFloat4(Up().AsFloat4(), parentWorld, up);
    gluLookAt(eye.x, eye.y, eye.z, double(eye.x) + direction.x, double(eye.y) + direction.y,
              double(eye.z) + direction.z, up.x, up.y, up.z);
  }
  // An eye on its target has no direction; the last good one is kept rather than a NaN.
  const double length = Length3(direction);
  if (length > 0 && std::isfinite(length)) {
    Normalize3(direction);
    direction.w = 0;
    viewDirection_ = direction;
  }
  ClearStructureDirty();
}

void TCamera::RenderSelf(TRenderPass& pass) {
  if (Count() > 0) RenderChildRange(0, Count() - 1, pass);
}

}  // namespace nimbrel::scene
