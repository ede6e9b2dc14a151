#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "app/FormPasses.h"
#include "app/SkyPlot.h"
#include "orbit/Geometry.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "orbit/Passes.h"

namespace nimbrel::app {
namespace {

using orbit::TPassList;
using orbit::TSatellite;

constexpr double kDeg = 3.14159265358979323846 / 180.0;
// Generous: a search of three days takes a fraction of a second even in the sanitizer build.
constexpr int kWaitMs = 30000;

constexpr const char* kIssLine1 = "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844";
constexpr const char* kIssLine2 = "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269";

TSatellite Iss() {
  return TSatellite::Create("ISS (ZARYA)", kIssLine1, kIssLine2);
}

// A set with an epoch early in 2006, written from its elements.
TSatellite MakeSatellite(const char* name, int number, double inclinationDeg, double raanDeg,
                         double eccentricity, double revsPerDay) {
  char line1[80];
  char line2[80];
  std::snprintf(line1, sizeof line1, "1 %05dU 06001A   06003.50000000  .00000100  00000-0  10000-4 0  9990",
                number);
  std::snprintf(line2, sizeof line2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f%5d0", number, inclinationDeg,
                raanDeg, static_cast<int>(std::lround(eccentricity * 1e7)), 90.0, 180.0, revsPerDay, 1000);
  return TSatellite::Create(name, line1, line2);
}

TSatellite SunSynchronous() {
  return MakeSatellite("NOAA TEST", 99801, 98.7, 10.0, 0.0012, 14.2);
}

TSatellite Geostationary() {
  return MakeSatellite("GEO TEST", 99901, 0.05, 85.0, 0.0002, 1.00271);
}

// The east longitude (degrees) under a satellite at a Julian date.
double LongitudeUnder(TSatellite sat, double jd) {
  orbit::Vector4 p, v;
  sat.Propagate(jd, p, v);
  orbit::ConvertSatState(p, v);
  return orbit::CalculateLatLonAlt(p, jd)->longitude / kDeg;
}

struct TObserver {
  double latDeg = 0;
  double lonDeg = 0;
  double altKm = 0;
};

const TObserver kEdinburgh{56.0, -3.2, 0.0};

TPassList Expected(const TSatellite& sat, const TObserver& where, double startJD) {
  orbit::TPassSearch search;
  search.observer = {where.latDeg * kDeg, orbit::Modulus(where.lonDeg, 360.0) * kDeg, where.altKm, 0.0};
  search.startJD = startJD;
  search.endJD = startJD + TFormPasses::kSearchDays;
  return orbit::FindPasses(sat, search);
}

// Runs the event loop until the dialog shows a result, at most `ms`; false on time-out.
bool WaitForPasses(TFormPasses& form, int ms = kWaitMs) {
  if (!form.Computing()) return true;
  QEventLoop loop;
  QObject::connect(&form, &TFormPasses::PassesShown, &loop, &QEventLoop::quit);
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
  return !form.Computing();
}

// Lets queued calls (a late result, say) arrive for a while.
void ProcessEventsFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QTableWidget* Table(TFormPasses& form) {
  return form.findChild<QTableWidget*>(QStringLiteral("passTable"));
}

QString Status(TFormPasses& form) {
  return form.findChild<QLabel*>(QStringLiteral("status"))->text();
}

QString Heading(TFormPasses& form) {
  return form.findChild<QLabel*>(QStringLiteral("heading"))->text();
}

int Column(QTableWidget* table, const QString& title) {
  for (int c = 0; c < table->columnCount(); ++c)
    if (table->horizontalHeaderItem(c)->text() == title) return c;
  ADD_FAILURE() << "no column " << title.toStdString();
  return 0;
}

// The table holds exactly the search's passes, in its order.
void ExpectRowsMatch(TFormPasses& form, const TPassList& expected) {
  QTableWidget* table = Table(form);
  ASSERT_EQ(table->rowCount(), static_cast<int>(expected.passes.size()));
  const int aosUtc = Column(table, "AOS (UTC)");
  const int visible = Column(table, "Visible");
  const int flags = Column(table, "Flags");
  double previous = -1e300;
  for (int row = 0; row < table->rowCount(); ++row) {
    SCOPED_TRACE(row);
    const orbit::TPass& pass = expected.passes[static_cast<std::size_t>(row)];
    const double aosJD = table->item(row, aosUtc)->data(Qt::UserRole).toDouble();
    EXPECT_EQ(aosJD, pass.aosJD);
    EXPECT_GT(aosJD, previous);
    previous = aosJD;
    // What the user reads is the same instant, to the second.
    QString text = table->item(row, aosUtc)->text();
    ASSERT_TRUE(text.endsWith(" UTC")) << text.toStdString();
    text.chop(4);
    QDateTime shown = QDateTime::fromString(text, "yyyy-MM-dd hh:mm:ss");
    shown.setTimeSpec(Qt::UTC);
    ASSERT_TRUE(shown.isValid()) << text.toStdString();
    const double shownJD = orbit::DateTimeToJulianDate(
        QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC).msecsTo(shown) / 86400000.0);
    EXPECT_NEAR((shownJD - pass.aosJD) * 86400.0, 0.0, 0.5);
    EXPECT_EQ(table->item(row, visible)->text().isEmpty(), !pass.Visual());
    EXPECT_EQ(table->item(row, flags)->text().contains("in progress"), pass.inProgress && !pass.alwaysUp);
    EXPECT_EQ(table->item(row, flags)->text().contains("cut"), pass.cut && !pass.alwaysUp);
    EXPECT_EQ(table->item(row, flags)->text().contains("always up"), pass.alwaysUp);
  }
}

TEST(FormPasses, FillsWithTheSearchResultWithoutBlocking) {
  TFormPasses form;
  const TSatellite iss = Iss();
  const double start = iss.EpochJD();
  form.ShowPassesFor(iss, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm,
                     orbit::DateTimeFromJulianDate(start));
  // Returned before the search ended: nothing shown yet but the notice.
  EXPECT_TRUE(form.Computing());
  EXPECT_EQ(Status(form), "Computing...");
  EXPECT_EQ(Table(form)->rowCount(), 0);
  EXPECT_TRUE(Heading(form).contains("ISS (ZARYA)"));
  EXPECT_TRUE(Heading(form).contains("56.0°N"));
  EXPECT_TRUE(Heading(form).contains("3.2°W"));

  ASSERT_TRUE(WaitForPasses(form));
  const TPassList expected = Expected(iss, kEdinburgh, start);
  ASSERT_EQ(expected.status, orbit::TPassStatus::psComplete);
  // Three days of a low orbit from 56 degrees north: several passes a day, some of them visual.
  ASSERT_GE(expected.passes.size(), 6u);
  ExpectRowsMatch(form, expected);
  EXPECT_NE(Status(form), "Computing...");
  EXPECT_FALSE(Status(form).isEmpty());
}

TEST(FormPasses, PlotsTheSelectedPass) {
  TFormPasses form;
  const TSatellite iss = Iss();
  const double start = iss.EpochJD();
  form.ShowPassesFor(iss, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm,
                     orbit::DateTimeFromJulianDate(start));
  ASSERT_TRUE(WaitForPasses(form));
  const TPassList expected = Expected(iss, kEdinburgh, start);
  ASSERT_GE(expected.passes.size(), 2u);
  // The first pass is selected and plotted from its AOS to its LOS.
  for (const int row : {0, 1}) {
    SCOPED_TRACE(row);
    form.SelectPass(row);
    const orbit::TPass& pass = expected.passes[static_cast<std::size_t>(row)];
    const auto& path = form.SkyPlot()->Path();
    ASSERT_FALSE(path.empty());
    EXPECT_NEAR(path.front().jd, pass.aosJD, 1e-9);
    EXPECT_NEAR(path.back().jd, pass.losJD, 1e-9);
    EXPECT_NEAR(path.front().sky.azimuthDeg, pass.aosAzimuth / kDeg, 0.01);
  }
}

TEST(FormPasses, LocalTimesFollowTheTimeZone) {
  // New York in January is five hours behind UTC: the local column must not be the UTC one again.
  const QByteArray oldTz = qgetenv("TZ");
  const bool hadTz = qEnvironmentVariableIsSet("TZ");
  qputenv("TZ", "EST5EDT,M3.2.0,M11.1.0");
  tzset();
  TFormPasses form;
  const TSatellite iss = Iss();
  form.ShowPassesFor(iss, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm,
                     orbit::DateTimeFromJulianDate(iss.EpochJD()));
  const bool done = WaitForPasses(form);
  if (hadTz) {
    qputenv("TZ", oldTz);
  } else {
    qunsetenv("TZ");
  }
  tzset();
  ASSERT_TRUE(done);
  QTableWidget* table = Table(form);
  ASSERT_GT(table->rowCount(), 0);
  for (int row = 0; row < table->rowCount(); ++row) {
    SCOPED_TRACE(row);
    QString utcText = table->item(row, Column(table, "AOS (UTC)"))->text();
    utcText.chop(4);
    const QDateTime utc = QDateTime::fromString(utcText, "yyyy-MM-dd hh:mm:ss");
    const QDateTime local =
        QDateTime::fromString(table->item(row, Column(table, "AOS (local)"))->text(), "yyyy-MM-dd hh:mm:ss");
    ASSERT_TRUE(utc.isValid() && local.isValid());
    EXPECT_EQ(local.secsTo(utc), 5 * 3600);
  }
}

TEST(FormPasses, ANewRequestReplacesTheRunningOne) {
  TFormPasses form;
  const TSatellite iss = Iss();
  const TSatellite noaa = SunSynchronous();
  const double start = iss.EpochJD();
  const auto startDt = orbit::DateTimeFromJulianDate(start);
  int shown = 0;
  QObject::connect(&form, &TFormPasses::PassesShown, [&shown] { ++shown; });

  form.ShowPassesFor(iss, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm, startDt);
  form.ShowPassesFor(noaa, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm, startDt);
  ASSERT_TRUE(WaitForPasses(form));
  ProcessEventsFor(200);
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(Heading(form).contains("NOAA TEST"));
  EXPECT_FALSE(Heading(form).contains("ISS"));
  ExpectRowsMatch(form, Expected(noaa, kEdinburgh, start));

  // A search that has already posted its result when the next request comes: that result is stale
  // and must not overwrite the newer one. (A geostationary satellite from 85 degrees north is
  // answered at once, without propagating.)
  form.ShowPassesFor(Geostationary(), 85.0, 0.0, 0.0, startDt);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  form.ShowPassesFor(iss, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm, startDt);
  ASSERT_TRUE(WaitForPasses(form));
  ProcessEventsFor(200);
  EXPECT_EQ(shown, 2);
  EXPECT_NE(Status(form), "Never rises above this horizon");
  ExpectRowsMatch(form, Expected(iss, kEdinburgh, start));
}

TEST(FormPasses, DestroyedWhileSearchingReturnsPromptly) {
  const TSatellite iss = Iss();
  const auto startDt = orbit::DateTimeFromJulianDate(iss.EpochJD());
  QElapsedTimer timer;
  {
    auto form = std::make_unique<TFormPasses>();
    // A deep-space orbit propagates slowest: the search is surely still running when the dialog goes.
    form->ShowPassesFor(MakeSatellite("MOLNIYA TEST", 99701, 63.4, 200.0, 0.72, 2.006), 56.0, -3.2, 0.0,
                        startDt);
    form->ShowPassesFor(iss, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm, startDt);
    timer.start();
    form.reset();
  }
  // Not a speed figure: a dialog that waited for the whole search, or for ever, would fail here.
  EXPECT_LT(timer.elapsed(), 5000);
  ProcessEventsFor(100);  // a result posted before the end must not reach the destroyed dialog
}

TEST(FormPasses, ClearingShowsTheReasonAndDropsARunningSearch) {
  TFormPasses form;
  const TSatellite iss = Iss();
  const auto startDt = orbit::DateTimeFromJulianDate(iss.EpochJD());
  form.ShowPassesFor(iss, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm, startDt);
  ASSERT_TRUE(WaitForPasses(form));
  ASSERT_GT(Table(form)->rowCount(), 0);

  form.ClearPasses("No primary satellite");
  EXPECT_EQ(Table(form)->rowCount(), 0);
  EXPECT_EQ(Status(form), "No primary satellite");
  EXPECT_FALSE(Heading(form).contains("ISS"));

  form.ShowPassesFor(iss, kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm, startDt);
  form.ClearPasses("The active list is empty");
  EXPECT_FALSE(form.Computing());
  ProcessEventsFor(300);
  EXPECT_EQ(Table(form)->rowCount(), 0);
  EXPECT_EQ(Status(form), "The active list is empty");
}

TEST(FormPasses, TheOutcomesWithoutOrdinaryPassesSaySo) {
  const TSatellite geo = Geostationary();
  const double start = geo.EpochJD() + 1.0;
  const double lonDeg = LongitudeUnder(geo, start);
  struct TCase {
    const char* what;
    TSatellite satellite;
    TObserver observer;
    int rows;
    QString status;  // exact, or empty: the search's own reason
    QString flags;   // of the first row, when there is one
    bool fails;
  };
  const TCase cases[] = {
      {"geostationary from far north",
       geo,
       {85.0, lonDeg, 0.0},
       0,
       "Never rises above this horizon",
       "",
       false},
      {"geostationary from the other side",
       geo,
       {40.0, lonDeg + 180.0, 0.0},
       0,
       "No passes in the next three days",
       "",
       false},
      {"geostationary overhead", geo, {40.0, lonDeg, 0.0}, 1, "", "always up", false},
      {"a satellite without elements", TSatellite{}, kEdinburgh, 0, "", "", true},
      {"a home latitude that is not a number", Iss(), {std::nan(""), -3.2, 0.0}, 0, "", "", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TFormPasses form;
    form.ShowPassesFor(c.satellite, c.observer.latDeg, c.observer.lonDeg, c.observer.altKm,
                       orbit::DateTimeFromJulianDate(start));
    ASSERT_TRUE(WaitForPasses(form));
    const TPassList expected = Expected(c.satellite, c.observer, start);
    EXPECT_EQ(Table(form)->rowCount(), c.rows);
    if (c.rows == 0) {
      EXPECT_EQ(form.SkyPlot()->EmptyText(), QString());  // not still "Computing..."
    }
    if (!c.status.isEmpty()) {
      EXPECT_EQ(Status(form), c.status);
    }
    EXPECT_EQ(expected.status == orbit::TPassStatus::psFailed, c.fails);
    if (c.fails) {
      // The reason in plain words, not the internal message that names the routine.
      EXPECT_FALSE(expected.reason.empty());
      EXPECT_TRUE(Status(form).contains(QString::fromStdString("(" + expected.reason + ")")))
          << Status(form).toStdString();
      EXPECT_FALSE(Status(form).contains(QString::fromStdString(expected.error)));
    }
    if (c.rows > 0) {
      ExpectRowsMatch(form, expected);
      EXPECT_EQ(Table(form)->item(0, Column(Table(form), "Flags"))->text(), c.flags);
    }
  }

  // A start that is no date at all is refused, not searched from nowhere.
  TFormPasses form;
  form.ShowPassesFor(Iss(), kEdinburgh.latDeg, kEdinburgh.lonDeg, kEdinburgh.altKm, std::nan(""));
  ASSERT_TRUE(WaitForPasses(form));
  EXPECT_EQ(Table(form)->rowCount(), 0);
  EXPECT_EQ(form.SkyPlot()->EmptyText(), QString());
  EXPECT_TRUE(Status(form).contains("(the start time is not a date)")) << Status(form).toStdString();
}

}  // namespace
}  // namespace nimbrel::app
