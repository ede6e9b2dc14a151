#include "app/Form3Dview.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <exception>
#include <stdexcept>
#include <vector>

#include "about/About.h"
#include "about/VersInfo.h"
#include "app/AccessibleNames.h"
#include "app/Clock.h"
#include "app/ClockPanel.h"
#include "app/DownloadCoordinator.h"
#include "app/FormLayout.h"
#include "app/FormPasses.h"
#include "app/FormSetup.h"
#include "app/FormStation.h"
#include "app/FormUpdateKepler.h"
#include "app/KeplerUpdates.h"
#include "app/MessageSink.h"
#include "app/OrbitClass.h"
#include "app/SatellitesPanel.h"
#include "app/SetupPanels.h"
#include "app/StartUp.h"
#include "app/UserMessages.h"
#include "app/ViewMath.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/CompanionWriter.h"
#include "catalogue/DataFolder.h"
#include "catalogue/cvnCheckBox.h"
#include "catalogue/cvnComboBox.h"
#include "download/DataFiles.h"
#include "download/Downloader.h"
#include "orbit/Satellite.h"
#include "scene/Camera.h"
#include "scene/Lines.h"
#include "scene/PointCloud.h"
#include "scene/SceneViewer.h"
#include "scene/Sphere.h"

namespace nimbrel::app {

using catalogue::TcvnCheckBox;
using catalogue::TcvnComboBox;
using catalogue::TRegistryInteger;

namespace {

constexpr const char* kDesignedCaption = "NimbrelGL - simple 3D satellite tracker by Corvane";
constexpr int kStatusBarHeight = 24;
// The primary's line has a line of its own above the status bar: its name, look angles and the age of
// its elements do not fit beside the clock and the viewpoint at the designed width.
constexpr int kPrimaryLineHeight = 22;
constexpr int kPageControlLeft = 8;
constexpr int kPageControlWidth = 761;
constexpr int kPageControlHeight = 473;
// The client area below the menu bar less the status bar: what the page control is laid out in.
constexpr int kCentralHeight = TForm3Dview::kClientHeight - kStatusBarHeight;
constexpr std::uint16_t kSolidLine = 0xFFFF;
constexpr int kHoverRestMs = 100;

const char* const kOrbitItems[] = {"none", "Primary", "All"};

// The key to the points' colours, over the view's corner; the pointer passes through it to the view.
class TOrbitLegend final : public QWidget {
 public:
  explicit TOrbitLegend(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QPainter measure;
    QImage probe(1, 1, QImage::Format_ARGB32);
    measure.begin(&probe);
    measure.setFont(font());
    const TLegendSize size = LegendSize(measure);
    measure.end();
    resize(size.width, size.height);
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    PaintOrbitLegend(painter, QPoint(0, 0));
  }
};

// Writes a label only when its text changes, and says whether it did: a write of the same text still
// costs a layout check and a repaint.
bool SetTextIfChanged(QLabel* label, const QString& text) {
  if (label->text() == text) return false;
  label->setText(text);
  return true;
}

// Panel 3's line as it fits `width`: whole when it can; else with the name it begins with (after one
// space; `name` may carry the age of its elements) shortened; else without its start, so that azimuth,
// elevation and range stay in view.
QString FittedStatusLine(const QFontMetrics& metrics, int width, const QString& line, const QString& name) {
  if (metrics.horizontalAdvance(line) <= width) return line;
  const QString prefix = QStringLiteral(" ") + name;
  if (!name.isEmpty() && line.startsWith(prefix)) {
    const QString rest = line.mid(prefix.size());
    const int room = width - metrics.horizontalAdvance(QStringLiteral(" ") + rest);
    // Room for the name's first letter and the ellipsis at least, else the name says nothing.
    if (room >= metrics.horizontalAdvance(name.left(1) + QChar(0x2026))) {
      return QStringLiteral(" ") + metrics.elidedText(name, Qt::ElideRight, room) + rest;
    }
  }
  return metrics.elidedText(line, Qt::ElideLeft, width);
}

}  // namespace

TForm3Dview::TForm3Dview(TFormOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      content_(std::make_unique<TSceneContent>()),
      model_(std::make_unique<TSessionModel>(options_.utcNow)) {
  if (options_.sink) {
    sink_ = options_.sink;
  } else {
    ownSink_ = std::make_unique<TMessageBoxSink>(this);
    sink_ = ownSink_.get();
  }
  if (options_.executableFolder.isEmpty()) options_.executableFolder = QCoreApplication::applicationDirPath();
  CreateControls();
  CreateMenus();
  CreateStatusBar();
  ConnectControls();
  // The window may grow from its designed size (a window manager cannot maximise it otherwise) but
  // never shrink below it.
  const int menuHeight = menuBar()->sizeHint().height();
  setMinimumSize(kClientWidth, kClientHeight + kPrimaryLineHeight + menuHeight);
  resize(kClientWidth, kClientHeight + kPrimaryLineHeight + menuHeight);
  try {
    FormCreate();
  } catch (const std::exception& e) {
    ShowMessage(QString(), HandlerErrorText(e));
  } catch (...) {
    ShowMessage(QString(), HandlerErrorText(std::runtime_error("unknown error")));
  }
  // After creation: the viewpoint items are made there.
  NameWindowControls(*this);
  ConnectSession();
  creating_ = false;
}

TForm3Dview::~TForm3Dview() {
  ClockPanel->Stop();
  hoverTimer_->stop();
  if (busyCursor_) QApplication::restoreOverrideCursor();
  // The viewer draws the scene: it goes before the scene content does.
  delete SceneViewer1;
  SceneViewer1 = nullptr;
  // The pages and dialogs follow the session model: they go before it does.
  delete updates_;
  delete passes_;
  delete TabSheetStation;
  updates_ = nullptr;
  passes_ = nullptr;
  TabSheetStation = nullptr;
}

// ---------------------------------------------------------------------------------------------------
// The form: every control with its caption, hint, place and anchors.

void TForm3Dview::CreateControls() {
  setWindowTitle(QString::fromLatin1(kDesignedCaption));
  VI = new about::TVersionInfoResource(this);
  VI->setObjectName(QStringLiteral("VI"));

  auto* client = new QWidget(this);
  setCentralWidget(client);
  client->installEventFilter(this);

  PageControl1 = new QTabWidget(client);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setGeometry(kPageControlLeft, 0, kPageControlWidth, kPageControlHeight);
  TabSheetSetup = new TFormSetup(*model_, *sink_);
  TabSheetDisplay = new QWidget;
  TabSheetDisplay->setObjectName(QStringLiteral("TabSheetDisplay"));
  PageControl1->addTab(TabSheetSetup, QStringLiteral("Setup"));
  PageControl1->addTab(TabSheetDisplay, QStringLiteral("Display"));
  // The station follows the real sky, on the same UTC clock as the step clock's real time.
  TabSheetStation = new TFormStation(
      nullptr, [model = model_.get()] { return orbit::DateTimeToJulianDate(model->UtcNow()); });
  PageControl1->addTab(TabSheetStation, QStringLiteral("Station"));
  PageControl1->setCurrentWidget(TabSheetDisplay);
  TabSheetDisplay->installEventFilter(this);

  // Display page.
  QWidget* display = TabSheetDisplay;
  constexpr unsigned kAll = akLeft | akTop | akRight | akBottom;
  constexpr unsigned kLeftBottom = akLeft | akBottom;
  constexpr unsigned kRight = akRight | akTop;

  PanelSplash = new QLabel(QStringLiteral("Loading NimbrelGL..."), display);
  QFont splashFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  splashFont.setStyleHint(QFont::SansSerif);
  splashFont.setPixelSize(21);
  splashFont.setBold(true);
  splashFont.setItalic(true);
  PanelSplash->setFont(splashFont);
  PanelSplash->setAlignment(Qt::AlignCenter);
  PanelSplash->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Place(PanelSplash, 24, 160, 385, 97, akLeft | akTop);

  SceneViewer1 = new scene::TSceneViewer(display);
  SceneViewer1->setObjectName(QStringLiteral("SceneViewer1"));
  SceneViewer1->SetCamera(&content_->MainCamera());
  SceneViewer1->SetBackgroundColor(Qt::black);
  SceneViewer1->setMouseTracking(true);
  SceneViewer1->installEventFilter(this);
  Place(SceneViewer1, 12, 8, 401, 397, kAll);

  TrackBarLon = new QSlider(Qt::Horizontal, display);
  TrackBarLon->setObjectName(QStringLiteral("TrackBarLon"));
  TrackBarLon->setRange(0, 180);
  TrackBarLon->setValue(90);
  TrackBarLon->setTickInterval(15);
  TrackBarLon->setTickPosition(QSlider::TicksAbove);
  Place(TrackBarLon, 76, 408, 273, 37, kLeftBottom);
  LabelLon = AutoLabel(QStringLiteral("Longitude "), display, 17, 420, kLeftBottom);
  LabelLon->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  ClockPanel = new TClockPanel(*model_, *sink_, options_.steadyNow, display);
  // The view covers the splash once the first tick shows it.
  ClockPanel->OnTick = [this] { SceneViewer1->setVisible(true); };
  ClockPanel->OnShow = [this](bool runningClock) { ShowTime(runningClock); };

  TrackBarLat = new QSlider(Qt::Vertical, display);
  TrackBarLat->setObjectName(QStringLiteral("TrackBarLat"));
  TrackBarLat->setRange(0, 90);
  TrackBarLat->setValue(45);
  TrackBarLat->setTickInterval(15);
  TrackBarLat->setTickPosition(QSlider::TicksLeft);
  // 0 at the top, like the map's north-up drag: a plain vertical slider has its minimum at the bottom.
  TrackBarLat->setInvertedAppearance(true);
  TrackBarLat->setInvertedControls(true);
  Place(TrackBarLat, 424, 99, 41, 217, kRight);
  LabelLat = AutoLabel(QStringLiteral("Latitude"), display, 424, 316, kRight);

  SatellitesPanel = new TSatellitesPanel(*model_, *sink_, options_.steadyNow, display);

  auto boundCheckBox = [display](const char* name, const char* caption, const char* valueName, bool checked,
                                 const char* hint, int left, int top) {
    auto* box = new TcvnCheckBox(QString::fromLatin1(caption), display);
    box->setObjectName(QString::fromLatin1(name));
    box->SetNamedAs(QString::fromLatin1(valueName));
    box->setChecked(checked);
    if (hint) box->setToolTip(QString::fromLatin1(hint));
    box->adjustSize();
    Place(box, left, top, box->width(), box->height(), akRight | akTop);
    return box;
  };
  CheckBoxShowDaylight =
      boundCheckBox("CheckBoxShowDaylight", "Daylight", "ShowDaylight", true, nullptr, 656, 144);
  CheckBoxShowTrails = boundCheckBox("CheckBoxShowTrails", "Show trails", "ShowTrails", true,
                                     "Short trail of past motion", 656, 166);
  ComboBoxShowOrbit = new TcvnComboBox(display);
  ComboBoxShowOrbit->setObjectName(QStringLiteral("ComboBoxShowOrbit"));
  ComboBoxShowOrbit->SetNamedAs(QStringLiteral("ShowOrbit"));
  for (const char* item : kOrbitItems) ComboBoxShowOrbit->addItem(QString::fromLatin1(item));
  ComboBoxShowOrbit->setCurrentIndex(-1);
  ComboBoxShowOrbit->setToolTip(QStringLiteral("Show orbits for which satellites"));
  LabelShowOrbit = AutoLabel(QStringLiteral("&Orbits:"), display, 560, 214, kRight);
  LabelShowOrbit->setBuddy(ComboBoxShowOrbit);
  const int orbitLeft = 560 + LabelShowOrbit->width() + 6;
  Place(ComboBoxShowOrbit, orbitLeft, 210, 729 - orbitLeft, ComboBoxShowOrbit->sizeHint().height(), kRight);
  CheckBoxShowFootprint = boundCheckBox("CheckBoxShowFootprint", "Footprint", "ShowFootprint", true,
                                        "Radio coverage shown as spotlight", 656, 188);

  Bevel2 = new QFrame(display);
  Bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Place(Bevel2, 544, 252, 201, 149, kRight);
  RadioGroupViewpoint = new QGroupBox(QStringLiteral(" Viewpoint "), display);
  RadioGroupViewpoint->setObjectName(QStringLiteral("RadioGroupViewpoint"));
  auto* viewpointGrid = new QGridLayout(RadioGroupViewpoint);
  viewpointGrid->setContentsMargins(6, 2, 6, 2);
  viewpointGrid->setSpacing(0);
  viewpointButtons_ = new QButtonGroup(RadioGroupViewpoint);
  Place(RadioGroupViewpoint, 552, 256, 191, 105, kRight);

  QFont zoomFont = font();
  zoomFont.setPixelSize(19);
  ButtonOut = new QPushButton(QStringLiteral("-"), display);
  ButtonOut->setObjectName(QStringLiteral("ButtonOut"));
  ButtonOut->setFont(zoomFont);
  Place(ButtonOut, 584, 368, 25, 25, kRight);
  LabelZoom = new QLabel(QStringLiteral("Zoom"), display);
  LabelZoom->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Place(LabelZoom, 616, 374, 49, LabelZoom->sizeHint().height(), kRight);
  ButtonIn = new QPushButton(QStringLiteral("+"), display);
  ButtonIn->setObjectName(QStringLiteral("ButtonIn"));
  ButtonIn->setFont(zoomFont);
  Place(ButtonIn, 672, 368, 25, 25, kRight);
  ButtonClose = new QPushButton(QStringLiteral("Close"), display);
  ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
  Place(ButtonClose, 672, 412, 73, 25, kRight);
  // The view covers the splash once the first tick shows it.
  SceneViewer1->raise();

  legend_ = new TOrbitLegend(SceneViewer1);
  legend_->move(6, 6);
  legend_->hide();
  hoverTimer_ = new QTimer(this);
  hoverTimer_->setSingleShot(true);
  hoverTimer_->setInterval(kHoverRestMs);

  openDialog_ = new QFileDialog(this);
  openDialog_->setFileMode(QFileDialog::ExistingFile);
  openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  openDialog_->setOption(QFileDialog::ReadOnly, false);
  // Masks match without regard to letter case: MAP.JPG is an image as map.jpg is.
  openDialog_->setFilter(openDialog_->filter() & ~QDir::CaseSensitive);

  // The bound controls now have their designed state: they take their stored one.
  CheckBoxShowDaylight->Loaded();
  CheckBoxShowTrails->Loaded();
  ComboBoxShowOrbit->Loaded();
  CheckBoxShowFootprint->Loaded();
}

void TForm3Dview::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  FileLoadTexture = file->addAction(QStringLiteral("Load background..."));
  FileOpen = file->addAction(QStringLiteral("&Open Kepler data..."));
  FileLoadUpdated = file->addAction(QStringLiteral("Load the updated data"));
  FileLoadUpdated->setToolTip(
      QStringLiteral("Shows the Kepler data folder again in place of the file you opened"));
  FileLoadUpdated->setEnabled(false);
  FileUpdateKepler = file->addAction(QStringLiteral("&Update Kepler data..."));
  FilePasses = file->addAction(QStringLiteral("Passes..."));
  file->addSeparator();
  MenuExit = file->addAction(QStringLiteral("E&xit"));
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  HelpAbout = help->addAction(QStringLiteral("&About..."));
}

void TForm3Dview::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusBarHeight);
  const int widths[4] = {120, 200, 200, 999};
  for (int i = 0; i < 4; ++i) {
    StatusPanels[i] = new QLabel(i < 3 ? static_cast<QWidget*>(bar) : centralWidget());
    StatusPanels[i]->setAlignment(Qt::AlignCenter);
    StatusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (i < 3) {
      StatusPanels[i]->setFixedWidth(widths[i]);
      bar->addWidget(StatusPanels[i]);
    } else {
      StatusPanels[i]->setObjectName(QStringLiteral("StatusPrimary"));
      StatusPanels[i]->installEventFilter(this);
    }
  }
  StatusDownload = new QLabel(bar);
  StatusDownload->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusDownload->hide();
  bar->addPermanentWidget(StatusDownload);
  updates_ = new TKeplerUpdates(*model_, options_.keplerGroupBase, this, StatusDownload);
  updates_->askAnyway = [this](const QString& question) { return sink_->Ask(QString(), question); };
}

void TForm3Dview::ConnectControls() {
  auto on = [this](auto* sender, auto signal, void (TForm3Dview::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  connect(hoverTimer_, &QTimer::timeout, this, [this] { Guarded([this] { HoverAt(hoverAt_); }); });
  // User-only signals: the code's own writes to these controls must not run their handlers.
  on(viewpointButtons_, &QButtonGroup::idClicked, &TForm3Dview::RadioGroupViewpointClick);
  // Every position change moves the view, whether the user or a drag set it.
  on(TrackBarLon, &QSlider::valueChanged, &TForm3Dview::TrackBarLonLatChange);
  on(TrackBarLat, &QSlider::valueChanged, &TForm3Dview::TrackBarLonLatChange);
  on(ButtonIn, &QPushButton::clicked, &TForm3Dview::ButtonInClick);
  on(ButtonOut, &QPushButton::clicked, &TForm3Dview::ButtonOutClick);
  on(CheckBoxShowDaylight, &QCheckBox::clicked, &TForm3Dview::CheckBoxShowDaylightClick);
  on(CheckBoxShowFootprint, &QCheckBox::clicked, &TForm3Dview::CheckBoxShowFootprintClick);
  on(CheckBoxShowTrails, &QCheckBox::clicked, &TForm3Dview::CheckBoxShowTrailsClick);
  on(ComboBoxShowOrbit, &QComboBox::activated, &TForm3Dview::ComboBoxShowOrbitClick);
  // nimbrel-settings may have changed the values while the window ran: the page shows them as stored.
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
    if (PageControl1->currentWidget() == TabSheetSetup) TabSheetSetup->Refresh();
  });
  on(TabSheetSetup, &TFormSetup::AppearanceChanged, &TForm3Dview::ApplyGlobeAppearance);
  on(TabSheetSetup, &TFormSetup::NightSideChanged, &TForm3Dview::ApplyNightSide);
  on(FileLoadTexture, &QAction::triggered, &TForm3Dview::FileLoadTextureClick);
  on(FileOpen, &QAction::triggered, &TForm3Dview::FileOpenClick);
  on(FileLoadUpdated, &QAction::triggered, &TForm3Dview::FileLoadUpdatedClick);
  on(FilePasses, &QAction::triggered, &TForm3Dview::ShowPasses);
  connect(FileUpdateKepler, &QAction::triggered, this, [this] { Guarded([this] { ShowUpdateKepler(); }); });
  connect(MenuExit, &QAction::triggered, this, &QWidget::close);
  connect(HelpAbout, &QAction::triggered, this, [this] {
    Guarded([this] {
      if (options_.showAbout) options_.showAbout();
    });
  });
  // Escape is not a way out: it clears the search field, closes a pop-up or a dialog, and a second
  // press must not end a pass with the rotator tracking.
  connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);

  SceneViewer1->OnError = [this](const QString& text) { ShowMessage(QString(), FrameErrorText(text)); };
  SceneViewer1->BeforeRender = [this] {
    if (!dragging_ && !busyCursor_) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      busyCursor_ = true;
    }
  };
  SceneViewer1->AfterRender = [this] {
    if (busyCursor_) {
      QApplication::restoreOverrideCursor();
      busyCursor_ = false;
    }
  };
}

// ---------------------------------------------------------------------------------------------------
// Creation, showing, activation, destruction.

void TForm3Dview::FormCreate() {
  catalogue::RegisterProgramPath();
  setWindowTitle(about::CaptionWithVersion(QString::fromLatin1(kDesignedCaption), *VI));

  texturePath_ = FindTopographyImage(QDir::currentPath(), options_.executableFolder);
  if (!texturePath_.isEmpty()) {
    try {
      content_->LoadTexture(texturePath_);
      TabSheetSetup->ShowTexturePath(texturePath_);
    } catch (const std::exception& e) {
      // The built-in map stays; the user learns why the own one is not shown.
      ShowMessage(QString(), ImageErrorText(texturePath_, e));
    }
  }
  ApplyGlobeAppearance();
  content_->SetNightLook(NightLookOf(TabSheetSetup->ComboBoxNightSide->currentIndex()));

  content_->View().zoom = 4;
  for (int i = 0; i < static_cast<int>(kViewpointNames.size()); ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(kViewpointNames[i]), RadioGroupViewpoint);
    viewpointButtons_->addButton(button, i);
    static_cast<QGridLayout*>(RadioGroupViewpoint->layout())->addWidget(button, i % 3, i / 3);
  }

  const THomeLocation home = ReadHomeLocation();
  model_->SetHome(home);
  content_->SetHome(home.lonDeg, home.latDeg, home.heightM);
  const int viewpoint = home.fromList ? 1 : 0;

  SelectViewpoint(viewpoint);

  TKeplerData kepler = LoadKeplerData(options_.arguments, *sink_, true);
  showAllAtStart_ = kepler.showAllAtStart;
  dataFolderEmpty_ = kepler.dataFolderEmpty;
  firstStartText_ = kepler.firstStartText;
  // A file named on the command line is the user's choice, never replaced by a background update.
  const bool fileArgument = !options_.arguments.isEmpty() && QFileInfo(options_.arguments.front()).isFile();

  SatellitesPanel->LoadActiveList(true);

  const QString primary = ChoosePrimary(kepler.catalogue, *sink_);
  model_->SetData(std::move(kepler.catalogue),
                  fileArgument ? TDataSource::dsUserFile : TDataSource::dsDataFolder,
                  fileArgument ? options_.arguments.front() : QString(), primary);
  FileLoadUpdated->setEnabled(fileArgument);
  content_->OrbitLines().SetLinePattern(0);
  TabSheetStation->Follow(*model_);

  initialViewerWidth_ = SceneViewer1->width();
}

void TForm3Dview::FormShow() {
  const QFontMetrics metrics(font());
  const char* const measures[3] = {"  Fifteenchars  ", "  0000-MMM-00 at 23:34:45 UTC  ",
                                   "  Viewpoint: 188.8dW  88.8dN  "};
  for (int i = 0; i < 3; ++i) {
    StatusPanels[i]->setFixedWidth(metrics.horizontalAdvance(QString::fromLatin1(measures[i])) + 4);
  }
  StatusPanels[0]->clear();
  // The orbit choice shows what is drawn: the primary's orbit unless "none" was chosen and stored.
  if (ComboBoxShowOrbit->currentIndex() < 0) ComboBoxShowOrbit->setCurrentIndex(1);
  content_->OrbitLines().SetLinePattern(ComboBoxShowOrbit->currentIndex() == 0 ? 0 : kSolidLine);
  content_->ForgetSunTime();
  SceneViewer1->hide();
  PlaceCamera();
  {
    // The markers are rebuilt right below, so the check box's own rebuild is not needed here.
    const QSignalBlocker block(SatellitesPanel->CheckBoxAll);
    SatellitesPanel->CheckBoxAll->setChecked(showAllAtStart_);
  }
  // The check box's stored state is the start's choice; the model follows it before the first rebuild.
  if (model_->ShowAll() != showAllAtStart_) {
    model_->SetShowAll(showAllAtStart_);  // rebuilds the markers
  } else {
    RebuildMarkers();
  }
  if (!firstShowDone_) {
    firstShowDone_ = true;
    // Once the window is on the screen, not before: the user should see what the offer is about.
    QTimer::singleShot(0, this, [this] { Guarded([this] { AfterFirstShow(); }); });
  }
}

void TForm3Dview::FormActivate() {
  ClockPanel->Activated();
}

void TForm3Dview::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (event->spontaneous()) return;
  Guarded([this] { FormShow(); });
}

void TForm3Dview::closeEvent(QCloseEvent* event) {
  if (TabSheetStation->Steering() &&
      !sink_->Ask(QStringLiteral("NimbrelGL - tracking"), QStringLiteral("Stop tracking and close?"))) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TForm3Dview::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Guarded([this] { FormActivate(); });
}

bool TForm3Dview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize) {
    LayOutClient();
  } else if (watched == StatusPanels[3] && event->type() == QEvent::Resize) {
    // A wider window has room for more of the line.
    if (!primaryLine_.isEmpty()) FitPrimaryStatus();
  } else if (watched == TabSheetDisplay && event->type() == QEvent::Resize) {
    Guarded([this] {
      LayOutDisplayPage();
      PageControl1Resize();
    });
  } else if (watched == SceneViewer1) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        Guarded(
            [this, event] { SceneViewer1MouseDown(static_cast<QMouseEvent*>(event)->position().toPoint()); });
        break;
      case QEvent::MouseMove:
        Guarded(
            [this, event] { SceneViewer1MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint()); });
        break;
      case QEvent::MouseButtonRelease:
        Guarded([this] { SceneViewer1MouseUp(); });
        break;
      case QEvent::MouseButtonDblClick:
        Guarded([this, event] {
          SceneViewer1DoubleClick(static_cast<QMouseEvent*>(event)->position().toPoint());
        });
        break;
      case QEvent::Wheel:
        Guarded([this, event] { SceneViewer1Wheel(static_cast<QWheelEvent*>(event)->angleDelta().y()); });
        event->accept();
        return true;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm3Dview::LayOutClient() {
  const QSize size = centralWidget()->size();
  const int pageHeight = size.height() - kPrimaryLineHeight - (kCentralHeight - kPageControlHeight);
  PageControl1->setGeometry(kPageControlLeft, 0, size.width() - (kClientWidth - kPageControlWidth),
                            pageHeight);
  StatusPanels[3]->setGeometry(0, size.height() - kPrimaryLineHeight, size.width(), kPrimaryLineHeight);
}

void TForm3Dview::LayOutDisplayPage() {
  // The page grows exactly as the client area does.
  const QSize client = centralWidget()->size();
  LayOutAnchored(TabSheetDisplay, client.width() - kClientWidth,
                 client.height() - kPrimaryLineHeight - kCentralHeight);
}

void TForm3Dview::PageControl1Resize() {
  const QRect view = SceneViewer1->geometry();
  TrackBarLon->move(view.left() + (view.width() - TrackBarLon->width()) / 2, TrackBarLon->y());
  LabelLon->move(TrackBarLon->x() - (LabelLon->width() * 6) / 5, LabelLon->y());
  TrackBarLat->move(TrackBarLat->x(), view.top() + (view.height() - TrackBarLat->height()) / 2);
  LabelLat->move(LabelLat->x(), TrackBarLat->y() + TrackBarLat->height() + LabelLat->height() / 5);
  QWidget* step = ClockPanel->RadioGroupStep;
  step->move(step->x(), LabelLat->y() + 2 * LabelLat->height());
  content_->MainCamera().SetFocalLength(
      static_cast<float>(FocalLengthForWidth(view.width(), initialViewerWidth_)));
}

// ---------------------------------------------------------------------------------------------------
// Clock and update cycle.

int TForm3Dview::ViewpointItem() const {
  return CheckedItem(viewpointButtons_);
}
void TForm3Dview::RefreshView() {
  ClockPanel->RefreshView();
}

void TForm3Dview::ShowTime(bool runningClock) {
  const orbit::TDateTime now = model_->Time();
  // A step paints the new date before the scene's work starts; the running clock leaves it to the
  // window's next composition, with its picture, so that no picture costs two.
  if (SetTextIfChanged(StatusPanels[1], StatusBarDate(now)) && !runningClock) StatusPanels[1]->repaint();
  // Creation still runs: the markers and lists are not there yet, and a nested event loop must not
  // reach them.
  if (!creating_) {
    try {
      const TDisplayChoices choices{CheckBoxShowFootprint->isChecked(), CheckBoxShowDaylight->isChecked()};
      SetPrimaryStatus(content_->UpdateScene(now, choices));
      DescribeView();
    } catch (...) {
      // One failed update leaves the previous picture; the clock goes on.
    }
  }
}

void TForm3Dview::SetPrimaryStatus(const TSceneContent::TUpdateResult& result) {
  // The same line again (a stopped clock, or a running one between two changes of what it shows)
  // need not be measured and written.
  if (result.primaryStatus && (*result.primaryStatus != primaryLine_ || result.primaryHead != primaryHead_)) {
    // Centred like the others while it fits; a longer line is shortened from its start, and the
    // tooltip holds it whole.
    primaryLine_ = *result.primaryStatus;
    primaryHead_ = result.primaryHead;
    FitPrimaryStatus();
  }
  if (result.viewpointStatus) SetTextIfChanged(StatusPanels[2], *result.viewpointStatus);
}

void TForm3Dview::DescribeView() {
  const bool listening =
      options_.accessibilityActive ? options_.accessibilityActive() : QAccessible::isActive();
  if (!listening || primaryLine_.isEmpty()) return;
  const auto now = SteadyNow();
  if (describedAt_ && now - *describedAt_ < std::chrono::seconds(1)) return;
  describedAt_ = now;
  const QString text = primaryLine_.trimmed();
  if (SceneViewer1->accessibleDescription() != text) SceneViewer1->setAccessibleDescription(text);
}

void TForm3Dview::FitPrimaryStatus() {
  QLabel* panel = StatusPanels[3];
  const QString shown =
      FittedStatusLine(panel->fontMetrics(), panel->contentsRect().width(), primaryLine_, primaryHead_);
  panel->setAlignment((shown == primaryLine_ ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
  SetTextIfChanged(panel, shown);
  if (panel->toolTip() != primaryLine_) panel->setToolTip(primaryLine_);
}

QString TForm3Dview::ElementAgeNoteNow(const orbit::TSatellite& satellite) const {
  try {
    return ElementAgeNote(satellite.EpochAgeDays(orbit::JulianDateFromDateTime(model_->Time())));
  } catch (const std::exception&) {
    return {};  // a clock outside the calendar: no age to tell
  }
}

std::chrono::steady_clock::time_point TForm3Dview::SteadyNow() const {
  return options_.steadyNow ? options_.steadyNow() : std::chrono::steady_clock::now();
}

// ---------------------------------------------------------------------------------------------------
// Viewpoints and navigation.

void TForm3Dview::PlaceCamera() {
  StatusPanels[2]->setText(content_->PlaceCamera());
}

void TForm3Dview::ViewFromTrackBars() {
  const TViewLonLat view = app::ViewFromTrackBars(TrackBarLon->value(), TrackBarLon->maximum(),
                                                  TrackBarLat->value(), TrackBarLat->maximum());
  content_->View().viewLon = static_cast<float>(view.lon);
  content_->View().viewLat = static_cast<float>(view.lat);
}

void TForm3Dview::RadioGroupViewpointClick() {
  const int item = ViewpointItem();
  if (item < 0) return;
  TViewState& view = content_->View();
  view.viewpoint = item;
  if (item == 0) {
    ViewFromTrackBars();
    view.cameraUp = {0, 1, 0, 0};
    PlaceCamera();
  } else if (item == 1) {
    view.viewLon = static_cast<float>(model_->Home().lonDeg);
    view.viewLat = static_cast<float>(model_->Home().latDeg);
    view.cameraUp = {0, 1, 0, 0};
    PlaceCamera();
  }
  RefreshView();
}

void TForm3Dview::SelectViewpoint(int item) {
  if (SelectItem(viewpointButtons_, item)) RadioGroupViewpointClick();
}

void TForm3Dview::TrackBarLonLatChange() {
  ViewFromTrackBars();
  if (ViewpointItem() != 0) SelectViewpoint(0);
  PlaceCamera();
}

void TForm3Dview::ButtonInClick() {
  ButtonOut->setEnabled(true);
  TViewState& view = content_->View();
  view.zoom /= 2;
  PlaceCamera();
  ButtonIn->setEnabled(view.zoom > 1);
}

void TForm3Dview::ButtonOutClick() {
  ButtonIn->setEnabled(true);
  TViewState& view = content_->View();
  view.zoom *= 2;
  PlaceCamera();
  ButtonOut->setEnabled(view.zoom < 64);
}

void TForm3Dview::SceneViewer1MouseDown(QPoint at) {
  dragging_ = true;
  hoverTimer_->stop();
  dragStart_ = at;
  dragStartLonPos_ = TrackBarLon->value();
  dragStartLatPos_ = TrackBarLat->value();
}

void TForm3Dview::SceneViewer1MouseMove(QPoint at) {
  if (!dragging_) {
    // Picking draws the whole scene once; do it when the mouse has come to rest.
    hoverAt_ = at;
    hoverTimer_->start();
    return;
  }
  SelectViewpoint(0);
  const double fx = static_cast<double>(at.x() - dragStart_.x()) / std::max(1, SceneViewer1->width());
  const double fy = static_cast<double>(at.y() - dragStart_.y()) / std::max(1, SceneViewer1->height());
  TrackBarLon->setValue(RoundHalfEven(0.5 * fx * TrackBarLon->maximum() + dragStartLonPos_));
  TrackBarLat->setValue(RoundHalfEven(0.5 * fy * TrackBarLat->maximum() + dragStartLatPos_));
}

void TForm3Dview::SceneViewer1MouseUp() {
  dragging_ = false;
}

void TForm3Dview::SceneViewer1Wheel(int angleDelta) {
  constexpr int kNotch = 120;
  wheelRemainder_ += angleDelta;
  while (wheelRemainder_ >= kNotch) {
    wheelRemainder_ -= kNotch;
    if (content_->View().zoom > 1) ButtonInClick();
  }
  while (wheelRemainder_ <= -kNotch) {
    wheelRemainder_ += kNotch;
    if (content_->View().zoom < 64) ButtonOutClick();
  }
  // At an end the wheel's leftover is dropped, so that turning back acts at the first notch.
  const int zoom = content_->View().zoom;
  if ((zoom <= 1 && wheelRemainder_ > 0) || (zoom >= 64 && wheelRemainder_ < 0)) wheelRemainder_ = 0;
}

const orbit::TSatellite* TForm3Dview::SatelliteAt(QPoint at) {
  const orbit::TSatellite* satellite = TSceneContent::SatelliteOf(SceneViewer1->PickObjectAt(at.x(), at.y()));
  if (satellite) return satellite;
  // The points are not in the selection pick; they are found where the picture on screen shows them.
  const double ratio = SceneViewer1->PickPixelRatio();
  return content_->PickPoint(SceneViewer1->FrameProjection(), at.x() * ratio, at.y() * ratio);
}

void TForm3Dview::SceneViewer1DoubleClick(QPoint at) {
  const orbit::TSatellite* satellite = SatelliteAt(at);
  if (!satellite) return;
  MakePrimary(QString::fromStdString(satellite->CatalogueNumber()));
}

void TForm3Dview::MakePrimary(const QString& number) {
  SatellitesPanel->MakePrimary(number);
}

void TForm3Dview::HoverAt(QPoint at) {
  const scene::TBaseSceneObject* object = SceneViewer1->PickObjectAt(at.x(), at.y());
  const orbit::TSatellite* satellite = TSceneContent::SatelliteOf(object);
  if (!satellite) {
    // The points are not in the selection pick; they are found where the picture on screen shows them.
    const double ratio = SceneViewer1->PickPixelRatio();
    satellite = content_->PickPoint(SceneViewer1->FrameProjection(), at.x() * ratio, at.y() * ratio);
  }
  if (object == hoveredObject_ && satellite == hoveredSatellite_) return;
  const QString text =
      satellite ? HoverName(QString::fromStdString(satellite->Name())) + ElementAgeNoteNow(*satellite)
                : QString();
  QLabel* panel = StatusPanels[0];
  panel->setText(panel->fontMetrics().elidedText(text, Qt::ElideRight, panel->contentsRect().width()));
  panel->setToolTip(text);
  hoveredObject_ = object;
  hoveredSatellite_ = satellite;
}

void TForm3Dview::ClearHover() {
  hoveredObject_ = nullptr;
  hoveredSatellite_ = nullptr;
  hoverTimer_->stop();
  StatusPanels[0]->clear();
  StatusPanels[0]->setToolTip(QString());
}

// ---------------------------------------------------------------------------------------------------
// Scene content handlers.

void TForm3Dview::ApplyGlobeAppearance() {
  content_->ApplyGlobeAppearance(TabSheetSetup->QualitySettingValue(), TabSheetSetup->TopographyItem());
}

void TForm3Dview::ApplyNightSide() {
  content_->SetNightLook(NightLookOf(TabSheetSetup->ComboBoxNightSide->currentIndex()));
  RefreshView();
}

void TForm3Dview::CheckBoxShowDaylightClick() {
  RefreshView();
}
void TForm3Dview::CheckBoxShowFootprintClick() {
  RefreshView();
}
void TForm3Dview::CheckBoxShowTrailsClick() {
  RebuildTrails();
}

void TForm3Dview::ComboBoxShowOrbitClick() {
  const int item = ComboBoxShowOrbit->currentIndex();
  content_->OrbitLines().SetLinePattern(item == 1 || item == 2 ? kSolidLine : 0);
  RefreshView();
}

void TForm3Dview::RebuildTrails() {
  content_->RebuildTrails(CheckBoxShowTrails->isChecked());
  ClearHover();
  RefreshView();
}

void TForm3Dview::RebuildMarkers() {
  rebuildQueued_ = false;
  const std::vector<const orbit::TSatellite*> satellites = model_->Shown();
  ClearHover();
  content_->RebuildMarkers(satellites, CheckBoxShowTrails->isChecked());
  SatellitesPanel->ShowMarkers(*content_);
  legend_->setVisible(content_->PointMarkers() != nullptr);
  RefreshView();
}

void TForm3Dview::QueueRebuildMarkers() {
  // The list is rebuilt from within its own click: wait until that signal has returned.
  if (rebuildQueued_) return;
  rebuildQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    if (rebuildQueued_) Guarded([this] { RebuildMarkers(); });
  });
}

void TForm3Dview::FileLoadTextureClick() {
  openDialog_->setNameFilter(QStringLiteral("Image files (*.bmp *.jpg *.jpeg)"));
  openDialog_->setWindowTitle(QStringLiteral("Load background image file"));
  if (!texturePath_.isEmpty()) openDialog_->selectFile(texturePath_);
  if (openDialog_->exec() != QDialog::Accepted || openDialog_->selectedFiles().isEmpty()) return;
  LoadBackground(openDialog_->selectedFiles().front());
}

void TForm3Dview::LoadBackground(const QString& path) {
  try {
    content_->LoadTexture(path);
  } catch (const std::exception& e) {
    throw EUserMessage(ImageErrorText(path, e));
  }
  texturePath_ = path;
  TabSheetSetup->ShowTexturePath(texturePath_);
  ApplyGlobeAppearance();
}

void TForm3Dview::FileOpenClick() {
  // Every form the catalogue reads.
  openDialog_->setNameFilters({QStringLiteral("Kepler files (*.2li *.tle *.txt *.csv *.xml *.json)"),
                               QStringLiteral("All files (*)")});
  openDialog_->setWindowTitle(QStringLiteral("Open Kepler file with one or more two-line element sets"));
  if (openDialog_->exec() != QDialog::Accepted || openDialog_->selectedFiles().isEmpty()) return;
  OpenKeplerFile(openDialog_->selectedFiles().front());
}

void TForm3Dview::OpenKeplerFile(const QString& path) {
  // A file that cannot be read, or holds anything but element sets, must not take away the
  // satellites the user is watching; it is read whole before anything changes.
  catalogue::TSatelliteList opened;
  try {
    opened.LoadFromFile(path.toStdString());
  } catch (const std::exception& e) {
    throw EUserMessage(KeplerFileErrorText(path, e));
  }
  if (opened.Count() == 0) {
    ShowMessage(QString(), NoElementSetsText(path));
    return;
  }
  // The user's file from now on: a download lands in the data folder and waits there.
  model_->SetData(std::move(opened), TDataSource::dsUserFile, path, model_->PrimaryNumber());
  model_->SetShowAll(true);
}

void TForm3Dview::FileLoadUpdatedClick() {
  if (!model_->LoadDataFolder()) {
    ShowMessage(QString(), QStringLiteral("The Kepler data folder %1 holds no element sets; the satellites "
                                          "on show stay.")
                               .arg(catalogue::KeplerDataFolder()));
    return;
  }
  StatusDownload->hide();
}

void TForm3Dview::SessionHomeChanged() {
  const THomeLocation& home = model_->Home();
  content_->SetHome(home.lonDeg, home.latDeg, home.heightM);
  // "Home loc." moves the camera and refreshes; any other viewpoint only needs the new look angles.
  if (ViewpointItem() == 1) {
    RadioGroupViewpointClick();
  } else {
    RefreshView();
  }
}

void TForm3Dview::ShowPasses() {
  if (!passes_) {
    passes_ = new TFormPasses(this);
    NamePassesControls(*passes_);
    passes_->Follow(*model_);
  }
  passes_->show();
  passes_->raise();
  passes_->SearchSession();
}

void TForm3Dview::ConnectSession() {
  auto on = [this](auto signal, void (TForm3Dview::*handler)()) {
    connect(model_.get(), signal, this,
            [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  // The markers and the list point into the catalogue: a new one is shown before anything can draw.
  on(&TSessionModel::DataChanged, &TForm3Dview::SessionDataChanged);
  // A primary chosen in the list is shown once the list's own click has returned.
  on(&TSessionModel::PrimaryChanged, &TForm3Dview::QueueRebuildMarkers);
  on(&TSessionModel::ShownChanged, &TForm3Dview::SessionShownChanged);
  on(&TSessionModel::HomeChanged, &TForm3Dview::SessionHomeChanged);
  on(&TSessionModel::FreshDataAvailable, &TForm3Dview::SessionFreshData);
}

void TForm3Dview::SessionDataChanged() {
  // "Load the updated data" offers the data folder while a file of the user's is shown.
  FileLoadUpdated->setEnabled(model_->DataSource() == TDataSource::dsUserFile);
  SessionShownChanged();
}

void TForm3Dview::SessionShownChanged() {
  // The list's own menu stored the bank: the markers wait until its signal has returned.
  if (SatellitesPanel->EditingBank()) {
    QueueRebuildMarkers();
  } else {
    RebuildMarkers();
  }
}

void TForm3Dview::SessionFreshData() {
  // The status bar's line is the downloads' own; the menu item is the window's.
  FileLoadUpdated->setEnabled(true);
}

void TForm3Dview::ShowUpdateKepler(const QStringList& chosen, bool start) {
  updates_->ShowDialog(chosen, start);
}

TFormUpdateKepler* TForm3Dview::UpdateKeplerDialog() const noexcept {
  return updates_->Dialog();
}

download::TDownloader* TForm3Dview::StartUpUpdate() const noexcept {
  return updates_->StartUpUpdate();
}

void TForm3Dview::ReloadKeplerData() {
  model_->LoadDataFolder();
}

void TForm3Dview::AfterFirstShow() {
  if (dataFolderEmpty_ && !firstStartText_.isEmpty()) {
    if (sink_->Ask(QStringLiteral("NimbrelGL - no Kepler data yet"), firstStartText_))
      ShowUpdateKepler(TKeplerUpdates::FirstChoice(), true);
    return;
  }
  updates_->UpdateAtStartIfDue(TabSheetSetup->ComboBoxUpdateAtStart->currentIndex());
}

// ---------------------------------------------------------------------------------------------------

void TForm3Dview::Guarded(const std::function<void()>& handler) noexcept {
  RunGuarded(*sink_, handler);
}

void TForm3Dview::ShowMessage(const QString& caption, const QString& text) {
  TellUser(*sink_, caption, text);
}

}  // namespace nimbrel::app
