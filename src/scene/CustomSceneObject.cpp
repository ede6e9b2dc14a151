#include "scene/CustomSceneObject.h"

namespace nimbrel::scene {

TCustomSceneObject::TCustomSceneObject() : material_(this) {}

TCustomSceneObject::~TCustomSceneObject() = default;

void TCustomSceneObject::RenderSelf(TRenderPass& pass) {
  TBaseSceneObject::RenderSelf(pass);
}

void TCustomSceneObject::ReleaseOwnDisplayResources(bool contextGone) {
  TBaseSceneObject::ReleaseOwnDisplayResources(contextGone);
}

}  // namespace nimbrel::scene
