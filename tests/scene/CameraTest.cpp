// The camera's projection numbers and property rules; the renderer-facing part is in RenderTest.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "SceneTestSupport.h"

namespace nimbrel::scene::test {
namespace {

TEST(Camera, ProjectionOfA401By397Viewer) {
  TCamera camera;
  camera.SetFocalLength(200);
  camera.SetDepthOfView(4000);
  const TProjection p = camera.ComputeProjection({0, 0, 401, 397}, 401, 397, 96);
  EXPECT_NEAR(p.nearPlane, 3.7701, 5e-5);  // 200 x 2 x 96 / (401 x 25.4)
  EXPECT_NEAR(p.farPlane, 4003.7701, 5e-5);
  EXPECT_NEAR(p.right, 0.5, 1e-12);  // the wider side spans one unit at the near plane
  EXPECT_NEAR(p.left, -0.5, 1e-12);
  EXPECT_NEAR(p.top, 0.49501, 5e-6);
  EXPECT_NEAR(p.bottom, -0.49501, 5e-6);
  EXPECT_NEAR(p.viewRadiusFactor, std::hypot(0.5, 397.0 / 802) / p.nearPlane, 1e-9);
  // Doubling the focal length halves the field's tangent: a 2x zoom.
  camera.SetFocalLength(400);
  EXPECT_NEAR(camera.ComputeProjection({0, 0, 401, 397}, 401, 397, 96).nearPlane, 2 * p.nearPlane, 1e-9);
}

TEST(Camera, OrthogonalProjectionScalesWithFocalLength) {
  TCamera camera;
  camera.SetCameraStyle(TCameraStyle::csOrthogonal);
  camera.SetFocalLength(100);
  const TProjection p = camera.ComputeProjection({0, 0, 200, 100}, 200, 100, 96);
  EXPECT_NEAR(p.right, 0.5, 1e-12);  // 100 units of focal length show the wider side at half size
  EXPECT_NEAR(p.top, 0.25, 1e-12);
}

TEST(Camera, DegenerateViewerSizesGiveAFiniteProjection) {
  TCamera camera;
  for (const auto& [w, h, dpi] : {std::tuple{0, 0, 96.0f}, {10, 0, 0.0f}, {0, 10, std::nanf("")}}) {
    const TProjection p = camera.ComputeProjection({0, 0, w, h}, w, h, dpi);
    EXPECT_TRUE(std::isfinite(p.nearPlane) && p.nearPlane > 0);
    EXPECT_TRUE(std::isfinite(p.left) && std::isfinite(p.right) && std::isfinite(p.top) &&
                std::isfinite(p.bottom));
  }
}

TEST(Camera, FocalLengthBelowOneIsStoredAsOne) {
  struct Case {
    float set, stored;
  };
  const Case cases[] = {{0.5f, 1},
                        {-3, 1},
                        {std::numeric_limits<float>::quiet_NaN(), 1},
                        {std::numeric_limits<float>::infinity(), 1},
                        {1, 1},
                        {200, 200}};
  for (const Case& c : cases) {
    TCamera camera;
    camera.SetFocalLength(c.set);
    EXPECT_EQ(camera.FocalLength(), c.stored) << "set " << c.set;
  }
}

TEST(Camera, UnchangedPropertiesRequestNoRepaint) {
  TScene scene;
  TCountingViewer viewer;
  scene.AttachViewer(viewer);
  TCamera& camera = scene.AddCamera(std::make_unique<TCamera>());
  TBaseSceneObject& target = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  camera.SetFocalLength(200);
  camera.SetTargetObject(&target);
  scene.CameraRoot().RefreshTransforms();
  viewer.invalidations = 0;
  camera.SetFocalLength(200);
  camera.SetDepthOfView(100);
  camera.SetTargetObject(&target);
  camera.SetCameraStyle(TCameraStyle::csPerspective);
  EXPECT_EQ(viewer.invalidations, 0);
  camera.SetFocalLength(201);
  EXPECT_EQ(viewer.invalidations, 1);
  scene.DetachViewer(viewer);
}

}  // namespace
}  // namespace nimbrel::scene::test
