#pragma once
// The main view's arithmetic: from the Earth's coordinates to the scene's, the viewpoint and zoom
// rules, and the texts of the status bar. Kept apart from the window so each rule can be tested.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "orbit/OrbitMath.h"

namespace nimbrel::app {

// One scene unit is 1000 km; the scene is fixed to the Earth with the polar axis as Y.
inline constexpr float kEarthRadius = 6.378135f;

struct TRgb {
  std::uint8_t r, g, b;
};

// The colour of the i-th marker and of the i-th line of the satellite list; silver from the tenth on.
TRgb SatelliteColour(int index) noexcept;

inline constexpr std::array<const char*, 6> kViewpointNames = {"Manual",     "Home loc.", "Satellite",
                                                               "Fly on sat", "Sun",       "Moon"};

struct TScenePoint {
  float x = 0, y = 0, z = 0;
};

struct TSceneLocation {
  TScenePoint point;     // in scene units
  float radius = 0;      // distance from the centre, scene units
  double latitude = 0;   // geodetic, rad
  double longitude = 0;  // shifted by pi into (-pi, pi]: 0 is the antimeridian, as the sphere's own
};

// An inertial position (km) at a Julian date, placed on the fixed globe at its geodetic latitude and
// longitude and its height above a sphere of the Earth's radius. Nothing for a non-finite position.
std::optional<TSceneLocation> GeodeticToScene(const orbit::Vector4& positionKm, double jd);

// An inertial velocity turned into the Earth-fixed scene's axes (without the Earth's rotation term).
TScenePoint VelocityToScene(const orbit::Vector4& velocity, double jd) noexcept;

// The Earth's turn at one moment, worked out once for all the satellites placed at that moment; the
// two functions below give the results of the two above at that moment, bit for bit (the two above
// are made of them).
struct TEarthTurn {
  double theta = 0.0;  // the sidereal angle, rad
  double cosTheta = 1.0;
  double sinTheta = 0.0;
};
TEarthTurn EarthTurnAt(double jd) noexcept;
std::optional<TSceneLocation> GeodeticToScene(const orbit::Vector4& positionKm, const TEarthTurn& turn);
TScenePoint VelocityToScene(const orbit::Vector4& velocity, const TEarthTurn& turn) noexcept;

// Scene point above a geographic place (degrees) at distance d from the centre.
TScenePoint ScenePointAbove(double lonDeg, double latDeg, double distance) noexcept;

// Camera distance from the globe's centre for a zoom step (1 to 64).
double CameraDistance(int zoom) noexcept;

struct TViewLonLat {
  double lon = 0;
  double lat = 0;
};
// The view's ground point from the two track bars' positions and maxima.
TViewLonLat ViewFromTrackBars(int lonPosition, int lonMaximum, int latPosition, int latMaximum) noexcept;

// Rounds to the nearest integer, halves to even; 0 for a non-finite value.
int RoundHalfEven(double x) noexcept;

// The camera's focal length for the view's width: 200 at the width the window started with.
int FocalLengthForWidth(int width, int initialWidth) noexcept;

// "3.2°W  56.0°N": longitude first, brought into (-180, 180].
QString FormatLonLat(double lonDeg, double latDeg);

// A satellite's name as the hover text shows it: lower case with the first character upper-cased.
QString HoverName(const QString& name);

// Element sets are worth trusting for about two weeks either side of their epoch.
inline constexpr double kStaleElementDays = 14;
// ", elements N days old" for a set more than kStaleElementDays from the clock (N whole days, either
// side of the epoch), else empty. ageDays is the clock's time less the epoch.
QString ElementAgeNote(double ageDays);
// The same in a sentence for a page or dialog: "Elements 30 days old: positions may be off by many
// kilometres." (or "... days newer than ..." for a clock before the epoch); empty for recent sets.
QString ElementAgeWarning(double ageDays);

}  // namespace nimbrel::app
