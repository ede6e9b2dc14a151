#pragma once
// The fog a viewer draws with when its fog is switched on: colour, where it starts and ends, and how
// it thickens in between. Any change tells the owner (the viewer), which repaints.

#include "scene/Color.h"
#include "scene/Misc.h"

namespace nimbrel::scene {

enum class TFogMode { fmLinear, fmExp, fmExp2 };

class TFogEnvironment : public TUpdateAbleObject {
 public:
  explicit TFogEnvironment(TUpdateAbleOwner* owner) noexcept : TUpdateAbleObject(owner), fogColor_(this) {}

  TColor& FogColor() noexcept { return fogColor_; }
  const TColor& FogColor() const noexcept { return fogColor_; }
  float FogStart() const noexcept { return fogStart_; }
  void SetFogStart(float value);
  float FogEnd() const noexcept { return fogEnd_; }
  void SetFogEnd(float value);
  TFogMode FogMode() const noexcept { return fogMode_; }
  void SetFogMode(TFogMode value);

  // Sends the fog parameters to the renderer (a rendering context is current).
  void Apply() const;

 private:
  TColor fogColor_;
  float fogStart_ = 10;
  float fogEnd_ = 1000;
  TFogMode fogMode_ = TFogMode::fmLinear;
};

}  // namespace nimbrel::scene
