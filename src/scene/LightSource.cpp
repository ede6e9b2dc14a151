#include "scene/LightSource.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "scene/Scene.h"

namespace nimbrel::scene {

TLightSource::TLightSource()
    : ambient_(this, {0, 0, 0, 1}),
      diffuse_(this, {1, 1, 1, 1}),
      specular_(this, {0, 0, 0, 1}),
      spotDirection_(this, {0, 0, -1, 0}, TCoordinatesStyle::coVector) {
  SetVisible(false);
}

TLightSource::~TLightSource() = default;

void TLightSource::SetLightStyle(TLightStyle value) {
  if (value == style_) return;
  style_ = value;
  spotChanged_ = true;
  SignalChange();
}

void TLightSource::SetSpotCutOff(float value) {
  if (!std::isfinite(value) || value == spotCutOff_) return;
  spotCutOff_ = value;
  spotChanged_ = true;
  SignalChange();
}

void TLightSource::SetSpotExponent(float value) {
  if (!std::isfinite(value) || value == spotExponent_) return;
  spotExponent_ = value;
  spotChanged_ = true;
  SignalChange();
}

void TLightSource::SetSpotDirection(const Float4& value) {
  spotDirection_.AssignVector(value.x, value.y, value.z);
}

void TLightSource::SetConstAttenuation(float value) {
  if (!std::isfinite(value) || value == constAttenuation_) return;
  constAttenuation_ = value;
  attenuationChanged_ = true;
  SignalChange();
}

void TLightSource::SetLinearAttenuation(float value) {
  if (!std::isfinite(value) || value == linearAttenuation_) return;
  linearAttenuation_ = value;
  attenuationChanged_ = true;
  SignalChange();
}

void TLightSource::SetQuadraticAttenuation(float value) {
  if (!std::isfinite(value) || value == quadraticAttenuation_) return;
  quadraticAttenuation_ = value;
  attenuationChanged_ = true;
  SignalChange();
}

void TLightSource::SetShining(bool value) {
  if (value == shining_) return;
  shining_ = value;
  SignalChange();
}

void TLightSource::MarkAllChanged() noexcept {
  spotChanged_ = true;
  attenuationChanged_ = true;
}

void TLightSource::SendToRenderer(int slot) {
  const auto id = static_cast<GLenum>(GL_LIGHT0 + slot);
  const auto send = [id](GLenum what, const Float4& v) {
    const GLfloat values[4] = {v.x, v.y, v.z, v.w};
    glLightfv(id, what, values);
  };
  if (style_ == TLightStyle::lsParallel) {
    glMultMatrixf(ToGLMatrix(GetWorldMatrix()).data());
    const Float4& d = spotDirection_.AsFloat4();
    send(GL_POSITION, {d.x, d.y, d.z, 0});
  } else {
    // The position is in the parent's frame, so the light sits where the tree puts it.
    if (Parent()) glMultMatrixf(ToGLMatrix(Parent()->GetWorldMatrix()).data());
    const Float4& p = Position().AsFloat4();
    send(GL_POSITION, {p.x, p.y, p.z, 1});
  }
  send(GL_AMBIENT, ambient_.AsFloat4());
  send(GL_DIFFUSE, diffuse_.AsFloat4());
  send(GL_SPECULAR, specular_.AsFloat4());

  if (spotChanged_) {
    if (style_ == TLightStyle::lsSpot) {
      if (spotCutOff_ != 180) {
        const Float4& d = spotDirection_.AsFloat4();
        const GLfloat direction[3] = {d.x, d.y, d.z};
        glLightfv(id, GL_SPOT_DIRECTION, direction);
        // The renderer takes 0..128 and rejects anything else, keeping the old exponent.
        glLightf(id, GL_SPOT_EXPONENT, std::clamp(spotExponent_, 0.0f, 128.0f));
      }
      // The renderer takes 0..90 or exactly 180; a value in between would be rejected and the light
      // would keep whatever cone it had.
      const float cutOff = spotCutOff_ == 180 ? 180.0f : std::clamp(spotCutOff_, 0.0f, 90.0f);
      glLightf(id, GL_SPOT_CUTOFF, cutOff);
    } else if (style_ == TLightStyle::lsOmni) {
      glLightf(id, GL_SPOT_CUTOFF, 180);
    }
    spotChanged_ = false;
  }
  if (attenuationChanged_) {
    // All three at zero would divide the light by zero; the renderer's own default (constant 1) is what
    // such a light shows before its values are ever sent.
    const bool none = constAttenuation_ <= 0 && linearAttenuation_ <= 0 && quadraticAttenuation_ <= 0;
    glLightf(id, GL_CONSTANT_ATTENUATION, none ? 1.0f : std::max(constAttenuation_, 0.0f));
    glLightf(id, GL_LINEAR_ATTENUATION, none ? 0.0f : std::max(linearAttenuation_, 0.0f));
    glLightf(id, GL_QUADRATIC_ATTENUATION, none ? 0.0f : std::max(quadraticAttenuation_, 0.0f));
    attenuationChanged_ = false;
  }
}

void TLightSource::CoordinatesChanged(TCoordinates& sender) {
  if (&sender == &spotDirection_) {
    spotChanged_ = true;
    MarkTransformDirty();
    SignalChange();
    return;
  }
  TBaseSceneObject::CoordinatesChanged(sender);
}

void TLightSource::RenderSelf(TRenderPass& pass) {
  if (Count() > 0) RenderChildRange(0, Count() - 1, pass);
}

void TLightSource::SceneChanging(TScene* newScene) {
  TBaseSceneObject::SceneChanging(newScene);
  if (newScene) {
    const int slot = newScene->AllocateLightSlot(*this);
    if (slot >= 0) {
      lightNumber_ = slot;
      // The renderer light may still hold the cone and attenuation of the light that had the slot
      // before: this light's own values go out with its first frame.
      MarkAllChanged();
    }
  }
}

void TLightSource::ReleaseOwnDisplayResources(bool contextGone) {
  TBaseSceneObject::ReleaseOwnDisplayResources(contextGone);
  if (!contextGone && shining_ && lightNumber_ >= 0) glDisable(static_cast<GLenum>(GL_LIGHT0 + lightNumber_));
}

}  // namespace nimbrel::scene
