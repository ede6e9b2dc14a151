#include "scene/OffscreenRenderer.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <algorithm>

#include "scene/RenderingContext.h"
#include "scene/SceneErrors.h"

namespace nimbrel::scene {

TOffscreenRenderer::TOffscreenRenderer(TScene& scene, int width, int height)
    : width_(std::clamp(width, 1, kMaxSize)), height_(std::clamp(height, 1, kMaxSize)) {
  // Display lists are shared through the application's share context; without it this context could
  // not call the lists another viewer of the scene compiled, and would draw the wrong objects.
  if (!QOpenGLContext::globalShareContext() && !scene.Viewers().empty()) {
    Fail(
        QStringLiteral("The scene already has a viewer and the application does not share OpenGL contexts "
                       "(Qt::AA_ShareOpenGLContexts)"));
    return;
  }
  CreateContext();
  if (!ready_) return;
  AttachToScene(scene);
  try {
    NotifyContextCreated();
  } catch (const std::exception& e) {
    Fail(QStringLiteral("The scene could not take the new OpenGL context: %1")
             .arg(QString::fromUtf8(e.what())));
  }
}

void TOffscreenRenderer::Fail(const QString& text) {
  ready_ = false;
  errorText_ = text;
}

void TOffscreenRenderer::CreateContext() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    Fail(QStringLiteral("No OpenGL: off-screen rendering needs a running QGuiApplication"));
    return;
  }
  const QSurfaceFormat format = ViewerSurfaceFormat();
  surface_ = std::make_unique<QOffscreenSurface>();
  surface_->setFormat(format);
  surface_->create();
  if (!surface_->isValid()) {
    Fail(QStringLiteral("No OpenGL: the platform offers no off-screen surface"));
    return;
  }
  context_ = std::make_unique<QOpenGLContext>();
  context_->setFormat(format);
  // Null when the application did not turn context sharing on; the renderer then has lists of its own.
  context_->setShareContext(QOpenGLContext::globalShareContext());
  if (!context_->create()) {
    Fail(QStringLiteral("No OpenGL: could not create an OpenGL context (is there a display?)"));
    return;
  }
  QOpenGLContext* const before = QOpenGLContext::currentContext();
  QSurface* const beforeSurface = before ? before->surface() : nullptr;
  if (!context_->makeCurrent(surface_.get())) {
    Fail(QStringLiteral("No OpenGL: the OpenGL context could not be made current"));
    return;
  }
  fbo_ = std::make_unique<QOpenGLFramebufferObject>(width_, height_,
                                                    QOpenGLFramebufferObject::CombinedDepthStencil);
  ready_ = fbo_->isValid() && fbo_->bind();
  if (ready_) {
    SetViewportSize(width_, height_);
    try {
      InitializeRenderer(32, false);
    } catch (const std::exception& e) {
      Fail(QString::fromUtf8(e.what()));
    }
  } else {
    Fail(QStringLiteral("No OpenGL: no %1 x %2 framebuffer with a depth buffer").arg(width_).arg(height_));
  }
  if (!ready_) fbo_.reset();
  context_->doneCurrent();
  if (before && beforeSurface) before->makeCurrent(beforeSurface);
}

TOffscreenRenderer::~TOffscreenRenderer() {
  // Out of the scene while the context still works: as its last viewer the scene deletes its lists here.
  DetachFromScene();
  if (!context_) return;
  if (RenderingContextActive(context_.get())) {
    // Destroyed from inside its own frame: the activations can never be balanced now. The context stays
    // alive rather than be pulled from under the code still running in it.
    (void)context_.release();
    (void)fbo_.release();
    (void)surface_.release();
    return;
  }
  QOpenGLContext* const own = context_.get();
  QOpenGLContext* const before = QOpenGLContext::currentContext();
  QSurface* const beforeSurface = before ? before->surface() : nullptr;
  // The framebuffer is deleted in its own context.
  if (fbo_ && context_->makeCurrent(surface_.get())) {
    fbo_.reset();
    context_->doneCurrent();
  }
  fbo_.reset();
  context_.reset();
  if (before && before != own && beforeSurface) before->makeCurrent(beforeSurface);
}

bool TOffscreenRenderer::ActivateContext() {
  if (!ready_) return false;
  ActivateRenderingContext(
      surface_.get(), context_.get(),
      [this] {
        previousContext_ = QOpenGLContext::currentContext();
        previousSurface_ = previousContext_ ? previousContext_->surface() : nullptr;
        return context_->makeCurrent(surface_.get()) && fbo_->bind();
      },
      [this] {
        QOpenGLContext* const previous = previousContext_;
        QSurface* const surface = previousSurface_;
        previousContext_ = nullptr;
        previousSurface_ = nullptr;
        // Whoever had a context current before us gets it back.
        if (previous && previous != context_.get() && surface) return previous->makeCurrent(surface);
        context_->doneCurrent();
        return true;
      });
  return true;
}

void TOffscreenRenderer::DeactivateContext() {
  DeactivateRenderingContext();
}

QImage TOffscreenRenderer::RenderImage() {
  if (!ready_) return {};
  invalidated_ = false;
  RenderFrame();
  if (!ActivateContext()) return {};
  QImage image;
  try {
    image = fbo_->toImage();
  } catch (...) {
    DeactivateContext();
    throw;
  }
  DeactivateContext();
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace nimbrel::scene
