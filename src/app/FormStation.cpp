#include "app/FormStation.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

#include "app/AccessibleNames.h"
#include "app/SessionModel.h"
#include "app/SkyPlot.h"
#include "app/TransmitterPanel.h"
#include "app/ViewMath.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "station/RadioClient.h"
#include "station/RotatorClient.h"
#include "station/TransmitterPlan.h"

namespace nimbrel::app {

namespace {

struct TAzimuthRange {
  const char* text;
  double min, max;
};
constexpr TAzimuthRange kAzimuthRanges[] = {
    {"0° to 360°", 0, 360}, {"-180° to 180°", -180, 180}, {"0° to 450°", 0, 450}};

QString Degrees(double deg) {
  return QStringLiteral("%1°").arg(deg, 0, 'f', 1);
}

QString Mhz(double hz) {
  return QStringLiteral("%1 MHz").arg(hz / 1e6, 0, 'f', 6);
}

// A frequency typed in MHz, with a point or a comma; 0 for an empty field, nothing for nonsense.
std::optional<double> ReadMhz(QString text) {
  text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
  if (text.isEmpty()) return 0.0;
  bool ok = false;
  const double mhz = text.toDouble(&ok);
  if (!ok || !std::isfinite(mhz) || mhz <= 0 || mhz > 1e6) return std::nullopt;
  return std::round(mhz * 1e6);
}

QString MhzField(double hz) {
  if (hz <= 0) return {};
  QString text = QString::number(hz / 1e6, 'f', 6);
  while (text.endsWith(QLatin1Char('0'))) text.chop(1);
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  return text;
}

// The nominal downlink and uplink a chosen transmitter is tuned to, whole hertz (on a linear
// transponder: the chosen place and its matching uplink).
std::pair<double, double> PlanFrequencies(const station::TTransmitterPlan& plan) {
  station::TTrackerSettings s;
  station::ApplyTransmitter(s, plan);
  const double up = s.transponder ? station::MatchingUplinkHz(*s.transponder, s.downlinkHz) : s.uplinkHz;
  return {std::round(s.downlinkHz), std::round(up)};
}

double RealUtcNow() {
  return orbit::DateTimeToJulianDate(orbit::CurrentUtc());
}

}  // namespace

TFormStation::TFormStation(QWidget* parent, station::TTracker::TClock clock, TPassAlert::TNotify notify)
    : QWidget(parent),
      clock_(clock ? std::move(clock) : station::TTracker::TClock(RealUtcNow)),
      rotator_(std::make_unique<station::TRotatorClient>()),
      radio_(std::make_unique<station::TRadioClient>()),
      alert_(notify ? std::move(notify) : TPassAlert::TNotify([](const QString& s, const QString& b) {
        SendDesktopNotification(s, b);
      })) {
  setObjectName(QStringLiteral("TabSheetStation"));
  CreateControls();
  Restore();
  connect(rotator_.get(), &station::THamlibLink::StateChanged, this,
          [this] { ShowLinkState(*rotator_, LabelRotatorState, ButtonRotator); });
  connect(rotator_.get(), &station::THamlibLink::ProblemChanged, this,
          [this] { ShowLinkState(*rotator_, LabelRotatorState, ButtonRotator); });
  connect(radio_.get(), &station::THamlibLink::StateChanged, this,
          [this] { ShowLinkState(*radio_, LabelRadioState, ButtonRadio); });
  connect(radio_.get(), &station::THamlibLink::ProblemChanged, this,
          [this] { ShowLinkState(*radio_, LabelRadioState, ButtonRadio); });
  connect(rotator_.get(), &station::TRotatorClient::PositionReported, this, [this] { ShowRotator(); });
  connect(radio_.get(), &station::TRadioClient::DownlinkReported, this, [this](qint64 hz) {
    // The radio reports every second; the tooltip is written only when the frequency changed.
    const QString tip = QStringLiteral("The radio reports %1.").arg(Mhz(static_cast<double>(hz)));
    if (LabelRadioState->toolTip() != tip) LabelRadioState->setToolTip(tip);
  });
}

TFormStation::~TFormStation() {
  tracker_.reset();
  // A rotator left turning would run on to the last target with nobody watching.
  if (CheckBoxTracking->isChecked() && rotator_->Connected()) rotator_->Stop();
  rotator_->Close();
  radio_->Close();
}

void TFormStation::CreateControls() {
  auto* rotatorBox = new QGroupBox(QStringLiteral("Antenna rotator (rotctld)"), this);
  auto* rotatorGrid = new QGridLayout(rotatorBox);
  EditRotator = new QLineEdit(rotatorBox);
  EditRotator->setToolTip(QStringLiteral("Where rotctld listens, HOST:PORT (its default port is 4533)"));
  ButtonRotator = new QPushButton(QStringLiteral("Connect"), rotatorBox);
  LabelRotatorState = new QLabel(QStringLiteral("Not connected."), rotatorBox);
  LabelRotatorState->setWordWrap(true);
  ComboAzimuthRange = new QComboBox(rotatorBox);
  for (const TAzimuthRange& range : kAzimuthRanges) ComboAzimuthRange->addItem(QString::fromUtf8(range.text));
  ComboAzimuthRange->setToolTip(QStringLiteral("Where the rotator's azimuth stops are"));
  ComboElevationMax = new QComboBox(rotatorBox);
  ComboElevationMax->addItems({QStringLiteral("90°"), QStringLiteral("180°")});
  ComboElevationMax->setToolTip(
      QStringLiteral("With 180°, a pass that would cross an azimuth stop is flown over the top instead"));
  SpinMinElevation = new QSpinBox(rotatorBox);
  SpinMinElevation->setRange(0, 45);
  SpinMinElevation->setSuffix(QStringLiteral("°"));
  SpinMinElevation->setMinimumWidth(
      SpinMinElevation->fontMetrics().horizontalAdvance(QStringLiteral("000°")) + 40);
  SpinMinElevation->setToolTip(
      QStringLiteral("Below this elevation the rotator waits where the next pass rises"));
  CheckBoxPark = new QCheckBox(QStringLiteral("Park between passes"), rotatorBox);
  rotatorGrid->addWidget(new QLabel(QStringLiteral("Address:"), rotatorBox), 0, 0);
  rotatorGrid->addWidget(EditRotator, 0, 1, 1, 2);
  rotatorGrid->addWidget(ButtonRotator, 0, 3);
  rotatorGrid->addWidget(LabelRotatorState, 1, 0, 1, 4);
  rotatorGrid->addWidget(new QLabel(QStringLiteral("Azimuth range:"), rotatorBox), 2, 0);
  rotatorGrid->addWidget(ComboAzimuthRange, 2, 1);
  rotatorGrid->addWidget(new QLabel(QStringLiteral("Highest elevation:"), rotatorBox), 2, 2);
  rotatorGrid->addWidget(ComboElevationMax, 2, 3);
  rotatorGrid->addWidget(new QLabel(QStringLiteral("Lowest elevation:"), rotatorBox), 3, 0);
  rotatorGrid->addWidget(SpinMinElevation, 3, 1);
  rotatorGrid->addWidget(CheckBoxPark, 3, 2, 1, 2);

  auto* radioBox = new QGroupBox(QStringLiteral("Radio (rigctld)"), this);
  auto* radioGrid = new QGridLayout(radioBox);
  EditRadio = new QLineEdit(radioBox);
  EditRadio->setToolTip(QStringLiteral("Where rigctld listens, HOST:PORT (its default port is 4532)"));
  ButtonRadio = new QPushButton(QStringLiteral("Connect"), radioBox);
  LabelRadioState = new QLabel(QStringLiteral("Not connected."), radioBox);
  LabelRadioState->setWordWrap(true);
  EditDownlink = new QLineEdit(radioBox);
  EditDownlink->setToolTip(QStringLiteral("The satellite's downlink in MHz, kept for this satellite"));
  EditUplink = new QLineEdit(radioBox);
  EditUplink->setToolTip(
      QStringLiteral("The satellite's uplink in MHz, kept for this satellite; the radio sends it on VFO B"));
  LabelDownlink = new QLabel(radioBox);
  LabelUplink = new QLabel(radioBox);
  radioGrid->addWidget(new QLabel(QStringLiteral("Address:"), radioBox), 0, 0);
  radioGrid->addWidget(EditRadio, 0, 1);
  radioGrid->addWidget(ButtonRadio, 0, 2);
  radioGrid->addWidget(LabelRadioState, 1, 0, 1, 3);
  radioGrid->addWidget(new QLabel(QStringLiteral("Downlink (MHz):"), radioBox), 2, 0);
  radioGrid->addWidget(EditDownlink, 2, 1);
  radioGrid->addWidget(LabelDownlink, 2, 2);
  radioGrid->addWidget(new QLabel(QStringLiteral("Uplink (MHz):"), radioBox), 3, 0);
  radioGrid->addWidget(EditUplink, 3, 1);
  radioGrid->addWidget(LabelUplink, 3, 2);
  PanelTransmitter = new TTransmitterPanel(this);

  auto* trackBox = new QGroupBox(QStringLiteral("Tracking"), this);
  auto* trackGrid = new QGridLayout(trackBox);
  LabelSatellite = new QLabel(QStringLiteral("No primary satellite."), trackBox);
  QFont bold = LabelSatellite->font();
  bold.setBold(true);
  LabelSatellite->setFont(bold);
  CheckBoxTracking = new QCheckBox(QStringLiteral("Point the rotator and tune the radio"), trackBox);
  CheckBoxTracking->setToolTip(
      QStringLiteral("Follows the real time (UTC), whatever the clock of the view shows"));
  LabelTarget = new QLabel(trackBox);
  LabelReported = new QLabel(trackBox);
  CheckBoxAlert = new QCheckBox(QStringLiteral("Notify"), trackBox);
  CheckBoxAlert->setToolTip(QStringLiteral("A desktop notification before the primary satellite rises"));
  SpinAlertMinutes = new QSpinBox(trackBox);
  SpinAlertMinutes->setRange(1, 120);
  SpinAlertMinutes->setSuffix(QStringLiteral(" min before AOS"));
  CheckBoxAlertBank = new QCheckBox(QStringLiteral("also for the shown bank"), trackBox);
  CheckBoxAlertBank->setToolTip(
      QStringLiteral("Notify before the passes of the active list's satellites as well"));
  trackGrid->addWidget(LabelSatellite, 0, 0, 1, 2);
  trackGrid->addWidget(CheckBoxTracking, 0, 2, 1, 2, Qt::AlignRight);
  trackGrid->addWidget(new QLabel(QStringLiteral("Satellite:"), trackBox), 1, 0);
  trackGrid->addWidget(LabelTarget, 1, 1, 1, 3);
  trackGrid->addWidget(new QLabel(QStringLiteral("Rotator:"), trackBox), 2, 0);
  trackGrid->addWidget(LabelReported, 2, 1, 1, 3);
  trackGrid->addWidget(CheckBoxAlert, 3, 0);
  trackGrid->addWidget(SpinAlertMinutes, 3, 1);
  trackGrid->addWidget(CheckBoxAlertBank, 3, 2, 1, 2);
  LabelElementAge = new QLabel(trackBox);
  LabelElementAge->setObjectName(QStringLiteral("LabelElementAge"));
  LabelElementAge->setWordWrap(true);
  LabelElementAge->hide();
  trackGrid->addWidget(LabelElementAge, 4, 0, 1, 4);
  trackGrid->setColumnStretch(3, 1);

  SkyPlot = new TSkyPlot(this);
  LabelPass = new QLabel(this);
  LabelPass->setAlignment(Qt::AlignHCenter);
  LabelPass->setWordWrap(true);

  auto* left = new QVBoxLayout;
  left->addWidget(rotatorBox);
  left->addWidget(radioBox);
  left->addWidget(PanelTransmitter);
  left->addWidget(trackBox);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(SkyPlot, 1);
  right->addWidget(LabelPass);
  // The rotator, the radio, the transmitters and the tracking need more height than the window's
  // designed size has: they scroll rather than squeeze their texts.
  auto* leftArea = new QScrollArea(this);
  leftArea->setObjectName(QStringLiteral("StationSettingsArea"));
  leftArea->setWidgetResizable(true);
  leftArea->setFrameShape(QFrame::NoFrame);
  leftArea->setFocusPolicy(Qt::NoFocus);
  auto* leftWidget = new QWidget(leftArea);
  leftWidget->setLayout(left);
  leftArea->setWidget(leftWidget);
  // Only up and down: the controls keep their whole width, and the sky plot takes what is left.
  leftArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  leftArea->setMinimumWidth(leftWidget->minimumSizeHint().width() +
                            leftArea->verticalScrollBar()->sizeHint().width());
  auto* page = new QHBoxLayout(this);
  page->addWidget(leftArea, 3);
  page->addLayout(right, 2);

  LabelSatellite->setWordWrap(true);

  connect(ButtonRotator, &QPushButton::clicked, this, &TFormStation::ButtonRotatorClick);
  connect(ButtonRadio, &QPushButton::clicked, this, &TFormStation::ButtonRadioClick);
  connect(CheckBoxTracking, &QCheckBox::clicked, this, &TFormStation::CheckBoxTrackingClick);
  connect(EditDownlink, &QLineEdit::editingFinished, this, &TFormStation::FrequencyEdited);
  connect(EditUplink, &QLineEdit::editingFinished, this, &TFormStation::FrequencyEdited);
  connect(PanelTransmitter, &TTransmitterPanel::Changed, this, [this] {
    ShowTransmitter();
    if (tracker_) tracker_->SetSettings(TrackerSettings());
  });
  connect(ComboAzimuthRange, &QComboBox::activated, this, &TFormStation::LimitsChanged);
  connect(ComboElevationMax, &QComboBox::activated, this, &TFormStation::LimitsChanged);
  connect(SpinMinElevation, &QSpinBox::editingFinished, this, &TFormStation::LimitsChanged);
  connect(CheckBoxPark, &QCheckBox::clicked, this, &TFormStation::LimitsChanged);
  connect(CheckBoxAlert, &QCheckBox::clicked, this, &TFormStation::AlertChanged);
  connect(SpinAlertMinutes, &QSpinBox::editingFinished, this, &TFormStation::AlertChanged);
  connect(CheckBoxAlertBank, &QCheckBox::clicked, this, &TFormStation::AlertChanged);
  NameStationControls(*this);
}

void TFormStation::Restore() {
  EditRotator->setText(
      settings_.Text(kStationRotator, QStringLiteral("localhost:%1").arg(station::kRotctldDefaultPort)));
  EditRadio->setText(
      settings_.Text(kStationRadio, QStringLiteral("localhost:%1").arg(station::kRigctldDefaultPort)));
  const int range = settings_.Integer(kStationAzRange, 0);
  ComboAzimuthRange->setCurrentIndex(range >= 0 && range < ComboAzimuthRange->count() ? range : 0);
  ComboElevationMax->setCurrentIndex(settings_.Integer(kStationElMax, 90) == 180 ? 1 : 0);
  SpinMinElevation->setValue(settings_.Integer(kStationMinEl, 0));
  CheckBoxPark->setChecked(settings_.Integer(kStationPark, 0) == 1);
  CheckBoxAlert->setChecked(settings_.Integer(kPassAlert, 0) == 1);
  SpinAlertMinutes->setValue(settings_.Integer(kPassAlertMinutes, 5));
  CheckBoxAlertBank->setChecked(settings_.Integer(kPassAlertBank, 0) == 1);
  alert_.SetSettings({CheckBoxAlert->isChecked(), SpinAlertMinutes->value()});
}

station::TTrackerSettings TFormStation::TrackerSettings() const {
  station::TTrackerSettings s;
  s.observer = observer_;
  s.minElevationDeg = SpinMinElevation->value();
  const TAzimuthRange& range = kAzimuthRanges[std::max(0, ComboAzimuthRange->currentIndex())];
  s.limits = {range.min, range.max, ComboElevationMax->currentIndex() == 1 ? 180.0 : 90.0};
  s.parkBetweenPasses = CheckBoxPark->isChecked();
  s.downlinkHz = ReadMhz(EditDownlink->text()).value_or(0.0);
  s.uplinkHz = ReadMhz(EditUplink->text()).value_or(0.0);
  s.downlinkOffsetHz = PanelTransmitter->FrequencyOffsetHz();
  if (const auto plan = PanelTransmitter->Plan()) station::ApplyTransmitter(s, *plan);
  return s;
}

void TFormStation::Follow(TSessionModel& model) {
  model_ = &model;
  for (auto signal : {&TSessionModel::HomeChanged, &TSessionModel::PrimaryChanged,
                      &TSessionModel::DataChanged, &TSessionModel::ShownChanged})
    connect(&model, signal, this, &TFormStation::FollowSession);
  FollowSession();
}

void TFormStation::FollowSession() {
  if (!model_) return;
  const orbit::TSatellite* primary = model_->Primary();
  QString waiting;
  if (!primary && !model_->PrimaryNumber().isEmpty()) {
    waiting = QStringLiteral(
                  "The primary satellite %1 is not in the Kepler data: nothing is tracked until "
                  "data with it is read or another satellite is made primary.")
                  .arg(model_->PrimaryNumber().trimmed());
  }
  SetSatellite(primary, model_->Observer(), model_->BankSatellites(), waiting);
}

void TFormStation::SetSatellite(const orbit::TSatellite* primary, double homeLatDeg, double homeLonDeg,
                                const std::vector<const orbit::TSatellite*>& alsoWatched) {
  SetSatellite(primary,
               orbit::GeodeticPoint{orbit::Radians(homeLatDeg),
                                    orbit::Radians(orbit::Modulus(homeLonDeg, 360.0)), 0.0, 0.0},
               alsoWatched);
}

void TFormStation::SetSatellite(const orbit::TSatellite* primary, const orbit::GeodeticPoint& observer,
                                const std::vector<const orbit::TSatellite*>& alsoWatched,
                                const QString& waiting) {
  alsoWatched_.clear();
  for (const orbit::TSatellite* s : alsoWatched)
    if (s) alsoWatched_.push_back(*s);
  // The page's copy may have another of several supplemental sets in use than the catalogue's.
  const bool same = primary && primary_ && primary->SameSetsAs(*primary_) &&
                    observer.latitude == observer_.latitude && observer.longitude == observer_.longitude &&
                    observer.altitude == observer_.altitude;
  observer_ = observer;
  if (same) {
    // A transmitter list downloaded meanwhile.
    if (PanelTransmitter->Refresh()) {
      ShowTransmitter();
      if (tracker_) tracker_->SetSettings(TrackerSettings());
    }
    UpdateAlertSatellites();
    return;
  }
  tracker_.reset();
  last_.reset();
  shownPassAos_ = 0.0;
  if (!primary) {
    primary_.reset();
    catalogueNumber_.clear();
    PanelTransmitter->SetSatellite({}, false);
    LabelSatellite->setText(waiting.isEmpty() ? QStringLiteral("No primary satellite.") : waiting);
    ShowElementAge(0.0);
    SkyPlot->SetPass({}, QStringLiteral("No satellite"));
    SkyPlot->SetPresent(std::nullopt);
    UpdateAlertSatellites();
    return;
  }
  primary_ = *primary;
  catalogueNumber_ = QString::fromStdString(primary->CatalogueNumber()).trimmed();
  QString name = QString::fromStdString(primary->Name()).trimmed();
  LabelSatellite->setText(name.isEmpty() ? catalogueNumber_ : name);
  EditDownlink->setText(MhzField(settings_.Downlink(catalogueNumber_)));
  EditUplink->setText(MhzField(settings_.Uplink(catalogueNumber_)));
  ShowElementAge(clock_());
  PanelTransmitter->SetSatellite(catalogueNumber_,
                                 !EditDownlink->text().isEmpty() || !EditUplink->text().isEmpty());
  ShowTransmitter();
  tracker_ =
      std::make_unique<station::TTracker>(*primary, TrackerSettings(), clock_, rotator_.get(), radio_.get());
  // The user turned the radio's dial on a linear transponder.
  connect(tracker_.get(), &station::TTracker::PlaceMoved, this, [this](double placeHz) {
    PanelTransmitter->ShowPlace(placeHz);
    ShowTransmitter();
  });
  tracker_->SetSteering(CheckBoxTracking->isChecked());
  connect(tracker_.get(), &station::TTracker::Updated, this, [this](const station::TTrackSample& sample) {
    ShowSample(sample);
    alert_.Check(sample.jd);
  });
  UpdateAlertSatellites();
  tracker_->Start();
}

void TFormStation::UpdateAlertSatellites() {
  std::vector<const orbit::TSatellite*> watched;
  if (primary_) watched.push_back(&*primary_);
  if (CheckBoxAlertBank->isChecked())
    for (const orbit::TSatellite& s : alsoWatched_) watched.push_back(&s);
  alert_.SetSatellites(watched, observer_);
}

void TFormStation::ShowElementAge(double jd) {
  const QString text = primary_ ? ElementAgeWarning(primary_->EpochAgeDays(jd)) : QString();
  if (LabelElementAge->text() != text) LabelElementAge->setText(text);
  LabelElementAge->setVisible(!text.isEmpty());
}

void TFormStation::ShowSample(const station::TTrackSample& sample) {
  last_ = sample;
  ShowElementAge(sample.jd);
  if (!sample.hasPosition) {
    LabelTarget->setText(QStringLiteral("no position now (%1)").arg(QString::fromStdString(sample.error)));
    LabelReported->setText(QStringLiteral("waits for a position"));
    SkyPlot->SetPresent(std::nullopt);
    return;
  }
  LabelTarget->setText(QStringLiteral("azimuth %1, elevation %2, %3 km")
                           .arg(Degrees(sample.azimuthDeg), Degrees(sample.elevationDeg))
                           .arg(std::lround(sample.rangeKm)));
  ShowRotator();
  LabelDownlink->setText(sample.downlinkHz ? Mhz(*sample.downlinkHz) : QString());
  LabelUplink->setText(sample.uplinkHz ? Mhz(*sample.uplinkHz) : QString());
  SkyPlot->SetPresent(station::TSkyPoint{sample.azimuthDeg, sample.elevationDeg});
  ShowPass();
}

void TFormStation::ShowRotator() {
  QString text;
  if (last_ && last_->hasPosition) {
    switch (last_->state) {
      case station::TTrackState::tsTracking:
        text = QStringLiteral("follows");
        break;
      case station::TTrackState::tsWaiting:
        text = QStringLiteral("waits at the next AOS");
        break;
      case station::TTrackState::tsParked:
        text = QStringLiteral("parked until the next pass");
        break;
      case station::TTrackState::tsNoPass:
        text = QStringLiteral("no pass within a day");
        break;
      case station::TTrackState::tsNoPosition:
        break;
    }
    if (last_->target)
      text += QStringLiteral(", target %1 %2")
                  .arg(Degrees(last_->target->azimuthDeg), Degrees(last_->target->elevationDeg));
  }
  if (const auto& reported = rotator_->Reported(); reported && rotator_->Connected())
    text +=
        QStringLiteral("; reports %1 %2").arg(Degrees(reported->azimuthDeg), Degrees(reported->elevationDeg));
  if (!CheckBoxTracking->isChecked()) text += QStringLiteral(" (tracking is off)");
  LabelReported->setText(text);
}

void TFormStation::ShowPass() {
  if (!tracker_) return;
  const auto& pass = tracker_->ComingPass();
  const double aos = pass ? pass->aosJD : -1.0;
  if (aos != shownPassAos_) {
    shownPassAos_ = aos;
    if (pass)
      SkyPlot->SetPass(tracker_->ComingPath());
    else
      SkyPlot->SetPass({}, QStringLiteral("No pass within a day"));
  }
  if (!pass) {
    LabelPass->clear();
    return;
  }
  const bool under = last_ && last_->jd >= pass->aosJD;
  QString text = QStringLiteral("%1 pass, up to %2")
                     .arg(under ? QStringLiteral("This") : QStringLiteral("Next"),
                          Degrees(orbit::Degrees(pass->maxElevation)));
  if (tracker_->Mapping().flipped) text += QStringLiteral(", flown over the top");
  if (tracker_->Mapping().crossesStop) text += QStringLiteral(", crosses the rotator's stop");
  LabelPass->setText(text + QLatin1Char('.'));
}

void TFormStation::ShowLinkState(station::THamlibLink& link, QLabel* label, QPushButton* button) {
  QString text;
  switch (link.State()) {
    case station::TLinkState::lsClosed:
      text = QStringLiteral("Not connected.");
      break;
    case station::TLinkState::lsConnecting:
      text = QStringLiteral("Connecting...");
      break;
    case station::TLinkState::lsConnected:
      text = QStringLiteral("Connected.");
      break;
    case station::TLinkState::lsWaitingToRetry:
      text = QStringLiteral("Trying again in a few seconds.");
      break;
  }
  if (!link.Problem().isEmpty()) text = link.Problem() + QLatin1Char(' ') + text;
  label->setText(text);
  button->setText(link.State() == station::TLinkState::lsClosed ? QStringLiteral("Connect")
                                                                : QStringLiteral("Disconnect"));
}

void TFormStation::ToggleLink(station::THamlibLink& link, QLineEdit* edit, const char* settingName) {
  if (link.State() != station::TLinkState::lsClosed) {
    link.Close();
    return;
  }
  const auto address = station::ParseDaemonAddress(edit->text().trimmed());
  if (!address) {
    link.Close();
    return;
  }
  settings_.SetText(settingName, edit->text().trimmed());
  link.Open(*address);
}

bool TFormStation::Steering() const noexcept {
  return CheckBoxTracking->isChecked() && (rotator_->State() != station::TLinkState::lsClosed ||
                                           radio_->State() != station::TLinkState::lsClosed);
}

void TFormStation::ButtonRotatorClick() {
  if (rotator_->State() == station::TLinkState::lsClosed &&
      !station::ParseDaemonAddress(EditRotator->text().trimmed())) {
    LabelRotatorState->setText(QStringLiteral("The address must be HOST:PORT, for example localhost:4533."));
    return;
  }
  if (rotator_->Connected() && CheckBoxTracking->isChecked()) rotator_->Stop();
  ToggleLink(*rotator_, EditRotator, kStationRotator);
}

void TFormStation::ButtonRadioClick() {
  if (radio_->State() == station::TLinkState::lsClosed &&
      !station::ParseDaemonAddress(EditRadio->text().trimmed())) {
    LabelRadioState->setText(QStringLiteral("The address must be HOST:PORT, for example localhost:4532."));
    return;
  }
  ToggleLink(*radio_, EditRadio, kStationRadio);
}

void TFormStation::CheckBoxTrackingClick() {
  const bool on = CheckBoxTracking->isChecked();
  if (tracker_) tracker_->SetSteering(on);
  if (!on && rotator_->Connected()) rotator_->Stop();
  if (on && tracker_) tracker_->Update();
  ShowRotator();
}

bool TFormStation::ShowTransmitter() {
  const auto plan = PanelTransmitter->Plan();
  if (!plan || catalogueNumber_.isEmpty()) return false;
  const auto [down, up] = PlanFrequencies(*plan);
  // The user's choice is kept as typed frequencies are, so that they stay when the list goes; the
  // list's recommendation is not, so that it may follow the list.
  if (PanelTransmitter->Kept()) {
    settings_.SetDownlink(catalogueNumber_, down);
    settings_.SetUplink(catalogueNumber_, up);
  }
  const QSignalBlocker blockDown(EditDownlink);
  const QSignalBlocker blockUp(EditUplink);
  EditDownlink->setText(MhzField(down));
  EditUplink->setText(MhzField(up));
  return true;
}

void TFormStation::FrequencyEdited() {
  const auto down = ReadMhz(EditDownlink->text());
  const auto up = ReadMhz(EditUplink->text());
  // Typing over the chosen transmitter's frequencies goes back to typed frequencies.
  if (const auto plan = PanelTransmitter->Plan(); plan && !catalogueNumber_.isEmpty()) {
    const auto [chosenDown, chosenUp] = PlanFrequencies(*plan);
    if ((down && *down != chosenDown) || (up && *up != chosenUp)) PanelTransmitter->ChooseNone();
  }
  // A field that does not read as MHz is put back as kept.
  if (!catalogueNumber_.isEmpty()) {
    if (down) settings_.SetDownlink(catalogueNumber_, *down);
    if (up) settings_.SetUplink(catalogueNumber_, *up);
    const QSignalBlocker blockDown(EditDownlink);
    const QSignalBlocker blockUp(EditUplink);
    EditDownlink->setText(MhzField(settings_.Downlink(catalogueNumber_)));
    EditUplink->setText(MhzField(settings_.Uplink(catalogueNumber_)));
  }
  if (tracker_) tracker_->SetSettings(TrackerSettings());
}

void TFormStation::LimitsChanged() {
  settings_.SetInteger(kStationAzRange, ComboAzimuthRange->currentIndex());
  settings_.SetInteger(kStationElMax, ComboElevationMax->currentIndex() == 1 ? 180 : 90);
  settings_.SetInteger(kStationMinEl, SpinMinElevation->value());
  settings_.SetInteger(kStationPark, CheckBoxPark->isChecked() ? 1 : 0);
  shownPassAos_ = 0.0;
  if (tracker_) tracker_->SetSettings(TrackerSettings());
}

void TFormStation::AlertChanged() {
  settings_.SetInteger(kPassAlert, CheckBoxAlert->isChecked() ? 1 : 0);
  settings_.SetInteger(kPassAlertMinutes, SpinAlertMinutes->value());
  settings_.SetInteger(kPassAlertBank, CheckBoxAlertBank->isChecked() ? 1 : 0);
  alert_.SetSettings({CheckBoxAlert->isChecked(), SpinAlertMinutes->value()});
  UpdateAlertSatellites();
}

}  // namespace nimbrel::app
