#pragma once
// The "Passes" dialog: the next three days' passes of one satellite over the home location.
//
// The search runs on a worker thread over a private copy of the satellite, so the window goes on
// updating while it computes. A newer request cancels the older one through its stop token; a result
// that arrives for a request no longer current is dropped, so the table only ever shows the latest.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "orbit/OrbitTime.h"
#include "orbit/Passes.h"
#include "orbit/Satellite.h"

class QLabel;
class QTableWidget;

namespace nimbrel::app {
class TSessionModel;
class TSkyPlot;
}  // namespace nimbrel::app

namespace nimbrel::app {

class TFormPasses : public QDialog {
  Q_OBJECT

 public:
  // How far ahead a search looks, in days.
  static constexpr double kSearchDays = 3.0;

  explicit TFormPasses(QWidget* parent = nullptr);
  // Cancels a running search and waits for its thread, which ends at its next step.
  ~TFormPasses() override;

  // Starts the search for the satellite's passes over the observer (latitude and east longitude in
  // degrees, altitude in km) from startUtc on, cancelling the one before; returns at once.
  void ShowPassesFor(const orbit::TSatellite& satellite, double homeLatDeg, double homeLonDeg,
                     double homeAltKm, orbit::TDateTime startUtc);
  // No satellite to search for: empties the table and says why.
  void ClearPasses(const QString& reason);
  // Follows the session: while shown, searches again for the satellite the view follows when the
  // home, the primary, the data, the shown satellites or the clock's day change (not at every tick).
  void Follow(TSessionModel& model);
  // Searches now for the session's satellite from the session's time.
  void SearchSession();

  // True from ShowPassesFor until its result is shown (or it is cleared or replaced).
  bool Computing() const noexcept { return computing_; }
  // The sky plot of the pass selected in the table.
  TSkyPlot* SkyPlot() const noexcept { return skyPlot_; }
  // Selects a row of the table as a click would; its pass is plotted.
  void SelectPass(int row);

 signals:
  // The table shows a finished search's result, whatever it was.
  void PassesShown();

 private:
  void Present(std::uint64_t request, const orbit::TPassList& result);
  void FillTable(const orbit::TPassList& result);
  void Cancel();
  void PlotSelectedPass();

  QLabel* heading_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* ageNote_ = nullptr;
  QTableWidget* table_ = nullptr;
  TSkyPlot* skyPlot_ = nullptr;
  // What the table shows, for plotting a selected pass: a copy of the satellite, the observer and
  // the passes found.
  std::optional<orbit::TSatellite> satellite_;
  orbit::GeodeticPoint observer_;
  std::vector<orbit::TPass> shown_;
  // Counts requests on the UI thread; a worker's result carries the number it was started with.
  std::uint64_t request_ = 0;
  TSessionModel* model_ = nullptr;
  bool computing_ = false;
  // Last member: destroyed (stop requested, then joined) before anything the worker's result touches.
  std::jthread worker_;
};

}  // namespace nimbrel::app
