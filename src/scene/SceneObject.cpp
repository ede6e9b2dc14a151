#include "scene/SceneObject.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <typeinfo>

#include "scene/Scene.h"
#include "scene/SceneErrors.h"

namespace nimbrel::scene {

namespace {

// A Direction or Up that cannot be normalised is replaced by the default axis.
bool UsableAxis(const Float4& v) noexcept {
  const double length = Length3(v);
  return length > 0 && std::isfinite(length);
}

// Brings an angle into (-180, 180] by whole turns.
float NormalizedDegrees(double degrees) noexcept {
  return float(degrees - 360.0 * std::ceil((degrees - 180.0) / 360.0));
}

// Restores the pass's sorting when a child range is done, also when a child throws.
class TSortingScope {
 public:
  TSortingScope(TRenderPass& pass, TObjectsSorting mode) : pass_(pass), saved_(pass.sorting) {
    pass_.sorting = mode;
  }
  ~TSortingScope() { pass_.sorting = saved_; }
  TSortingScope(const TSortingScope&) = delete;
  TSortingScope& operator=(const TSortingScope&) = delete;

 private:
  TRenderPass& pass_;
  TObjectsSorting saved_;
};

struct TDistantChild {
  double distanceSquared;
  TBaseSceneObject* object;
};

// Sorted nearest first (equal distances keep their order) and drawn from the far end.
void RenderFarthestFirst(std::vector<TDistantChild>& children, TRenderPass& pass) {
  std::stable_sort(children.begin(), children.end(), [](const TDistantChild& a, const TDistantChild& b) {
    return a.distanceSquared < b.distanceSquared;
  });
  for (auto it = children.rbegin(); it != children.rend(); ++it) it->object->RenderObject(pass);
}

double DistanceSquared(const Float4& a, const Float4& b) noexcept {
  const double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
  return dx * dx + dy * dy + dz * dz;
}

// Deletes one list name; a renderer error is reported with the renderer library's text.
void DeleteDisplayList(unsigned name) {
  // Errors left over from earlier calls are not this deletion's; the bound keeps a broken driver from
  // holding us here.
  for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
  }
  glDeleteLists(name, 1);
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return;
  for (int i = 0; i < 6 && glGetError() != GL_NO_ERROR; ++i) {
  }
  const auto* text = reinterpret_cast<const char*>(gluErrorString(error));
  throw EOpenGLError(text ? text : "OpenGL error " + std::to_string(error));
}

// Holds a context of the scene current while a batch of objects goes: one activation for the batch
// rather than one per display list (making a window's context current costs far more than deleting
// a list). Nothing is activated when no list is there to give back or a context is current already;
// a context that cannot be made current leaves the objects to forget their lists.
class TBatchContext {
 public:
  TBatchContext(TScene* scene, bool releasesLists) noexcept {
    if (!scene || !releasesLists || scene->ContextReady()) return;
    try {
      use_.emplace(scene);
    } catch (...) {
      use_.reset();
    }
  }

 private:
  std::optional<TScene::TContextUse> use_;
};

}  // namespace

TBaseSceneObject::TBaseSceneObject()
    : position_(this, {0, 0, 0, 1}, TCoordinatesStyle::coPoint),
      direction_(this, {0, 0, 1, 0}, TCoordinatesStyle::coVector),
      up_(this, {0, 1, 0, 0}, TCoordinatesStyle::coVector),
      scale_(this, {1, 1, 1, 0}, TCoordinatesStyle::coFree) {}

TBaseSceneObject::~TBaseSceneObject() {
  if (lifeToken_) *lifeToken_ = nullptr;
  if (scene_) scene_->ObjectLeaving(*this);
  const TBatchContext batch(scene_, scene_ && !scene_->ContextReady() && SubtreeHasDisplayList());
  if (displayList_ != 0) {
    try {
      TScene::TContextUse use(scene_);
      TBaseSceneObject::ReleaseOwnDisplayResources(!use.Ready());
    } catch (...) {
      // Nothing can be reported from a destructor; the name is forgotten either way.
      displayList_ = 0;
    }
  }
  // Last to first, each taken out of the list before it is destroyed so that nothing sees a half-removed
  // entry.
  while (!children_.empty()) {
    std::unique_ptr<TBaseSceneObject> child = std::move(children_.back());
    children_.pop_back();
    child->parent_ = nullptr;
  }
}

// ---------------------------------------------------------------------------------------------- tree

TBaseSceneObject& TBaseSceneObject::Child(int index) const {
  SceneAssert(index >= 0 && index < Count(), "TBaseSceneObject::Child: index out of range");
  return *children_[static_cast<std::size_t>(index)];
}

int TBaseSceneObject::IndexOf(const TBaseSceneObject& child) const noexcept {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (children_[i].get() == &child) return static_cast<int>(i);
  }
  return -1;
}

void TBaseSceneObject::AssertNotAncestorOf(const TBaseSceneObject& object, const char* operation) const {
  for (const TBaseSceneObject* p = this; p; p = p->parent_) {
    if (p == &object) AssertionFailure(std::string(operation) + ": an object cannot go into its own subtree");
  }
}

TBaseSceneObject& TBaseSceneObject::AttachChild(std::unique_ptr<TBaseSceneObject> child) {
  return InsertChildAt(Count(), std::move(child));
}

TBaseSceneObject& TBaseSceneObject::InsertChildAt(int index, std::unique_ptr<TBaseSceneObject> child) {
  SceneAssert(child != nullptr, "TBaseSceneObject::AttachChild: no object");
  SceneAssert(child->parent_ == nullptr, "TBaseSceneObject::AttachChild: the object already has a parent");
  AssertNotAncestorOf(*child, "TBaseSceneObject::AttachChild");
  index = std::clamp(index, 0, Count());
  TBaseSceneObject& attached = *child;
  children_.insert(children_.begin() + index, std::move(child));
  attached.parent_ = this;
  attached.worldDirty_ = true;  // its world matrix now hangs off a different parent
  attached.SetSceneOfSubtree(scene_);
  MarkTransformDirty();
  return attached;
}

std::unique_ptr<TBaseSceneObject> TBaseSceneObject::TakeChildAt(std::size_t index) {
  std::unique_ptr<TBaseSceneObject> child = std::move(children_[index]);
  children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(index));
  child->parent_ = nullptr;
  return child;
}

std::unique_ptr<TBaseSceneObject> TBaseSceneObject::DetachChild(TBaseSceneObject& child, bool keepChildren) {
  const int index = IndexOf(child);
  SceneAssert(index >= 0, "TBaseSceneObject::DetachChild: not a child of this object");
  std::unique_ptr<TBaseSceneObject> detached = TakeChildAt(static_cast<std::size_t>(index));
  if (keepChildren) {
    TChangesBatch<TBaseSceneObject> batch(*this);
    while (!detached->children_.empty()) AttachChild(detached->TakeChildAt(0));
  } else {
    SignalChange();
  }
  detached->SetSceneOfSubtree(nullptr);
  return detached;
}

std::unique_ptr<TBaseSceneObject> TBaseSceneObject::Reparent(TBaseSceneObject* newParent) {
  SceneAssert(parent_ != nullptr,
              "TBaseSceneObject::Reparent: the object has no parent; attach it with AttachChild");
  if (newParent) newParent->AssertNotAncestorOf(*this, "TBaseSceneObject::Reparent");
  TBaseSceneObject& oldParent = *parent_;
  std::unique_ptr<TBaseSceneObject> self = oldParent.TakeChildAt(static_cast<std::size_t>(IndexInParent()));
  oldParent.SignalChange();
  if (newParent) {
    newParent->AttachChild(std::move(self));
    return nullptr;
  }
  SetSceneOfSubtree(nullptr);
  return self;
}

void TBaseSceneObject::DestroyChildren() {
  if (children_.empty()) return;
  {
    const TBatchContext batch(
        scene_, scene_ && !scene_->ContextReady() &&
                    std::any_of(children_.begin(), children_.end(),
                                [](const auto& child) { return child->SubtreeHasDisplayList(); }));
    while (!children_.empty()) {
      std::unique_ptr<TBaseSceneObject> child = std::move(children_.back());
      children_.pop_back();
      child->parent_ = nullptr;
    }
  }
  SignalChange();
}

void TBaseSceneObject::SetIndexInParent(int index) {
  if (!parent_) return;
  const int from = IndexInParent();
  const int to = std::clamp(index, 0, parent_->Count() - 1);
  if (from == to) return;
  auto& siblings = parent_->children_;
  const auto first = siblings.begin();
  if (from < to) {
    std::rotate(first + from, first + from + 1, first + to + 1);
  } else {
    std::rotate(first + to, first + from, first + from + 1);
  }
  if (scene_) scene_->BeginChanges();
  parent_->MarkTransformDirty();
  parent_->SignalChange();
  if (scene_) scene_->EndChanges();
}

void TBaseSceneObject::SetSceneOfSubtree(TScene* scene) {
  // One context activation for the whole walk rather than one per display list, and none when there is
  // no list to give back (making a window's context current is not free).
  const bool releases = scene_ != scene && SubtreeHasDisplayList();
  TScene::TContextUse use(releases ? scene_ : nullptr);
  ChangeSceneRecursive(scene);
}

bool TBaseSceneObject::SubtreeHasDisplayList() const noexcept {
  if (displayList_ != 0) return true;
  return std::any_of(children_.begin(), children_.end(),
                     [](const auto& child) { return child->SubtreeHasDisplayList(); });
}

void TBaseSceneObject::ChangeSceneRecursive(TScene* scene) {
  for (auto& child : children_) child->ChangeSceneRecursive(scene);
  if (scene_ == scene) return;
  SceneChanging(scene);
  if (scene_) scene_->ObjectLeaving(*this);
  scene_ = scene;
}

void TBaseSceneObject::SceneChanging(TScene* /*newScene*/) {
  structureDirty_ = true;
  ReleaseOwnDisplayResources(!(scene_ && scene_->ContextReady()));
}

// ---------------------------------------------------------------------------------------------- change

void TBaseSceneObject::EndChanges() {
  SceneAssert(changeCount_ > 0, "Unbalanced Begin/EndUpdate");
  if (--changeCount_ == 0) SignalChange();
}

void TBaseSceneObject::SignalChange() {
  if (scene_ && changeCount_ == 0) scene_->NotifyChange(*this);
}

void TBaseSceneObject::NotifyChange(TUpdateAbleObject& /*sender*/) {
  SignalChange();
}

void TBaseSceneObject::MarkTransformDirty() {
  worldDirty_ = true;
  if (transformationDirty_) return;
  transformationDirty_ = true;
  SignalChange();
}

void TBaseSceneObject::MarkStructureDirty() {
  if (structureDirty_) return;
  structureDirty_ = true;
  SignalChange();
}

void TBaseSceneObject::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  SignalChange();
}

void TBaseSceneObject::SetShowAxes(bool value) {
  if (showAxes_ == value) return;
  showAxes_ = value;
  SignalChange();
}

void TBaseSceneObject::SetObjectsSorting(TObjectsSorting value) {
  if (sorting_ == value) return;
  sorting_ = value;
  SignalChange();
}

// ---------------------------------------------------------------------------------------------- frame

void TBaseSceneObject::CoordinatesChanged(TCoordinates& sender) {
  if (&sender == &direction_) {
    Float4 direction = UsableAxis(direction_.AsFloat4()) ? direction_.AsFloat4() : Float4{0, 0, 1, 0};
    Normalize3(direction);
    const Float4& up = up_.AsFloat4();
    Float4 right;
    Cross4(direction, up, right);
    if (Length3(right) == 0) right = {direction.x + 1, direction.y + 2, direction.z + 3, 0};
    Float4 newUp;
    Cross4(right, direction, newUp);
    Normalize3(newUp);
    direction_.SetSilently(direction);
    up_.SetSilently(newUp);
  } else if (&sender == &up_) {
    Float4 up = UsableAxis(up_.AsFloat4()) ? up_.AsFloat4() : Float4{0, 1, 0, 0};
    Normalize3(up);
    Float4 right;
    Cross4(direction_.AsFloat4(), up, right);
    if (Length3(right) == 0) right = {up.x + 1, up.y + 2, up.z + 3, 0};
    Float4 newDirection;
    Cross4(up, right, newDirection);
    Normalize3(newDirection);
    up_.SetSilently(up);
    direction_.SetSilently(newDirection);
  }
  MarkTransformDirty();
}

void TBaseSceneObject::RebuildLocalMatrix() const {
  const Float4& up = up_.AsFloat4();
  const Float4& direction = direction_.AsFloat4();
  Float4 xAxis;  // (1, 0, 0) for the default frame
  Cross4(up, direction, xAxis);
  const Float4& scale = scale_.AsFloat4();
  Scaled4(xAxis, scale.x, local_[0]);
  Scaled4(up, scale.y, local_[1]);
  Scaled4(direction, scale.z, local_[2]);
  local_[0].w = local_[1].w = local_[2].w = 0;
  local_[3] = position_.AsFloat4();
  local_[3].w = 1;
  transformationDirty_ = false;
  worldDirty_ = true;
}

const Matrix4x4& TBaseSceneObject::LocalMatrix() const {
  if (transformationDirty_) RebuildLocalMatrix();
  return local_;
}

const Matrix4x4& TBaseSceneObject::GetWorldMatrix() const {
  const Matrix4x4& local = LocalMatrix();
  if (parent_ && !parent_->isObjectRoot_) {
    const Matrix4x4& parentWorld = parent_->GetWorldMatrix();
    if (worldDirty_ || parentStampUsed_ != parent_->worldStamp_) {
      MatMul(local, parentWorld, world_);
      parentStampUsed_ = parent_->worldStamp_;
      ++worldStamp_;
      worldDirty_ = false;
    }
  } else if (worldDirty_) {
    world_ = local;
    ++worldStamp_;
    worldDirty_ = false;
  }
  return world_;
}

void TBaseSceneObject::RefreshTransforms() {
  if (!parent_) transformationDirty_ = true;
  if (transformationDirty_) {
    RebuildLocalMatrix();
  } else if (parent_ && parent_->worldDirty_) {
    worldDirty_ = true;
  }
  for (auto& child : children_) child->RefreshTransforms();
  transformationDirty_ = false;
}

void TBaseSceneObject::FrameAxes(Float4& direction, Float4& up) const {
  const TBaseSceneObject& frame =
      (transformationMode_ != TTransformationMode::tmLocal && parent_) ? *parent_ : *this;
  direction = frame.direction_.AsFloat4();
  up = frame.up_.AsFloat4();
}

void TBaseSceneObject::RotateFrame(const Float4& axis, double angleRadians) {
  const Matrix4x4 rotation = AxisRotationMatrix(axis, float(angleRadians));
  Float4 up, direction;
  TransformFloat4(up_.AsFloat4(), rotation, up);
  TransformFloat4(direction_.AsFloat4(), rotation, direction);
  Normalize3(up);
  Normalize3(direction);
  up_.SetSilently(up);
  direction_.SetSilently(direction);
  if (transformationMode_ == TTransformationMode::tmParentWithPos) {
    Float4 position;
    TransformFloat4(position_.AsFloat4(), rotation, position);
    position_.SetSilently(position);
  }
  MarkTransformDirty();
}

void TBaseSceneObject::SetTurnAngle(float degrees) {
  if (degrees == angles_.y || !std::isfinite(degrees)) return;
  Float4 direction, up;
  FrameAxes(direction, up);
  RotateFrame(up, DegreesToRadians(double(angles_.y) - degrees));
  angles_.y = NormalizedDegrees(degrees);
}

void TBaseSceneObject::SetPitchAngle(float degrees) {
  if (degrees == angles_.x || !std::isfinite(degrees)) return;
  Float4 direction, up, right;
  FrameAxes(direction, up);
  Cross4(direction, up, right);
  RotateFrame(right, DegreesToRadians(double(angles_.x) - degrees));
  angles_.x = NormalizedDegrees(degrees);
}

void TBaseSceneObject::SetRollAngle(float degrees) {
  if (degrees == angles_.z || !std::isfinite(degrees)) return;
  Float4 direction, up;
  FrameAxes(direction, up);
  RotateFrame(direction, DegreesToRadians(double(angles_.z) - degrees));
  angles_.z = NormalizedDegrees(degrees);
}

// ---------------------------------------------------------------------------------------------- render

void TBaseSceneObject::RenderObject(TRenderPass& pass) {
  if (!visible_) return;
  PushTransform(pass);
  try {
    RenderSelf(pass);
  } catch (...) {
    PopTransform(pass);
    throw;
  }
  PopTransform(pass);
  structureDirty_ = false;
}

void TBaseSceneObject::PushTransform(TRenderPass& pass) {
  glPushMatrix();
  const std::array<float, 16> m = ToGLMatrix(LocalMatrix());
  glMultMatrixf(m.data());
  if (pass.Picking()) {
    pass.pickNames->push_back(this);
    glLoadName(static_cast<GLuint>(pass.pickNames->size()));
  }
}

void TBaseSceneObject::PopTransform(TRenderPass& /*pass*/) {
  glPopMatrix();
}

void TBaseSceneObject::BuildGeometry(TRenderPass& /*pass*/) {}

void TBaseSceneObject::PrepareGeometry(TRenderPass& /*pass*/) {}

void TBaseSceneObject::RenderSelf(TRenderPass& pass) {
  if (directRender_) {
    BuildGeometry(pass);
  } else {
    glCallList(ObtainDisplayList(pass));
  }
  if (!children_.empty()) RenderChildRange(0, Count() - 1, pass);
}

unsigned TBaseSceneObject::ObtainDisplayList(TRenderPass& pass) {
  if (structureDirty_ || displayList_ == 0) {
    PrepareGeometry(pass);
    if (displayList_ == 0) {
      displayList_ = glGenLists(1);
      if (displayList_ == 0) AssertionFailure("Handle=0 for " + ClassName());
    }
    glNewList(displayList_, GL_COMPILE);
    try {
      BuildGeometry(pass);
    } catch (...) {
      glEndList();
      throw;
    }
    glEndList();
  }
  return displayList_;
}

void TBaseSceneObject::RenderChildRange(int first, int last, TRenderPass& pass) {
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  if (first > last) return;
  if (first == last) {
    children_[static_cast<std::size_t>(first)]->RenderObject(pass);
    return;
  }
  const TObjectsSorting mode = sorting_ != TObjectsSorting::osInherited ? sorting_ : pass.sorting;
  TSortingScope scope(pass, mode);
  std::vector<TDistantChild> later;
  switch (mode) {
    case TObjectsSorting::osNone:
      for (int i = first; i <= last; ++i) children_[static_cast<std::size_t>(i)]->RenderObject(pass);
      return;
    case TObjectsSorting::osRenderFarthestFirst:
      for (int i = first; i <= last; ++i) {
        TBaseSceneObject& child = *children_[static_cast<std::size_t>(i)];
        if (child.visible_) {
          later.push_back({DistanceSquared(child.GetWorldPosition(), pass.cameraPosition), &child});
        }
      }
      RenderFarthestFirst(later, pass);
      return;
    case TObjectsSorting::osRenderBlendedLast:
      for (int i = first; i <= last; ++i) {
        TBaseSceneObject& child = *children_[static_cast<std::size_t>(i)];
        if (!child.IsBlended()) {
          child.RenderObject(pass);
        } else if (child.visible_) {
          later.push_back({DistanceSquared(child.GetWorldPosition(), pass.cameraPosition), &child});
        }
      }
      RenderFarthestFirst(later, pass);
      return;
    case TObjectsSorting::osInherited:
      break;
  }
  AssertionFailure("TBaseSceneObject::RenderChildRange: unknown sorting mode");
}

void TBaseSceneObject::ReleaseOwnDisplayResources(bool contextGone) {
  if (displayList_ == 0) return;
  const unsigned name = displayList_;
  displayList_ = 0;
  if (!contextGone) DeleteDisplayList(name);
}

void TBaseSceneObject::ReleaseSubtree(bool contextGone) {
  for (auto& child : children_) child->ReleaseSubtree(contextGone);
  structureDirty_ = true;
  ReleaseOwnDisplayResources(contextGone);
}

void TBaseSceneObject::ReleaseDisplayLists(bool contextGone) {
  if (contextGone) {
    ReleaseSubtree(true);
    return;
  }
  TScene::TContextUse use(scene_);
  ReleaseSubtree(!use.Ready());
}

std::string TBaseSceneObject::ClassName() const {
  const char* mangled = typeid(*this).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = (status == 0 && demangled) ? demangled : mangled;
  std::free(demangled);
  const auto colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

const std::shared_ptr<TBaseSceneObject*>& TBaseSceneObject::LifeToken() const {
  if (!lifeToken_) lifeToken_ = std::make_shared<TBaseSceneObject*>(const_cast<TBaseSceneObject*>(this));
  return lifeToken_;
}

}  // namespace nimbrel::scene
