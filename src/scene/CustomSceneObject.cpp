#include "scene/CustomSceneObject.h"

#include <GL/gl.h>

#include "scene/Scene.h"

namespace nimbrel::scene {

TCustomSceneObject::TCustomSceneObject() : material_(this) {}

TCustomSceneObject::~TCustomSceneObject() {
  if (material_.Texture().Handle() == 0) return;
  try {
    TScene::TContextUse use(Scene());
    material_.Texture().ReleaseHandle(!use.Ready());
  } catch (...) {
    // Nothing can be reported from a destructor; the texture forgets its name on its own.
  }
}

void TCustomSceneObject::RenderSelf(TRenderPass& pass) {
  material_.Apply(pass);
  try {
    if (DirectRender()) {
      BuildGeometry(pass);
    } else {
      glCallList(ObtainDisplayList(pass));
    }
  } catch (...) {
    material_.UnApply(pass);
    throw;
  }
  material_.UnApply(pass);
  // The children bring their own materials; this one is done with.
  if (Count() > 0) RenderChildRange(0, Count() - 1, pass);
}

void TCustomSceneObject::ReleaseOwnDisplayResources(bool contextGone) {
  material_.Texture().ReleaseHandle(contextGone);
  TBaseSceneObject::ReleaseOwnDisplayResources(contextGone);
}

}  // namespace nimbrel::scene
