// Spheres of one tessellation share the compiled unit sphere: each still draws in its own colour and
// size, a change of one tessellation leaves the others alone, the shared lists go when their last user
// does or with the context, and a new context draws them again.

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "SceneTestSupport.h"
#include "scene/OffscreenRenderer.h"
#include "scene/SharedDisplayLists.h"
#include "scene/Sphere.h"

namespace nimbrel::scene::test {
namespace {

constexpr std::array<int, 3> kRed{255, 0, 0};
constexpr std::array<int, 3> kGreen{0, 255, 0};
constexpr std::array<int, 3> kNone{0, 0, 0};

// A small red sphere down left and a large green one at the origin, of the same tessellation, coloured
// by their emission alone (lighting on, no light, no ambient light), seen from +Z.
class SharedSpheres : public GLTest {
 protected:
  static constexpr float kSmallRadius = 0.4f, kLargeRadius = 1.0f;

  void SetUp() override {
    GLTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    camera_ = &scene_->AddCamera(std::make_unique<TCamera>());
    camera_->Position().AssignPoint(0, 0, 20);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
    states_.Record(TRenderState::stDepthTest);
    states_.Record(TRenderState::stNormalize);
    states_.Record(TRenderState::stCullFace);
    states_.Enable(TRenderState::stLighting);
    const GLfloat noAmbient[4] = {0, 0, 0, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, noAmbient);
    small_ = &AddSphere(-1.1f, -1.1f, kSmallRadius, 1, 0);
    large_ = &AddSphere(0, 0, kLargeRadius, 0, 1);
  }

  TSphere& AddSphere(float x, float y, float radius, float red, float green) {
    TSphere& sphere = scene_->ObjectRoot().AddNewChild<TSphere>();
    sphere.Position().AssignPoint(x, y, 0);
    sphere.SetRadius(radius);
    sphere.Material().FrontProperties().Ambient().SetRGBA(0, 0, 0, 1);
    sphere.Material().FrontProperties().Diffuse().SetRGBA(0, 0, 0, 1);
    sphere.Material().FrontProperties().Emission().SetRGBA(red, green, 0, 1);
    return sphere;
  }

  // The framebuffer pixel that shows a scene point of the plane z = 0 in the last frame.
  std::array<int, 3> PixelOf(float x, float y) {
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, 0, model, projection, viewport, &wx, &wy, &wz);
    return PixelAt(int(wx), int(wy));
  }

  void Render() { RenderFrame(*camera_); }

  // Each sphere in its colour and at its size: the small one's centre is red, a point 0.6 to its right
  // (outside it, and outside the large one) is empty, and 0.8 above the origin is still the large one.
  void ExpectBothInTheirColoursAndSizes() {
    EXPECT_EQ(PixelOf(-1.1f, -1.1f), kRed);
    EXPECT_EQ(PixelOf(-0.5f, -1.1f), kNone);
    EXPECT_EQ(PixelOf(0, 0), kGreen);
    EXPECT_EQ(PixelOf(0, 0.8f), kGreen);
  }

  TCamera* camera_ = nullptr;
  TSphere* small_ = nullptr;
  TSphere* large_ = nullptr;
};

TEST_F(SharedSpheres, OneTessellationIsCompiledOnceAndEachSphereKeepsItsColourAndSize) {
  Render();
  ExpectBothInTheirColoursAndSizes();
  ASSERT_NE(small_->GeometryList(), 0u);
  EXPECT_EQ(small_->GeometryList(), large_->GeometryList());
  EXPECT_NE(small_->DisplayList(), large_->DisplayList());
  EXPECT_EQ(scene_->SharedLists().Count(), 1u);

  // A new colour or radius changes the sphere's own list and material, not the shared geometry.
  const unsigned shared = small_->GeometryList();
  large_->SetRadius(0.7f);
  small_->Material().FrontProperties().Emission().SetRGBA(0, 1, 0, 1);
  Render();
  EXPECT_EQ(PixelOf(0, 0.8f), kNone);
  EXPECT_EQ(PixelOf(-1.1f, -1.1f), kGreen);
  EXPECT_EQ(small_->GeometryList(), shared);
  EXPECT_EQ(large_->GeometryList(), shared);
  EXPECT_EQ(scene_->SharedLists().Count(), 1u);
}

TEST_F(SharedSpheres, EachPropertyOfTheShapeMakesATessellationOfItsOwn) {
  struct TCase {
    const char* name;
    void (*change)(TSphere&);
  };
  const TCase cases[] = {
      {"slices", [](TSphere& s) { s.SetSlices(3); }},
      {"stacks", [](TSphere& s) { s.SetStacks(5); }},
      {"top", [](TSphere& s) { s.SetTop(60); }},
      {"bottom", [](TSphere& s) { s.SetBottom(-60); }},
      {"start", [](TSphere& s) { s.SetStart(10); }},
      {"stop", [](TSphere& s) { s.SetStop(350); }},
      {"top cap", [](TSphere& s) { s.SetTopCap(TCapType::ctFlat); }},
      {"bottom cap", [](TSphere& s) { s.SetBottomCap(TCapType::ctCenter); }},
      {"normal direction", [](TSphere& s) { s.SetNormalDirection(TNormalDirection::ndInside); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TSphere& plain = AddSphere(5, 5, 0.1f, 1, 1);
    TSphere& changed = AddSphere(5, 5, 0.1f, 1, 1);
    c.change(changed);
    Render();
    EXPECT_EQ(plain.GeometryList(), small_->GeometryList());
    EXPECT_NE(changed.GeometryList(), plain.GeometryList());
    EXPECT_EQ(scene_->SharedLists().Count(), 2u);
    scene_->ObjectRoot().DestroyChild(changed);
    scene_->ObjectRoot().DestroyChild(plain);
    EXPECT_EQ(scene_->SharedLists().Count(), 1u);
  }
}

TEST_F(SharedSpheres, ChangingOneSpheresSlicesChangesOnlyThatOne) {
  Render();
  const unsigned shared = small_->GeometryList();
  ASSERT_EQ(PixelOf(0.93f, 0), kGreen);
  // Three slices put the rim's vertices at longitudes 0, 120 and 240 degrees: seen from +Z the shape
  // reaches only sin 120 = 0.87 of the radius to either side.
  large_->SetSlices(3);
  Render();
  EXPECT_EQ(PixelOf(0.93f, 0), kNone);
  EXPECT_EQ(PixelOf(0, 0), kGreen);
  EXPECT_EQ(small_->GeometryList(), shared);
  EXPECT_NE(large_->GeometryList(), shared);
  EXPECT_TRUE(glIsList(shared));
  EXPECT_EQ(PixelOf(-1.1f, -1.1f), kRed);
  EXPECT_EQ(PixelOf(-0.5f, -1.1f), kNone);
  EXPECT_EQ(scene_->SharedLists().Count(), 2u);

  // Back to the common tessellation: the three-slice list has no user left and is deleted.
  const unsigned threeSlices = large_->GeometryList();
  large_->SetSlices(16);
  Render();
  EXPECT_EQ(large_->GeometryList(), shared);
  EXPECT_FALSE(glIsList(threeSlices));
  EXPECT_EQ(scene_->SharedLists().Count(), 1u);
  ExpectBothInTheirColoursAndSizes();
}

TEST_F(SharedSpheres, TheLastSphereToGoTakesTheSharedListAlong) {
  Render();
  const unsigned shared = small_->GeometryList();
  scene_->ObjectRoot().DestroyChild(*large_);
  EXPECT_TRUE(glIsList(shared));
  Render();
  EXPECT_EQ(PixelOf(-1.1f, -1.1f), kRed);

  // Leaving the scene lets go of the list as well, while the scene's context is there to delete it.
  std::unique_ptr<TBaseSceneObject> taken = small_->Reparent(nullptr);
  EXPECT_EQ(small_->GeometryList(), 0u);
  EXPECT_FALSE(glIsList(shared));
  EXPECT_EQ(scene_->SharedLists().Count(), 0u);
}

TEST_F(SharedSpheres, DestroyingManyChildrenActivatesTheContextOnceAndDeletesTheirLists) {
  for (int i = 0; i < 50; ++i) AddSphere(3, 3, 0.1f, 1, 1).Reparent(large_);
  Render();
  const unsigned lastChildList = dynamic_cast<TSphere&>(large_->Child(49)).DisplayList();
  ASSERT_TRUE(glIsList(lastChildList));
  const int before = viewer_.activationCalls;
  large_->DestroyChildren();
  EXPECT_EQ(viewer_.activationCalls - before, 1);
  EXPECT_FALSE(glIsList(lastChildList));
  Render();
  ExpectBothInTheirColoursAndSizes();
}

TEST_F(SharedSpheres, AfterALostContextTheSpheresCompileAndDrawAgain) {
  Render();
  scene_->RendererContextLost();
  EXPECT_EQ(small_->GeometryList(), 0u);
  EXPECT_EQ(large_->GeometryList(), 0u);
  EXPECT_EQ(scene_->SharedLists().Count(), 0u);
  Render();
  ExpectBothInTheirColoursAndSizes();
  EXPECT_NE(small_->GeometryList(), 0u);
  EXPECT_EQ(small_->GeometryList(), large_->GeometryList());
  EXPECT_EQ(scene_->SharedLists().Count(), 1u);
}

TEST_F(SharedSpheres, TheLastViewerToGoDeletesTheSharedLists) {
  Render();
  const unsigned shared = small_->GeometryList();
  scene_->DetachViewer(viewer_);
  EXPECT_FALSE(glIsList(shared));
  EXPECT_EQ(scene_->SharedLists().Count(), 0u);
  scene_->AttachViewer(viewer_);
  Render();
  ExpectBothInTheirColoursAndSizes();
}

TEST_F(SharedSpheres, ALastViewerWhoseContextCannotBeMadeCurrentStillLeavesAndForgetsTheLists) {
  Render();
  ASSERT_NE(small_->DisplayList(), 0u);
  viewer_.refuseActivation = true;
  EXPECT_NO_THROW(scene_->DetachViewer(viewer_));
  viewer_.refuseActivation = false;
  EXPECT_TRUE(scene_->Viewers().empty());
  EXPECT_EQ(small_->DisplayList(), 0u);
  EXPECT_EQ(small_->GeometryList(), 0u);
  EXPECT_EQ(scene_->SharedLists().Count(), 0u);
  scene_->AttachViewer(viewer_);
  Render();
  ExpectBothInTheirColoursAndSizes();
}

// The cache on its own: counted users, deletion by the last one, waiting lists deleted at the next
// chance, and forgotten lists left alone.
TEST_F(SharedSpheres, SharedListsAreCountedAndDeletedOnlyWhenTheirContextCan) {
  TSharedDisplayLists lists;
  int builds = 0;
  const auto build = [&builds] {
    ++builds;
    glBegin(GL_POINTS);
    glVertex3f(0, 0, 0);
    glEnd();
  };
  TSharedDisplayLists::TReference first = lists.Acquire("a", build);
  TSharedDisplayLists::TReference second = lists.Acquire("a", build);
  EXPECT_EQ(builds, 1);
  const unsigned a = TSharedDisplayLists::Name(first);
  ASSERT_NE(a, 0u);
  EXPECT_EQ(TSharedDisplayLists::Name(second), a);
  TSharedDisplayLists::Release(first, false);
  EXPECT_EQ(first, nullptr);
  EXPECT_TRUE(glIsList(a));
  TSharedDisplayLists::Release(second, false);
  EXPECT_FALSE(glIsList(a));
  EXPECT_EQ(lists.Count(), 0u);

  // Let go of without its context: the list waits and goes when a context is there again.
  TSharedDisplayLists::TReference waiting = lists.Acquire("b", build);
  const unsigned b = TSharedDisplayLists::Name(waiting);
  TSharedDisplayLists::Release(waiting, true);
  EXPECT_TRUE(glIsList(b));
  EXPECT_EQ(lists.Count(), 1u);
  TSharedDisplayLists::TReference other = lists.Acquire("c", build);
  EXPECT_FALSE(glIsList(b));
  EXPECT_EQ(lists.Count(), 1u);

  // Forgotten with its context: the name is never deleted (it may be another list's by now).
  const unsigned c = TSharedDisplayLists::Name(other);
  lists.ForgetAll();
  EXPECT_EQ(lists.Count(), 0u);
  TSharedDisplayLists::Release(other, false);
  EXPECT_TRUE(glIsList(c));
  glDeleteLists(c, 1);

  // A build that fails keeps nothing.
  EXPECT_THROW(lists.Acquire("d", [] { throw std::runtime_error("no"); }), std::runtime_error);
  EXPECT_EQ(lists.Count(), 0u);
}

// Picking and a renderer's own context, through the off-screen renderer.
class SharedSpheresOffscreen : public ::testing::Test {
 protected:
  void SetUp() override {
    camera_ = &scene_.AddCamera(std::make_unique<TCamera>());
    camera_->Position().AssignPoint(0, 0, 5);
    camera_->SetFocalLength(10);
    back_ = &scene_.ObjectRoot().AddNewChild<TSphere>();
    back_->SetRadius(1);
    back_->Material().FrontProperties().Emission().SetRGBA(1, 0, 0, 1);
    front_ = &scene_.ObjectRoot().AddNewChild<TSphere>();
    front_->SetRadius(0.2f);
    front_->Position().AssignPoint(0, 0, 1.5f);
    front_->Material().FrontProperties().Emission().SetRGBA(0, 0, 1, 1);
  }

  std::unique_ptr<TOffscreenRenderer> MakeRenderer() {
    auto renderer = std::make_unique<TOffscreenRenderer>(scene_, 64, 64);
    if (!renderer->Ready()) return renderer;
    renderer->SetBackgroundColor(Qt::black);
    renderer->SetCamera(camera_);
    return renderer;
  }

  TScene scene_;
  TCamera* camera_ = nullptr;
  TSphere* back_ = nullptr;
  TSphere* front_ = nullptr;
};

#define REQUIRE_READY(renderer)                                                  \
  if (!(renderer)->Ready()) {                                                    \
    if (std::getenv("DISPLAY")) FAIL() << (renderer)->ErrorText().toStdString(); \
    GTEST_SKIP() << (renderer)->ErrorText().toStdString();                       \
  }

TEST_F(SharedSpheresOffscreen, PickingFindsTheNearerOfTwoSpheresOfOneTessellation) {
  auto renderer = MakeRenderer();
  REQUIRE_READY(renderer);
  EXPECT_EQ(renderer->PickObjectAt(32, 32), front_);
  EXPECT_EQ(front_->GeometryList(), back_->GeometryList());
  front_->Position().AssignPoint(0, 0, -1.5f);
  EXPECT_EQ(renderer->PickObjectAt(32, 32), back_);
  front_->Position().AssignPoint(0, 0, 1.5f);
  EXPECT_EQ(renderer->PickObjectAt(32, 32), front_);
  EXPECT_EQ(renderer->PickObjectAt(44, 32), back_);
  EXPECT_EQ(renderer->PickObjectAt(2, 2), nullptr);
}

TEST_F(SharedSpheresOffscreen, ANewRendererDrawsTheSpheresAfterTheLastOneTookItsListsAlong) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    auto renderer = MakeRenderer();
    REQUIRE_READY(renderer);
    const QImage image = renderer->RenderImage();
    const QRgb centre = image.pixel(32, 32), beside = image.pixel(44, 32);
    EXPECT_GT(qBlue(centre), 200);
    EXPECT_LT(qRed(centre), 80);
    EXPECT_GT(qRed(beside), 200);
    EXPECT_LT(qBlue(beside), 80);
    EXPECT_EQ(scene_.SharedLists().Count(), 1u);
    renderer.reset();
    EXPECT_EQ(scene_.SharedLists().Count(), 0u);
    EXPECT_EQ(back_->GeometryList(), 0u);
  }
}

}  // namespace
}  // namespace nimbrel::scene::test
