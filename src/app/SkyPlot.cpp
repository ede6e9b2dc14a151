#include "app/SkyPlot.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace nimbrel::app {

namespace {

constexpr double kUnixEpochJD = 2440587.5;
constexpr double kMarginPx = 18.0;  // room for the compass letters and time labels
constexpr double kDotRadiusPx = 3.0;

QDateTime LocalTime(double jd) {
  return QDateTime::fromMSecsSinceEpoch(std::llround((jd - kUnixEpochJD) * 86400000.0), Qt::UTC)
      .toLocalTime();
}

}  // namespace

TSkyPlot::TSkyPlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SkyPlot"));
  setToolTip(
      QStringLiteral("The sky from the home location: north up, east right, the zenith in the middle. "
                     "Times are local."));
}

void TSkyPlot::SetPass(std::vector<station::TPathPoint> path, const QString& emptyText) {
  path_ = std::move(path);
  emptyText_ = emptyText;
  update();
}

void TSkyPlot::SetPresent(std::optional<station::TSkyPoint> present) {
  if (present && !(present->elevationDeg > 0.0)) present.reset();
  present_ = present;
  update();
}

QRectF TSkyPlot::PlotArea() const {
  const double side = std::max(10.0, std::min(width(), height()) - 2 * kMarginPx);
  return {(width() - side) / 2.0, (height() - side) / 2.0, side, side};
}

QPointF TSkyPlot::PointFor(const station::TSkyPoint& sky, const QRectF& area) {
  const double el = std::isfinite(sky.elevationDeg) ? std::clamp(sky.elevationDeg, 0.0, 90.0) : 0.0;
  const double az = std::isfinite(sky.azimuthDeg) ? sky.azimuthDeg * M_PI / 180.0 : 0.0;
  const double r = area.width() / 2.0 * (90.0 - el) / 90.0;
  return {area.center().x() + r * std::sin(az), area.center().y() - r * std::cos(az)};
}

void TSkyPlot::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF area = PlotArea();
  const QPointF centre = area.center();
  const double radius = area.width() / 2.0;

  painter.setPen(QPen(palette().color(QPalette::Mid), 1));
  painter.setBrush(palette().color(QPalette::Base));
  painter.drawEllipse(centre, radius, radius);
  painter.setBrush(Qt::NoBrush);
  for (const double el : {30.0, 60.0}) {
    const double r = radius * (90.0 - el) / 90.0;
    painter.drawEllipse(centre, r, r);
  }
  painter.drawLine(QPointF(centre.x() - radius, centre.y()), QPointF(centre.x() + radius, centre.y()));
  painter.drawLine(QPointF(centre.x(), centre.y() - radius), QPointF(centre.x(), centre.y() + radius));

  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetricsF metrics(font());
  const auto letter = [&](const QString& text, double az) {
    const double out = kMarginPx / 2.0;
    const QPointF at = PointFor({az, 0.0}, area.adjusted(-out, -out, out, out));
    const QRectF box(at.x() - 10, at.y() - metrics.height() / 2, 20, metrics.height());
    painter.drawText(box, Qt::AlignCenter, text);
  };
  letter(QStringLiteral("N"), 0);
  letter(QStringLiteral("E"), 90);
  letter(QStringLiteral("S"), 180);
  letter(QStringLiteral("W"), 270);

  if (path_.empty()) {
    if (!emptyText_.isEmpty()) painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
  } else {
    QPainterPath line(PointFor(path_.front().sky, area));
    for (const station::TPathPoint& p : path_) line.lineTo(PointFor(p.sky, area));
    painter.setPen(QPen(kPathColor, 2));
    painter.drawPath(line);
    // A dot at every whole minute, so that the pace of the pass can be read off.
    painter.setBrush(kPathColor);
    const double firstMinute = std::ceil(path_.front().jd * 1440.0);
    std::size_t i = 0;
    for (double minute = firstMinute; minute <= path_.back().jd * 1440.0 && i < path_.size(); ++minute) {
      while (i + 1 < path_.size() && path_[i + 1].jd * 1440.0 <= minute) ++i;
      painter.drawEllipse(PointFor(path_[i].sky, area), kDotRadiusPx - 1, kDotRadiusPx - 1);
    }
    const auto label = [&](const station::TPathPoint& p, const QString& what) {
      const QPointF at = PointFor(p.sky, area);
      painter.setBrush(kPathColor);
      painter.drawEllipse(at, kDotRadiusPx, kDotRadiusPx);
      painter.setPen(palette().color(QPalette::WindowText));
      const QString text = what + QLatin1Char(' ') + LocalTime(p.jd).toString(QStringLiteral("hh:mm:ss"));
      // Inside the circle, on the side of the centre, so the label never leaves the widget.
      const double w = metrics.horizontalAdvance(text) + 4;
      const double x = at.x() < centre.x() ? at.x() + 4 : at.x() - 4 - w;
      const double y = at.y() < centre.y() ? at.y() + 2 : at.y() - 2 - metrics.height();
      painter.drawText(QRectF(x, y, w, metrics.height()), Qt::AlignCenter, text);
      painter.setPen(QPen(kPathColor, 2));
    };
    label(path_.front(), QStringLiteral("AOS"));
    label(path_.back(), QStringLiteral("LOS"));
  }

  if (present_) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kPresentColor);
    painter.drawEllipse(PointFor(*present_, area), kDotRadiusPx + 2, kDotRadiusPx + 2);
  }
}

}  // namespace nimbrel::app
