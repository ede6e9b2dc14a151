#pragma once
// The Display page's clock: the date and time pickers (UTC), the step choice ("RT", whole minutes,
// "Man") with its timer, and the continuous speeds with theirs. The panel sets the session's
// simulation clock; the view shows the new time through OnShow, which the window wires to it. Its
// controls sit on the Display page where the form puts them (the pickers at the top, the step group
// under the latitude bar), so the panel places them but is no widget of its own. UI thread only.

#include <QObject>
#include <chrono>
#include <functional>

#include "app/Clock.h"
#include "orbit/OrbitTime.h"

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QTimeEdit;
class QTimer;
class QWidget;

namespace nimbrel::app {

class TMessageSink;
class TSessionModel;

class TClockPanel : public QObject {
  Q_OBJECT

 public:
  using TSteadyClock = std::function<std::chrono::steady_clock::time_point()>;

  // `steadyNow`: the real time the smooth clock runs by; empty for the system's steady clock.
  TClockPanel(TSessionModel& model, TMessageSink& sink, TSteadyClock steadyNow, QWidget* page);
  ~TClockPanel() override;

  QDateEdit* DatePicker = nullptr;
  QTimeEdit* TimePicker = nullptr;
  QGroupBox* RadioGroupStep = nullptr;
  // "Steps" (the step choice rules), then the continuous speeds x1 to x3600.
  QComboBox* ComboBoxSpeed = nullptr;
  QTimer* TimerStep = nullptr;
  QTimer* TimerSmooth = nullptr;

  // Brings the view to the session's time; runningClock: a tick of the running clock, which leaves
  // what changes only per second alone between seconds and repaints nothing at once.
  std::function<void(bool runningClock)> OnShow;
  // A timer's tick, before the clock moves: the view is shown from the first one on.
  std::function<void()> OnTick;

  // The step group's selected item, -1 for none.
  int StepItem() const;
  // The user's actions and the timers, callable by tests as the controls call them.
  void TimerStepTimer();
  void RefreshView();
  void RadioGroupStepClick();
  void DateTimePickerChange();
  // A speed choice runs the clock continuously; "Steps" hands it back to the step choice ("Man").
  void ComboBoxSpeedChange();
  void TimerSmoothTimer();
  bool SmoothClockRunning() const noexcept { return smoothClock_.Running(); }
  // Selects a step item as a user's click would, running its handler when the selection changes.
  void SelectStep(int item);
  // The window became active again: a waiting step is taken at once.
  void Activated();
  // Both timers stopped for good (the window closes).
  void Stop();

 private:
  void WritePickers(orbit::TDateTime t);
  orbit::TDateTime ReadPickers() const;
  void UpdateView(bool runningClock);
  void StopSmoothClock();
  std::chrono::steady_clock::time_point SteadyNow() const;
  void Guarded(const std::function<void()>& handler) noexcept;

  TSessionModel& model_;
  TMessageSink& sink_;
  TSteadyClock steadyNow_;
  QButtonGroup* stepButtons_ = nullptr;
  TSmoothClock smoothClock_;
  TFrameCadence smoothCadence_{kSmoothPicturePeriod};
};

}  // namespace nimbrel::app
