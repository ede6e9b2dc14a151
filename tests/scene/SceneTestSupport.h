#pragma once
// Helpers shared by the scene tests: a viewer that counts repaint requests, objects that record what the
// traversal did with them, and an off-screen OpenGL context for the rendering tests.

#include <gtest/gtest.h>

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/Camera.h"
#include "scene/Color.h"
#include "scene/Scene.h"

namespace nimbrel::scene::test {

// Counts every Invalidate (no merging, so a test sees what the scene asked for) and activates an
// optional context with a nesting counter.
class TCountingViewer : public TSceneViewerBase {
 public:
  void Invalidate() override { ++invalidations; }
  bool ActivateContext() override {
    ++activationCalls;
    if (refuseActivation) throw std::runtime_error("the context cannot be made current");
    if (!context) return false;
    if (activations++ == 0) context->makeCurrent(surface);
    return true;
  }
  void DeactivateContext() override {
    if (--activations == 0) context->doneCurrent();
  }
  void SceneObjectLeaving(TBaseSceneObject& object) override { leaving.push_back(&object); }
  void SceneDestroyed(TScene& /*scene*/) override { ++scenesDestroyed; }

  int invalidations = 0;
  int activations = 0;
  int activationCalls = 0;        // every ActivateContext, nested or not
  bool refuseActivation = false;  // ActivateContext throws, as a failed makeCurrent does
  int scenesDestroyed = 0;
  std::vector<TBaseSceneObject*> leaving;
  QOpenGLContext* context = nullptr;
  QOffscreenSurface* surface = nullptr;
};

// A unit square in the object's XY plane, in its colour; counts compilations and draws, and appends its
// name to a shared log each time the traversal draws it.
class TTestSquare : public TBaseSceneObject {
 public:
  explicit TTestSquare(std::string name = {}, std::vector<std::string>* log = nullptr)
      : color(this, {1, 0, 0, 1}), name_(std::move(name)), log_(log) {}
  ~TTestSquare() override {
    if (destroyed) ++*destroyed;
  }

  bool IsBlended() const noexcept override { return blended; }
  // As if a frame had compiled the square, without a renderer.
  void ClearFlagsForTest() { ClearStructureDirty(); }

  TColor color;
  int builds = 0;
  int draws = 0;
  bool blended = false;
  bool throwOnBuild = false;
  int* destroyed = nullptr;

 protected:
  void BuildGeometry(TRenderPass& pass) override;
  void RenderSelf(TRenderPass& pass) override {
    ++draws;
    if (log_) log_->push_back(name_);
    TBaseSceneObject::RenderSelf(pass);
  }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

// An off-screen compatibility-profile context with a 64 x 64 framebuffer, made current for the test.
class GLTest : public ::testing::Test {
 protected:
  static constexpr int kSize = 64;

  void SetUp() override;
  void TearDown() override;

  // Sets projection and view from the camera and draws the scene into the framebuffer.
  void RenderFrame(TCamera& camera);
  // RGB of the framebuffer at (x, y), y measured from the bottom.
  std::array<int, 3> PixelAt(int x, int y);
  std::array<int, 3> CentrePixel() { return PixelAt(kSize / 2, kSize / 2); }

  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
  TCountingViewer viewer_;
  TRenderStates states_;
  std::unique_ptr<TScene> scene_;
};

}  // namespace nimbrel::scene::test
