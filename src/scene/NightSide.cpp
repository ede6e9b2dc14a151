#include "scene/NightSide.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scene/Scene.h"
#include "scene/Sphere.h"

namespace nimbrel::scene {

namespace {

// Texels of the shade's ramp over the cosine of the Sun's zenith angle: 0.47 degrees each at the
// horizon, a quarter of the terminator's band.
constexpr int kRampTexels = 1024;
// The ramp's coordinate runs over [0.5 - kRampSpan, 0.5 + kRampSpan], clear of the texture's edges,
// where a clamped lookup would blend in the border colour.
constexpr double kRampSpan = 0.48;

double Smoothstep(double x) noexcept {
  x = std::clamp(x, 0.0, 1.0);
  return x * x * (3 - 2 * x);
}

double ElevationDegrees(double cosZenith) noexcept {
  return std::asin(std::clamp(cosZenith, -1.0, 1.0)) * 180 / std::numbers::pi;
}

TPicture ShadeRamp() {
  std::vector<std::uint8_t> pixels;
  pixels.reserve(kRampTexels * 4);
  for (int i = 0; i < kRampTexels; ++i) {
    const double s = (i + 0.5) / kRampTexels;
    const auto level = static_cast<std::uint8_t>(
        std::lround(255 * TNightSide::ShadeAt(ElevationDegrees((s - 0.5) / kRampSpan))));
    // Grey: the upload takes the alpha from the intensity.
    pixels.insert(pixels.end(), {level, level, level, 255});
  }
  return TPicture::FromPixels(kRampTexels, 1, TPixelFormat::pf32bit, std::move(pixels));
}

}  // namespace

TNightSide::TNightSide() : shade_(this), lights_(this) {
  SetDirectRender(true);
  shade_.SetImage(ShadeRamp());
  shade_.SetImageAlpha(TTextureImageAlpha::tiaAlphaFromIntensity);
  shade_.SetMagFilter(TMagFilter::maLinear);
  shade_.SetMinFilter(TMinFilter::miLinear);
  shade_.SetTextureWrap(TTextureWrap::twNone);
  shade_.SetDisabled(false);
  lights_.SetMagFilter(TMagFilter::maLinear);
  lights_.SetMinFilter(TMinFilter::miLinearMipmapLinear);
  lights_.SetTextureWrap(TTextureWrap::twNone);
  lights_.SetTextureMode(TTextureMode::tmModulate);
  lights_.SetDisabled(false);
}

TNightSide::~TNightSide() {
  if (shade_.Handle() == 0 && lights_.Handle() == 0) return;
  try {
    TScene::TContextUse use(Scene());
    ReleaseOwnDisplayResources(!use.Ready());
  } catch (...) {
    // Nothing can be reported from a destructor; the textures forget their names on their own.
  }
}

float TNightSide::ShadeAt(double elevationDeg) noexcept {
  if (std::isnan(elevationDeg)) return 0;
  return static_cast<float>(kDarkness * Smoothstep((1 - elevationDeg) / 2));
}

float TNightSide::LightsAt(double elevationDeg) noexcept {
  if (std::isnan(elevationDeg)) return 0;
  return static_cast<float>(Smoothstep((-6 - elevationDeg) / 10));
}

void TNightSide::SetGlobe(float radius, int slices, int stacks) {
  if (!std::isfinite(radius) || radius <= 0) radius = radius_;
  if (slices < 1) slices = slices_;
  if (stacks < 1) stacks = stacks_;
  if (radius == radius_ && slices == slices_ && stacks == stacks_) return;
  radius_ = radius;
  slices_ = slices;
  stacks_ = stacks;
  meshDirty_ = true;
  SignalChange();
}

void TNightSide::SetSunDirection(const Float3& direction) {
  const double length = std::sqrt(double(direction.x) * direction.x + double(direction.y) * direction.y +
                                  double(direction.z) * direction.z);
  if (!std::isfinite(length) || length == 0) return;
  const Float3 unit{float(direction.x / length), float(direction.y / length), float(direction.z / length)};
  if (unit.x == sun_.x && unit.y == sun_.y && unit.z == sun_.z) return;
  sun_ = unit;
  weightsDirty_ = true;
  SignalChange();
}

void TNightSide::BuildMesh() {
  // The globe's own vertices (TSphere's grid), so that both surfaces have the same depth.
  vertices_.clear();
  texCoords_.clear();
  indices_.clear();
  const auto columns = static_cast<std::uint32_t>(slices_ + 1);
  for (int j = 0; j <= stacks_; ++j) {
    const double phi = 90.0 - j * 180.0 / stacks_;
    for (int i = 0; i <= slices_; ++i) {
      const Float3 v = TSphere::UnitVertex(phi, i * 360.0 / slices_);
      vertices_.insert(vertices_.end(), {radius_ * v.x, radius_ * v.y, radius_ * v.z});
      texCoords_.insert(texCoords_.end(), {float(double(i) / slices_), float(1.0 - double(j) / stacks_)});
    }
  }
  for (std::uint32_t j = 0; j < static_cast<std::uint32_t>(stacks_); ++j) {
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(slices_); ++i) {
      const std::uint32_t upper = j * columns + i, lower = upper + columns;
      indices_.insert(indices_.end(), {upper, lower, upper + 1, upper + 1, lower, lower + 1});
    }
  }
  meshDirty_ = false;
  weightsDirty_ = true;
}

void TNightSide::WeighLights() {
  const std::size_t count = vertices_.size() / 3;
  lightWeights_.resize(count * 4);
  for (std::size_t k = 0; k < count; ++k) {
    const double cosZenith = (double(vertices_[3 * k]) * sun_.x + double(vertices_[3 * k + 1]) * sun_.y +
                              double(vertices_[3 * k + 2]) * sun_.z) /
                             radius_;
    const auto level = static_cast<std::uint8_t>(std::lround(255 * LightsAt(ElevationDegrees(cosZenith))));
    lightWeights_[4 * k] = lightWeights_[4 * k + 1] = lightWeights_[4 * k + 2] = level;
    lightWeights_[4 * k + 3] = 255;
  }
  weightsDirty_ = false;
}

void TNightSide::DrawPasses() {
  const auto count = static_cast<GLsizei>(indices_.size());
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT |
               GL_POLYGON_BIT | GL_LIGHTING_BIT);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_FALSE);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(-1, -1);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, vertices_.data());

  // The shade: s = 0.5 + kRampSpan * cos(zenith angle), from the position on the sphere.
  const unsigned shade = shade_.ObtainHandle();
  if (shade_.UploadedWidth() > 0) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, shade);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const float k = static_cast<float>(kRampSpan) / radius_;
    const GLfloat sPlane[4] = {k * sun_.x, k * sun_.y, k * sun_.z, 0.5f};
    const GLfloat tPlane[4] = {0, 0, 0, 0.5f};
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGenfv(GL_S, GL_OBJECT_PLANE, sPlane);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGenfv(GL_T, GL_OBJECT_PLANE, tPlane);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    // Black, as opaque as the ramp says: what is left of the map is (1 - shade) of it.
    glColor4f(0, 0, 0, 1);
    glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_ALPHA);
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, indices_.data());
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }

  // The lights, added to the shaded map.
  if (!lights_.Image().Empty()) {
    const unsigned lights = lights_.ObtainHandle();
    if (lights_.UploadedWidth() > 0) {
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, lights);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, 0, texCoords_.data());
      glEnableClientState(GL_COLOR_ARRAY);
      glColorPointer(4, GL_UNSIGNED_BYTE, 0, lightWeights_.data());
      glBlendFunc(GL_ONE, GL_ONE);
      glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, indices_.data());
    }
  }
  glPopClientAttrib();
  glPopAttrib();
}

void TNightSide::RenderSelf(TRenderPass& pass) {
  if (!pass.Picking()) {
    if (meshDirty_) BuildMesh();
    if (weightsDirty_) WeighLights();
    DrawPasses();
  }
  if (Count() > 0) RenderChildRange(0, Count() - 1, pass);
}

void TNightSide::ReleaseOwnDisplayResources(bool contextGone) {
  shade_.ReleaseHandle(contextGone);
  lights_.ReleaseHandle(contextGone);
  TBaseSceneObject::ReleaseOwnDisplayResources(contextGone);
}

}  // namespace nimbrel::scene
