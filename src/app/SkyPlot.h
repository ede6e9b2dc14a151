#pragma once
// The sky as a polar plot: the horizon is the outer circle, the zenith its centre, north up and east
// to the right, as on a star chart held overhead. It draws one pass from AOS to LOS with its times,
// and the satellite's present place while it is up.

#include <QColor>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "station/PassPath.h"

namespace nimbrel::app {

class TSkyPlot : public QWidget {
  Q_OBJECT

 public:
  static constexpr QColor kPathColor{0, 110, 220};
  static constexpr QColor kPresentColor{220, 30, 30};

  explicit TSkyPlot(QWidget* parent = nullptr);

  // The pass to draw, in time order; empty for none, and then `emptyText` is shown.
  void SetPass(std::vector<station::TPathPoint> path, const QString& emptyText = {});
  // Where the satellite is now; drawn only when above the horizon.
  void SetPresent(std::optional<station::TSkyPoint> present);

  const std::vector<station::TPathPoint>& Path() const noexcept { return path_; }
  const QString& EmptyText() const noexcept { return emptyText_; }
  // The square the horizon circle is drawn in.
  QRectF PlotArea() const;
  // Where a direction falls in a plot drawn in `area`; below the horizon on its edge.
  static QPointF PointFor(const station::TSkyPoint& sky, const QRectF& area);

  QSize sizeHint() const override { return {260, 260}; }
  QSize minimumSizeHint() const override { return {140, 140}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<station::TPathPoint> path_;
  QString emptyText_;
  std::optional<station::TSkyPoint> present_;
};

}  // namespace nimbrel::app
