// The station page: the sky plot drawn off screen, the page driving a rotator and a radio, each
// satellite's frequencies kept, and the notification before AOS.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "FormTestSupport.h"
#include "StationTestSupport.h"
#include "app/FormStation.h"
#include "app/PassAlert.h"
#include "app/SkyPlot.h"
#include "app/StationSettings.h"
#include "orbit/OrbitMath.h"
#include "orbit/OrbitTime.h"
#include "station/RotatorClient.h"

namespace nimbrel::app {
namespace {

using station::test::TFakeDaemon;
using station::test::WaitFor;

double Utc(int hour, int minute, double second = 0) {
  return orbit::DateTimeToJulianDate(orbit::EncodeDateTime(
             {2006, 1, 4, static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute), 0, 0})) +
         second / 86400.0;
}

const orbit::GeodeticPoint kHome{orbit::Radians(52.0), orbit::Radians(5.0), 0.0, 0.0};

// The 17:06 pass of the ISS over 52 N, 5 E, up to 34 degrees.
orbit::TPass EveningPass(orbit::TSatellite& iss) {
  const orbit::TPassList found = orbit::FindPasses(iss, {kHome, Utc(17, 0), Utc(17, 30)});
  EXPECT_EQ(found.passes.size(), 1u);
  return found.passes.empty() ? orbit::TPass{} : found.passes.front();
}

bool NearColour(const QImage& image, QPointF at, QColor colour) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const QColor c = image.pixelColor(static_cast<int>(std::lround(at.x())) + dx,
                                        static_cast<int>(std::lround(at.y())) + dy);
      if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
              std::abs(c.blue() - colour.blue()) <
          60)
        return true;
    }
  return false;
}

TEST(SkyPlot, DrawsThePassWhereItsAzimuthsAndElevationsPutIt) {
  orbit::TSatellite iss = station::test::Iss();
  const orbit::TPass pass = EveningPass(iss);
  TSkyPlot plot;
  plot.resize(300, 300);
  plot.SetPass(station::PassPath(iss, kHome, pass));
  plot.SetPresent(station::TSkyPoint{orbit::Degrees(pass.tcaAzimuth), orbit::Degrees(pass.maxElevation)});
  const QImage image = plot.grab().toImage();
  const QRectF area = plot.PlotArea();

  // The geometry itself: zenith in the middle, north up, east right, the horizon on the circle.
  EXPECT_EQ(TSkyPlot::PointFor({0, 90}, area), area.center());
  EXPECT_NEAR(TSkyPlot::PointFor({0, 0}, area).y(), area.top(), 1e-9);
  EXPECT_NEAR(TSkyPlot::PointFor({90, 0}, area).x(), area.right(), 1e-9);
  EXPECT_NEAR(TSkyPlot::PointFor({180, 45}, area).y(), area.center().y() + area.height() / 4, 1e-9);

  // Every tenth point of the path is drawn in the path's colour where its direction falls (the
  // present place's dot covers the top of the pass).
  const auto& path = plot.Path();
  ASSERT_GT(path.size(), 20u);
  const QPointF present =
      TSkyPlot::PointFor({orbit::Degrees(pass.tcaAzimuth), orbit::Degrees(pass.maxElevation)}, area);
  for (std::size_t i = 0; i < path.size(); i += 10) {
    const QPointF at = TSkyPlot::PointFor(path[i].sky, area);
    if (QLineF(at, present).length() < 8) continue;
    EXPECT_TRUE(NearColour(image, at, TSkyPlot::kPathColor))
        << "point " << i << " at " << path[i].sky.azimuthDeg << "/" << path[i].sky.elevationDeg;
  }
  EXPECT_TRUE(NearColour(image, present, TSkyPlot::kPresentColor));
  // This pass stays in the south: the northern sky holds nothing of it.
  EXPECT_FALSE(NearColour(image, TSkyPlot::PointFor({0, 30}, area), TSkyPlot::kPathColor));
  EXPECT_LT(path.front().jd, path.back().jd);
  EXPECT_NEAR(path.front().sky.azimuthDeg, orbit::Degrees(pass.aosAzimuth), 0.01);
}

TEST(PassAlert, AnnouncesEachPassOnceTheChosenMinutesAhead) {
  EXPECT_FALSE(TAlertSettings{}.enabled) << "off by default";
  EXPECT_EQ(TAlertSettings{}.minutesAhead, 5);
  QStringList said;
  TPassAlert alert([&](const QString& summary, const QString&) { said << summary; });
  orbit::TSatellite iss = station::test::Iss();
  const double aos = EveningPass(iss).aosJD;
  alert.SetSatellites({&iss}, kHome);
  alert.Check(aos - 4.0 / 1440);
  EXPECT_TRUE(said.isEmpty()) << "nothing while switched off";
  alert.SetSettings({true, 5});
  alert.Check(aos - 6.0 / 1440);
  EXPECT_TRUE(said.isEmpty()) << "six minutes ahead is too early";
  alert.Check(aos - 4.9 / 1440);
  alert.Check(aos - 4.0 / 1440);
  alert.SetSatellites({&iss}, kHome);  // the window hands the same satellite again
  alert.Check(aos - 1.0 / 1440);
  ASSERT_EQ(said.size(), 1);
  EXPECT_EQ(said.front(), QStringLiteral("ISS (ZARYA) rises in 5 minutes"));
  alert.Check(aos + 1.0 / 1440);
  EXPECT_EQ(said.size(), 1) << "a pass under way is not news";
}

TEST(PassAlert, NothingFailsWithoutANotificationService) {
  // A session bus that is not there (the tests never reach the user's own desktop).
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/nimbrel-test-bus");
  EXPECT_FALSE(
      SendDesktopNotification(QStringLiteral("ISS rises in 5 minutes"), QStringLiteral("AOS soon.")));
}

class StationPage : public ::testing::Test {
 protected:
  testing::TSandbox sandbox_;
  double now_ = Utc(17, 11);
  station::TTracker::TClock clock_ = [this] { return now_; };
};

TEST_F(StationPage, TracksThePrimaryWithTheRotatorAndKeepsItsFrequencies) {
  TFakeDaemon rotctld;
  orbit::TSatellite iss = station::test::Iss();
  {
    TFormStation page(nullptr, clock_, [](const QString&, const QString&) {});
    page.SetSatellite(&iss, 52.0, 5.0);
    EXPECT_EQ(page.LabelSatellite->text(), QStringLiteral("ISS (ZARYA)"));
    ASSERT_TRUE(page.LastSample());
    EXPECT_EQ(page.LastSample()->state, station::TTrackState::tsTracking);
    EXPECT_FALSE(page.SkyPlot->Path().empty()) << "the pass under way is plotted";

    page.EditRotator->setText(QStringLiteral("127.0.0.1:%1").arg(rotctld.Address().port));
    page.ButtonRotator->click();
    ASSERT_TRUE(WaitFor([&] { return page.Rotator().Connected(); }));
    EXPECT_EQ(page.LabelRotatorState->text(), QStringLiteral("Connected."));
    EXPECT_EQ(page.ButtonRotator->text(), QStringLiteral("Disconnect"));
    page.Tracker()->Update();
    EXPECT_EQ(rotctld.Count(QStringLiteral("P")), 0) << "nothing moves until tracking is switched on";

    page.CheckBoxTracking->click();
    ASSERT_TRUE(WaitFor([&] { return rotctld.Count(QStringLiteral("P")) == 1 && page.Rotator().Idle(); }));
    EXPECT_TRUE(rotctld.Lines().filter(QStringLiteral("P 178.")).size() == 1)
        << rotctld.Lines().join(',').toStdString();
    EXPECT_TRUE(page.LabelReported->text().contains(QStringLiteral("reports 10.0° 20.0°")))
        << page.LabelReported->text().toStdString();

    page.EditDownlink->setText(QStringLiteral("437,8"));
    page.EditUplink->setText(QStringLiteral("145.99"));
    emit page.EditUplink->editingFinished();
    EXPECT_TRUE(page.LabelDownlink->text().startsWith(QStringLiteral("437.80")))
        << page.LabelDownlink->text().toStdString();
    page.CheckBoxTracking->click();
    ASSERT_TRUE(WaitFor([&] { return page.Rotator().Idle(); }));
    EXPECT_EQ(rotctld.Lines().last(), QStringLiteral("S")) << "switching tracking off stops the rotator";
  }
  const TStationSettings settings;
  EXPECT_EQ(settings.Downlink(QStringLiteral("25544")), 437.8e6);
  EXPECT_EQ(settings.Uplink(QStringLiteral("25544")), 145.99e6);
  EXPECT_EQ(settings.Text(kStationRotator, {}), QStringLiteral("127.0.0.1:%1").arg(rotctld.Address().port));

  // Another satellite has its own (none); the ISS gets its own back.
  TFormStation again(nullptr, clock_, [](const QString&, const QString&) {});
  orbit::TSatellite other = iss;
  other.SetName("OTHER");
  orbit::TElementSet elements = other.Elements();
  elements.catalogueNumber = "99999";
  other.SetElementSet(elements);
  again.SetSatellite(&other, 52.0, 5.0);
  EXPECT_TRUE(again.EditDownlink->text().isEmpty());
  again.SetSatellite(&iss, 52.0, 5.0);
  EXPECT_EQ(again.EditDownlink->text(), QStringLiteral("437.8"));
  EXPECT_EQ(again.EditRotator->text(), QStringLiteral("127.0.0.1:%1").arg(rotctld.Address().port));
}

}  // namespace
}  // namespace nimbrel::app
