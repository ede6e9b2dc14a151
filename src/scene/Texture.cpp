#include "scene/Texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QOpenGLContext>
#include <stdexcept>
#include <string>
#include <vector>

#include "scene/SceneErrors.h"

namespace nimbrel::scene {

namespace {

GLint GLMagFilter(TMagFilter filter) {
  return filter == TMagFilter::maLinear ? GL_LINEAR : GL_NEAREST;
}

GLint GLMinFilter(TMinFilter filter) {
  switch (filter) {
    case TMinFilter::miNearest:
      return GL_NEAREST;
    case TMinFilter::miLinear:
      return GL_LINEAR;
    case TMinFilter::miNearestMipmapNearest:
      return GL_NEAREST_MIPMAP_NEAREST;
    case TMinFilter::miLinearMipmapNearest:
      return GL_LINEAR_MIPMAP_NEAREST;
    case TMinFilter::miNearestMipmapLinear:
      return GL_NEAREST_MIPMAP_LINEAR;
    case TMinFilter::miLinearMipmapLinear:
      return GL_LINEAR_MIPMAP_LINEAR;
  }
  AssertionFailure("TTexture: unknown minification filter");
}

GLint GLTextureMode(TTextureMode mode) {
  switch (mode) {
    case TTextureMode::tmDecal:
      return GL_DECAL;
    case TTextureMode::tmModulate:
      return GL_MODULATE;
    case TTextureMode::tmBlend:
      return GL_BLEND;
    case TTextureMode::tmReplace:
      return GL_REPLACE;
  }
  AssertionFailure("TTexture: unknown texture mode");
}

// GL's own text for a GLU error code.
std::string GluErrorText(GLint error) {
  const auto* text = reinterpret_cast<const char*>(gluErrorString(static_cast<GLenum>(error)));
  return text ? text : "GLU error " + std::to_string(error);
}

QOpenGLContextGroup* CurrentShareGroup() {
  QOpenGLContext* context = QOpenGLContext::currentContext();
  return context ? context->shareGroup() : nullptr;
}

// Keeps the pixel-store state of the caller: the upload needs tightly packed rows for one-byte pixels,
// and gluScaleImage writes its output with the pack settings.
class TPixelStoreScope {
 public:
  TPixelStoreScope() {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  }
  ~TPixelStoreScope() { glPopClientAttrib(); }
  TPixelStoreScope(const TPixelStoreScope&) = delete;
  TPixelStoreScope& operator=(const TPixelStoreScope&) = delete;
};

}  // namespace

int TextureUploadSize(int size, int maxSize) noexcept {
  // The renderer's limit is a power of two on every real driver; rounding it down keeps us honest on
  // one that is not. 64 is the least any OpenGL implementation must support.
  int limit = 1;
  while (limit <= maxSize / 2) limit *= 2;
  if (maxSize <= 0) limit = 64;
  int power = 1;
  while (power < size && power < limit) power *= 2;
  return power;
}

TTexture::TTexture(TUpdateAbleOwner* owner) : TUpdateAbleObject(owner) {}

TTexture::~TTexture() {
  ReleaseHandle(false);
}

void TTexture::SetImage(TPicture picture) {
  image_ = std::move(picture);
  ImageWasChanged();
}

void TTexture::LoadImageFromFile(QString fileName) {
  if (OnTextureNeeded) OnTextureNeeded(fileName);
  image_.LoadFromFile(fileName);  // keeps the old picture when it throws
  ImageWasChanged();
}

void TTexture::ClearImage() {
  image_.Clear();
  ImageWasChanged();
}

void TTexture::ImageWasChanged() {
  imageChanged_ = true;
  NotifyChange(*this);
}

void TTexture::ParametersWereChanged() {
  parametersChanged_ = true;
  NotifyChange(*this);
}

void TTexture::SetImageAlpha(TTextureImageAlpha value) {
  if (value == imageAlpha_) return;
  imageAlpha_ = value;
  ImageWasChanged();
}

void TTexture::SetMagFilter(TMagFilter value) {
  if (value == magFilter_) return;
  magFilter_ = value;
  ParametersWereChanged();
}

void TTexture::SetMinFilter(TMinFilter value) {
  if (value == minFilter_) return;
  minFilter_ = value;
  ParametersWereChanged();
}

void TTexture::SetTextureMode(TTextureMode value) {
  if (value == textureMode_) return;
  textureMode_ = value;
  ParametersWereChanged();
}

void TTexture::SetTextureWrap(TTextureWrap value) {
  if (value == textureWrap_) return;
  textureWrap_ = value;
  ParametersWereChanged();
}

void TTexture::SetDisabled(bool value) {
  if (value == disabled_) return;
  disabled_ = value;
  NotifyChange(*this);
}

void TTexture::Apply(TRenderPass& pass) {
  if (disabled_) {
    pass.states.Disable(TRenderState::stTexture2D);
    return;
  }
  const unsigned handle = ObtainHandle();
  // Without a picture there is nothing to show; an incomplete texture would leave the object's look
  // to the driver.
  if (uploadedWidth_ == 0) {
    pass.states.Disable(TRenderState::stTexture2D);
    return;
  }
  pass.states.Enable(TRenderState::stTexture2D);
  glBindTexture(GL_TEXTURE_2D, handle);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLTextureMode(textureMode_));
}

unsigned TTexture::ObtainHandle() {
  if (handle_ != 0 && !imageChanged_ && !parametersChanged_) return handle_;
  if (handle_ == 0) {
    GLuint name = 0;
    glGenTextures(1, &name);
    SceneAssert(name != 0, "TTexture::ObtainHandle: the renderer gave no texture name");
    handle_ = name;
    handleGroup_ = CurrentShareGroup();
    hadShareGroup_ = handleGroup_ != nullptr;
  }
  glBindTexture(GL_TEXTURE_2D, handle_);
  // Cleared first: a picture the renderer cannot take would otherwise be tried again every frame.
  imageChanged_ = false;
  parametersChanged_ = false;
  PrepareImage();
  PrepareParameters();
  return handle_;
}

void TTexture::PrepareImage() {
  uploadedWidth_ = 0;
  uploadedHeight_ = 0;
  if (image_.Empty()) return;
  TBitmap32 bitmap(image_);
  if (bitmap.Empty()) return;
  int components = 0;
  try {
    components = ApplyImageAlpha(bitmap, imageAlpha_);
  } catch (const std::invalid_argument&) {
    AssertionFailure("TTexture: unknown image alpha mode");
  }

  const GLenum format = components == 1 ? GL_LUMINANCE : GL_RGBA;
  std::vector<std::uint8_t> pixels = components == 1 ? AlphaPlane(bitmap) : std::vector<std::uint8_t>{};
  const std::uint8_t* data = components == 1 ? pixels.data() : bitmap.Data();
  const int bytesPerPixel = components == 1 ? 1 : 4;

  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const int width = TextureUploadSize(bitmap.Width(), maxSize);
  const int height = TextureUploadSize(bitmap.Height(), maxSize);

  TPixelStoreScope pixelStore;
  std::vector<std::uint8_t> scaled;
  if (width != bitmap.Width() || height != bitmap.Height()) {
    scaled.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                  static_cast<std::size_t>(bytesPerPixel));
    const GLint error = gluScaleImage(format, bitmap.Width(), bitmap.Height(), GL_UNSIGNED_BYTE, data, width,
                                      height, GL_UNSIGNED_BYTE, scaled.data());
    if (error != 0) throw EOpenGLError("TTexture: cannot rescale the picture: " + GluErrorText(error));
    data = scaled.data();
  }
  if (IsMipmapFilter(minFilter_)) {
    const GLint error =
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, data);
    if (error != 0) throw EOpenGLError("TTexture: cannot build the mipmaps: " + GluErrorText(error));
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, format, GL_UNSIGNED_BYTE, data);
  }
  uploadedWidth_ = width;
  uploadedHeight_ = height;
  ++uploadCount_;
}

void TTexture::PrepareParameters() const {
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT;
  switch (textureWrap_) {
    case TTextureWrap::twBoth:
      break;
    case TTextureWrap::twNone:
      wrapS = wrapT = GL_CLAMP;
      break;
    case TTextureWrap::twVertical:
      wrapS = GL_CLAMP;
      break;
    case TTextureWrap::twHorizontal:
      wrapT = GL_CLAMP;
      break;
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLMinFilter(minFilter_));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLMagFilter(magFilter_));
}

void TTexture::ReleaseHandle(bool contextGone) {
  if (handle_ == 0) return;
  // A name means something only to its own share group; deleting it in another context would delete
  // someone else's texture.
  const bool ours = hadShareGroup_ ? (handleGroup_ && CurrentShareGroup() == handleGroup_.data())
                                   : QOpenGLContext::currentContext() == nullptr;
  if (!contextGone && ours) {
    const GLuint name = handle_;
    glDeleteTextures(1, &name);
  }
  ForgetTextureName();
}

void TTexture::ForgetTextureName() noexcept {
  handle_ = 0;
  handleGroup_.clear();
  hadShareGroup_ = false;
  imageChanged_ = true;
  parametersChanged_ = true;
  uploadedWidth_ = 0;
  uploadedHeight_ = 0;
}

}  // namespace nimbrel::scene
