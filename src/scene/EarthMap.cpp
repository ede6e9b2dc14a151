#include "scene/EarthMap.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include <QFile>

// Q_INIT_RESOURCE must not be used inside a namespace. The resource lives in a static library, where
// nothing else would make the linker keep it.
static void RegisterSceneAssets() {
  Q_INIT_RESOURCE(scene_assets);
}

namespace nimbrel::scene {

namespace {

QString ResourcePath(const char* name) {
  static const bool registered = (RegisterSceneAssets(), true);
  (void)registered;
  return QStringLiteral(":/nimbrel/") + QLatin1String(name);
}

QByteArray ResourceData(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  return file.readAll();
}

TPicture DecodeResource(const char* function, const QString& path) {
  const QByteArray data = ResourceData(path);
  if (data.isEmpty()) {
    throw EPictureError(std::string(function) + ": the resource " + path.toStdString() +
                        " is missing from the program");
  }
  TPicture picture;
  picture.LoadFromMemory(std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                   static_cast<std::size_t>(data.size())),
                         TGraphicType::gtJpeg);
  return picture;
}

}  // namespace

QString BuiltInEarthMapPath() {
  return ResourcePath("earth-map-1024x512.jpg");
}

QByteArray BuiltInEarthMapData() {
  return ResourceData(BuiltInEarthMapPath());
}

TPicture BuiltInEarthMap() {
  return DecodeResource("BuiltInEarthMap", BuiltInEarthMapPath());
}

QString BuiltInNightMapPath() {
  return ResourcePath("earth-night-2048x1024.jpg");
}

TPicture BuiltInNightMap() {
  return DecodeResource("BuiltInNightMap", BuiltInNightMapPath());
}

}  // namespace nimbrel::scene
