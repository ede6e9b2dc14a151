#include "scene/Picture.h"

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include <QFile>
#include <QFileInfo>

#include "scene/ImageCodecs.h"

namespace nimbrel::scene {

namespace {

constexpr std::string_view kJpegClassName = "TJPEGImage";
constexpr std::string_view kBitmapClassName = "TBitmap";
constexpr const char* kTooLarge = "the file is larger than any picture that can be used";

// Room for a 32-bit bitmap of the largest accepted size, plus generous space for headers and the
// metadata a JPEG may carry; anything bigger cannot be a picture we would accept.
std::uint64_t MaxFileBytes(std::uint64_t maxPixels) {
  constexpr std::uint64_t kSlack = 16u << 20;
  return maxPixels > (UINT64_MAX - kSlack) / 4 ? UINT64_MAX : maxPixels * 4 + kSlack;
}

std::vector<std::uint8_t> ReadWholeFile(QFile& file, std::uint64_t maxBytes, const std::string& name) {
  std::vector<std::uint8_t> bytes;
  if (!file.isSequential()) {
    if (static_cast<std::uint64_t>(file.size()) > maxBytes) {
      throw EPictureError("TPicture::LoadFromFile: '" + name + "' is larger than any picture we accept (" +
                              std::to_string(file.size()) + " bytes)",
                          kTooLarge);
    }
    bytes.reserve(static_cast<std::size_t>(file.size()));
  }
  std::array<char, 64 * 1024> chunk;
  for (;;) {
    const qint64 n = file.read(chunk.data(), static_cast<qint64>(chunk.size()));
    if (n < 0) {
      throw EPictureError(
          "TPicture::LoadFromFile: cannot read '" + name + "': " + file.errorString().toStdString(),
          "the file cannot be read (" + file.errorString().toStdString() + ")");
    }
    if (n == 0) {
      return bytes;
    }
    if (bytes.size() + static_cast<std::uint64_t>(n) > maxBytes) {
      throw EPictureError("TPicture::LoadFromFile: '" + name + "' is larger than any picture we accept",
                          kTooLarge);
    }
    bytes.insert(bytes.end(), chunk.data(), chunk.data() + n);
  }
}

TGraphicType GraphicTypeOfExtension(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  if (suffix == QLatin1String("bmp")) {
    return TGraphicType::gtBitmap;
  }
  if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
    return TGraphicType::gtJpeg;
  }
  return TGraphicType::gtNone;
}

void AppendStored(std::vector<std::uint8_t>& out, std::string_view className,
                  std::span<const std::uint8_t> data) {
  if (data.size() > UINT32_MAX) {
    throw EPictureError("TPicture::WriteStored: " + std::to_string(data.size()) +
                        " bytes do not fit the stored form's 32-bit length");
  }
  out.push_back(static_cast<std::uint8_t>(className.size()));
  out.insert(out.end(), className.begin(), className.end());
  const auto length = static_cast<std::uint32_t>(data.size());
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>(length >> shift));
  }
  out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

TPicture TPicture::FromPixels(int width, int height, TPixelFormat format, std::vector<std::uint8_t> pixels) {
  TPicture picture;
  picture.raster_.format = format;
  const std::uint64_t expected = width > 0 && height > 0 ? static_cast<std::uint64_t>(width) *
                                                               static_cast<std::uint64_t>(height) *
                                                               picture.raster_.BytesPerPixel()
                                                         : 0;
  if (expected == 0 || pixels.size() != expected) {
    throw EPictureError("TPicture::FromPixels: " + std::to_string(pixels.size()) + " bytes for a " +
                        std::to_string(width) + " x " + std::to_string(height) + " picture");
  }
  picture.raster_.width = width;
  picture.raster_.height = height;
  picture.raster_.pixels = std::move(pixels);
  picture.graphicType_ = TGraphicType::gtBitmap;
  return picture;
}

void TPicture::Clear() noexcept {
  raster_ = TRaster{};
  graphicType_ = TGraphicType::gtNone;
  jpegData_ = std::vector<std::uint8_t>();
}

void TPicture::LoadFromFile(const QString& fileName) {
  const std::string name = fileName.toStdString();
  QFile file(fileName);
  // The picture is left as it was: a user who picks a wrong file keeps the map they had.
  if (!file.open(QIODevice::ReadOnly)) {
    throw EPictureError("Could not open file: " + name);
  }
  const TGraphicType type = GraphicTypeOfExtension(fileName);
  if (type == TGraphicType::gtNone) {
    throw EPictureError("TPicture::LoadFromFile: unknown picture file extension '." +
                            QFileInfo(fileName).suffix().toStdString() + "' in '" + name + "'",
                        "only .bmp, .jpg and .jpeg pictures can be read");
  }
  const std::vector<std::uint8_t> bytes = ReadWholeFile(file, MaxFileBytes(maxPixels_), name);
  try {
    Decode(bytes, type);
  } catch (const EPictureError& e) {
    throw EPictureError("TPicture::LoadFromFile: '" + name + "': " + e.what(), e.Reason());
  }
}

void TPicture::LoadFromMemory(std::span<const std::uint8_t> data, TGraphicType type) {
  try {
    Decode(data, type);
  } catch (const EPictureError& e) {
    throw EPictureError(std::string("TPicture::LoadFromMemory: ") + e.what(), e.Reason());
  }
}

// Decodes first and only then replaces the picture, so that a failure leaves it untouched.
void TPicture::Decode(std::span<const std::uint8_t> data, TGraphicType type) {
  switch (type) {
    case TGraphicType::gtJpeg: {
      TRaster raster = DecodeJpeg(data, maxPixels_);
      std::vector<std::uint8_t> jpeg(data.begin(), data.end());
      raster_ = std::move(raster);
      jpegData_ = std::move(jpeg);
      graphicType_ = TGraphicType::gtJpeg;
      return;
    }
    case TGraphicType::gtBitmap:
      raster_ = DecodeBmp(data, maxPixels_);
      jpegData_ = std::vector<std::uint8_t>();
      graphicType_ = TGraphicType::gtBitmap;
      return;
    case TGraphicType::gtNone:
      break;
  }
  throw EPictureError("no graphic type given");
}

std::size_t TPicture::ReadStored(std::span<const std::uint8_t> data) {
  if (data.empty()) {
    throw EPictureError("TPicture::ReadStored: no data");
  }
  const std::size_t nameLength = data[0];
  if (nameLength == 0) {
    Clear();
    return 1;
  }
  if (data.size() < 1 + nameLength + 4) {
    throw EPictureError("TPicture::ReadStored: the stored picture is cut short");
  }
  const std::string_view className(reinterpret_cast<const char*>(data.data() + 1), nameLength);
  TGraphicType type = TGraphicType::gtNone;
  if (className == kJpegClassName) {
    type = TGraphicType::gtJpeg;
  } else if (className == kBitmapClassName) {
    type = TGraphicType::gtBitmap;
  } else {
    throw EPictureError("TPicture::ReadStored: unknown graphic class '" + std::string(className) + "'");
  }
  const std::size_t at = 1 + nameLength;
  const std::uint64_t length = std::uint64_t{data[at]} | std::uint64_t{data[at + 1]} << 8 |
                               std::uint64_t{data[at + 2]} << 16 | std::uint64_t{data[at + 3]} << 24;
  if (data.size() - (at + 4) < length) {
    throw EPictureError("TPicture::ReadStored: " + std::string(className) + " data of " +
                        std::to_string(length) + " bytes, only " + std::to_string(data.size() - (at + 4)) +
                        " present");
  }
  try {
    Decode(data.subspan(at + 4, static_cast<std::size_t>(length)), type);
  } catch (const EPictureError& e) {
    throw EPictureError(std::string("TPicture::ReadStored: ") + e.what());
  }
  return at + 4 + static_cast<std::size_t>(length);
}

std::vector<std::uint8_t> TPicture::WriteStored() const {
  std::vector<std::uint8_t> out;
  switch (graphicType_) {
    case TGraphicType::gtNone:
      out.push_back(0);
      break;
    case TGraphicType::gtJpeg:
      AppendStored(out, kJpegClassName, jpegData_);
      break;
    case TGraphicType::gtBitmap:
      AppendStored(out, kBitmapClassName, EncodeBmp(raster_));
      break;
  }
  return out;
}

}  // namespace nimbrel::scene
