#include "app/TransmitterPanel.h"

#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "catalogue/CatalogueNumber.h"
#include "catalogue/DataFolder.h"
#include "station/Transponder.h"

namespace nimbrel::app {

namespace {

enum TColumn { kColumnDescription, kColumnDownlink, kColumnUplink, kColumnMode, kColumnState, kColumnCount };

// Stored for "no kept value", which no uuid can be.
const QString kAbsent = QStringLiteral("<none kept>");
// A satellite's oscillator is off by a few kilohertz at most; more is a typing error.
constexpr int kMaxOffsetHz = 100000;

QString Mhz(double hz) {
  return QString::number(hz / 1e6, 'f', 6);
}

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TTransmitterPanel::TTransmitterPanel(QWidget* parent) : QGroupBox(QStringLiteral("Transmitter"), parent) {
  setObjectName(QStringLiteral("PanelTransmitter"));
  CreateControls();
}

void TTransmitterPanel::CreateControls() {
  auto* grid = new QGridLayout(this);
  ListTransmitters = new QTreeWidget(this);
  ListTransmitters->setColumnCount(kColumnCount);
  ListTransmitters->setHeaderLabels({QStringLiteral("Transmitter"), QStringLiteral("Downlink (MHz)"),
                                     QStringLiteral("Uplink (MHz)"), QStringLiteral("Mode"),
                                     QStringLiteral("State")});
  ListTransmitters->setRootIsDecorated(false);
  ListTransmitters->setAllColumnsShowFocus(true);
  ListTransmitters->setMaximumHeight(ListTransmitters->fontMetrics().height() * 9);
  ListTransmitters->setAccessibleName(QStringLiteral("Transmitters of the primary satellite"));
  ListTransmitters->setToolTip(
      QStringLiteral("Choosing one sets the downlink, the uplink and the radio's modes; typing a frequency "
                     "goes back to typed frequencies"));

  SpinCtcss = new QDoubleSpinBox(this);
  SpinCtcss->setRange(0.0, 254.1);
  SpinCtcss->setDecimals(1);
  SpinCtcss->setSuffix(QStringLiteral(" Hz"));
  SpinCtcss->setSpecialValueText(QStringLiteral("none"));
  SpinCtcss->setAccessibleName(QStringLiteral("CTCSS tone"));
  SpinCtcss->setToolTip(
      QStringLiteral("The tone an FM repeater opens with (67.0 Hz, say); kept for this satellite"));
  auto* labelCtcss = new QLabel(QStringLiteral("CTCSS &tone:"), this);
  labelCtcss->setBuddy(SpinCtcss);

  SliderPlace = new QSlider(Qt::Horizontal, this);
  SliderPlace->setTracking(false);
  SliderPlace->setAccessibleName(QStringLiteral("Place in the transponder's passband"));
  SliderPlace->setToolTip(
      QStringLiteral("Where in the linear transponder's passband to listen; the uplink follows"));
  auto* labelPlace = new QLabel(QStringLiteral("&Passband:"), this);
  labelPlace->setBuddy(SliderPlace);
  LabelPlace = new QLabel(this);

  SpinOffset = new QSpinBox(this);
  SpinOffset->setRange(-kMaxOffsetHz, kMaxOffsetHz);
  SpinOffset->setSingleStep(100);
  SpinOffset->setSuffix(QStringLiteral(" Hz"));
  SpinOffset->setAccessibleName(QStringLiteral("Frequency offset of the satellite"));
  SpinOffset->setToolTip(
      QStringLiteral("Added to the downlink before the Doppler shift, for a satellite whose oscillator has "
                     "drifted; kept for this satellite"));
  auto* labelOffset = new QLabel(QStringLiteral("&Offset:"), this);
  labelOffset->setBuddy(SpinOffset);

  LabelSource = new QLabel(this);
  LabelSource->setWordWrap(true);

  grid->addWidget(ListTransmitters, 0, 0, 1, 4);
  grid->addWidget(labelCtcss, 1, 0);
  grid->addWidget(SpinCtcss, 1, 1);
  grid->addWidget(labelOffset, 1, 2);
  grid->addWidget(SpinOffset, 1, 3);
  grid->addWidget(labelPlace, 2, 0);
  grid->addWidget(SliderPlace, 2, 1);
  grid->addWidget(LabelPlace, 2, 2, 1, 2);
  grid->addWidget(LabelSource, 3, 0, 1, 4);
  grid->setColumnStretch(1, 1);

  connect(ListTransmitters, &QTreeWidget::currentItemChanged, this, &TTransmitterPanel::OnChosen);
  connect(SpinCtcss, &QDoubleSpinBox::editingFinished, this, &TTransmitterPanel::OnTone);
  connect(SliderPlace, &QSlider::valueChanged, this, &TTransmitterPanel::OnPlace);
  connect(SpinOffset, &QSpinBox::editingFinished, this, &TTransmitterPanel::OnOffset);
  SetSatellite({}, false);
}

QString TTransmitterPanel::ListFile() {
  return catalogue::TransmitterListPath(catalogue::KeplerDataFolder());
}

std::string TTransmitterPanel::Key(const char* prefix) const {
  return prefix + catalogueNumber_.toStdString();
}

void TTransmitterPanel::LoadList() {
  const QString file = ListFile();
  const QFileInfo info(file);
  if (file == loadedFile_ && info.lastModified() == loadedTime_ && (!all_.empty() || !problem_.isEmpty()))
    return;
  loadedFile_ = file;
  loadedTime_ = info.lastModified();
  all_.clear();
  problem_.clear();
  if (!info.exists()) {
    problem_ = QStringLiteral(
        "No transmitter list yet: download the source \"transmitters\" with \"Update Kepler data...\".");
    return;
  }
  try {
    all_ = catalogue::ReadTransmitterFile(file.toStdString());
  } catch (const catalogue::ETransmitterListError& e) {
    problem_ = QString::fromStdString(e.what());
  }
}

bool TTransmitterPanel::Refresh() {
  if (catalogueNumber_.isEmpty()) return false;
  const QString file = ListFile();
  if (file == loadedFile_ && QFileInfo(file).lastModified() == loadedTime_) return false;
  const bool wasChosen = Chosen() != nullptr;
  SetSatellite(catalogueNumber_, typedFrequencies_);
  return wasChosen || Chosen() != nullptr;
}

void TTransmitterPanel::SetSatellite(const QString& catalogueNumber, bool typedFrequencies) {
  catalogueNumber_ = catalogueNumber;
  typedFrequencies_ = typedFrequencies;
  mine_.clear();
  chosen_ = -1;
  kept_ = false;
  if (!catalogueNumber_.isEmpty()) {
    LoadList();
    if (const auto norad = catalogue::CatalogueNumberValue(catalogueNumber_.toStdString()))
      mine_ = catalogue::TransmittersOf(all_, *norad);
    const QString kept = settings_.Text(Key("Transmitter.").c_str(), kAbsent);
    const catalogue::TTransmitter* found = nullptr;
    kept_ = kept != kAbsent;
    if (kept_)
      found = catalogue::FindTransmitter(mine_, kept.toStdString());
    else if (!typedFrequencies)
      found = catalogue::DefaultTransmitter(mine_);
    if (found) chosen_ = static_cast<int>(found - mine_.data());
  }
  Fill();
  ShowChoice();
}

void TTransmitterPanel::Fill() {
  const QSignalBlocker block(ListTransmitters);
  ListTransmitters->clear();
  auto* typed = new QTreeWidgetItem(ListTransmitters);
  typed->setText(kColumnDescription, QStringLiteral("Typed frequencies"));
  for (const catalogue::TTransmitter& t : mine_) {
    auto* item = new QTreeWidgetItem(ListTransmitters);
    item->setText(kColumnDescription, FromUtf8(t.description.empty() ? t.type : t.description));
    item->setText(kColumnDownlink, FromUtf8(catalogue::FormatDownlink(t)).remove(QStringLiteral(" MHz")));
    item->setText(kColumnUplink, FromUtf8(catalogue::FormatUplink(t)).remove(QStringLiteral(" MHz")));
    item->setText(kColumnMode, FromUtf8(t.mode));
    const std::string marks = t.Marks();
    item->setText(kColumnState, marks.empty() ? QStringLiteral("active") : FromUtf8(marks));
    item->setToolTip(kColumnDescription, FromUtf8(t.uuid));
    if (!t.Recommended()) {
      for (int c = 0; c < kColumnCount; ++c)
        item->setForeground(c, palette().brush(QPalette::PlaceholderText));
    }
  }
  ListTransmitters->setCurrentItem(ListTransmitters->topLevelItem(chosen_ + 1));
  for (int c = kColumnDownlink; c < kColumnCount; ++c) ListTransmitters->resizeColumnToContents(c);
  ListTransmitters->setEnabled(!catalogueNumber_.isEmpty());
}

const catalogue::TTransmitter* TTransmitterPanel::Chosen() const noexcept {
  return chosen_ >= 0 && chosen_ < static_cast<int>(mine_.size()) ? &mine_[static_cast<std::size_t>(chosen_)]
                                                                  : nullptr;
}

void TTransmitterPanel::ShowChoice() {
  const catalogue::TTransmitter* t = Chosen();
  const bool satellite = !catalogueNumber_.isEmpty();
  {
    const QSignalBlocker blockTone(SpinCtcss);
    const QSignalBlocker blockOffset(SpinOffset);
    const QSignalBlocker blockPlace(SliderPlace);
    SpinCtcss->setValue(satellite ? settings_.Integer(Key("Ctcss.").c_str(), 0) / 10.0 : 0.0);
    // SatNOGS's observed drift stands in for an offset the user has not set.
    const int drift = t && t->downlinkDriftHz ? static_cast<int>(std::lround(*t->downlinkDriftHz)) : 0;
    SpinOffset->setValue(satellite ? settings_.Integer(Key("FrequencyOffset.").c_str(), drift) : 0);
    placeOffsetHz_.reset();
    const bool passband = t && t->Passband();
    if (passband) {
      const int width =
          static_cast<int>(std::min<std::int64_t>(*t->downlinkHighHz - *t->downlinkLowHz, INT32_MAX));
      const int kept = settings_.Integer(Key("PassbandPlace.").c_str(), -1);
      if (kept >= 0 && kept <= width) placeOffsetHz_ = kept;
      SliderPlace->setRange(0, width);
      SliderPlace->setSingleStep(10);
      SliderPlace->setPageStep(std::max(10, width / 20));
      SliderPlace->setValue(placeOffsetHz_ ? static_cast<int>(*placeOffsetHz_) : width / 2);
    } else {
      SliderPlace->setRange(0, 0);
    }
    SliderPlace->setEnabled(passband);
  }
  SpinCtcss->setEnabled(satellite);
  SpinOffset->setEnabled(satellite);
  const auto plan = Plan();
  if (plan && t->Passband()) {
    station::TTrackerSettings s;
    station::ApplyTransmitter(s, *plan);
    LabelPlace->setText(
        QStringLiteral("%1 MHz").arg(Mhz(s.downlinkHz)) +
        (s.transponder->HasUplink()
             ? QStringLiteral(", uplink %1 MHz").arg(Mhz(MatchingUplinkHz(*s.transponder, s.downlinkHz)))
             : QString()));
  } else {
    LabelPlace->setText(QStringLiteral("not a linear transponder"));
  }
  if (!problem_.isEmpty() && satellite)
    LabelSource->setText(problem_);
  else if (satellite && mine_.empty())
    LabelSource->setText(QStringLiteral("SatNOGS DB lists no transmitter for this satellite."));
  else
    LabelSource->setText(QStringLiteral("Transmitter data from SatNOGS DB (db.satnogs.org), CC BY-SA 4.0."));
}

std::optional<station::TTransmitterPlan> TTransmitterPanel::Plan() const {
  const catalogue::TTransmitter* t = Chosen();
  if (!t) return std::nullopt;
  const auto hz = [](const std::optional<std::int64_t>& v) { return v ? static_cast<double>(*v) : 0.0; };
  return station::TTransmitterPlan{hz(t->downlinkLowHz),
                                   hz(t->downlinkHighHz),
                                   hz(t->uplinkLowHz),
                                   hz(t->uplinkHighHz),
                                   t->invert,
                                   t->mode,
                                   t->uplinkMode,
                                   SpinCtcss->value(),
                                   placeOffsetHz_,
                                   FrequencyOffsetHz()};
}

double TTransmitterPanel::FrequencyOffsetHz() const {
  return SpinOffset->value();
}

void TTransmitterPanel::OnChosen() {
  if (catalogueNumber_.isEmpty()) return;
  const int row = ListTransmitters->indexOfTopLevelItem(ListTransmitters->currentItem());
  if (row - 1 == chosen_) return;
  chosen_ = row - 1;
  kept_ = true;
  const catalogue::TTransmitter* t = Chosen();
  settings_.SetText(Key("Transmitter.").c_str(), t ? FromUtf8(t->uuid) : QString());
  // A new transmitter is listened to in the middle of its passband until the user moves.
  settings_.SetInteger(Key("PassbandPlace.").c_str(), -1);
  ShowChoice();
  emit Changed();
}

void TTransmitterPanel::ChooseNone() {
  if (chosen_ < 0 || catalogueNumber_.isEmpty()) return;
  chosen_ = -1;
  kept_ = true;
  settings_.SetText(Key("Transmitter.").c_str(), QString());
  {
    const QSignalBlocker block(ListTransmitters);
    ListTransmitters->setCurrentItem(ListTransmitters->topLevelItem(0));
  }
  ShowChoice();
}

void TTransmitterPanel::OnTone() {
  if (catalogueNumber_.isEmpty()) return;
  settings_.SetInteger(Key("Ctcss.").c_str(), static_cast<int>(std::lround(SpinCtcss->value() * 10.0)));
  emit Changed();
}

void TTransmitterPanel::OnPlace() {
  const catalogue::TTransmitter* t = Chosen();
  if (!t || !t->Passband()) return;
  placeOffsetHz_ = SliderPlace->value();
  settings_.SetInteger(Key("PassbandPlace.").c_str(), SliderPlace->value());
  ShowChoice();
  emit Changed();
}

void TTransmitterPanel::OnOffset() {
  if (catalogueNumber_.isEmpty()) return;
  settings_.SetInteger(Key("FrequencyOffset.").c_str(), SpinOffset->value());
  emit Changed();
}

void TTransmitterPanel::ShowPlace(double placeHz) {
  const catalogue::TTransmitter* t = Chosen();
  if (!t || !t->Passband() || !std::isfinite(placeHz)) return;
  const double offset = std::clamp(placeHz - static_cast<double>(*t->downlinkLowHz), 0.0,
                                   static_cast<double>(SliderPlace->maximum()));
  settings_.SetInteger(Key("PassbandPlace.").c_str(), static_cast<int>(std::lround(offset)));
  ShowChoice();
}

}  // namespace nimbrel::app
