#include "app/FormPasses.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <exception>
#include <new>
#include <utility>

#include "app/Clock.h"
#include "app/SessionModel.h"
#include "app/SkyPlot.h"
#include "app/ViewMath.h"
#include "orbit/OrbitConstants.h"
#include "orbit/OrbitMath.h"
#include "station/PassPath.h"

namespace nimbrel::app {
namespace {

constexpr double kDegreesPerRadian = 180.0 / static_cast<double>(orbit::kPi);

enum TColumn {
  colAosLocal,
  colAosUtc,
  colAosAzimuth,
  colMaxElevation,
  colMaxTime,
  colMaxAzimuth,
  colLosLocal,
  colLosAzimuth,
  colDuration,
  colVisible,
  colFlags,
  colCount
};

const std::array<const char*, colCount> kColumnTitles = {"AOS (local)", "AOS (UTC)", "AOS az",      "Max el",
                                                         "Max el at",   "Max el az", "LOS (local)", "LOS az",
                                                         "Duration",    "Visible",   "Flags"};

const char* const kDateTimeFormat = "yyyy-MM-dd hh:mm:ss";
const char* const kTimeFormat = "hh:mm:ss";

// A Julian date as a UTC QDateTime, rounded to the second the table shows; invalid when not finite.
QDateTime UtcFromJulian(double jd) {
  if (!std::isfinite(jd)) return {};
  const std::int64_t ms = ToMilliseconds(orbit::DateTimeFromJulianDate(jd));
  const std::int64_t seconds = (ms >= 0 ? ms + 500 : ms - 500) / 1000;
  return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC).addSecs(seconds);
}

QString UtcText(const QDateTime& utc) {
  return utc.isValid() ? utc.toString(kDateTimeFormat) + QStringLiteral(" UTC") : QStringLiteral("-");
}

// Local date and time; only the time when it falls on the same local day as `reference`.
QString LocalText(const QDateTime& utc, const QDateTime& reference = {}) {
  if (!utc.isValid()) return QStringLiteral("-");
  const QDateTime local = utc.toLocalTime();
  if (reference.isValid() && reference.toLocalTime().date() == local.date())
    return local.toString(kTimeFormat);
  return local.toString(kDateTimeFormat);
}

QString AzimuthText(double azimuthRad) {
  static const std::array<const char*, 16> kPoints = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                                      "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
  if (!std::isfinite(azimuthRad)) return QStringLiteral("-");
  const double deg = orbit::Modulus(azimuthRad * kDegreesPerRadian, 360.0);
  const int point = static_cast<int>(std::lround(deg / 22.5)) % 16;
  return QStringLiteral("%1° %2").arg(std::lround(deg) % 360).arg(kPoints[point]);
}

QString ElevationText(double elevationRad) {
  if (!std::isfinite(elevationRad)) return QStringLiteral("-");
  return QStringLiteral("%1°").arg(elevationRad * kDegreesPerRadian, 0, 'f', 1);
}

QString DurationText(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return QStringLiteral("-");
  const long long total = std::llround(seconds);
  const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
  if (h > 0) return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0'));
  return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

QString FlagsText(const orbit::TPass& pass) {
  // Always up is both of the others; saying so once is clearer.
  if (pass.alwaysUp) return QStringLiteral("always up");
  QStringList flags;
  if (pass.inProgress) flags << QStringLiteral("in progress");
  if (pass.cut) flags << QStringLiteral("cut");
  return flags.join(QStringLiteral(", "));
}

QTableWidgetItem* Cell(const QString& text, const QString& toolTip = {}) {
  auto* item = new QTableWidgetItem(text);  // the table takes ownership
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  if (!toolTip.isEmpty()) item->setToolTip(toolTip);
  return item;
}

}  // namespace

TFormPasses::TFormPasses(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Passes"));
  setObjectName(QStringLiteral("FormPasses"));

  heading_ = new QLabel(this);
  heading_->setObjectName(QStringLiteral("heading"));
  QFont bold = heading_->font();
  bold.setBold(true);
  heading_->setFont(bold);

  ageNote_ = new QLabel(this);
  ageNote_->setObjectName(QStringLiteral("elementAge"));
  ageNote_->setWordWrap(true);
  ageNote_->hide();

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->setWordWrap(true);

  table_ = new QTableWidget(0, colCount, this);
  table_->setObjectName(QStringLiteral("passTable"));
  QStringList titles;
  for (const char* title : kColumnTitles) titles << QString::fromUtf8(title);
  table_->setHorizontalHeaderLabels(titles);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(ageNote_);
  layout->addWidget(status_);
  skyPlot_ = new TSkyPlot(this);
  skyPlot_->SetPass({}, QStringLiteral("Select a pass"));
  auto* middle = new QHBoxLayout;
  middle->addWidget(table_, 1);
  middle->addWidget(skyPlot_);
  layout->addLayout(middle, 1);
  layout->addWidget(buttons);
  connect(table_, &QTableWidget::itemSelectionChanged, this, &TFormPasses::PlotSelectedPass);
  resize(1160, 400);
}

TFormPasses::~TFormPasses() {
  Cancel();
}

void TFormPasses::Cancel() {
  // The worker checks its stop token at every step of its search, so the join is short. Any result
  // it still posts carries an old request number and is dropped (or, after destruction, discarded
  // with this object's pending events).
  ++request_;
  if (worker_.joinable()) {
    worker_.request_stop();
    worker_.join();
  }
  computing_ = false;
}

void TFormPasses::ShowPassesFor(const orbit::TSatellite& satellite, double homeLatDeg, double homeLonDeg,
                                double homeAltKm, orbit::TDateTime startUtc) {
  Cancel();
  const std::uint64_t request = request_;

  QString name = QString::fromStdString(satellite.Name()).trimmed();
  if (name.isEmpty()) name = QString::fromStdString(satellite.CatalogueNumber()).trimmed();
  if (name.isEmpty()) name = QStringLiteral("an unnamed satellite");
  heading_->setText(QStringLiteral("Passes of %1 from %2").arg(name, FormatLonLat(homeLonDeg, homeLatDeg)));
  table_->setRowCount(0);
  status_->setText(QStringLiteral("Computing..."));
  computing_ = true;
  satellite_ = satellite;
  shown_.clear();
  skyPlot_->SetPass({}, QStringLiteral("Computing..."));

  orbit::TPassSearch search;
  search.observer.latitude = homeLatDeg / kDegreesPerRadian;
  search.observer.longitude = orbit::Modulus(homeLonDeg, 360.0) / kDegreesPerRadian;
  search.observer.altitude = homeAltKm;
  search.startJD = orbit::DateTimeToJulianDate(startUtc);
  search.endJD = search.startJD + kSearchDays;
  // Passes of old elements are still shown (a user may study an old pass), but not without a word.
  const QString age =
      std::isfinite(search.startJD) ? ElementAgeWarning(satellite.EpochAgeDays(search.startJD)) : QString();
  ageNote_->setText(age);
  ageNote_->setVisible(!age.isEmpty());
  observer_ = search.observer;
  if (!std::isfinite(search.startJD)) {
    // Said as any search's outcome is, from the event loop.
    orbit::TPassList refused;
    refused.status = orbit::TPassStatus::psFailed;
    refused.error = "TFormPasses: the start time is not finite";
    refused.reason = "the start time is not a date";
    QMetaObject::invokeMethod(
        this, [this, request, refused = std::move(refused)] { Present(request, refused); },
        Qt::QueuedConnection);
    return;
  }

  // The copy is made here, on the thread that owns the satellite; the worker propagates only its own.
  worker_ = std::jthread([this, request, search, copy = satellite](std::stop_token stop) mutable {
    orbit::TPassList result;
    try {
      result = orbit::FindPasses(std::move(copy), search, stop);
    } catch (const std::exception& e) {
      result = {};
      result.status = orbit::TPassStatus::psFailed;
      result.error = std::string("TFormPasses: the pass search failed: ") + e.what();
      result.reason = "the search could not go on";
    }
    if (stop.stop_requested()) return;
    // Queued to the UI thread; the request number tells there whether it is still wanted.
    QMetaObject::invokeMethod(
        this, [this, request, result = std::move(result)] { Present(request, result); },
        Qt::QueuedConnection);
  });
}

void TFormPasses::Follow(TSessionModel& model) {
  model_ = &model;
  const auto again = [this] {
    if (isVisible()) SearchSession();
  };
  for (auto signal : {&TSessionModel::HomeChanged, &TSessionModel::PrimaryChanged,
                      &TSessionModel::DataChanged, &TSessionModel::ShownChanged, &TSessionModel::DayChanged})
    connect(&model, signal, this, again);
}

void TFormPasses::SearchSession() {
  if (!model_) return;
  const orbit::TSatellite* followed = model_->Followed();
  if (!followed) {
    ClearPasses(QStringLiteral("The primary satellite is not in the Kepler data."));
    return;
  }
  const THomeLocation& home = model_->Home();
  // The search works on a copy of its own, so the catalogue may change under it.
  ShowPassesFor(*followed, home.latDeg, home.lonDeg, home.heightM / 1000.0, model_->Time());
}

void TFormPasses::ClearPasses(const QString& reason) {
  Cancel();
  heading_->setText(QStringLiteral("Passes"));
  table_->setRowCount(0);
  status_->setText(reason);
  shown_.clear();
  skyPlot_->SetPass({}, QString());
}

void TFormPasses::Present(std::uint64_t request, const orbit::TPassList& result) {
  if (request != request_ || result.status == orbit::TPassStatus::psCancelled) return;
  computing_ = false;
  // This runs as a queued call from the event loop: nothing may escape it.
  try {
    FillTable(result);
  } catch (const std::exception& e) {
    table_->setRowCount(0);
    status_->setText(QStringLiteral("The passes cannot be shown."));
  }
  // Without a pass to select nothing replaces the plot's "Computing...": the status line says why.
  if (table_->rowCount() == 0) skyPlot_->SetPass({}, QString());
  if (worker_.joinable()) worker_.join();  // it has posted this and is returning
  emit PassesShown();
}

void TFormPasses::SelectPass(int row) {
  table_->selectRow(row);
}

void TFormPasses::PlotSelectedPass() {
  const QList<QTableWidgetItem*> selected = table_->selectedItems();
  const int row = selected.isEmpty() ? -1 : selected.front()->row();
  if (row < 0 || row >= static_cast<int>(shown_.size()) || !satellite_) {
    skyPlot_->SetPass({}, QStringLiteral("Select a pass"));
    return;
  }
  // A few hundred look angles: quick enough for the UI thread.
  orbit::TSatellite copy = *satellite_;
  skyPlot_->SetPass(station::PassPath(copy, observer_, shown_[static_cast<std::size_t>(row)]));
}

void TFormPasses::FillTable(const orbit::TPassList& result) {
  shown_.clear();
  table_->setRowCount(0);
  shown_ = result.passes;
  table_->setRowCount(static_cast<int>(result.passes.size()));
  int visual = 0;
  for (int row = 0; row < table_->rowCount(); ++row) {
    const orbit::TPass& pass = result.passes[static_cast<std::size_t>(row)];
    const QDateTime aos = UtcFromJulian(pass.aosJD);
    const QDateTime tca = UtcFromJulian(pass.tcaJD);
    const QDateTime los = UtcFromJulian(pass.losJD);

    QTableWidgetItem* aosUtc = Cell(UtcText(aos));
    aosUtc->setData(Qt::UserRole, pass.aosJD);  // the exact time, for whoever needs more than seconds
    table_->setItem(row, colAosLocal, Cell(LocalText(aos), UtcText(aos)));
    table_->setItem(row, colAosUtc, aosUtc);
    table_->setItem(row, colAosAzimuth, Cell(AzimuthText(pass.aosAzimuth)));
    table_->setItem(row, colMaxElevation, Cell(ElevationText(pass.maxElevation)));
    table_->setItem(row, colMaxTime, Cell(LocalText(tca, aos), UtcText(tca)));
    table_->setItem(row, colMaxAzimuth, Cell(AzimuthText(pass.tcaAzimuth)));
    table_->setItem(row, colLosLocal, Cell(LocalText(los, aos), UtcText(los)));
    table_->setItem(row, colLosAzimuth, Cell(AzimuthText(pass.losAzimuth)));
    table_->setItem(row, colDuration, Cell(DurationText(pass.DurationSeconds())));

    QStringList spans, utcSpans;
    for (const orbit::TTimeSpan& span : pass.visualParts) {
      const QDateTime from = UtcFromJulian(span.startJD);
      const QDateTime to = UtcFromJulian(span.endJD);
      spans << LocalText(from, aos) + QStringLiteral(" - ") + LocalText(to, aos);
      utcSpans << UtcText(from) + QStringLiteral(" - ") + UtcText(to);
    }
    QTableWidgetItem* visible = Cell(spans.join(QStringLiteral(", ")), utcSpans.join(QStringLiteral("\n")));
    table_->setItem(row, colVisible, visible);
    table_->setItem(row, colFlags, Cell(FlagsText(pass)));
    if (pass.Visual()) {
      ++visual;
      // The passes one can see with the eye stand out in the list.
      for (int column = 0; column < colCount; ++column) {
        QFont font = table_->item(row, column)->font();
        font.setBold(true);
        table_->item(row, column)->setFont(font);
      }
    }
  }

  QString text;
  if (result.status == orbit::TPassStatus::psFailed) {
    // The orbit code's plain reason; where it says which satellite and which routine stays out of sight.
    const QString why = result.reason.empty() ? QStringLiteral("the search could not go on")
                                              : QString::fromStdString(result.reason);
    if (result.failedJD > 0 && std::isfinite(result.failedJD)) {
      text = QStringLiteral("No position from %1 on (%2).").arg(UtcText(UtcFromJulian(result.failedJD)), why);
      if (!result.passes.empty()) text += QStringLiteral(" The passes before it are listed.");
    } else {
      text = QStringLiteral("No passes can be searched for (%1).").arg(why);
    }
  } else if (result.neverRises) {
    text = QStringLiteral("Never rises above this horizon");
  } else if (result.passes.empty()) {
    text = QStringLiteral("No passes in the next three days");
  } else {
    const auto count = result.passes.size();
    text = QStringLiteral(
               "%1 %2 in the next three days, %3 visible to the eye (in bold). Local times; UTC in "
               "the tips.")
               .arg(count)
               .arg(count == 1 ? QStringLiteral("pass") : QStringLiteral("passes"))
               .arg(visual);
  }
  status_->setText(text);
  if (table_->rowCount() > 0) SelectPass(0);
}

}  // namespace nimbrel::app
