#include "app/ClockPanel.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLocale>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>
#include <optional>

#include "app/FormLayout.h"
#include "app/SessionModel.h"

namespace nimbrel::app {

namespace {

constexpr int kTickAtOnceMs = 10;
constexpr int kTickIntervalMs = 5000;
constexpr std::int64_t kMsPerDay = 86400000;
const QDate kDateTimeOrigin(1899, 12, 30);
const char* const kStepItems[] = {"RT", "1", "2", "5", "15", "60", "120", "Man"};
constexpr int kManual = static_cast<int>(std::size(kStepItems)) - 1;

}  // namespace

TClockPanel::TClockPanel(TSessionModel& model, TMessageSink& sink, TSteadyClock steadyNow, QWidget* page)
    : QObject(page), model_(model), sink_(sink), steadyNow_(std::move(steadyNow)) {
  constexpr unsigned kRight = akRight | akTop;
  DatePicker = new QDateEdit(page);
  DatePicker->setObjectName(QStringLiteral("DatePicker"));
  DatePicker->setTimeSpec(Qt::UTC);
  DatePicker->setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
  DatePicker->setCalendarPopup(true);
  DatePicker->setToolTip(QStringLiteral("UTC date and time"));
  Place(DatePicker, 424, 8, 116, 25, kRight);
  TimePicker = new QTimeEdit(page);
  TimePicker->setObjectName(QStringLiteral("TimePicker"));
  TimePicker->setTimeSpec(Qt::UTC);
  TimePicker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  // Each field's arrows wrap it alone (59 up to 0); the cascade carries the roll-over onward.
  TimePicker->setWrapping(true);
  TimePicker->setToolTip(QStringLiteral("UTC date and time"));
  Place(TimePicker, 424, 38, 116, 25, kRight);
  // The pickers start at the present, as a desktop's date pickers do. The update before the first tick
  // computes the sky at their time; at a picker's default of 2000-01-01 that meant integrating every
  // deep-space set's resonances over decades, seconds at start with a whole catalogue.
  WritePickers(orbit::CurrentUtc());

  RadioGroupStep = RadioGroup(QStringLiteral(" Step mins "), kStepItems, 8, 2, stepButtons_, page);
  RadioGroupStep->setObjectName(QStringLiteral("RadioGroupStep"));
  RadioGroupStep->setToolTip(QStringLiteral("RT = real time,  Man = manual"));
  stepButtons_->button(0)->setChecked(true);
  Place(RadioGroupStep, 428, 344, 115, 97, kRight);
  ComboBoxSpeed = new QComboBox(page);
  ComboBoxSpeed->setObjectName(QStringLiteral("ComboBoxSpeed"));
  ComboBoxSpeed->addItem(QStringLiteral("Steps"));
  for (int speed : kSmoothSpeeds) ComboBoxSpeed->addItem(QStringLiteral("x%1").arg(speed));
  ComboBoxSpeed->setToolTip(QStringLiteral("Run the clock continuously at this many times real time"));
  Place(ComboBoxSpeed, 424, 68, 116, 25, kRight);

  TimerStep = new QTimer(this);
  TimerStep->setObjectName(QStringLiteral("TimerStep"));
  TimerStep->setInterval(1);
  TimerSmooth = new QTimer(this);
  TimerSmooth->setObjectName(QStringLiteral("TimerSmooth"));
  TimerSmooth->setSingleShot(true);
  TimerSmooth->setInterval(kSmoothPicturePeriod);
  // The cadence is kept to the millisecond; a coarse timer would let it wander by 5%.
  TimerSmooth->setTimerType(Qt::PreciseTimer);

  auto on = [this](auto* sender, auto signal, void (TClockPanel::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  on(TimerStep, &QTimer::timeout, &TClockPanel::TimerStepTimer);
  on(TimerSmooth, &QTimer::timeout, &TClockPanel::TimerSmoothTimer);
  on(ComboBoxSpeed, &QComboBox::activated, &TClockPanel::ComboBoxSpeedChange);
  // A user-only signal: the code's own selections must not run the handler.
  on(stepButtons_, &QButtonGroup::idClicked, &TClockPanel::RadioGroupStepClick);
  // Code writes to the pickers are wrapped in signal blockers.
  on(DatePicker, &QDateEdit::dateChanged, &TClockPanel::DateTimePickerChange);
  on(TimePicker, &QTimeEdit::timeChanged, &TClockPanel::DateTimePickerChange);
}

TClockPanel::~TClockPanel() = default;

void TClockPanel::Guarded(const std::function<void()>& handler) noexcept {
  RunGuarded(sink_, handler);
}

int TClockPanel::StepItem() const {
  return CheckedItem(stepButtons_);
}

void TClockPanel::Activated() {
  if (TimerStep->isActive()) TimerStep->start(kTickAtOnceMs);
}

void TClockPanel::Stop() {
  TimerStep->stop();
  TimerSmooth->stop();
}

void TClockPanel::WritePickers(orbit::TDateTime t) {
  const std::int64_t ms = ToMilliseconds(t);
  std::int64_t days = ms / kMsPerDay;
  if (ms % kMsPerDay < 0) --days;
  const QSignalBlocker blockDate(DatePicker);
  const QSignalBlocker blockTime(TimePicker);
  DatePicker->setDate(kDateTimeOrigin.addDays(days));
  TimePicker->setTime(QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms - days * kMsPerDay)));
}

orbit::TDateTime TClockPanel::ReadPickers() const {
  const std::int64_t days = kDateTimeOrigin.daysTo(DatePicker->date());
  return FromMilliseconds(days * kMsPerDay + TimePicker->time().msecsSinceStartOfDay());
}

void TClockPanel::TimerStepTimer() {
  TimerStep->stop();
  if (OnTick) OnTick();
  const int item = StepItem();
  if (item == 0) {
    model_.SetTime(model_.UtcNow());
  } else if (item > 0) {
    if (const std::optional<int> minutes = StepMinutes(stepButtons_->button(item)->text())) {
      model_.SetTime(AddMinutes(model_.Time(), *minutes));
    }
  }
  WritePickers(model_.Time());
  RefreshView();
}

void TClockPanel::RefreshView() {
  UpdateView(false);
}

void TClockPanel::UpdateView(bool runningClock) {
  TimerStep->stop();
  model_.SetTime(ReadPickers());
  if (OnShow) OnShow(runningClock);
  // The running clock has its own timer, and no step item is chosen meanwhile.
  if (StepItem() != kManual && !smoothClock_.Running()) TimerStep->start(kTickIntervalMs);
}

void TClockPanel::RadioGroupStepClick() {
  StopSmoothClock();
  const int item = StepItem();
  if (item == 0) {
    TimerStep->start(kTickAtOnceMs);
  } else if (item == kManual) {
    TimerStep->stop();
    RefreshView();
  } else if (item > 0) {
    model_.SetTime(ReadPickers());
    if (const std::optional<int> minutes = StepMinutes(stepButtons_->button(item)->text())) {
      model_.SetTime(RoundDownToStep(model_.Time(), *minutes));
    }
    TimerStep->start(kTickAtOnceMs);
  }
}

void TClockPanel::SelectStep(int item) {
  if (SelectItem(stepButtons_, item)) RadioGroupStepClick();
}

void TClockPanel::DateTimePickerChange() {
  const orbit::TCalendarTime before = orbit::DecodeDateTime(model_.Time());
  const QTime now = TimePicker->time();
  const TCascadeResult carried = CascadeTimePicker(TPickerTime{before.hour, before.minute, before.second},
                                                   TPickerTime{now.hour(), now.minute(), now.second()});
  {
    const QSignalBlocker blockDate(DatePicker);
    const QSignalBlocker blockTime(TimePicker);
    if (carried.dayShift != 0) DatePicker->setDate(DatePicker->date().addDays(carried.dayShift));
    TimePicker->setTime(QTime(carried.time.hour, carried.time.minute, carried.time.second));
  }
  if (StepItem() == kManual) {
    RefreshView();
  } else {
    SelectStep(kManual);
  }
}

std::chrono::steady_clock::time_point TClockPanel::SteadyNow() const {
  return steadyNow_ ? steadyNow_() : std::chrono::steady_clock::now();
}

void TClockPanel::StopSmoothClock() {
  smoothClock_.Stop();
  TimerSmooth->stop();
  model_.SetSpeed(0);
  const QSignalBlocker block(ComboBoxSpeed);
  ComboBoxSpeed->setCurrentIndex(0);
}

void TClockPanel::ComboBoxSpeedChange() {
  const int item = ComboBoxSpeed->currentIndex();
  if (item <= 0 || item > static_cast<int>(kSmoothSpeeds.size())) {
    // Back to the steps: the clock stays where it got to, as "Man" leaves it.
    if (StepItem() == kManual) {
      StopSmoothClock();
      RefreshView();
    } else {
      SelectStep(kManual);
    }
    return;
  }
  TimerStep->stop();
  // No step item rules while the clock runs on its own.
  SelectItem(stepButtons_, -1);
  model_.SetTime(ReadPickers());
  const int speed = kSmoothSpeeds[static_cast<std::size_t>(item - 1)];
  smoothClock_.Start(model_.Time(), speed, SteadyNow());
  smoothCadence_.Start(SteadyNow());
  model_.SetSpeed(speed);
  TimerSmooth->start(0);
}

void TClockPanel::TimerSmoothTimer() {
  TimerSmooth->stop();
  if (!smoothClock_.Running()) return;
  if (OnTick) OnTick();
  model_.SetTime(smoothClock_.TimeAt(SteadyNow()));
  WritePickers(model_.Time());
  UpdateView(true);
  // Armed after the update, for the instant the next picture is due: a single-shot timer never
  // queues ticks, and the cadence skips the pictures a slow update has missed.
  if (smoothClock_.Running()) TimerSmooth->start(smoothCadence_.Next(SteadyNow()));
}

}  // namespace nimbrel::app
