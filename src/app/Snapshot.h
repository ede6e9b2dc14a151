#pragma once
// The picture without the window: `NimbrelGL --snapshot FILE.png [--utc YYYY-MM-DDTHH:MM:SS]
// [--size WxH] [--viewpoint NAME] [KEPLERFILE]` runs the window's start-up (settings, companion values,
// catalogue), sets the clock, renders the 3D view as the window shows it after its first update and writes a
// PNG. It shows nothing, asks nothing and writes no settings; warnings go to standard error.

#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <stdexcept>

#include "orbit/OrbitTime.h"

namespace nimbrel::app {

struct TSnapshotOptions {
  QString output;
  std::optional<orbit::TDateTime> utc;  // none: the current time
  QSize size{401, 397};                 // the 3D view's size in the window as designed
  // An index of kViewpointNames; none: the home location's when it comes from the list, as the
  // window starts, else the manual one.
  std::optional<int> viewpoint;
};

// The names --viewpoint takes, one per entry of kViewpointNames, in its order.
inline constexpr std::array<const char*, 6> kViewpointOptionNames = {"manual", "home", "satellite",
                                                                     "fly",    "sun",  "moon"};

struct TCommandLine {
  std::optional<TSnapshotOptions> snapshot;
  // What is left once the options are taken out; the first is the Kepler file.
  QStringList arguments;
};

class ECommandLineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command line without the program's name. Throws ECommandLineError for a bad or missing option
// value, a repeated option, or --utc/--size/--viewpoint without --snapshot.
TCommandLine ParseCommandLine(const QStringList& arguments);

// The largest picture side accepted; larger ones would only exhaust memory.
inline constexpr int kMaxSnapshotSide = 8192;

// Runs the snapshot; returns the process's exit code (0 when the PNG was written). Errors are one
// line on standard error.
int RunSnapshot(const TSnapshotOptions& options, const QStringList& arguments);

}  // namespace nimbrel::app
