#include "scene/EarthMap.h"

#include <gtest/gtest.h>

#include "scene/Graphics.h"

namespace nimbrel::scene {
namespace {

struct TRgb {
  int r, g, b;
};

// The map's pixel at a latitude and east longitude (degrees): equirectangular, antimeridian at the
// left edge, North Pole on the top row.
TRgb At(const TPicture& map, double latitude, double longitude) {
  const int x = static_cast<int>((longitude + 180.0) / 360.0 * map.Width());
  const int y = static_cast<int>((90.0 - latitude) / 180.0 * map.Height());
  const TRaster& r = map.Raster();
  const std::size_t at = (static_cast<std::size_t>(y) * r.width + x) * 3;
  return {r.pixels[at], r.pixels[at + 1], r.pixels[at + 2]};
}

TEST(EarthMap, TheProgramCarriesTheMap) {
  const QByteArray data = BuiltInEarthMapData();
  ASSERT_EQ(data.size(), 103624);  // assets/earth-map-1024x512.jpg
  EXPECT_EQ(static_cast<unsigned char>(data[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(data[1]), 0xD8);

  TPicture fromFile;
  fromFile.LoadFromFile(BuiltInEarthMapPath());
  EXPECT_EQ(fromFile.Width(), 1024);
}

TEST(EarthMap, DecodesToASensibleEarth) {
  const TPicture map = BuiltInEarthMap();
  ASSERT_EQ(map.Width(), 1024);
  ASSERT_EQ(map.Height(), 512);
  ASSERT_EQ(map.PixelFormat(), TPixelFormat::pf24bit);
  ASSERT_EQ(map.GraphicType(), TGraphicType::gtJpeg);

  // Open ocean is blue: the central Pacific, the South Pacific, the South Atlantic.
  for (const auto& [lat, lon] : {std::pair{0.0, -150.0}, {-30.0, -120.0}, {-25.0, -15.0}}) {
    const TRgb p = At(map, lat, lon);
    EXPECT_GT(p.b, p.r + 20) << lat << ", " << lon;
    EXPECT_GT(p.b, p.g) << lat << ", " << lon;
  }
  // The Sahara is sand, not sea.
  const TRgb sahara = At(map, 23.0, 10.0);
  EXPECT_GT(sahara.r, sahara.b + 40);

  // The top row is the Arctic ice, bright across its whole width.
  long sum[3] = {0, 0, 0};
  for (int x = 0; x < map.Width(); ++x) {
    const TRgb p = At(map, 90.0, -180.0 + 360.0 * x / map.Width());
    sum[0] += p.r;
    sum[1] += p.g;
    sum[2] += p.b;
  }
  for (long s : sum) {
    EXPECT_GT(s / map.Width(), 180);
  }
}

TEST(EarthMap, BecomesAnUnstretchedBottomUpBitmap) {
  const TPicture map = BuiltInEarthMap();
  const TBitmap32 b(map);
  ASSERT_EQ(b.Width(), 1024);
  ASSERT_EQ(b.Height(), 512);
  // The North Pole row is the last one in memory, so it lands at texture t = 1.
  const TRaster& r = map.Raster();
  for (int x = 0; x < 1024; x += 97) {
    const TPixel32 top = b.Pixel(x, 511);
    EXPECT_EQ(top.r, r.pixels[x * 3]);
    EXPECT_EQ(top.g, r.pixels[x * 3 + 1]);
    EXPECT_EQ(top.b, r.pixels[x * 3 + 2]);
  }
}

}  // namespace
}  // namespace nimbrel::scene
