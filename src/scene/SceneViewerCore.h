#pragma once
// What the viewer window and the off-screen renderer have in common: the properties that decide the
// renderer's global state, the set-up of a new rendering context, the drawing of one frame and the
// selection-mode pick. Both draw with exactly this code; they differ only in where their context
// comes from, how it is made current and how a repaint is asked for.

#include <QColor>
#include <QRect>
#include <QSurfaceFormat>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>

#include "scene/FogEnvironment.h"
#include "scene/Geometry.h"
#include "scene/PickList.h"
#include "scene/RenderPass.h"
#include "scene/Scene.h"
#include "scene/ScreenProjection.h"

namespace nimbrel::scene {

class TCamera;

enum class TRenderingState { rsIdle, rsRendering, rsPicking };

enum class TContextOption : std::uint32_t { roDoubleBuffer, roRenderToWindow, roTwoSideLighting };

// A set of TContextOption values.
class TContextOptions {
 public:
  constexpr TContextOptions() noexcept = default;
  constexpr TContextOptions(std::initializer_list<TContextOption> options) noexcept {
    for (TContextOption option : options) bits_ |= Bit(option);
  }
  constexpr bool Has(TContextOption option) const noexcept { return (bits_ & Bit(option)) != 0; }
  constexpr bool operator==(const TContextOptions&) const noexcept = default;

 private:
  static constexpr std::uint32_t Bit(TContextOption option) noexcept {
    return std::uint32_t{1} << static_cast<std::uint32_t>(option);
  }
  std::uint32_t bits_ = 0;
};

// The surface the scene is drawn on: compatibility profile (display lists, selection mode and the
// fixed-function pipeline), 8 bits per RGBA channel, a 24-bit depth buffer, double-buffered.
QSurfaceFormat ViewerSurfaceFormat();

class TSceneViewerCore : public TSceneViewerBase, public TUpdateAbleOwner {
 public:
  // The pick rectangle PickObjectAt uses around its point, and the hits it makes room for.
  static constexpr int kPointPickCapacity = 64;

  TSceneViewerCore(const TSceneViewerCore&) = delete;
  TSceneViewerCore& operator=(const TSceneViewerCore&) = delete;

  // The camera must belong to a scene (else EAssertionFailed); the viewer then draws that scene.
  // Switching to a camera of another scene detaches the viewer from the old one. A camera that leaves
  // its scene or is destroyed is dropped by itself.
  TCamera* Camera() const noexcept { return camera_; }
  void SetCamera(TCamera* camera);
  TScene* Scene() const noexcept { return scene_; }

  // Opaque: the clear colour's alpha is always 1.
  QColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(const QColor& color);
  TFogEnvironment& FogEnvironment() noexcept { return fog_; }
  bool FogEnable() const noexcept { return fogEnable_; }
  void SetFogEnable(bool value);
  bool DepthTest() const noexcept { return depthTest_; }
  void SetDepthTest(bool value);
  bool FaceCulling() const noexcept { return faceCulling_; }
  void SetFaceCulling(bool value);
  bool Lighting() const noexcept { return lighting_; }
  void SetLighting(bool value);
  TContextOptions ContextOptions() const noexcept { return contextOptions_; }
  void SetContextOptions(TContextOptions value);

  // Fired inside a frame with the context current (before the lights, after the objects), and after
  // the frame with the context released. AfterRender also runs when the frame failed.
  std::function<void()> BeforeRender;
  std::function<void()> PostRender;
  std::function<void()> AfterRender;

  // Draws one frame into the viewer's framebuffer. Nothing while hidden or while a frame or a pick is
  // under way; without a camera only the background.
  void RenderFrame();

  // The objects whose drawing falls into the rectangle (window coordinates with y down, in the
  // viewer's own units, i.e. before any device pixel ratio), nearest first; capacity is the number of
  // hits the first selection pass makes room for. No camera: an empty list. During a frame or a pick:
  // EAssertionFailed "Already rendering".
  TPickList PickObjectsIn(const QRect& rect, int capacity = kPointPickCapacity);
  // The nearest object under the window point, or null.
  TBaseSceneObject* PickObjectAt(int x, int y);

  TRenderingState RenderingState() const noexcept { return state_; }
  // Whether a rendering context has been set up for drawing.
  bool RendererReady() const noexcept { return rendererReady_; }
  const TRenderStates& States() const noexcept { return states_; }
  int MaxLights() const noexcept { return maxLights_; }
  // In device pixels; a height of 0 is kept as 1.
  int ViewportWidth() const noexcept { return viewportWidth_; }
  int ViewportHeight() const noexcept { return viewportHeight_; }
  // The matrices and camera position of the last frame (the pick matrix of the last pick).
  const Matrix4x4& ProjectionMatrix() const noexcept { return projectionMatrix_; }
  const Matrix4x4& ModelViewMatrix() const noexcept { return modelViewMatrix_; }
  const Matrix4x4& PickMatrix() const noexcept { return pickMatrix_; }
  const Float4& CameraWorldPosition() const noexcept { return cameraWorldPosition_; }
  // All of the last frame's view at once, for finding on the CPU what it showed where.
  TScreenProjection FrameProjection() const noexcept {
    return {modelViewMatrix_, projectionMatrix_, viewportWidth_, viewportHeight_, cameraWorldPosition_};
  }
  // Device pixels per unit of the coordinates the pick functions take.
  double PickPixelRatio() const { return DevicePixelRatio(); }

  // TSceneViewerBase
  void SceneObjectLeaving(TBaseSceneObject& object) override;
  void SceneDestroyed(TScene& scene) override;
  // TUpdateAbleOwner: the fog environment changed.
  void NotifyChange(TUpdateAbleObject& sender) override;

 protected:
  TSceneViewerCore();
  ~TSceneViewerCore();

  // With the new context current: checks the renderer, applies the renderer state (the one saved from
  // an earlier context of this viewer when there is one) and the clear colour. colorBits is the
  // framebuffer's bits per pixel; doubleBuffered whether it has a back buffer.
  void InitializeRenderer(int colorBits, bool doubleBuffered);
  // The context is going away: keeps the state set for the next one.
  void SaveRendererState() noexcept;
  // Device pixels; applied at once when a context is set up.
  void SetViewportSize(int width, int height);
  // Draws this scene until a camera of another scene is set.
  void AttachToScene(TScene& scene);
  // Leaves the scene (releasing its display lists if this is its last viewer) while the context can
  // still be made current; derived classes call it before their context goes.
  void DetachFromScene() noexcept;
  // Tell the scene that a context came (lights send everything again) or went with its lists.
  void NotifyContextCreated();
  void NotifyContextLost();

  virtual bool Hidden() const { return false; }
  // Device pixels per unit of the coordinates given to the pick functions.
  virtual double DevicePixelRatio() const { return 1; }
  // Device pixels per inch: the camera's projection depends on it.
  virtual float PixelsPerInch() const { return 96; }
  // Whether the context makes the frame visible by swapping buffers itself after the frame (the
  // widget's does, after paint; an off-screen framebuffer needs none).
  bool DoubleBuffered() const noexcept { return doubleBuffered_; }

 private:
  void ApplyCapability(TRenderState state, bool enable);
  void SetUpProjectionAndView(const QRectF* pickRect);
  void ApplyClearColor() const;

  TCamera* camera_ = nullptr;
  TScene* scene_ = nullptr;
  QColor backgroundColor_;
  TFogEnvironment fog_;
  bool fogEnable_ = false;
  bool depthTest_ = true;
  bool faceCulling_ = true;
  bool lighting_ = true;
  TContextOptions contextOptions_{TContextOption::roDoubleBuffer, TContextOption::roRenderToWindow};

  TRenderingState state_ = TRenderingState::rsIdle;
  bool rendererReady_ = false;
  TRenderStates states_;
  std::optional<std::uint32_t> savedStates_;
  int maxLights_ = 8;
  bool doubleBuffered_ = false;
  int viewportWidth_ = 1;
  int viewportHeight_ = 1;
  Matrix4x4 projectionMatrix_ = kIdentityMatrix;
  Matrix4x4 modelViewMatrix_ = kIdentityMatrix;
  Matrix4x4 pickMatrix_ = kIdentityMatrix;
  Float4 cameraWorldPosition_{0, 0, 0, 1};
};

}  // namespace nimbrel::scene
