#pragma once
// The main window: it lays out the pages, owns the session model (the catalogue, the primary, the
// home, the shown satellites, the clock and the downloads: what every page shares), the scene content
// and the pages, and wires them. The pages and panels read the model and follow its signals; to change
// a fact they ask the model, never another page:
//   TFormSetup        the Setup page: drawing choices, locations and home, data folder
//   TClockPanel       the clock: pickers, steps, speeds and their timers (sets the model's time)
//   TNavigationPanel  the viewpoint, the bars, the zoom and the mouse over the 3D view
//   TSatellitesPanel  the satellite list, its search and banks, "All satellites"
//   TFormStation      the Station page (rotator, radio, alerts), on real time
//   TViewChoicesPanel daylight, trails, footprints and orbits in the view
//   TStatusLine       the status bar's panels and the primary's line
// What is left here is the 3D view itself, the menus, and the few steps that
// join the parts: a tick of the clock updates the scene and the status line; new data, another
// primary or another list rebuilds the markers, then the list's lines in their colours. All of it runs
// on the UI thread.

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "app/SceneContent.h"
#include "app/SessionModel.h"
#include "catalogue/SatelliteList.h"

class QAction;
class QFileDialog;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

namespace nimbrel::about {
class TVersionInfoResource;
}
namespace nimbrel::scene {
class TSceneViewer;
}
namespace nimbrel::download {
class TDownloader;
}

namespace nimbrel::app {

class TMessageSink;
class TFormPasses;
class TSatellitesPanel;
class TClockPanel;
class TNavigationPanel;
class TStatusLine;
class TViewChoicesPanel;
class TFormSetup;
class TFormStation;
class TFormUpdateKepler;
class TKeplerUpdates;

// What the program hands the window; tests replace the parts that reach outside.
struct TFormOptions {
  // The command line without the program's name and without the snapshot options.
  QStringList arguments;
  // Where "UserMapGL.jpg" is looked for after the current folder; empty: the executable's folder.
  QString executableFolder;
  // Null: message boxes in the window.
  TMessageSink* sink = nullptr;
  // Shows the About box; null: nothing is shown.
  std::function<void()> showAbout;
  // Where CelesTrak's groups are downloaded from; empty: CelesTrak itself. Tests give their own server.
  QString keplerGroupBase;
  // The real time the smooth clock runs by; null: the system's steady clock.
  std::function<std::chrono::steady_clock::time_point()> steadyNow;
  // Whether assistive technology listens; null: QAccessible::isActive.
  std::function<bool()> accessibilityActive;
  // UTC now, for the step clock's real time ("RT") and the Station page alike; null: the system's.
  std::function<orbit::TDateTime()> utcNow;
};

class TForm3Dview : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm3Dview(TFormOptions options, QWidget* parent = nullptr);
  ~TForm3Dview() override;

  // The client area the window is designed for, below the menu bar.
  static constexpr int kClientWidth = 777;
  static constexpr int kClientHeight = 503;

  // The controls, by the names the program's documentation uses.
  QTabWidget* PageControl1 = nullptr;
  TFormSetup* TabSheetSetup = nullptr;
  QWidget* TabSheetDisplay = nullptr;
  TFormStation* TabSheetStation = nullptr;
  scene::TSceneViewer* SceneViewer1 = nullptr;
  QLabel* PanelSplash = nullptr;
  // The date and time pickers, the step choice and the speeds, with their timers.
  TClockPanel* ClockPanel = nullptr;
  // The viewpoint, the longitude and latitude bars, the zoom and the mouse over the view.
  TNavigationPanel* NavigationPanel = nullptr;
  // The satellite list, its search and its banks, in the frame the form draws round them.
  TSatellitesPanel* SatellitesPanel = nullptr;
  // Daylight, trails, footprints and orbits: what the view draws besides the globe and markers.
  TViewChoicesPanel* ViewChoicesPanel = nullptr;
  QPushButton* ButtonClose = nullptr;
  // The status bar's panels and the primary's line above them.
  TStatusLine* StatusLine = nullptr;
  QAction* FileLoadTexture = nullptr;
  QAction* FileOpen = nullptr;
  // Reads the data folder again in place of a file the user opened.
  QAction* FileLoadUpdated = nullptr;
  QAction* FilePasses = nullptr;
  QAction* FileUpdateKepler = nullptr;
  QAction* MenuExit = nullptr;
  QAction* HelpAbout = nullptr;
  about::TVersionInfoResource* VI = nullptr;

  TSceneContent& Content() noexcept { return *content_; }
  TSessionModel& Session() noexcept { return *model_; }
  const catalogue::TSatelliteList& Catalogue() const noexcept { return model_->Catalogue(); }
  const QStringList& ActiveList() const noexcept { return model_->ActiveList(); }
  const QString& PrimaryCatNumber() const noexcept { return model_->PrimaryNumber(); }
  orbit::TDateTime CurrentTime() const noexcept { return model_->Time(); }
  double HomeLon() const noexcept { return model_->Home().lonDeg; }
  double HomeLat() const noexcept { return model_->Home().latDeg; }
  int InitialViewerWidth() const noexcept { return initialViewerWidth_; }
  const QString& TexturePath() const noexcept { return texturePath_; }
  bool ShowAllAtStart() const noexcept { return showAllAtStart_; }

  // The view drawn again for the session's time (the clock's handler, which restarts its step).
  void RefreshView();
  // The Display page's controls follow its size: the bars centred on the view, the view's focal length.
  void PageControl1Resize();
  // The two File items after their dialog has been confirmed.
  void LoadBackground(const QString& path);
  void OpenKeplerFile(const QString& path);
  // File > "Load the updated data": the data folder in place of the file the user opened.
  void FileLoadUpdatedClick();
  // The user's choice of primary satellite, from the list or the view (the list's panel stores it).
  void MakePrimary(const QString& number);
  // The small key to the points' colours in the view's corner; shown only while markers are points.
  QWidget* OrbitLegend() const noexcept { return legend_; }
  void ShowPasses();
  TFormPasses* PassesDialog() const noexcept { return passes_; }
  // "Update Kepler data...": the dialog with `chosen` checked (its remembered choice when empty),
  // its update started at once when `start`.
  void ShowUpdateKepler(const QStringList& chosen = {}, bool start = false);
  TFormUpdateKepler* UpdateKeplerDialog() const noexcept;
  // The catalogue read again from the data folder, markers and list rebuilt, the primary kept when
  // it is still there. A folder without any set leaves the catalogue as it is.
  void ReloadKeplerData();
  // The update that "Update Kepler data at start" runs; null when none has been started.
  download::TDownloader* StartUpUpdate() const noexcept;

 protected:
  void showEvent(QShowEvent* event) override;
  // "E&xit", "Close" and the close box: asks first while the station page steers a rotator or radio.
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateMenus();
  void CreateStatusBar();
  void ConnectControls();
  // The window's own parts follow the session model from here on.
  void ConnectSession();
  void SessionHomeChanged();
  void SessionDataChanged();
  void SessionShownChanged();
  void SessionFreshData();
  void FormCreate();
  void FormShow();
  void FormActivate();
  void FormDestroy();
  void LayOutClient();
  void LayOutDisplayPage();
  void RebuildMarkers();
  void QueueRebuildMarkers();
  void ApplyGlobeAppearance();
  void ApplyNightSide();
  // The scene and the status texts for the session's time; runningClock: a tick of the running clock,
  // which leaves what changes only per second alone between seconds and repaints nothing at once.
  void ShowTime(bool runningClock);
  // The 3D view's description reads the primary's line to a screen reader: only while one listens,
  // and at most once a second, so that speech is not flooded at 30 pictures a second.
  void DescribeView();
  std::chrono::steady_clock::time_point SteadyNow() const;
  void FileLoadTextureClick();
  void FileOpenClick();
  // After the window has first been shown: the offer to download when there was no Kepler data,
  // else the update at start when it is due.
  void AfterFirstShow();
  // Runs a handler; what it throws is shown as the toolkit's default handler would show it.
  void Guarded(const std::function<void()>& handler) noexcept;
  void ShowMessage(const QString& caption, const QString& text);

  TFormOptions options_;
  std::unique_ptr<TMessageSink> ownSink_;
  TMessageSink* sink_ = nullptr;
  std::unique_ptr<TSceneContent> content_;

  std::unique_ptr<TSessionModel> model_;
  QString texturePath_;
  int initialViewerWidth_ = 0;
  bool showAllAtStart_ = false;
  QWidget* legend_ = nullptr;
  bool busyCursor_ = false;
  // Creation is still running: no scene update may reach half-built state.
  bool creating_ = true;
  bool rebuildQueued_ = false;
  std::optional<std::chrono::steady_clock::time_point> describedAt_;

  QFileDialog* openDialog_ = nullptr;
  TFormPasses* passes_ = nullptr;
  TKeplerUpdates* updates_ = nullptr;
  bool dataFolderEmpty_ = false;
  QString firstStartText_;
  bool firstShowDone_ = false;
};

}  // namespace nimbrel::app
