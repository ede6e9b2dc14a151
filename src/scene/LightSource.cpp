#include "scene/LightSource.h"

#include "scene/Scene.h"

namespace nimbrel::scene {

TLightSource::TLightSource()
    : ambient_(this, {0, 0, 0, 1}),
      diffuse_(this, {1, 1, 1, 1}),
      specular_(this, {0, 0, 0, 1}),
      spotDirection_(this, {0, 0, -1, 0}, TCoordinatesStyle::coVector) {
  SetVisible(false);
}

TLightSource::~TLightSource() = default;

void TLightSource::SetLightStyle(TLightStyle value) {
  if (value == style_) return;
  style_ = value;
  spotChanged_ = true;
  SignalChange();
}

void TLightSource::SetSpotCutOff(float value) {
  if (value == spotCutOff_) return;
  spotCutOff_ = value;
  spotChanged_ = true;
  SignalChange();
}

void TLightSource::SetSpotExponent(float value) {
  if (value == spotExponent_) return;
  spotExponent_ = value;
  spotChanged_ = true;
  SignalChange();
}

void TLightSource::SetSpotDirection(const Float4& value) {
  spotDirection_.AssignVector(value.x, value.y, value.z);
}

void TLightSource::SetConstAttenuation(float value) {
  if (value == constAttenuation_) return;
  constAttenuation_ = value;
  attenuationChanged_ = true;
  SignalChange();
}

void TLightSource::SetLinearAttenuation(float value) {
  if (value == linearAttenuation_) return;
  linearAttenuation_ = value;
  attenuationChanged_ = true;
  SignalChange();
}

void TLightSource::SetQuadraticAttenuation(float value) {
  if (value == quadraticAttenuation_) return;
  quadraticAttenuation_ = value;
  attenuationChanged_ = true;
  SignalChange();
}

void TLightSource::SetShining(bool value) {
  if (value == shining_) return;
  shining_ = value;
  SignalChange();
}

void TLightSource::MarkAllChanged() noexcept {
  spotChanged_ = true;
  attenuationChanged_ = true;
}

void TLightSource::SendToRenderer(int /*slot*/) {}

void TLightSource::CoordinatesChanged(TCoordinates& sender) {
  if (&sender == &spotDirection_) {
    spotChanged_ = true;
    MarkTransformDirty();
    SignalChange();
    return;
  }
  TBaseSceneObject::CoordinatesChanged(sender);
}

void TLightSource::RenderSelf(TRenderPass& pass) {
  if (Count() > 0) RenderChildRange(0, Count() - 1, pass);
}

void TLightSource::SceneChanging(TScene* newScene) {
  TBaseSceneObject::SceneChanging(newScene);
  if (newScene) {
    const int slot = newScene->AllocateLightSlot(*this);
    if (slot >= 0) lightNumber_ = slot;
  }
}

void TLightSource::ReleaseOwnDisplayResources(bool contextGone) {
  TBaseSceneObject::ReleaseOwnDisplayResources(contextGone);
}

}  // namespace nimbrel::scene
