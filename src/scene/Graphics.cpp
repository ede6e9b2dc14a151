#include "scene/Graphics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace nimbrel::scene {

namespace {

std::uint8_t Intensity(const TPixel32& p) noexcept {
  return static_cast<std::uint8_t>((unsigned{p.r} + p.g + p.b) / 3);
}

std::array<std::uint8_t, 256> MakeSqrtTable() noexcept {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    table[i] = static_cast<std::uint8_t>(std::lround(std::sqrt(static_cast<double>(i) / 255.0) * 255.0));
  }
  return table;
}

}  // namespace

TBitmap32::TBitmap32(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {
  if (pixels_.empty()) {
    width_ = height_ = 0;
  }
}

void TBitmap32::Clear() noexcept {
  width_ = height_ = 0;
  pixels_ = std::vector<TPixel32>();
}

void TBitmap32::Assign(const TPicture& picture) {
  const TRaster& raster = picture.Raster();
  if (picture.Empty() || raster.Empty()) {
    Clear();
    return;
  }
  const std::size_t srcWidth = static_cast<std::size_t>(raster.width);
  const std::size_t height = static_cast<std::size_t>(raster.height);
  const std::size_t bytesPerPixel = raster.BytesPerPixel();
  // Only a 32-bit picture whose rows need no stretching is converted directly with its alpha; every
  // other picture goes through a 24-bit drawing, which has no alpha to give.
  const bool keepAlpha = raster.format == TPixelFormat::pf32bit && srcWidth % 4 == 0;
  const std::size_t width = srcWidth % 4 == 0 ? srcWidth : srcWidth / 4 * 4 + 4;

  std::vector<TPixel32> pixels(width * height);
  // Nearest-neighbour stretch, sampling each destination pixel's centre.
  std::vector<std::size_t> sourceColumn(width);
  for (std::size_t x = 0; x < width; ++x) {
    sourceColumn[x] = (2 * x + 1) * srcWidth / (2 * width);
  }
  for (std::size_t row = 0; row < height; ++row) {
    const std::uint8_t* src = raster.pixels.data() + row * srcWidth * bytesPerPixel;
    TPixel32* dst = pixels.data() + (height - 1 - row) * width;  // the top row goes last
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint8_t* s = src + sourceColumn[x] * bytesPerPixel;
      dst[x] = {s[0], s[1], s[2], keepAlpha ? s[3] : std::uint8_t{0}};
    }
  }
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  pixels_ = std::move(pixels);
}

void SetAlphaFromIntensity(TBitmap32& bitmap) noexcept {
  for (TPixel32& p : bitmap.Pixels()) {
    p.a = Intensity(p);
  }
}

void SetSuperBlackTransparent(TBitmap32& bitmap) noexcept {
  for (TPixel32& p : bitmap.Pixels()) {
    p.a = p.r == 0 && p.g == 0 && p.b == 0 ? 0 : 255;
  }
}

void SetAlphaSqrt(TBitmap32& bitmap) noexcept {
  static const std::array<std::uint8_t, 256> kSqrtTable = MakeSqrtTable();
  for (TPixel32& p : bitmap.Pixels()) {
    p.a = kSqrtTable[p.a];
  }
}

void SetOpaque(TBitmap32& bitmap) noexcept {
  for (TPixel32& p : bitmap.Pixels()) {
    p.a = 255;
  }
}

void SetTopLeftPointColorTransparent(TBitmap32& bitmap) noexcept {
  if (bitmap.Empty()) {
    return;
  }
  const TPixel32 key = bitmap.Pixels().front();
  for (TPixel32& p : bitmap.Pixels()) {
    p.a = p.r == key.r && p.g == key.g && p.b == key.b ? 0 : 255;
  }
}

int ApplyImageAlpha(TBitmap32& bitmap, TTextureImageAlpha mode) {
  switch (mode) {
    case TTextureImageAlpha::tiaDefault:
      return 3;
    case TTextureImageAlpha::tiaAlphaFromIntensity:
      SetAlphaFromIntensity(bitmap);
      return 4;
    case TTextureImageAlpha::tiaSuperBlackTransparent:
      SetSuperBlackTransparent(bitmap);
      return 4;
    case TTextureImageAlpha::tiaLuminance:
      SetAlphaFromIntensity(bitmap);
      return 1;
    case TTextureImageAlpha::tiaLuminanceSqrt:
      SetAlphaFromIntensity(bitmap);
      SetAlphaSqrt(bitmap);
      return 1;
    case TTextureImageAlpha::tiaOpaque:
      SetOpaque(bitmap);
      return 4;
    case TTextureImageAlpha::tiaTopLeftPointColorTransparent:
      SetTopLeftPointColorTransparent(bitmap);
      return 4;
  }
  throw std::invalid_argument("ApplyImageAlpha: unrecognised alpha mode " +
                              std::to_string(static_cast<int>(mode)));
}

std::vector<std::uint8_t> AlphaPlane(const TBitmap32& bitmap) {
  std::vector<std::uint8_t> alpha;
  alpha.reserve(bitmap.Pixels().size());
  for (const TPixel32& p : bitmap.Pixels()) {
    alpha.push_back(p.a);
  }
  return alpha;
}

}  // namespace nimbrel::scene
