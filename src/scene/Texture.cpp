#include "scene/Texture.h"

namespace nimbrel::scene {

int TextureUploadSize(int size, int maxSize) noexcept {
  int limit = 1;
  while (limit <= maxSize / 2) limit *= 2;
  int power = 1;
  while (power < size && power < limit) power *= 2;
  return power;
}

TTexture::TTexture(TUpdateAbleOwner* owner) : TUpdateAbleObject(owner) {}

TTexture::~TTexture() = default;

void TTexture::SetImage(TPicture picture) {
  image_ = std::move(picture);
  ImageWasChanged();
}

void TTexture::LoadImageFromFile(QString fileName) {
  if (OnTextureNeeded) OnTextureNeeded(fileName);
  image_.LoadFromFile(fileName);
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

void TTexture::Apply(TRenderPass& /*pass*/) {}

unsigned TTexture::ObtainHandle() {
  return handle_;
}

void TTexture::ReleaseHandle(bool /*contextGone*/) {
  ForgetTextureName();
}

void TTexture::ForgetTextureName() noexcept {
  handle_ = 0;
  handleGroup_.clear();
  imageChanged_ = true;
  parametersChanged_ = true;
}

void TTexture::PrepareImage() {}

void TTexture::PrepareParameters() const {}

}  // namespace nimbrel::scene
