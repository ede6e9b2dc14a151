#pragma once
// The four kinds of orbit a catalogue's markers are coloured by when there are too many to tell apart
// by their place in the list, their colours and the legend that names them.

#include <array>

#include "app/ViewMath.h"

class QPainter;
class QPoint;

namespace nimbrel::orbit {
class TSatellite;
}

namespace nimbrel::app {

enum class TOrbitClass { ocLowEarth, ocMediumEarth, ocGeosynchronous, ocHighlyElliptical };

inline constexpr std::array<TOrbitClass, 4> kOrbitClasses = {
    TOrbitClass::ocLowEarth, TOrbitClass::ocMediumEarth, TOrbitClass::ocGeosynchronous,
    TOrbitClass::ocHighlyElliptical};

// Highly elliptical: eccentricity 0.25 or more (Molniya, Tundra, transfer orbits), whatever the period.
// Otherwise by the period: low earth below 128 minutes (up to about 2,000 km), geosynchronous from 0.9
// to 1.1 days, medium earth everything else (navigation satellites, and the few beyond the ring).
TOrbitClass OrbitClassOf(const orbit::TSatellite& satellite) noexcept;
TRgb OrbitClassColour(TOrbitClass orbitClass) noexcept;
// "LEO", "MEO", "GEO", "HEO".
const char* OrbitClassName(TOrbitClass orbitClass) noexcept;

// The legend: one line per class, a square in its colour and its name, on a dark ground, with its
// top left corner at `corner`. Returns nothing; the size it takes is LegendSize().
void PaintOrbitLegend(QPainter& painter, const QPoint& corner);
struct TLegendSize {
  int width = 0;
  int height = 0;
};
TLegendSize LegendSize(const QPainter& painter);

}  // namespace nimbrel::app
