#include "app/OrbitClass.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPoint>
#include <algorithm>

#include "orbit/Satellite.h"

namespace nimbrel::app {

namespace {

constexpr double kLowEarthPeriodDays = 128.0 / 1440.0;
constexpr double kGeosynchronousLowDays = 0.9;
constexpr double kGeosynchronousHighDays = 1.1;
constexpr double kHighlyEllipticalEccentricity = 0.25;
constexpr int kLegendMargin = 4;
constexpr int kLegendGap = 4;

int LineHeight(const QFontMetrics& metrics) {
  return metrics.height();
}

}  // namespace

TOrbitClass OrbitClassOf(const orbit::TSatellite& satellite) noexcept {
  if (satellite.Eccentricity() >= kHighlyEllipticalEccentricity) return TOrbitClass::ocHighlyElliptical;
  const double period = satellite.PeriodDays();
  // A set without a usable mean motion has no period; it counts with the medium ones.
  if (period < kLowEarthPeriodDays) return TOrbitClass::ocLowEarth;
  if (period >= kGeosynchronousLowDays && period <= kGeosynchronousHighDays) {
    return TOrbitClass::ocGeosynchronous;
  }
  return TOrbitClass::ocMediumEarth;
}

TRgb OrbitClassColour(TOrbitClass orbitClass) noexcept {
  // Apart from each other and from the primary's orange-red; the low ones, the most numerous, in a
  // light blue that stands out on both the day and the night side.
  switch (orbitClass) {
    case TOrbitClass::ocLowEarth:
      return {96, 200, 255};
    case TOrbitClass::ocMediumEarth:
      return {64, 255, 96};
    case TOrbitClass::ocGeosynchronous:
      return {255, 224, 32};
    case TOrbitClass::ocHighlyElliptical:
      return {255, 96, 255};
  }
  return {192, 192, 192};
}

const char* OrbitClassName(TOrbitClass orbitClass) noexcept {
  switch (orbitClass) {
    case TOrbitClass::ocLowEarth:
      return "LEO";
    case TOrbitClass::ocMediumEarth:
      return "MEO";
    case TOrbitClass::ocGeosynchronous:
      return "GEO";
    case TOrbitClass::ocHighlyElliptical:
      return "HEO";
  }
  return "";
}

TLegendSize LegendSize(const QPainter& painter) {
  const QFontMetrics metrics = painter.fontMetrics();
  int textWidth = 0;
  for (TOrbitClass c : kOrbitClasses) {
    textWidth = std::max(textWidth, metrics.horizontalAdvance(QString::fromLatin1(OrbitClassName(c))));
  }
  const int line = LineHeight(metrics);
  return {2 * kLegendMargin + line + kLegendGap + textWidth,
          2 * kLegendMargin + line * static_cast<int>(kOrbitClasses.size())};
}

void PaintOrbitLegend(QPainter& painter, const QPoint& corner) {
  const TLegendSize size = LegendSize(painter);
  const QFontMetrics metrics = painter.fontMetrics();
  const int line = LineHeight(metrics);
  painter.save();
  painter.fillRect(corner.x(), corner.y(), size.width, size.height, QColor(0, 0, 0, 160));
  int y = corner.y() + kLegendMargin;
  for (TOrbitClass c : kOrbitClasses) {
    const TRgb rgb = OrbitClassColour(c);
    const QColor colour(rgb.r, rgb.g, rgb.b);
    const int square = line / 2;
    painter.fillRect(corner.x() + kLegendMargin + (line - square) / 2, y + (line - square) / 2, square,
                     square, colour);
    painter.setPen(colour);
    painter.drawText(corner.x() + kLegendMargin + line + kLegendGap, y + metrics.ascent(),
                     QString::fromLatin1(OrbitClassName(c)));
    y += line;
  }
  painter.restore();
}

}  // namespace nimbrel::app
