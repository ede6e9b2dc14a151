#include "scene/Scene.h"

#include <GL/gl.h>

#include <algorithm>

#include "scene/Camera.h"
#include "scene/LightSource.h"
#include "scene/Material.h"
#include "scene/SceneErrors.h"

namespace nimbrel::scene {

TSceneRootObject::TSceneRootObject() {
  SetDirectRender(true);
  SetIsObjectRoot();
}

TScene::TScene()
    : objectRoot_(std::make_unique<TSceneRootObject>()), cameraRoot_(std::make_unique<TBaseSceneObject>()) {
  objectRoot_->SetSceneOfSubtree(this);
  cameraRoot_->SetSceneOfSubtree(this);
}

TScene::~TScene() {
  destroying_ = true;
  try {
    TContextUse use(this);
    objectRoot_->ReleaseSubtree(!use.Ready());
    cameraRoot_->ReleaseSubtree(!use.Ready());
    sharedLists_.ReleaseAll(!use.Ready());
  } catch (...) {
    // A renderer error while tearing down cannot be reported; the names are forgotten.
    sharedLists_.ForgetAll();
  }
  objectRoot_.reset();
  cameraRoot_.reset();
  const std::vector<TSceneViewerBase*> viewers = std::move(viewers_);
  viewers_.clear();
  for (TSceneViewerBase* viewer : viewers) viewer->SceneDestroyed(*this);
}

TCamera& TScene::AddCamera(std::unique_ptr<TCamera> camera) {
  return cameraRoot_->Attach(std::move(camera));
}

void TScene::EndChanges() {
  SceneAssert(changeCount_ > 0, "Unbalanced Begin/EndUpdate");
  if (--changeCount_ == 0) InvalidateViewers();
}

void TScene::NotifyChange(TBaseSceneObject& /*sender*/) {
  if (changeCount_ > 0) return;
  InvalidateViewers();
}

void TScene::InvalidateViewers() {
  if (destroying_) return;
  // By index: a viewer's Invalidate only asks for a paint, but the list must not be assumed stable.
  for (std::size_t i = 0; i < viewers_.size(); ++i) viewers_[i]->Invalidate();
}

void TScene::AttachViewer(TSceneViewerBase& viewer) {
  if (std::find(viewers_.begin(), viewers_.end(), &viewer) == viewers_.end()) viewers_.push_back(&viewer);
}

void TScene::DetachViewer(TSceneViewerBase& viewer) {
  const auto it = std::find(viewers_.begin(), viewers_.end(), &viewer);
  if (it == viewers_.end()) return;
  if (viewers_.size() == 1 && !destroying_) {
    // Lists live in the share group of the viewers' contexts: with the last one gone they are gone too.
    // A context that cannot be made current any more still takes them along: they are forgotten, and
    // the viewer leaves all the same.
    bool active = false;
    try {
      active = viewer.ActivateContext();
    } catch (...) {
      active = false;
    }
    ++readyContexts_;
    try {
      ReleaseAllDisplayLists(!active);
    } catch (...) {
      --readyContexts_;
      if (active) viewer.DeactivateContext();
      viewers_.erase(std::find(viewers_.begin(), viewers_.end(), &viewer));
      throw;
    }
    --readyContexts_;
    if (active) viewer.DeactivateContext();
  }
  // Searched again: the release above may have run viewer callbacks.
  const auto again = std::find(viewers_.begin(), viewers_.end(), &viewer);
  if (again != viewers_.end()) viewers_.erase(again);
}

void TScene::ReleaseAllDisplayLists(bool contextGone) {
  try {
    objectRoot_->ReleaseSubtree(contextGone);
    cameraRoot_->ReleaseSubtree(contextGone);
  } catch (...) {
    // The objects that did not get to let go of their shared lists still hold them: forgetting the
    // lists keeps them from being deleted under those objects' own lists.
    sharedLists_.ForgetAll();
    throw;
  }
  // Every object has let go of its shared lists, so each of them can go now.
  sharedLists_.ReleaseAll(contextGone);
}

int TScene::AllocateLightSlot(TBaseSceneObject& light) {
  for (int i = 0; i < kLightSlotCount; ++i) {
    if (lightSlots_[static_cast<std::size_t>(i)] == &light) return i;
  }
  for (int i = 0; i < kLightSlotCount; ++i) {
    auto& slot = lightSlots_[static_cast<std::size_t>(i)];
    if (!slot) {
      slot = &light;
      return i;
    }
  }
  return -1;
}

void TScene::FreeLightSlot(TBaseSceneObject& light) noexcept {
  for (auto& slot : lightSlots_) {
    if (slot == &light) slot = nullptr;
  }
}

TBaseSceneObject* TScene::LightInSlot(int slot) const noexcept {
  if (slot < 0 || slot >= kLightSlotCount) return nullptr;
  return lightSlots_[static_cast<std::size_t>(slot)];
}

void TScene::ApplyLights(int maxLights) {
  glPushMatrix();
  const int count = std::min(maxLights, kLightSlotCount);
  for (int i = 0; i < count; ++i) {
    auto* light = dynamic_cast<TLightSource*>(lightSlots_[static_cast<std::size_t>(i)]);
    const auto id = static_cast<GLenum>(GL_LIGHT0 + i);
    if (!light || !light->Shining()) {
      glDisable(id);
      continue;
    }
    glEnable(id);
    // Every light starts from the camera view.
    glPopMatrix();
    glPushMatrix();
    light->SendToRenderer(i);
  }
  glPopMatrix();
}

void TScene::RendererContextLost() {
  ReleaseAllDisplayLists(true);
}

void TScene::RendererContextCreated() {
  for (TBaseSceneObject* object : lightSlots_) {
    if (auto* light = dynamic_cast<TLightSource*>(object)) light->MarkAllChanged();
  }
}

void TScene::SetObjectsSorting(TObjectsSorting value) {
  if (sorting_ == value) return;
  sorting_ = value;
  InvalidateViewers();
}

void TScene::ObjectLeaving(TBaseSceneObject& object) {
  FreeLightSlot(object);
  if (currentCamera_ == &object) currentCamera_ = nullptr;
  // A copy: a viewer that loses its camera may detach itself from the scene.
  const std::vector<TSceneViewerBase*> viewers = viewers_;
  for (TSceneViewerBase* viewer : viewers) viewer->SceneObjectLeaving(object);
}

void TScene::PrepareCamera(TCamera& camera) {
  SceneAssert(camera.Scene() == this, "TScene::PrepareCamera: the camera does not belong to this scene");
  cameraRoot_->RefreshTransforms();
  objectRoot_->RefreshTransforms();
  camera.ApplyView();
  currentCamera_ = &camera;
}

void TScene::RenderAll(TSceneViewerBase& /*viewer*/, int width, int height, TRenderStates& states,
                       std::vector<TBaseSceneObject*>* pickNames) {
  TRenderPass pass;
  pass.sorting = sorting_;
  if (currentCamera_) {
    pass.cameraPosition = currentCamera_->GetWorldPosition();
    pass.viewDirection = currentCamera_->ViewDirection();
    pass.nearDistance = currentCamera_->NearPlane();
    pass.farDistance = currentCamera_->NearPlane() + currentCamera_->DepthOfView();
  }
  pass.width = width;
  pass.height = height;
  pass.states = states;
  pass.pickNames = pickNames;
  TMaterialCache materialCache;  // a traversal starts with nothing known to be sent
  pass.materialCache = &materialCache;

  // The viewer has made its context current: display lists may be compiled and deleted meanwhile.
  struct TReadyScope {
    int& ready;
    explicit TReadyScope(int& r) : ready(r) { ++ready; }
    ~TReadyScope() { --ready; }
    TReadyScope(const TReadyScope&) = delete;
    TReadyScope& operator=(const TReadyScope&) = delete;
  } scope(readyContexts_);

  objectRoot_->RenderObject(pass);
  states = pass.states;
}

TScene::TContextUse::TContextUse(TScene* scene) : scene_(scene) {
  if (!scene_) return;
  if (scene_->readyContexts_ > 0) {
    ready_ = true;
  } else if (!scene_->viewers_.empty()) {
    TSceneViewerBase* shared = scene_->viewers_.front();
    if (shared->ActivateContext()) {
      activated_ = shared;
      ready_ = true;
    }
  }
  if (ready_) ++scene_->readyContexts_;
}

TScene::TContextUse::~TContextUse() {
  if (!ready_) return;
  --scene_->readyContexts_;
  if (activated_) activated_->DeactivateContext();
}

}  // namespace nimbrel::scene
