#pragma once
// The 32-bit pixel buffer a texture is uploaded from, and the alpha channels a texture can compute.
// Rows are stored bottom-up, as OpenGL expects them: the first row in memory is the picture's bottom
// row, so the picture's top edge lands at texture t = 1.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "scene/Picture.h"

namespace nimbrel::scene {

struct TPixel32 {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 0;

  friend bool operator==(const TPixel32&, const TPixel32&) = default;
};
static_assert(sizeof(TPixel32) == 4, "TBitmap32 hands its pixels to OpenGL as packed RGBA bytes");

class TBitmap32 {
 public:
  TBitmap32() = default;
  // A bitmap of transparent black pixels; negative sizes count as 0.
  TBitmap32(int width, int height);
  explicit TBitmap32(const TPicture& picture) { Assign(picture); }

  // Builds the pixels from a picture: a 32-bit picture whose width is a multiple of 4 keeps its alpha;
  // any other picture is drawn as 24-bit pixels (alpha 0), stretched to the next multiple of 4 in width
  // when its width is not one. An empty picture empties the bitmap.
  void Assign(const TPicture& picture);
  void Clear() noexcept;

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  bool Empty() const noexcept { return pixels_.empty(); }
  // Bytes in the buffer: Width() x Height() x 4.
  std::size_t DataSize() const noexcept { return pixels_.size() * sizeof(TPixel32); }
  const std::uint8_t* Data() const noexcept { return reinterpret_cast<const std::uint8_t*>(pixels_.data()); }
  std::uint8_t* Data() noexcept { return reinterpret_cast<std::uint8_t*>(pixels_.data()); }
  std::span<const TPixel32> Pixels() const noexcept { return pixels_; }
  std::span<TPixel32> Pixels() noexcept { return pixels_; }
  // Row y counts from the bottom. No range check.
  const TPixel32& Pixel(int x, int y) const noexcept { return pixels_[Index(x, y)]; }
  TPixel32& Pixel(int x, int y) noexcept { return pixels_[Index(x, y)]; }

 private:
  std::size_t Index(int x, int y) const noexcept {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<TPixel32> pixels_;
};

// How a texture derives the alpha of its image.
enum class TTextureImageAlpha {
  tiaDefault,
  tiaAlphaFromIntensity,
  tiaSuperBlackTransparent,
  tiaLuminance,
  tiaLuminanceSqrt,
  tiaOpaque,
  tiaTopLeftPointColorTransparent
};

// The alpha operations. Intensity is (R + G + B) div 3.
void SetAlphaFromIntensity(TBitmap32& bitmap) noexcept;
// Alpha 0 where the colour is pure black, 255 elsewhere.
void SetSuperBlackTransparent(TBitmap32& bitmap) noexcept;
// Alpha becomes round(sqrt(alpha / 255) x 255), applied after SetAlphaFromIntensity for tiaLuminanceSqrt.
void SetAlphaSqrt(TBitmap32& bitmap) noexcept;
void SetOpaque(TBitmap32& bitmap) noexcept;
// Alpha 0 where the colour equals that of the first stored pixel, 255 elsewhere.
void SetTopLeftPointColorTransparent(TBitmap32& bitmap) noexcept;

// Computes the alpha channel `mode` asks for and returns the number of components to upload: 3 for
// tiaDefault (alpha ignored), 1 for the two luminance modes (upload AlphaPlane), 4 for the others.
// Throws std::invalid_argument for a value outside the enumeration.
int ApplyImageAlpha(TBitmap32& bitmap, TTextureImageAlpha mode);

// The alpha bytes alone, one per pixel in buffer order: the data of a one-component upload.
std::vector<std::uint8_t> AlphaPlane(const TBitmap32& bitmap);

}  // namespace nimbrel::scene
