#include "scene/PointCloud.h"

#include <GL/gl.h>

#include <cmath>

namespace nimbrel::scene {

namespace {

// Whether the straight way from the eye to p passes through the ball before it reaches p. A point on
// or just above the ball's near side is not hidden: the crossing lies at or beyond it.
bool Hidden(const Float4& eye, const Float3& p, const TOccludingSphere& ball) noexcept {
  const double dx = double(p.x) - eye.x, dy = double(p.y) - eye.y, dz = double(p.z) - eye.z;
  const double fx = double(eye.x) - ball.centre.x, fy = double(eye.y) - ball.centre.y,
               fz = double(eye.z) - ball.centre.z;
  const double a = dx * dx + dy * dy + dz * dz;
  if (a == 0) return false;
  const double b = 2 * (fx * dx + fy * dy + fz * dz);
  const double c = fx * fx + fy * fy + fz * fz - double(ball.radius) * ball.radius;
  const double discriminant = b * b - 4 * a * c;
  if (discriminant <= 0) return false;
  const double t = (-b - std::sqrt(discriminant)) / (2 * a);
  // The globe is drawn as a polygon a little inside its true radius; a point within a thousandth of
  // the way of the crossing counts as in front, as the depth test sees it.
  return t > 0 && t < 0.999;
}

}  // namespace

TPointCloud::TPointCloud() {
  // Drawn straight from the arrays every frame.
  SetDirectRender(true);
}

void TPointCloud::PointsChanged() {
  drawArraysDirty_ = true;
  SignalChange();
}

void TPointCloud::SetPointSize(float value) {
  if (!std::isfinite(value) || value < 1 || value == pointSize_) return;
  pointSize_ = value;
  SignalChange();
}

void TPointCloud::SetTrailWidth(float value) {
  if (!std::isfinite(value) || value < 1 || value == trailWidth_) return;
  trailWidth_ = value;
  SignalChange();
}

void TPointCloud::SetTrailBrightness(float value) {
  if (!(value >= 0 && value <= 1) || value == trailBrightness_) return;
  trailBrightness_ = value;
  drawArraysDirty_ = true;
  SignalChange();
}

void TPointCloud::SetOccluder(const TOccludingSphere* ball) {
  occluded_ = ball != nullptr;
  if (ball) occluder_ = *ball;
  drawArraysDirty_ = true;
  SignalChange();
}

void TPointCloud::FillDrawArrays(const Float4& eye) {
  const Matrix4x4& world = GetWorldMatrix();
  const auto hidden = [&](const Float3& p) {
    Float4 w;
    TransformFloat4(Float4{p.x, p.y, p.z, 1}, world, w);
    return Hidden(eye, Float3{w.x, w.y, w.z}, occluder_);
  };
  drawPositions_.clear();
  drawColours_.clear();
  drawTrails_.clear();
  drawTrailColours_.clear();
  drawPositions_.reserve(points_.size() * 3);
  drawColours_.reserve(points_.size() * 4);
  for (const TCloudPoint& p : points_) {
    if (!p.shown) continue;
    // A trail may reach out past the ball's edge from a point just behind it: only both ends hidden
    // hide the point.
    if (occluded_ && hidden(p.position) && (!p.trail || hidden(p.trailEnd))) continue;
    drawPositions_.insert(drawPositions_.end(), {p.position.x, p.position.y, p.position.z});
    drawColours_.insert(drawColours_.end(), {p.r, p.g, p.b, std::uint8_t{255}});
    if (p.trail) {
      drawTrails_.insert(drawTrails_.end(), {p.position.x, p.position.y, p.position.z, p.trailEnd.x,
                                             p.trailEnd.y, p.trailEnd.z});
      // The point's own colour from the point's end, fading to nothing at the far end.
      const auto start = static_cast<std::uint8_t>(std::lround(255 * trailBrightness_));
      drawTrailColours_.insert(drawTrailColours_.end(),
                               {p.r, p.g, p.b, start, p.r, p.g, p.b, std::uint8_t{0}});
    }
  }
  drawArraysDirty_ = false;
  filledForEye_ = eye;
}

void TPointCloud::RenderSelf(TRenderPass& pass) {
  // Found by NearestPointAt instead; the children still take part in the pick.
  if (!pass.Picking()) {
    // The camera moving changes which points the ball hides.
    if (drawArraysDirty_ || (occluded_ && !Same4(filledForEye_, pass.cameraPosition))) {
      FillDrawArrays(pass.cameraPosition);
    }
    if (!drawPositions_.empty()) {
      glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_POINT_BIT | GL_LINE_BIT | GL_LIGHTING_BIT |
                   GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
      glDisable(GL_LIGHTING);
      glDisable(GL_TEXTURE_2D);
      glDisable(GL_LINE_STIPPLE);
      glShadeModel(GL_SMOOTH);
      glEnableClientState(GL_VERTEX_ARRAY);
      glEnableClientState(GL_COLOR_ARRAY);
      if (!drawTrails_.empty()) {
        // Added to what lies beneath, so a streak can only brighten the map it crosses; thousands of
        // them would otherwise paint the globe over. Without depth writes, a faint trail never hides
        // a point behind it.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glDepthMask(GL_FALSE);
        glLineWidth(trailWidth_);
        glVertexPointer(3, GL_FLOAT, 0, drawTrails_.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, drawTrailColours_.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(drawTrails_.size() / 3));
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
      }
      // After the trails, so that a point is never crossed by another satellite's trail end.
      glPointSize(pointSize_);
      glVertexPointer(3, GL_FLOAT, 0, drawPositions_.data());
      glColorPointer(4, GL_UNSIGNED_BYTE, 0, drawColours_.data());
      glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(drawPositions_.size() / 3));
      glPopClientAttrib();
      glPopAttrib();
    }
  }
  if (Count() > 0) RenderChildRange(0, Count() - 1, pass);
}

int TPointCloud::NearestPointAt(const TScreenProjection& view, double x, double y, double maxPixels,
                                const TOccludingSphere* occluder) const {
  Matrix4x4 toEye;
  MatMul(GetWorldMatrix(), view.modelView, toEye);
  Matrix4x4 toClip;
  MatMul(toEye, view.projection, toClip);
  const Matrix4x4& world = GetWorldMatrix();
  const double limit = maxPixels * maxPixels;
  int best = -1;
  double bestDistance = 0;
  double bestDepth = 0;
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const TCloudPoint& p = points_[i];
    if (!p.shown) continue;
    Float4 clip;
    TransformFloat4(Float4{p.position.x, p.position.y, p.position.z, 1}, toClip, clip);
    // Behind the eye or outside the depth range: not on screen.
    if (!(clip.w > 0) || std::fabs(clip.z) > clip.w) continue;
    const double sx = (double(clip.x) / clip.w + 1) / 2 * view.width;
    const double sy = (1 - double(clip.y) / clip.w) / 2 * view.height;
    const double distance = (sx - x) * (sx - x) + (sy - y) * (sy - y);
    if (!(distance <= limit)) continue;
    const double depth = double(clip.z) / clip.w;
    if (best >= 0 && (distance > bestDistance || (distance == bestDistance && depth >= bestDepth))) continue;
    if (occluder) {
      Float4 w;
      TransformFloat4(Float4{p.position.x, p.position.y, p.position.z, 1}, world, w);
      if (Hidden(view.eye, Float3{w.x, w.y, w.z}, *occluder)) continue;
    }
    best = static_cast<int>(i);
    bestDistance = distance;
    bestDepth = depth;
  }
  return best;
}

}  // namespace nimbrel::scene
