#include "scene/FogEnvironment.h"

#include <GL/gl.h>

namespace nimbrel::scene {

void TFogEnvironment::SetFogStart(float value) {
  if (value == fogStart_) return;
  fogStart_ = value;
  NotifyChange(*this);
}

void TFogEnvironment::SetFogEnd(float value) {
  if (value == fogEnd_) return;
  fogEnd_ = value;
  NotifyChange(*this);
}

void TFogEnvironment::SetFogMode(TFogMode value) {
  if (value == fogMode_) return;
  fogMode_ = value;
  NotifyChange(*this);
}

void TFogEnvironment::Apply() const {
  const Float4& c = fogColor_.AsFloat4();
  const GLfloat color[4] = {c.x, c.y, c.z, c.w};
  glFogfv(GL_FOG_COLOR, color);
  switch (fogMode_) {
    case TFogMode::fmLinear:
      glFogi(GL_FOG_MODE, GL_LINEAR);
      break;
    case TFogMode::fmExp:
      glFogi(GL_FOG_MODE, GL_EXP);
      break;
    case TFogMode::fmExp2:
      glFogi(GL_FOG_MODE, GL_EXP2);
      break;
  }
  glFogf(GL_FOG_START, fogStart_);
  glFogf(GL_FOG_END, fogEnd_);
}

}  // namespace nimbrel::scene
