#pragma once
// The night side of a textured globe, drawn over the lit day map in two blended passes with the
// fixed-function pipeline:
//  - the shade: the globe's surface again, its colour taken away by how far the Sun is below the
//    horizon there. The weight comes per pixel from a one-dimensional ramp whose coordinate the
//    renderer generates from the position (the cosine of the Sun's zenith angle), so the terminator is
//    a soft band of two degrees whatever the tessellation: vertex lighting alone would smear it over a
//    whole slice of the sphere.
//  - the lights: the city-lights picture added to the darkened map, weighted per vertex so that they
//    come up once the Sun is well below the horizon (a slice is wider than the terminator's band, so
//    a per-vertex weight must start clear of it to leave the day side untouched).
// Both passes go through the depth test without writing depth, pulled a little towards the eye, so
// they land exactly on the globe's own pixels and leave whatever is in front of it (satellites, their
// trails, lines above the surface) as it was. A pick does not see the object: it lies on the globe,
// which is what a pointer there means.
//
// The object is meant as the globe's first child, so that it is drawn after the globe's surface and
// before the satellites that fly in front of it.

#include <cstdint>
#include <vector>

#include "scene/SceneObject.h"
#include "scene/Texture.h"

namespace nimbrel::scene {

class TNightSide : public TBaseSceneObject {
 public:
  TNightSide();
  ~TNightSide() override;

  // The sphere the passes cover: the globe's radius and divisions, so that both surfaces coincide.
  // Non-finite or non-positive radii and divisions below 1 are ignored.
  void SetGlobe(float radius, int slices, int stacks);
  float Radius() const noexcept { return radius_; }

  // From the centre towards the Sun, in the object's own coordinates; need not be of unit length.
  // A zero or non-finite vector is ignored.
  void SetSunDirection(const Float3& direction);
  const Float3& SunDirection() const noexcept { return sun_; }

  // How much of the day map's colour the night takes away where the Sun is well down, 0 to 1.
  static constexpr float kDarkness = 0.88f;
  // The share of the day map's colour the shade takes away at a place where the Sun stands
  // `elevationDeg` above the horizon (negative: below): 0 by day, kDarkness by night, and a smooth
  // band between -1 and +1 degree.
  static float ShadeAt(double elevationDeg) noexcept;
  // The weight of the city lights at a place where the Sun stands `elevationDeg` above the horizon:
  // 0 above -6 degrees (the end of civil twilight), rising to 1 at -16 degrees.
  static float LightsAt(double elevationDeg) noexcept;

  // The city-lights picture, in the globe's map orientation (equirectangular, top row the North Pole,
  // left and right edges the antimeridian). Without a picture only the shade is drawn.
  TTexture& Lights() noexcept { return lights_; }

 protected:
  void RenderSelf(TRenderPass& pass) override;
  void ReleaseOwnDisplayResources(bool contextGone) override;

 private:
  void BuildMesh();
  void WeighLights();
  void DrawPasses();

  float radius_ = 1;
  int slices_ = 16;
  int stacks_ = 16;
  Float3 sun_{1, 0, 0};
  TTexture shade_;
  TTexture lights_;
  // The sphere as arrays: vertices and texture coordinates of a (slices + 1) x (stacks + 1) grid, the
  // triangles' indices, and one grey level per vertex for the lights' weight.
  std::vector<float> vertices_;
  std::vector<float> texCoords_;
  std::vector<std::uint32_t> indices_;
  std::vector<std::uint8_t> lightWeights_;
  bool meshDirty_ = true;
  bool weightsDirty_ = true;
};

}  // namespace nimbrel::scene
