// The object tree without a renderer: ownership, frames, matrices and change notification.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "SceneTestSupport.h"
#include "scene/SceneErrors.h"

namespace nimbrel::scene::test {
namespace {

void ExpectXyz(const Float4& v, float x, float y, float z, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

class SceneTree : public ::testing::Test {
 protected:
  void SetUp() override { scene.AttachViewer(viewer); }
  void TearDown() override { scene.DetachViewer(viewer); }
  // Rebuilds the matrices as a frame would and forgets the requests so far.
  void FrameDone() {
    scene.ObjectRoot().RefreshTransforms();
    viewer.invalidations = 0;
  }

  TScene scene;
  TCountingViewer viewer;
};

// ------------------------------------------------------------------------------------------ frames

TEST_F(SceneTree, DirectionAlongUpTiltsUpAwayFromIt) {
  TBaseSceneObject& object = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  object.Direction().AssignVector(0, 1, 0);
  // right = (1, 3, 3) replaces the zero cross product; Up = right x Direction, normalised.
  ExpectXyz(object.Direction().AsFloat4(), 0, 1, 0);
  ExpectXyz(object.Up().AsFloat4(), -0.94868f, 0, 0.31623f);
  EXPECT_EQ(object.Up().W(), 0);
}

TEST_F(SceneTree, UpAlongDirectionTiltsDirectionAwayFromIt) {
  TBaseSceneObject& object = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  object.Up().AssignVector(0, 0, 3);
  // Up becomes (0, 0, 1); right = (1, 2, 4); Direction = Up x right = (-2, 1, 0) normalised.
  ExpectXyz(object.Up().AsFloat4(), 0, 0, 1);
  ExpectXyz(object.Direction().AsFloat4(), -2 / std::sqrt(5.0f), 1 / std::sqrt(5.0f), 0);
}

TEST_F(SceneTree, UnusableDirectionOrUpIsReset) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    bool direction;
    Float4 value;
  };
  const Case cases[] = {
      {"zero direction", true, {0, 0, 0, 0}},
      {"NaN direction", true, {nan, 0, 1, 0}},
      {"zero up", false, {0, 0, 0, 0}},
      {"infinite up", false, {0, std::numeric_limits<float>::infinity(), 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TBaseSceneObject object;
    (c.direction ? object.Direction() : object.Up()).AssignVector(c.value);
    ExpectXyz(object.Direction().AsFloat4(), 0, 0, 1);
    ExpectXyz(object.Up().AsFloat4(), 0, 1, 0);
  }
}

TEST_F(SceneTree, AnglesAreStoredWithinHalfATurn) {
  struct Case {
    float set, stored;
  };
  const Case cases[] = {{390, 30}, {-190, 170}, {180, 180}, {-180, 180}, {540, 180}, {541, -179}, {720, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("set " + std::to_string(c.set));
    TBaseSceneObject object;
    object.SetTurnAngle(c.set);
    object.SetPitchAngle(c.set);
    object.SetRollAngle(c.set);
    EXPECT_FLOAT_EQ(object.TurnAngle(), c.stored);
    EXPECT_FLOAT_EQ(object.PitchAngle(), c.stored);
    EXPECT_FLOAT_EQ(object.RollAngle(), c.stored);
  }
}

TEST_F(SceneTree, TurnPitchAndRollTurnTheFrame) {
  TBaseSceneObject turned, pitched, rolled;
  turned.SetTurnAngle(90);  // about Up: Direction +Z goes to +X
  ExpectXyz(turned.Direction().AsFloat4(), 1, 0, 0);
  ExpectXyz(turned.Up().AsFloat4(), 0, 1, 0);
  pitched.SetPitchAngle(90);  // about Direction x Up = -X: the nose comes up
  ExpectXyz(pitched.Direction().AsFloat4(), 0, 1, 0);
  ExpectXyz(pitched.Up().AsFloat4(), 0, 0, -1);
  rolled.SetRollAngle(90);  // about Direction: Up +Y goes to -X
  ExpectXyz(rolled.Direction().AsFloat4(), 0, 0, 1);
  ExpectXyz(rolled.Up().AsFloat4(), -1, 0, 0);
  // Back to 0 undoes it; an infinite angle is ignored instead of poisoning the frame.
  turned.SetTurnAngle(0);
  ExpectXyz(turned.Direction().AsFloat4(), 0, 0, 1);
  turned.SetTurnAngle(std::numeric_limits<float>::infinity());
  EXPECT_EQ(turned.TurnAngle(), 0);
  ExpectXyz(turned.Direction().AsFloat4(), 0, 0, 1);
}

TEST_F(SceneTree, TurningToTheCurrentAngleRequestsNoRepaint) {
  TBaseSceneObject& object = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  object.SetTurnAngle(30);
  FrameDone();
  object.SetTurnAngle(30);
  EXPECT_EQ(viewer.invalidations, 0);
  EXPECT_FALSE(object.TransformationDirty());
  object.SetTurnAngle(31);
  EXPECT_EQ(viewer.invalidations, 1);
}

// ------------------------------------------------------------------------------------------ matrices

TEST_F(SceneTree, LocalMatrixRowsComeFromTheFrame) {
  TBaseSceneObject object;
  object.Position().AssignPoint(1, 2, 3);
  object.Scale().AssignVector(2, 3, 4);
  object.SetTurnAngle(90);
  const Matrix4x4& m = object.LocalMatrix();
  ExpectXyz(m[0], 0, 0, -2);  // Up x Direction, times Scale.X
  ExpectXyz(m[1], 0, 3, 0);
  ExpectXyz(m[2], 4, 0, 0);
  ExpectXyz(m[3], 1, 2, 3);
  EXPECT_EQ(m[3].w, 1);
}

TEST_F(SceneTree, WorldMatrixIsLocalTimesParentWorld) {
  TBaseSceneObject& parent = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& child = parent.AddNewChild<TBaseSceneObject>();
  parent.Position().AssignPoint(1, 2, 3);
  parent.SetTurnAngle(90);
  child.Position().AssignPoint(1, 0, 0);
  scene.ObjectRoot().Position().AssignPoint(100, 100, 100);  // the root's children ignore the root

  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(Same4(parent.GetWorldMatrix()[i], parent.LocalMatrix()[i])) << "child of the root, row " << i;
  }
  Matrix4x4 expected;
  MatMul(child.LocalMatrix(), parent.GetWorldMatrix(), expected);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same4(child.GetWorldMatrix()[i], expected[i])) << "row " << i;
  ExpectXyz(child.GetWorldPosition(), 1, 2, 2);  // local +X is world -Z after the parent's turn
}

TEST_F(SceneTree, WorldMatrixFollowsAMoveBeforeTheNextFrame) {
  TBaseSceneObject& parent = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& child = parent.AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& grandchild = child.AddNewChild<TBaseSceneObject>();
  grandchild.Position().AssignPoint(0, 0, 1);
  FrameDone();
  ExpectXyz(grandchild.GetWorldPosition(), 0, 0, 1);
  parent.Position().AssignPoint(5, 0, 0);  // no RefreshTransforms in between
  ExpectXyz(grandchild.GetWorldPosition(), 5, 0, 1);
  child.Position().AssignPoint(0, 7, 0);
  ExpectXyz(grandchild.GetWorldPosition(), 5, 7, 1);
  // Moving the child under another parent also shows at once.
  TBaseSceneObject& other = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  other.Position().AssignPoint(-5, 0, 0);
  other.GetWorldMatrix();
  child.Reparent(&other);
  ExpectXyz(grandchild.GetWorldPosition(), -5, 7, 1);
}

// ------------------------------------------------------------------------------------------ ownership

TEST_F(SceneTree, FreeingAParentFreesItsChildren) {
  int destroyed = 0;
  TTestSquare& parent = scene.ObjectRoot().AddNewChild<TTestSquare>();
  parent.destroyed = &destroyed;
  TTestSquare& child = parent.AddNewChild<TTestSquare>();
  child.destroyed = &destroyed;
  TTestSquare& grandchild = child.AddNewChild<TTestSquare>();
  grandchild.destroyed = &destroyed;
  TObjectLink<TBaseSceneObject> childLink(&child), grandchildLink(&grandchild);
  scene.ObjectRoot().DestroyChild(parent);
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(childLink.Get(), nullptr);
  EXPECT_EQ(grandchildLink.Get(), nullptr);
  EXPECT_EQ(scene.ObjectRoot().Count(), 0);
}

TEST_F(SceneTree, DetachWithKeepChildrenHandsTheGrandchildrenUp) {
  TBaseSceneObject& root = scene.ObjectRoot();
  TBaseSceneObject& first = root.AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& middle = root.AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& g1 = middle.AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& g2 = middle.AddNewChild<TBaseSceneObject>();

  std::unique_ptr<TBaseSceneObject> detached = root.DetachChild(middle, true);
  ASSERT_EQ(detached.get(), &middle);
  EXPECT_EQ(detached->Parent(), nullptr);
  EXPECT_EQ(detached->Scene(), nullptr);
  EXPECT_EQ(detached->Count(), 0);
  ASSERT_EQ(root.Count(), 3);
  EXPECT_EQ(&root.Child(0), &first);
  EXPECT_EQ(&root.Child(1), &g1);
  EXPECT_EQ(&root.Child(2), &g2);
  EXPECT_EQ(g1.Parent(), &root);
  EXPECT_EQ(g2.Scene(), &scene);
}

TEST_F(SceneTree, DetachWithoutKeepChildrenTakesTheSubtreeOutOfTheScene) {
  TBaseSceneObject& middle = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& g1 = middle.AddNewChild<TBaseSceneObject>();
  std::unique_ptr<TBaseSceneObject> detached = scene.ObjectRoot().DetachChild(middle);
  EXPECT_EQ(scene.ObjectRoot().Count(), 0);
  ASSERT_EQ(detached->Count(), 1);
  EXPECT_EQ(g1.Scene(), nullptr);
  // Changes outside a scene reach no viewer; attaching again brings the subtree back.
  viewer.invalidations = 0;
  g1.SetVisible(false);
  EXPECT_EQ(viewer.invalidations, 0);
  scene.ObjectRoot().AttachChild(std::move(detached));
  EXPECT_EQ(g1.Scene(), &scene);
}

TEST_F(SceneTree, ReparentMovesOrHandsBack) {
  TBaseSceneObject& a = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& b = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& c = a.AddNewChild<TBaseSceneObject>();
  EXPECT_EQ(c.Reparent(&b), nullptr);
  EXPECT_EQ(c.Parent(), &b);
  EXPECT_EQ(a.Count(), 0);
  std::unique_ptr<TBaseSceneObject> handedBack = c.Reparent(nullptr);
  EXPECT_EQ(handedBack.get(), &c);
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(c.Scene(), nullptr);
}

TEST_F(SceneTree, TreeMisuseIsAnAssertion) {
  TBaseSceneObject& a = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  TBaseSceneObject& b = a.AddNewChild<TBaseSceneObject>();
  EXPECT_THROW(b.Reparent(&b), EAssertionFailed);
  EXPECT_THROW(a.Reparent(&b), EAssertionFailed);                     // into its own subtree
  EXPECT_THROW(scene.ObjectRoot().DetachChild(b), EAssertionFailed);  // a grandchild, not a child
  EXPECT_THROW(a.AttachChild(nullptr), EAssertionFailed);
  EXPECT_THROW(a.Child(1), EAssertionFailed);
  TBaseSceneObject loose;
  EXPECT_THROW(loose.Reparent(&a), EAssertionFailed);  // its owner is not a parent
  // A free object that owns a scene object's would-be parent cannot be put under its own child.
  auto owner = std::make_unique<TBaseSceneObject>();
  TBaseSceneObject& inner = owner->AddNewChild<TBaseSceneObject>();
  EXPECT_THROW(inner.AttachChild(std::move(owner)), EAssertionFailed);
  EXPECT_EQ(a.Count(), 1);
}

TEST_F(SceneTree, ChildOrderCanBeChanged) {
  TBaseSceneObject& root = scene.ObjectRoot();
  TBaseSceneObject* kids[4];
  for (auto*& k : kids) k = &root.AddNewChild<TBaseSceneObject>();
  FrameDone();
  kids[0]->SetIndexInParent(99);  // clamped to the last place
  EXPECT_EQ(kids[0]->IndexInParent(), 3);
  EXPECT_EQ(kids[1]->IndexInParent(), 0);
  kids[3]->SetIndexInParent(-5);
  EXPECT_EQ(kids[3]->IndexInParent(), 0);
  EXPECT_EQ(kids[0]->IndexInParent(), 3);
  EXPECT_EQ(viewer.invalidations, 2);  // one repaint for each move
}

// ------------------------------------------------------------------------------------------ notification

TEST_F(SceneTree, SceneBatchCoalescesRepaintRequestsIntoOne) {
  std::vector<TBaseSceneObject*> objects;
  for (int i = 0; i < 100; ++i) objects.push_back(&scene.ObjectRoot().AddNewChild<TBaseSceneObject>());
  FrameDone();
  for (int i = 0; i < 100; ++i) objects[std::size_t(i)]->Position().AssignPoint(float(i), 0, 0);
  EXPECT_EQ(viewer.invalidations, 100);  // without a batch: one request per moved object

  FrameDone();
  scene.BeginChanges();
  for (int i = 0; i < 100; ++i) {
    objects[std::size_t(i)]->Position().AssignPoint(0, float(i), 0);
    objects[std::size_t(i)]->SetVisible(i % 2 == 0);
  }
  EXPECT_EQ(viewer.invalidations, 0);
  scene.EndChanges();
  EXPECT_EQ(viewer.invalidations, 1);
}

TEST_F(SceneTree, NestedBatchesRepaintAtTheOutermostEnd) {
  TBaseSceneObject& object = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  FrameDone();
  {
    TChangesBatch outer(scene);
    {
      TChangesBatch inner(scene);
      object.Position().SetX(1);
    }
    EXPECT_EQ(viewer.invalidations, 0);
  }
  EXPECT_EQ(viewer.invalidations, 1);
}

TEST_F(SceneTree, ObjectBatchSignalsOnceAtItsEnd) {
  TBaseSceneObject& object = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  FrameDone();
  object.BeginChanges();
  object.SetVisible(false);
  object.SetShowAxes(true);
  object.Position().SetY(2);
  EXPECT_EQ(viewer.invalidations, 0);
  object.EndChanges();
  EXPECT_EQ(viewer.invalidations, 1);
}

TEST_F(SceneTree, SettersRepaintOnlyOnARealChange) {
  TBaseSceneObject& object = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  FrameDone();
  object.SetVisible(true);
  object.SetShowAxes(false);
  object.SetObjectsSorting(TObjectsSorting::osInherited);
  EXPECT_EQ(viewer.invalidations, 0);
  object.SetObjectsSorting(TObjectsSorting::osNone);
  EXPECT_EQ(viewer.invalidations, 1);
  // A move marks the transform once; further moves before the next frame ask nothing more.
  object.Position().SetX(1);
  object.Position().SetX(2);
  EXPECT_EQ(viewer.invalidations, 2);
}

TEST_F(SceneTree, UnbalancedEndChangesIsAnAssertionThatSaysWhere) {
  TBaseSceneObject object;
  try {
    object.EndChanges();
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "Unbalanced Begin/EndUpdate");
    EXPECT_GT(e.Where().line(), 0u);
    EXPECT_NE(std::string(e.Where().file_name()).find("SceneObject.cpp"), std::string::npos);
    EXPECT_NE(e.Describe().find("Unbalanced Begin/EndUpdate ("), std::string::npos);
  }
  EXPECT_THROW(scene.EndChanges(), EAssertionFailed);
  TCoordinates free(nullptr, {}, TCoordinatesStyle::coFree);
  EXPECT_THROW(free.EndUpdate(), EAssertionFailed);
}

// ------------------------------------------------------------------------------------------ references

TEST_F(SceneTree, LinksAndTheSceneForgetDestroyedObjects) {
  TCamera& camera = scene.AddCamera(std::make_unique<TCamera>());
  TBaseSceneObject& target = scene.ObjectRoot().AddNewChild<TBaseSceneObject>();
  camera.SetTargetObject(&target);
  ASSERT_EQ(camera.TargetObject(), &target);
  scene.ObjectRoot().DestroyChild(target);
  EXPECT_EQ(camera.TargetObject(), nullptr);
  ASSERT_EQ(viewer.leaving.size(), 1u);
  EXPECT_EQ(viewer.leaving[0], &target);

  TObjectLink<TCamera> cameraLink(&camera);
  scene.CameraRoot().DestroyChild(camera);
  EXPECT_EQ(cameraLink.Get(), nullptr);
  EXPECT_EQ(viewer.leaving.size(), 2u);
}

TEST_F(SceneTree, LightSlotsFollowMembership) {
  std::vector<TBaseSceneObject*> lights;
  for (int i = 0; i < 9; ++i) lights.push_back(&scene.ObjectRoot().AddNewChild<TBaseSceneObject>());
  for (int i = 0; i < 8; ++i) EXPECT_EQ(scene.AllocateLightSlot(*lights[std::size_t(i)]), i);
  EXPECT_EQ(scene.AllocateLightSlot(*lights[8]), -1);  // a ninth light is never lit
  EXPECT_EQ(scene.AllocateLightSlot(*lights[3]), 3);   // asking again keeps the slot
  scene.FreeLightSlot(*lights[2]);
  EXPECT_EQ(scene.LightInSlot(2), nullptr);
  EXPECT_EQ(scene.AllocateLightSlot(*lights[8]), 2);
  // A light that leaves the scene, destroyed or not, gives its slot back.
  scene.ObjectRoot().DestroyChild(*lights[5]);
  EXPECT_EQ(scene.LightInSlot(5), nullptr);
  auto held = scene.ObjectRoot().DetachChild(*lights[6]);
  EXPECT_EQ(scene.LightInSlot(6), nullptr);
  EXPECT_EQ(scene.LightInSlot(7), lights[7]);
}

TEST(SceneLifetime, DestroyingTheSceneTellsItsViewers) {
  TCountingViewer viewer;
  TObjectLink<TCamera> camera;
  {
    TScene scene;
    scene.AttachViewer(viewer);
    camera = &scene.AddCamera(std::make_unique<TCamera>());
    scene.ObjectRoot().AddNewChild<TTestSquare>().AddNewChild<TTestSquare>();
  }
  EXPECT_EQ(viewer.scenesDestroyed, 1);
  EXPECT_EQ(camera.Get(), nullptr);
  EXPECT_EQ(viewer.invalidations, 0);  // tearing down asks for no repaint
}

// ------------------------------------------------------------------------------------------ sub-objects

TEST(Coordinates, StyleDecidesW) {
  TCoordinates point(nullptr, {1, 2, 3, 0}, TCoordinatesStyle::coPoint);
  TCoordinates vector(nullptr, {1, 2, 3, 1}, TCoordinatesStyle::coVector);
  TCoordinates free(nullptr, {1, 2, 3, 0.5f}, TCoordinatesStyle::coFree);
  EXPECT_EQ(point.W(), 1);
  EXPECT_EQ(vector.W(), 0);
  EXPECT_EQ(free.W(), 0.5f);
  point.AssignComponents({4, 5, 6, 7});
  vector.AssignComponents({4, 5, 6, 7});
  free.AssignComponents({4, 5, 6, 7});
  EXPECT_EQ(point.W(), 1);
  EXPECT_EQ(vector.W(), 0);
  EXPECT_EQ(free.W(), 7);
  EXPECT_THROW(point.AssignVector(1, 2, 3), EAssertionFailed);
  EXPECT_THROW(vector.AssignPoint(1, 2, 3), EAssertionFailed);
  free.AssignVector(1, 2, 3, 4);
  free.AssignPoint(1, 2, 3);
  EXPECT_EQ(free.W(), 1);
  EXPECT_FALSE(free.IsDefault());
}

TEST(Coordinates, NotifyAnOwnerThatIsNoSceneObjectThenTheCallback) {
  struct TOwner : TUpdateAbleOwner {
    void NotifyChange(TUpdateAbleObject& sender) override {
      last = &sender;
      ++count;
    }
    TUpdateAbleObject* last = nullptr;
    int count = 0;
  } owner;
  TCoordinates c(&owner, {}, TCoordinatesStyle::coFree);
  std::vector<std::string> order;
  c.OnNotifyChange = [&](TUpdateAbleObject&) {
    order.push_back(owner.count == 1 ? "after owner" : "before");
  };
  c.SetX(1);
  EXPECT_EQ(owner.last, &c);
  ASSERT_EQ(order.size(), 1u);
  EXPECT_EQ(order[0], "after owner");
  c.BeginUpdate();
  c.SetY(2);
  c.SetZ(3);
  EXPECT_EQ(owner.count, 1);
  c.EndUpdate();
  EXPECT_EQ(owner.count, 2);
}

TEST_F(SceneTree, ColourChangeMarksTheStructureOnlyWhenItChanges) {
  TTestSquare& square = scene.ObjectRoot().AddNewChild<TTestSquare>();
  square.ClearFlagsForTest();
  FrameDone();
  square.color.SetRGBA(1, 0, 0, 1);  // its current value
  EXPECT_FALSE(square.StructureDirty());
  EXPECT_EQ(viewer.invalidations, 0);
  square.color.SetGreen(0.5f);
  EXPECT_TRUE(square.StructureDirty());
  EXPECT_GT(viewer.invalidations, 0);
  square.color.SetFromPackedRGB(0x0000FF80u);
  EXPECT_FLOAT_EQ(square.color.Red(), 128.0f / 255);
  EXPECT_FLOAT_EQ(square.color.Green(), 1);
  EXPECT_FLOAT_EQ(square.color.Blue(), 0);
  EXPECT_FLOAT_EQ(square.color.Alpha(), 1);
}

}  // namespace
}  // namespace nimbrel::scene::test
