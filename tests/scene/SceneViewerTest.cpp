// The viewer widget on the off-screen platform: it paints the scene, merges repaint requests, keeps the
// viewport at least one pixel high, picks like the off-screen renderer and hands failures to its error
// callback instead of letting them out of the paint.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QOpenGLContext>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "ViewerTestSupport.h"
#include "scene/RenderingContext.h"
#include "scene/SceneErrors.h"
#include "scene/SceneViewer.h"
#include "scene/Sphere.h"

namespace nimbrel::scene::test {
namespace {

using P = TViewPoints;

// Runs the event loop until the condition holds; false after a generous bound.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Lets any paint already asked for happen.
void Settle() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class SceneViewer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) GTEST_SKIP() << "needs a QApplication";
    // The off-screen platform cannot compose an OpenGL widget into its window (the toolkit crashes when
    // it tries); these tests run again on the X server (scene_viewer_widget_on_xcb).
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
      GTEST_SKIP() << "the viewer widget needs a windowing platform such as xcb";
    }
    viewer_ = std::make_unique<TSceneViewer>();
    viewer_->OnError = [this](const QString& text) { errors_.push_back(text.toStdString()); };
    viewer_->resize(64, 64);
    viewer_->SetLighting(false);
    viewer_->SetBackgroundColor(Qt::black);
    viewer_->SetCamera(squares_.camera);
  }

  // Shows the viewer and waits for its first frame; skips when there is no OpenGL at all.
  void ShowAndPaint() {
    viewer_->show();
    if (!WaitFor([this] { return viewer_->PaintCount() > 0; })) {
      if (std::getenv("DISPLAY")) FAIL() << "the viewer never painted";
      GTEST_SKIP() << "no display: run the suite under xvfb-run";
    }
    ASSERT_TRUE(viewer_->RendererReady());
  }

  TTwoSquares squares_;
  std::unique_ptr<TSceneViewer> viewer_;
  std::vector<std::string> errors_;
};

TEST_F(SceneViewer, PaintsTheSceneIntoItsFramebuffer) {
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  const QImage image = viewer_->grabFramebuffer();
  ASSERT_EQ(image.size(), QSize(64, 64));
  EXPECT_EQ(RgbAt(image, P::kCentreX, P::kCentreY), kGreen);
  EXPECT_EQ(RgbAt(image, P::kBackOnlyX, P::kBackOnlyY), kRed);
  EXPECT_EQ(RgbAt(image, P::kEmptyX, P::kEmptyY), kBlack);
  EXPECT_EQ(viewer_->Scene(), &squares_.scene);
  EXPECT_EQ(RenderingContextActivations(), 0);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(SceneViewer, SeveralInvalidationsBeforeThePaintMakeOneFrame) {
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  Settle();
  const int before = viewer_->PaintCount();
  for (int i = 0; i < 5; ++i) viewer_->Invalidate();
  squares_.front->Position().AssignPoint(0, 0.1f, 1);  // the scene asks too
  EXPECT_TRUE(viewer_->Invalidated());
  ASSERT_TRUE(WaitFor([this] { return !viewer_->Invalidated(); }));
  Settle();
  EXPECT_EQ(viewer_->PaintCount(), before + 1);
}

TEST_F(SceneViewer, TheBackgroundIsStoredBeforeTheContextAndAppliedAfter) {
  viewer_->SetBackgroundColor(QColor(0, 0, 255));
  EXPECT_FALSE(viewer_->RendererReady());
  EXPECT_EQ(viewer_->BackgroundColor(), QColor(0, 0, 255));
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  EXPECT_EQ(RgbAt(viewer_->grabFramebuffer(), P::kEmptyX, P::kEmptyY), (std::array<int, 3>{0, 0, 255}));

  Settle();
  viewer_->SetBackgroundColor(QColor(255, 255, 0));
  EXPECT_TRUE(viewer_->Invalidated());
  ASSERT_TRUE(WaitFor([this] { return !viewer_->Invalidated(); }));
  EXPECT_EQ(RgbAt(viewer_->grabFramebuffer(), P::kEmptyX, P::kEmptyY), (std::array<int, 3>{255, 255, 0}));
}

TEST_F(SceneViewer, AZeroHeightKeepsAOnePixelViewport) {
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  EXPECT_EQ(viewer_->ViewportWidth(), 64);
  EXPECT_EQ(viewer_->ViewportHeight(), 64);
  viewer_->resize(40, 0);
  Settle();
  EXPECT_EQ(viewer_->ViewportHeight(), 1);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(SceneViewer, PicksTheNearerObjectUnderTheMouse) {
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  EXPECT_EQ(viewer_->PickObjectAt(P::kCentreX, P::kCentreY), squares_.front);
  EXPECT_EQ(viewer_->PickObjectAt(P::kBackOnlyX, P::kBackOnlyY), squares_.back);
  EXPECT_EQ(viewer_->PickObjectAt(P::kEmptyX, P::kEmptyY), nullptr);
  EXPECT_EQ(RenderingContextActivations(), 0);
}

TEST_F(SceneViewer, AFailedFrameGoesToTheErrorCallback) {
  int before = 0, after = 0;
  viewer_->BeforeRender = [&] { ++before; };
  viewer_->AfterRender = [&] { ++after; };
  squares_.front->throwOnBuild = true;
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  // Reported from the event loop, after the paint.
  ASSERT_TRUE(WaitFor([this] { return !errors_.empty(); }));
  EXPECT_EQ(errors_.front(), "geometry failed");
  EXPECT_EQ(before, after);
  EXPECT_EQ(viewer_->RenderingState(), TRenderingState::rsIdle);
  EXPECT_EQ(RenderingContextActivations(), 0);
}

TEST_F(SceneViewer, AFrameThatKeepsFailingIsReportedOnceAndNotFromInsideTheBox) {
  int reports = 0, depth = 0, deepest = 0;
  viewer_->OnError = [&](const QString&) {
    ++reports;
    deepest = std::max(deepest, ++depth);
    // As a message box does: an event loop of its own, in which the view repaints and fails again.
    for (int i = 0; i < 5; ++i) {
      viewer_->update();
      Settle();
    }
    --depth;
  };
  squares_.front->throwOnBuild = true;
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  ASSERT_TRUE(WaitFor([&] { return reports > 0 && depth == 0; }));
  const int paintsAfterReport = viewer_->PaintCount();
  viewer_->update();
  Settle();
  EXPECT_GT(viewer_->PaintCount(), paintsAfterReport);  // it failed again, and said nothing
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(deepest, 1);

  // A good frame in between: the next failure is news again.
  squares_.front->throwOnBuild = false;
  viewer_->update();
  Settle();
  squares_.front->throwOnBuild = true;
  squares_.front->MarkStructureDirty();
  viewer_->update();
  EXPECT_TRUE(WaitFor([&] { return reports == 2; }));
}

TEST_F(SceneViewer, ADestroyedCameraLeavesTheViewerUsable) {
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  squares_.scene.CameraRoot().DestroyChild(*squares_.camera);
  EXPECT_EQ(viewer_->Camera(), nullptr);
  EXPECT_EQ(viewer_->PickObjectAt(P::kCentreX, P::kCentreY), nullptr);
  viewer_->Invalidate();
  ASSERT_TRUE(WaitFor([this] { return !viewer_->Invalidated(); }));
  EXPECT_EQ(RgbAt(viewer_->grabFramebuffer(), P::kCentreX, P::kCentreY), kBlack);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(SceneViewer, MovingToAnotherWindowKeepsThePictureAndTheState) {
  // With the application's contexts shared (as the program runs) the widget keeps its context and the
  // lists; the suite's run without sharing (scene_viewer_context_loss_on_xcb) gets a new context in
  // another share group, so the scene must forget its lists and compile them again there.
  const bool shared = QOpenGLContext::globalShareContext() != nullptr;
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  viewer_->SetFaceCulling(false);
  const std::uint32_t statesBefore = viewer_->States().Bits();
  ASSERT_EQ(squares_.front->builds, 1);
  const QOpenGLContext* first = viewer_->context();

  QWidget window;
  window.resize(64, 64);
  viewer_->setParent(&window);
  window.show();
  viewer_->show();
  if (!shared) {
    ASSERT_TRUE(WaitFor([&] { return viewer_->context() && viewer_->context() != first; }));
  }
  const QImage image = viewer_->grabFramebuffer();
  EXPECT_EQ(squares_.front->builds, shared ? 1 : 2);
  EXPECT_EQ(RgbAt(image, P::kCentreX, P::kCentreY), kGreen);
  EXPECT_EQ(RgbAt(image, P::kBackOnlyX, P::kBackOnlyY), kRed);
  EXPECT_EQ(viewer_->States().Bits(), statesBefore);
  EXPECT_FALSE(viewer_->States().Has(TRenderState::stCullFace));
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  viewer_->setParent(nullptr);
}

TEST_F(SceneViewer, SpheresSharingATessellationDrawAgainInAnotherWindow) {
  // Without sharing, the new context cannot reach the old one's lists, the shared geometry included: a
  // sphere list replaying an old name would draw nothing or another list's shapes.
  squares_.front->SetVisible(false);
  squares_.back->SetVisible(false);
  const auto addSphere = [this](float x, float z, float radius, float red, float blue) -> TSphere& {
    TSphere& sphere = squares_.scene.ObjectRoot().AddNewChild<TSphere>();
    sphere.Position().AssignPoint(x, 0, z);
    sphere.SetRadius(radius);
    sphere.Material().FrontProperties().Emission().SetRGBA(red, 0, blue, 1);
    return sphere;
  };
  TSphere& front = addSphere(0, 1, 0.3f, 0, 1);
  TSphere& back = addSphere(0.8f, 0, 1, 1, 0);
  viewer_->SetLighting(true);
  ShowAndPaint();
  if (IsSkipped() || HasFatalFailure()) return;
  const auto expectColours = [this](const char* when) {
    SCOPED_TRACE(when);
    const QImage image = viewer_->grabFramebuffer();
    const auto centre = RgbAt(image, P::kCentreX, P::kCentreY);
    const auto beside = RgbAt(image, P::kBackOnlyX, P::kBackOnlyY);
    EXPECT_GT(centre[2], 200);
    EXPECT_LT(centre[0], 80);
    EXPECT_GT(beside[0], 200);
    EXPECT_LT(beside[2], 80);
  };
  expectColours("first window");
  ASSERT_NE(front.GeometryList(), 0u);
  EXPECT_EQ(front.GeometryList(), back.GeometryList());
  const QOpenGLContext* first = viewer_->context();

  QWidget window;
  window.resize(64, 64);
  viewer_->setParent(&window);
  window.show();
  viewer_->show();
  if (!QOpenGLContext::globalShareContext()) {
    ASSERT_TRUE(WaitFor([&] { return viewer_->context() && viewer_->context() != first; }));
  }
  expectColours("second window");
  EXPECT_EQ(front.GeometryList(), back.GeometryList());
  EXPECT_EQ(squares_.scene.SharedLists().Count(), 1u);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  viewer_->setParent(nullptr);
}

TEST_F(SceneViewer, ACameraOutsideAnySceneIsRefused) {
  TCamera loose;
  EXPECT_THROW(viewer_->SetCamera(&loose), EAssertionFailed);
  EXPECT_EQ(viewer_->Camera(), squares_.camera);
}

}  // namespace
}  // namespace nimbrel::scene::test
