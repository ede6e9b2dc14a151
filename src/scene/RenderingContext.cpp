#include "scene/RenderingContext.h"

#include <utility>

#include "scene/SceneErrors.h"

namespace nimbrel::scene {

namespace {

struct TActivations {
  int count = 0;
  const void* surface = nullptr;
  const void* context = nullptr;
  std::function<bool()> doneCurrent;
};

TActivations& Activations() noexcept {
  static TActivations activations;
  return activations;
}

}  // namespace

void ActivateRenderingContext(const void* surface, const void* context,
                              const std::function<bool()>& makeCurrent, std::function<bool()> doneCurrent) {
  SceneAssert(surface != nullptr, "ActivateRenderingContext: DC must not be 0");
  SceneAssert(context != nullptr, "ActivateRenderingContext: RC must not be 0");
  TActivations& a = Activations();
  if (a.count > 0) {
    SceneAssert(a.surface == surface && a.context == context,
                "ActivateRenderingContext: incoherent DC/RC pair");
    ++a.count;
    return;
  }
  if (!makeCurrent()) throw EOpenGLError("wglMakeCurrent failed");
  a.surface = surface;
  a.context = context;
  a.doneCurrent = std::move(doneCurrent);
  a.count = 1;
}

void DeactivateRenderingContext() {
  TActivations& a = Activations();
  SceneAssert(a.count > 0, "DeactivateRenderingContext: unbalanced activations");
  if (--a.count > 0) return;
  const std::function<bool()> doneCurrent = std::move(a.doneCurrent);
  a.doneCurrent = nullptr;
  a.surface = nullptr;
  a.context = nullptr;
  if (doneCurrent && !doneCurrent()) throw EOpenGLError("DeactivateRenderingContext: wglMakeCurrent failed");
}

int RenderingContextActivations() noexcept {
  return Activations().count;
}

bool RenderingContextActive(const void* context) noexcept {
  const TActivations& a = Activations();
  return a.count > 0 && a.context == context;
}

void CheckRenderingContextDestroyable(const void* context) {
  SceneAssert(!RenderingContextActive(context), "DestroyRenderingContext: unbalanced activations");
}

}  // namespace nimbrel::scene
