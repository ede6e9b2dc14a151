#include "app/AccessibleNames.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTreeWidget>

#include "app/ClockPanel.h"
#include "app/Form3Dview.h"
#include "app/FormSetup.h"
#include "app/FormStation.h"
#include "app/FormUpdateKepler.h"
#include "app/NavigationPanel.h"
#include "app/SatellitesPanel.h"
#include "app/SetupPanels.h"
#include "app/ViewChoicesPanel.h"
#include "catalogue/cvnCheckBox.h"
#include "catalogue/cvnComboBox.h"
#include "scene/SceneViewer.h"

namespace nimbrel::app {

namespace {

void Name(QWidget* widget, const QString& name, const QString& description = {}) {
  if (!widget) return;
  widget->setAccessibleName(name);
  if (!description.isEmpty()) widget->setAccessibleDescription(description);
}

// The step items are terse on screen ("RT", "15", "Man"); spoken they say what they do.
void NameStepItems(QGroupBox* group) {
  const QList<QRadioButton*> items = group->findChildren<QRadioButton*>();
  for (QRadioButton* item : items) {
    const QString text = item->text();
    if (text == QLatin1String("RT")) {
      Name(item, QStringLiteral("Real time"));
    } else if (text == QLatin1String("Man")) {
      Name(item, QStringLiteral("Manual time"));
    } else {
      Name(item, QStringLiteral("Steps of %1 minutes").arg(text));
    }
  }
}

}  // namespace

void NameWindowControls(TForm3Dview& w) {
  Name(w.SceneViewer1, QStringLiteral("3D view of the globe"),
       QStringLiteral("The Earth with the satellites shown in the list"));
  Name(w.PageControl1, QStringLiteral("Pages"));
  Name(w.ClockPanel->DatePicker, QStringLiteral("Date (UTC)"));
  Name(w.ClockPanel->TimePicker, QStringLiteral("Time (UTC)"));
  Name(w.ClockPanel->ComboBoxSpeed, QStringLiteral("Clock speed"));
  Name(w.NavigationPanel->TrackBarLon, QStringLiteral("Viewpoint longitude"));
  Name(w.NavigationPanel->TrackBarLat, QStringLiteral("Viewpoint latitude"));
  NameStepItems(w.ClockPanel->RadioGroupStep);
  Name(w.SatellitesPanel->EditSearch, QStringLiteral("Find satellite by name or number"));
  Name(w.SatellitesPanel->ListBoxActive, QStringLiteral("Satellites shown"),
       QStringLiteral("The first is the primary satellite; Enter makes the selected one the primary"));
  Name(w.SatellitesPanel->ButtonBank, QStringLiteral("Change active bank"));
  Name(w.ViewChoicesPanel->ComboBoxShowOrbit, QStringLiteral("Orbits"));
  Name(w.NavigationPanel->ButtonOut, QStringLiteral("Zoom out"));
  Name(w.NavigationPanel->ButtonIn, QStringLiteral("Zoom in"));
  Name(w.TabSheetSetup->ComboBoxUpdateAtStart, QStringLiteral("Update Kepler data at start"));
  Name(w.TabSheetSetup->LocationsPanel->ListLocations, QStringLiteral("Observer locations"),
       QStringLiteral("The marked one is the home: look angles and passes are for it"));
  Name(w.TabSheetSetup->DataFolderPanel->ButtonOpen, QStringLiteral("Open the Kepler data folder"));
  Name(w.TabSheetSetup->DataFolderPanel->ButtonChange, QStringLiteral("Change the Kepler data folder"));

  // Tab walks the Display page as the eye reads it: the clock, the satellites, the view.
  QWidget* const order[] = {w.ClockPanel->DatePicker,
                            w.ClockPanel->TimePicker,
                            w.ClockPanel->ComboBoxSpeed,
                            w.ClockPanel->RadioGroupStep->findChild<QRadioButton*>(),
                            w.SatellitesPanel->EditSearch,
                            w.SatellitesPanel->ListBoxActive,
                            w.SatellitesPanel->ButtonBank,
                            w.ViewChoicesPanel->CheckBoxShowDaylight,
                            w.SatellitesPanel->CheckBoxAll,
                            w.ViewChoicesPanel->CheckBoxShowTrails,
                            w.ViewChoicesPanel->CheckBoxShowFootprint,
                            w.ViewChoicesPanel->ComboBoxShowOrbit,
                            w.NavigationPanel->RadioGroupViewpoint->findChild<QRadioButton*>(),
                            w.NavigationPanel->ButtonOut,
                            w.NavigationPanel->ButtonIn,
                            w.NavigationPanel->TrackBarLon,
                            w.NavigationPanel->TrackBarLat,
                            w.ButtonClose};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    if (order[i - 1] && order[i]) QWidget::setTabOrder(order[i - 1], order[i]);
  }
}

void NameStationControls(TFormStation& page) {
  Name(page.EditRotator, QStringLiteral("Rotator address (rotctld)"));
  Name(page.ButtonRotator, QStringLiteral("Connect or disconnect the rotator"));
  Name(page.ComboAzimuthRange, QStringLiteral("Rotator azimuth range"));
  Name(page.ComboElevationMax, QStringLiteral("Rotator highest elevation"));
  Name(page.SpinMinElevation, QStringLiteral("Lowest elevation to track"));
  Name(page.EditRadio, QStringLiteral("Radio address (rigctld)"));
  Name(page.ButtonRadio, QStringLiteral("Connect or disconnect the radio"));
  Name(page.EditDownlink, QStringLiteral("Downlink frequency in MHz"));
  Name(page.EditUplink, QStringLiteral("Uplink frequency in MHz"));
  Name(page.SpinAlertMinutes, QStringLiteral("Minutes before AOS to notify"));
}

void NameUpdateKeplerControls(TFormUpdateKepler& dialog) {
  Name(dialog.ListSources, QStringLiteral("Sources of Kepler data"));
  Name(dialog.MemoResults, QStringLiteral("Download report"));
  Name(dialog.ProgressBar, QStringLiteral("Download progress"));
}

void NamePassesControls(QWidget& dialog) {
  Name(dialog.findChild<QTableWidget*>(QStringLiteral("passTable")), QStringLiteral("Passes over the home"));
}

}  // namespace nimbrel::app
