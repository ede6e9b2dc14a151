// A thousand satellites at once: points in their orbits' colours that the globe hides where it should,
// the primary still a sphere with its footprint, picking a point, the same positions on one core as on
// all, and the clock running smoothly.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "FormTestSupport.h"
#include "app/Clock.h"
#include "app/ClockPanel.h"
#include "app/OrbitClass.h"
#include "app/SatellitesPanel.h"
#include "app/SceneContent.h"
#include "app/StatusLine.h"
#include "orbit/OrbitTime.h"
#include "orbit/Satellite.h"
#include "scene/Camera.h"
#include "scene/LightSource.h"
#include "scene/Lines.h"
#include "scene/OffscreenRenderer.h"
#include "scene/PointCloud.h"
#include "scene/Sphere.h"

namespace nimbrel::app {
namespace {

using orbit::TSatellite;
using scene::Float4;

// A quarter each of low, medium, geosynchronous and highly elliptical orbits, spread over planes and
// places in the orbit, with epochs on 1 May 2021.
std::deque<TSatellite> Catalogue(int count) {
  struct TKind {
    double meanMotion;  // revolutions a day
    int eccentricity;   // the element line's seven digits
  };
  static constexpr TKind kKinds[] = {{15.2, 1000}, {2.0057, 100}, {1.0027, 2}, {2.006, 7200000}};
  std::deque<TSatellite> satellites;
  for (int i = 0; i < count; ++i) {
    const TKind& kind = kKinds[i % 4];
    char line1[80];
    char line2[80];
    std::snprintf(line1, sizeof line1, "1 %05dU 21001A   21121.00000000  .00000000  00000-0  00000-0 0  9990",
                  10000 + i);
    std::snprintf(line2, sizeof line2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f    10", 10000 + i,
                  (i * 7) % 1800 / 10.0, (i * 13) % 3600 / 10.0, kind.eccentricity, 270.0,
                  (i * 29) % 3600 / 10.0, kind.meanMotion);
    satellites.push_back(TSatellite::Create("SAT " + std::to_string(i), line1, line2));
  }
  return satellites;
}

const orbit::TDateTime kT0 = orbit::EncodeDateTime(orbit::TCalendarTime{2021, 5, 1, 12, 0, 0, 0});

std::vector<const TSatellite*> All(const std::deque<TSatellite>& satellites) {
  std::vector<const TSatellite*> list;
  for (const TSatellite& s : satellites) list.push_back(&s);
  return list;
}

float Dot(const Float4& a, const Float4& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Length(const Float4& v) {
  return std::sqrt(Dot(v, v));
}

TEST(LiveCatalogue, OrbitClassesFollowTheStatedBoundaries) {
  const std::deque<TSatellite> kinds = Catalogue(4);
  EXPECT_EQ(OrbitClassOf(kinds[0]), TOrbitClass::ocLowEarth);
  EXPECT_EQ(OrbitClassOf(kinds[1]), TOrbitClass::ocMediumEarth);
  EXPECT_EQ(OrbitClassOf(kinds[2]), TOrbitClass::ocGeosynchronous);
  EXPECT_EQ(OrbitClassOf(kinds[3]), TOrbitClass::ocHighlyElliptical);
}

TEST(LiveCatalogue, UpToAHundredMarkersStaySpheresBeyondThatOnlyThePrimaryIs) {
  const std::deque<TSatellite> satellites = Catalogue(101);
  std::vector<const TSatellite*> list = All(satellites);
  TSceneContent content;
  list.pop_back();
  content.RebuildMarkers(list, true);
  EXPECT_EQ(content.Markers().size(), 100u);
  EXPECT_EQ(content.PointMarkers(), nullptr);
  EXPECT_EQ(content.MarkerColour(20).r, SatelliteColour(20).r) << "silver from the tenth, as before";

  list.push_back(&satellites.back());
  content.RebuildMarkers(list, true);
  ASSERT_EQ(content.Markers().size(), 1u);
  ASSERT_NE(content.PointMarkers(), nullptr);
  EXPECT_EQ(content.PointMarkers()->PointCount(), 100);
  EXPECT_EQ(content.Markers()[0]->Count(), 1) << "the primary keeps its trail";
  const TRgb geo = OrbitClassColour(TOrbitClass::ocGeosynchronous);
  EXPECT_EQ(content.MarkerColour(2).g, geo.g);
  EXPECT_EQ(content.MarkerColour(0).g, SatelliteColour(0).g) << "the primary keeps its own colour";
  // No trail for the geosynchronous ones, whose trail would point nowhere useful.
  EXPECT_FALSE(content.PointMarkers()->Points()[1].trail);
  EXPECT_TRUE(content.PointMarkers()->Points()[0].trail);
}

TEST(LiveCatalogue, PositionsOnAllCoresEqualThoseOnOneBitForBit) {
  // Each content propagates its own copies, so neither sees the other's propagator caches.
  const std::deque<TSatellite> a = Catalogue(1000);
  const std::deque<TSatellite> b = Catalogue(1000);
  TSceneContent one;
  TSceneContent many;
  one.SetUpdateThreads(1);
  many.SetUpdateThreads(4);
  one.RebuildMarkers(All(a), true);
  many.RebuildMarkers(All(b), true);
  for (int minutes : {0, 7, 95, 1440}) {
    one.UpdateScene(kT0 + minutes / 1440.0, {});
    many.UpdateScene(kT0 + minutes / 1440.0, {});
    const auto& p = one.PointMarkers()->Points();
    const auto& q = many.PointMarkers()->Points();
    ASSERT_EQ(p.size(), q.size());
    int shown = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
      ASSERT_EQ(p[i].shown, q[i].shown) << i;
      EXPECT_EQ(std::memcmp(&p[i].position, &q[i].position, sizeof p[i].position), 0) << i;
      EXPECT_EQ(std::memcmp(&p[i].trailEnd, &q[i].trailEnd, sizeof p[i].trailEnd), 0) << i;
      shown += p[i].shown ? 1 : 0;
      if (p[i].shown && p[i].trail) {
        const float dx = p[i].trailEnd.x - p[i].position.x, dy = p[i].trailEnd.y - p[i].position.y,
                    dz = p[i].trailEnd.z - p[i].position.z;
        EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 0.3f, 1e-4f) << "trail of " << i;
      }
    }
    EXPECT_GT(shown, 900) << "at +" << minutes << " min";
    EXPECT_TRUE(
        scene::Same4(one.Markers()[0]->Position().AsFloat4(), many.Markers()[0]->Position().AsFloat4()));
  }
}

class LiveCataloguePixels : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!renderer_.Ready()) GTEST_SKIP() << "no OpenGL: " << renderer_.ErrorText().toStdString();
    renderer_.SetCamera(&content_.MainCamera());
    renderer_.SetBackgroundColor(Qt::black);
    content_.View().zoom = 8;  // the globe large, the inner orbits around it
    content_.PlaceCamera();
    content_.RebuildMarkers(All(satellites_), false);
    content_.OrbitLines().SetLinePattern(0xFFFF);
    content_.UpdateScene(kT0, {});
    frame_ = renderer_.RenderImage();
    eye_ = content_.MainCamera().Position().AsFloat4();
    const scene::TPointCloud& cloud = *content_.PointMarkers();
    for (const scene::TCloudPoint& p : cloud.Points()) {
      const Float4 at{p.position.x, p.position.y, p.position.z, 1};
      projected_.push_back(Project(at));
      // Clearly on the near side, or clearly behind the globe's middle.
      const float facing = Dot(at, eye_) / (Length(at) * Length(eye_));
      const float offAxis =
          std::sqrt(std::max(0.0f, Dot(at, at) - std::pow(Dot(at, eye_) / Length(eye_), 2.0f)));
      near_.push_back(p.shown && facing > 0.3f);
      behind_.push_back(p.shown && facing < -0.3f && offAxis < 0.9f * kEarthRadius);
    }
  }
  QPointF Project(const Float4& point) const {
    Float4 eye, clip;
    scene::TransformFloat4(point, renderer_.ModelViewMatrix(), eye);
    scene::TransformFloat4(eye, renderer_.ProjectionMatrix(), clip);
    return {(clip.x / clip.w + 1) / 2 * frame_.width(), (1 - clip.y / clip.w) / 2 * frame_.height()};
  }
  bool InFrame(const QPointF& p) const {
    return p.x() >= 2 && p.y() >= 2 && p.x() < frame_.width() - 2 && p.y() < frame_.height() - 2;
  }
  // No other point that can be seen lies within `pixels` of point i's place on screen.
  bool Isolated(std::size_t i, double pixels) const {
    for (std::size_t j = 0; j < projected_.size(); ++j) {
      if (j == i || behind_[j] || !content_.PointMarkers()->Points()[j].shown) continue;
      const QPointF d = projected_[j] - projected_[i];
      if (d.x() * d.x() + d.y() * d.y() < pixels * pixels) return false;
    }
    return true;
  }
  // Whether the colour shows within a pixel of p.
  bool ShowsColour(const QPointF& p, TRgb c) const {
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const QColor seen = frame_.pixelColor(static_cast<int>(p.x()) + dx, static_cast<int>(p.y()) + dy);
        if (std::abs(seen.red() - c.r) <= 3 && std::abs(seen.green() - c.g) <= 3 &&
            std::abs(seen.blue() - c.b) <= 3) {
          return true;
        }
      }
    }
    return false;
  }

  std::deque<TSatellite> satellites_ = Catalogue(1000);
  TSceneContent content_;
  // Declared after the scene content, so it goes first.
  scene::TOffscreenRenderer renderer_{content_.Scene1(), 400, 400};
  QImage frame_;
  Float4 eye_;
  std::vector<QPointF> projected_;
  std::vector<bool> near_;
  std::vector<bool> behind_;
};

TEST_F(LiveCataloguePixels, PointsShowInTheirOrbitColoursAndTheGlobeHidesThoseBehindIt) {
  // A point is a pixel wide: the primary's orbit line, drawn over it where they cross, would hide it.
  content_.OrbitLines().SetVisible(false);
  frame_ = renderer_.RenderImage();
  int seenPerClass[4] = {};
  int hiddenChecked = 0;
  for (std::size_t i = 0; i < projected_.size(); ++i) {
    if (!InFrame(projected_[i]) || !Isolated(i, 4)) continue;
    const TRgb colour = content_.MarkerColour(i + 1);
    if (near_[i]) {
      EXPECT_TRUE(ShowsColour(projected_[i], colour))
          << "point " << i << " at " << projected_[i].x() << "," << projected_[i].y();
      ++seenPerClass[static_cast<int>(OrbitClassOf(*content_.Shown()[i + 1]))];
    } else if (behind_[i]) {
      EXPECT_FALSE(ShowsColour(projected_[i], colour)) << "point " << i << " shows through the globe";
      ++hiddenChecked;
    }
  }
  for (int c = 0; c < 4; ++c) EXPECT_GT(seenPerClass[c], 0) << OrbitClassName(kOrbitClasses[c]);
  EXPECT_GT(hiddenChecked, 10);
}

TEST_F(LiveCataloguePixels, ThePrimaryIsStillASphereWithItsFootprintAndOrbit) {
  ASSERT_EQ(content_.Markers().size(), 1u);
  EXPECT_TRUE(content_.Markers()[0]->Visible());
  EXPECT_TRUE(content_.FootprintSpotlight().Shining());
  // From straight above the primary, close in: its sphere fills the middle in the first colour.
  content_.View().zoom = 1;
  content_.View().viewpoint = 2;
  content_.UpdateScene(kT0, {});
  const QImage close = renderer_.RenderImage();
  const QColor middle = close.pixelColor(close.width() / 2, close.height() / 2);
  EXPECT_GT(middle.red(), 120);
  EXPECT_GT(middle.red(), 2 * middle.blue()) << middle.name().toStdString();
  EXPECT_TRUE(content_.OrbitLines().Visible());
}

TEST_F(LiveCataloguePixels, APointPickFindsTheSatelliteUnderThePointerNotOneBehindTheGlobe) {
  const scene::TScreenProjection view = renderer_.FrameProjection();
  int front = 0;
  int back = 0;
  for (std::size_t i = 0; i < projected_.size(); ++i) {
    // Farther from every point that can be seen than a pick reaches.
    if (!InFrame(projected_[i]) || !Isolated(i, 7)) continue;
    const QPointF p = projected_[i];
    if (near_[i]) {
      // A few pixels beside it still picks it.
      EXPECT_EQ(content_.PickPoint(view, p.x() + 3, p.y() - 2), content_.Shown()[i + 1]) << i;
      ++front;
    } else if (behind_[i]) {
      EXPECT_EQ(content_.PickPoint(view, p.x(), p.y()), nullptr) << "point " << i << " behind the globe";
      ++back;
    }
  }
  EXPECT_GT(front, 10);
  EXPECT_GT(back, 10);
}

TEST(SmoothClock, AdvancesBySpeedTimesTheRealTimeGoneBy) {
  using std::chrono::milliseconds;
  const TSmoothClock::TInstant start{std::chrono::seconds(1000)};
  const orbit::TDateTime t0 = FromMilliseconds(ToMilliseconds(kT0));
  TSmoothClock clock;
  EXPECT_FALSE(clock.Running());
  clock.Start(t0, 60, start);
  EXPECT_EQ(ToMilliseconds(clock.TimeAt(start + milliseconds(1500))) - ToMilliseconds(t0), 90'000);
  EXPECT_EQ(ToMilliseconds(clock.TimeAt(start - milliseconds(10))), ToMilliseconds(t0)) << "never backwards";
  clock.Start(t0, 3600, start);
  EXPECT_EQ(ToMilliseconds(clock.TimeAt(start + milliseconds(33))) - ToMilliseconds(t0), 118'800);
  // Many short ticks sum to exactly the same as one long one: nothing accumulates.
  orbit::TDateTime last = t0;
  for (int tick = 1; tick <= 3000; ++tick) last = clock.TimeAt(start + milliseconds(33 * tick));
  EXPECT_EQ(ToMilliseconds(last) - ToMilliseconds(t0), 3600LL * 33 * 3000);
  clock.Stop();
  EXPECT_FALSE(clock.Running());
}

TEST(FrameCadence, PicturesAreDueAPeriodAfterThePreviousWasDueAndLateOnesAreSkipped) {
  using std::chrono::microseconds;
  using std::chrono::milliseconds;
  const TFrameCadence::TInstant start{std::chrono::seconds(1000)};
  TFrameCadence cadence(milliseconds(33));
  cadence.Start(start);
  // 10 ms of work: the next picture is due 23 ms later, not 33.
  EXPECT_EQ(cadence.Next(start + milliseconds(10)), milliseconds(23));
  // A hundred pictures each made 12 ms after it was due: the due instants do not drift by the work.
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(cadence.Next(cadence.Due() + milliseconds(12)), milliseconds(21)) << i;
  EXPECT_EQ(cadence.Due(), start + milliseconds(33 * 101));
  EXPECT_EQ(cadence.Skipped(), 0);
  // Late, but before the one after it is due: made at once, nothing skipped.
  const TFrameCadence::TInstant due = cadence.Due();
  EXPECT_EQ(cadence.Next(due + milliseconds(60)), milliseconds(0));
  EXPECT_EQ(cadence.Due(), due + milliseconds(33));
  EXPECT_EQ(cadence.Skipped(), 0);
  // A stall of 200 ms: the pictures in between are skipped, only the latest due one is made, at once,
  // and the next keeps to the grid.
  EXPECT_EQ(cadence.Next(due + milliseconds(233)), milliseconds(0));
  EXPECT_EQ(cadence.Due(), due + milliseconds(231));
  EXPECT_EQ(cadence.Skipped(), 5);
  EXPECT_EQ(cadence.Next(due + milliseconds(233)), milliseconds(31));
  // A fraction of a millisecond left rounds up: a timer never fires before the picture is due.
  EXPECT_EQ(cadence.Next(cadence.Due() + microseconds(32'500)), milliseconds(1));
  cadence.Start(start);
  EXPECT_EQ(cadence.Skipped(), 0);
  EXPECT_EQ(cadence.Due(), start);
}

}  // namespace
}  // namespace nimbrel::app

namespace nimbrel::app {
namespace {

using std::chrono::milliseconds;

class FormSmoothClock : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    window_ = sandbox_.Open({}, [this] { return now_; });
    // Stopped at 2021-05-01 12:00:00, as a user setting the pickers would.
    window_->ClockPanel->SelectStep(kManual);
    {
      const QSignalBlocker blockDate(window_->ClockPanel->DatePicker);
      const QSignalBlocker blockTime(window_->ClockPanel->TimePicker);
      window_->ClockPanel->DatePicker->setDate(QDate(2021, 5, 1));
      window_->ClockPanel->TimePicker->setTime(QTime(12, 0, 0));
    }
    window_->RefreshView();
  }
  void ChooseSpeed(int item) {
    window_->ClockPanel->ComboBoxSpeed->setCurrentIndex(item);
    window_->ClockPanel->ComboBoxSpeedChange();
  }
  std::int64_t MsSinceStart() const { return ToMilliseconds(window_->CurrentTime()) - ToMilliseconds(kT0); }

  static constexpr int kManual = 7;
  std::chrono::steady_clock::time_point now_{std::chrono::seconds(5000)};
  testing::TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormSmoothClock, TicksKeepTheirCadenceWhateverTheUpdateTook) {
  ChooseSpeed(4);  // x600
  EXPECT_EQ(window_->ClockPanel->TimerSmooth->interval(), 0) << "the first picture at once";
  EXPECT_EQ(window_->ClockPanel->TimerSmooth->timerType(), Qt::PreciseTimer);
  now_ += milliseconds(10);
  window_->ClockPanel->TimerSmoothTimer();
  EXPECT_EQ(window_->ClockPanel->TimerSmooth->interval(), 23)
      << "due 33 ms after the first was, not after the work";
  now_ += milliseconds(23 + 200);  // a stall: the pictures due meanwhile are skipped, not queued
  window_->ClockPanel->TimerSmoothTimer();
  EXPECT_EQ(window_->ClockPanel->TimerSmooth->interval(), 0);
  EXPECT_EQ(MsSinceStart(), 600 * 233);
  now_ += milliseconds(4);
  window_->ClockPanel->TimerSmoothTimer();
  EXPECT_EQ(window_->ClockPanel->TimerSmooth->interval(), 27) << "back on the grid of due instants";
}

// A picture that shows the same time again (a stopped clock asked to refresh, or a running one
// between two changes of what it shows) leaves the status bar and the list alone.
TEST_F(FormSmoothClock, AnUpdateThatChangesNothingShownWritesNoWidget) {
  struct TPaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint || event->type() == QEvent::ToolTipChange) ++paints;
      return false;
    }
  } counter;
  QTest::qWait(200);  // the window's own first paints and delayed layouts are over
  for (QWidget* widget : {static_cast<QWidget*>(window_->StatusLine->StatusPanels[1]),
                          static_cast<QWidget*>(window_->StatusLine->StatusPanels[2]),
                          static_cast<QWidget*>(window_->StatusLine->StatusPanels[3]),
                          window_->SatellitesPanel->ListBoxActive->viewport()})
    widget->installEventFilter(&counter);
  window_->RefreshView();
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.paints, 0);
  ChooseSpeed(1);
  window_->ClockPanel->TimerSmoothTimer();  // no real time gone by: the same instant
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.paints, 0);
  // What does change is still written and painted.
  now_ += milliseconds(1000);
  window_->ClockPanel->TimerSmoothTimer();
  QCoreApplication::processEvents();
  EXPECT_GT(counter.paints, 0);
  EXPECT_EQ(window_->StatusLine->StatusPanels[1]->text(), StatusBarDate(window_->CurrentTime()));
}

TEST_F(FormSmoothClock, RunsBySpeedTimesElapsedTimeUntilManOrAPickerStopsIt) {
  ChooseSpeed(3);  // x60
  EXPECT_TRUE(window_->ClockPanel->SmoothClockRunning());
  EXPECT_EQ(window_->ClockPanel->StepItem(), -1) << "no step item rules meanwhile";
  now_ += milliseconds(2500);
  window_->ClockPanel->TimerSmoothTimer();
  EXPECT_EQ(MsSinceStart(), 150'000);
  EXPECT_EQ(window_->ClockPanel->TimePicker->time(), QTime(12, 2, 30));
  EXPECT_TRUE(window_->ClockPanel->TimerSmooth->isActive());
  EXPECT_FALSE(window_->ClockPanel->TimerStep->isActive()) << "the step timer stays off";

  // At x1 a tick of 40 ms moves the clock by 40 ms: the pickers keep the milliseconds.
  ChooseSpeed(1);
  const std::int64_t before = MsSinceStart();
  now_ += milliseconds(40);
  window_->ClockPanel->TimerSmoothTimer();
  EXPECT_EQ(MsSinceStart() - before, 40);

  window_->ClockPanel->SelectStep(kManual);
  EXPECT_FALSE(window_->ClockPanel->SmoothClockRunning());
  EXPECT_FALSE(window_->ClockPanel->TimerSmooth->isActive());
  EXPECT_EQ(window_->ClockPanel->ComboBoxSpeed->currentIndex(), 0);
  const std::int64_t stopped = MsSinceStart();
  now_ += milliseconds(10'000);
  window_->ClockPanel->TimerSmoothTimer();
  EXPECT_EQ(MsSinceStart(), stopped);

  ChooseSpeed(5);                                             // x3600
  window_->ClockPanel->TimePicker->setTime(QTime(15, 0, 0));  // as the user's edit
  EXPECT_FALSE(window_->ClockPanel->SmoothClockRunning());
  EXPECT_EQ(window_->ClockPanel->StepItem(), kManual);
  EXPECT_EQ(window_->ClockPanel->TimePicker->time(), QTime(15, 0, 0));
}

}  // namespace
}  // namespace nimbrel::app

namespace nimbrel::app {
namespace {

// The window on the ten sets, stopped at 19:30 on 17 January 2006 and paced by `now`. The sets'
// epoch is 2006-01-03 19:56:11: from 19:56:12 on that day they are more than 14 days old.
std::unique_ptr<TForm3Dview> OpenBeforeTheFortnight(testing::TSandbox& sandbox,
                                                    std::chrono::steady_clock::time_point& now) {
  sandbox.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites());
  auto window = sandbox.Open({sandbox.Path(QStringLiteral("ten.tle"))}, [&now] { return now; });
  window->ClockPanel->SelectStep(7);
  {
    const QSignalBlocker blockDate(window->ClockPanel->DatePicker);
    const QSignalBlocker blockTime(window->ClockPanel->TimePicker);
    window->ClockPanel->DatePicker->setDate(QDate(2006, 1, 17));
    window->ClockPanel->TimePicker->setTime(QTime(19, 30, 0));
  }
  window->RefreshView();
  return window;
}

// The list's marks of old element sets change by whole days of the clock: while it runs they are
// brought up to date once a second of real time, not for every picture, and still follow.
TEST(FormSmoothClockMarks, TheListsAgeMarksFollowTheRunningClockOnceASecond) {
  NIMBREL_NEED_WINDOW_PLATFORM();
  using std::chrono::milliseconds;
  testing::TSandbox sandbox;
  std::chrono::steady_clock::time_point now{std::chrono::seconds(5000)};
  const auto window = OpenBeforeTheFortnight(sandbox, now);
  ASSERT_GT(window->SatellitesPanel->ListBoxActive->count(), 0);
  QListWidgetItem* item = window->SatellitesPanel->ListBoxActive->item(0);
  EXPECT_FALSE(item->data(Qt::FontRole).isValid());
  window->ClockPanel->ComboBoxSpeed->setCurrentIndex(5);  // x3600
  window->ClockPanel->ComboBoxSpeedChange();
  now += milliseconds(500);
  // 20:00, past the fortnight, half a second after the marks were made.
  window->ClockPanel->TimerSmoothTimer();
  EXPECT_FALSE(item->data(Qt::FontRole).isValid()) << "not yet: marks follow once a second";
  now += milliseconds(600);
  window->ClockPanel->TimerSmoothTimer();
  EXPECT_TRUE(item->data(Qt::FontRole).value<QFont>().italic());
  EXPECT_EQ(item->toolTip(), QStringLiteral("elements 14 days old"));
}

// A clock stopped within that second still leaves the marks for the time it shows: the tick that came
// too soon is marked once the second is over.
TEST(FormSmoothClockMarks, AClockStoppedWithinTheSecondStillGetsItsMarks) {
  NIMBREL_NEED_WINDOW_PLATFORM();
  testing::TSandbox sandbox;
  std::chrono::steady_clock::time_point now{std::chrono::seconds(5000)};
  const auto window = OpenBeforeTheFortnight(sandbox, now);
  ASSERT_GT(window->SatellitesPanel->ListBoxActive->count(), 0);
  QListWidgetItem* item = window->SatellitesPanel->ListBoxActive->item(0);
  ASSERT_FALSE(item->data(Qt::FontRole).isValid());
  window->ClockPanel->ComboBoxSpeed->setCurrentIndex(5);  // x3600
  window->ClockPanel->ComboBoxSpeedChange();
  now += std::chrono::milliseconds(500);
  window->ClockPanel->TimerSmoothTimer();  // 20:00: past the fortnight, too soon to mark
  ASSERT_FALSE(item->data(Qt::FontRole).isValid());
  // "Man" stops the clock where it got to; no further tick comes.
  window->ClockPanel->SelectStep(7);
  ASSERT_FALSE(window->ClockPanel->SmoothClockRunning());
  EXPECT_TRUE(QTest::qWaitFor([&] { return item->data(Qt::FontRole).value<QFont>().italic(); }, 5000));
  EXPECT_EQ(item->toolTip(), QStringLiteral("elements 14 days old"));
}

class FormPickersAtStart : public testing::TWindowTest {};

// The update before the first tick runs at the pickers' time: at a default of 2000-01-01 every
// deep-space set would be integrated over decades before the window could show anything.
TEST_F(FormPickersAtStart, TheFirstUpdateIsForThePresent) {
  testing::TSandbox sandbox;
  const std::unique_ptr<TForm3Dview> window = sandbox.Open();
  EXPECT_NEAR(window->CurrentTime(), orbit::CurrentUtc(), 2.0 / 1440);
}

}  // namespace
}  // namespace nimbrel::app
