#include "SceneTestSupport.h"

#include <GL/gl.h>

#include <QThread>

namespace nimbrel::scene::test {

void TTestSquare::BuildGeometry(TRenderPass& /*pass*/) {
  ++builds;
  if (throwOnBuild) throw std::runtime_error("geometry failed");
  glColor3f(color.Red(), color.Green(), color.Blue());
  glBegin(GL_QUADS);
  glVertex3f(-0.5f, -0.5f, 0);
  glVertex3f(0.5f, -0.5f, 0);
  glVertex3f(0.5f, 0.5f, 0);
  glVertex3f(-0.5f, 0.5f, 0);
  glEnd();
}

void GLTest::SetUp() {
  const bool haveDisplay = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setDepthBufferSize(24);
  surface_ = std::make_unique<QOffscreenSurface>();
  surface_->setFormat(format);
  surface_->create();
  context_ = std::make_unique<QOpenGLContext>();
  context_->setFormat(format);
  // Like the off-screen renderer, a refusal from a busy X server is tried again before it counts.
  bool created = context_->create();
  for (int retry = 0; !created && retry < 3; ++retry) {
    QThread::msleep(50);
    created = context_->create();
  }
  if (!created || !context_->makeCurrent(surface_.get())) {
    if (haveDisplay) FAIL() << "no OpenGL context although a display is there";
    GTEST_SKIP() << "no display: run the suite under xvfb-run for the rendering tests";
  }
  QOpenGLFramebufferObject::Attachment attachment = QOpenGLFramebufferObject::Depth;
  fbo_ = std::make_unique<QOpenGLFramebufferObject>(kSize, kSize, attachment);
  ASSERT_TRUE(fbo_->bind());
  glViewport(0, 0, kSize, kSize);
  glClearColor(0, 0, 0, 1);
  viewer_.context = context_.get();
  viewer_.surface = surface_.get();
  // The test holds the context current throughout; the viewer's activations nest inside it.
  viewer_.activations = 1;
  scene_ = std::make_unique<TScene>();
  scene_->AttachViewer(viewer_);
}

void GLTest::TearDown() {
  if (!context_ || !QOpenGLContext::currentContext()) return;
  scene_.reset();
  fbo_.reset();
  viewer_.activations = 0;
  context_->doneCurrent();
}

void GLTest::RenderFrame(TCamera& camera) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  camera.ApplyProjection({0, 0, kSize, kSize}, kSize, kSize, 96);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  scene_->PrepareCamera(camera);
  scene_->RenderAll(viewer_, kSize, kSize, states_);
  glFinish();
}

std::array<int, 3> GLTest::PixelAt(int x, int y) {
  unsigned char rgba[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return {rgba[0], rgba[1], rgba[2]};
}

}  // namespace nimbrel::scene::test
