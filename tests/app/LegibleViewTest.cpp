// What a user must be able to read in the view: the map beneath a whole catalogue, trails that never
// darken it, the footprint's edge where the primary stands on the horizon, the home's marker, and the
// night side with its city lights.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <deque>
#include <numbers>
#include <vector>

#include "../../bench/SyntheticSets.h"
#include "app/SceneContent.h"
#include "app/ViewMath.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"
#include "scene/Camera.h"
#include "scene/EarthMap.h"
#include "scene/LightSource.h"
#include "scene/Lines.h"
#include "scene/OffscreenRenderer.h"
#include "scene/Sphere.h"

namespace nimbrel::app {
namespace {

using orbit::TSatellite;
using scene::Float4;

// When the benchmarks' sets are fresh.
const orbit::TDateTime kNoon = orbit::EncodeDateTime(orbit::TCalendarTime{2021, 5, 1, 12, 0, 0, 0});
// Midnight at Greenwich.
const orbit::TDateTime kMidnight = orbit::EncodeDateTime(orbit::TCalendarTime{2021, 5, 1, 0, 0, 0, 0});

int MaxChannelDifference(const QColor& a, const QColor& b) {
  return std::max(
      {std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}
int Brightness(const QColor& c) {
  return c.red() + c.green() + c.blue();
}

class LegibleView : public testing::Test {
 protected:
  void SetUp() override {
    if (!renderer_.Ready()) GTEST_SKIP() << "no OpenGL: " << renderer_.ErrorText().toStdString();
    renderer_.SetCamera(&content_.MainCamera());
    renderer_.SetBackgroundColor(Qt::black);
  }
  void Show(const std::vector<const TSatellite*>& satellites, bool trails) {
    content_.RebuildMarkers(satellites, trails);
  }
  // The camera above a place, looking at the globe's centre.
  void LookAt(double lonDeg, double latDeg, int zoom = 4) {
    TViewState& view = content_.View();
    view.viewpoint = 0;
    view.viewLon = static_cast<float>(lonDeg);
    view.viewLat = static_cast<float>(latDeg);
    view.zoom = zoom;
    content_.PlaceCamera();
  }
  QImage Render() { return renderer_.RenderImage(); }
  QPointF Project(const Float4& point) const {
    Float4 eye, clip;
    scene::TransformFloat4(Float4{point.x, point.y, point.z, 1}, renderer_.ModelViewMatrix(), eye);
    scene::TransformFloat4(eye, renderer_.ProjectionMatrix(), clip);
    return {(clip.x / clip.w + 1) / 2 * kSide, (1 - clip.y / clip.w) / 2 * kSide};
  }

  static constexpr int kSide = 400;
  TSceneContent content_;
  // Declared after the scene content, so it goes first.
  scene::TOffscreenRenderer renderer_{content_.Scene1(), kSide, kSide};
};

TEST_F(LegibleView, TheGlobeKeepsItsMapsColourUnderTheWholeCatalogueAndTrailsNeverDarkenIt) {
  std::deque<TSatellite> catalogue;
  std::vector<const TSatellite*> all;
  for (int i = 0; i < 30000; ++i) {
    const bench::TSyntheticSet set = bench::SyntheticSet(i);
    catalogue.push_back(TSatellite::Create(set.name, set.line1, set.line2));
    all.push_back(&catalogue.back());
  }
  content_.View().viewpoint = 4;  // the Sun's: the globe all day, its map at its brightest
  // The primary alone, with its footprint and orbit line as the catalogue has them.
  Show({all.front()}, true);
  content_.UpdateScene(kNoon, {});
  const QImage bare = Render();
  Show(all, false);
  content_.UpdateScene(kNoon, {});
  const QImage points = Render();
  content_.RebuildTrails(true);
  content_.UpdateScene(kNoon, {});
  const QImage trails = Render();

  int globe = 0;
  int kept = 0;
  int darkened = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const QColor map = bare.pixelColor(x, y);
      if (Brightness(map) < 30) continue;  // space, or the ice at the edge of the dark side
      ++globe;
      const QColor withTrails = trails.pixelColor(x, y);
      kept += MaxChannelDifference(map, withTrails) <= 16 ? 1 : 0;
      const QColor withoutTrails = points.pixelColor(x, y);
      if (withTrails.red() < withoutTrails.red() - 1 || withTrails.green() < withoutTrails.green() - 1 ||
          withTrails.blue() < withoutTrails.blue() - 1) {
        ++darkened;
      }
    }
  }
  ASSERT_GT(globe, kSide * kSide / 3);
  // 69% at this size; the wider points and opaque black-tipped trails of before left 31%.
  EXPECT_GT(kept, globe * 60 / 100) << kept << " of " << globe;
  EXPECT_EQ(darkened, 0) << "pixels a trail made darker";
}

TEST_F(LegibleView, TheFootprintsEdgeIsWhereThePrimaryStandsOnTheHorizon) {
  const TSatellite iss =
      TSatellite::Create("ISS", "1 25544U 98067A   21121.00000000  .00001234  00000-0  30000-4 0  9990",
                         "2 25544  51.6450 200.0000 0002000 100.0000 260.0000 15.48900000    10");
  Show({&iss}, false);
  content_.View().zoom = 2;
  content_.View().viewpoint = 2;  // straight above the primary
  content_.UpdateScene(kNoon, {});
  ASSERT_TRUE(content_.FootprintEdge().Visible());
  const QImage frame = Render();
  const Float4 s = content_.Markers()[0]->Position().AsFloat4();
  const double r = std::sqrt(double(s.x) * s.x + double(s.y) * s.y + double(s.z) * s.z);
  const double cosAngle = kEarthRadius / r;
  // Two unit vectors across the primary's direction.
  const double ux = s.x / r, uy = s.y / r, uz = s.z / r;
  double ax = -uz, az = ux;
  const double a = std::sqrt(ax * ax + az * az);
  ax /= a;
  az /= a;
  const double bx = uy * az, by = uz * ax - ux * az, bz = -uy * ax;
  const TRgb colour = SatelliteColour(0);
  const auto edgeColour = [&](const QColor& c) {
    return std::abs(c.red() - colour.r) <= 8 && std::abs(c.green() - colour.g) <= 8 &&
           std::abs(c.blue() - colour.b) <= 8;
  };
  const auto onEdgeWithin = [&](const QPointF& p, int pixels) {
    for (int dy = -pixels; dy <= pixels; ++dy)
      for (int dx = -pixels; dx <= pixels; ++dx)
        if (edgeColour(frame.pixelColor(int(std::floor(p.x())) + dx, int(std::floor(p.y())) + dy)))
          return true;
    return false;
  };
  const double sinAngle = std::sqrt(1 - cosAngle * cosAngle);
  int found = 0;
  for (int k = 0; k < 24; ++k) {
    const double phi = k * std::numbers::pi / 12;
    const auto onGround = [&](double scale) {
      const double c = sinAngle * std::cos(phi) * scale, d = sinAngle * std::sin(phi) * scale;
      const double cz = std::sqrt(1 - c * c - d * d);
      return Float4{float(kEarthRadius * (cz * ux + c * ax + d * bx)),
                    float(kEarthRadius * (cz * uy + d * by)),
                    float(kEarthRadius * (cz * uz + c * az + d * bz)), 1};
    };
    const QPointF edge = Project(onGround(1));
    // Where the geometry puts it, within a pixel; clear of it a little inside, on the patch.
    found += onEdgeWithin(edge, 1) ? 1 : 0;
    EXPECT_FALSE(onEdgeWithin(Project(onGround(0.9)), 0)) << "the edge drawn inside at " << k;
  }
  EXPECT_GE(found, 23) << "of 24 places on the edge";  // the orbit line may cross one

  // Hidden with the spotlight when "Daylight" is off.
  content_.UpdateScene(kNoon, {true, false});
  EXPECT_FALSE(content_.FootprintEdge().Visible());
  EXPECT_FALSE(content_.FootprintSpotlight().Shining());
}

TEST_F(LegibleView, TheHomeIsMarkedInItsOwnColourAndFollowsANewHome) {
  const auto homeColour = [](const QColor& c) {
    return MaxChannelDifference(c, QColor(TSceneContent::kHomeColour.r, TSceneContent::kHomeColour.g,
                                          TSceneContent::kHomeColour.b)) <= 8;
  };
  content_.SetHome(-3.2, 56.0);
  content_.UpdateScene(kNoon, {});
  LookAt(-3.2, 56.0);
  EXPECT_TRUE(homeColour(Render().pixelColor(kSide / 2, kSide / 2)));
  LookAt(20, 56.0);
  EXPECT_FALSE(homeColour(Render().pixelColor(kSide / 2, kSide / 2)));
  content_.SetHome(20, 56.0);
  // By night too: the marker is not lit by the Sun.
  content_.UpdateScene(kMidnight, {});
  EXPECT_TRUE(homeColour(Render().pixelColor(kSide / 2, kSide / 2)));
}

// The brightest few pixels of the city-lights map within a stretch of longitude and latitude.
struct TBrightPlace {
  double lonDeg = 0;
  double latDeg = 0;
};
TBrightPlace BrightestLights(double lonFrom, double lonTo, double latFrom, double latTo) {
  const scene::TPicture lights = scene::BuiltInNightMap();
  const scene::TRaster& raster = lights.Raster();
  const auto column = [&](double lon) { return int((lon + 180) / 360 * raster.width); };
  const auto row = [&](double lat) { return int((90 - lat) / 180 * raster.height); };
  int best = -1;
  TBrightPlace place;
  for (int y = row(latTo); y < row(latFrom); ++y) {
    for (int x = column(lonFrom); x < column(lonTo); ++x) {
      const std::size_t at = (std::size_t(y) * raster.width + x) * raster.BytesPerPixel();
      const int value = raster.pixels[at] + raster.pixels[at + 1] + raster.pixels[at + 2];
      if (value > best) {
        best = value;
        place = {(x + 0.5) / raster.width * 360 - 180, 90 - (y + 0.5) / raster.height * 180};
      }
    }
  }
  return place;
}

TEST_F(LegibleView, CityLightsDarkenTheNightAndLightItsCitiesAndLeaveTheDayAsItWas) {
  // At midnight in May, the Sun 25 degrees below Western Europe's horizon and 50 below the Sahara's.
  const TBrightPlace city = BrightestLights(-5, 10, 44, 53);
  const TBrightPlace desert{5, 23};
  const TDisplayChoices noFootprint{false, true};
  // A marker, for the Sun's viewpoint follows the Sun only with one.
  const TSatellite iss =
      TSatellite::Create("ISS", "1 25544U 98067A   21121.00000000  .00001234  00000-0  30000-4 0  9990",
                         "2 25544  51.6450 200.0000 0002000 100.0000 260.0000 15.48900000    10");
  Show({&iss}, false);
  const auto centre = [&](double lonDeg, double latDeg) {
    LookAt(lonDeg, latDeg, 1);
    return Render().pixelColor(kSide / 2, kSide / 2);
  };
  content_.UpdateScene(kMidnight, noFootprint);
  const QColor cityDimmed = centre(city.lonDeg, city.latDeg);
  const QColor desertDimmed = centre(desert.lonDeg, desert.latDeg);
  content_.View().viewpoint = 4;
  content_.UpdateScene(kMidnight, noFootprint);
  const QImage noonDimmed = Render();

  content_.SetNightLook(TNightLook::nlCityLights);
  const QImage noonLights = Render();
  const QColor cityLights = centre(city.lonDeg, city.latDeg);
  const QColor desertLights = centre(desert.lonDeg, desert.latDeg);
  // Dark where the Dimmed night still shows the map plainly, and the city brighter than by day.
  EXPECT_LT(3 * Brightness(desertLights), Brightness(desertDimmed))
      << desertLights.name().toStdString() << " " << desertDimmed.name().toStdString();
  EXPECT_GT(Brightness(cityLights), Brightness(cityDimmed) + 150)
      << cityLights.name().toStdString() << " " << cityDimmed.name().toStdString();
  // Markers made anew keep the night side beneath them.
  Show({&iss}, false);
  EXPECT_EQ(centre(desert.lonDeg, desert.latDeg), desertLights);

  // Below the Sun, as before.
  int worst = 0;
  for (int dy = -20; dy <= 20; ++dy)
    for (int dx = -20; dx <= 20; ++dx)
      worst = std::max(worst, MaxChannelDifference(noonDimmed.pixelColor(kSide / 2 + dx, kSide / 2 + dy),
                                                   noonLights.pixelColor(kSide / 2 + dx, kSide / 2 + dy)));
  EXPECT_LE(worst, 2);

  // "Daylight" off: the even light of either look, no night at all.
  content_.UpdateScene(kMidnight, {false, false});
  const QImage even = Render();
  content_.SetNightLook(TNightLook::nlDimmed);
  EXPECT_EQ(even, Render());
}

}  // namespace
}  // namespace nimbrel::app
