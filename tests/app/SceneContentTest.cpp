// The main view's scene: what the window starts with, the markers and their trails, and what one update
// does to the lights, the markers, the orbit line, the status texts and the camera.

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "app/SceneContent.h"
#include "app/ViewMath.h"
#include "orbit/Geometry.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"
#include "orbit/SunMoon.h"
#include "scene/Camera.h"
#include "scene/LightSource.h"
#include "scene/Lines.h"
#include "scene/OffscreenRenderer.h"
#include "scene/Scene.h"
#include "scene/Sphere.h"

namespace nimbrel::app {
namespace {

using orbit::TSatellite;
using scene::Float4;

// The two element sets the program falls back on when it finds no Kepler data.
TSatellite Hst() {
  return TSatellite::Create("HST", "1 20580U 90037B   06002.55377201 +.00000866 +00000-0 +55032-4 0 05054",
                            "2 20580 028.4685 049.5419 0003844 224.6250 135.4033 14.99938437660202");
}
TSatellite Iss() {
  return TSatellite::Create("ISS", "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
                            "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269");
}
TSatellite Geosynchronous() {
  return TSatellite::Create("GEO TEST",
                            "1 99901U 06040A   06040.50000000 -.00000100  00000-0  10000-3 0    17",
                            "2 99901   0.0500  85.0000 0002000  90.0000 180.0000  1.00271000  1000");
}
// The ISS set with a drag term so large that it has come down within weeks of its epoch.
TSatellite Decaying() {
  TSatellite s = Iss();
  orbit::TElementSet e = s.Elements();
  // Strong enough drag to bring it down within about 12 days, mild enough for a whole orbit at kT0.
  e.bStar = 0.01;
  s.SetElementSet(e);
  s.SetName("FALLING");
  return s;
}

orbit::TDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  return orbit::EncodeDateTime(orbit::TCalendarTime{year, month, day, hour, minute, second, 0});
}
// Shortly after the ISS set's epoch.
const orbit::TDateTime kT0 = At(2006, 1, 3, 20, 0);

float Length(const Float4& v) {
  return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
float Distance(const Float4& a, const Float4& b) {
  return Length(Float4{a.x - b.x, a.y - b.y, a.z - b.z, 0});
}
float Cosine(const Float4& a, const Float4& b) {
  return (a.x * b.x + a.y * b.y + a.z * b.z) / (Length(a) * Length(b));
}
Float4 Rgb(int r, int g, int b) {
  return Float4{r / 255.0f, g / 255.0f, b / 255.0f, 1};
}
void ExpectColour(const scene::TColor& c, const Float4& expected, const char* what) {
  EXPECT_NEAR(c.Red(), expected.x, 1e-6) << what;
  EXPECT_NEAR(c.Green(), expected.y, 1e-6) << what;
  EXPECT_NEAR(c.Blue(), expected.z, 1e-6) << what;
  EXPECT_NEAR(c.Alpha(), expected.w, 1e-6) << what;
}

class SceneContent : public testing::Test {
 protected:
  void Show(std::vector<TSatellite*> satellites, bool trails = false) {
    std::vector<const TSatellite*> list(satellites.begin(), satellites.end());
    content_.RebuildMarkers(list, trails);
  }
  scene::TLines& GraticuleLine(int i) {
    // After the Sun, the globe, the spotlight and the orbit line.
    return dynamic_cast<scene::TLines&>(content_.Scene1().ObjectRoot().Child(4 + i));
  }

  TSceneContent content_;
  TSatellite hst_ = Hst();
  TSatellite iss_ = Iss();
};

TEST_F(SceneContent, StartsWithTheFixedObjectsInOrder) {
  scene::TSceneRootObject& root = content_.Scene1().ObjectRoot();
  ASSERT_EQ(root.Count(), 4 + 11 + 2);
  EXPECT_EQ(&root.Child(0), &content_.LightSourceSun());
  EXPECT_EQ(&root.Child(1), &content_.SphereEarth());
  EXPECT_EQ(&root.Child(2), &content_.FootprintSpotlight());
  EXPECT_EQ(&root.Child(3), &content_.OrbitLines());
  // After the graticule: the footprint's edge, hidden until a primary is placed, and the home's marker.
  EXPECT_EQ(&root.Child(15), &content_.FootprintEdge());
  EXPECT_FALSE(content_.FootprintEdge().Visible());
  EXPECT_EQ(&root.Child(16), &content_.HomeMarker());
  EXPECT_EQ(content_.MainCamera().TargetObject(), &content_.SphereEarth());
  EXPECT_FLOAT_EQ(content_.SphereEarth().Radius(), kEarthRadius);
  EXPECT_TRUE(content_.SphereEarth().Material().Texture().Enabled());
  EXPECT_FALSE(content_.SphereEarth().Material().Texture().Image().Empty());

  const scene::TLines& orbit = content_.OrbitLines();
  EXPECT_EQ(orbit.NodeCount(), 73);
  EXPECT_EQ(orbit.LinePattern(), 0);  // not drawn until the window says so
  ExpectColour(orbit.LineColor(), Rgb(255, 80, 48), "orbit line");
  for (int i = 0; i < orbit.NodeCount(); ++i) EXPECT_EQ(Length(orbit.Node(i).AsFloat4()), 0) << i;
}

TEST_F(SceneContent, GraticuleHasSixMeridiansAndFiveParallels) {
  const float r = 1.003f * kEarthRadius;
  const Float4 dark = Rgb(0, 80, 0);
  const Float4 light = Rgb(0, 128, 32);
  const int nodeCounts[11] = {33, 33, 33, 33, 33, 33, 17, 29, 33, 29, 17};
  for (int i = 0; i < 11; ++i) {
    const scene::TLines& line = GraticuleLine(i);
    EXPECT_EQ(line.NodeCount(), nodeCounts[i]) << "line " << i;
    const bool darker = i < 6 ? i % 3 == 0 : i == 8;  // 0/180, 90 E/W and the equator
    ExpectColour(line.LineColor(), darker ? dark : light, "graticule");
    for (int n = 0; n < line.NodeCount(); ++n) EXPECT_NEAR(Length(line.Node(n).AsFloat4()), r, 1e-4) << i;
    // Closed circles: the last node is the first again.
    EXPECT_LT(Distance(line.Node(0).AsFloat4(), line.Node(line.NodeCount() - 1).AsFloat4()), 1e-4) << i;
  }
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(GraticuleLine(i).TurnAngle(), 30.0f * i) << i;
  // The parallels at 60 S, 30 S, 0, 30 N, 60 N.
  for (int j = 0; j < 5; ++j) {
    EXPECT_NEAR(GraticuleLine(6 + j).Node(0).Y(), r * std::sin((j - 2) * std::numbers::pi / 6), 1e-4) << j;
  }
}

TEST_F(SceneContent, GlobeAppearanceFromQualityAndTopography) {
  const struct {
    int quality;
    int divisions;
  } rows[] = {{0, 36}, {1, 48}, {2, 64}, {3, 96}, {4, 128}, {5, 192}, {6, 48}, {-1, 48}, {-2, 48}};
  for (const auto& row : rows) {
    content_.ApplyGlobeAppearance(row.quality, 1);
    EXPECT_EQ(content_.SphereEarth().Slices(), row.divisions) << row.quality;
    EXPECT_EQ(content_.SphereEarth().Stacks(), row.divisions) << row.quality;
  }
  scene::TFaceProperties& front = content_.SphereEarth().Material().FrontProperties();
  const scene::TTexture& texture = content_.SphereEarth().Material().Texture();
  content_.ApplyGlobeAppearance(1, 0);
  EXPECT_TRUE(texture.Disabled());
  ExpectColour(front.Ambient(), Rgb(85, 113, 124), "plain ambient");
  ExpectColour(front.Diffuse(), Rgb(149, 200, 219), "plain diffuse");
  ExpectColour(front.Specular(), Rgb(51, 51, 51), "plain specular");
  // No topography item selected: the look stays as it was.
  content_.ApplyGlobeAppearance(2, -1);
  EXPECT_TRUE(texture.Disabled());
  ExpectColour(front.Ambient(), Rgb(85, 113, 124), "kept ambient");
  EXPECT_EQ(content_.SphereEarth().Slices(), 64);
  content_.ApplyGlobeAppearance(1, 1);
  EXPECT_TRUE(texture.Enabled());
  ExpectColour(front.Ambient(), Rgb(150, 150, 150), "image ambient");
  ExpectColour(front.Diffuse(), Rgb(210, 210, 210), "image diffuse");
  ExpectColour(front.Specular(), Rgb(64, 64, 64), "image specular");
}

TEST_F(SceneContent, ABadTextureFileKeepsTheMap) {
  const scene::TTexture& texture = content_.SphereEarth().Material().Texture();
  const int width = texture.Image().Width();
  EXPECT_ANY_THROW(content_.LoadTexture(QStringLiteral("/nonexistent/UserMapGL.jpg")));
  EXPECT_EQ(texture.Image().Width(), width);
  EXPECT_GT(width, 0);
}

TEST_F(SceneContent, MarkersAreColouredByIndexAndTaggedWithTheirSatellite) {
  std::vector<TSatellite*> ten(10, &hst_);
  ten[0] = &iss_;
  Show(ten);
  const auto& markers = content_.Markers();
  ASSERT_EQ(markers.size(), 10u);
  for (std::size_t i = 0; i < markers.size(); ++i) {
    EXPECT_EQ(markers[i]->Parent(), &content_.SphereEarth());
    EXPECT_FLOAT_EQ(markers[i]->Radius(), 0.07f);
    const TRgb c = SatelliteColour(static_cast<int>(i));
    ExpectColour(markers[i]->Material().FrontProperties().Ambient(), Rgb(c.r, c.g, c.b), "marker ambient");
    ExpectColour(markers[i]->Material().FrontProperties().Diffuse(), Rgb(48, 48, 48), "marker diffuse");
  }
  ExpectColour(markers[8]->Material().FrontProperties().Ambient(), Rgb(176, 16, 16), "ninth");
  ExpectColour(markers[9]->Material().FrontProperties().Ambient(), Rgb(192, 192, 192), "tenth is silver");
  EXPECT_EQ(TSceneContent::SatelliteOf(markers[0]), &iss_);
  EXPECT_EQ(TSceneContent::SatelliteOf(markers[9]), &hst_);
  EXPECT_EQ(TSceneContent::SatelliteOf(&content_.SphereEarth()), nullptr);
  EXPECT_EQ(TSceneContent::SatelliteOf(nullptr), nullptr);

  // A rebuild replaces them all.
  Show({&hst_});
  ASSERT_EQ(content_.Markers().size(), 1u);
  EXPECT_EQ(content_.SphereEarth().Count(), 1);
  EXPECT_EQ(TSceneContent::SatelliteOf(content_.Markers()[0]), &hst_);
}

TEST_F(SceneContent, TrailsSkipGeosynchronousSatellites) {
  TSatellite geo = Geosynchronous();
  ASSERT_LE(std::fabs(geo.PeriodDays() - 1), 0.01);
  Show({&iss_, &geo, &hst_}, true);
  const auto& markers = content_.Markers();
  EXPECT_EQ(markers[0]->Count(), 1);
  EXPECT_EQ(markers[1]->Count(), 0);
  EXPECT_EQ(markers[2]->Count(), 1);
  const auto& trail = dynamic_cast<const scene::TLines&>(markers[0]->Child(0));
  EXPECT_EQ(TSceneContent::SatelliteOf(&trail), &iss_);
  ASSERT_EQ(trail.NodeCount(), 2);
  EXPECT_FLOAT_EQ(trail.Node(1).Y(), 0.7f);
  EXPECT_EQ(trail.LinePattern(), 0xFFFF);
  ExpectColour(trail.LineColor(), Rgb(128, 128, 128), "trail");

  content_.RebuildTrails(true);  // asked again: still one trail each
  EXPECT_EQ(markers[0]->Count(), 1);
  content_.RebuildTrails(false);
  for (const auto* marker : markers) EXPECT_EQ(marker->Count(), 0);
}

TEST_F(SceneContent, DaylightAndFootprintChoices) {
  Show({&iss_});
  const struct {
    bool daylight, footprint;
    bool shining;
    float sunAmbient, sunDiffuse, globeAmbient;
  } rows[] = {
      {true, true, true, 0.65f, 0.5f, 0.8f},
      {true, false, false, 0.65f, 0.5f, 0.8f},
      {false, true, false, 1, 0, 1},  // even light: no footprint whatever the check box says
      {false, false, false, 1, 0, 1},
  };
  for (const auto& row : rows) {
    content_.UpdateScene(kT0, {row.footprint, row.daylight});
    const scene::TLightSource& sun = content_.LightSourceSun();
    EXPECT_EQ(content_.FootprintSpotlight().Shining(), row.shining) << row.daylight << row.footprint;
    EXPECT_FLOAT_EQ(sun.Ambient().Red(), row.sunAmbient) << row.daylight;
    EXPECT_FLOAT_EQ(sun.Diffuse().Green(), row.sunDiffuse) << row.daylight;
    EXPECT_FLOAT_EQ(sun.Specular().Blue(), row.sunDiffuse) << row.daylight;
    EXPECT_FLOAT_EQ(content_.SphereEarth().Material().FrontProperties().Ambient().Red(), row.globeAmbient);
  }
}

TEST_F(SceneContent, DayAndNightScaleTheChosenGlobeLookInsteadOfReplacingIt) {
  scene::TFaceProperties& front = content_.SphereEarth().Material().FrontProperties();
  for (const int item : {0, 1}) {
    content_.ApplyGlobeAppearance(1, item);
    const Float4 look = item == 0 ? Rgb(85, 113, 124) : Rgb(150, 150, 150);
    content_.UpdateScene(kT0, {true, true});
    ExpectColour(front.Ambient(), Float4{0.8f * look.x, 0.8f * look.y, 0.8f * look.z, 1}, "daylight");
    content_.UpdateScene(kT0, {true, false});
    ExpectColour(front.Ambient(), look, "no daylight");
  }
}

TEST_F(SceneContent, TheSunMovesOnlyAfterFiveSimulatedMinutes) {
  const auto sunAt = [&](orbit::TDateTime t) {
    content_.UpdateScene(t, {});
    return content_.LightSourceSun().Position().AsFloat4();
  };
  const Float4 first = sunAt(kT0);
  // Some 150 000 units away, towards the sub-solar point.
  EXPECT_NEAR(Length(first), 147100, 1500);
  const double minute = 1.0 / 1440;
  EXPECT_EQ(Distance(sunAt(kT0 + 4.9 * minute), first), 0);
  const Float4 later = sunAt(kT0 + 5.1 * minute);
  EXPECT_GT(Distance(later, first), 100);
  EXPECT_EQ(Distance(sunAt(kT0 + 9 * minute), later), 0);
  content_.ForgetSunTime();
  EXPECT_GT(Distance(sunAt(kT0 + 9 * minute), later), 100);
  // Going back in time counts as well.
  EXPECT_GT(Distance(sunAt(kT0 - 60 * minute), later), 100);
}

TEST_F(SceneContent, MarkersFollowTheirSatellites) {
  Show({&iss_, &hst_}, true);
  content_.UpdateScene(kT0, {});
  for (int i = 0; i < 2; ++i) {
    const scene::TSphere& marker = *content_.Markers()[static_cast<std::size_t>(i)];
    TSatellite& s = i == 0 ? iss_ : hst_;
    orbit::Vector4 p, v;
    s.Propagate(orbit::JulianDateFromDateTime(kT0), p, v);
    orbit::ConvertSatState(p, v);
    const auto expected = GeodeticToScene(p, orbit::JulianDateFromDateTime(kT0));
    ASSERT_TRUE(expected);
    EXPECT_TRUE(marker.Visible());
    EXPECT_NEAR(marker.Position().X(), expected->point.x, 1e-5) << i;
    EXPECT_NEAR(marker.Position().Y(), expected->point.y, 1e-5) << i;
    EXPECT_NEAR(marker.Position().Z(), expected->point.z, 1e-5) << i;
    // The trail axis points against the direction of motion.
    const TScenePoint d = VelocityToScene(v, orbit::JulianDateFromDateTime(kT0));
    EXPECT_NEAR(Cosine(marker.Up().AsFloat4(), Float4{-d.x, -d.y, -d.z, 0}), 1, 1e-5) << i;
  }
  // The footprint: at ten times the primary's distance, pointing at the centre, 2.61 degrees wide.
  const scene::TLightSource& spot = content_.FootprintSpotlight();
  const Float4 primary = content_.Markers()[0]->Position().AsFloat4();
  EXPECT_NEAR(Distance(spot.Position().AsFloat4(), Float4{10 * primary.x, 10 * primary.y, 10 * primary.z, 1}),
              0, 1e-3);
  EXPECT_NEAR(Cosine(spot.SpotDirection().AsFloat4(), Float4{-primary.x, -primary.y, -primary.z, 0}), 1,
              1e-6);
  EXPECT_NEAR(spot.SpotCutOff(), 2.61, 0.005);
}

TEST_F(SceneContent, ADecayedSetHidesOnlyItsOwnMarker) {
  TSatellite falling = Decaying();
  const double later = orbit::JulianDateFromDateTime(kT0 + 60);
  orbit::Vector4 p, v;
  ASSERT_FALSE(falling.TryPropagate(later, p, v)) << "the test set must have come down by then";
  ASSERT_TRUE(falling.TryPropagate(orbit::JulianDateFromDateTime(kT0), p, v));

  Show({&iss_, &falling, &hst_});
  content_.OrbitLines().SetLinePattern(0xFFFF);
  content_.UpdateScene(kT0 + 60, {});
  const auto& markers = content_.Markers();
  EXPECT_TRUE(markers[0]->Visible());
  EXPECT_FALSE(markers[1]->Visible());
  EXPECT_TRUE(markers[2]->Visible());
  EXPECT_GT(Length(markers[2]->Position().AsFloat4()), kEarthRadius);  // the one after it still moved
  EXPECT_TRUE(content_.FootprintSpotlight().Shining());
  EXPECT_TRUE(content_.OrbitLines().Visible());

  // Back at a time it can still be propagated for, it shows again.
  content_.UpdateScene(kT0, {});
  EXPECT_TRUE(markers[1]->Visible());
  EXPECT_GT(Length(markers[1]->Position().AsFloat4()), kEarthRadius);
}

TEST_F(SceneContent, AFailedPrimaryHidesTheFootprintAndTheOrbitLine) {
  TSatellite falling = Decaying();
  Show({&falling, &hst_});
  content_.OrbitLines().SetLinePattern(0xFFFF);
  content_.View().viewpoint = 2;
  const auto ok = content_.UpdateScene(kT0, {});
  EXPECT_TRUE(ok.primaryStatus.has_value());
  EXPECT_TRUE(content_.FootprintSpotlight().Shining());
  EXPECT_TRUE(content_.OrbitLines().Visible());
  const float viewLon = content_.View().viewLon;

  const Float4 hstBefore = content_.Markers()[1]->Position().AsFloat4();
  const auto failed = content_.UpdateScene(kT0 + 60, {});
  EXPECT_FALSE(content_.Markers()[0]->Visible());
  EXPECT_FALSE(content_.FootprintSpotlight().Shining());
  EXPECT_FALSE(content_.OrbitLines().Visible());
  EXPECT_TRUE(content_.Markers()[1]->Visible());
  EXPECT_GT(Distance(content_.Markers()[1]->Position().AsFloat4(), hstBefore), 0.1f);
  // The status line no longer claims a place; the camera stays where it was.
  ASSERT_TRUE(failed.primaryStatus.has_value());
  // With the orbit code's own reason ("decayed", "eccentricity out of range", ...).
  orbit::Vector4 p, v;
  const std::string reason = falling.TryPropagate(orbit::JulianDateFromDateTime(kT0 + 60), p, v).reason;
  ASSERT_FALSE(reason.empty());
  EXPECT_EQ(failed.primaryStatus->toStdString(),
            " FALLING: no position at this time (" + reason + "), elements 60 days old");
  EXPECT_FALSE(failed.viewpointStatus.has_value());
  EXPECT_EQ(content_.View().viewLon, viewLon);

  content_.UpdateScene(kT0, {});
  EXPECT_TRUE(content_.Markers()[0]->Visible());
  EXPECT_TRUE(content_.FootprintSpotlight().Shining());
  EXPECT_TRUE(content_.OrbitLines().Visible());
}

TEST_F(SceneContent, AClockOutsideTheCalendarMovesNothing) {
  Show({&iss_});
  content_.UpdateScene(kT0, {});
  const Float4 before = content_.Markers()[0]->Position().AsFloat4();
  for (double t : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e9}) {
    const auto result = content_.UpdateScene(t, {});
    EXPECT_FALSE(result.primaryStatus.has_value());
    EXPECT_EQ(Distance(content_.Markers()[0]->Position().AsFloat4(), before), 0);
    EXPECT_TRUE(std::isfinite(Length(content_.LightSourceSun().Position().AsFloat4())));
  }
  EXPECT_EQ(content_.Scene1().ChangeCount(), 0);  // every batch closed
}

TEST_F(SceneContent, PrimaryStatusComesFromTheHomeLocation) {
  Show({&iss_, &hst_});
  content_.SetHome(-3.2, 56.0);
  const auto result = content_.UpdateScene(kT0, {});
  ASSERT_TRUE(result.primaryStatus.has_value());

  orbit::GeodeticPoint home{orbit::Radians(56.0), orbit::Radians(-3.2), 0, 0};
  orbit::TObservation seen;
  iss_.Observe(home, orbit::JulianDateFromDateTime(kT0), 0, seen);
  const QString expected =
      QStringLiteral(" ISS: ") +
      FormatLonLat(orbit::Degrees(seen.subLongitude), orbit::Degrees(seen.subLatitude)) +
      QString::asprintf("  Az:%.0f°  El:%.0f°  Range: %.0fkm", orbit::Degrees(seen.azimuth),
                        orbit::Degrees(seen.elevation), seen.range);
  EXPECT_EQ(*result.primaryStatus, expected);
  EXPECT_TRUE(result.primaryStatus->startsWith(QStringLiteral(" ISS: ")));
  EXPECT_TRUE(result.primaryStatus->endsWith(QStringLiteral("km")));

  // Without markers nothing is said, and the previous text stays.
  Show({});
  EXPECT_FALSE(content_.UpdateScene(kT0, {}).primaryStatus.has_value());
}

TEST_F(SceneContent, ASetFarFromTheClockSaysHowOldItIs) {
  Show({&iss_});
  const struct {
    double days;  // from kT0, a few minutes after the set's epoch
    const char* note;
  } rows[] = {{0, ""}, {13.9, ""}, {20.5, ", elements 20 days old"}, {-30.5, ", elements 30 days old"}};
  for (const auto& row : rows) {
    const auto result = content_.UpdateScene(kT0 + row.days, {});
    ASSERT_TRUE(result.primaryStatus.has_value()) << row.days;
    const QString head = QStringLiteral("ISS") + QString::fromLatin1(row.note);
    EXPECT_TRUE(result.primaryStatus->startsWith(QStringLiteral(" ") + head + QStringLiteral(": ")))
        << result.primaryStatus->toStdString();
    EXPECT_EQ(result.primaryHead, head);
  }
}

TEST_F(SceneContent, OrbitLineSpansOnePeriodAroundThePrimary) {
  Show({&iss_});
  content_.UpdateScene(kT0, {});
  // Not drawn: not computed either.
  EXPECT_EQ(Length(content_.OrbitLines().Node(36).AsFloat4()), 0);

  content_.OrbitLines().SetLinePattern(0xFFFF);
  content_.UpdateScene(kT0, {});
  const scene::TLines& orbit = content_.OrbitLines();
  ASSERT_EQ(orbit.NodeCount(), 73);
  const Float4 marker = content_.Markers()[0]->Position().AsFloat4();
  EXPECT_LT(Distance(orbit.Node(36).AsFloat4(), marker), 1e-4);
  for (int i = 0; i < 73; ++i) {
    const float r = Length(orbit.Node(i).AsFloat4());
    EXPECT_GT(r, 6.6f) << i;
    EXPECT_LT(r, 6.9f) << i;
  }
  // The ends meet a period apart: a closed ring in space, not a ground track that drifts west.
  EXPECT_LT(Distance(orbit.Node(0).AsFloat4(), orbit.Node(72).AsFloat4()), 0.05f);
  EXPECT_GT(Distance(orbit.Node(0).AsFloat4(), orbit.Node(36).AsFloat4()), 13.0f);
  EXPECT_TRUE(orbit.Visible());
}

TEST_F(SceneContent, PlaceCameraStandsAboveTheViewPoint) {
  TViewState& view = content_.View();
  view.viewLon = -3.2f;
  view.viewLat = 56.0f;
  const struct {
    int zoom;
    double distance;
  } rows[] = {{1, 20.378135}, {4, 62.378135}, {64, 902.378135}};
  for (const auto& row : rows) {
    view.zoom = row.zoom;
    EXPECT_EQ(content_.PlaceCamera(), QStringLiteral(" Viewpoint: 3.2°W  56.0°N"));
    const Float4 p = content_.MainCamera().Position().AsFloat4();
    EXPECT_NEAR(Length(p), row.distance, row.distance * 1e-6) << row.zoom;
    const TScenePoint expected = ScenePointAbove(-3.2, 56.0, row.distance);
    EXPECT_NEAR(Cosine(p, Float4{expected.x, expected.y, expected.z, 0}), 1, 1e-6);
  }
  // The spotlight always points at the centre.
  const Float4 s = content_.FootprintSpotlight().Position().AsFloat4();
  EXPECT_NEAR(Cosine(content_.FootprintSpotlight().SpotDirection().AsFloat4(), Float4{-s.x, -s.y, -s.z, 0}),
              1, 1e-6);
  // A view longitude from tracking is brought back into range for the text.
  view.viewLon = 270;
  view.viewLat = 0;
  EXPECT_EQ(content_.PlaceCamera(), QStringLiteral(" Viewpoint: 90.0°W  0.0°N"));
  // Numbers that are not finite leave the camera where it was.
  const Float4 before = content_.MainCamera().Position().AsFloat4();
  view.viewLon = std::numeric_limits<float>::quiet_NaN();
  view.cameraUp = Float4{0, 0, 0, 0};
  content_.PlaceCamera();
  EXPECT_EQ(Distance(content_.MainCamera().Position().AsFloat4(), before), 0);
  EXPECT_TRUE(std::isfinite(Length(content_.MainCamera().Up().AsFloat4())));
}

TEST_F(SceneContent, TrackingViewpointsMoveTheCamera) {
  Show({&iss_, &hst_});
  const double jd = orbit::JulianDateFromDateTime(kT0);
  orbit::Vector4 p, v;
  iss_.Propagate(jd, p, v);
  orbit::ConvertSatState(p, v);
  const auto sub = GeodeticToScene(p, jd);
  ASSERT_TRUE(sub);
  const TScenePoint motion = VelocityToScene(v, jd);
  const auto sun = GeodeticToScene(orbit::SolarPosition(jd), jd);
  const auto moon = orbit::MoonPosition(kT0);
  ASSERT_TRUE(sun && moon);
  const auto moonGround = GeodeticToScene(moon->position, jd);
  ASSERT_TRUE(moonGround);

  const struct {
    int viewpoint;
    TScenePoint ground;
    TScenePoint up;
  } rows[] = {
      {2, sub->point, {0, 1, 0}},
      {3, sub->point, motion},
      {4, sun->point, {0, 1, 0}},
      {5, moonGround->point, {0, 1, 0}},
  };
  for (const auto& row : rows) {
    content_.View() = TViewState{};
    content_.View().viewpoint = row.viewpoint;
    const auto result = content_.UpdateScene(kT0, {});
    ASSERT_TRUE(result.viewpointStatus.has_value()) << row.viewpoint;
    EXPECT_TRUE(result.viewpointStatus->startsWith(QStringLiteral(" Viewpoint: "))) << row.viewpoint;
    const Float4 camera = content_.MainCamera().Position().AsFloat4();
    EXPECT_NEAR(Cosine(camera, Float4{row.ground.x, row.ground.y, row.ground.z, 0}), 1, 1e-6)
        << row.viewpoint;
    EXPECT_NEAR(Length(camera), CameraDistance(4), 1e-3);
    const Float4& up = content_.View().cameraUp;
    EXPECT_NEAR(Cosine(up, Float4{row.up.x, row.up.y, row.up.z, 0}), 1, 1e-6) << row.viewpoint;
    // The view longitude runs 0 to 360.
    EXPECT_GE(content_.View().viewLon, 0) << row.viewpoint;
    EXPECT_LE(content_.View().viewLon, 360) << row.viewpoint;
  }
  // "Fly on sat": the camera's up is the direction of flight, at right angles to the line of sight.
  content_.View().viewpoint = 3;
  content_.UpdateScene(kT0, {});
  EXPECT_NEAR(Cosine(content_.MainCamera().Up().AsFloat4(), Float4{motion.x, motion.y, motion.z, 0}), 1,
              0.01);

  // Manual and home: the update leaves the camera alone.
  for (int viewpoint : {0, 1}) {
    content_.View().viewpoint = viewpoint;
    const Float4 before = content_.MainCamera().Position().AsFloat4();
    EXPECT_FALSE(content_.UpdateScene(kT0 + 0.01, {}).viewpointStatus.has_value());
    EXPECT_EQ(Distance(content_.MainCamera().Position().AsFloat4(), before), 0);
  }
  // No markers: nothing to track, not even the Sun.
  Show({});
  content_.View().viewpoint = 4;
  EXPECT_FALSE(content_.UpdateScene(kT0, {}).viewpointStatus.has_value());
}

// Frames of the scene as the window would show them, read back from an off-screen framebuffer.
class SceneContentPixels : public SceneContent {
 protected:
  void SetUp() override {
    if (!renderer_.Ready()) GTEST_SKIP() << "no OpenGL: " << renderer_.ErrorText().toStdString();
    renderer_.SetCamera(&content_.MainCamera());
    renderer_.SetBackgroundColor(Qt::black);
  }
  void Render() { frame_ = renderer_.RenderImage(); }
  // Where a scene point shows in the last frame (y down).
  QPoint Project(const Float4& point) const {
    Float4 eye, clip;
    scene::TransformFloat4(Float4{point.x, point.y, point.z, 1}, renderer_.ModelViewMatrix(), eye);
    scene::TransformFloat4(eye, renderer_.ProjectionMatrix(), clip);
    return QPoint(static_cast<int>((clip.x / clip.w + 1) / 2 * frame_.width()),
                  static_cast<int>((1 - clip.y / clip.w) / 2 * frame_.height()));
  }
  QColor At(const QPoint& p) const { return frame_.pixelColor(p); }
  QColor Centre() const { return At(QPoint(frame_.width() / 2, frame_.height() / 2)); }
  static int Brightness(const QColor& c) { return c.red() + c.green() + c.blue(); }
  // The scene point on the globe's surface in the direction of v.
  static Float4 OnGlobe(const Float4& v) {
    const float k = kEarthRadius / Length(v);
    return Float4{v.x * k, v.y * k, v.z * k, 1};
  }

  // Declared after the scene content, so it goes first.
  scene::TOffscreenRenderer renderer_{content_.Scene1(), 240, 240};
  QImage frame_;
};

TEST_F(SceneContentPixels, TheSunlitHemisphereFacesTheSubSolarPoint) {
  content_.ApplyGlobeAppearance(1, 0);  // a plain globe: only the light varies
  Show({&iss_, &hst_});
  const TDisplayChoices noFootprint{false, true};
  content_.View().zoom = 16;  // the whole globe in the frame
  content_.View().viewpoint = 4;
  content_.UpdateScene(kT0, noFootprint);
  Render();
  const int subSolar = Brightness(Centre());
  const Float4 sun = content_.LightSourceSun().Position().AsFloat4();

  // From above the night side's middle.
  TViewState& view = content_.View();
  view.viewpoint = 0;
  view.viewLon += 180;
  view.viewLat = -view.viewLat;
  content_.PlaceCamera();
  Render();
  const int antiSolar = Brightness(Centre());
  EXPECT_GT(subSolar, antiSolar * 13 / 10) << subSolar << " " << antiSolar;

  // From the side, a quarter turn east: the half towards the Sun is the bright one.
  view.viewLon -= 90;
  view.viewLat = 0;
  content_.PlaceCamera();
  Render();
  const Float4 camera = content_.MainCamera().Position().AsFloat4();
  const float c = Length(camera);
  const float s = Length(sun);
  const Float4 toSun{camera.x / c + sun.x / s, camera.y / c + sun.y / s, camera.z / c + sun.z / s, 0};
  const Float4 away{camera.x / c - sun.x / s, camera.y / c - sun.y / s, camera.z / c - sun.z / s, 0};
  const QPoint day = Project(OnGlobe(toSun));
  const QPoint night = Project(OnGlobe(away));
  EXPECT_GT(Brightness(At(day)), Brightness(At(night)) * 13 / 10) << "day at " << day.x() << "," << day.y();
  EXPECT_GT(Brightness(At(night)), 0) << "the night side is dim, not black";

  // "Daylight" off: both sides alike.
  content_.UpdateScene(kT0, {false, false});
  Render();
  EXPECT_NEAR(Brightness(At(day)), Brightness(At(night)), 12);
}

TEST_F(SceneContentPixels, ThePrimaryShowsInItsColourAboveItsSubSatellitePoint) {
  const auto reddish = [](const QColor& c) {
    return c.red() > 120 && c.red() > 2 * c.green() && c.red() > 2 * c.blue();
  };
  const auto greenish = [](const QColor& c) {
    return c.green() > 100 && c.green() > 2 * c.red() && c.green() > 2 * c.blue();
  };
  content_.View().zoom = 1;
  content_.View().viewpoint = 2;  // straight above the primary's sub-satellite point
  Show({&iss_, &hst_});
  content_.UpdateScene(kT0, {});
  Render();
  EXPECT_TRUE(reddish(Centre())) << Centre().name().toStdString();
  // The primary is whichever comes first: the HST now, in the first colour.
  Show({&hst_, &iss_});
  content_.UpdateScene(kT0, {});
  Render();
  EXPECT_TRUE(reddish(Centre())) << Centre().name().toStdString();
  EXPECT_EQ(TSceneContent::SatelliteOf(renderer_.PickObjectAt(120, 120)), &hst_);

  // Seen at a slant, the ISS (second, so green) shows where its position projects.
  TViewState& view = content_.View();
  view.viewpoint = 0;
  content_.UpdateScene(kT0, {});  // keeps the camera above the HST
  const Float4 iss = content_.Markers()[1]->Position().AsFloat4();
  view.viewLon = static_cast<float>(orbit::Degrees(std::atan2(iss.x, iss.z)) - 180 + 2);
  view.viewLat = static_cast<float>(orbit::Degrees(std::asin(iss.y / Length(iss))) - 2);
  content_.PlaceCamera();
  Render();
  const QPoint p = Project(iss);
  EXPECT_GT((p - QPoint(120, 120)).manhattanLength(), 20) << "off the middle of the frame";
  EXPECT_TRUE(greenish(At(p))) << At(p).name().toStdString() << " at " << p.x() << "," << p.y();
  EXPECT_EQ(TSceneContent::SatelliteOf(renderer_.PickObjectAt(p.x(), p.y())), &iss_);
  // Hidden when it cannot be propagated: the globe shows there instead.
  content_.Markers()[1]->SetVisible(false);
  Render();
  EXPECT_FALSE(greenish(At(p))) << At(p).name().toStdString();
}

}  // namespace
}  // namespace nimbrel::app
