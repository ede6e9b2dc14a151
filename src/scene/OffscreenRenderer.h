#pragma once
// Frames of a scene without a window: for snapshots and for tests that look at pixels. It draws with the
// same code as the viewer window, into a framebuffer object of a context that shares display lists and
// textures with the program's other contexts (when the application turned sharing on).

#include <QImage>
#include <QString>
#include <memory>

#include "scene/SceneViewerCore.h"

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QSurface;

namespace nimbrel::scene {

class TOffscreenRenderer final : public TSceneViewerCore {
 public:
  // Sizes are clamped to 1..kMaxSize pixels. Needs a QGuiApplication.
  static constexpr int kMaxSize = 16384;

  TOffscreenRenderer(TScene& scene, int width, int height);
  ~TOffscreenRenderer();
  TOffscreenRenderer(const TOffscreenRenderer&) = delete;
  TOffscreenRenderer& operator=(const TOffscreenRenderer&) = delete;

  // False when no OpenGL context or framebuffer could be had; ErrorText() then says why, and frames
  // and picks come back empty.
  bool Ready() const noexcept { return ready_; }
  QString ErrorText() const { return errorText_; }
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }

  // Draws one frame and returns it, top row first (a null image when not Ready). Exceptions of the
  // frame pass to the caller.
  QImage RenderImage();

  // The screen density the camera's projection assumes; 96 unless told.
  void SetPixelsPerInch(float value) noexcept { pixelsPerInch_ = value; }

  // A repaint was asked for since the last RenderImage.
  bool Invalidated() const noexcept { return invalidated_; }

  // TSceneViewerBase
  void Invalidate() override { invalidated_ = true; }
  bool ActivateContext() override;
  void DeactivateContext() override;

 protected:
  float PixelsPerInch() const override { return pixelsPerInch_; }

 private:
  void CreateContext();
  void Fail(const QString& text);

  int width_;
  int height_;
  float pixelsPerInch_ = 96;
  bool ready_ = false;
  bool invalidated_ = false;
  QString errorText_;
  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<QOpenGLFramebufferObject> fbo_;
  // What was current before the first activation, to be made current again after the last.
  QOpenGLContext* previousContext_ = nullptr;
  QSurface* previousSurface_ = nullptr;
};

}  // namespace nimbrel::scene
