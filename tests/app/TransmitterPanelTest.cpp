// The Station page's transmitter choice: the primary's transmitters from the data folder's list, the
// recommended one by default, a transponder's place, the choice kept per satellite, and typing over it.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>

#include "FormTestSupport.h"
#include "StationTestSupport.h"
#include "app/FormStation.h"
#include "app/StationSettings.h"
#include "app/TransmitterPanel.h"
#include "orbit/OrbitTime.h"

namespace nimbrel::app {
namespace {

constexpr const char* kList = R"([
  {"uuid": "old", "description": "Old beacon", "type": "Transmitter", "downlink_low": 145800000,
   "mode": "CW", "norad_cat_id": 25544, "status": "inactive"},
  {"uuid": "fm", "description": "FM voice", "type": "Transceiver", "uplink_low": 145990000,
   "downlink_low": 437800000, "mode": "FM", "uplink_mode": "FM", "norad_cat_id": 25544, "status": "active"},
  {"uuid": "ssb", "description": "Linear", "type": "Transponder", "uplink_low": 435030000,
   "uplink_high": 435050000, "downlink_low": 145910000, "downlink_high": 145930000, "mode": "USB",
   "invert": true, "downlink_drift": -300, "norad_cat_id": 25544, "status": "active"}])";

class TransmitterChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString file = TTransmitterPanel::ListFile();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(kList);
  }
  static QStringList Descriptions(const TTransmitterPanel& panel) {
    QStringList texts;
    for (int i = 0; i < panel.ListTransmitters->topLevelItemCount(); ++i)
      texts << panel.ListTransmitters->topLevelItem(i)->text(0);
    return texts;
  }

  testing::TSandbox sandbox_;
  double now_ = orbit::DateTimeToJulianDate(orbit::EncodeDateTime({2006, 1, 4, 17, 11, 0, 0}));
  station::TTracker::TClock clock_ = [this] { return now_; };
  orbit::TSatellite iss_ = station::test::Iss();
};

TEST_F(TransmitterChoice, TheRecommendedTransmitterFillsTheFrequenciesAndATransponderItsPlace) {
  TFormStation page(nullptr, clock_, [](const QString&, const QString&) {});
  page.SetSatellite(&iss_, 52.0, 5.0);
  TTransmitterPanel& panel = *page.PanelTransmitter;
  EXPECT_EQ(Descriptions(panel), (QStringList{QStringLiteral("Typed frequencies"), QStringLiteral("FM voice"),
                                              QStringLiteral("Linear"), QStringLiteral("Old beacon")}));
  EXPECT_EQ(panel.ListTransmitters->topLevelItem(3)->text(4), QStringLiteral("inactive"));
  ASSERT_TRUE(panel.Chosen());
  EXPECT_EQ(panel.Chosen()->uuid, "fm") << "the first active one, never the inactive beacon";
  EXPECT_EQ(page.EditDownlink->text(), QStringLiteral("437.8"));
  EXPECT_EQ(page.EditUplink->text(), QStringLiteral("145.99"));
  ASSERT_TRUE(page.Tracker()->Settings().modes);
  EXPECT_EQ(page.Tracker()->Settings().modes->downlink, "FM");
  EXPECT_FALSE(panel.SliderPlace->isEnabled());
  EXPECT_TRUE(panel.LabelSource->text().contains(QStringLiteral("CC BY-SA 4.0")));

  // The transponder: its centre, the mirrored uplink, SatNOGS's drift as the offset.
  panel.ListTransmitters->setCurrentItem(panel.ListTransmitters->topLevelItem(2));
  EXPECT_EQ(page.EditDownlink->text(), QStringLiteral("145.92"));
  EXPECT_EQ(page.EditUplink->text(), QStringLiteral("435.04"));
  EXPECT_EQ(panel.SpinOffset->value(), -300);
  ASSERT_TRUE(page.Tracker()->Settings().transponder);
  EXPECT_EQ(page.Tracker()->Settings().downlinkOffsetHz, -300.0);
  ASSERT_TRUE(panel.SliderPlace->isEnabled());
  panel.SliderPlace->setValue(5000);  // 145.915: the uplink moves up on an inverting transponder
  EXPECT_EQ(page.EditDownlink->text(), QStringLiteral("145.915"));
  EXPECT_EQ(page.EditUplink->text(), QStringLiteral("435.045"));
  EXPECT_EQ(page.Tracker()->PlaceHz(), 145.915e6);
  // The radio's dial turned to 145.925: the page shows the new place and keeps it.
  emit page.Tracker()->PlaceMoved(145.925e6);
  EXPECT_EQ(panel.SliderPlace->value(), 15000);
  EXPECT_EQ(page.EditUplink->text(), QStringLiteral("435.035"));
  panel.SpinCtcss->setValue(67.0);
  emit panel.SpinCtcss->editingFinished();

  // Every control has a name a screen reader can say.
  for (QWidget* control : std::initializer_list<QWidget*>{panel.ListTransmitters, panel.SpinCtcss,
                                                          panel.SliderPlace, panel.SpinOffset})
    EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
}

TEST_F(TransmitterChoice, TheChoiceIsKeptPerSatelliteAndTypingGoesBackToTypedFrequencies) {
  {
    TFormStation page(nullptr, clock_, [](const QString&, const QString&) {});
    page.SetSatellite(&iss_, 52.0, 5.0);
    page.PanelTransmitter->ListTransmitters->setCurrentItem(
        page.PanelTransmitter->ListTransmitters->topLevelItem(2));
    page.PanelTransmitter->SliderPlace->setValue(2500);
  }
  TFormStation again(nullptr, clock_, [](const QString&, const QString&) {});
  again.SetSatellite(&iss_, 52.0, 5.0);
  ASSERT_TRUE(again.PanelTransmitter->Chosen());
  EXPECT_EQ(again.PanelTransmitter->Chosen()->uuid, "ssb");
  EXPECT_EQ(again.EditDownlink->text(), QStringLiteral("145.9125"));
  EXPECT_EQ(again.PanelTransmitter->SliderPlace->value(), 2500);
  const TStationSettings settings;
  EXPECT_EQ(settings.Text("Transmitter.25544", {}), QStringLiteral("ssb"));
  EXPECT_EQ(settings.Integer("PassbandPlace.25544", -1), 2500);

  // The user types a frequency of their own: the transmitter is let go, and stays so.
  again.EditDownlink->setText(QStringLiteral("145.8"));
  emit again.EditDownlink->editingFinished();
  EXPECT_FALSE(again.PanelTransmitter->Chosen());
  EXPECT_FALSE(again.Tracker()->Settings().transponder);
  EXPECT_EQ(again.Tracker()->Settings().downlinkHz, 145.8e6);
  TFormStation third(nullptr, clock_, [](const QString&, const QString&) {});
  third.SetSatellite(&iss_, 52.0, 5.0);
  EXPECT_FALSE(third.PanelTransmitter->Chosen());
  EXPECT_EQ(third.EditDownlink->text(), QStringLiteral("145.8"));
}

TEST_F(TransmitterChoice, TheRecommendationFollowsTheListUntilTheUserChooses) {
  {
    TFormStation first(nullptr, clock_, [](const QString&, const QString&) {});
    first.SetSatellite(&iss_, 52.0, 5.0);
  }
  TFormStation page(nullptr, clock_, [](const QString&, const QString&) {});
  page.SetSatellite(&iss_, 52.0, 5.0);
  ASSERT_TRUE(page.PanelTransmitter->Chosen()) << "the next start does not take it for typed frequencies";
  ASSERT_EQ(page.PanelTransmitter->Chosen()->uuid, "fm");
  // SatNOGS now lists the FM transceiver as inactive.
  QFile out(TTransmitterPanel::ListFile());
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(QByteArray(kList).replace(R"("FM", "norad_cat_id": 25544, "status": "active")",
                                      R"("FM", "norad_cat_id": 25544, "status": "inactive")"));
  out.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
  out.close();
  page.SetSatellite(&iss_, 52.0, 5.0);  // the window hands the same satellite after a download
  ASSERT_TRUE(page.PanelTransmitter->Chosen());
  EXPECT_EQ(page.PanelTransmitter->Chosen()->uuid, "ssb");
  EXPECT_EQ(page.EditDownlink->text(), QStringLiteral("145.92"));
  EXPECT_TRUE(page.Tracker()->Settings().transponder);
}

}  // namespace
}  // namespace nimbrel::app
