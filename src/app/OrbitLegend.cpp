#include "app/OrbitLegend.h"

#include <QImage>
#include <QPainter>

#include "app/OrbitClass.h"

namespace nimbrel::app {

TOrbitLegend::TOrbitLegend(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  QPainter measure;
  QImage probe(1, 1, QImage::Format_ARGB32);
  measure.begin(&probe);
  measure.setFont(font());
  const TLegendSize size = LegendSize(measure);
  measure.end();
  resize(size.width, size.height);
}

void TOrbitLegend::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  PaintOrbitLegend(painter, QPoint(0, 0));
}

}  // namespace nimbrel::app
