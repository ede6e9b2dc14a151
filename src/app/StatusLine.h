#pragma once
// What the window says under its pages: the status bar's panels (0 the satellite under the pointer,
// 1 the clock's date, 2 the viewpoint, then the download line on the right) and the primary's own line
// above them (panel 3), which is shortened to fit the window's width with its whole text in the
// tooltip. A label is written only when its text changes, since a write of the same text still costs
// a layout check and a repaint, at up to 30 pictures a second. UI thread only.

#include <QObject>
#include <QString>

#include "app/SceneContent.h"
#include "orbit/OrbitTime.h"

class QLabel;
class QStatusBar;
class QWidget;

namespace nimbrel::app {

class TStatusLine : public QObject {
  Q_OBJECT

 public:
  // The panels go into `bar`; the primary's line into `client`, where the window lays it out.
  TStatusLine(QStatusBar* bar, QWidget* client);

  QLabel* StatusPanels[4] = {};
  // Says when Kepler data is being downloaded in the background; hidden otherwise.
  QLabel* StatusDownload = nullptr;

  // The panels as wide as their longest texts in the window's font; the pointer's panel empty.
  void FitWidths(const QFont& font);
  // The satellite under the pointer (empty: none), shortened to its panel with the whole in the tooltip.
  void ShowHover(const QString& text);
  void ShowViewpoint(const QString& text);
  // The clock's date; `paintNow` paints it before the scene's work starts.
  void ShowDate(orbit::TDateTime t, bool paintNow);
  // The primary's line and the viewpoint after a scene update.
  void ShowUpdate(const TSceneContent::TUpdateResult& result);
  // The primary's whole line, empty before the first update.
  const QString& PrimaryLine() const noexcept { return primaryLine_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Panel 3 shows as much of the primary's line as its width allows.
  void FitPrimaryLine();

  // Panel 3's whole line and the part of it that is shortened first.
  QString primaryLine_;
  QString primaryHead_;
};

}  // namespace nimbrel::app
