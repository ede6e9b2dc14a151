#include "app/Form3Dview.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <exception>
#include <stdexcept>
#include <vector>

#include "about/About.h"
#include "about/VersInfo.h"
#include "app/AccessibleNames.h"
#include "app/ClockPanel.h"
#include "app/FormLayout.h"
#include "app/FormPasses.h"
#include "app/FormSetup.h"
#include "app/FormStation.h"
#include "app/FormUpdateKepler.h"
#include "app/KeplerUpdates.h"
#include "app/MessageSink.h"
#include "app/NavigationPanel.h"
#include "app/OrbitLegend.h"
#include "app/SatellitesPanel.h"
#include "app/StartUp.h"
#include "app/StatusLine.h"
#include "app/UserMessages.h"
#include "app/ViewChoicesPanel.h"
#include "app/ViewMath.h"
#include "catalogue/Companion.h"
#include "catalogue/DataFolder.h"
#include "catalogue/cvnCheckBox.h"
#include "catalogue/cvnComboBox.h"
#include "orbit/Satellite.h"
#include "scene/Camera.h"
#include "scene/Lines.h"
#include "scene/SceneViewer.h"

namespace nimbrel::app {

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
  if (busyCursor_) QApplication::restoreOverrideCursor();
  FormDestroy();
}

void TForm3Dview::FormDestroy() {
  // The viewer draws the scene: it goes before the scene content does.
  delete SceneViewer1;
  SceneViewer1 = nullptr;
  // The pages, panels and dialogs follow the session model: they go before it does, and no page
  // change is answered while they go. The settings they hold (the drawing choices, the bank) write
  // themselves as they change, so nothing is lost with them.
  disconnect(PageControl1, nullptr, this, nullptr);
  delete updates_;
  delete passes_;
  delete TabSheetStation;
  delete TabSheetSetup;
  delete SatellitesPanel;
  delete NavigationPanel;
  delete ClockPanel;
  delete ViewChoicesPanel;
  updates_ = nullptr;
  passes_ = nullptr;
  TabSheetStation = nullptr;
  TabSheetSetup = nullptr;
  SatellitesPanel = nullptr;
  NavigationPanel = nullptr;
  ClockPanel = nullptr;
  ViewChoicesPanel = nullptr;
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
  Place(SceneViewer1, 12, 8, 401, 397, kAll);

  NavigationPanel = new TNavigationPanel(*content_, *model_, *sink_, SceneViewer1, display);
  NavigationPanel->OnRefresh = [this] { RefreshView(); };
  NavigationPanel->OnViewpointText = [this](const QString& text) { StatusLine->ShowViewpoint(text); };
  NavigationPanel->OnHoverText = [this](const QString& text) { StatusLine->ShowHover(text); };
  NavigationPanel->OnMakePrimary = [this](const QString& number) { MakePrimary(number); };

  ClockPanel = new TClockPanel(*model_, *sink_, options_.steadyNow, display);
  // The view covers the splash once the first tick shows it.
  ClockPanel->OnTick = [this] { SceneViewer1->setVisible(true); };
  ClockPanel->OnShow = [this](bool runningClock) { ShowTime(runningClock); };

  SatellitesPanel = new TSatellitesPanel(*model_, *sink_, options_.steadyNow, display);

  ViewChoicesPanel = new TViewChoicesPanel(*content_, *sink_, display);
  ViewChoicesPanel->OnRefresh = [this] { RefreshView(); };
  ViewChoicesPanel->OnTrailsRebuilt = [this] { NavigationPanel->ClearHover(); };

  ButtonClose = new QPushButton(QStringLiteral("Close"), display);
  ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
  Place(ButtonClose, 672, 412, 73, 25, kRight);
  // The view covers the splash once the first tick shows it.
  SceneViewer1->raise();

  legend_ = new TOrbitLegend(SceneViewer1);
  legend_->move(6, 6);
  legend_->hide();
  openDialog_ = new QFileDialog(this);
  openDialog_->setFileMode(QFileDialog::ExistingFile);
  openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
  openDialog_->setOption(QFileDialog::ReadOnly, false);
  // Masks match without regard to letter case: MAP.JPG is an image as map.jpg is.
  openDialog_->setFilter(openDialog_->filter() & ~QDir::CaseSensitive);
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
  StatusLine = new TStatusLine(bar, centralWidget());
  updates_ = new TKeplerUpdates(*model_, options_.keplerGroupBase, this, StatusLine->StatusDownload);
  updates_->askAnyway = [this](const QString& question) { return sink_->Ask(QString(), question); };
}

void TForm3Dview::ConnectControls() {
  auto on = [this](auto* sender, auto signal, void (TForm3Dview::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  // User-only signals: the code's own writes to these controls must not run their handlers.
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
    if (!NavigationPanel->Dragging() && !busyCursor_) {
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
  const THomeLocation home = ReadHomeLocation();
  model_->SetHome(home);
  content_->SetHome(home.lonDeg, home.latDeg, home.heightM);
  const int viewpoint = home.fromList ? 1 : 0;

  NavigationPanel->SelectViewpoint(viewpoint);

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
  StatusLine->FitWidths(font());
  // The orbit choice shows what is drawn: the primary's orbit unless "none" was chosen and stored.
  ViewChoicesPanel->ShowOrbitChoice();
  content_->ForgetSunTime();
  SceneViewer1->hide();
  NavigationPanel->PlaceCamera();
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
  } else if (watched == TabSheetDisplay && event->type() == QEvent::Resize) {
    Guarded([this] {
      LayOutDisplayPage();
      PageControl1Resize();
    });
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm3Dview::LayOutClient() {
  const QSize size = centralWidget()->size();
  const int pageHeight = size.height() - kPrimaryLineHeight - (kCentralHeight - kPageControlHeight);
  PageControl1->setGeometry(kPageControlLeft, 0, size.width() - (kClientWidth - kPageControlWidth),
                            pageHeight);
  StatusLine->StatusPanels[3]->setGeometry(0, size.height() - kPrimaryLineHeight, size.width(),
                                           kPrimaryLineHeight);
}

void TForm3Dview::LayOutDisplayPage() {
  // The page grows exactly as the client area does.
  const QSize client = centralWidget()->size();
  LayOutAnchored(TabSheetDisplay, client.width() - kClientWidth,
                 client.height() - kPrimaryLineHeight - kCentralHeight);
}

void TForm3Dview::PageControl1Resize() {
  // The bars stay centred on the view, and the step group under the latitude bar's label.
  const QRect view = SceneViewer1->geometry();
  QSlider* lon = NavigationPanel->TrackBarLon;
  QSlider* lat = NavigationPanel->TrackBarLat;
  QLabel* labelLon = NavigationPanel->LabelLon;
  QLabel* labelLat = NavigationPanel->LabelLat;
  lon->move(view.left() + (view.width() - lon->width()) / 2, lon->y());
  labelLon->move(lon->x() - (labelLon->width() * 6) / 5, labelLon->y());
  lat->move(lat->x(), view.top() + (view.height() - lat->height()) / 2);
  labelLat->move(labelLat->x(), lat->y() + lat->height() + labelLat->height() / 5);
  QWidget* step = ClockPanel->RadioGroupStep;
  step->move(step->x(), labelLat->y() + 2 * labelLat->height());
  content_->MainCamera().SetFocalLength(
      static_cast<float>(FocalLengthForWidth(view.width(), initialViewerWidth_)));
}

// ---------------------------------------------------------------------------------------------------
// Clock and update cycle.

void TForm3Dview::RefreshView() {
  ClockPanel->RefreshView();
}

void TForm3Dview::ShowTime(bool runningClock) {
  const orbit::TDateTime now = model_->Time();
  // A step paints the new date before the scene's work starts; the running clock leaves it to the
  // window's next composition, with its picture, so that no picture costs two.
  StatusLine->ShowDate(now, !runningClock);
  // Creation still runs: the markers and lists are not there yet, and a nested event loop must not
  // reach them.
  if (!creating_) {
    try {
      StatusLine->ShowUpdate(content_->UpdateScene(now, ViewChoicesPanel->Choices()));
      DescribeView();
    } catch (...) {
      // One failed update leaves the previous picture; the clock goes on.
    }
  }
}

void TForm3Dview::DescribeView() {
  const bool listening =
      options_.accessibilityActive ? options_.accessibilityActive() : QAccessible::isActive();
  if (!listening || StatusLine->PrimaryLine().isEmpty()) return;
  const auto now = SteadyNow();
  if (describedAt_ && now - *describedAt_ < std::chrono::seconds(1)) return;
  describedAt_ = now;
  const QString text = StatusLine->PrimaryLine().trimmed();
  if (SceneViewer1->accessibleDescription() != text) SceneViewer1->setAccessibleDescription(text);
}

std::chrono::steady_clock::time_point TForm3Dview::SteadyNow() const {
  return options_.steadyNow ? options_.steadyNow() : std::chrono::steady_clock::now();
}

void TForm3Dview::MakePrimary(const QString& number) {
  SatellitesPanel->MakePrimary(number);
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

void TForm3Dview::RebuildMarkers() {
  rebuildQueued_ = false;
  const std::vector<const orbit::TSatellite*> satellites = model_->Shown();
  NavigationPanel->ClearHover();
  content_->RebuildMarkers(satellites, ViewChoicesPanel->Trails());
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
  StatusLine->StatusDownload->hide();
}

void TForm3Dview::SessionHomeChanged() {
  const THomeLocation& home = model_->Home();
  content_->SetHome(home.lonDeg, home.latDeg, home.heightM);
  NavigationPanel->HomeMoved();
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
