#include "scene/Material.h"

#include <algorithm>

#include "scene/SceneObject.h"

namespace nimbrel::scene {

TFaceProperties::TFaceProperties(TUpdateAbleOwner* owner)
    : TUpdateAbleObject(owner),
      ambient_(this, {0.2f, 0.2f, 0.2f, 1}),
      diffuse_(this, {0.8f, 0.8f, 0.8f, 1}),
      emission_(this, {0, 0, 0, 1}),
      specular_(this, {0, 0, 0, 1}) {}

void TFaceProperties::SetShininess(int value) {
  value = std::clamp(value, 0, kMaxShininess);
  if (value == shininess_) return;
  shininess_ = value;
  NotifyChange(*this);
}

void TFaceProperties::SetPolygonMode(TPolygonMode value) {
  if (value == polygonMode_) return;
  polygonMode_ = value;
  NotifyChange(*this);
}

TBaseSceneObject* TFaceProperties::AsSceneObject() noexcept {
  return Owner() ? Owner()->AsSceneObject() : nullptr;
}

TMaterial::TMaterial(TUpdateAbleOwner* owner)
    : TUpdateAbleObject(owner), front_(this), back_(this), texture_(this) {}

void TMaterial::SetBlendingMode(TBlendingMode value) {
  if (value == blendingMode_) return;
  blendingMode_ = value;
  NotifyChange(*this);
}

void TMaterial::SetMaterialOptions(TMaterialOptions value) {
  if (value == options_) return;
  options_ = value;
  NotifyChange(*this);
}

TBaseSceneObject* TMaterial::AsSceneObject() noexcept {
  return Owner() ? Owner()->AsSceneObject() : nullptr;
}

void TMaterial::Apply(TRenderPass& /*pass*/) {}

void TMaterial::UnApply(TRenderPass& /*pass*/) {}

}  // namespace nimbrel::scene
