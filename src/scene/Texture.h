#pragma once
// A texture: a picture, how it is filtered, wrapped and combined with the lit colour, and its name in
// the renderer. The picture is uploaded once (rescaled to powers of two, with mipmaps for the mipmap
// filters) and bound by name every frame; any change of picture, filter, wrap, mode or alpha uploads
// it again on the next use.

#include <QPointer>
#include <QString>
#include <functional>

#include "scene/Graphics.h"
#include "scene/Misc.h"
#include "scene/Picture.h"
#include "scene/RenderPass.h"

class QOpenGLContextGroup;

namespace nimbrel::scene {

enum class TMagFilter { maNearest, maLinear };
enum class TMinFilter {
  miNearest,
  miLinear,
  miNearestMipmapNearest,
  miLinearMipmapNearest,
  miNearestMipmapLinear,
  miLinearMipmapLinear
};
enum class TTextureMode { tmDecal, tmModulate, tmBlend, tmReplace };
enum class TTextureWrap { twBoth, twNone, twVertical, twHorizontal };

// The size a texture dimension is uploaded at: the smallest power of two not below `size`, but no more
// than the renderer's largest texture (`maxSize`, itself taken down to a power of two). Sizes below 1
// give 1.
int TextureUploadSize(int size, int maxSize) noexcept;

// Whether the filter needs the smaller images of a mipmap chain.
constexpr bool IsMipmapFilter(TMinFilter filter) noexcept {
  return filter > TMinFilter::miLinear;
}

class TTexture : public TUpdateAbleObject {
 public:
  explicit TTexture(TUpdateAbleOwner* owner);
  // The name is deleted only when its context (or one sharing with it) is current; otherwise it went
  // with its context or is left to it.
  ~TTexture() override;

  // --- The picture ---
  const TPicture& Image() const noexcept { return image_; }
  void SetImage(TPicture picture);
  // Loads a BMP or JPEG file (the extension decides). OnTextureNeeded may rewrite the name first. On
  // any failure (EPictureError: "Could not open file: <name>", or a damaged image) the texture keeps
  // the picture it had, so a bad file never blanks the globe.
  void LoadImageFromFile(QString fileName);
  void ClearImage();
  std::function<void(QString& fileName)> OnTextureNeeded;

  // --- Parameters; each change uploads the image again on the next use ---
  TTextureImageAlpha ImageAlpha() const noexcept { return imageAlpha_; }
  void SetImageAlpha(TTextureImageAlpha value);
  TMagFilter MagFilter() const noexcept { return magFilter_; }
  void SetMagFilter(TMagFilter value);
  TMinFilter MinFilter() const noexcept { return minFilter_; }
  void SetMinFilter(TMinFilter value);
  TTextureMode TextureMode() const noexcept { return textureMode_; }
  void SetTextureMode(TTextureMode value);
  TTextureWrap TextureWrap() const noexcept { return textureWrap_; }
  void SetTextureWrap(TTextureWrap value);

  // A disabled texture leaves the object in its material colours; switching it back on binds the
  // texture already uploaded.
  bool Disabled() const noexcept { return disabled_; }
  void SetDisabled(bool value);
  bool Enabled() const noexcept { return !disabled_; }
  void SetEnabled(bool value) { SetDisabled(!value); }

  // --- Rendering (a rendering context is current) ---
  // Switches 2D texturing on or off in the pass's state set and, when on, binds the texture (uploading
  // it first when needed) and sets how it combines with the lit colour.
  void Apply(TRenderPass& pass);
  // The renderer's name for the texture, uploading the image when the name is new or a change flag is
  // set. A renderer that hands out no name is an EAssertionFailed.
  unsigned ObtainHandle();
  unsigned Handle() const noexcept { return handle_; }
  // Gives the name back. With contextGone the name is only forgotten: the context that held it is
  // gone. Either way the next use creates and uploads the texture again.
  void ReleaseHandle(bool contextGone);
  void ForgetTextureName() noexcept;

  // What the last upload sent, and how many uploads there were: the image is meant to go up once.
  int UploadedWidth() const noexcept { return uploadedWidth_; }
  int UploadedHeight() const noexcept { return uploadedHeight_; }
  int UploadCount() const noexcept { return uploadCount_; }
  bool ImageChanged() const noexcept { return imageChanged_; }
  bool ParametersChanged() const noexcept { return parametersChanged_; }

 private:
  void ImageWasChanged();
  void ParametersWereChanged();
  void PrepareImage();
  void PrepareParameters() const;

  TPicture image_;
  TTextureImageAlpha imageAlpha_ = TTextureImageAlpha::tiaDefault;
  TMagFilter magFilter_ = TMagFilter::maNearest;
  TMinFilter minFilter_ = TMinFilter::miNearest;
  TTextureMode textureMode_ = TTextureMode::tmDecal;
  TTextureWrap textureWrap_ = TTextureWrap::twBoth;
  bool disabled_ = true;

  unsigned handle_ = 0;
  // The share group the name belongs to: a name means nothing to any other context.
  QPointer<QOpenGLContextGroup> handleGroup_;
  bool hadShareGroup_ = false;
  bool imageChanged_ = true;
  bool parametersChanged_ = true;
  int uploadedWidth_ = 0;
  int uploadedHeight_ = 0;
  int uploadCount_ = 0;
};

}  // namespace nimbrel::scene
