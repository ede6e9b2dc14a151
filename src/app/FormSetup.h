#pragma once
// The "Setup" page: how the globe is drawn (display quality, topography, the night side), the observer
// locations with the home, the Kepler data folder and the update at start. The drawing choices are
// stored settings that the window applies to the scene when the page says they changed; a new home or
// a new data folder is asked of the session model, which tells every page. UI thread only.

#include <QWidget>
#include <functional>
#include <memory>

class QButtonGroup;
class QComboBox;
class QGroupBox;

namespace nimbrel::catalogue {
class TcvnComboBox;
class TRegistryInteger;
}  // namespace nimbrel::catalogue

namespace nimbrel::app {

class TDataFolderPanel;
class TLocationsPanel;
class TMessageSink;
class TSessionModel;

class TFormSetup : public QWidget {
  Q_OBJECT

 public:
  TFormSetup(TSessionModel& model, TMessageSink& sink, QWidget* parent = nullptr);
  ~TFormSetup() override;

  QGroupBox* RadioGroupQuality = nullptr;
  QGroupBox* RadioGroupTopography = nullptr;
  QComboBox* ComboBoxNightSide = nullptr;
  TLocationsPanel* LocationsPanel = nullptr;
  TDataFolderPanel* DataFolderPanel = nullptr;
  catalogue::TcvnComboBox* ComboBoxUpdateAtStart = nullptr;

  // The radio groups' selected items, -1 for none.
  int QualityItem() const;
  int TopographyItem() const;
  // The stored choices, -1 before they are read.
  int QualitySettingValue() const noexcept;
  int TopographySettingValue() const noexcept;
  // The user's actions, callable by tests as the controls call them.
  void RadioGroupQualityClick();
  void RadioGroupTopographyClick();
  void ComboBoxNightSideClick();
  // Another home was stored, or another Kepler folder: the session follows.
  void HomeLocationChanged();
  void KeplerFolderChanged();
  // The locations and the folder as stored now (nimbrel-settings may have changed them).
  void Refresh();
  // Where the topography image was read from, in the topography group's tooltip.
  void ShowTexturePath(const QString& path);

 signals:
  // The quality or the topography choice changed: the globe is drawn again with them.
  void AppearanceChanged();
  void NightSideChanged();

 private:
  void Guarded(const std::function<void()>& handler) noexcept;

  TSessionModel& model_;
  TMessageSink& sink_;
  QButtonGroup* qualityButtons_ = nullptr;
  QButtonGroup* topographyButtons_ = nullptr;
  std::unique_ptr<catalogue::TRegistryInteger> qualitySetting_;
  std::unique_ptr<catalogue::TRegistryInteger> topographySetting_;
  std::unique_ptr<catalogue::TRegistryInteger> nightSideSetting_;
};

}  // namespace nimbrel::app
