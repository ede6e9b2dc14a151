// Frames and picks of the off-screen renderer: the same pixels as a frame drawn by hand, the nearer of
// two objects, nothing on empty space, no pick during a frame, and a selection buffer that grows.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <stdexcept>

#include "ViewerTestSupport.h"
#include "scene/OffscreenRenderer.h"
#include "scene/RenderingContext.h"
#include "scene/SceneErrors.h"

namespace nimbrel::scene::test {
namespace {

constexpr int kSize = 64;
using P = TViewPoints;

bool HaveDisplay() {
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

// A renderer of a 64 x 64 frame with lighting off (the test squares carry plain colours) and a black
// background; skips the test when there is no OpenGL at all.
#define MAKE_RENDERER(name, scene)                                   \
  TOffscreenRenderer name(scene, kSize, kSize);                      \
  if (!name.Ready()) {                                               \
    if (HaveDisplay()) FAIL() << name.ErrorText().toStdString();     \
    GTEST_SKIP() << "no OpenGL: " << name.ErrorText().toStdString(); \
  }                                                                  \
  name.SetLighting(false);                                           \
  name.SetBackgroundColor(Qt::black)

TEST(OffscreenRenderer, DrawsTheSameFrameAsTheHandMadeOne) {
  // The reference: the test fixture's own context and framebuffer, drawing one square by hand.
  struct THandMade : GLTest {
    void TestBody() override {}
    using GLTest::CentrePixel;
    using GLTest::PixelAt;
    using GLTest::RenderFrame;
    using GLTest::scene_;
    using GLTest::SetUp;
    using GLTest::TearDown;
  } reference;
  reference.SetUp();
  if (!QOpenGLContext::currentContext()) GTEST_SKIP() << "no OpenGL";
  TCamera& refCamera = reference.scene_->AddCamera(std::make_unique<TCamera>());
  refCamera.Position().AssignPoint(0, 0, 5);
  refCamera.SetFocalLength(10);
  TTestSquare& refSquare = reference.scene_->ObjectRoot().AddNewChild<TTestSquare>();
  refSquare.Position().AssignPoint(0.3f, -0.2f, 0);
  reference.RenderFrame(refCamera);

  TScene scene;
  TCamera& camera = scene.AddCamera(std::make_unique<TCamera>());
  camera.Position().AssignPoint(0, 0, 5);
  camera.SetFocalLength(10);
  scene.ObjectRoot().AddNewChild<TTestSquare>().Position().AssignPoint(0.3f, -0.2f, 0);
  MAKE_RENDERER(renderer, scene);
  renderer.SetCamera(&camera);
  const QImage image = renderer.RenderImage();
  ASSERT_EQ(image.size(), QSize(kSize, kSize));
  // The renderer gave the fixture's context back.
  ASSERT_NE(QOpenGLContext::currentContext(), nullptr);

  int differing = 0, red = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      // The image's top row is the framebuffer's last.
      const std::array<int, 3> expected = reference.PixelAt(x, kSize - 1 - y);
      if (RgbAt(image, x, y) != expected) ++differing;
      if (expected == kRed) ++red;
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(red, 50);  // the square is there, not only the background
  reference.TearDown();
}

TEST(OffscreenRenderer, ShowsTheNearerSquareAndTheBackgroundAroundIt) {
  TTwoSquares squares;
  MAKE_RENDERER(renderer, squares.scene);
  renderer.SetCamera(squares.camera);
  QImage image = renderer.RenderImage();
  EXPECT_EQ(RgbAt(image, P::kCentreX, P::kCentreY), kGreen);
  EXPECT_EQ(RgbAt(image, P::kBackOnlyX, P::kBackOnlyY), kRed);
  EXPECT_EQ(RgbAt(image, P::kEmptyX, P::kEmptyY), kBlack);

  renderer.SetBackgroundColor(QColor(0, 0, 255));
  image = renderer.RenderImage();
  EXPECT_EQ(RgbAt(image, P::kEmptyX, P::kEmptyY), (std::array<int, 3>{0, 0, 255}));
  // The lists compiled in the first frame are replayed.
  EXPECT_EQ(squares.front->builds, 1);
  EXPECT_EQ(squares.front->draws, 2);
}

TEST(OffscreenRenderer, WithoutACameraDrawsOnlyTheBackground) {
  TTwoSquares squares;
  MAKE_RENDERER(renderer, squares.scene);
  const QImage image = renderer.RenderImage();
  EXPECT_EQ(RgbAt(image, P::kCentreX, P::kCentreY), kBlack);
  EXPECT_EQ(renderer.PickObjectAt(P::kCentreX, P::kCentreY), nullptr);
}

TEST(OffscreenRenderer, PicksTheNearerObjectAndNothingOnEmptySpace) {
  TTwoSquares squares;
  MAKE_RENDERER(renderer, squares.scene);
  renderer.SetCamera(squares.camera);
  // Before any frame: the pick compiles what it needs.
  EXPECT_EQ(renderer.PickObjectAt(P::kCentreX, P::kCentreY), squares.front);
  EXPECT_EQ(renderer.PickObjectAt(P::kBackOnlyX, P::kBackOnlyY), squares.back);
  EXPECT_EQ(renderer.PickObjectAt(P::kEmptyX, P::kEmptyY), nullptr);

  const TPickList both = renderer.PickObjectsIn(QRect(P::kCentreX - 2, P::kCentreY - 2, 4, 4));
  ASSERT_EQ(both.Count(), 2);
  EXPECT_EQ(both.Object(0), squares.front);
  EXPECT_EQ(both.Object(1), squares.back);
  EXPECT_LT(both.Hit(0).minDepth, both.Hit(1).minDepth);
  EXPECT_GE(both.Hit(0).minDepth, 0.0f);
  EXPECT_LE(both.Hit(1).maxDepth, 1.0f);

  // A hidden object is not picked; the one behind it is.
  squares.front->SetVisible(false);
  EXPECT_EQ(renderer.PickObjectAt(P::kCentreX, P::kCentreY), squares.back);
  EXPECT_EQ(RenderingContextActivations(), 0);
  EXPECT_EQ(renderer.RenderingState(), TRenderingState::rsIdle);
}

TEST(OffscreenRenderer, RefusesToPickDuringAFrame) {
  TTwoSquares squares;
  MAKE_RENDERER(renderer, squares.scene);
  renderer.SetCamera(squares.camera);
  std::string message;
  TRenderingState during = TRenderingState::rsIdle;
  int activationsDuring = 0;
  renderer.BeforeRender = [&] {
    during = renderer.RenderingState();
    activationsDuring = RenderingContextActivations();
    try {
      renderer.PickObjectAt(P::kCentreX, P::kCentreY);
    } catch (const EAssertionFailed& e) {
      message = e.what();
    }
  };
  const QImage image = renderer.RenderImage();
  EXPECT_EQ(message, "Already rendering");
  EXPECT_EQ(during, TRenderingState::rsRendering);
  EXPECT_EQ(activationsDuring, 1);
  // The refused pick did not disturb the frame.
  EXPECT_EQ(RgbAt(image, P::kCentreX, P::kCentreY), kGreen);
  renderer.BeforeRender = nullptr;
  EXPECT_EQ(renderer.PickObjectAt(P::kCentreX, P::kCentreY), squares.front);
}

TEST(OffscreenRenderer, TheSelectionBufferGrowsUntilEveryHitFits) {
  // 300 squares one behind the other: far more hits than the 8 the first pass makes room for.
  TScene scene;
  TCamera& camera = scene.AddCamera(std::make_unique<TCamera>());
  camera.Position().AssignPoint(0, 0, 5);
  camera.SetFocalLength(10);
  constexpr int kCount = 300;
  for (int i = 0; i < kCount; ++i) {
    scene.ObjectRoot().AddNewChild<TTestSquare>().Position().AssignPoint(0, 0, -float(i) / 100);
  }
  MAKE_RENDERER(renderer, scene);
  renderer.SetCamera(&camera);
  const TPickList hits = renderer.PickObjectsIn(QRect(P::kCentreX - 1, P::kCentreY - 1, 2, 2), 8);
  ASSERT_EQ(hits.Count(), kCount);
  EXPECT_EQ(hits.Object(0), &scene.ObjectRoot().Child(0));  // nearest: z = 0
  EXPECT_EQ(hits.Object(kCount - 1), &scene.ObjectRoot().Child(kCount - 1));
  for (int i = 1; i < kCount; ++i) ASSERT_LE(hits.Hit(i - 1).minDepth, hits.Hit(i).minDepth) << i;
}

TEST(OffscreenRenderer, AFailingFrameReleasesTheContextAndEndsTheFrame) {
  TTwoSquares squares;
  MAKE_RENDERER(renderer, squares.scene);
  renderer.SetCamera(squares.camera);
  int after = 0;
  renderer.AfterRender = [&] { ++after; };
  squares.front->throwOnBuild = true;
  EXPECT_THROW(renderer.RenderImage(), std::runtime_error);
  EXPECT_EQ(after, 1);
  EXPECT_EQ(RenderingContextActivations(), 0);
  EXPECT_EQ(renderer.RenderingState(), TRenderingState::rsIdle);

  squares.front->throwOnBuild = false;
  squares.front->MarkStructureDirty();
  const QImage image = renderer.RenderImage();
  EXPECT_EQ(RgbAt(image, P::kCentreX, P::kCentreY), kGreen);
  EXPECT_EQ(after, 2);
}

TEST(OffscreenRenderer, FollowsTheRendererStateSwitches) {
  TTwoSquares squares;
  MAKE_RENDERER(renderer, squares.scene);
  renderer.SetCamera(squares.camera);
  EXPECT_TRUE(renderer.States().Has(TRenderState::stDepthTest));
  EXPECT_TRUE(renderer.States().Has(TRenderState::stCullFace));
  EXPECT_TRUE(renderer.States().Has(TRenderState::stNormalize));
  EXPECT_FALSE(renderer.States().Has(TRenderState::stLighting));
  EXPECT_GE(renderer.MaxLights(), 8);

  // Without the depth test the later-drawn square wins wherever both are: the front one is drawn last.
  // Swapping the drawing order shows the test really is off.
  squares.front->SetIndexInParent(0);
  EXPECT_EQ(RgbAt(renderer.RenderImage(), P::kCentreX, P::kCentreY), kGreen);
  renderer.SetDepthTest(false);
  EXPECT_FALSE(renderer.States().Has(TRenderState::stDepthTest));
  EXPECT_EQ(RgbAt(renderer.RenderImage(), P::kCentreX, P::kCentreY), kRed);

  // Face culling: a square turned away from the camera disappears.
  renderer.SetDepthTest(true);
  squares.back->SetVisible(false);
  squares.front->SetTurnAngle(180);
  EXPECT_EQ(RgbAt(renderer.RenderImage(), P::kCentreX, P::kCentreY), kBlack);
  renderer.SetFaceCulling(false);
  EXPECT_EQ(RgbAt(renderer.RenderImage(), P::kCentreX, P::kCentreY), kGreen);
}

TEST(OffscreenRenderer, FogHidesWhatLiesBeyondItsEnd) {
  TTwoSquares squares;
  MAKE_RENDERER(renderer, squares.scene);
  renderer.SetCamera(squares.camera);
  TFogEnvironment& fog = renderer.FogEnvironment();
  fog.FogColor().SetRGBA(0, 0, 1, 1);
  fog.SetFogStart(0);
  fog.SetFogEnd(2);  // the squares are 4 and 5 units away
  EXPECT_EQ(RgbAt(renderer.RenderImage(), P::kCentreX, P::kCentreY), kGreen);
  renderer.SetFogEnable(true);
  EXPECT_TRUE(renderer.States().Has(TRenderState::stFog));
  EXPECT_EQ(RgbAt(renderer.RenderImage(), P::kCentreX, P::kCentreY), (std::array<int, 3>{0, 0, 255}));
  // A change of the environment asks for a repaint and shows in the next frame.
  EXPECT_FALSE(renderer.Invalidated());
  fog.SetFogEnd(100);
  EXPECT_TRUE(renderer.Invalidated());
  const std::array<int, 3> thin = RgbAt(renderer.RenderImage(), P::kCentreX, P::kCentreY);
  EXPECT_GT(thin[1], 200);
  renderer.SetFogEnable(false);
  EXPECT_EQ(RgbAt(renderer.RenderImage(), P::kCentreX, P::kCentreY), kGreen);
}

TEST(OffscreenRenderer, SizesAreClampedAndTheImageIsTopRowFirst) {
  TScene scene;
  TCamera& camera = scene.AddCamera(std::make_unique<TCamera>());
  camera.Position().AssignPoint(0, 0, 5);
  camera.SetFocalLength(10);
  // A square in the upper half of the view only.
  scene.ObjectRoot().AddNewChild<TTestSquare>().Position().AssignPoint(0, 1, 0);
  TOffscreenRenderer tiny(scene, 0, -5);
  if (!tiny.Ready()) GTEST_SKIP() << tiny.ErrorText().toStdString();
  EXPECT_EQ(tiny.Width(), 1);
  EXPECT_EQ(tiny.Height(), 1);
  EXPECT_EQ(tiny.ViewportHeight(), 1);

  MAKE_RENDERER(renderer, scene);
  renderer.SetCamera(&camera);
  const QImage image = renderer.RenderImage();
  EXPECT_EQ(RgbAt(image, P::kCentreX, 16), kRed);
  EXPECT_EQ(RgbAt(image, P::kCentreX, 48), kBlack);
}

}  // namespace
}  // namespace nimbrel::scene::test
