#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/ViewMath.h"
#include "orbit/OrbitTime.h"

namespace nimbrel::app {
namespace {

TEST(ViewMath, SatelliteColoursTurnSilverFromTheTenth) {
  EXPECT_EQ(SatelliteColour(0).r, 255);
  EXPECT_EQ(SatelliteColour(0).g, 80);
  EXPECT_EQ(SatelliteColour(8).r, 176);
  for (int i : {9, 10, 100, -1}) {
    EXPECT_EQ(SatelliteColour(i).r, 192);
    EXPECT_EQ(SatelliteColour(i).g, 192);
    EXPECT_EQ(SatelliteColour(i).b, 192);
  }
}

TEST(ViewMath, FormatLonLat) {
  EXPECT_EQ(FormatLonLat(-3.2, 56.0), QStringLiteral("3.2°W  56.0°N"));
  EXPECT_EQ(FormatLonLat(270.0, -10.04), QStringLiteral("90.0°W  10.0°S"));
  EXPECT_EQ(FormatLonLat(-180.0, 0.0), QStringLiteral("180.0°E  0.0°N"));
  EXPECT_EQ(FormatLonLat(540.0, 0.0), QStringLiteral("180.0°E  0.0°N"));
  // The original's loops never end on an infinite longitude.
  EXPECT_FALSE(FormatLonLat(std::numeric_limits<double>::infinity(), 0).isEmpty());
  EXPECT_FALSE(FormatLonLat(std::nan(""), 0).isEmpty());
}

TEST(ViewMath, TrackBarsAndDrags) {
  EXPECT_DOUBLE_EQ(ViewFromTrackBars(90, 180, 45, 90).lon, 0.0);
  EXPECT_DOUBLE_EQ(ViewFromTrackBars(0, 180, 45, 90).lon, 180.0);
  EXPECT_DOUBLE_EQ(ViewFromTrackBars(180, 180, 45, 90).lon, -180.0);
  EXPECT_DOUBLE_EQ(ViewFromTrackBars(90, 180, 0, 90).lat, -89.1);
  EXPECT_DOUBLE_EQ(ViewFromTrackBars(90, 180, 90, 90).lat, 89.1);
  // A drag right by half the width moves the bar 45 positions: 90 degrees of view longitude west.
  const int position = RoundHalfEven(0.5 * 0.5 * 180 + 90);
  EXPECT_EQ(position, 135);
  EXPECT_DOUBLE_EQ(ViewFromTrackBars(position, 180, 45, 90).lon, -90.0);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(ViewMath, FocalLengthFollowsTheViewWidth) {
  EXPECT_EQ(FocalLengthForWidth(601, 401), 299);
  EXPECT_EQ(FocalLengthForWidth(401, 401), 200);
  EXPECT_EQ(FocalLengthForWidth(500, 0), 200);  // before the first width is known
  EXPECT_DOUBLE_EQ(CameraDistance(4), 4 * 14.0 + static_cast<double>(kEarthRadius));
}

TEST(ViewMath, GeodeticToSceneAxes) {
  // A point over the Greenwich meridian on the equator lies on -z, 90 degrees east on -x, the north
  // pole on +y. Place inertial positions using the sidereal angle at the chosen instant.
  const double jd = 2451545.0;
  const double theta = orbit::SiderealAngle(jd);
  const double r = 7000.0;
  const auto at = [&](double lonDeg) {
    const double a = theta + lonDeg * M_PI / 180.0;
    return orbit::Vector4{r * std::cos(a), r * std::sin(a), 0.0, 0.0};
  };
  const auto greenwich = GeodeticToScene(at(0), jd);
  ASSERT_TRUE(greenwich);
  EXPECT_NEAR(greenwich->point.z, -7.0, 1e-3);
  EXPECT_NEAR(greenwich->point.x, 0.0, 1e-3);
  EXPECT_NEAR(greenwich->radius, 7.0, 1e-4);
  const auto east = GeodeticToScene(at(90), jd);
  ASSERT_TRUE(east);
  EXPECT_NEAR(east->point.x, -7.0, 1e-3);
  const auto pole = GeodeticToScene(orbit::Vector4{0, 0, 7000, 0}, jd);
  ASSERT_TRUE(pole);
  EXPECT_GT(pole->point.y, 0.0f);
  EXPECT_FALSE(GeodeticToScene(orbit::Vector4{std::nan(""), 0, 0, 0}, jd));
  // The camera's mapping agrees with the satellites'.
  const TScenePoint camera = ScenePointAbove(90, 0, 7.0);
  EXPECT_NEAR(camera.x, -7.0, 1e-5);
  EXPECT_NEAR(camera.z, 0.0, 1e-5);
}

TEST(ViewMath, VelocityToSceneTurnsWithTheEarth) {
  // Motion due north is +y whatever the Earth's angle; eastward motion at Greenwich is -x.
  const double jd = 2451545.25;
  const double theta = orbit::SiderealAngle(jd);
  const TScenePoint north = VelocityToScene({0, 0, 7.5, 0}, jd);
  EXPECT_FLOAT_EQ(north.y, 7.5f);
  const TScenePoint east = VelocityToScene({-std::sin(theta), std::cos(theta), 0, 0}, jd);
  EXPECT_NEAR(east.x, -1.0, 1e-6);
  EXPECT_NEAR(east.z, 0.0, 1e-6);
}

TEST(ViewMath, HoverNames) {
  EXPECT_EQ(HoverName("ISS (ZARYA)"), QStringLiteral("Iss (zarya)"));
  EXPECT_EQ(HoverName(""), QString());
}

}  // namespace
}  // namespace nimbrel::app
