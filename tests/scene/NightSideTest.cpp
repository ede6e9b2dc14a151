// The night side's two weights by the Sun's elevation: the shade's soft band across the terminator and
// the city lights that come up only after dusk.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scene/NightSide.h"

namespace nimbrel::scene {
namespace {

TEST(NightSide, ShadeAndLightsByTheSunsElevation) {
  struct TRow {
    double elevationDeg;
    float shade;
    float lights;
  };
  const float dark = TNightSide::kDarkness;
  const TRow rows[] = {
      {90, 0, 0},    {1.0, 0, 0},       {0, dark / 2, 0}, {-1.0, dark, 0},
      {-6, dark, 0}, {-11, dark, 0.5f}, {-16, dark, 1},   {-90, dark, 1},
  };
  for (const TRow& row : rows) {
    EXPECT_NEAR(TNightSide::ShadeAt(row.elevationDeg), row.shade, 1e-6) << row.elevationDeg;
    EXPECT_NEAR(TNightSide::LightsAt(row.elevationDeg), row.lights, 1e-6) << row.elevationDeg;
  }
  // Within the band the shade only deepens as the Sun goes down.
  for (double h = 1; h > -1; h -= 0.05) EXPECT_LE(TNightSide::ShadeAt(h), TNightSide::ShadeAt(h - 0.05)) << h;
  EXPECT_EQ(TNightSide::ShadeAt(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(NightSide, ASunDirectionOfNoLengthIsIgnored) {
  TNightSide night;
  night.SetSunDirection({0, 3, 4});
  EXPECT_FLOAT_EQ(night.SunDirection().y, 0.6f);
  EXPECT_FLOAT_EQ(night.SunDirection().z, 0.8f);
  night.SetSunDirection({0, 0, 0});
  night.SetSunDirection({std::numeric_limits<float>::infinity(), 0, 0});
  EXPECT_FLOAT_EQ(night.SunDirection().z, 0.8f);
}

}  // namespace
}  // namespace nimbrel::scene
