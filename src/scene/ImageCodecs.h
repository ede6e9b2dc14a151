#pragma once
// The file formats behind TPicture. Decoders throw EPictureError with the reason (for JPEG the
// library's own message) and check width x height against maxPixels before allocating any pixels.

#include <cstdint>
#include <span>
#include <vector>

#include "scene/Picture.h"

namespace nimbrel::scene {

// Full size, RGB output (greyscale pictures come out as grey RGB), block smoothing on, the library's
// default IDCT. Any warning of the library (corrupt or truncated data) is an error.
TRaster DecodeJpeg(std::span<const std::uint8_t> data, std::uint64_t maxPixels);

// Windows bitmaps with a BITMAPCOREHEADER, BITMAPINFOHEADER or one of its V2 to V5 extensions:
// 1, 4 and 8 bits palettised, 16 and 32 bits (plain or with bit masks), 24 bits; bottom-up or top-down.
// Compressed (RLE, embedded JPEG or PNG) bitmaps are refused. 32-bit bitmaps give 32-bit rasters whose
// alpha is the fourth byte (or the alpha mask's bits); all others give 24-bit rasters.
TRaster DecodeBmp(std::span<const std::uint8_t> data, std::uint64_t maxPixels);

// A BITMAPINFOHEADER file, 24-bit or 32-bit as the raster is, bottom-up.
std::vector<std::uint8_t> EncodeBmp(const TRaster& raster);

}  // namespace nimbrel::scene
