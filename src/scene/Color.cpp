#include "scene/Color.h"

#include "scene/SceneObject.h"

namespace nimbrel::scene {

TColor::TColor(TUpdateAbleOwner* owner, const Float4& defaultValue) noexcept
    : TUpdateAbleObject(owner), rgba_(defaultValue), default_(defaultValue) {}

void TColor::Store(const Float4& rgba) {
  if (Same4(rgba, rgba_)) return;
  rgba_ = rgba;
  if (TBaseSceneObject* object = Owner() ? Owner()->AsSceneObject() : nullptr) object->MarkStructureDirty();
  NotifyChange(*this);
}

void TColor::SetRed(float value) {
  Store({value, rgba_.y, rgba_.z, rgba_.w});
}
void TColor::SetGreen(float value) {
  Store({rgba_.x, value, rgba_.z, rgba_.w});
}
void TColor::SetBlue(float value) {
  Store({rgba_.x, rgba_.y, value, rgba_.w});
}
void TColor::SetAlpha(float value) {
  Store({rgba_.x, rgba_.y, rgba_.z, value});
}
void TColor::SetRGBA(float red, float green, float blue, float alpha) {
  Store({red, green, blue, alpha});
}

void TColor::SetFromPackedRGB(unsigned packed) {
  const auto channel = [packed](int shift) { return float((packed >> shift) & 0xFFu) / 255.0f; };
  Store({channel(0), channel(8), channel(16), 1});
}

}  // namespace nimbrel::scene
