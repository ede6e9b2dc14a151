#pragma once
// What the 3D view draws besides the globe and the markers: the daylit side, the trails of past
// motion, the footprints and the orbits. The choices are stored settings (bound controls) that the
// panel applies to the scene; the window draws the view again when the panel asks (OnRefresh). The
// controls sit on the Display page beside the satellite list, where the form puts them. UI thread only.

#include <QObject>
#include <functional>

#include "app/SceneContent.h"

class QLabel;
class QWidget;

namespace nimbrel::catalogue {
class TcvnCheckBox;
class TcvnComboBox;
}  // namespace nimbrel::catalogue

namespace nimbrel::app {

class TMessageSink;

class TViewChoicesPanel : public QObject {
  Q_OBJECT

 public:
  TViewChoicesPanel(TSceneContent& content, TMessageSink& sink, QWidget* page);

  catalogue::TcvnCheckBox* CheckBoxShowDaylight = nullptr;
  catalogue::TcvnCheckBox* CheckBoxShowTrails = nullptr;
  catalogue::TcvnCheckBox* CheckBoxShowFootprint = nullptr;
  catalogue::TcvnComboBox* ComboBoxShowOrbit = nullptr;
  QLabel* LabelShowOrbit = nullptr;

  // The view is drawn again with the choices.
  std::function<void()> OnRefresh;
  // The trails were made again: what was under the pointer is gone.
  std::function<void()> OnTrailsRebuilt;

  // The choices a scene update reads.
  TDisplayChoices Choices() const;
  bool Trails() const;
  // The user's actions, callable by tests as the controls call them.
  void CheckBoxShowDaylightClick();
  void CheckBoxShowFootprintClick();
  void CheckBoxShowTrailsClick();
  void ComboBoxShowOrbitClick();
  void RebuildTrails();
  // When the window is shown: the orbit choice shows what is drawn, the primary's orbit unless "none"
  // was chosen and stored.
  void ShowOrbitChoice();

 private:
  void Refresh();
  void Guarded(const std::function<void()>& handler) noexcept;

  TSceneContent& content_;
  TMessageSink& sink_;
};

}  // namespace nimbrel::app
