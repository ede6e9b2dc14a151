#pragma once
// Where the 3D view looks from: the viewpoint choice, the longitude and latitude bars, the zoom
// buttons, and the mouse over the view (a drag turns the globe, the wheel zooms, a rest names the
// satellite under the pointer, a double-click makes it the primary). The panel moves the scene's
// camera; what the view then shows reaches the window through the callbacks it wires. Its controls sit
// on the Display page where the form puts them, so the panel places them but is no widget of its own.
// UI thread only.

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class QWidget;

namespace nimbrel::orbit {
class TSatellite;
}
namespace nimbrel::scene {
class TBaseSceneObject;
class TSceneViewer;
}  // namespace nimbrel::scene

namespace nimbrel::app {

class TMessageSink;
class TSceneContent;
class TSessionModel;

class TNavigationPanel : public QObject {
  Q_OBJECT

 public:
  TNavigationPanel(TSceneContent& content, TSessionModel& model, TMessageSink& sink,
                   scene::TSceneViewer* viewer, QWidget* page);
  ~TNavigationPanel() override;

  QSlider* TrackBarLon = nullptr;
  QSlider* TrackBarLat = nullptr;
  QLabel* LabelLon = nullptr;
  QLabel* LabelLat = nullptr;
  QFrame* Bevel2 = nullptr;
  QGroupBox* RadioGroupViewpoint = nullptr;
  QPushButton* ButtonOut = nullptr;
  QPushButton* ButtonIn = nullptr;
  QLabel* LabelZoom = nullptr;

  // The view is drawn again for the session's time.
  std::function<void()> OnRefresh;
  // The camera's place, for the status bar.
  std::function<void(const QString&)> OnViewpointText;
  // The satellite under the pointer, named (empty when there is none).
  std::function<void(const QString&)> OnHoverText;
  // A double-click on a satellite: the user chose it as the primary.
  std::function<void(const QString& number)> OnMakePrimary;

  // The viewpoint group's selected item, -1 for none.
  int ViewpointItem() const;
  // The user's actions, callable by tests as the controls call them.
  void RadioGroupViewpointClick();
  // Selects a viewpoint as a user's click would, running its handler when the selection changes.
  void SelectViewpoint(int item);
  void TrackBarLonLatChange();
  void ButtonInClick();
  void ButtonOutClick();
  // Mouse over the 3D view, in view pixels.
  void SceneViewer1MouseDown(QPoint at);
  void SceneViewer1MouseMove(QPoint at);
  void SceneViewer1MouseUp();
  // The wheel zooms as "+" and "-" do: one notch (120 eighths of a degree, however finely a touchpad
  // delivers it) is one step, and the steps stop at the same ends.
  void SceneViewer1Wheel(int angleDelta);
  // A double-click on a marker makes its satellite the primary.
  void SceneViewer1DoubleClick(QPoint at);
  // Picks the object under `at` now (the hover does it once the mouse has rested).
  void HoverAt(QPoint at);
  // The markers are rebuilt: nothing is under the pointer until it moves again.
  void ClearHover();
  void PlaceCamera();
  // The scene has a new home: "Home loc." moves the camera there; any other viewpoint only needs the
  // new look angles.
  void HomeMoved();
  bool Dragging() const noexcept { return dragging_; }
  const scene::TBaseSceneObject* HoveredObject() const noexcept { return hoveredObject_; }
  // The satellite under the pointer, a sphere's or a point's; null for none.
  const orbit::TSatellite* HoveredSatellite() const noexcept { return hoveredSatellite_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ViewFromTrackBars();
  void Refresh();
  // The satellite whose marker or trail is drawn at `at` in the view, or none.
  const orbit::TSatellite* SatelliteAt(QPoint at);
  // ", elements N days old" for a set more than two weeks from the clock, else empty.
  QString ElementAgeNoteNow(const orbit::TSatellite& satellite) const;
  void Guarded(const std::function<void()>& handler) noexcept;

  TSceneContent& content_;
  TSessionModel& model_;
  TMessageSink& sink_;
  scene::TSceneViewer* viewer_ = nullptr;
  QButtonGroup* viewpointButtons_ = nullptr;
  bool dragging_ = false;
  QPoint dragStart_;
  int dragStartLonPos_ = 0;
  int dragStartLatPos_ = 0;
  int wheelRemainder_ = 0;
  QPoint hoverAt_;
  QTimer* hoverTimer_ = nullptr;
  const scene::TBaseSceneObject* hoveredObject_ = nullptr;
  const orbit::TSatellite* hoveredSatellite_ = nullptr;
};

}  // namespace nimbrel::app
