#include "app/NavigationPanel.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <exception>

#include "app/FormLayout.h"
#include "app/SceneContent.h"
#include "app/SessionModel.h"
#include "app/ViewMath.h"
#include "orbit/Satellite.h"
#include "scene/SceneViewer.h"

namespace nimbrel::app {

namespace {
constexpr int kHoverRestMs = 100;
// The zoom's ends; the buttons and the wheel stop at them alike.
constexpr int kZoomIn = 1;
constexpr int kZoomOut = 64;
}  // namespace

TNavigationPanel::TNavigationPanel(TSceneContent& content, TSessionModel& model, TMessageSink& sink,
                                   scene::TSceneViewer* viewer, QWidget* page)
    : QObject(page), content_(content), model_(model), sink_(sink), viewer_(viewer) {
  constexpr unsigned kLeftBottom = akLeft | akBottom;
  constexpr unsigned kRight = akRight | akTop;
  TrackBarLon = new QSlider(Qt::Horizontal, page);
  TrackBarLon->setObjectName(QStringLiteral("TrackBarLon"));
  TrackBarLon->setRange(0, 180);
  TrackBarLon->setValue(90);
  TrackBarLon->setTickInterval(15);
  TrackBarLon->setTickPosition(QSlider::TicksAbove);
  Place(TrackBarLon, 76, 408, 273, 37, kLeftBottom);
  LabelLon = AutoLabel(QStringLiteral("Longitude "), page, 17, 420, kLeftBottom);
  LabelLon->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  TrackBarLat = new QSlider(Qt::Vertical, page);
  TrackBarLat->setObjectName(QStringLiteral("TrackBarLat"));
  TrackBarLat->setRange(0, 90);
  TrackBarLat->setValue(45);
  TrackBarLat->setTickInterval(15);
  TrackBarLat->setTickPosition(QSlider::TicksLeft);
  // 0 at the top, like the map's north-up drag: a plain vertical slider has its minimum at the bottom.
  TrackBarLat->setInvertedAppearance(true);
  TrackBarLat->setInvertedControls(true);
  Place(TrackBarLat, 424, 99, 41, 217, kRight);
  LabelLat = AutoLabel(QStringLiteral("Latitude"), page, 424, 316, kRight);

  Bevel2 = new QFrame(page);
  Bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Place(Bevel2, 544, 252, 201, 149, kRight);
  RadioGroupViewpoint = new QGroupBox(QStringLiteral(" Viewpoint "), page);
  RadioGroupViewpoint->setObjectName(QStringLiteral("RadioGroupViewpoint"));
  auto* viewpointGrid = new QGridLayout(RadioGroupViewpoint);
  viewpointGrid->setContentsMargins(6, 2, 6, 2);
  viewpointGrid->setSpacing(0);
  viewpointButtons_ = new QButtonGroup(RadioGroupViewpoint);
  for (int i = 0; i < static_cast<int>(kViewpointNames.size()); ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(kViewpointNames[i]), RadioGroupViewpoint);
    viewpointButtons_->addButton(button, i);
    viewpointGrid->addWidget(button, i % 3, i / 3);
  }
  Place(RadioGroupViewpoint, 552, 256, 191, 105, kRight);

  QFont zoomFont = page->font();
  zoomFont.setPixelSize(19);
  ButtonOut = new QPushButton(QStringLiteral("-"), page);
  ButtonOut->setObjectName(QStringLiteral("ButtonOut"));
  ButtonOut->setFont(zoomFont);
  Place(ButtonOut, 584, 368, 25, 25, kRight);
  LabelZoom = new QLabel(QStringLiteral("Zoom"), page);
  LabelZoom->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Place(LabelZoom, 616, 374, 49, LabelZoom->sizeHint().height(), kRight);
  ButtonIn = new QPushButton(QStringLiteral("+"), page);
  ButtonIn->setObjectName(QStringLiteral("ButtonIn"));
  ButtonIn->setFont(zoomFont);
  Place(ButtonIn, 672, 368, 25, 25, kRight);

  hoverTimer_ = new QTimer(this);
  hoverTimer_->setSingleShot(true);
  hoverTimer_->setInterval(kHoverRestMs);
  viewer_->setMouseTracking(true);
  viewer_->installEventFilter(this);

  auto on = [this](auto* sender, auto signal, void (TNavigationPanel::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  connect(hoverTimer_, &QTimer::timeout, this, [this] { Guarded([this] { HoverAt(hoverAt_); }); });
  // A user-only signal: the code's own selections must not run the handler.
  on(viewpointButtons_, &QButtonGroup::idClicked, &TNavigationPanel::RadioGroupViewpointClick);
  // Every position change moves the view, whether the user or a drag set it.
  on(TrackBarLon, &QSlider::valueChanged, &TNavigationPanel::TrackBarLonLatChange);
  on(TrackBarLat, &QSlider::valueChanged, &TNavigationPanel::TrackBarLonLatChange);
  on(ButtonIn, &QPushButton::clicked, &TNavigationPanel::ButtonInClick);
  on(ButtonOut, &QPushButton::clicked, &TNavigationPanel::ButtonOutClick);
}

TNavigationPanel::~TNavigationPanel() {
  hoverTimer_->stop();
}

void TNavigationPanel::Guarded(const std::function<void()>& handler) noexcept {
  RunGuarded(sink_, handler);
}

bool TNavigationPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched != viewer_) return QObject::eventFilter(watched, event);
  const auto at = [event] { return static_cast<QMouseEvent*>(event)->position().toPoint(); };
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      Guarded([this, &at] { SceneViewer1MouseDown(at()); });
      break;
    case QEvent::MouseMove:
      Guarded([this, &at] { SceneViewer1MouseMove(at()); });
      break;
    case QEvent::MouseButtonRelease:
      Guarded([this] { SceneViewer1MouseUp(); });
      break;
    case QEvent::MouseButtonDblClick:
      Guarded([this, &at] { SceneViewer1DoubleClick(at()); });
      break;
    case QEvent::Wheel:
      Guarded([this, event] { SceneViewer1Wheel(static_cast<QWheelEvent*>(event)->angleDelta().y()); });
      event->accept();
      return true;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void TNavigationPanel::Refresh() {
  if (OnRefresh) OnRefresh();
}

int TNavigationPanel::ViewpointItem() const {
  return CheckedItem(viewpointButtons_);
}

void TNavigationPanel::PlaceCamera() {
  const QString text = content_.PlaceCamera();
  if (OnViewpointText) OnViewpointText(text);
}

void TNavigationPanel::ViewFromTrackBars() {
  const TViewLonLat view = app::ViewFromTrackBars(TrackBarLon->value(), TrackBarLon->maximum(),
                                                  TrackBarLat->value(), TrackBarLat->maximum());
  content_.View().viewLon = static_cast<float>(view.lon);
  content_.View().viewLat = static_cast<float>(view.lat);
}

void TNavigationPanel::RadioGroupViewpointClick() {
  const int item = ViewpointItem();
  if (item < 0) return;
  TViewState& view = content_.View();
  view.viewpoint = item;
  if (item == 0) {
    ViewFromTrackBars();
    view.cameraUp = {0, 1, 0, 0};
    PlaceCamera();
  } else if (item == 1) {
    view.viewLon = static_cast<float>(model_.Home().lonDeg);
    view.viewLat = static_cast<float>(model_.Home().latDeg);
    view.cameraUp = {0, 1, 0, 0};
    PlaceCamera();
  }
  Refresh();
}

void TNavigationPanel::SelectViewpoint(int item) {
  if (SelectItem(viewpointButtons_, item)) RadioGroupViewpointClick();
}

void TNavigationPanel::HomeMoved() {
  if (ViewpointItem() == 1) {
    RadioGroupViewpointClick();
  } else {
    Refresh();
  }
}

void TNavigationPanel::TrackBarLonLatChange() {
  ViewFromTrackBars();
  if (ViewpointItem() != 0) SelectViewpoint(0);
  PlaceCamera();
}

void TNavigationPanel::ButtonInClick() {
  ButtonOut->setEnabled(true);
  TViewState& view = content_.View();
  view.zoom /= 2;
  PlaceCamera();
  ButtonIn->setEnabled(view.zoom > kZoomIn);
}

void TNavigationPanel::ButtonOutClick() {
  ButtonIn->setEnabled(true);
  TViewState& view = content_.View();
  view.zoom *= 2;
  PlaceCamera();
  ButtonOut->setEnabled(view.zoom < kZoomOut);
}

void TNavigationPanel::SceneViewer1MouseDown(QPoint at) {
  dragging_ = true;
  hoverTimer_->stop();
  dragStart_ = at;
  dragStartLonPos_ = TrackBarLon->value();
  dragStartLatPos_ = TrackBarLat->value();
}

void TNavigationPanel::SceneViewer1MouseMove(QPoint at) {
  if (!dragging_) {
    // Picking draws the whole scene once; do it when the mouse has come to rest.
    hoverAt_ = at;
    hoverTimer_->start();
    return;
  }
  SelectViewpoint(0);
  const double fx = static_cast<double>(at.x() - dragStart_.x()) / std::max(1, viewer_->width());
  const double fy = static_cast<double>(at.y() - dragStart_.y()) / std::max(1, viewer_->height());
  TrackBarLon->setValue(RoundHalfEven(0.5 * fx * TrackBarLon->maximum() + dragStartLonPos_));
  TrackBarLat->setValue(RoundHalfEven(0.5 * fy * TrackBarLat->maximum() + dragStartLatPos_));
}

void TNavigationPanel::SceneViewer1MouseUp() {
  dragging_ = false;
}

void TNavigationPanel::SceneViewer1Wheel(int angleDelta) {
  constexpr int kNotch = 120;
  wheelRemainder_ += angleDelta;
  while (wheelRemainder_ >= kNotch) {
    wheelRemainder_ -= kNotch;
    if (content_.View().zoom > kZoomIn) ButtonInClick();
  }
  while (wheelRemainder_ <= -kNotch) {
    wheelRemainder_ += kNotch;
    if (content_.View().zoom < kZoomOut) ButtonOutClick();
  }
  // At an end the wheel's leftover is dropped, so that turning back acts at the first notch.
  const int zoom = content_.View().zoom;
  if ((zoom <= kZoomIn && wheelRemainder_ > 0) || (zoom >= kZoomOut && wheelRemainder_ < 0))
    wheelRemainder_ = 0;
}

const orbit::TSatellite* TNavigationPanel::SatelliteAt(QPoint at) {
  const orbit::TSatellite* satellite = TSceneContent::SatelliteOf(viewer_->PickObjectAt(at.x(), at.y()));
  if (satellite) return satellite;
  // The points are not in the selection pick; they are found where the picture on screen shows them.
  const double ratio = viewer_->PickPixelRatio();
  return content_.PickPoint(viewer_->FrameProjection(), at.x() * ratio, at.y() * ratio);
}

void TNavigationPanel::SceneViewer1DoubleClick(QPoint at) {
  const orbit::TSatellite* satellite = SatelliteAt(at);
  if (!satellite || !OnMakePrimary) return;
  OnMakePrimary(QString::fromStdString(satellite->CatalogueNumber()));
}

QString TNavigationPanel::ElementAgeNoteNow(const orbit::TSatellite& satellite) const {
  try {
    return ElementAgeNote(satellite.EpochAgeDays(orbit::JulianDateFromDateTime(model_.Time())));
  } catch (const std::exception&) {
    return {};  // a clock outside the calendar: no age to tell
  }
}

void TNavigationPanel::HoverAt(QPoint at) {
  const scene::TBaseSceneObject* object = viewer_->PickObjectAt(at.x(), at.y());
  const orbit::TSatellite* satellite = TSceneContent::SatelliteOf(object);
  if (!satellite) {
    // The points are not in the selection pick; they are found where the picture on screen shows them.
    const double ratio = viewer_->PickPixelRatio();
    satellite = content_.PickPoint(viewer_->FrameProjection(), at.x() * ratio, at.y() * ratio);
  }
  if (object == hoveredObject_ && satellite == hoveredSatellite_) return;
  const QString text =
      satellite ? HoverName(QString::fromStdString(satellite->Name())) + ElementAgeNoteNow(*satellite)
                : QString();
  if (OnHoverText) OnHoverText(text);
  hoveredObject_ = object;
  hoveredSatellite_ = satellite;
}

void TNavigationPanel::ClearHover() {
  hoveredObject_ = nullptr;
  hoveredSatellite_ = nullptr;
  hoverTimer_->stop();
  if (OnHoverText) OnHoverText(QString());
}

}  // namespace nimbrel::app
