#pragma once
// An RGBA colour owned by a scene object, a light or a material.

#include "scene/Geometry.h"
#include "scene/Misc.h"

namespace nimbrel::scene {

// Colours are compiled into display lists, so a change marks a scene-object owner structure-dirty (its
// list is rebuilt on the next frame) before the owner is told.
class TColor : public TUpdateAbleObject {
 public:
  explicit TColor(TUpdateAbleOwner* owner, const Float4& defaultValue = {0, 0, 0, 1}) noexcept;

  float Red() const noexcept { return rgba_.x; }
  float Green() const noexcept { return rgba_.y; }
  float Blue() const noexcept { return rgba_.z; }
  float Alpha() const noexcept { return rgba_.w; }
  void SetRed(float value);
  void SetGreen(float value);
  void SetBlue(float value);
  void SetAlpha(float value);
  void SetRGBA(float red, float green, float blue, float alpha);
  void SetRGBA(const Float4& rgba) { SetRGBA(rgba.x, rgba.y, rgba.z, rgba.w); }
  // A packed 0x00BBGGRR colour (red in the low byte), each byte / 255, alpha 1.
  void SetFromPackedRGB(unsigned packed);

  const Float4& AsFloat4() const noexcept { return rgba_; }
  const Float4& DefaultValue() const noexcept { return default_; }
  bool IsDefault() const noexcept { return Same4(rgba_, default_); }

 private:
  void Store(const Float4& rgba);

  Float4 rgba_;
  Float4 default_;
};

}  // namespace nimbrel::scene
