#include "SceneContent.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <numbers>
#include <unordered_map>

#include "OrbitClass.h"
#include "ParallelFor.h"
#include "TrackInterpolation.h"
#include "ViewMath.h"
#include "orbit/Geometry.h"
#include "orbit/OrbitMath.h"
#include "orbit/Satellite.h"
#include "orbit/SunMoon.h"
#include "scene/Camera.h"
#include "scene/EarthMap.h"
#include "scene/LightSource.h"
#include "scene/Lines.h"
#include "scene/Material.h"
#include "scene/NightSide.h"
#include "scene/Picture.h"
#include "scene/PointCloud.h"
#include "scene/Scene.h"
#include "scene/Sphere.h"
#include "scene/Texture.h"

namespace nimbrel::app {

namespace {

using scene::Float4;
using scene::TChangesBatch;
using scene::TLightSource;
using scene::TLines;
using scene::TSphere;

constexpr double kPi = std::numbers::pi;
// Nodes of the orbit line: one period sampled every 5 degrees of mean anomaly, both ends included.
constexpr int kOrbitHalfNodes = 36;
constexpr int kOrbitNodeCount = 2 * kOrbitHalfNodes + 1;
// The Sun moves a quarter of a degree across the globe in five minutes: not worth a light move sooner.
constexpr double kSunReplaceDays = 5.0 / 1440.0;
constexpr float kMarkerRadius = 0.07f;
// A little larger than a satellite's sphere, and half in the ground: a dot on the map.
constexpr float kHomeMarkerRadius = 0.09f;
// The footprint's edge a thousandth above the ground: over the globe's facets, which lie inside the
// true sphere, and less than a pixel from where the ground itself would show it.
constexpr double kFootprintEdgeLift = 1.001;
constexpr float kTrailLength = 0.7f;
// A point's trail is shorter than a sphere's: thousands of them, even faint, would veil the map.
constexpr float kPointTrailLength = 0.3f;
// The footprint's half angle, 0.029 rad in degrees, reached because the arcsine saturates.
constexpr double kSpotCutOffFactor = 1.6615776058793873;
// Points as small as can be seen: a whole catalogue of wider ones hides the globe beneath it. They
// widen a little at the higher qualities, where the globe is drawn finely enough to afford it.
constexpr float kPointSizes[] = {1, 1, 2, 2, 2, 2};
// Below this many satellites per thread, starting a thread costs more than it saves.
constexpr std::size_t kMinSatellitesPerThread = 256;

// A (red, green, blue) byte triple as the packed 0x00BBGGRR form colours take.
unsigned Packed(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept {
  return static_cast<unsigned>(r) | (static_cast<unsigned>(g) << 8) | (static_cast<unsigned>(b) << 16);
}
unsigned Packed(TRgb c) noexcept {
  return Packed(c.r, c.g, c.b);
}

bool Finite(const TScenePoint& p) noexcept {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

bool UsableDirection(const TScenePoint& p) noexcept {
  return Finite(p) && (p.x != 0 || p.y != 0 || p.z != 0);
}

// " NAME: no position at this time (REASON)", the reason left out when there is none.
QString NoPositionText(const QString& name, const std::string& reason) {
  QString text = QStringLiteral(" ") + name + QStringLiteral(": no position at this time");
  if (!reason.empty() && reason != "no position at this time")
    text += QStringLiteral(" (") + QString::fromStdString(reason) + QStringLiteral(")");
  return text;
}

// Propagates, converts to km and km/s and places the result on the globe; nothing when the satellite
// cannot be propagated or any number on the way is not finite.
struct TPlacedSatellite {
  TSceneLocation location;
  orbit::Vector4 velocityKmPerS;
  TScenePoint motion;  // the velocity in scene axes, filled by the update's parallel part
};
// A failed propagation leaves its plain reason in *reason when asked for.
std::optional<TPlacedSatellite> PlaceSatellite(orbit::TSatellite& satellite, double propagateJd,
                                               const TEarthTurn& earth,
                                               std::string* reason = nullptr) noexcept {
  orbit::Vector4 position;
  orbit::Vector4 velocity;
  const orbit::TPropagateResult propagated = satellite.TryPropagate(propagateJd, position, velocity);
  if (!propagated) {
    if (reason) *reason = propagated.reason;
    return std::nullopt;
  }
  orbit::ConvertSatState(position, velocity);
  std::optional<TSceneLocation> location;
  try {
    location = GeodeticToScene(position, earth);
  } catch (...) {
    return std::nullopt;
  }
  if (!location || !Finite(location->point) || !std::isfinite(location->radius)) return std::nullopt;
  return TPlacedSatellite{*location, velocity, {}};
}

bool Geosynchronous(const orbit::TSatellite& satellite) noexcept {
  return std::fabs(satellite.PeriodDays() - 1) <= 0.01;
}

// The marker keeps a const pointer in its tag because nothing outside the propagator's cache changes
// when it is propagated; the catalogue owns the satellites as modifiable objects.
orbit::TSatellite& Propagatable(const orbit::TSatellite& satellite) noexcept {
  return const_cast<orbit::TSatellite&>(satellite);
}

void SetPoint(scene::TCoordinates& coordinates, const TScenePoint& p) {
  coordinates.AssignPoint(p.x, p.y, p.z);
}

}  // namespace

struct TSceneContent::TImpl {
  scene::TScene scene;
  TLightSource* sun = nullptr;
  TSphere* earth = nullptr;
  TLightSource* spotlight = nullptr;
  TLines* orbitLines = nullptr;
  TLines* footprintEdge = nullptr;
  TSphere* home = nullptr;
  // Made when "City lights" is first chosen: the lights' picture is large and most never see it.
  scene::TNightSide* night = nullptr;
  TNightLook nightLook = TNightLook::nlDimmed;
  bool daylight = true;
  bool footprintEdgePlaced = false;
  scene::TCamera* camera = nullptr;
  std::vector<TSphere*> markers;
  scene::TPointCloud* cloud = nullptr;
  std::vector<const orbit::TSatellite*> shown;
  std::vector<TRgb> colours;
  // Each satellite once, however many markers it has: source[i] is the entry of shown[i]. An update
  // propagates every satellite once, so two threads never share one.
  std::vector<orbit::TSatellite*> distinct;
  std::vector<std::size_t> source;
  std::vector<std::optional<TPlacedSatellite>> placements;
  // Per entry of distinct: the points' places between propagations, and each one's stretch in days.
  std::vector<TInterpolatedTrack> tracks;
  std::vector<double> stretchDays;
  int updateThreads = 0;
  float pointSize = kPointSizes[1];
  TViewState view;
  double homeLon = 0;
  double homeLat = 0;
  double homeHeightM = 0;
  double lastSunTime = 0;
  // Whether the last update could place the primary, and its orbit line when that is drawn: what
  // failed is hidden rather than left where it was.
  bool primaryPlaced = false;
  bool orbitFilled = false;
  // The globe's ambient colour as the chosen look gives it; day and night scale it rather than
  // replace it, so "No topography" and "Use image" keep their colours. White until a look is chosen:
  // the built-in globe's own 0.8 grey with daylight.
  Float4 lookAmbient{1, 1, 1, 1};

  void BuildFixedObjects();
  void BuildGraticule();
  void BuildHomeAndFootprintEdge();
  void PlaceFootprintEdge(const TSceneLocation& primary);
  void ShowNightSide();
  void SetDayAndNight(const TDisplayChoices& choices);
  void SetFootprint(const TDisplayChoices& choices);
  void PlaceSun(double jd);
  void PlaceAll(double jd);
  void PlacePoints();
  QString Observe(orbit::TSatellite& satellite, double jd);
  bool FillOrbitLine(orbit::TSatellite& satellite, double jd);
  std::optional<QString> TrackViewpoint(const TPlacedSatellite* primary, double jd, orbit::TDateTime t);
  void PlacePrimary(orbit::TSatellite& satellite, const TPlacedSatellite& placed, double jd,
                    TUpdateResult& result);
  QString PlaceCamera();
};

void TSceneContent::TImpl::BuildFixedObjects() {
  scene::TSceneRootObject& root = scene.ObjectRoot();

  sun = &root.AddNewChild<TLightSource>();
  sun->SetLightStyle(scene::TLightStyle::lsOmni);
  sun->Ambient().SetRGBA(0.65f, 0.65f, 0.65f, 1);
  sun->Diffuse().SetRGBA(0.5f, 0.5f, 0.5f, 1);
  sun->Specular().SetRGBA(0.5f, 0.5f, 0.5f, 1);
  sun->Position().AssignPoint(-200, 100, 50);
  sun->SetConstAttenuation(1);
  sun->SetSpotCutOff(180);

  earth = &root.AddNewChild<TSphere>();
  earth->SetRadius(kEarthRadius);
  earth->SetSlices(48);
  earth->SetStacks(48);
  scene::TFaceProperties& front = earth->Material().FrontProperties();
  front.Ambient().SetRGBA(0.8f, 0.8f, 0.8f, 1);
  front.Diffuse().SetRGBA(0.95f, 0.95f, 0.95f, 1);
  front.Emission().SetRGBA(0, 0, 0, 1);
  front.Specular().SetRGBA(0.2f, 0.2f, 0.2f, 1);
  scene::TTexture& texture = earth->Material().Texture();
  texture.SetMagFilter(scene::TMagFilter::maLinear);
  texture.SetMinFilter(scene::TMinFilter::miLinearMipmapLinear);
  texture.SetTextureMode(scene::TTextureMode::tmModulate);
  texture.SetTextureWrap(scene::TTextureWrap::twNone);
  texture.SetImage(scene::BuiltInEarthMap());
  texture.SetDisabled(false);

  spotlight = &root.AddNewChild<TLightSource>();
  spotlight->SetLightStyle(scene::TLightStyle::lsSpot);
  spotlight->Ambient().SetRGBA(0, 0, 0, 1);
  spotlight->Diffuse().SetRGBA(0.35f, 0.35f, 0.35f, 1);
  spotlight->Specular().SetRGBA(0, 0, 0, 1);
  spotlight->Position().AssignPoint(7, 7, 7);
  spotlight->SetConstAttenuation(1);
  spotlight->SetSpotCutOff(10);

  orbitLines = &root.AddNewChild<TLines>();
  orbitLines->LineColor().SetFromPackedRGB(Packed(SatelliteColour(0)));
  orbitLines->NodeColor().SetRGBA(1, 1, 1, 1);
  orbitLines->SetNodesAspect(scene::TLineNodesAspect::lnaInvisible);
  orbitLines->SetSplineMode(scene::TLineSplineMode::lsmCubicSpline);
  orbitLines->SetLinePattern(0);
  for (int i = 0; i < kOrbitNodeCount; ++i) orbitLines->AppendNode(0, 0, 0);

  camera = &scene.AddCamera(std::make_unique<scene::TCamera>());
  camera->SetDepthOfView(4000);
  camera->SetFocalLength(200);
  camera->SetTargetObject(earth);
  camera->Position().AssignPoint(0, 0, 64);
  camera->Direction().AssignVector(0, 0, -1);
  camera->Up().AssignVector(0, 1, 0);
}

void TSceneContent::TImpl::BuildGraticule() {
  // Just above the globe's surface, so the lines are not lost in it.
  const double r = 1.003 * static_cast<double>(kEarthRadius);
  const unsigned dark = Packed(0, 80, 0);
  const unsigned light = Packed(0, 128, 32);
  const auto newLine = [&](unsigned colour) -> TLines& {
    TLines& line = scene.ObjectRoot().AddNewChild<TLines>();
    line.LineColor().SetFromPackedRGB(colour);
    line.SetSplineMode(scene::TLineSplineMode::lsmCubicSpline);
    line.SetNodesAspect(scene::TLineNodesAspect::lnaInvisible);
    return line;
  };
  // Six circles through both poles, turned 30 degrees apart: the meridians every 30 degrees, the
  // Greenwich/antimeridian and 90 E/90 W ones darker.
  for (int i = 0; i < 6; ++i) {
    TLines& line = newLine(i % 3 == 0 ? dark : light);
    for (int j = 0; j <= 32; ++j) {
      const double a = j * 2 * kPi / 32;
      line.AppendNode(0, static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)));
    }
    line.SetTurnAngle(30.0f * static_cast<float>(i));
  }
  // Parallels every 30 degrees from 60 S to 60 N, the equator darker; fewer nodes on the shorter ones.
  for (int j = -2; j <= 2; ++j) {
    TLines& line = newLine(j == 0 ? dark : light);
    const double phi = j * kPi / 6;
    const int m = static_cast<int>(std::lround(32 * std::cos(phi)));
    for (int k = 0; k <= m; ++k) {
      const double a = k * 2 * kPi / m;
      line.AppendNode(static_cast<float>(r * std::cos(phi) * std::cos(a)),
                      static_cast<float>(r * std::sin(phi)),
                      static_cast<float>(r * std::cos(phi) * std::sin(a)));
    }
  }
}

void TSceneContent::TImpl::BuildHomeAndFootprintEdge() {
  scene::TSceneRootObject& root = scene.ObjectRoot();
  footprintEdge = &root.AddNewChild<TLines>();
  footprintEdge->LineColor().SetFromPackedRGB(Packed(SatelliteColour(0)));
  footprintEdge->SetSplineMode(scene::TLineSplineMode::lsmLines);
  footprintEdge->SetNodesAspect(scene::TLineNodesAspect::lnaInvisible);
  footprintEdge->SetLinePattern(TLines::kSolidPattern);
  for (int i = 0; i < kFootprintEdgeNodes; ++i) footprintEdge->AppendNode(0, 0, 0);
  footprintEdge->SetVisible(false);

  home = &root.AddNewChild<TSphere>();
  home->SetRadius(kHomeMarkerRadius);
  home->SetSlices(12);
  home->SetStacks(12);
  // Its own colour by day and by night alike: emitted, not lit.
  scene::TFaceProperties& front = home->Material().FrontProperties();
  front.Ambient().SetRGBA(0, 0, 0, 1);
  front.Diffuse().SetRGBA(0, 0, 0, 1);
  front.Specular().SetRGBA(0, 0, 0, 1);
  front.Emission().SetFromPackedRGB(Packed(kHomeColour));
  SetPoint(home->Position(), ScenePointAbove(homeLon, homeLat, kEarthRadius));
}

void TSceneContent::TImpl::PlaceFootprintEdge(const TSceneLocation& primary) {
  footprintEdgePlaced = false;
  const double x = primary.point.x, y = primary.point.y, z = primary.point.z;
  const double r = std::sqrt(x * x + y * y + z * z);
  const double earthRadius = kEarthRadius;
  // Below the ground (a decaying set's last moments) nobody sees it over any horizon.
  if (!std::isfinite(r) || !(r > earthRadius)) return;
  // The ground points G with (S - G).G = 0, the satellite S on their horizon plane: a circle about
  // the point below it at the central angle whose cosine is R / |S|.
  const double ux = x / r, uy = y / r, uz = z / r;
  const double cosAngle = earthRadius / r;
  const double sinAngle = std::sqrt(std::max(0.0, 1 - cosAngle * cosAngle));
  // Two unit vectors across u: any axis not close to u does for the first.
  double ax = 0, ay = 1, az = 0;
  if (std::fabs(uy) > 0.9) std::swap(ax, ay);
  double e1x = ay * uz - az * uy, e1y = az * ux - ax * uz, e1z = ax * uy - ay * ux;
  const double e1 = std::sqrt(e1x * e1x + e1y * e1y + e1z * e1z);
  e1x /= e1;
  e1y /= e1;
  e1z /= e1;
  const double e2x = uy * e1z - uz * e1y, e2y = uz * e1x - ux * e1z, e2z = ux * e1y - uy * e1x;
  const double lift = kFootprintEdgeLift * earthRadius;
  footprintEdge->BeginNodesUpdate();
  for (int k = 0; k < kFootprintEdgeNodes; ++k) {
    // The last node on the first closes the circle.
    const double phi = 2 * kPi * (k % (kFootprintEdgeNodes - 1)) / (kFootprintEdgeNodes - 1);
    const double c = sinAngle * std::cos(phi), s = sinAngle * std::sin(phi);
    footprintEdge->Node(k).AssignComponents(
        Float4{static_cast<float>(lift * (cosAngle * ux + c * e1x + s * e2x)),
               static_cast<float>(lift * (cosAngle * uy + c * e1y + s * e2y)),
               static_cast<float>(lift * (cosAngle * uz + c * e1z + s * e2z)), 0});
  }
  footprintEdge->EndNodesUpdate();
  footprintEdgePlaced = true;
}

void TSceneContent::TImpl::ShowNightSide() {
  if (night) night->SetVisible(nightLook == TNightLook::nlCityLights && daylight);
}

void TSceneContent::TImpl::SetDayAndNight(const TDisplayChoices& choices) {
  scene::TColor& globeAmbient = earth->Material().FrontProperties().Ambient();
  if (choices.showDaylight) {
    sun->Ambient().SetRGBA(0.65f, 0.65f, 0.65f, 1);
    sun->Diffuse().SetRGBA(0.5f, 0.5f, 0.5f, 1);
    sun->Specular().SetRGBA(0.5f, 0.5f, 0.5f, 1);
  } else {
    // Even light all round: the night side as bright as the day side.
    sun->Ambient().SetRGBA(1, 1, 1, 1);
    sun->Diffuse().SetRGBA(0, 0, 0, 1);
    sun->Specular().SetRGBA(0, 0, 0, 1);
  }
  const float k = choices.showDaylight ? 0.8f : 1.0f;
  globeAmbient.SetRGBA(k * lookAmbient.x, k * lookAmbient.y, k * lookAmbient.z, lookAmbient.w);
  daylight = choices.showDaylight;
  ShowNightSide();
}

void TSceneContent::TImpl::SetFootprint(const TDisplayChoices& choices) {
  // Without a placed primary the spotlight would light a patch below nothing.
  spotlight->SetShining(choices.showDaylight && choices.showFootprint && primaryPlaced);
  footprintEdge->SetVisible(spotlight->Shining() && footprintEdgePlaced);
}

void TSceneContent::TImpl::PlaceSun(double jd) {
  if (!(std::fabs(jd - lastSunTime) > kSunReplaceDays)) return;
  const std::optional<TSceneLocation> place = GeodeticToScene(orbit::SolarPosition(jd), jd);
  // A date the Sun cannot be computed for leaves the light where it was and tries again next time.
  if (!place || !Finite(place->point)) return;
  SetPoint(sun->Position(), place->point);
  if (night) night->SetSunDirection({place->point.x, place->point.y, place->point.z});
  lastSunTime = jd;
}

QString TSceneContent::TImpl::Observe(orbit::TSatellite& satellite, double jd) {
  orbit::GeodeticPoint home;
  home.latitude = orbit::Radians(homeLat);
  home.longitude = orbit::Radians(homeLon);
  home.altitude = homeHeightM / 1000.0;
  orbit::TObservation seen;
  const QString name = QString::fromStdString(satellite.Name());
  const QString age = ElementAgeNote(satellite.EpochAgeDays(jd));
  try {
    (void)satellite.Observe(home, jd, 0, seen);
  } catch (const orbit::EPropagationError& e) {
    // The marker stood, but no look angles come from the set: no stale position may stay either.
    return NoPositionText(name, e.Reason()) + age;
  } catch (const std::exception&) {
    return NoPositionText(name, {}) + age;
  }
  // The age goes with the name, the part of the line that is shortened first: the look angles at
  // its end are what an observer needs to see.
  QString text = QStringLiteral(" ") + name + age + QStringLiteral(": ") +
                 FormatLonLat(orbit::Degrees(seen.subLongitude), orbit::Degrees(seen.subLatitude));
  text += QString::asprintf("  Az:%.0f°  El:%1.f°  Range: %.0fkm", orbit::Degrees(seen.azimuth),
                            orbit::Degrees(seen.elevation), seen.range);
  return text;
}

bool TSceneContent::TImpl::FillOrbitLine(orbit::TSatellite& satellite, double jd) {
  const double period = satellite.PeriodDays();
  if (!std::isfinite(period)) return false;
  std::array<TScenePoint, kOrbitNodeCount> nodes;
  const TEarthTurn earth = EarthTurnAt(jd);
  for (int c = -kOrbitHalfNodes; c <= kOrbitHalfNodes; ++c) {
    const double tc = jd + period * c * 0.5 / kOrbitHalfNodes;
    // All nodes are put on the Earth as it is turned now: the ring in space as it lies over the globe
    // at this instant, not a ground track.
    const std::optional<TPlacedSatellite> placed = PlaceSatellite(satellite, tc, earth);
    if (!placed) return false;
    nodes[static_cast<std::size_t>(c + kOrbitHalfNodes)] = placed->location.point;
  }
  orbitLines->BeginNodesUpdate();
  for (int i = 0; i < kOrbitNodeCount; ++i) {
    const TScenePoint& p = nodes[static_cast<std::size_t>(i)];
    orbitLines->Node(i).AssignComponents(Float4{p.x, p.y, p.z, 0});
  }
  orbitLines->EndNodesUpdate();
  return true;
}

void TSceneContent::TImpl::PlacePrimary(orbit::TSatellite& satellite, const TPlacedSatellite& placed,
                                        double jd, TUpdateResult& result) {
  const TScenePoint& p = placed.location.point;
  // R is in scene units, far below the numerator, so the arcsine saturates: the same 2.61 degrees for
  // every satellite, the patch still growing with height because the light sits at ten times the
  // satellite's distance.
  const float cutOff = static_cast<float>(
      orbit::ArcSinSafe(6378135.0 / static_cast<double>(placed.location.radius)) * kSpotCutOffFactor);
  if (std::isfinite(cutOff)) spotlight->SetSpotCutOff(cutOff);
  // A set gone wild can put the satellite so far out that ten times its distance is no float.
  const TScenePoint spot{10 * p.x, 10 * p.y, 10 * p.z};
  if (Finite(spot)) {
    SetPoint(spotlight->Position(), spot);
    spotlight->SpotDirection().AssignVector(-p.x, -p.y, -p.z);
  }
  PlaceFootprintEdge(placed.location);
  result.primaryStatus = Observe(satellite, jd);
  orbitFilled = orbitLines->LinePattern() == 0 || FillOrbitLine(satellite, jd);
}

std::optional<QString> TSceneContent::TImpl::TrackViewpoint(const TPlacedSatellite* primary, double jd,
                                                            orbit::TDateTime t) {
  std::optional<TSceneLocation> ground;
  Float4 up{0, 1, 0, 0};
  switch (view.viewpoint) {
    case 2:
    case 3:
      if (!primary) return std::nullopt;
      ground = primary->location;
      if (view.viewpoint == 3) {
        // Fly on sat: the direction of flight is up on the screen.
        const TScenePoint motion = VelocityToScene(primary->velocityKmPerS, jd);
        if (!UsableDirection(motion)) return std::nullopt;
        up = Float4{motion.x, motion.y, motion.z, 0};
      }
      break;
    case 4:
      // Afresh on every update: the light's five-minute rule is about the light only.
      ground = GeodeticToScene(orbit::SolarPosition(jd), jd);
      break;
    case 5: {
      const std::optional<orbit::TMoonPosition> moon = orbit::MoonPosition(t);
      if (moon) ground = GeodeticToScene(moon->position, jd);
      break;
    }
    default:
      return std::nullopt;
  }
  if (!ground || !std::isfinite(ground->latitude) || !std::isfinite(ground->longitude)) return std::nullopt;
  view.viewLon = static_cast<float>(orbit::Degrees(ground->longitude) + 180);
  view.viewLat = static_cast<float>(orbit::Degrees(ground->latitude));
  view.cameraUp = up;
  return PlaceCamera();
}

void TSceneContent::TImpl::PlaceAll(double jd) {
  placements.assign(distinct.size(), std::nullopt);
  // The Earth's turn is the same for every satellite of the update.
  const TEarthTurn earth = EarthTurnAt(jd);
  // Points are placed between propagations; the primary, whose footprint, look angles and orbit line
  // are read off its place, and the spheres are always propagated in full.
  const std::size_t primaryEntry = source.empty() ? distinct.size() : source.front();
  const bool interpolate = cloud != nullptr && tracks.size() == distinct.size();
  // Each thread writes only its own slice of placements and tracks and propagates only its own
  // satellites.
  ParallelFor(distinct.size(), updateThreads, kMinSatellitesPerThread,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t u = begin; u < end; ++u) {
                  std::optional<TPlacedSatellite>& placed = placements[u];
                  if (interpolate && u != primaryEntry) {
                    if (const auto place = tracks[u].PlaceAt(*distinct[u], jd, earth, stretchDays[u])) {
                      placed = TPlacedSatellite{};
                      placed->location.point = place->point;
                      placed->motion = place->motion;
                    }
                    continue;
                  }
                  placed = PlaceSatellite(*distinct[u], jd, earth);
                  if (placed) placed->motion = VelocityToScene(placed->velocityKmPerS, earth);
                }
              });
}

void TSceneContent::TImpl::PlacePoints() {
  if (!cloud) return;
  std::vector<scene::TCloudPoint>& points = cloud->MutablePoints();
  for (std::size_t k = 0; k < points.size(); ++k) {
    scene::TCloudPoint& point = points[k];
    const std::optional<TPlacedSatellite>& placed = placements[source[k + 1]];
    point.shown = placed.has_value();
    if (!placed) continue;
    const TScenePoint& p = placed->location.point;
    point.position = {p.x, p.y, p.z};
    point.trailEnd = point.position;
    const TScenePoint& motion = placed->motion;
    const double length =
        std::sqrt(double(motion.x) * motion.x + double(motion.y) * motion.y + double(motion.z) * motion.z);
    // Against the motion, behind the satellite, as a sphere's trail runs.
    if (length > 0 && std::isfinite(length)) {
      const auto back = static_cast<float>(-kPointTrailLength / length);
      point.trailEnd = {p.x + back * motion.x, p.y + back * motion.y, p.z + back * motion.z};
    }
  }
  cloud->PointsChanged();
}

QString TSceneContent::TImpl::PlaceCamera() {
  {
    TChangesBatch<scene::TScene> batch(scene);
    const double lon = view.viewLon;
    const double lat = view.viewLat;
    if (std::isfinite(lon) && std::isfinite(lat)) {
      const TScenePoint p = ScenePointAbove(lon, lat, CameraDistance(view.zoom));
      if (Finite(p)) SetPoint(camera->Position(), p);
    }
    const Float4& up = view.cameraUp;
    if (UsableDirection({up.x, up.y, up.z})) camera->Up().AssignVector(up.x, up.y, up.z);
    // The footprint always points at the Earth's centre.
    const Float4& s = spotlight->Position().AsFloat4();
    spotlight->SpotDirection().AssignVector(-s.x, -s.y, -s.z);
  }
  return QStringLiteral(" Viewpoint: ") + FormatLonLat(view.viewLon, view.viewLat);
}

TSceneContent::TSceneContent() : impl_(std::make_unique<TImpl>()) {
  TChangesBatch<scene::TScene> batch(impl_->scene);
  impl_->BuildFixedObjects();
  impl_->BuildGraticule();
  impl_->BuildHomeAndFootprintEdge();
}

TSceneContent::~TSceneContent() = default;

scene::TScene& TSceneContent::Scene1() noexcept {
  return impl_->scene;
}
scene::TCamera& TSceneContent::MainCamera() noexcept {
  return *impl_->camera;
}
scene::TSphere& TSceneContent::SphereEarth() noexcept {
  return *impl_->earth;
}
scene::TLightSource& TSceneContent::LightSourceSun() noexcept {
  return *impl_->sun;
}
scene::TLightSource& TSceneContent::FootprintSpotlight() noexcept {
  return *impl_->spotlight;
}
scene::TLines& TSceneContent::OrbitLines() noexcept {
  return *impl_->orbitLines;
}

void TSceneContent::ApplyGlobeAppearance(int quality, int topographyItem) {
  static constexpr int kDivisions[] = {36, 48, 64, 96, 128, 192};
  const bool known = quality >= 0 && quality <= 5;
  const int n = known ? kDivisions[quality] : 48;
  TSphere& earth = *impl_->earth;
  TChangesBatch<scene::TScene> batch(impl_->scene);
  impl_->pointSize = known ? kPointSizes[quality] : kPointSizes[1];
  if (impl_->cloud) impl_->cloud->SetPointSize(impl_->pointSize);
  earth.SetSlices(n);
  earth.SetStacks(n);
  if (impl_->night) impl_->night->SetGlobe(kEarthRadius, n, n);
  scene::TFaceProperties& front = earth.Material().FrontProperties();
  if (topographyItem == 0) {
    earth.Material().Texture().SetDisabled(true);
    front.Ambient().SetFromPackedRGB(Packed(85, 113, 124));
    front.Diffuse().SetFromPackedRGB(Packed(149, 200, 219));
    front.Specular().SetFromPackedRGB(Packed(51, 51, 51));
  } else if (topographyItem == 1) {
    earth.Material().Texture().SetDisabled(false);
    front.Ambient().SetFromPackedRGB(Packed(150, 150, 150));
    front.Diffuse().SetFromPackedRGB(Packed(210, 210, 210));
    front.Specular().SetFromPackedRGB(Packed(64, 64, 64));
  }
  if (topographyItem == 0 || topographyItem == 1) impl_->lookAmbient = front.Ambient().AsFloat4();
}

void TSceneContent::LoadTexture(const QString& path) {
  // Throws and leaves the globe's map alone when the file will not do.
  impl_->earth->Material().Texture().LoadImageFromFile(path);
}

void TSceneContent::RebuildMarkers(const std::vector<const orbit::TSatellite*>& satellites, bool showTrails) {
  TImpl& d = *impl_;
  TChangesBatch<scene::TScene> batch(d.scene);
  // The night side stays the globe's first child, drawn before the satellites in front of it; moved
  // within the scene, it keeps its textures.
  if (d.night) (void)d.night->Reparent(&d.scene.ObjectRoot());
  d.earth->DestroyChildren();
  if (d.night) (void)d.night->Reparent(d.earth);
  d.markers.clear();
  d.cloud = nullptr;
  d.shown.clear();
  d.colours.clear();
  d.distinct.clear();
  d.source.clear();
  std::unordered_map<const orbit::TSatellite*, std::size_t> entries;
  for (const orbit::TSatellite* satellite : satellites) {
    if (!satellite) continue;
    const auto [at, added] = entries.try_emplace(satellite, d.distinct.size());
    if (added) d.distinct.push_back(&Propagatable(*satellite));
    d.source.push_back(at->second);
    d.shown.push_back(satellite);
  }
  const bool points = d.shown.size() > kSphereMarkerLimit;
  const std::size_t spheres = points ? 1 : d.shown.size();
  d.tracks.assign(points ? d.distinct.size() : 0, TInterpolatedTrack{});
  d.stretchDays.assign(d.tracks.size(), 0.0);
  for (std::size_t u = 0; u < d.tracks.size(); ++u) {
    // Stretches of slightly different lengths, so that the satellites' propagations spread over the
    // pictures instead of all falling on the same one.
    const double spread = 0.75 + 0.25 * std::fmod(static_cast<double>(u) * 0.6180339887498949, 1.0);
    d.stretchDays[u] = TInterpolatedTrack::StretchDays(d.distinct[u]->Elements()) * spread;
  }
  for (std::size_t i = 0; i < d.shown.size(); ++i) {
    d.colours.push_back(points && i > 0 ? OrbitClassColour(OrbitClassOf(*d.shown[i]))
                                        : SatelliteColour(static_cast<int>(i)));
  }
  for (std::size_t i = 0; i < spheres; ++i) {
    TSphere& marker = d.earth->AddNewChild<TSphere>();
    marker.SetRadius(kMarkerRadius);
    scene::TFaceProperties& front = marker.Material().FrontProperties();
    front.Diffuse().SetFromPackedRGB(Packed(48, 48, 48));
    front.Ambient().SetFromPackedRGB(Packed(d.colours[i]));
    marker.Tag = reinterpret_cast<std::intptr_t>(d.shown[i]);
    d.markers.push_back(&marker);
  }
  if (points) {
    d.cloud = &d.earth->AddNewChild<scene::TPointCloud>();
    d.cloud->SetPointSize(d.pointSize);
    // The globe hides half the catalogue at any time; those points need not be sent at all.
    const Float4 centre = d.earth->GetWorldPosition();
    const scene::TOccludingSphere globe{{centre.x, centre.y, centre.z}, kEarthRadius};
    d.cloud->SetOccluder(&globe);
    std::vector<scene::TCloudPoint>& cloudPoints = d.cloud->MutablePoints();
    cloudPoints.resize(d.shown.size() - 1);
    for (std::size_t k = 0; k < cloudPoints.size(); ++k) {
      const TRgb c = d.colours[k + 1];
      cloudPoints[k].r = c.r;
      cloudPoints[k].g = c.g;
      cloudPoints[k].b = c.b;
    }
    d.cloud->PointsChanged();
  }
  RebuildTrails(showTrails);
}

void TSceneContent::RebuildTrails(bool showTrails) {
  TChangesBatch<scene::TScene> batch(impl_->scene);
  for (TSphere* marker : impl_->markers) {
    // Whatever was there goes first, so asking twice never gives a marker two trails.
    marker->DestroyChildren();
    if (!showTrails) continue;
    const orbit::TSatellite* satellite = SatelliteOf(marker);
    // A geosynchronous satellite stands still over the globe: a trail would point nowhere useful.
    if (satellite && Geosynchronous(*satellite)) continue;
    TLines& trail = marker->AddNewChild<TLines>();
    trail.Tag = marker->Tag;
    trail.LineColor().SetFromPackedRGB(Packed(128, 128, 128));
    trail.SetLinePattern(0xFFFF);
    trail.SetSplineMode(scene::TLineSplineMode::lsmLines);
    trail.SetNodesAspect(scene::TLineNodesAspect::lnaInvisible);
    trail.AppendNode(0, 0, 0);
    trail.AppendNode(0, kTrailLength, 0);
  }
  if (scene::TPointCloud* cloud = impl_->cloud) {
    std::vector<scene::TCloudPoint>& points = cloud->MutablePoints();
    for (std::size_t k = 0; k < points.size(); ++k) {
      points[k].trail = showTrails && !Geosynchronous(*impl_->shown[k + 1]);
    }
    cloud->PointsChanged();
  }
}

const std::vector<scene::TSphere*>& TSceneContent::Markers() const noexcept {
  return impl_->markers;
}

const scene::TPointCloud* TSceneContent::PointMarkers() const noexcept {
  return impl_->cloud;
}

const std::vector<const orbit::TSatellite*>& TSceneContent::Shown() const noexcept {
  return impl_->shown;
}

TRgb TSceneContent::MarkerColour(std::size_t index) const noexcept {
  return index < impl_->colours.size() ? impl_->colours[index] : SatelliteColour(static_cast<int>(index));
}

const orbit::TSatellite* TSceneContent::PickPoint(const scene::TScreenProjection& view, double x,
                                                  double y) const {
  const scene::TPointCloud* cloud = impl_->cloud;
  if (!cloud) return nullptr;
  const Float4 centre = impl_->earth->GetWorldPosition();
  const scene::TOccludingSphere globe{{centre.x, centre.y, centre.z}, kEarthRadius};
  const int index = cloud->NearestPointAt(view, x, y, kPointPickPixels, &globe);
  return index < 0 ? nullptr : impl_->shown[static_cast<std::size_t>(index) + 1];
}

void TSceneContent::SetUpdateThreads(int threads) noexcept {
  impl_->updateThreads = std::max(threads, 0);
}

const orbit::TSatellite* TSceneContent::SatelliteOf(const scene::TBaseSceneObject* object) noexcept {
  // Only markers and trails carry a tag in this scene.
  if (!object || object->Tag == 0) return nullptr;
  return reinterpret_cast<const orbit::TSatellite*>(object->Tag);
}

void TSceneContent::SetHome(double lonDeg, double latDeg, double heightM) {
  impl_->homeLon = lonDeg;
  impl_->homeLat = latDeg;
  impl_->homeHeightM = heightM;
  const TScenePoint at = ScenePointAbove(lonDeg, latDeg, kEarthRadius);
  if (Finite(at)) SetPoint(impl_->home->Position(), at);
}

const scene::TSphere& TSceneContent::HomeMarker() const noexcept {
  return *impl_->home;
}

const scene::TLines& TSceneContent::FootprintEdge() const noexcept {
  return *impl_->footprintEdge;
}

void TSceneContent::SetNightLook(TNightLook look) {
  TImpl& d = *impl_;
  d.nightLook = look;
  if (look == TNightLook::nlCityLights && !d.night) {
    TChangesBatch<scene::TScene> batch(d.scene);
    auto night = std::make_unique<scene::TNightSide>();
    night->SetGlobe(kEarthRadius, d.earth->Slices(), d.earth->Stacks());
    const Float4& sun = d.sun->Position().AsFloat4();
    night->SetSunDirection({sun.x, sun.y, sun.z});
    try {
      night->Lights().SetImage(scene::BuiltInNightMap());
    } catch (const std::exception&) {
      // The night is still dark, only without its lights.
    }
    d.night = &static_cast<scene::TNightSide&>(d.earth->InsertChildAt(0, std::move(night)));
  }
  d.ShowNightSide();
}

TNightLook TSceneContent::NightLook() const noexcept {
  return impl_->nightLook;
}

void TSceneContent::ForgetSunTime() noexcept {
  impl_->lastSunTime = 0;
}

TViewState& TSceneContent::View() noexcept {
  return impl_->view;
}

QString TSceneContent::PlaceCamera() {
  return impl_->PlaceCamera();
}

TSceneContent::TUpdateResult TSceneContent::UpdateScene(orbit::TDateTime t, const TDisplayChoices& choices) {
  TImpl& d = *impl_;
  TUpdateResult result;
  TChangesBatch<scene::TScene> batch(d.scene);
  d.SetDayAndNight(choices);
  double jd = 0;
  try {
    jd = orbit::JulianDateFromDateTime(t);
  } catch (const std::exception&) {
    // A clock outside the calendar moves nothing; the lighting choice still applies.
    d.SetFootprint(choices);
    return result;
  }
  try {
    d.PlaceSun(jd);
  } catch (const std::exception&) {
    // The Sun light stays where it was; the satellites still move.
  }
  d.primaryPlaced = false;
  std::optional<TPlacedSatellite> primary;
  d.PlaceAll(jd);
  for (std::size_t i = 0; i < d.markers.size(); ++i) {
    TSphere& marker = *d.markers[i];
    // Each marker on its own: one set that cannot be propagated (decayed, say) hides its own marker and
    // leaves the others to move.
    try {
      const orbit::TSatellite* satellite = SatelliteOf(&marker);
      const std::optional<TPlacedSatellite>& placed = d.placements[d.source[i]];
      marker.SetVisible(placed.has_value());
      if (!placed) continue;
      SetPoint(marker.Position(), placed->location.point);
      const TScenePoint& motion = placed->motion;
      // The trail runs along the marker's up axis: against the motion, behind the satellite.
      if (UsableDirection(motion)) marker.Up().AssignVector(-motion.x, -motion.y, -motion.z);
      if (i == 0) {
        d.PlacePrimary(Propagatable(*satellite), *placed, jd, result);
        primary = placed;
      }
    } catch (const std::exception&) {
      marker.SetVisible(false);
    }
  }
  d.PlacePoints();
  d.primaryPlaced = primary.has_value();
  if (!d.markers.empty()) {
    if (const orbit::TSatellite* satellite = SatelliteOf(d.markers.front())) {
      result.primaryHead =
          QString::fromStdString(satellite->Name()) + ElementAgeNote(satellite->EpochAgeDays(jd));
    }
    if (!primary) {
      const orbit::TSatellite* satellite = SatelliteOf(d.markers.front());
      if (satellite) {
        // The parallel placement keeps no reasons; the one failing primary is asked again for its own.
        std::string primaryReason;
        (void)PlaceSatellite(Propagatable(*satellite), jd, EarthTurnAt(jd), &primaryReason);
        result.primaryStatus = NoPositionText(QString::fromStdString(satellite->Name()), primaryReason) +
                               ElementAgeNote(satellite->EpochAgeDays(jd));
      }
    }
    try {
      result.viewpointStatus = d.TrackViewpoint(primary ? &*primary : nullptr, jd, t);
    } catch (const std::exception&) {
      // The camera stays where it was.
    }
  }
  d.SetFootprint(choices);
  d.orbitLines->SetVisible(d.primaryPlaced && d.orbitFilled);
  return result;
}

}  // namespace nimbrel::app
