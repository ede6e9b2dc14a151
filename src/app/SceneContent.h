#pragma once
// What the main view shows: the globe with its map and graticule, the Sun light and the footprint
// spotlight, the camera, one marker per displayed satellite with its trail, the primary's orbit line,
// and the one routine that places them all for an instant. The window turns its controls into calls
// on this class; nothing here knows of widgets, so the snapshot mode and the tests use it unchanged.

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "app/ViewMath.h"
#include "orbit/OrbitTime.h"
#include "scene/Geometry.h"

namespace nimbrel::orbit {
class TSatellite;
}

namespace nimbrel::scene {
class TBaseSceneObject;
class TCamera;
class TLightSource;
class TLines;
class TNightSide;
class TPointCloud;
class TScene;
class TSphere;
struct TScreenProjection;
}  // namespace nimbrel::scene

namespace nimbrel::app {

// The check boxes of the Display page as they stand at an update.
struct TDisplayChoices {
  bool showFootprint = true;
  bool showDaylight = true;
};

// How the side of the globe away from the Sun looks (the Setup page's "Night side").
enum class TNightLook {
  nlDimmed,      // lit by the Sun's ambient light alone, the map still plain to see
  nlCityLights,  // dark, behind a soft terminator, with the cities' lights on it
};
// The look from its stored number (the Setup page's item): 1 is "City lights", anything else "Dimmed".
constexpr TNightLook NightLookOf(int item) noexcept {
  return item == 1 ? TNightLook::nlCityLights : TNightLook::nlDimmed;
}

// Where the camera stands: above (viewLon, viewLat) at the distance of the zoom step, looking at the
// centre, with cameraUp as its up vector. viewpoint indexes kViewpointNames.
struct TViewState {
  float viewLon = 0;  // degrees east
  float viewLat = 0;  // degrees north
  scene::Float4 cameraUp{0, 1, 0, 0};
  int zoom = 4;
  int viewpoint = 0;
};

class TSceneContent {
 public:
  // The scene as the window starts with it: Sun light, globe with the built-in Earth map, footprint
  // spotlight, orbit line (73 nodes at the origin, not drawn), camera aimed at the globe, graticule.
  TSceneContent();
  ~TSceneContent();
  TSceneContent(const TSceneContent&) = delete;
  TSceneContent& operator=(const TSceneContent&) = delete;

  scene::TScene& Scene1() noexcept;
  scene::TCamera& MainCamera() noexcept;
  scene::TSphere& SphereEarth() noexcept;
  scene::TLightSource& LightSourceSun() noexcept;
  scene::TLightSource& FootprintSpotlight() noexcept;
  scene::TLines& OrbitLines() noexcept;

  // The globe's divisions from the quality setting's value and its texture and colours from the
  // topography item (-1 no selection: colours and texture left as they are).
  void ApplyGlobeAppearance(int quality, int topographyItem);
  // Replaces the globe's map with an image file; on failure throws and the old map stays.
  void LoadTexture(const QString& path);

  // Up to this many satellites shown, every marker is a sphere coloured by its place in the list;
  // beyond it only the primary is, and the others are points coloured by their kind of orbit.
  static constexpr std::size_t kSphereMarkerLimit = 100;
  // Whoever is hovered within this many pixels of a point picks it.
  static constexpr double kPointPickPixels = 6;

  // One marker per satellite, in this order (the primary first; the same satellite twice gets two);
  // with trails when showTrails. The satellites must outlive the markers.
  void RebuildMarkers(const std::vector<const orbit::TSatellite*>& satellites, bool showTrails);
  void RebuildTrails(bool showTrails);
  // The spheres: every marker up to kSphereMarkerLimit satellites, the primary's alone beyond.
  const std::vector<scene::TSphere*>& Markers() const noexcept;
  // The points standing for all satellites but the primary when there are more than
  // kSphereMarkerLimit; point i is Shown()[i + 1]. Null while every marker is a sphere.
  const scene::TPointCloud* PointMarkers() const noexcept;
  // The satellites shown, in the list's order.
  const std::vector<const orbit::TSatellite*>& Shown() const noexcept;
  // The colour of Shown()[index] in the view, and so in the list.
  TRgb MarkerColour(std::size_t index) const noexcept;
  // The satellite whose point shows nearest to (x, y) (viewport pixels, y down) in the frame drawn
  // from `view`, within kPointPickPixels and not behind the globe; null when there is none or the
  // markers are spheres (they are picked by the viewer).
  const orbit::TSatellite* PickPoint(const scene::TScreenProjection& view, double x, double y) const;
  // The threads one update computes the positions on; 0, the default, is one per core. The positions
  // are the same whatever the number.
  void SetUpdateThreads(int threads) noexcept;
  // The satellite a marker or a trail stands for; null for any other object or none.
  static const orbit::TSatellite* SatelliteOf(const scene::TBaseSceneObject* object) noexcept;

  // The home location (degrees east and north, metres above the sea): the look angles are taken from
  // it, and a small marker in a colour of its own stands on the globe there.
  void SetHome(double lonDeg, double latDeg, double heightM = 0.0);
  static constexpr TRgb kHomeColour{255, 64, 200};
  const scene::TSphere& HomeMarker() const noexcept;

  // The night side's look; the Sun's light stays as "Daylight" sets it, and with "Daylight" off the
  // whole globe has the same even light whatever the look. A city-lights picture that cannot be
  // decoded leaves the night side dark without its lights.
  void SetNightLook(TNightLook look);
  TNightLook NightLook() const noexcept;

  // The footprint's edge: a thin circle on the globe where the primary stands on the horizon (the
  // geometric elevation 0 on a sphere of the Earth's radius), drawn with the spotlight and hidden
  // with it.
  const scene::TLines& FootprintEdge() const noexcept;
  static constexpr int kFootprintEdgeNodes = 181;
  // The next update places the Sun whatever the time (LastSunTime = 0).
  void ForgetSunTime() noexcept;

  TViewState& View() noexcept;
  // Moves the camera to View() and aims the spotlight at the centre; returns status-bar panel 2's
  // text (" Viewpoint: 3.2°W  56.0°N").
  QString PlaceCamera();

  struct TUpdateResult {
    // Panel 3; nothing keeps the previous text. A primary that cannot be placed says so, with the orbit
    // code's reason (" ISS: no position at this time (decayed)"), rather than leave an old position
    // standing. A set more than two weeks from the clock says ", elements N days old" after the name
    // (" ISS, elements 20 days old: 3.2°W  56.0°N  Az:...") or at the end of the no-position text.
    std::optional<QString> primaryStatus;
    std::optional<QString> viewpointStatus;  // panel 2 when tracking moved the camera
    // What panel 3's text begins with after one space, the part that may be shortened: the primary's
    // name and, for a set more than two weeks from the clock, its age. Empty without markers.
    QString primaryHead;
  };
  // Places everything for the UTC instant t. A satellite that cannot be propagated hides its own
  // marker (and, for the primary, the spotlight and the orbit line) until it can again; the others go
  // on. A t outside the calendar moves nothing. Throws nothing the orbit code raises.
  TUpdateResult UpdateScene(orbit::TDateTime t, const TDisplayChoices& choices);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace nimbrel::app
