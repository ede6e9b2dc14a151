#include "scene/SceneViewer.h"

#include <QOpenGLContext>
#include <QResizeEvent>
#include <cmath>
#include <exception>
#include <iostream>

#include "scene/RenderingContext.h"
#include "scene/SceneErrors.h"

namespace nimbrel::scene {

TSceneViewer::TSceneViewer(QWidget* parent) : QOpenGLWidget(parent) {
  setFormat(ViewerSurfaceFormat());
  resize(100, 100);
}

TSceneViewer::~TSceneViewer() {
  // The base class destroys the context after this body: by then this part of the object is gone, so
  // the context-loss handler must not run. Leaving the scene here gives its display lists back while
  // the context can still be made current.
  disconnect(contextConnection_);
  DetachFromScene();
}

void TSceneViewer::Invalidate() {
  if (invalidated_) return;
  invalidated_ = true;
  update();
}

bool TSceneViewer::ActivateContext() {
  QOpenGLContext* ctx = context();
  if (!ctx || !ctx->isValid()) return false;
  ActivateRenderingContext(
      this, ctx,
      [this, ctx] {
        // During paintGL (and the other callbacks) the toolkit has made the context current and still
        // needs it after we return: then the last release leaves it so.
        releaseOnDeactivate_ = QOpenGLContext::currentContext() != ctx;
        makeCurrent();
        return QOpenGLContext::currentContext() == ctx;
      },
      [this] {
        if (releaseOnDeactivate_) doneCurrent();
        return true;
      });
  return true;
}

void TSceneViewer::DeactivateContext() {
  DeactivateRenderingContext();
}

float TSceneViewer::PixelsPerInch() const {
  // Viewport sizes are in device pixels, so the density is too; the field of view then stays the same
  // on a high-density screen.
  return float(logicalDpiX() * devicePixelRatioF());
}

void TSceneViewer::initializeGL() {
  try {
    // A new context: the first one, or a replacement after the widget moved to another window.
    disconnect(contextConnection_);
    contextConnection_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
                                 &TSceneViewer::ContextAboutToBeDestroyed);
    const double ratio = devicePixelRatioF();
    SetViewportSize(int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
    const QSurfaceFormat format = context()->format();
    const int colorBits = std::max(format.redBufferSize(), 0) + std::max(format.greenBufferSize(), 0) +
                          std::max(format.blueBufferSize(), 0) + std::max(format.alphaBufferSize(), 0);
    // Lists compiled in a group this context cannot reach are as good as lost.
    if (listGroup_ && listGroup_ != context()->shareGroup()) NotifyContextLost();
    listGroup_ = context()->shareGroup();
    if (!ActivateContext()) return;
    try {
      InitializeRenderer(colorBits > 0 ? colorBits : 24,
                         format.swapBehavior() != QSurfaceFormat::SingleBuffer);
      NotifyContextCreated();
    } catch (...) {
      DeactivateContext();
      throw;
    }
    DeactivateContext();
  } catch (...) {
    ReportCurrentException("TSceneViewer::initializeGL");
  }
}

void TSceneViewer::ContextAboutToBeDestroyed() {
  try {
    CheckRenderingContextDestroyable(context());
    // When the context shares the application's group, the scene's display lists and textures outlive
    // it and serve the next context as they are; otherwise they go with it and the scene forgets them.
    const QOpenGLContext* global = QOpenGLContext::globalShareContext();
    const bool listsSurvive = global && context()->shareGroup() == global->shareGroup();
    if (!listsSurvive) {
      // The lists go with the context whether or not it can be made current once more: a scene that
      // kept their names would call dead lists in the next context.
      listGroup_ = nullptr;
      bool active = false;
      try {
        active = ActivateContext();
      } catch (...) {
        NotifyContextLost();
        throw;
      }
      try {
        NotifyContextLost();
      } catch (...) {
        if (active) DeactivateContext();
        throw;
      }
      if (active) DeactivateContext();
    }
  } catch (...) {
    ReportCurrentException("TSceneViewer: losing the rendering context");
  }
  SaveRendererState();
}

void TSceneViewer::resizeGL(int w, int h) {
  try {
    const double ratio = devicePixelRatioF();
    SetViewportSize(int(std::lround(w * ratio)), int(std::lround(h * ratio)));
  } catch (...) {
    ReportCurrentException("TSceneViewer::resizeGL");
  }
}

void TSceneViewer::resizeEvent(QResizeEvent* event) {
  QOpenGLWidget::resizeEvent(event);
  if (width() > 0 && height() > 0) return;  // resizeGL has seen it
  try {
    const double ratio = devicePixelRatioF();
    SetViewportSize(int(std::lround(width() * ratio)), int(std::lround(height() * ratio)));
  } catch (...) {
    ReportCurrentException("TSceneViewer::resizeEvent");
  }
}

void TSceneViewer::paintGL() {
  invalidated_ = false;
  ++paintCount_;
  try {
    RenderFrame();
    lastReport_.clear();
  } catch (...) {
    ReportCurrentException("TSceneViewer::paintGL");
  }
}

void TSceneViewer::ReportCurrentException(const char* where) {
  QString text;
  try {
    throw;
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
  } catch (...) {
    text = QStringLiteral("%1: unknown error").arg(QString::fromUtf8(where));
  }
  // A message box runs an event loop of its own, in which this view repaints: reported from here, a
  // frame that keeps failing would open box after box inside one another.
  if (reporting_ || text == lastReport_) return;
  reporting_ = true;
  lastReport_ = text;
  QMetaObject::invokeMethod(
      this, [this, origin = QString::fromUtf8(where), text] { DeliverReport(origin, text); },
      Qt::QueuedConnection);
}

void TSceneViewer::DeliverReport(const QString& where, const QString& text) noexcept {
  bool delivered = false;
  try {
    if (OnError) {
      OnError(text);
      delivered = true;
    }
  } catch (...) {
    // The handler itself failed: fall through to standard error.
  }
  if (!delivered) std::cerr << where.toStdString() << ": " << text.toStdString() << '\n';
  reporting_ = false;
}

}  // namespace nimbrel::scene
