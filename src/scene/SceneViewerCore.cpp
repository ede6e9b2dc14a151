#include "scene/SceneViewerCore.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/Camera.h"
#include "scene/SceneErrors.h"

namespace nimbrel::scene {

namespace {

// The renderer's version string begins "major.minor"; anything unreadable counts as too old.
bool AtLeastVersion11(const GLubyte* version) {
  if (!version) return false;
  int major = 0, minor = 0;
  if (std::sscanf(reinterpret_cast<const char*>(version), "%d.%d", &major, &minor) != 2) return false;
  return major > 1 || (major == 1 && minor >= 1);
}

Matrix4x4 CurrentMatrix(GLenum which) {
  // The renderer hands matrices column after column, which for our row-vector matrices is row after row.
  GLfloat m[16] = {};
  glGetFloatv(which, m);
  Matrix4x4 result;
  for (int r = 0; r < 4; ++r) result[r] = {m[4 * r], m[4 * r + 1], m[4 * r + 2], m[4 * r + 3]};
  return result;
}

// Holds the viewer's context current for a scope. Release() reports a failed release; the destructor,
// reached only when something else already failed, cannot and keeps quiet.
class TActiveContext {
 public:
  explicit TActiveContext(TSceneViewerBase& viewer) : viewer_(viewer), active_(viewer.ActivateContext()) {}
  ~TActiveContext() {
    if (!active_) return;
    try {
      viewer_.DeactivateContext();
    } catch (...) {
      // Already unwinding from another failure, which is the one to report.
    }
  }
  TActiveContext(const TActiveContext&) = delete;
  TActiveContext& operator=(const TActiveContext&) = delete;
  bool Active() const noexcept { return active_; }
  void Release() {
    if (!active_) return;
    active_ = false;
    viewer_.DeactivateContext();
  }

 private:
  TSceneViewerBase& viewer_;
  bool active_;
};

// Puts the rendering state back to idle however the scope is left.
class TStateScope {
 public:
  TStateScope(TRenderingState& state, TRenderingState during) noexcept : state_(state) { state_ = during; }
  ~TStateScope() { state_ = TRenderingState::rsIdle; }
  TStateScope(const TStateScope&) = delete;
  TStateScope& operator=(const TStateScope&) = delete;

 private:
  TRenderingState& state_;
};

// The selection buffer belongs to us but the renderer writes into it until selection mode ends, so the
// mode must end before the buffer can go, also when the pass throws.
class TSelectionMode {
 public:
  explicit TSelectionMode(std::vector<GLuint>& buffer) {
    glSelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());
    glRenderMode(GL_SELECT);
  }
  ~TSelectionMode() {
    if (!left_) glRenderMode(GL_RENDER);
  }
  TSelectionMode(const TSelectionMode&) = delete;
  TSelectionMode& operator=(const TSelectionMode&) = delete;
  GLint Leave() {
    left_ = true;
    return glRenderMode(GL_RENDER);
  }

 private:
  bool left_ = false;
};

QColor DefaultBackground() {
  // The colour of a push button's face, as the surrounding windows use; without an application to
  // ask, a light grey of the same kind.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    return QGuiApplication::palette().color(QPalette::Button);
  }
  return QColor(240, 240, 240);
}

}  // namespace

QSurfaceFormat ViewerSurfaceFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setRedBufferSize(8);
  format.setGreenBufferSize(8);
  format.setBlueBufferSize(8);
  format.setAlphaBufferSize(8);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(0);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  return format;
}

TSceneViewerCore::TSceneViewerCore() : backgroundColor_(DefaultBackground()), fog_(this) {}

TSceneViewerCore::~TSceneViewerCore() {
  DetachFromScene();
}

// --------------------------------------------------------------------------------------------- properties

void TSceneViewerCore::SetCamera(TCamera* camera) {
  if (camera == camera_) return;
  SceneAssert(!camera || camera->Scene(), "TSceneViewer::SetCamera: the camera belongs to no scene");
  TScene* newScene = camera ? camera->Scene() : scene_;
  if (newScene != scene_) {
    // Detached first: if this viewer was the old scene's last, the scene gives back its display lists
    // through this viewer's context.
    if (scene_) scene_->DetachViewer(*this);
    scene_ = nullptr;
  }
  camera_ = camera;
  if (newScene && newScene != scene_) {
    newScene->AttachViewer(*this);
    scene_ = newScene;
  }
  if (camera_) camera_->MarkTransformDirty();
  Invalidate();
}

void TSceneViewerCore::SetBackgroundColor(const QColor& color) {
  if (color == backgroundColor_) return;
  backgroundColor_ = color;
  if (rendererReady_) {
    TActiveContext context(*this);
    if (context.Active()) ApplyClearColor();
    context.Release();
  }
  Invalidate();
}

void TSceneViewerCore::ApplyClearColor() const {
  const QColor rgb = backgroundColor_.toRgb();
  glClearColor(float(rgb.red()) / 255.0f, float(rgb.green()) / 255.0f, float(rgb.blue()) / 255.0f, 1.0f);
}

void TSceneViewerCore::ApplyCapability(TRenderState state, bool enable) {
  if (rendererReady_) {
    TActiveContext context(*this);
    if (context.Active()) {
      if (enable) {
        states_.Enable(state);
      } else {
        states_.Disable(state);
      }
    }
    context.Release();
  }
  Invalidate();
}

void TSceneViewerCore::SetFogEnable(bool value) {
  if (value == fogEnable_) return;
  fogEnable_ = value;
  ApplyCapability(TRenderState::stFog, value);
}

void TSceneViewerCore::SetDepthTest(bool value) {
  if (value == depthTest_) return;
  depthTest_ = value;
  ApplyCapability(TRenderState::stDepthTest, value);
}

void TSceneViewerCore::SetFaceCulling(bool value) {
  if (value == faceCulling_) return;
  faceCulling_ = value;
  ApplyCapability(TRenderState::stCullFace, value);
}

void TSceneViewerCore::SetLighting(bool value) {
  if (value == lighting_) return;
  lighting_ = value;
  ApplyCapability(TRenderState::stLighting, value);
}

void TSceneViewerCore::SetContextOptions(TContextOptions value) {
  if (value == contextOptions_) return;
  contextOptions_ = value;
  // Double buffering is the context's own business (chosen when it is made); the lighting model can
  // change at once.
  if (rendererReady_) {
    TActiveContext context(*this);
    if (context.Active()) {
      glLightModeli(GL_LIGHT_MODEL_TWO_SIDE,
                    value.Has(TContextOption::roTwoSideLighting) ? GL_TRUE : GL_FALSE);
    }
    context.Release();
  }
  Invalidate();
}

void TSceneViewerCore::NotifyChange(TUpdateAbleObject& /*sender*/) {
  Invalidate();
}

// ------------------------------------------------------------------------------------- scene bookkeeping

void TSceneViewerCore::SceneObjectLeaving(TBaseSceneObject& object) {
  // Only the address is compared: the object may be half destroyed.
  if (static_cast<const void*>(&object) == static_cast<const void*>(camera_)) camera_ = nullptr;
}

void TSceneViewerCore::SceneDestroyed(TScene& scene) {
  if (&scene != scene_) return;
  scene_ = nullptr;
  camera_ = nullptr;
}

void TSceneViewerCore::AttachToScene(TScene& scene) {
  if (scene_ == &scene) return;
  if (scene_) scene_->DetachViewer(*this);
  camera_ = nullptr;
  scene_ = &scene;
  scene.AttachViewer(*this);
}

void TSceneViewerCore::DetachFromScene() noexcept {
  TScene* scene = scene_;
  scene_ = nullptr;
  camera_ = nullptr;
  if (!scene) return;
  try {
    scene->DetachViewer(*this);
  } catch (...) {
    // Display lists that could not be deleted are lost with the share group at the latest.
  }
}

void TSceneViewerCore::NotifyContextCreated() {
  if (scene_) scene_->RendererContextCreated();
}

void TSceneViewerCore::NotifyContextLost() {
  if (scene_) scene_->RendererContextLost();
}

// -------------------------------------------------------------------------------------------- context

void TSceneViewerCore::InitializeRenderer(int colorBits, bool doubleBuffered) {
  rendererReady_ = false;
  if (!AtLeastVersion11(glGetString(GL_VERSION))) throw EOpenGLError("Need at least OpenGL version 1.1");
  doubleBuffered_ = doubleBuffered;
  glViewport(0, 0, viewportWidth_, viewportHeight_);
  GLint maxLights = 8;
  glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
  maxLights_ = std::max(0, int(maxLights));

  if (savedStates_) {
    // A new context for this viewer: exactly the capabilities the old one had.
    const std::uint32_t saved = *savedStates_;
    for (std::uint32_t bit = 0; bit <= static_cast<std::uint32_t>(TRenderState::stTexture2D); ++bit) {
      const auto state = static_cast<TRenderState>(bit);
      if ((saved >> bit) & 1u) {
        glEnable(TRenderStates::GLCapability(state));
      } else {
        glDisable(TRenderStates::GLCapability(state));
      }
    }
    states_.SetBits(saved);
  } else {
    states_.SetBits(0);
    const TRenderState probed[] = {TRenderState::stDepthTest, TRenderState::stCullFace,
                                   TRenderState::stLighting, TRenderState::stFog};
    for (TRenderState state : probed) {
      if (glIsEnabled(TRenderStates::GLCapability(state))) states_.Record(state);
    }
    states_.Enable(TRenderState::stNormalize);
    depthTest_ ? states_.Enable(TRenderState::stDepthTest) : states_.Disable(TRenderState::stDepthTest);
    faceCulling_ ? states_.Enable(TRenderState::stCullFace) : states_.Disable(TRenderState::stCullFace);
    lighting_ ? states_.Enable(TRenderState::stLighting) : states_.Disable(TRenderState::stLighting);
    fogEnable_ ? states_.Enable(TRenderState::stFog) : states_.Disable(TRenderState::stFog);
    // Below true colour dithering hides the banding; otherwise the renderer's default stands.
    if (colorBits < 24) states_.Enable(TRenderState::stDither);
  }
  // Not part of the capability bits but just as much the context's own: a recreated context starts
  // without them, so they are sent to every new context.
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE,
                contextOptions_.Has(TContextOption::roTwoSideLighting) ? GL_TRUE : GL_FALSE);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  ApplyClearColor();
  rendererReady_ = true;
}

void TSceneViewerCore::SaveRendererState() noexcept {
  if (rendererReady_) savedStates_ = states_.Bits();
  rendererReady_ = false;
}

void TSceneViewerCore::SetViewportSize(int width, int height) {
  viewportWidth_ = std::max(width, 0);
  viewportHeight_ = std::max(height, 1);
  if (!rendererReady_) return;
  TActiveContext context(*this);
  if (context.Active()) glViewport(0, 0, viewportWidth_, viewportHeight_);
  context.Release();
}

// ---------------------------------------------------------------------------------------------- frame

void TSceneViewerCore::SetUpProjectionAndView(const QRectF* pickRect) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (pickRect) {
    GLint viewport[4] = {0, 0, viewportWidth_, viewportHeight_};
    // The renderer counts rows from the bottom.
    gluPickMatrix(pickRect->center().x(), viewportHeight_ - pickRect->center().y(), pickRect->width(),
                  pickRect->height(), viewport);
  }
  pickMatrix_ = CurrentMatrix(GL_PROJECTION_MATRIX);
  camera_->ApplyProjection({0, 0, viewportWidth_, viewportHeight_}, viewportWidth_, viewportHeight_,
                           PixelsPerInch());
  if (!pickRect) projectionMatrix_ = CurrentMatrix(GL_PROJECTION_MATRIX);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  scene_->PrepareCamera(*camera_);
  if (!pickRect) {
    modelViewMatrix_ = CurrentMatrix(GL_MODELVIEW_MATRIX);
    cameraWorldPosition_ = camera_->GetWorldPosition();
  }
}

void TSceneViewerCore::RenderFrame() {
  if (Hidden() || state_ != TRenderingState::rsIdle || !rendererReady_) return;
  if (camera_ && scene_) scene_->AttachViewer(*this);
  try {
    TActiveContext context(*this);
    if (!context.Active()) return;
    {
      TStateScope rendering(state_, TRenderingState::rsRendering);
      glViewport(0, 0, viewportWidth_, viewportHeight_);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      if (camera_ && scene_) {
        SetUpProjectionAndView(nullptr);
        if (BeforeRender) BeforeRender();
        scene_->ApplyLights(maxLights_);
        if (fogEnable_) {
          states_.Enable(TRenderState::stFog);
          fog_.Apply();
        } else {
          states_.Disable(TRenderState::stFog);
        }
        scene_->RenderAll(*this, viewportWidth_, viewportHeight_, states_);
        if (PostRender) PostRender();
      }
      // A double-buffered widget's buffers are swapped by its toolkit once painting is over.
      glFlush();
    }
    context.Release();
  } catch (...) {
    // The window sets a busy cursor in BeforeRender and restores it here; a failed frame must not leave
    // it busy. The frame's own failure is the one to report.
    try {
      if (AfterRender) AfterRender();
    } catch (...) {
    }
    throw;
  }
  if (AfterRender) AfterRender();
}

// --------------------------------------------------------------------------------------------- picking

TPickList TSceneViewerCore::PickObjectsIn(const QRect& rect, int capacity) {
  SceneAssert(state_ == TRenderingState::rsIdle, "Already rendering");
  TPickList list(TPickSortType::psMinDepth);
  if (!camera_ || !scene_ || !rendererReady_) return list;
  scene_->AttachViewer(*this);
  TActiveContext context(*this);
  if (!context.Active()) return list;
  {
    TStateScope picking(state_, TRenderingState::rsPicking);
    const double ratio = DevicePixelRatio();
    const QRectF area(rect.x() * ratio, rect.y() * ratio, std::max(rect.width(), 1) * ratio,
                      std::max(rect.height(), 1) * ratio);
    SetUpProjectionAndView(&area);

    // A hit record with our single-entry name stack is 4 entries: name count, two depths, the name.
    // The buffer grows by half until the renderer stops reporting an overflow; the growth is
    // geometric, so the bound on rounds is never reached unless the renderer misbehaves.
    constexpr int kMaxRounds = 48;
    int n = std::max(capacity, 8);
    std::vector<GLuint> buffer;
    std::vector<TBaseSceneObject*> names;
    GLint hits = -1;
    for (int round = 0;; ++round) {
      buffer.assign(static_cast<std::size_t>(4) * static_cast<std::size_t>(n) + 32, 0);
      names.clear();
      {
        TSelectionMode selection(buffer);
        glInitNames();
        glPushName(0);
        scene_->RenderAll(*this, viewportWidth_, viewportHeight_, states_, &names);
        glFlush();
        hits = selection.Leave();
      }
      if (hits >= 0) break;
      if (round == kMaxRounds || n > (1 << 26)) {
        throw EOpenGLError("TSceneViewer::PickObjectsIn: the selection buffer still overflows at " +
                           std::to_string(buffer.size()) + " entries");
      }
      n += n / 2;
    }

    // Records: name count, minimum and maximum depth, the names. Read within the buffer whatever the
    // counts say.
    std::size_t at = 0;
    for (GLint h = 0; h < hits; ++h) {
      if (at + 3 > buffer.size()) break;
      const GLuint count = buffer[at];
      if (count > buffer.size() - at - 3) break;
      if (count > 0) {
        const GLuint name = buffer[at + 3];
        if (name >= 1 && name <= names.size()) {
          list.AddHit(names[name - 1], TPickList::DepthFromSelection(buffer[at + 1]),
                      TPickList::DepthFromSelection(buffer[at + 2]));
        }
      }
      at += 3 + count;
    }
  }
  context.Release();
  return list;
}

TBaseSceneObject* TSceneViewerCore::PickObjectAt(int x, int y) {
  return PickObjectsIn(QRect(x - 1, y - 1, 2, 2), kPointPickCapacity).First();
}

}  // namespace nimbrel::scene
