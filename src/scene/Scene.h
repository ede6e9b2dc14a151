#pragma once
// The scene: the object tree with its root, the camera root, the light-slot table and the viewers that
// draw it. It knows nothing of windows: a viewer is anything that implements TSceneViewerBase.

#include <array>
#include <memory>
#include <vector>

#include "scene/RenderPass.h"
#include "scene/SceneObject.h"
#include "scene/SharedDisplayLists.h"

namespace nimbrel::scene {

class TCamera;
class TScene;

// What the scene needs of a window that draws it.
class TSceneViewerBase {
 public:
  // Asks for a repaint; repeated requests before the next frame may be merged into one.
  virtual void Invalidate() = 0;
  // Makes the viewer's rendering context current; activations nest. False when it has no context.
  virtual bool ActivateContext() = 0;
  virtual void DeactivateContext() = 0;
  // The object is leaving the scene or being destroyed: drop every reference to it (its camera, say).
  // Only its address may be used.
  virtual void SceneObjectLeaving(TBaseSceneObject& /*object*/) {}
  // The scene is being destroyed: forget it without calling back into it.
  virtual void SceneDestroyed(TScene& /*scene*/) {}

 protected:
  TSceneViewerBase() = default;
  TSceneViewerBase(const TSceneViewerBase&) = default;
  TSceneViewerBase& operator=(const TSceneViewerBase&) = default;
  ~TSceneViewerBase() = default;
};

// The root of the drawn objects: drawn directly (it has no geometry of its own to compile), and its
// children's world matrices equal their local ones.
class TSceneRootObject : public TBaseSceneObject {
 public:
  TSceneRootObject();
};

class TScene {
 public:
  static constexpr int kLightSlotCount = 8;

  TScene();
  ~TScene();
  TScene(const TScene&) = delete;
  TScene& operator=(const TScene&) = delete;

  TSceneRootObject& ObjectRoot() noexcept { return *objectRoot_; }
  // Cameras live here: never drawn, never picked, and their world matrix is their local one.
  TBaseSceneObject& CameraRoot() noexcept { return *cameraRoot_; }
  TCamera& AddCamera(std::unique_ptr<TCamera> camera);

  // Batches: the viewers are invalidated once, when the outermost EndChanges closes the batch.
  void BeginChanges() noexcept { ++changeCount_; }
  void EndChanges();  // unbalanced: EAssertionFailed "Unbalanced Begin/EndUpdate"
  int ChangeCount() const noexcept { return changeCount_; }
  // An object of this scene changed: invalidate the viewers unless inside a batch.
  void NotifyChange(TBaseSceneObject& sender);

  void AttachViewer(TSceneViewerBase& viewer);
  // The last viewer to go takes the display lists with it: they are released (in its context when it
  // can still activate it) before it is forgotten.
  void DetachViewer(TSceneViewerBase& viewer);
  const std::vector<TSceneViewerBase*>& Viewers() const noexcept { return viewers_; }

  // The light numbers: a light gets the first free of the 8 slots (-1 when all are taken) for as long as
  // it belongs to the scene.
  int AllocateLightSlot(TBaseSceneObject& light);
  void FreeLightSlot(TBaseSceneObject& light) noexcept;
  TBaseSceneObject* LightInSlot(int slot) const noexcept;

  // Sends the lights in the slots (up to maxLights, the renderer's limit) to the renderer and switches
  // off the renderer lights of empty slots and of lights that do not shine. Once per frame, with the
  // camera view on the model-view matrix, before the objects are drawn.
  void ApplyLights(int maxLights);

  // The viewers' rendering context went away: the display lists and texture names it held are gone
  // with it, so they are forgotten (not deleted) and made again in the next context.
  void RendererContextLost();
  // A new rendering context is ready: it knows none of the light values the old one was sent, so every
  // light sends its spot and attenuation values again in the next frame (a spotlight would otherwise
  // light like a 180-degree omni light).
  void RendererContextCreated();

  TObjectsSorting ObjectsSorting() const noexcept { return sorting_; }
  void SetObjectsSorting(TObjectsSorting value);

  // Brings every matrix up to date, lets the camera set the view (model-view matrix selected) and
  // remembers it as the current camera.
  void PrepareCamera(TCamera& camera);
  TCamera* CurrentCamera() const noexcept { return currentCamera_; }
  // Draws the object tree for a viewer whose context is current. With pickNames the pass is a
  // selection-mode pass and the drawn objects are listed there (name = index + 1).
  void RenderAll(TSceneViewerBase& viewer, int width, int height, TRenderStates& states,
                 std::vector<TBaseSceneObject*>* pickNames = nullptr);

  bool Destroying() const noexcept { return destroying_; }

  // Geometry that the objects' own lists call, compiled once for all objects that draw it alike. It is
  // given back with the objects' lists.
  TSharedDisplayLists& SharedLists() noexcept { return sharedLists_; }
  const TSharedDisplayLists& SharedLists() const noexcept { return sharedLists_; }

  // Makes a context that shares this scene's display lists current for its lifetime, if one is not
  // already; Ready() tells whether renderer calls may be made.
  class TContextUse {
   public:
    explicit TContextUse(TScene* scene);
    ~TContextUse();
    TContextUse(const TContextUse&) = delete;
    TContextUse& operator=(const TContextUse&) = delete;
    bool Ready() const noexcept { return ready_; }

   private:
    TScene* scene_;
    TSceneViewerBase* activated_ = nullptr;
    bool ready_ = false;
  };
  bool ContextReady() const noexcept { return readyContexts_ > 0; }

 private:
  friend class TBaseSceneObject;
  // The object is leaving the scene or being destroyed: forget every reference to it.
  void ObjectLeaving(TBaseSceneObject& object);
  void InvalidateViewers();
  void ReleaseAllDisplayLists(bool contextGone);

  // Before the objects: they give their shared lists back while being destroyed.
  TSharedDisplayLists sharedLists_;
  std::unique_ptr<TSceneRootObject> objectRoot_;
  std::unique_ptr<TBaseSceneObject> cameraRoot_;
  std::array<TBaseSceneObject*, kLightSlotCount> lightSlots_{};
  std::vector<TSceneViewerBase*> viewers_;
  TCamera* currentCamera_ = nullptr;
  TObjectsSorting sorting_ = TObjectsSorting::osRenderBlendedLast;
  int changeCount_ = 0;
  int readyContexts_ = 0;
  bool destroying_ = false;
};

}  // namespace nimbrel::scene
