#pragma once
// The Earth map the program carries inside itself: a 1024 x 512 equirectangular JPEG whose left and
// right edges are the antimeridian and whose top row is the North Pole (NASA Blue Marble, see
// assets/README.md). It lives in the scene library's Qt resources, so any program linking the library
// can texture the globe with no file beside the executable.

#include <QByteArray>
#include <QString>

#include "scene/Picture.h"

namespace nimbrel::scene {

// The resource path of the map's JPEG file.
QString BuiltInEarthMapPath();

// The JPEG file's bytes.
QByteArray BuiltInEarthMapData();

// The map decoded. Throws EPictureError should the resource be missing or damaged.
TPicture BuiltInEarthMap();

// The Earth at night, its city lights, in the same orientation: 2048 x 1024, NASA's "Earth's City
// Lights" (see assets/README.md). Decoded only when asked for; throws as BuiltInEarthMap does.
QString BuiltInNightMapPath();
TPicture BuiltInNightMap();

}  // namespace nimbrel::scene
