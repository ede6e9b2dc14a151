// Windows bitmap files. Every size and offset in the headers is checked against the file before it is
// used, in 64-bit arithmetic so that no field can overflow a computation.

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/ImageCodecs.h"

namespace nimbrel::scene {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;  // BITMAPCOREHEADER (OS/2 1.x)
constexpr std::size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitFields = 6;

[[noreturn]] void Refuse(const std::string& reason) {
  throw EPictureError("BMP error: " + reason, "the BMP data will not do: " + reason);
}

std::uint16_t ReadU16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

std::uint32_t ReadU32(std::span<const std::uint8_t> d, std::size_t at) {
  return std::uint32_t{d[at]} | std::uint32_t{d[at + 1]} << 8 | std::uint32_t{d[at + 2]} << 16 |
         std::uint32_t{d[at + 3]} << 24;
}

std::int32_t ReadS32(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::int32_t>(ReadU32(d, at));
}

void WriteU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void WriteU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>(v >> shift));
  }
}

// One colour channel described by a bit mask, widened or narrowed to 8 bits.
class TChannel {
 public:
  TChannel() = default;
  explicit TChannel(std::uint32_t mask) : mask_(mask) {
    if (mask != 0) {
      shift_ = std::countr_zero(mask);
      bits_ = std::bit_width(mask >> shift_);
    }
  }
  bool Present() const noexcept { return mask_ != 0; }
  std::uint8_t Extract(std::uint32_t pixel) const noexcept {
    if (mask_ == 0) {
      return 0;
    }
    const std::uint32_t v = (pixel & mask_) >> shift_;
    if (bits_ >= 8) {
      return static_cast<std::uint8_t>(v >> (bits_ - 8));
    }
    return static_cast<std::uint8_t>(v * 255u / ((1u << bits_) - 1u));
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  int bits_ = 0;
};

struct TBmpLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // always positive; topDown says which way the rows run
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::array<std::uint32_t, 4> masks{};  // red, green, blue, alpha
  bool explicitMasks = false;
  std::size_t paletteOffset = 0;
  std::size_t paletteEntries = 0;
  std::size_t paletteEntrySize = 4;
  std::size_t pixelOffset = 0;
  std::uint64_t stride = 0;
};

TBmpLayout ReadLayout(std::span<const std::uint8_t> d, std::uint64_t maxPixels) {
  if (d.size() < kFileHeaderSize + 4 || d[0] != 'B' || d[1] != 'M') {
    Refuse("not a BMP file (no \"BM\" signature)");
  }
  TBmpLayout l;
  l.pixelOffset = ReadU32(d, 10);
  const std::uint32_t headerSize = ReadU32(d, 14);
  const bool core = headerSize == kCoreHeaderSize;
  if (!core && headerSize != kInfoHeaderSize && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124) {
    Refuse("unsupported header size " + std::to_string(headerSize));
  }
  std::uint64_t headerEnd = kFileHeaderSize + headerSize;
  if (d.size() < headerEnd) {
    Refuse("the header is cut short");
  }

  std::uint32_t colorsUsed = 0;
  int planes = 0;
  if (core) {
    l.width = ReadU16(d, 18);
    l.height = ReadU16(d, 20);
    planes = ReadU16(d, 22);
    l.bitCount = ReadU16(d, 24);
    l.paletteEntrySize = 3;
  } else {
    l.width = ReadS32(d, 18);
    const std::int64_t height = ReadS32(d, 22);
    l.topDown = height < 0;
    l.height = height < 0 ? -height : height;
    planes = ReadU16(d, 26);
    l.bitCount = ReadU16(d, 28);
    l.compression = ReadU32(d, 30);
    colorsUsed = ReadU32(d, 46);
  }

  if (planes != 1) {
    Refuse(std::to_string(planes) + " planes instead of 1");
  }
  switch (l.compression) {
    case kBiRgb:
      if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 16 && l.bitCount != 24 &&
          l.bitCount != 32) {
        Refuse("unsupported bit count " + std::to_string(l.bitCount));
      }
      break;
    case kBiBitFields:
    case kBiAlphaBitFields:
      if (l.bitCount != 16 && l.bitCount != 32) {
        Refuse("bit masks with a bit count of " + std::to_string(l.bitCount));
      }
      break;
    case kBiRle8:
    case kBiRle4:
      Refuse("run-length compressed bitmaps are not supported");
    case kBiJpeg:
    case kBiPng:
      Refuse("bitmaps holding JPEG or PNG data are not supported");
    default:
      Refuse("unknown compression " + std::to_string(l.compression));
  }
  if (core && (l.bitCount == 16 || l.bitCount == 32)) {
    Refuse("unsupported bit count " + std::to_string(l.bitCount));
  }

  if (l.width <= 0 || l.height <= 0 || l.width > INT_MAX || l.height > INT_MAX) {
    Refuse("impossible size " + std::to_string(l.width) + " x " + std::to_string(l.height));
  }
  const std::uint64_t pixels = static_cast<std::uint64_t>(l.width) * static_cast<std::uint64_t>(l.height);
  if (pixels > maxPixels) {
    Refuse(std::to_string(l.width) + " x " + std::to_string(l.height) + " pixels is more than the limit of " +
           std::to_string(maxPixels));
  }

  if (l.compression != kBiRgb) {
    l.explicitMasks = true;
    // A V2 header has room for three masks, V3 and later for four; behind a plain header, alpha bit
    // fields add a fourth.
    const std::size_t maskCount = headerSize == kInfoHeaderSize ? (l.compression == kBiAlphaBitFields ? 4 : 3)
                                                                : (headerSize >= 56 ? 4 : 3);
    std::size_t at = kFileHeaderSize + kInfoHeaderSize;  // in the header from V2 on, else just behind it
    if (headerSize == kInfoHeaderSize) {
      headerEnd += maskCount * 4;
      if (d.size() < headerEnd) {
        Refuse("the bit masks are cut short");
      }
    }
    for (std::size_t i = 0; i < maskCount; ++i, at += 4) {
      l.masks[i] = ReadU32(d, at);
    }
  } else if (l.bitCount == 16) {
    l.masks = {0x7C00, 0x03E0, 0x001F, 0};
  } else if (l.bitCount == 32) {
    l.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  }
  if (l.bitCount == 32 && l.masks[3] == 0) {
    l.masks[3] = 0xFF000000;  // no alpha mask: the fourth byte is the alpha, as in plain 32-bit rows
  }

  l.paletteOffset = headerEnd;
  std::uint64_t paletteEnd = headerEnd;
  if (l.bitCount <= 8) {
    const std::uint64_t maxEntries = std::uint64_t{1} << l.bitCount;
    l.paletteEntries = colorsUsed == 0 ? maxEntries : std::min<std::uint64_t>(colorsUsed, maxEntries);
    paletteEnd += l.paletteEntries * l.paletteEntrySize;
    if (d.size() < paletteEnd) {
      Refuse("the colour table is cut short");
    }
  }
  if (l.pixelOffset < paletteEnd) {
    Refuse("the pixel data offset " + std::to_string(l.pixelOffset) + " lies inside the headers");
  }

  l.stride = (static_cast<std::uint64_t>(l.width) * static_cast<std::uint64_t>(l.bitCount) + 31) / 32 * 4;
  const std::uint64_t needed = l.stride * static_cast<std::uint64_t>(l.height);
  if (l.pixelOffset > d.size() || d.size() - l.pixelOffset < needed) {
    Refuse("the pixel data are cut short (" + std::to_string(needed) + " bytes needed at offset " +
           std::to_string(l.pixelOffset) + ", the file has " + std::to_string(d.size()) + ")");
  }
  return l;
}

void DecodeRows(std::span<const std::uint8_t> d, const TBmpLayout& l, TRaster& raster) {
  const std::size_t outBytes = raster.BytesPerPixel();
  const std::size_t width = static_cast<std::size_t>(l.width);
  const std::size_t height = static_cast<std::size_t>(l.height);

  std::array<std::array<std::uint8_t, 3>, 256> palette{};  // entries past the table stay black
  for (std::size_t i = 0; i < l.paletteEntries; ++i) {
    const std::size_t at = l.paletteOffset + i * l.paletteEntrySize;
    palette[i] = {d[at + 2], d[at + 1], d[at]};
  }
  const TChannel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);

  for (std::size_t fileRow = 0; fileRow < height; ++fileRow) {
    const std::size_t rowStart = l.pixelOffset + fileRow * l.stride;
    const std::uint8_t* src = d.data() + rowStart;
    const std::size_t outRow = l.topDown ? fileRow : height - 1 - fileRow;
    std::uint8_t* dst = raster.pixels.data() + outRow * width * outBytes;
    for (std::size_t x = 0; x < width; ++x, dst += outBytes) {
      switch (l.bitCount) {
        case 1:
        case 4:
        case 8: {
          const std::size_t bit = x * static_cast<std::size_t>(l.bitCount);
          const unsigned shift = 8 - l.bitCount - bit % 8;  // the leftmost pixel is in the high bits
          const unsigned index = (src[bit / 8] >> shift) & ((1u << l.bitCount) - 1u);
          std::copy_n(palette[index].begin(), 3, dst);
          break;
        }
        case 24:
          dst[0] = src[x * 3 + 2];
          dst[1] = src[x * 3 + 1];
          dst[2] = src[x * 3];
          break;
        default: {
          const std::uint32_t pixel =
              l.bitCount == 16 ? ReadU16(d, rowStart + x * 2) : ReadU32(d, rowStart + x * 4);
          dst[0] = red.Extract(pixel);
          dst[1] = green.Extract(pixel);
          dst[2] = blue.Extract(pixel);
          if (outBytes == 4) {
            dst[3] = alpha.Extract(pixel);
          }
        }
      }
    }
  }
}

}  // namespace

TRaster DecodeBmp(std::span<const std::uint8_t> data, std::uint64_t maxPixels) {
  const TBmpLayout layout = ReadLayout(data, maxPixels);
  TRaster raster;
  raster.width = static_cast<int>(layout.width);
  raster.height = static_cast<int>(layout.height);
  raster.format = layout.bitCount == 32 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
  raster.pixels.resize(static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height) *
                       raster.BytesPerPixel());
  DecodeRows(data, layout, raster);
  return raster;
}

std::vector<std::uint8_t> EncodeBmp(const TRaster& raster) {
  const std::uint64_t bytesPerPixel = raster.BytesPerPixel();
  const std::uint64_t stride = (static_cast<std::uint64_t>(raster.width) * bytesPerPixel + 3) / 4 * 4;
  const std::uint64_t imageSize = stride * static_cast<std::uint64_t>(raster.height);
  const std::uint64_t offset = kFileHeaderSize + kInfoHeaderSize;
  if (raster.Empty() || offset + imageSize > UINT32_MAX ||
      raster.pixels.size() != static_cast<std::uint64_t>(raster.width) * raster.height * bytesPerPixel) {
    throw EPictureError("EncodeBmp: cannot store a " + std::to_string(raster.width) + " x " +
                        std::to_string(raster.height) + " picture as a bitmap");
  }
  std::vector<std::uint8_t> out;
  out.reserve(offset + imageSize);
  out.push_back('B');
  out.push_back('M');
  WriteU32(out, static_cast<std::uint32_t>(offset + imageSize));
  WriteU32(out, 0);  // reserved
  WriteU32(out, static_cast<std::uint32_t>(offset));
  WriteU32(out, kInfoHeaderSize);
  WriteU32(out, static_cast<std::uint32_t>(raster.width));
  WriteU32(out, static_cast<std::uint32_t>(raster.height));  // positive: bottom-up
  WriteU16(out, 1);                                          // planes
  WriteU16(out, static_cast<std::uint16_t>(bytesPerPixel * 8));
  WriteU32(out, kBiRgb);
  WriteU32(out, static_cast<std::uint32_t>(imageSize));
  WriteU32(out, 2835);  // 72 dpi, horizontally and vertically
  WriteU32(out, 2835);
  WriteU32(out, 0);  // colours used
  WriteU32(out, 0);  // important colours

  const std::size_t width = static_cast<std::size_t>(raster.width);
  for (std::size_t row = static_cast<std::size_t>(raster.height); row-- > 0;) {
    const std::uint8_t* src = raster.pixels.data() + row * width * bytesPerPixel;
    for (std::size_t x = 0; x < width; ++x, src += bytesPerPixel) {
      out.push_back(src[2]);
      out.push_back(src[1]);
      out.push_back(src[0]);
      if (bytesPerPixel == 4) {
        out.push_back(src[3]);
      }
    }
    out.resize(out.size() + (stride - width * bytesPerPixel), 0);
  }
  return out;
}

}  // namespace nimbrel::scene
