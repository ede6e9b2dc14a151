#pragma once
// A sphere, or a band and wedge of one, with smooth normals and texture coordinates. The globe is one,
// and so is every satellite marker. The unit sphere of a tessellation is compiled once into a list of
// the scene's shared lists; each sphere's own list scales it to the radius and calls it, so thousands of
// markers cost one tessellation.
//
// Vertex of latitude phi and longitude theta: (cos phi sin theta, sin phi, cos phi cos theta). So
// longitude 0 is on +Z, 90 degrees on +X, the poles on +Y and -Y. The texture's s runs 0..1 with the
// longitude from Start to Stop and t from 1 at Top to 0 at Bottom: a whole sphere puts the picture's
// left and right edges together on its +Z meridian and the picture's top row at the north pole.

#include <string>

#include "scene/CustomSceneObject.h"
#include "scene/SharedDisplayLists.h"

namespace nimbrel::scene {

enum class TNormalSmoothing { nsFlat, nsSmooth, nsNone };
enum class TNormalDirection { ndInside, ndOutside };
enum class TCapType { ctNone, ctCenter, ctFlat };

// The shapes with normals that face out of (or into) them.
class TQuadricObject : public TCustomSceneObject {
 public:
  // Kept for shapes that honour it; the sphere always has smooth normals.
  TNormalSmoothing Normals() const noexcept { return normals_; }
  void SetNormals(TNormalSmoothing value);
  // ndInside turns the normals and the winding round, so the inside of the shape is the lit side.
  TNormalDirection NormalDirection() const noexcept { return normalDirection_; }
  void SetNormalDirection(TNormalDirection value);

 private:
  TNormalSmoothing normals_ = TNormalSmoothing::nsSmooth;
  TNormalDirection normalDirection_ = TNormalDirection::ndOutside;
};

class TSphere : public TQuadricObject {
 public:
  TSphere() = default;
  ~TSphere() override;

  float Radius() const noexcept { return radius_; }
  void SetRadius(float value);  // non-finite values are ignored
  // Divisions in longitude and in latitude; 0 (or less) becomes 1.
  int Slices() const noexcept { return slices_; }
  void SetSlices(int value);
  int Stacks() const noexcept { return stacks_; }
  void SetStacks(int value);
  // Latitudes in degrees, -90..90 (clamped).
  float Top() const noexcept { return top_; }
  void SetTop(float value);
  float Bottom() const noexcept { return bottom_; }
  void SetBottom(float value);
  // Longitudes in degrees, 0..360 (clamped). Start beyond Stop is an EAssertionFailed.
  float Start() const noexcept { return start_; }
  void SetStart(float value);
  float Stop() const noexcept { return stop_; }
  void SetStop(float value);
  // Discs closing a sphere cut short at Top or Bottom: none, a cone to the centre, or a flat disc.
  TCapType TopCap() const noexcept { return topCap_; }
  void SetTopCap(TCapType value);
  TCapType BottomCap() const noexcept { return bottomCap_; }
  void SetBottomCap(TCapType value);

  // The point of the unit sphere at a latitude and longitude in degrees; it is also the normal there.
  static Float3 UnitVertex(double latitudeDegrees, double longitudeDegrees) noexcept;

  // The shared list of the unit sphere that this sphere's list calls: 0 before the sphere is first
  // drawn, after its lists were given back, and for a sphere drawn outside any scene (which compiles
  // the whole tessellation into its own list).
  unsigned GeometryList() const noexcept { return TSharedDisplayLists::Name(geometry_); }

 protected:
  void PrepareGeometry(TRenderPass& pass) override;
  void BuildGeometry(TRenderPass& pass) override;
  void ReleaseOwnDisplayResources(bool contextGone) override;

 private:
  template <class T>
  void Store(T& field, T value);
  // Everything that shapes the unit sphere: spheres with equal keys share its list.
  std::string GeometryKey() const;
  void BuildUnitGeometry() const;
  void BuildCap(bool top, double latitude, double start, double step, bool inside) const;

  float radius_ = 0.5f;
  int slices_ = 16;
  int stacks_ = 16;
  float top_ = 90;
  float bottom_ = -90;
  float start_ = 0;
  float stop_ = 360;
  TCapType topCap_ = TCapType::ctNone;
  TCapType bottomCap_ = TCapType::ctNone;
  TSharedDisplayLists::TReference geometry_;
};

}  // namespace nimbrel::scene
