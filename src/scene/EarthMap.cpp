#include "scene/EarthMap.h"

#include <cstddef>
#include <cstdint>
#include <span>

#include <QFile>

// Q_INIT_RESOURCE must not be used inside a namespace. The resource lives in a static library, where
// nothing else would make the linker keep it.
static void RegisterSceneAssets() {
  Q_INIT_RESOURCE(scene_assets);
}

namespace nimbrel::scene {

QString BuiltInEarthMapPath() {
  static const bool registered = (RegisterSceneAssets(), true);
  (void)registered;
  return QStringLiteral(":/nimbrel/earth-map-1024x512.jpg");
}

QByteArray BuiltInEarthMapData() {
  QFile file(BuiltInEarthMapPath());
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  return file.readAll();
}

TPicture BuiltInEarthMap() {
  const QByteArray data = BuiltInEarthMapData();
  if (data.isEmpty()) {
    throw EPictureError("BuiltInEarthMap: the resource " + BuiltInEarthMapPath().toStdString() +
                        " is missing from the program");
  }
  TPicture picture;
  picture.LoadFromMemory(std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                   static_cast<std::size_t>(data.size())),
                         TGraphicType::gtJpeg);
  return picture;
}

}  // namespace nimbrel::scene
