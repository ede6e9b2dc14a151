// The drawable objects' properties and the numbers they draw from, without a renderer: what a setter
// stores, what it asks to rebuild, and the points a line is drawn through.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "SceneTestSupport.h"
#include "scene/LightSource.h"
#include "scene/Lines.h"
#include "scene/SceneErrors.h"
#include "scene/Sphere.h"

namespace nimbrel::scene::test {
namespace {

// A scene with a counting viewer and no context: enough to see repaint requests and light slots.
class ObjectProperties : public ::testing::Test {
 protected:
  void SetUp() override { scene_.AttachViewer(viewer_); }
  void TearDown() override { scene_.DetachViewer(viewer_); }

  TCountingViewer viewer_;
  TScene scene_;
};

TEST_F(ObjectProperties, BlendingMaterialsAreDrawnWithTheBlendedOnes) {
  TSphere& sphere = scene_.ObjectRoot().AddNewChild<TSphere>();
  EXPECT_FALSE(sphere.IsBlended());
  const int before = viewer_.invalidations;
  sphere.Material().SetBlendingMode(TBlendingMode::bmTransparency);
  EXPECT_TRUE(sphere.IsBlended());
  EXPECT_EQ(viewer_.invalidations, before + 1);
  sphere.Material().SetBlendingMode(TBlendingMode::bmAdditive);
  EXPECT_TRUE(sphere.IsBlended());
  sphere.Material().SetBlendingMode(TBlendingMode::bmOpaque);
  EXPECT_FALSE(sphere.IsBlended());
}

TEST_F(ObjectProperties, MaterialColoursRebuildTheListAndTextureChangesOnlyRepaint) {
  TSphere& sphere = scene_.ObjectRoot().AddNewChild<TSphere>();
  TFaceProperties& front = sphere.Material().FrontProperties();
  EXPECT_EQ(front.Ambient().AsFloat4().x, 0.2f);
  EXPECT_EQ(front.Diffuse().AsFloat4().x, 0.8f);
  EXPECT_EQ(front.Shininess(), 0);
  front.SetShininess(500);
  EXPECT_EQ(front.Shininess(), 128);

  // Without a renderer the list stays dirty from construction; a fresh object shows the mark.
  auto held = std::make_unique<TSphere>();
  TSphere& fresh = *held;
  scene_.ObjectRoot().Attach(std::move(held));
  EXPECT_TRUE(fresh.StructureDirty());

  const int before = viewer_.invalidations;
  sphere.Material().Texture().SetDisabled(false);
  EXPECT_EQ(viewer_.invalidations, before + 1);
  sphere.Material().Texture().SetDisabled(false);  // unchanged: no repaint
  EXPECT_EQ(viewer_.invalidations, before + 1);
  sphere.Material().Texture().SetMagFilter(TMagFilter::maLinear);
  EXPECT_TRUE(sphere.Material().Texture().ParametersChanged());
  EXPECT_EQ(viewer_.invalidations, before + 2);
}

TEST(TextureUploadSize, IsTheNextPowerOfTwoCappedByTheRenderer) {
  struct Case {
    int size, maxSize, expected;
  };
  const Case cases[] = {
      {1000, 16384, 1024}, {1024, 16384, 1024}, {1025, 16384, 2048}, {500, 16384, 512},
      {1024, 512, 512},    {1000, 512, 512},    {512, 512, 512},     {1, 2048, 1},
      {0, 2048, 1},        {-5, 2048, 1},       {3000, 3000, 2048},  {100, 0, 64},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextureUploadSize(c.size, c.maxSize), c.expected) << c.size << " with a limit of " << c.maxSize;
  }
}

TEST_F(ObjectProperties, AFailedPictureLoadKeepsTheOldPicture) {
  TTexture texture(nullptr);
  texture.SetImage(TPicture::FromPixels(2, 2, TPixelFormat::pf24bit, std::vector<std::uint8_t>(12, 7)));
  QString asked;
  texture.OnTextureNeeded = [&asked](QString& name) {
    asked = name;
    name += ".jpg";
  };
  EXPECT_THROW(texture.LoadImageFromFile("/nonexistent/map"), EPictureError);
  EXPECT_EQ(asked, QString("/nonexistent/map"));
  EXPECT_EQ(texture.Image().Width(), 2);
}

TEST_F(ObjectProperties, OnlyEightLightsGetSlots) {
  std::vector<TLightSource*> lights;
  for (int i = 0; i < 9; ++i) lights.push_back(&scene_.ObjectRoot().AddNewChild<TLightSource>());
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(lights[i]->LightNumber(), i);
    EXPECT_EQ(scene_.LightInSlot(i), lights[i]);
  }
  EXPECT_EQ(lights[8]->LightNumber(), -1);
  // A freed slot goes to the next light that joins; the others keep theirs.
  scene_.ObjectRoot().DestroyChild(*lights[3]);
  EXPECT_EQ(scene_.LightInSlot(3), nullptr);
  TLightSource& late = scene_.ObjectRoot().AddNewChild<TLightSource>();
  EXPECT_EQ(late.LightNumber(), 3);
  EXPECT_EQ(lights[4]->LightNumber(), 4);
  // A light outside any scene has no slot to give back.
  std::unique_ptr<TBaseSceneObject> held = scene_.ObjectRoot().DetachChild(late);
  EXPECT_EQ(scene_.LightInSlot(3), nullptr);
  EXPECT_EQ(late.LightNumber(), 3);
}

TEST_F(ObjectProperties, SphereSettersClampAndMarkTheList) {
  TSphere sphere;
  EXPECT_EQ(sphere.Radius(), 0.5f);
  EXPECT_EQ(sphere.Slices(), 16);
  sphere.SetSlices(0);
  sphere.SetStacks(-3);
  EXPECT_EQ(sphere.Slices(), 1);
  EXPECT_EQ(sphere.Stacks(), 1);
  sphere.SetTop(120);
  EXPECT_EQ(sphere.Top(), 90);
  sphere.SetStop(100);
  EXPECT_THROW(sphere.SetStart(200), EAssertionFailed);
  EXPECT_EQ(sphere.Start(), 0);
  sphere.SetStart(50);
  EXPECT_THROW(sphere.SetStop(40), EAssertionFailed);
  EXPECT_EQ(sphere.Stop(), 100);
  sphere.SetRadius(std::nanf(""));
  EXPECT_EQ(sphere.Radius(), 0.5f);
}

TEST(SphereVertex, LongitudeZeroIsPlusZAndNinetyIsPlusX) {
  struct Case {
    double latitude, longitude;
    Float3 expected;
  };
  const Case cases[] = {
      {0, 0, {0, 0, 1}},
      {0, 90, {1, 0, 0}},
      {0, 180, {0, 0, -1}},
      {0, 270, {-1, 0, 0}},
      {90, 0, {0, 1, 0}},
      {-90, 123, {0, -1, 0}},
      {45, 90, {0.70710678f, 0.70710678f, 0}},
  };
  for (const Case& c : cases) {
    const Float3 v = TSphere::UnitVertex(c.latitude, c.longitude);
    SCOPED_TRACE(std::to_string(c.latitude) + ", " + std::to_string(c.longitude));
    EXPECT_NEAR(v.x, c.expected.x, 1e-6);
    EXPECT_NEAR(v.y, c.expected.y, 1e-6);
    EXPECT_NEAR(v.z, c.expected.z, 1e-6);
  }
}

TEST(LinesProperties, OutOfRangeValuesAreStoredAsOne) {
  TLines line;
  EXPECT_EQ(line.Division(), 10);
  line.SetDivision(0);
  EXPECT_EQ(line.Division(), 1);
  line.SetNodeSize(0);
  EXPECT_EQ(line.NodeSize(), 1);
  line.SetNodeSize(-2);
  EXPECT_EQ(line.NodeSize(), 1);
}

TEST(LinesProperties, NodesFollowTheNodeColourUntilGivenTheirOwn) {
  TLines line;
  TLinesNode& following = line.AppendNode(0, 0, 0);
  TLinesNode& own = line.AppendNode(1, 0, 0);
  own.Color().SetRGBA(1, 0, 0, 1);
  line.NodeColor().SetRGBA(0, 1, 0, 1);
  EXPECT_TRUE(Same4(following.Color().AsFloat4(), Float4{0, 1, 0, 1}));
  EXPECT_TRUE(Same4(own.Color().AsFloat4(), Float4{1, 0, 0, 1}));
  // Nodes appended later take the current node colour.
  EXPECT_TRUE(Same4(line.AppendNode(2, 0, 0).Color().AsFloat4(), Float4{0, 1, 0, 1}));
}

using Points = std::vector<Float3>;

void ExpectNear(const Points& actual, const Points& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(actual[i].x, expected[i].x, 1e-5);
    EXPECT_NEAR(actual[i].y, expected[i].y, 1e-5);
    EXPECT_NEAR(actual[i].z, expected[i].z, 1e-5);
  }
}

TEST(LineStrip, FollowsTheNodesOrTheSampledSpline) {
  TLines line;
  EXPECT_TRUE(line.StripPoints().empty());
  line.AppendNode(1, 2, 3);
  EXPECT_TRUE(line.StripPoints().empty()) << "one node draws nothing";

  line.AppendNode(3, 2, 3);
  ExpectNear(line.StripPoints(), {{1, 2, 3}, {3, 2, 3}});
  line.SetSplineMode(TLineSplineMode::lsmCubicSpline);
  line.SetDivision(4);
  // Two nodes: the straight segment, sampled Division + 1 times.
  ExpectNear(line.StripPoints(), {{1, 2, 3}, {1.5f, 2, 3}, {2, 2, 3}, {2.5f, 2, 3}, {3, 2, 3}});

  // Three collinear, equally spaced nodes: the straight line through them.
  line.AppendNode(5, 2, 3);
  const Points straight = line.StripPoints();
  ASSERT_EQ(straight.size(), 9u);
  for (std::size_t i = 0; i < straight.size(); ++i) EXPECT_NEAR(straight[i].x, 1 + 0.5 * i, 1e-5);

  // Division 1 draws straight segments through the nodes.
  line.SetDivision(1);
  ExpectNear(line.StripPoints(), {{1, 2, 3}, {3, 2, 3}, {5, 2, 3}});
}

TEST(LineStrip, TheSplinePassesThroughEveryNodeAndBendsBetween) {
  TLines line;
  line.SetSplineMode(TLineSplineMode::lsmCubicSpline);
  line.SetDivision(10);
  const Points nodes = {{0, 0, 0}, {1, 2, 0}, {2, -1, 1}, {3, 0.5f, -2}, {4, 0, 0}};
  for (const Float3& n : nodes) line.AppendNode(n.x, n.y, n.z);
  const Points strip = line.StripPoints();
  ASSERT_EQ(strip.size(), 41u);
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(strip[i * 10].x, nodes[i].x, 1e-5);
    EXPECT_NEAR(strip[i * 10].y, nodes[i].y, 1e-5);
    EXPECT_NEAR(strip[i * 10].z, nodes[i].z, 1e-5);
  }
  // Halfway between the first two nodes a curve is not on the chord.
  EXPECT_GT(std::abs(strip[5].y - 1.0f), 0.05f);
}

}  // namespace
}  // namespace nimbrel::scene::test
