#pragma once
// The window the scene is drawn in. Its OpenGL context is the widget's own, which shares display lists
// and textures with every other context of the program (the application turns on context sharing
// before it starts), so a context that comes or goes with reparenting costs the scene no more than
// telling it.

#include <QOpenGLWidget>
#include <QString>
#include <functional>

class QOpenGLContextGroup;

#include "scene/SceneViewerCore.h"

namespace nimbrel::scene {

class TSceneViewer : public QOpenGLWidget, public TSceneViewerCore {
  Q_OBJECT

 public:
  explicit TSceneViewer(QWidget* parent = nullptr);
  ~TSceneViewer() override;

  // Exceptions from painting and from setting up or losing a context end here (the window shows them
  // in a message box); without a handler they are written to standard error. The report comes from the
  // event loop, never from inside painting, one at a time: while one is being handled no other is
  // made, and the same text is not reported again until a frame has been drawn without failing.
  std::function<void(const QString&)> OnError;

  // A repaint has been asked for and not yet painted.
  bool Invalidated() const noexcept { return invalidated_; }
  // Paints so far (a failed frame counts too).
  int PaintCount() const noexcept { return paintCount_; }

  // TSceneViewerBase
  void Invalidate() override;
  bool ActivateContext() override;
  void DeactivateContext() override;

 protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  // The toolkit skips resizeGL for an empty size; the viewport still follows (at least 1 pixel high).
  void resizeEvent(QResizeEvent* event) override;
  void paintGL() override;

  // Not Hidden(): the toolkit calls paintGL only when a picture is wanted (an exposure or a grab), and
  // the first one comes while the widget is still being shown, before it counts as visible.
  double DevicePixelRatio() const override { return devicePixelRatioF(); }
  float PixelsPerInch() const override;

 private:
  void ContextAboutToBeDestroyed();
  void ReportCurrentException(const char* where);
  void DeliverReport(const QString& where, const QString& text) noexcept;

  QMetaObject::Connection contextConnection_;
  // The share group the scene's lists were last used in by this viewer (compared, never followed).
  const QOpenGLContextGroup* listGroup_ = nullptr;
  bool invalidated_ = false;
  bool releaseOnDeactivate_ = true;
  int paintCount_ = 0;
  // A report is queued or being handled; the text last reported since the last good frame.
  bool reporting_ = false;
  QString lastReport_;
};

}  // namespace nimbrel::scene
