// Any bytes as a JPEG, as a bitmap and as a stored picture: each loader gives a complete picture within
// the pixel bound or throws EPictureError, without crashing, hanging or allocating past the bound. A
// picture it gives becomes a TBitmap32 of the promised shape and survives being stored and read back.

#include <cstddef>
#include <cstdint>
#include <span>

#include "scene/Graphics.h"
#include "scene/Picture.h"

namespace {

using namespace nimbrel::scene;

// Four megapixels: the picture, its bitmap and a stored copy stay far below libFuzzer's memory limit
// under AddressSanitizer.
constexpr std::uint64_t kMaxPixels = 4u << 20;

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

void Exercise(const TPicture& picture, std::size_t size) {
  const TRaster& raster = picture.Raster();
  Check(raster.width > 0 && raster.height > 0);
  Check(std::uint64_t(raster.width) * std::uint64_t(raster.height) <= kMaxPixels);
  Check(raster.pixels.size() ==
        std::size_t(raster.width) * std::size_t(raster.height) * raster.BytesPerPixel());

  TBitmap32 bitmap(picture);
  Check(bitmap.Height() == raster.height && bitmap.Width() % 4 == 0 && bitmap.Width() >= raster.width &&
        bitmap.Width() < raster.width + 4);
  const int components = ApplyImageAlpha(bitmap, static_cast<TTextureImageAlpha>(size % 7));
  Check(components == 1 || components == 3 || components == 4);
  Check(AlphaPlane(bitmap).size() == bitmap.Pixels().size());

  TPicture again;
  again.SetMaxPixels(kMaxPixels);
  const std::vector<std::uint8_t> stored = picture.WriteStored();
  try {
    Check(again.ReadStored(stored) == stored.size());
  } catch (const EPictureError&) {
    Check(false);  // what we stored ourselves must read back
  }
  Check(again.Raster().pixels == raster.pixels && again.PixelFormat() == raster.format);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  for (TGraphicType type : {TGraphicType::gtJpeg, TGraphicType::gtBitmap}) {
    TPicture picture;
    picture.SetMaxPixels(kMaxPixels);
    try {
      picture.LoadFromMemory(input, type);
    } catch (const EPictureError&) {
      continue;
    }
    Exercise(picture, size);
  }
  TPicture stored;
  stored.SetMaxPixels(kMaxPixels);
  try {
    stored.ReadStored(input);
  } catch (const EPictureError&) {
    return 0;
  }
  if (!stored.Empty()) {
    Exercise(stored, size);
  }
  return 0;
}
