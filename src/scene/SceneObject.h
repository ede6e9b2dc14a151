#pragma once
// The node of the scene tree: children it owns, its frame relative to its parent, the flags that decide
// when matrices and display lists are rebuilt, and its step of the render traversal.
//
// Ownership: a parent owns its children (std::unique_ptr); an object outside a tree is owned by whoever
// holds its std::unique_ptr and belongs to no scene. References to objects that may go away are
// TObjectLink, which reads as null once the object is destroyed.

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "scene/Geometry.h"
#include "scene/Misc.h"
#include "scene/RenderPass.h"

namespace nimbrel::scene {

class TScene;

enum class TTransformationMode { tmLocal, tmParentNoPos, tmParentWithPos };

class TBaseSceneObject : public TUpdateAbleOwner {
 public:
  TBaseSceneObject();
  virtual ~TBaseSceneObject();
  TBaseSceneObject(const TBaseSceneObject&) = delete;
  TBaseSceneObject& operator=(const TBaseSceneObject&) = delete;

  // --- Tree ---
  TBaseSceneObject* Parent() const noexcept { return parent_; }
  TScene* Scene() const noexcept { return scene_; }
  int Count() const noexcept { return static_cast<int>(children_.size()); }
  TBaseSceneObject& Child(int index) const;                   // out of range: EAssertionFailed
  int IndexOf(const TBaseSceneObject& child) const noexcept;  // -1 when not a child
  int IndexInParent() const noexcept { return parent_ ? parent_->IndexOf(*this) : -1; }
  // Moves this object among its siblings; the index is clamped to 0..count-1.
  void SetIndexInParent(int index);

  // Takes the object in as the last (or index-th) child; it joins this object's scene. The object must
  // have no parent and must not be an ancestor of this one.
  TBaseSceneObject& AttachChild(std::unique_ptr<TBaseSceneObject> child);
  TBaseSceneObject& InsertChildAt(int index, std::unique_ptr<TBaseSceneObject> child);
  template <class T>
  requires std::is_base_of_v<TBaseSceneObject, T> T& Attach(std::unique_ptr<T> child) {
    return static_cast<T&>(AttachChild(std::move(child)));
  }
  template <class T, class... Args>
  T& AddNewChild(Args&&... args) {
    return Attach(std::make_unique<T>(std::forward<Args>(args)...));
  }
  // Hands the child back to the caller, out of every scene. With keepChildren its children stay here,
  // appended to this object's children in their order.
  std::unique_ptr<TBaseSceneObject> DetachChild(TBaseSceneObject& child, bool keepChildren = false);
  // Frees the child and its subtree.
  void DestroyChild(TBaseSceneObject& child) { DetachChild(child, false); }
  // Moves this object (which must have a parent) under newParent and returns null; with no new parent
  // it leaves the tree and is handed back to the caller.
  std::unique_ptr<TBaseSceneObject> Reparent(TBaseSceneObject* newParent);
  void DestroyChildren();

  // --- Change ---
  void BeginChanges() noexcept { ++changeCount_; }
  void EndChanges();  // unbalanced: EAssertionFailed "Unbalanced Begin/EndUpdate"
  int ChangeCount() const noexcept { return changeCount_; }
  // Asks for a repaint: the scene tells its viewers unless this object or the scene is inside a batch.
  virtual void SignalChange();
  void MarkTransformDirty();
  void MarkStructureDirty();
  bool TransformationDirty() const noexcept { return transformationDirty_; }
  bool StructureDirty() const noexcept { return structureDirty_; }
  bool WorldMatrixDirty() const noexcept { return worldDirty_; }

  // --- Plain properties ---
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  bool ShowAxes() const noexcept { return showAxes_; }
  void SetShowAxes(bool value);
  TObjectsSorting ObjectsSorting() const noexcept { return sorting_; }
  void SetObjectsSorting(TObjectsSorting value);
  TTransformationMode TransformationMode() const noexcept { return transformationMode_; }
  void SetTransformationMode(TTransformationMode value) noexcept { transformationMode_ = value; }
  // Free for the user of the object; the scene layer never reads them.
  std::intptr_t Tag = 0;
  float TagFloat = 0;

  // --- Frame ---
  TCoordinates& Position() noexcept { return position_; }
  const TCoordinates& Position() const noexcept { return position_; }
  TCoordinates& Direction() noexcept { return direction_; }
  const TCoordinates& Direction() const noexcept { return direction_; }
  TCoordinates& Up() noexcept { return up_; }
  const TCoordinates& Up() const noexcept { return up_; }
  TCoordinates& Scale() noexcept { return scale_; }
  const TCoordinates& Scale() const noexcept { return scale_; }
  void SetPosition(const TCoordinates& value) { position_.AssignPoint(value.X(), value.Y(), value.Z()); }
  void SetDirection(const TCoordinates& value) { direction_.AssignVector(value.X(), value.Y(), value.Z()); }
  void SetUp(const TCoordinates& value) { up_.AssignVector(value.X(), value.Y(), value.Z()); }
  void SetScale(const TCoordinates& value) { scale_.AssignVector(value.AsFloat4()); }

  // Degrees; setting one turns Direction and Up (and with tmParentWithPos the position) by the
  // difference, and stores the angle brought into (-180, 180]. Non-finite values are ignored.
  float TurnAngle() const noexcept { return angles_.y; }
  float PitchAngle() const noexcept { return angles_.x; }
  float RollAngle() const noexcept { return angles_.z; }
  void SetTurnAngle(float degrees);
  void SetPitchAngle(float degrees);
  void SetRollAngle(float degrees);

  // Local: rows Cross3(Up, Direction) x Scale.X, Up x Scale.Y, Direction x Scale.Z, Position.
  // World: local x parent.world (the scene root's children have world = local). Both are brought up to
  // date when read, so they are right even between a move and the next frame.
  const Matrix4x4& LocalMatrix() const;
  const Matrix4x4& GetWorldMatrix() const;
  Float4 GetWorldPosition() const { return GetWorldMatrix()[3]; }
  // Before a frame: rebuilds the local matrices that are out of date in the subtree and passes
  // world-matrix staleness down to the children.
  void RefreshTransforms();

  // Called by the frame's coordinates when they change: keeps Direction and Up orthonormal.
  virtual void CoordinatesChanged(TCoordinates& sender);

  // --- Rendering (a rendering context is current) ---
  void RenderObject(TRenderPass& pass);
  void RenderChildRange(int first, int last, TRenderPass& pass);
  unsigned DisplayList() const noexcept { return displayList_; }
  unsigned ObtainDisplayList(TRenderPass& pass);
  // Marks the subtree structure-dirty and gives its display lists back, children first. With
  // contextGone the names are only forgotten (the context took them along).
  void ReleaseDisplayLists(bool contextGone);
  // Whether the object is drawn blended, and so after the opaque ones when sorting osRenderBlendedLast.
  virtual bool IsBlended() const noexcept { return false; }
  bool DirectRender() const noexcept { return directRender_; }
  // The class name without namespace, for messages.
  std::string ClassName() const;

  // --- TUpdateAbleOwner ---
  void NotifyChange(TUpdateAbleObject& sender) override;
  TBaseSceneObject* AsSceneObject() noexcept override { return this; }

  // Shared by every TObjectLink to this object; holds null once the object is destroyed.
  const std::shared_ptr<TBaseSceneObject*>& LifeToken() const;

 protected:
  virtual void BuildGeometry(TRenderPass& pass);  // compiled into the display list; empty here
  // Called before the display list is opened for BuildGeometry: lists cannot be compiled inside one
  // another, so the lists that BuildGeometry calls are made ready here. Empty here.
  virtual void PrepareGeometry(TRenderPass& pass);
  virtual void RenderSelf(TRenderPass& pass);
  virtual void PushTransform(TRenderPass& pass);
  virtual void PopTransform(TRenderPass& pass);
  // Called on each object of a subtree whose scene is about to change; releases the display lists.
  virtual void SceneChanging(TScene* newScene);
  // Gives back this object's own renderer resources (its display list).
  virtual void ReleaseOwnDisplayResources(bool contextGone);
  void SetDirectRender(bool value) noexcept { directRender_ = value; }
  void SetIsObjectRoot() noexcept { isObjectRoot_ = true; }
  void ClearStructureDirty() noexcept { structureDirty_ = false; }

 private:
  friend class TScene;

  std::unique_ptr<TBaseSceneObject> TakeChildAt(std::size_t index);
  void AssertNotAncestorOf(const TBaseSceneObject& object, const char* operation) const;
  void SetSceneOfSubtree(TScene* scene);
  bool SubtreeHasDisplayList() const noexcept;
  void ChangeSceneRecursive(TScene* scene);
  void ReleaseSubtree(bool contextGone);
  void RebuildLocalMatrix() const;
  void RotateFrame(const Float4& axis, double angleRadians);
  void FrameAxes(Float4& direction, Float4& up) const;

  TBaseSceneObject* parent_ = nullptr;
  TScene* scene_ = nullptr;
  std::vector<std::unique_ptr<TBaseSceneObject>> children_;

  TCoordinates position_;
  TCoordinates direction_;
  TCoordinates up_;
  TCoordinates scale_;
  Float3 angles_{};  // pitch, turn, roll in degrees

  // Caches brought up to date by the const readers.
  mutable Matrix4x4 local_ = kIdentityMatrix;
  mutable Matrix4x4 world_ = kIdentityMatrix;
  mutable bool transformationDirty_ = true;
  mutable bool worldDirty_ = true;
  // Each recomputation of a world matrix gets a new stamp; a child that remembers an older stamp of its
  // parent knows its own world matrix is stale even if no flag reached it.
  mutable std::uint64_t worldStamp_ = 0;
  mutable std::uint64_t parentStampUsed_ = 0;

  bool structureDirty_ = true;
  bool directRender_ = false;
  bool isObjectRoot_ = false;
  int changeCount_ = 0;
  unsigned displayList_ = 0;

  bool visible_ = true;
  bool showAxes_ = false;
  TObjectsSorting sorting_ = TObjectsSorting::osInherited;
  TTransformationMode transformationMode_ = TTransformationMode::tmLocal;

  mutable std::shared_ptr<TBaseSceneObject*> lifeToken_;
};

// A non-owning reference to a scene object that becomes null when the object is destroyed.
template <class T>
class TObjectLink {
 public:
  TObjectLink() = default;
  TObjectLink(T* object) : token_(object ? object->LifeToken() : nullptr) {}  // NOLINT: implicit on purpose
  T* Get() const noexcept { return token_ && *token_ ? static_cast<T*>(*token_) : nullptr; }
  T* operator->() const noexcept { return Get(); }
  explicit operator bool() const noexcept { return Get() != nullptr; }
  void Reset() noexcept { token_.reset(); }

 private:
  std::shared_ptr<TBaseSceneObject*> token_;
};

// Holds a batch open for a scope, so an exception cannot leave the scene or an object stuck in it.
template <class T>
class TChangesBatch {
 public:
  explicit TChangesBatch(T& target) : target_(target) { target_.BeginChanges(); }
  ~TChangesBatch() {
    try {
      target_.EndChanges();
    } catch (...) {
      // A destructor must not throw; the batch is closed either way.
    }
  }
  TChangesBatch(const TChangesBatch&) = delete;
  TChangesBatch& operator=(const TChangesBatch&) = delete;

 private:
  T& target_;
};

}  // namespace nimbrel::scene
