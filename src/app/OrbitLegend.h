#pragma once
// The key to the points' colours over the 3D view's corner, shown while the markers are points; the
// pointer passes through it to the view.

#include <QWidget>

namespace nimbrel::app {

class TOrbitLegend final : public QWidget {
 public:
  explicit TOrbitLegend(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace nimbrel::app
