// Finding a point of a cloud under the pointer on the CPU: the nearest on screen within reach, never
// one behind the eye or hidden by the ball in front of it.

#include <gtest/gtest.h>

#include "scene/PointCloud.h"

namespace nimbrel::scene {
namespace {

// The eye at (0, 0, 20) looking down -z with a 90 degree field of view onto a 200 x 200 viewport:
// the origin shows at the middle, (1, 0, 0) at 100 + 100 / 20 = 105 pixels across.
TScreenProjection LookingDownZ() {
  TScreenProjection view;
  view.modelView[3] = {0, 0, -20, 1};
  const float n = 1, f = 100;
  view.projection = kIdentityMatrix;
  view.projection[2] = {0, 0, (n + f) / (n - f), -1};
  view.projection[3] = {0, 0, 2 * n * f / (n - f), 0};
  view.width = view.height = 200;
  view.eye = {0, 0, 20, 1};
  return view;
}

TCloudPoint At(float x, float y, float z) {
  TCloudPoint p;
  p.position = {x, y, z};
  p.shown = true;
  return p;
}

TEST(PointCloud, NearestPointWithinReachThatTheBallDoesNotHide) {
  TPointCloud cloud;
  const TScreenProjection view = LookingDownZ();
  const TOccludingSphere ball{{0, 0, 0}, 6};
  EXPECT_EQ(cloud.NearestPointAt(view, 100, 100, 6, &ball), -1) << "an empty cloud";

  // 0 in front of the ball, 1 straight behind it, 2 behind the eye, 3 beside the ball and seen.
  cloud.MutablePoints() = {At(0, 0, 8), At(0, 0, -8), At(0, 0, 30), At(9, 0, -1)};
  cloud.PointsChanged();
  EXPECT_EQ(cloud.NearestPointAt(view, 101, 99, 6, &ball), 0);
  cloud.MutablePoints()[0].shown = false;
  EXPECT_EQ(cloud.NearestPointAt(view, 100, 100, 6, &ball), -1) << "only the hidden one is left there";
  EXPECT_EQ(cloud.NearestPointAt(view, 100, 100, 6, nullptr), 1) << "without the ball it is seen";

  // Point 3 shows at 100 + 100 * 9 / 21 = 142.9 pixels across.
  EXPECT_EQ(cloud.NearestPointAt(view, 147, 100, 6, &ball), 3);
  EXPECT_EQ(cloud.NearestPointAt(view, 150, 100, 6, &ball), -1) << "out of reach";
  // Two at the same place on screen: the nearer to the eye.
  cloud.MutablePoints()[2] = At(4.5f, 0, 9.5f);
  EXPECT_EQ(cloud.NearestPointAt(view, 143, 100, 6, &ball), 2);
}

}  // namespace
}  // namespace nimbrel::scene
