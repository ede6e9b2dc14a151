#pragma once
// The Station page's transmitter choice: the primary satellite's transmitters from the SatNOGS DB
// list kept in the data folder, the CTCSS tone, the place in a linear transponder's passband and the
// satellite's frequency offset. Every choice is kept per satellite in the program's key at once.
//
// The panel only chooses; the page turns the choice into the tracker's settings (Plan) when the
// panel says something changed.

#include <QDateTime>
#include <QGroupBox>
#include <QString>
#include <optional>
#include <vector>

#include "app/StationSettings.h"
#include "catalogue/Transmitters.h"
#include "station/TransmitterPlan.h"

class QDoubleSpinBox;
class QLabel;
class QSlider;
class QSpinBox;
class QTreeWidget;

namespace nimbrel::app {

class TTransmitterPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit TTransmitterPanel(QWidget* parent = nullptr);

  // The satellite whose transmitters are shown (its catalogue number; empty for none). The list is
  // read from the data folder's transmitter list, again only when that file has changed. With
  // `typedFrequencies`, a satellite without a kept choice stays on the typed frequencies instead of
  // taking its first recommended transmitter.
  void SetSatellite(const QString& catalogueNumber, bool typedFrequencies);
  // Reads the list again when its file has changed since (a download); true when a transmitter was
  // or is chosen, whose frequencies may have changed with it.
  bool Refresh();

  // The chosen transmitter with the user's choices for it; none when the typed frequencies count.
  std::optional<station::TTransmitterPlan> Plan() const;
  const catalogue::TTransmitter* Chosen() const noexcept;
  // The choice is the user's, kept for the satellite, rather than the list's recommendation.
  bool Kept() const noexcept { return kept_; }
  double FrequencyOffsetHz() const;

  // The typed frequencies count from now on (the user typed over the transmitter's).
  void ChooseNone();
  // The tracker moved the place to where the user turned the radio's dial.
  void ShowPlace(double placeHz);

  // The transmitter list in the data folder now in use.
  static QString ListFile();

  QTreeWidget* ListTransmitters = nullptr;
  QDoubleSpinBox* SpinCtcss = nullptr;
  QSlider* SliderPlace = nullptr;
  QLabel* LabelPlace = nullptr;
  QSpinBox* SpinOffset = nullptr;
  QLabel* LabelSource = nullptr;

 signals:
  // The user chose another transmitter or changed the tone, the place or the offset.
  void Changed();

 private:
  void CreateControls();
  void Fill();
  void LoadList();
  void ShowChoice();
  void OnChosen();
  void OnTone();
  void OnPlace();
  void OnOffset();
  std::string Key(const char* prefix) const;

  TStationSettings settings_;
  QString catalogueNumber_;
  bool typedFrequencies_ = false;
  // The whole list as last read, and what it was read from.
  std::vector<catalogue::TTransmitter> all_;
  QString loadedFile_;
  QDateTime loadedTime_;
  QString problem_;
  // The satellite's transmitters in the order shown, and the chosen one (-1: typed frequencies).
  std::vector<catalogue::TTransmitter> mine_;
  int chosen_ = -1;
  bool kept_ = false;
  std::optional<double> placeOffsetHz_;  // from the passband's low end; none for its centre
};

}  // namespace nimbrel::app
