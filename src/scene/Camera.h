#pragma once
// The scene object the viewer looks from: focal length, depth of view and style make the projection;
// the position and either a target object or its own direction make the view.

#include "scene/SceneObject.h"

namespace nimbrel::scene {

enum class TCameraStyle { csPerspective, csOrthogonal };

// A window rectangle in pixels: left, top, width, height.
struct TViewport {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// The six values of a frustum (or orthographic box) and the view-radius factor that go with them.
struct TProjection {
  double left = 0, right = 0, bottom = 0, top = 0;
  double nearPlane = 1, farPlane = 101;
  double viewRadiusFactor = 0;  // half-diagonal of the near-plane rectangle / nearPlane
};

class TCamera : public TBaseSceneObject {
 public:
  TCamera();

  float FocalLength() const noexcept { return focalLength_; }
  // Below 1, or not finite, becomes 1.
  void SetFocalLength(float value);
  float DepthOfView() const noexcept { return depthOfView_; }
  void SetDepthOfView(float value);  // non-finite values are ignored
  // Becomes null by itself when the target is destroyed.
  TBaseSceneObject* TargetObject() const noexcept { return target_.Get(); }
  void SetTargetObject(TBaseSceneObject* target);
  TCameraStyle CameraStyle() const noexcept { return style_; }
  void SetCameraStyle(TCameraStyle value);

  // Values of the last ApplyProjection / ApplyView.
  float NearPlane() const noexcept { return nearPlane_; }
  float ViewRadiusFactor() const noexcept { return viewRadiusFactor_; }
  const Float4& ViewDirection() const noexcept { return viewDirection_; }

  // The projection for a viewer of width x height pixels at dpi pixels per inch: the larger window
  // dimension spans one unit at the near plane, which lies FocalLength millimetres of screen away.
  // Sizes below one pixel count as one and a dpi that is not positive and finite as 96.
  TProjection ComputeProjection(const TViewport& viewport, int width, int height, float dpi) const;
  // Multiplies that projection onto the current (projection) matrix and keeps its values.
  void ApplyProjection(const TViewport& viewport, int width, int height, float dpi);
  // Multiplies the look-at transform onto the current (model-view) matrix; transforms are up to date.
  void ApplyView();

 protected:
  void RenderSelf(TRenderPass& pass) override;  // a camera has no geometry; only its children draw

 private:
  float focalLength_ = 50;
  float depthOfView_ = 100;
  TObjectLink<TBaseSceneObject> target_;
  TCameraStyle style_ = TCameraStyle::csPerspective;
  float nearPlane_ = 1;
  float viewRadiusFactor_ = 0;
  Float4 viewDirection_{0, 0, -1, 0};
};

}  // namespace nimbrel::scene
