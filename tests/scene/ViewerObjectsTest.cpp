// The off-screen renderer with the program's own objects: spheres are picked by what is nearest, and
// the frame sends the scene's lights before the objects are drawn.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>

#include "ViewerTestSupport.h"
#include "scene/LightSource.h"
#include "scene/OffscreenRenderer.h"
#include "scene/Sphere.h"

namespace nimbrel::scene::test {
namespace {

constexpr int kSize = 64;

int Brightness(const std::array<int, 3>& rgb) {
  return std::max({rgb[0], rgb[1], rgb[2]});
}

// A globe of radius 1 at the origin and a small marker sphere just in front of its middle, seen from
// +Z; the camera's view spans about 2.7 units across at the globe.
class ViewerSpheres : public ::testing::Test {
 protected:
  void SetUp() override {
    camera_ = &scene_.AddCamera(std::make_unique<TCamera>());
    camera_->Position().AssignPoint(0, 0, 5);
    camera_->SetFocalLength(10);
    globe_ = &scene_.ObjectRoot().AddNewChild<TSphere>();
    globe_->SetRadius(1);
    globe_->SetSlices(48);
    globe_->SetStacks(48);
    marker_ = &scene_.ObjectRoot().AddNewChild<TSphere>();
    marker_->SetRadius(0.15f);
    marker_->Position().AssignPoint(0, 0, 1.5f);
    renderer_ = std::make_unique<TOffscreenRenderer>(scene_, kSize, kSize);
    if (!renderer_->Ready()) {
      if (std::getenv("DISPLAY")) FAIL() << renderer_->ErrorText().toStdString();
      GTEST_SKIP() << renderer_->ErrorText().toStdString();
    }
    renderer_->SetBackgroundColor(Qt::black);
    renderer_->SetCamera(camera_);
  }

  TScene scene_;
  TCamera* camera_ = nullptr;
  TSphere* globe_ = nullptr;
  TSphere* marker_ = nullptr;
  std::unique_ptr<TOffscreenRenderer> renderer_;
};

TEST_F(ViewerSpheres, PicksTheMarkerInFrontOfTheGlobeAndTheGlobeBesideIt) {
  EXPECT_EQ(renderer_->PickObjectAt(32, 32), marker_);
  EXPECT_EQ(renderer_->PickObjectAt(32, 44), globe_);  // below the marker, still on the globe
  EXPECT_EQ(renderer_->PickObjectAt(2, 2), nullptr);
  const TPickList hits = renderer_->PickObjectsIn(QRect(31, 31, 2, 2));
  ASSERT_EQ(hits.Count(), 2);
  EXPECT_EQ(hits.Object(0), marker_);
  EXPECT_EQ(hits.Object(1), globe_);

  // Behind the globe the marker is hidden, and the globe is nearer.
  marker_->Position().AssignPoint(0, 0, -1.5f);
  EXPECT_EQ(renderer_->PickObjectAt(32, 32), globe_);
  EXPECT_EQ(renderer_->PickObjectsIn(QRect(31, 31, 2, 2)).Object(1), marker_);
}

TEST_F(ViewerSpheres, TheGlobeIsLitOnTheSideOfTheLight) {
  marker_->SetVisible(false);
  auto& light = scene_.ObjectRoot().AddNewChild<TLightSource>();
  light.SetLightStyle(TLightStyle::lsOmni);
  light.SetConstAttenuation(1);
  light.Position().AssignPoint(50, 0, 0);  // far off to the right
  QImage image = renderer_->RenderImage();
  const int right = Brightness(RgbAt(image, 44, 32)), left = Brightness(RgbAt(image, 20, 32));
  EXPECT_GT(right, left + 60) << "right " << right << " left " << left;

  // Moved to the left, the light lights the other side in the next frame.
  light.Position().AssignPoint(-50, 0, 0);
  image = renderer_->RenderImage();
  EXPECT_GT(Brightness(RgbAt(image, 20, 32)), Brightness(RgbAt(image, 44, 32)) + 60);

  // Switched off, only the renderer's faint ambient light is left.
  light.SetShining(false);
  image = renderer_->RenderImage();
  EXPECT_LT(Brightness(RgbAt(image, 20, 32)), 80);
}

}  // namespace
}  // namespace nimbrel::scene::test
