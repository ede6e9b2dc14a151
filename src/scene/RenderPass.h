#pragma once
// What one traversal of the scene carries from object to object: the sorting in force, where the camera
// is, the frame's size, the renderer capabilities switched on and, when picking, the table of names.

#include <cstdint>
#include <vector>

#include "scene/Geometry.h"

namespace nimbrel::scene {

class TBaseSceneObject;
struct TMaterialCache;

enum class TObjectsSorting { osInherited, osNone, osRenderFarthestFirst, osRenderBlendedLast };

// The renderer capabilities a viewer tracks, one bit each, in this order.
enum class TRenderState : std::uint32_t {
  stAlphaTest,
  stAutoNormal,
  stBlend,
  stColorMaterial,
  stCullFace,
  stDepthTest,
  stDither,
  stFog,
  stLighting,
  stLineSmooth,
  stLineStipple,
  stColorLogicOp,
  stNormalize,
  stPointSmooth,
  stPolygonSmooth,
  stPolygonStipple,
  stScissorTest,
  stStencilTest,
  stTexture1D,
  stTexture2D,
};

// Mirrors which capabilities are enabled so that switching one that is already in the wanted state costs
// no renderer call. Enable/Disable need a current rendering context; Record/Forget only change the set.
class TRenderStates {
 public:
  bool Has(TRenderState state) const noexcept { return (bits_ & Bit(state)) != 0; }
  void Enable(TRenderState state);
  void Disable(TRenderState state);
  void Record(TRenderState state) noexcept { bits_ |= Bit(state); }
  void Forget(TRenderState state) noexcept { bits_ &= ~Bit(state); }
  std::uint32_t Bits() const noexcept { return bits_; }
  void SetBits(std::uint32_t bits) noexcept { bits_ = bits; }
  static unsigned GLCapability(TRenderState state) noexcept;

 private:
  static constexpr std::uint32_t Bit(TRenderState state) noexcept {
    return std::uint32_t{1} << static_cast<std::uint32_t>(state);
  }
  std::uint32_t bits_ = 0;
};

struct TRenderPass {
  TObjectsSorting sorting = TObjectsSorting::osRenderBlendedLast;
  Float4 cameraPosition{0, 0, 0, 1};
  Float4 viewDirection{0, 0, -1, 0};  // unit, w = 0
  float nearDistance = 1;
  float farDistance = 101;
  int width = 0;
  int height = 0;
  TRenderStates states;
  // Set only for a selection-mode pass: each drawn object is appended and loads its position + 1 as its
  // selection name, so a hit's name leads back to the object without putting pointers into 32 bits.
  std::vector<TBaseSceneObject*>* pickNames = nullptr;
  // The material values sent so far in this traversal; the scene makes a fresh one for each.
  TMaterialCache* materialCache = nullptr;

  bool Picking() const noexcept { return pickNames != nullptr; }
};

}  // namespace nimbrel::scene
