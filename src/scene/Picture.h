#pragma once
// A decoded picture (the globe's map or any BMP or JPEG the user chooses) and the loaders that make one.
// Pictures come from untrusted files: every loader either produces a complete picture or throws
// EPictureError and leaves the picture it was called on as it was.

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <QString>

namespace nimbrel::scene {

class EPictureError : public std::runtime_error {
 public:
  explicit EPictureError(const std::string& what) : std::runtime_error(what), reason_(what) {}
  EPictureError(const std::string& what, std::string reason)
      : std::runtime_error(what), reason_(std::move(reason)) {}
  // What is wrong with the file in a user's words ("the JPEG data ends too early"), without the place
  // in the code or the file's name: the window words the message around it.
  const std::string& Reason() const noexcept { return reason_; }

 private:
  std::string reason_;
};

enum class TPixelFormat { pf24bit, pf32bit };

// Pixels of a decoded picture, top row first, rows packed without padding, R, G, B (and A for 32-bit).
struct TRaster {
  int width = 0;
  int height = 0;
  TPixelFormat format = TPixelFormat::pf24bit;
  std::vector<std::uint8_t> pixels;

  std::size_t BytesPerPixel() const noexcept { return format == TPixelFormat::pf32bit ? 4 : 3; }
  bool Empty() const noexcept { return width <= 0 || height <= 0; }
};

// Which kind of graphic a picture holds; it decides how the picture is stored.
enum class TGraphicType { gtNone, gtBitmap, gtJpeg };

class TPicture {
 public:
  // 8192 x 8192: room for any sensible Earth map, and a bound on what one file can make us allocate.
  static constexpr std::uint64_t kDefaultMaxPixels = 8192ull * 8192ull;

  TPicture() = default;

  // A bitmap picture made from pixels (top row first, 3 or 4 bytes per pixel as `format` says).
  // Throws EPictureError when the buffer does not match the size.
  static TPicture FromPixels(int width, int height, TPixelFormat format, std::vector<std::uint8_t> pixels);

  int Width() const noexcept { return raster_.width; }
  int Height() const noexcept { return raster_.height; }
  TPixelFormat PixelFormat() const noexcept { return raster_.format; }
  bool Empty() const noexcept { return graphicType_ == TGraphicType::gtNone; }
  TGraphicType GraphicType() const noexcept { return graphicType_; }
  const TRaster& Raster() const noexcept { return raster_; }
  // The JPEG data a JPEG picture was decoded from, kept so that it can be stored again unchanged.
  std::span<const std::uint8_t> JpegData() const noexcept { return jpegData_; }

  void Clear() noexcept;

  // The largest width x height any loader accepts; checked from the header, before pixels are allocated.
  std::uint64_t MaxPixels() const noexcept { return maxPixels_; }
  void SetMaxPixels(std::uint64_t maxPixels) noexcept { maxPixels_ = maxPixels; }

  // Loads a ".bmp", ".jpg" or ".jpeg" file (the extension decides, in any letter case); Qt resource
  // paths (":/...") work too. A file that cannot be opened throws "Could not open file: <name>".
  void LoadFromFile(const QString& fileName);
  void LoadFromMemory(std::span<const std::uint8_t> data, TGraphicType type);

  // The stored form: a class name ("TJPEGImage" or "TBitmap") behind one length byte, a 4-byte
  // little-endian length and that many bytes of JPEG or BMP file data. An empty picture is stored as an
  // empty class name alone. ReadStored returns how many bytes it used.
  std::size_t ReadStored(std::span<const std::uint8_t> data);
  std::vector<std::uint8_t> WriteStored() const;

 private:
  void Decode(std::span<const std::uint8_t> data, TGraphicType type);

  TRaster raster_;
  TGraphicType graphicType_ = TGraphicType::gtNone;
  std::vector<std::uint8_t> jpegData_;
  std::uint64_t maxPixels_ = kDefaultMaxPixels;
};

}  // namespace nimbrel::scene
