#pragma once
// A scene object with a material: the material is applied around its display list, and its texture's
// name is given back with the list.

#include "scene/Material.h"
#include "scene/SceneObject.h"

namespace nimbrel::scene {

class TCustomSceneObject : public TBaseSceneObject {
 public:
  TCustomSceneObject();
  ~TCustomSceneObject() override;

  TMaterial& Material() noexcept { return material_; }
  const TMaterial& Material() const noexcept { return material_; }

  bool IsBlended() const noexcept override { return material_.IsBlended(); }

 protected:
  // The list between Apply and UnApply of the material, then the children.
  void RenderSelf(TRenderPass& pass) override;
  void ReleaseOwnDisplayResources(bool contextGone) override;

 private:
  TMaterial material_;
};

}  // namespace nimbrel::scene
