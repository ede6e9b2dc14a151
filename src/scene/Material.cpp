#include "scene/Material.h"

#include <GL/gl.h>

#include <algorithm>

#include "scene/SceneErrors.h"
#include "scene/SceneObject.h"

namespace nimbrel::scene {

namespace {

GLenum GLPolygonMode(TPolygonMode mode) {
  switch (mode) {
    case TPolygonMode::pmFill:
      return GL_FILL;
    case TPolygonMode::pmLines:
      return GL_LINE;
    case TPolygonMode::pmPoints:
      return GL_POINT;
  }
  AssertionFailure("TMaterial: unknown polygon mode");
}

// Sends one colour unless the cache says the renderer already has it.
void SendColor(GLenum face, GLenum what, const TColor& color, std::optional<Float4>* cached) {
  const Float4& rgba = color.AsFloat4();
  if (cached && *cached && Same4(**cached, rgba)) return;
  const GLfloat values[4] = {rgba.x, rgba.y, rgba.z, rgba.w};
  glMaterialfv(face, what, values);
  if (cached) *cached = rgba;
}

void SendFace(GLenum face, const TFaceProperties& properties, TMaterialCache::TFace* cache) {
  if (!cache || cache->shininess != properties.Shininess()) {
    glMateriali(face, GL_SHININESS, properties.Shininess());
    if (cache) cache->shininess = properties.Shininess();
  }
  SendColor(face, GL_EMISSION, properties.Emission(), cache ? &cache->emission : nullptr);
  SendColor(face, GL_AMBIENT, properties.Ambient(), cache ? &cache->ambient : nullptr);
  SendColor(face, GL_DIFFUSE, properties.Diffuse(), cache ? &cache->diffuse : nullptr);
  SendColor(face, GL_SPECULAR, properties.Specular(), cache ? &cache->specular : nullptr);
  if (!cache || cache->polygonMode != properties.PolygonMode()) {
    glPolygonMode(face, GLPolygonMode(properties.PolygonMode()));
    if (cache) cache->polygonMode = properties.PolygonMode();
  }
}

}  // namespace

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

void TMaterial::Apply(TRenderPass& pass) {
  TMaterialCache* cache = pass.materialCache;
  SendFace(GL_FRONT, front_, cache ? &cache->faces[0] : nullptr);
  // With culling on the back faces are never drawn, so their colours would be sent for nothing.
  if (!pass.states.Has(TRenderState::stCullFace))
    SendFace(GL_BACK, back_, cache ? &cache->faces[1] : nullptr);

  switch (blendingMode_) {
    case TBlendingMode::bmOpaque:
      pass.states.Disable(TRenderState::stBlend);
      break;
    case TBlendingMode::bmTransparency:
      pass.states.Enable(TRenderState::stBlend);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case TBlendingMode::bmAdditive:
      pass.states.Enable(TRenderState::stBlend);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    default:
      AssertionFailure("TMaterial::Apply: unknown blending mode");
  }

  // Fog is switched behind the state set's back: the set keeps saying the scene has fog, which is what
  // the next material needs to know, and UnApply puts it back.
  if (options_.Has(TMaterialOption::moIgnoreFog) && pass.states.Has(TRenderState::stFog)) {
    if (!cache || cache->fogSuspended++ == 0) glDisable(GL_FOG);
  }

  texture_.Apply(pass);
}

void TMaterial::UnApply(TRenderPass& pass) {
  if (options_.Has(TMaterialOption::moIgnoreFog) && pass.states.Has(TRenderState::stFog)) {
    TMaterialCache* cache = pass.materialCache;
    if (!cache || --cache->fogSuspended == 0) glEnable(GL_FOG);
  }
}

}  // namespace nimbrel::scene
