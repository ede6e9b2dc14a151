#pragma once
// What a drawable object looks like: the colours of its front and back faces, how it blends with what
// is behind it, and its texture. The material is applied around the object's display list every frame,
// so a change of blending or texture needs a repaint but no rebuild; a colour change rebuilds the list
// like any colour of the object would.

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "scene/Color.h"
#include "scene/Misc.h"
#include "scene/RenderPass.h"
#include "scene/Texture.h"

namespace nimbrel::scene {

enum class TPolygonMode { pmFill, pmLines, pmPoints };
enum class TBlendingMode { bmOpaque, bmTransparency, bmAdditive };
enum class TMaterialOption : std::uint32_t { moIgnoreFog };

// A set of TMaterialOption.
class TMaterialOptions {
 public:
  constexpr TMaterialOptions() noexcept = default;
  constexpr TMaterialOptions(std::initializer_list<TMaterialOption> options) noexcept {
    for (TMaterialOption option : options) bits_ |= Bit(option);
  }
  constexpr bool Has(TMaterialOption option) const noexcept { return (bits_ & Bit(option)) != 0; }
  constexpr bool Empty() const noexcept { return bits_ == 0; }
  friend constexpr bool operator==(TMaterialOptions, TMaterialOptions) noexcept = default;

 private:
  static constexpr std::uint32_t Bit(TMaterialOption option) noexcept {
    return std::uint32_t{1} << static_cast<std::uint32_t>(option);
  }
  std::uint32_t bits_ = 0;
};

// The lighting colours of one side of a surface.
class TFaceProperties : public TUpdateAbleObject {
 public:
  static constexpr int kMaxShininess = 128;

  explicit TFaceProperties(TUpdateAbleOwner* owner);

  TColor& Ambient() noexcept { return ambient_; }
  const TColor& Ambient() const noexcept { return ambient_; }
  TColor& Diffuse() noexcept { return diffuse_; }
  const TColor& Diffuse() const noexcept { return diffuse_; }
  TColor& Emission() noexcept { return emission_; }
  const TColor& Emission() const noexcept { return emission_; }
  TColor& Specular() noexcept { return specular_; }
  const TColor& Specular() const noexcept { return specular_; }
  int Shininess() const noexcept { return shininess_; }
  void SetShininess(int value);  // clamped to 0..128, the renderer's range
  TPolygonMode PolygonMode() const noexcept { return polygonMode_; }
  void SetPolygonMode(TPolygonMode value);

  // The colours lead to the scene object that owns the material, which compiles them into its list.
  TBaseSceneObject* AsSceneObject() noexcept override;

 private:
  TColor ambient_;
  TColor diffuse_;
  TColor emission_;
  TColor specular_;
  int shininess_ = 0;
  TPolygonMode polygonMode_ = TPolygonMode::pmFill;
};

// The renderer's material values as last sent during one traversal, per face (0 front, 1 back). The
// traversal starts with every entry unknown, so the first object sends everything; after that equal
// values cost nothing.
struct TMaterialCache {
  struct TFace {
    std::optional<int> shininess;
    std::optional<Float4> emission, ambient, diffuse, specular;
    std::optional<TPolygonMode> polygonMode;
  };
  TFace faces[2];
  // How many materials asked for fog to be off; fog comes back when the last lets go.
  int fogSuspended = 0;
};

class TMaterial : public TUpdateAbleObject {
 public:
  explicit TMaterial(TUpdateAbleOwner* owner);

  TFaceProperties& FrontProperties() noexcept { return front_; }
  const TFaceProperties& FrontProperties() const noexcept { return front_; }
  TFaceProperties& BackProperties() noexcept { return back_; }
  const TFaceProperties& BackProperties() const noexcept { return back_; }
  TBlendingMode BlendingMode() const noexcept { return blendingMode_; }
  void SetBlendingMode(TBlendingMode value);
  TMaterialOptions MaterialOptions() const noexcept { return options_; }
  void SetMaterialOptions(TMaterialOptions value);
  TTexture& Texture() noexcept { return texture_; }
  const TTexture& Texture() const noexcept { return texture_; }

  // Drawn mixed with what is behind it (any mode but bmOpaque): such objects are drawn after the
  // opaque ones so that what they let through is already there.
  bool IsBlended() const noexcept { return blendingMode_ != TBlendingMode::bmOpaque; }

  // Around the owner's display list, with a current rendering context. Apply sends the face colours
  // (the back face only when face culling is off), the blending, fog and texture state; UnApply undoes
  // the fog suspension and leaves texturing and blending for the next Apply to set.
  // The pass's material cache, when it has one, spares sending values the renderer already holds.
  void Apply(TRenderPass& pass);
  void UnApply(TRenderPass& pass);

  TBaseSceneObject* AsSceneObject() noexcept override;

 private:
  TFaceProperties front_;
  TFaceProperties back_;
  TBlendingMode blendingMode_ = TBlendingMode::bmOpaque;
  TMaterialOptions options_;
  TTexture texture_;
};

}  // namespace nimbrel::scene
