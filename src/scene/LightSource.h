#pragma once
// One of the renderer's fixed-function lights as a scene object. It draws nothing itself; the scene
// gives it one of its 8 light slots while it belongs to the scene, and every frame TScene::ApplyLights
// sends it to the renderer from its world position. Spot and attenuation values are sent only in the
// frame after they change: the renderer keeps them, and sending them every frame would cost for
// nothing.

#include "scene/Color.h"
#include "scene/SceneObject.h"

namespace nimbrel::scene {

enum class TLightStyle { lsSpot, lsOmni, lsParallel };

class TLightSource : public TBaseSceneObject {
 public:
  TLightSource();
  ~TLightSource() override;

  TColor& Ambient() noexcept { return ambient_; }
  const TColor& Ambient() const noexcept { return ambient_; }
  TColor& Diffuse() noexcept { return diffuse_; }
  const TColor& Diffuse() const noexcept { return diffuse_; }
  TColor& Specular() noexcept { return specular_; }
  const TColor& Specular() const noexcept { return specular_; }

  TLightStyle LightStyle() const noexcept { return style_; }
  void SetLightStyle(TLightStyle value);
  // Half-angle of the cone in degrees: 180 lights every direction, otherwise 0..90 for the renderer.
  float SpotCutOff() const noexcept { return spotCutOff_; }
  void SetSpotCutOff(float value);
  float SpotExponent() const noexcept { return spotExponent_; }
  void SetSpotExponent(float value);
  // Where the cone points, in the light's own frame; for lsParallel the direction the light comes from.
  TCoordinates& SpotDirection() noexcept { return spotDirection_; }
  const TCoordinates& SpotDirection() const noexcept { return spotDirection_; }
  void SetSpotDirection(const TCoordinates& value) { SetSpotDirection(value.AsFloat4()); }
  void SetSpotDirection(const Float4& value);  // W is forced to 0
  float ConstAttenuation() const noexcept { return constAttenuation_; }
  void SetConstAttenuation(float value);
  float LinearAttenuation() const noexcept { return linearAttenuation_; }
  void SetLinearAttenuation(float value);
  float QuadraticAttenuation() const noexcept { return quadraticAttenuation_; }
  void SetQuadraticAttenuation(float value);
  bool Shining() const noexcept { return shining_; }
  void SetShining(bool value);

  // The renderer light (GL_LIGHT0 + slot) this light last got, or -1 before any. A light that found
  // no free slot is never sent.
  int LightNumber() const noexcept { return lightNumber_; }
  bool SpotChanged() const noexcept { return spotChanged_; }
  bool AttenuationChanged() const noexcept { return attenuationChanged_; }
  // A new rendering context knows none of the values sent to the old one: send everything again.
  void MarkAllChanged() noexcept;

  // Sends the light as renderer light `slot` (enabled; the caller skips lights that do not shine). The
  // model-view matrix holds the camera view and is left as it was.
  void SendToRenderer(int slot);

  void CoordinatesChanged(TCoordinates& sender) override;

 protected:
  void RenderSelf(TRenderPass& pass) override;  // no geometry; only children would be drawn
  void SceneChanging(TScene* newScene) override;
  // Switches its renderer light off, so a removed light stops lighting.
  void ReleaseOwnDisplayResources(bool contextGone) override;

 private:
  TColor ambient_;
  TColor diffuse_;
  TColor specular_;
  TCoordinates spotDirection_;
  TLightStyle style_ = TLightStyle::lsSpot;
  float spotCutOff_ = 180;
  float spotExponent_ = 0;
  float constAttenuation_ = 0;
  float linearAttenuation_ = 0;
  float quadraticAttenuation_ = 0;
  bool shining_ = true;
  int lightNumber_ = -1;
  bool spotChanged_ = false;
  bool attenuationChanged_ = false;
};

}  // namespace nimbrel::scene
