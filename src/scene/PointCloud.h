#pragma once
// Many small markers at once: every point a few pixels wide in its own colour, each with an optional
// short segment behind it (a trail), a faint streak of the point's colour that fades out towards its
// far end and is added to what it crosses, so that thousands of trails show which way each point
// flies and still leave the points, and the map beneath them, to be seen. A whole
// catalogue of markers as spheres would cost millions of vertices a frame; as points it is one vertex array,
// one colour array and one draw call, and the trails one more.
//
// No display list: the points move with every update, and handing the arrays over directly costs less
// than compiling them again. The points are depth-tested like everything else, so the globe hides the
// ones behind it. A selection-mode pick does not see them (one name for thousands of points would say
// nothing); NearestPointAt finds a point on the CPU with the matrices of the frame on screen.
//
// Editing: change MutablePoints() and call PointsChanged() once after a batch of changes.

#include <cstdint>
#include <vector>

#include "scene/SceneObject.h"
#include "scene/ScreenProjection.h"

namespace nimbrel::scene {

struct TCloudPoint {
  Float3 position{};  // in the cloud's own coordinates
  Float3 trailEnd{};  // the far end of the trail segment, which starts at the position
  std::uint8_t r = 255, g = 255, b = 255;
  bool shown = false;  // false: neither the point nor its trail is drawn or picked
  bool trail = false;  // whether the trail segment is drawn
};

// An opaque ball in world coordinates (the globe) that hides what lies behind it from the eye.
struct TOccludingSphere {
  Float3 centre{};
  float radius = 0;
};

class TPointCloud : public TBaseSceneObject {
 public:
  TPointCloud();

  int PointCount() const noexcept { return static_cast<int>(points_.size()); }
  const std::vector<TCloudPoint>& Points() const noexcept { return points_; }
  std::vector<TCloudPoint>& MutablePoints() noexcept { return points_; }
  // Brings the arrays for the next frame up to date and asks for a repaint.
  void PointsChanged();

  // Pixels; values below 1 or not finite are ignored.
  float PointSize() const noexcept { return pointSize_; }
  void SetPointSize(float value);
  // How strongly the trail's colour is added at the point's end, 0 to 1; values outside are ignored.
  float TrailBrightness() const noexcept { return trailBrightness_; }
  void SetTrailBrightness(float value);
  // Pixels; values below 1 or not finite are ignored.
  float TrailWidth() const noexcept { return trailWidth_; }
  void SetTrailWidth(float value);

  // An opaque ball (in world coordinates) in front of some of the points: points that it hides from
  // the camera, trail and all, are not sent to the renderer at all, which the depth test would
  // otherwise have to reject pixel by pixel. Null: every shown point is sent.
  void SetOccluder(const TOccludingSphere* ball);

  // The index of the shown point whose projection lies nearest to (x, y) (viewport pixels, y down)
  // and no farther than maxPixels, or -1. A point the occluder hides from the eye is never found;
  // between two at the same distance on screen the nearer to the eye wins.
  int NearestPointAt(const TScreenProjection& view, double x, double y, double maxPixels,
                     const TOccludingSphere* occluder = nullptr) const;

 protected:
  void RenderSelf(TRenderPass& pass) override;

 private:
  void FillDrawArrays(const Float4& eye);

  std::vector<TCloudPoint> points_;
  float pointSize_ = 3;
  float trailWidth_ = 1;
  float trailBrightness_ = 0.25f;
  // What is sent to the renderer: the shown points packed together, three floats and four bytes each,
  // and the trail segments as pairs of vertices.
  std::vector<float> drawPositions_;
  std::vector<std::uint8_t> drawColours_;
  std::vector<float> drawTrails_;
  std::vector<std::uint8_t> drawTrailColours_;
  bool drawArraysDirty_ = true;
  bool occluded_ = false;
  TOccludingSphere occluder_;
  Float4 filledForEye_{};
};

}  // namespace nimbrel::scene
