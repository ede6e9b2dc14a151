// The drawable objects in a real (off-screen) OpenGL context: lit and textured spheres, spotlights and
// lines, checked on the pixels a user would see.

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "SceneTestSupport.h"
#include "scene/LightSource.h"
#include "scene/Lines.h"
#include "scene/SceneErrors.h"
#include "scene/Sphere.h"

namespace nimbrel::scene::test {
namespace {

int Brightness(const std::array<int, 3>& rgb) {
  return std::max({rgb[0], rgb[1], rgb[2]});
}

// A picture of four flat quadrants, top row first: red top-left, green top-right, blue bottom-left,
// white bottom-right.
TPicture QuadrantPicture(int width, int height) {
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      std::array<std::uint8_t, 3> rgb{255, 0, 0};
      if (!bottom && right) rgb = {0, 255, 0};
      if (bottom && !right) rgb = {0, 0, 255};
      if (bottom && right) rgb = {255, 255, 255};
      pixels.insert(pixels.end(), rgb.begin(), rgb.end());
    }
  }
  return TPicture::FromPixels(width, height, TPixelFormat::pf24bit, std::move(pixels));
}

class Objects : public GLTest {
 protected:
  static constexpr std::array<int, 3> kRed{255, 0, 0};
  static constexpr std::array<int, 3> kGreen{0, 255, 0};
  static constexpr std::array<int, 3> kBlue{0, 0, 255};
  static constexpr std::array<int, 3> kWhite{255, 255, 255};

  void SetUp() override {
    GLTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    camera_ = &scene_->AddCamera(std::make_unique<TCamera>());
    camera_->Position().AssignPoint(0, 0, 20);  // a unit sphere at the origin spans some 40 pixels
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
    states_.Record(TRenderState::stDepthTest);
    states_.Record(TRenderState::stNormalize);
    states_.Record(TRenderState::stCullFace);
    // No light of the scene's own but the ones a test adds.
    const GLfloat noAmbient[4] = {0, 0, 0, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, noAmbient);
  }

  void SetLighting(bool on) {
    if (on) {
      states_.Enable(TRenderState::stLighting);
    } else {
      states_.Disable(TRenderState::stLighting);
    }
  }

  // A frame as the viewer draws it: projection, camera view, lights, then the objects.
  void RenderLitFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    camera_->ApplyProjection({0, 0, kSize, kSize}, kSize, kSize, 96);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    scene_->PrepareCamera(*camera_);
    scene_->ApplyLights(8);
    scene_->RenderAll(viewer_, kSize, kSize, states_);
    glFinish();
  }

  // Where a scene point lands in the framebuffer after the last frame.
  std::array<int, 2> Project(float x, float y, float z) {
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
    return {int(wx), int(wy)};
  }

  int CountPixelsBrighterThan(int threshold) {
    std::vector<std::uint8_t> rgba(kSize * kSize * 4);
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    int count = 0;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
      if (std::max({rgba[i], rgba[i + 1], rgba[i + 2]}) > threshold) ++count;
    }
    return count;
  }

  TLightSource& AddOmniLight(float x, float y, float z) {
    TLightSource& light = scene_->ObjectRoot().AddNewChild<TLightSource>();
    light.SetLightStyle(TLightStyle::lsOmni);
    light.Position().AssignPoint(x, y, z);
    return light;
  }

  TCamera* camera_ = nullptr;
};

TEST_F(Objects, AGlobeIsBrightOnTheLightsSideAndDarkOnTheOther) {
  SetLighting(true);
  scene_->ObjectRoot().AddNewChild<TSphere>().SetRadius(1);
  AddOmniLight(50, 0, 0);  // to the right of the camera's view
  RenderLitFrame();
  const auto right = PixelAt(kSize / 2 + 12, kSize / 2), left = PixelAt(kSize / 2 - 12, kSize / 2);
  EXPECT_GT(Brightness(right), 100) << "lit side";
  EXPECT_LT(Brightness(left), 10) << "night side";
  EXPECT_EQ(PixelAt(1, 1), (std::array<int, 3>{0, 0, 0}));  // outside the globe
}

TEST_F(Objects, ALightSwitchedOffStopsLightingAndTheOthersKeepTheirNumbers) {
  SetLighting(true);
  scene_->ObjectRoot().AddNewChild<TSphere>().SetRadius(1);
  TLightSource& rightLight = AddOmniLight(50, 0, 0);
  TLightSource& leftLight = AddOmniLight(-50, 0, 0);
  RenderLitFrame();
  EXPECT_GT(Brightness(PixelAt(kSize / 2 + 12, kSize / 2)), 100);
  EXPECT_GT(Brightness(PixelAt(kSize / 2 - 12, kSize / 2)), 100);

  const int before = viewer_.invalidations;
  rightLight.SetShining(false);
  EXPECT_GT(viewer_.invalidations, before);
  RenderLitFrame();
  EXPECT_LT(Brightness(PixelAt(kSize / 2 + 12, kSize / 2)), 10);
  EXPECT_GT(Brightness(PixelAt(kSize / 2 - 12, kSize / 2)), 100);
  EXPECT_EQ(rightLight.LightNumber(), 0);
  EXPECT_EQ(leftLight.LightNumber(), 1);

  // A light taken out of the scene stops lighting too.
  std::unique_ptr<TBaseSceneObject> held = scene_->ObjectRoot().DetachChild(leftLight);
  RenderLitFrame();
  EXPECT_LT(Brightness(PixelAt(kSize / 2 - 12, kSize / 2)), 10);
}

TEST_F(Objects, ALightFollowsItsParentsMove) {
  SetLighting(true);
  scene_->ObjectRoot().AddNewChild<TSphere>().SetRadius(1);
  TBaseSceneObject& holder = scene_->ObjectRoot().AddNewChild<TBaseSceneObject>();
  TLightSource& light = holder.AddNewChild<TLightSource>();
  light.SetLightStyle(TLightStyle::lsOmni);
  light.Position().AssignPoint(50, 0, 0);
  RenderLitFrame();
  EXPECT_GT(Brightness(PixelAt(kSize / 2 + 12, kSize / 2)), 100);
  holder.Position().AssignPoint(-100, 0, 0);  // the light is now at x = -50
  RenderLitFrame();
  EXPECT_LT(Brightness(PixelAt(kSize / 2 + 12, kSize / 2)), 10);
  EXPECT_GT(Brightness(PixelAt(kSize / 2 - 12, kSize / 2)), 100);
}

TEST_F(Objects, LightSettersChangeOnlyOnARealChange) {
  TLightSource& light = scene_->ObjectRoot().AddNewChild<TLightSource>();
  EXPECT_FALSE(light.Visible());
  EXPECT_EQ(light.LightStyle(), TLightStyle::lsSpot);
  EXPECT_EQ(light.SpotCutOff(), 180);
  // Given a slot, a light sends its own cone once whatever the slot held before.
  EXPECT_TRUE(light.SpotChanged());
  scene_->ApplyLights(8);
  EXPECT_FALSE(light.SpotChanged());

  int before = viewer_.invalidations;
  light.SetSpotCutOff(180);
  EXPECT_EQ(viewer_.invalidations, before);
  EXPECT_FALSE(light.SpotChanged());
  light.SetSpotCutOff(10);
  EXPECT_EQ(viewer_.invalidations, before + 1);
  EXPECT_TRUE(light.SpotChanged());
  EXPECT_FALSE(light.AttenuationChanged());
  light.SetLinearAttenuation(0.5f);
  EXPECT_TRUE(light.AttenuationChanged());

  before = viewer_.invalidations;
  light.SetSpotCutOff(std::nanf(""));
  EXPECT_EQ(light.SpotCutOff(), 10);
  EXPECT_EQ(viewer_.invalidations, before);
}

TEST_F(Objects, MovingTheSpotDirectionMarksTheConeChanged) {
  TLightSource& light = scene_->ObjectRoot().AddNewChild<TLightSource>();
  scene_->ApplyLights(8);
  light.SpotDirection().AssignVector(0, 1, 0);
  EXPECT_TRUE(light.SpotChanged());
  scene_->ApplyLights(8);
  light.SetSpotDirection(Float4{1, 0, 0, 5});
  EXPECT_TRUE(light.SpotChanged());
  EXPECT_EQ(light.SpotDirection().W(), 0);
}

TEST_F(Objects, NodeEditsRebuildTheLine) {
  TLines& line = scene_->ObjectRoot().AddNewChild<TLines>();
  line.AppendNode(0, 0, 0);
  RenderLitFrame();
  EXPECT_FALSE(line.StructureDirty());
  line.Node(0).SetX(1);
  EXPECT_TRUE(line.StructureDirty());
  RenderLitFrame();
  line.Node(0).AssignComponents({1, 2, 3, 1});
  EXPECT_TRUE(line.StructureDirty());
  RenderLitFrame();
  line.Node(0).AssignComponents({1, 2, 3, 1});  // the same values
  EXPECT_FALSE(line.StructureDirty());
  line.Node(0).Color().SetRGBA(0.5f, 0.5f, 0.5f, 1);
  EXPECT_TRUE(line.StructureDirty());
}

TEST_F(Objects, AParallelLightComesFromItsDirection) {
  SetLighting(true);
  scene_->ObjectRoot().AddNewChild<TSphere>().SetRadius(1);
  TLightSource& light = scene_->ObjectRoot().AddNewChild<TLightSource>();
  light.SetLightStyle(TLightStyle::lsParallel);
  light.Position().AssignPoint(-50, 0, 0);  // a parallel light has no position
  light.SpotDirection().AssignVector(1, 0, 0);
  RenderLitFrame();
  EXPECT_GT(Brightness(PixelAt(kSize / 2 + 12, kSize / 2)), 100);
  EXPECT_LT(Brightness(PixelAt(kSize / 2 - 12, kSize / 2)), 10);
}

TEST_F(Objects, CapsCloseACutSphere) {
  SetLighting(true);
  TSphere& bowl = scene_->ObjectRoot().AddNewChild<TSphere>();
  bowl.SetRadius(1);
  bowl.SetTop(0);  // the southern half only
  AddOmniLight(0, 50, 0);
  camera_->Position().AssignPoint(0, 20, 0);
  camera_->Direction().AssignVector(0, -1, 0);
  struct Case {
    TCapType cap;
    bool seen;
  };
  // Without a cap the camera looks into the bowl at the back of its faces, which are culled.
  for (const Case c :
       {Case{TCapType::ctNone, false}, Case{TCapType::ctFlat, true}, Case{TCapType::ctCenter, true}}) {
    SCOPED_TRACE(int(c.cap));
    bowl.SetTopCap(c.cap);
    RenderLitFrame();
    EXPECT_EQ(Brightness(CentrePixel()) > 100, c.seen);
  }
}

TEST_F(Objects, IgnoringFogShowsTheObjectsOwnColour) {
  SetLighting(true);
  TSphere& sphere = scene_->ObjectRoot().AddNewChild<TSphere>();
  sphere.SetRadius(1);
  sphere.Material().FrontProperties().Emission().SetRGBA(1, 1, 0, 1);
  // Fog so thick that everything in it is fog-blue.
  glEnable(GL_FOG);
  states_.Record(TRenderState::stFog);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, 0);
  glFogf(GL_FOG_END, 1);
  const GLfloat blue[4] = {0, 0, 1, 1};
  glFogfv(GL_FOG_COLOR, blue);
  RenderLitFrame();
  EXPECT_EQ(CentrePixel(), kBlue);
  sphere.Material().SetMaterialOptions({TMaterialOption::moIgnoreFog});
  RenderLitFrame();
  EXPECT_EQ(CentrePixel(), (std::array<int, 3>{255, 255, 0}));
  EXPECT_TRUE(glIsEnabled(GL_FOG)) << "fog is back on for the next object";
}

class Spotlight : public Objects {
 protected:
  void SetUp() override {
    Objects::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    SetLighting(true);
    scene_->ObjectRoot().AddNewChild<TSphere>().SetRadius(1.5f);
    spot_ = &scene_->ObjectRoot().AddNewChild<TLightSource>();  // lsSpot by default
    spot_->Position().AssignPoint(0, 0, 10);
    spot_->SetConstAttenuation(1);
  }

  int LitPixels(float cutOff) {
    spot_->SetSpotCutOff(cutOff);
    RenderLitFrame();
    return CountPixelsBrighterThan(40);
  }

  TLightSource* spot_ = nullptr;
};

TEST_F(Spotlight, ThePatchShrinksWithTheCutOff) {
  const int wide = LitPixels(180);
  const int medium = LitPixels(6);
  const int narrow = LitPixels(3);
  EXPECT_GT(wide, medium);
  EXPECT_GT(medium, narrow);
  EXPECT_GT(narrow, 0);
  EXPECT_GT(Brightness(CentrePixel()), 100);  // the cone's axis hits the middle of the globe
  // Aimed away from the globe, the cone lights nothing.
  spot_->SpotDirection().AssignVector(0, 1, 0);
  RenderLitFrame();
  EXPECT_EQ(CountPixelsBrighterThan(40), 0);
}

TEST_F(Spotlight, ValuesAreSentOnceAndAgainForANewContext) {
  const int narrow = LitPixels(6);
  EXPECT_FALSE(spot_->SpotChanged());
  // A fresh context starts with every light's cone at 180 degrees; do to this one what a new
  // context would.
  glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180);
  RenderLitFrame();
  EXPECT_GT(CountPixelsBrighterThan(40), narrow) << "the cut-off is not sent every frame";
  scene_->RendererContextCreated();
  EXPECT_TRUE(spot_->SpotChanged());
  EXPECT_TRUE(spot_->AttenuationChanged());
  RenderLitFrame();
  EXPECT_EQ(CountPixelsBrighterThan(40), narrow);
}

TEST_F(Spotlight, ASpotWithCutOff180LightsAllAround) {
  spot_->SpotDirection().AssignVector(0, 1, 0);  // pointing away, but a 180-degree cone has no axis
  EXPECT_GT(LitPixels(180), 500);
}

TEST_F(Objects, ALightTakingAFreedSlotDoesNotInheritTheOldCone) {
  SetLighting(true);
  scene_->ObjectRoot().AddNewChild<TSphere>().SetRadius(1.5f);
  TLightSource& spot = scene_->ObjectRoot().AddNewChild<TLightSource>();
  spot.Position().AssignPoint(0, 0, 10);
  spot.SetSpotCutOff(3);
  RenderLitFrame();
  const int narrow = CountPixelsBrighterThan(40);
  scene_->ObjectRoot().DestroyChild(spot);
  TLightSource& omni = AddOmniLight(0, 0, 10);
  EXPECT_EQ(omni.LightNumber(), 0);
  RenderLitFrame();
  EXPECT_GT(CountPixelsBrighterThan(40), 4 * narrow);
}

TEST_F(Objects, TheTextureLandsWhereTheVertexRulePutsIt) {
  SetLighting(false);
  TSphere& globe = scene_->ObjectRoot().AddNewChild<TSphere>();
  globe.SetRadius(1);
  globe.SetSlices(64);
  globe.SetStacks(32);
  TTexture& texture = globe.Material().Texture();
  texture.SetImage(QuadrantPicture(64, 32));
  texture.SetTextureMode(TTextureMode::tmReplace);
  texture.SetDisabled(false);

  // From -Z the picture's centre column (s = 0.5, longitude 180) faces the camera, with longitudes
  // below 180 (the picture's left half) on the screen's left; the equator is the screen's middle row.
  camera_->Position().AssignPoint(0, 0, -20);
  camera_->Direction().AssignVector(0, 0, 1);
  RenderLitFrame();
  const int c = kSize / 2, d = 8;
  EXPECT_EQ(PixelAt(c - d, c + d), kRed);
  EXPECT_EQ(PixelAt(c + d, c + d), kGreen);
  EXPECT_EQ(PixelAt(c - d, c - d), kBlue);
  EXPECT_EQ(PixelAt(c + d, c - d), kWhite);

  // From +Z the picture's left and right edges meet in the middle: its left half now on the right.
  camera_->Position().AssignPoint(0, 0, 20);
  camera_->Direction().AssignVector(0, 0, -1);
  RenderLitFrame();
  EXPECT_EQ(PixelAt(c + d, c + d), kRed);
  EXPECT_EQ(PixelAt(c - d, c + d), kGreen);
  EXPECT_EQ(PixelAt(c + d, c - d), kBlue);
  EXPECT_EQ(PixelAt(c - d, c - d), kWhite);
  EXPECT_EQ(texture.UploadCount(), 1);
}

TEST_F(Objects, ADisabledTextureLeavesTheMaterialColours) {
  SetLighting(true);
  TSphere& globe = scene_->ObjectRoot().AddNewChild<TSphere>();
  globe.SetRadius(1);
  globe.Material().FrontProperties().Diffuse().SetRGBA(1, 1, 0, 1);
  TTexture& texture = globe.Material().Texture();
  texture.SetImage(QuadrantPicture(64, 32));
  texture.SetTextureMode(TTextureMode::tmModulate);
  AddOmniLight(0, 0, 50);

  RenderLitFrame();  // disabled by default
  const auto plain = CentrePixel();
  EXPECT_GT(plain[0], 100);
  EXPECT_GT(plain[1], 100);
  EXPECT_LT(plain[2], 10);
  EXPECT_EQ(texture.UploadCount(), 0);

  texture.SetDisabled(false);
  RenderLitFrame();
  // Yellow modulated by the quadrants: the red and green ones keep their channel only.
  EXPECT_LT(PixelAt(kSize / 2 + 8, kSize / 2 + 8)[1], 10);
  EXPECT_LT(PixelAt(kSize / 2 - 8, kSize / 2 + 8)[0], 10);
  EXPECT_EQ(texture.UploadCount(), 1);

  // Off and on again binds the same texture; no second upload.
  const unsigned handle = texture.Handle();
  texture.SetDisabled(true);
  RenderLitFrame();
  EXPECT_EQ(CentrePixel(), plain);
  texture.SetDisabled(false);
  RenderLitFrame();
  EXPECT_EQ(texture.UploadCount(), 1);
  EXPECT_EQ(texture.Handle(), handle);

  // A filter change uploads again.
  texture.SetMagFilter(TMagFilter::maLinear);
  RenderLitFrame();
  EXPECT_EQ(texture.UploadCount(), 2);
}

TEST_F(Objects, PicturesAreUploadedAtPowerOfTwoSizes) {
  struct Case {
    int width, height;
    TMinFilter filter;
    int uploadedWidth, uploadedHeight;
  };
  const Case cases[] = {
      {1000, 500, TMinFilter::miLinear, 1024, 512},
      {1000, 500, TMinFilter::miLinearMipmapLinear, 1024, 512},
      {1024, 512, TMinFilter::miLinear, 1024, 512},
      {3, 5, TMinFilter::miNearest, 4, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    TTexture texture(nullptr);
    texture.SetImage(QuadrantPicture(c.width, c.height));
    texture.SetMinFilter(c.filter);
    texture.SetDisabled(false);
    TRenderPass pass;
    texture.Apply(pass);
    EXPECT_EQ(texture.UploadedWidth(), c.uploadedWidth);
    EXPECT_EQ(texture.UploadedHeight(), c.uploadedHeight);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, c.uploadedWidth);
    EXPECT_EQ(height, c.uploadedHeight);
    GLint level1 = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
    EXPECT_EQ(level1 > 0, IsMipmapFilter(c.filter));
    EXPECT_TRUE(pass.states.Has(TRenderState::stTexture2D));
    pass.states.Disable(TRenderState::stTexture2D);
  }
}

TEST_F(Objects, ATextureWithoutAPictureLeavesTexturingOff) {
  TTexture texture(nullptr);
  texture.SetDisabled(false);
  TRenderPass pass;
  texture.Apply(pass);
  EXPECT_FALSE(pass.states.Has(TRenderState::stTexture2D));
  EXPECT_EQ(texture.UploadCount(), 0);
}

TEST_F(Objects, ALostContextTakesListsAndTextureNamesAlong) {
  SetLighting(false);
  TSphere& globe = scene_->ObjectRoot().AddNewChild<TSphere>();
  globe.SetRadius(1);
  globe.Material().Texture().SetImage(QuadrantPicture(8, 8));
  globe.Material().Texture().SetTextureMode(TTextureMode::tmReplace);
  globe.Material().Texture().SetDisabled(false);
  RenderLitFrame();
  ASSERT_NE(globe.DisplayList(), 0u);
  ASSERT_NE(globe.Material().Texture().Handle(), 0u);
  const auto seen = CentrePixel();

  scene_->RendererContextLost();
  EXPECT_EQ(globe.DisplayList(), 0u);
  EXPECT_EQ(globe.Material().Texture().Handle(), 0u);
  EXPECT_TRUE(globe.StructureDirty());
  RenderLitFrame();
  EXPECT_EQ(CentrePixel(), seen);
  EXPECT_EQ(globe.Material().Texture().UploadCount(), 2);
}

TEST_F(Objects, ARemovedGlobeGivesItsTextureBack) {
  TSphere& globe = scene_->ObjectRoot().AddNewChild<TSphere>();
  globe.Material().Texture().SetImage(QuadrantPicture(8, 8));
  globe.Material().Texture().SetDisabled(false);
  RenderLitFrame();
  const GLuint name = globe.Material().Texture().Handle();
  ASSERT_TRUE(glIsTexture(name));
  scene_->ObjectRoot().DestroyChild(globe);
  EXPECT_FALSE(glIsTexture(name));
}

TEST_F(Objects, InsideNormalsLightTheInnerSurface) {
  SetLighting(true);
  TSphere& dome = scene_->ObjectRoot().AddNewChild<TSphere>();
  dome.SetRadius(2);
  dome.SetStart(90);  // open on the camera's side (longitudes 0 to 90 face +Z and +X)
  dome.SetNormalDirection(TNormalDirection::ndInside);
  dome.Material().FrontProperties().Diffuse().SetRGBA(1, 1, 1, 1);
  AddOmniLight(0, 0, 0);  // at the centre
  camera_->Position().AssignPoint(0, 0, 20);
  RenderLitFrame();
  // Through the opening the far inner wall faces the light.
  EXPECT_GT(Brightness(PixelAt(kSize / 2 - 10, kSize / 2)), 100);
  dome.SetNormalDirection(TNormalDirection::ndOutside);
  RenderLitFrame();
  EXPECT_LT(Brightness(PixelAt(kSize / 2 - 10, kSize / 2)), 10);
}

TEST_F(Objects, RadiusSetToItsValueKeepsTheList) {
  TSphere& sphere = scene_->ObjectRoot().AddNewChild<TSphere>();
  sphere.SetRadius(1);
  RenderLitFrame();
  EXPECT_FALSE(sphere.StructureDirty());
  sphere.SetRadius(1);
  EXPECT_FALSE(sphere.StructureDirty());
  sphere.SetRadius(1.5f);
  EXPECT_TRUE(sphere.StructureDirty());
}

class Line : public Objects {
 protected:
  void SetUp() override {
    Objects::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    SetLighting(true);  // lines must not depend on it
    line_ = &scene_->ObjectRoot().AddNewChild<TLines>();
    line_->SetNodesAspect(TLineNodesAspect::lnaInvisible);
    line_->SetLineWidth(3);
  }
  TLines* line_ = nullptr;
};

TEST_F(Line, PatternZeroLeavesNoPixelsAndSolidDrawsAgain) {
  line_->AppendNode(-1, 0, 0);
  line_->AppendNode(1, 0, 0);
  line_->LineColor().SetRGBA(1, 0.25f, 0, 1);
  RenderLitFrame();
  EXPECT_EQ(CentrePixel(), (std::array<int, 3>{255, 64, 0}));
  line_->SetLinePattern(0);
  RenderLitFrame();
  EXPECT_EQ(CountPixelsBrighterThan(0), 0);
  EXPECT_NE(line_->DisplayList(), 0u);
  line_->SetLinePattern(TLineBase::kSolidPattern);
  RenderLitFrame();
  EXPECT_EQ(CentrePixel(), (std::array<int, 3>{255, 64, 0}));
}

TEST_F(Line, AZeroWidthIsNotSentAndTheLineStillDraws) {
  line_->AppendNode(-1, 0, 0);
  line_->AppendNode(1, 0, 0);
  line_->SetLineWidth(0);
  while (glGetError() != GL_NO_ERROR) {
  }
  RenderLitFrame();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_GT(CountPixelsBrighterThan(0), 0);
}

TEST_F(Line, OneNodeDrawsNothing) {
  line_->AppendNode(0, 0, 0);
  RenderLitFrame();
  EXPECT_EQ(CountPixelsBrighterThan(0), 0);
}

TEST_F(Line, ASplinePassesThroughItsNodes) {
  line_->SetSplineMode(TLineSplineMode::lsmCubicSpline);
  const std::array<std::array<float, 2>, 4> nodes{
      {{-1.2f, -0.8f}, {-0.4f, 0.9f}, {0.4f, -0.9f}, {1.2f, 0.8f}}};
  for (const auto& n : nodes) line_->AppendNode(n[0], n[1], 0);
  RenderLitFrame();
  for (const auto& n : nodes) {
    const auto p = Project(n[0], n[1], 0);
    int brightest = 0;  // a node is on the line when a pixel at most one away from it is lit
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy)
        brightest = std::max(brightest, Brightness(PixelAt(p[0] + dx, p[1] + dy)));
    }
    EXPECT_EQ(brightest, 255) << "node at " << n[0] << ", " << n[1];
  }
  // By symmetry the curve crosses the middle of the screen between the two middle nodes.
  EXPECT_EQ(Brightness(CentrePixel()), 255);
}

TEST_F(Line, NodeColoursColourTheLineWhenAskedTo) {
  line_->AppendNode(-1, 0, 0);
  line_->AppendNode(1, 0, 0);
  line_->Node(0).Color().SetRGBA(1, 0, 0, 1);
  line_->Node(1).Color().SetRGBA(0, 0, 1, 1);
  RenderLitFrame();
  EXPECT_EQ(CentrePixel(), kWhite);  // LineColor
  line_->SetOptions({TLinesOption::loUseNodeColorForLines});
  RenderLitFrame();
  const auto left = Project(-0.9f, 0, 0), right = Project(0.9f, 0, 0);
  EXPECT_GT(PixelAt(left[0], left[1])[0], 200);
  EXPECT_GT(PixelAt(right[0], right[1])[2], 200);
}

}  // namespace
}  // namespace nimbrel::scene::test
