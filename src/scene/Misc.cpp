#include "scene/Misc.h"

#include "scene/SceneErrors.h"
#include "scene/SceneObject.h"

namespace nimbrel::scene {

void TUpdateAbleObject::NotifyChange(TUpdateAbleObject& /*sender*/) {
  if (updateCount_ > 0) return;
  if (owner_) owner_->NotifyChange(*this);
  if (OnNotifyChange) OnNotifyChange(*this);
}

void TUpdateAbleObject::EndUpdate() {
  SceneAssert(updateCount_ > 0, "Unbalanced Begin/EndUpdate");
  if (--updateCount_ == 0) NotifyChange(*this);
}

TCoordinates::TCoordinates(TUpdateAbleOwner* owner, const Float4& defaultValue,
                           TCoordinatesStyle style) noexcept
    : TUpdateAbleObject(owner), default_(defaultValue), style_(style) {
  default_ = WithStyledW(default_);
  coords_ = default_;
}

Float4 TCoordinates::WithStyledW(Float4 v) const noexcept {
  if (style_ == TCoordinatesStyle::coPoint) v.w = 1;
  if (style_ == TCoordinatesStyle::coVector) v.w = 0;
  return v;
}

void TCoordinates::Changed() {
  if (TBaseSceneObject* object = Owner() ? Owner()->AsSceneObject() : nullptr) {
    object->CoordinatesChanged(*this);
  } else {
    NotifyChange(*this);
  }
}

void TCoordinates::SetX(float value) {
  coords_.x = value;
  Changed();
}

void TCoordinates::SetY(float value) {
  coords_.y = value;
  Changed();
}

void TCoordinates::SetZ(float value) {
  coords_.z = value;
  Changed();
}

void TCoordinates::AssignPoint(float x, float y, float z) {
  SceneAssert(style_ != TCoordinatesStyle::coVector,
              "TCoordinates::AssignPoint: the coordinates are a vector");
  coords_ = {x, y, z, 1};
  Changed();
}

void TCoordinates::AssignVector(float x, float y, float z, float w) {
  SceneAssert(style_ != TCoordinatesStyle::coPoint,
              "TCoordinates::AssignVector: the coordinates are a point");
  coords_ = WithStyledW({x, y, z, w});
  Changed();
}

void TCoordinates::AssignComponents(const Float4& v) {
  coords_ = WithStyledW(v);
  Changed();
}

void TCoordinates::SetSilently(const Float4& v) noexcept {
  coords_ = WithStyledW(v);
}

}  // namespace nimbrel::scene
