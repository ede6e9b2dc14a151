// The render traversal in a real (off-screen) OpenGL context: what is drawn, in which order, and when
// display lists are compiled.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SceneTestSupport.h"
#include "scene/SceneErrors.h"

namespace nimbrel::scene::test {
namespace {

constexpr std::array<int, 3> kBlack{0, 0, 0};
constexpr std::array<int, 3> kRed{255, 0, 0};

class Render : public GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    camera_ = &scene_->AddCamera(std::make_unique<TCamera>());
    camera_->Position().AssignPoint(0, 0, 10);  // looking down -Z at the origin
  }

  TCamera* camera_ = nullptr;
};

TEST_F(Render, ASquareInFrontOfTheCameraIsSeen) {
  TTestSquare& square = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  RenderFrame(*camera_);
  EXPECT_EQ(CentrePixel(), kRed);
  EXPECT_EQ(PixelAt(1, 1), kBlack);         // the square covers only the middle
  square.Position().AssignPoint(0, 0, 20);  // behind the camera
  RenderFrame(*camera_);
  EXPECT_EQ(CentrePixel(), kBlack);
}

TEST_F(Render, ColourChangeRebuildsTheListAndAMoveDoesNot) {
  TTestSquare& square = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  RenderFrame(*camera_);
  RenderFrame(*camera_);
  EXPECT_EQ(square.builds, 1);
  EXPECT_EQ(square.draws, 2);
  EXPECT_NE(square.DisplayList(), 0u);

  square.Position().AssignPoint(0.1f, 0, 0);
  RenderFrame(*camera_);
  EXPECT_EQ(square.builds, 1);

  square.color.SetRGBA(0, 1, 0, 1);
  RenderFrame(*camera_);
  EXPECT_EQ(square.builds, 2);
  EXPECT_EQ(CentrePixel(), (std::array<int, 3>{0, 255, 0}));
}

TEST_F(Render, HidingAnObjectHidesItsSubtree) {
  TTestSquare& parent = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  TTestSquare& child = parent.AddNewChild<TTestSquare>();
  child.Position().AssignPoint(0, 0, 1);
  parent.SetVisible(false);
  RenderFrame(*camera_);
  EXPECT_EQ(parent.draws, 0);
  EXPECT_EQ(child.draws, 0);
  EXPECT_EQ(CentrePixel(), kBlack);
  parent.SetVisible(true);
  RenderFrame(*camera_);
  EXPECT_EQ(child.draws, 1);
  EXPECT_EQ(CentrePixel(), kRed);
}

TEST_F(Render, ChildrenAreDrawnInTheirParentsFrame) {
  TTestSquare& parent = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  parent.SetVisible(true);
  parent.Scale().AssignVector(0.01f, 0.01f, 0.01f);  // the parent itself is a speck
  parent.Position().AssignPoint(-3, 0, 0);
  TTestSquare& child = parent.AddNewChild<TTestSquare>();
  child.Scale().AssignVector(100, 100, 100);
  child.Position().AssignPoint(300, 0, 0);  // 300 x 0.01 = 3 units right of the parent: the centre
  RenderFrame(*camera_);
  EXPECT_EQ(CentrePixel(), kRed);
  EXPECT_NEAR(child.GetWorldPosition().x, 0, 1e-5);
}

TEST_F(Render, SortingModesDecideTheOrder) {
  std::vector<std::string> log;
  TBaseSceneObject& group = scene_->ObjectRoot().AddNewChild<TBaseSceneObject>();
  TTestSquare& near = group.AddNewChild<TTestSquare>("near", &log);
  TTestSquare& far = group.AddNewChild<TTestSquare>("far", &log);
  TTestSquare& middle = group.AddNewChild<TTestSquare>("middle", &log);
  near.Position().AssignPoint(0, 0, 5);
  far.Position().AssignPoint(0, 0, -5);
  middle.Position().AssignPoint(0, 0, 0);

  struct Case {
    TObjectsSorting mode;
    bool middleBlended;
    std::vector<std::string> order;
  };
  const std::vector<Case> cases = {
      {TObjectsSorting::osNone, false, {"near", "far", "middle"}},
      {TObjectsSorting::osRenderFarthestFirst, false, {"far", "middle", "near"}},
      // Opaque ones at once in their order, then the blended ones farthest first.
      {TObjectsSorting::osRenderBlendedLast, false, {"near", "far", "middle"}},
      {TObjectsSorting::osRenderBlendedLast, true, {"near", "far", "middle"}},
      {TObjectsSorting::osInherited, false, {"near", "far", "middle"}},  // the scene's: blended last
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.mode));
    group.SetObjectsSorting(c.mode);
    middle.blended = c.middleBlended;
    log.clear();
    RenderFrame(*camera_);
    EXPECT_EQ(log, c.order);
  }
  // Two blended ones come after the opaque one, farthest first, whatever their order in the list.
  group.SetObjectsSorting(TObjectsSorting::osRenderBlendedLast);
  near.blended = true;
  middle.blended = true;
  log.clear();
  RenderFrame(*camera_);
  EXPECT_EQ(log, (std::vector<std::string>{"far", "middle", "near"}));
  // Hidden children are left out of the sorted set.
  near.SetVisible(false);
  log.clear();
  RenderFrame(*camera_);
  EXPECT_EQ(log, (std::vector<std::string>{"far", "middle"}));
}

TEST_F(Render, CameraTargetDecidesWhereItLooks) {
  TTestSquare& square = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  square.Position().AssignPoint(4, 0, 0);
  RenderFrame(*camera_);
  EXPECT_EQ(CentrePixel(), kBlack);
  camera_->SetTargetObject(&square);
  RenderFrame(*camera_);
  EXPECT_EQ(CentrePixel(), kRed);
  EXPECT_NEAR(camera_->ViewDirection().x, 4 / std::sqrt(116.0f), 1e-6);
  // Freeing the target leaves a camera that still works, looking along its own direction.
  scene_->ObjectRoot().DestroyChild(square);
  EXPECT_EQ(camera_->TargetObject(), nullptr);
  RenderFrame(*camera_);
  EXPECT_NEAR(camera_->ViewDirection().z, -1, 1e-6);
}

TEST_F(Render, ApplyProjectionSetsTheFrustum) {
  camera_->SetFocalLength(200);
  camera_->SetDepthOfView(4000);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  camera_->ApplyProjection({0, 0, 401, 397}, 401, 397, 96);
  double m[16] = {};
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  const double n = 200.0 * 2 * 96 / (401 * 25.4);
  EXPECT_NEAR(camera_->NearPlane(), n, 1e-5);
  EXPECT_NEAR(m[0], 2 * n / 1.0, 1e-4);              // 2n / (right - left)
  EXPECT_NEAR(m[5], 2 * n / (397.0 / 401), 1e-4);    // 2n / (top - bottom)
  EXPECT_NEAR(m[10], -(4000 + 2 * n) / 4000, 1e-6);  // -(far + near) / (far - near)
  glMatrixMode(GL_MODELVIEW);
}

TEST_F(Render, CamerasAreNeverDrawn) {
  TTestSquare& onCamera = camera_->AddNewChild<TTestSquare>();
  RenderFrame(*camera_);
  EXPECT_EQ(onCamera.draws, 0);
  EXPECT_EQ(camera_->DisplayList(), 0u);
}

TEST_F(Render, PickingPassListsTheDrawnObjects) {
  TTestSquare& a = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  TTestSquare& b = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  b.SetVisible(false);
  std::vector<TBaseSceneObject*> names;
  scene_->PrepareCamera(*camera_);
  scene_->RenderAll(viewer_, kSize, kSize, states_, &names);
  EXPECT_EQ(names, (std::vector<TBaseSceneObject*>{&scene_->ObjectRoot(), &a}));
}

TEST_F(Render, LeavingTheSceneGivesTheListBack) {
  TTestSquare& square = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  RenderFrame(*camera_);
  const GLuint list = square.DisplayList();
  ASSERT_TRUE(glIsList(list));
  std::unique_ptr<TBaseSceneObject> held = scene_->ObjectRoot().DetachChild(square);
  EXPECT_FALSE(glIsList(list));
  EXPECT_EQ(square.DisplayList(), 0u);
  EXPECT_TRUE(square.StructureDirty());
  // Back in the scene it compiles again.
  scene_->ObjectRoot().AttachChild(std::move(held));
  RenderFrame(*camera_);
  EXPECT_EQ(square.builds, 2);
  EXPECT_EQ(CentrePixel(), kRed);
}

TEST_F(Render, TheLastViewerTakesTheListsWithIt) {
  TTestSquare& square = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  RenderFrame(*camera_);
  const GLuint list = square.DisplayList();
  scene_->DetachViewer(viewer_);
  EXPECT_FALSE(glIsList(list));
  EXPECT_EQ(square.DisplayList(), 0u);
  EXPECT_EQ(viewer_.activations, 1);  // balanced
}

TEST_F(Render, FailingGeometryLeavesTheRendererBalanced) {
  TTestSquare& square = scene_->ObjectRoot().AddNewChild<TTestSquare>();
  square.throwOnBuild = true;
  GLint depthBefore = 0, depthAfter = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
  EXPECT_THROW(RenderFrame(*camera_), std::runtime_error);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
  EXPECT_EQ(depthAfter, depthBefore);
  GLint listMode = 0;
  glGetIntegerv(GL_LIST_MODE, &listMode);
  EXPECT_EQ(listMode, 0);  // the list was closed
  square.throwOnBuild = false;
  RenderFrame(*camera_);
  EXPECT_EQ(CentrePixel(), kRed);
}

}  // namespace
}  // namespace nimbrel::scene::test
