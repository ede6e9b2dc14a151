#pragma once
// The Setup page's two boxes for what the companion program would otherwise set: the observer
// locations with the home among them, and the Kepler data folder. Both write through the catalogue's
// companion writer (the same code as nimbrel-settings) and read the values back from the store after
// every change, so they show what NimbrelGL will read. While the companion program is registered the
// values are its own: both boxes are read-only and a line says so.

#include <QGroupBox>
#include <QString>
#include <functional>

#include "catalogue/CompanionWriter.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace nimbrel::app {

class TLocationDialog;

// Tells the user something went wrong: a caption (may be empty) and a sentence.
using TShowMessage = std::function<void(const QString& caption, const QString& text)>;

// The sentence shown while the companion program owns these settings.
QString CompanionOwnsSettingsText();
// What the user reads when a write to the companion's values did not happen.
QString WriteFailureText(const catalogue::TCompanionWrite& result);

class TLocationsPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit TLocationsPanel(TShowMessage showMessage, QWidget* parent = nullptr);

  QTreeWidget* ListLocations = nullptr;
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonEdit = nullptr;
  QPushButton* ButtonRemove = nullptr;
  QPushButton* ButtonMakeHome = nullptr;
  QLabel* LabelOwned = nullptr;
  TLocationDialog* Dialog = nullptr;

  // Reads the locations and the home again and shows them; read-only while the companion is
  // registered.
  void Refresh();
  // The buttons' actions; Add and Edit open the dialog and store its location once it is right.
  void AddClick();
  void EditClick();
  void RemoveClick();
  void MakeHomeClick();

 signals:
  // A location was stored, changed or removed, or another one became the home.
  void LocationsChanged();

 private:
  // True when stored; otherwise tells the user why not.
  bool Written(const catalogue::TCompanionWrite& result);
  void UpdateButtons();
  int SelectedRow() const;
  // The marked row of the default home when no stored location is the home (then it is used).
  void AddDefaultHomeRow(bool used);
  int defaultRow_ = -1;
  // The row's location as shown: the place and the stored item.
  catalogue::TShownLocation ShownAt(int row) const;
  // -1 while the dialog adds; the row it edits otherwise, and that row's location as it was shown.
  int editing_ = -1;
  catalogue::TShownLocation editingShown_;
  bool owned_ = false;
  TShowMessage showMessage_;
};

class TDataFolderPanel : public QGroupBox {
  Q_OBJECT

 public:
  explicit TDataFolderPanel(TShowMessage showMessage, QWidget* parent = nullptr);

  QLabel* LabelFolder = nullptr;
  QPushButton* ButtonChange = nullptr;
  QPushButton* ButtonOpen = nullptr;
  QLabel* LabelOwned = nullptr;

  // The folder NimbrelGL reads: the companion's "TwoLineDataPath", else its own data folder.
  static QString FolderInUse();
  void Refresh();
  // "Change...": a folder dialog, then SetFolder with the chosen one.
  void ChangeClick();
  // Stores the folder (absolute) and tells the window to read the catalogue again.
  void SetFolder(const QString& folder);
  // "Open": the folder in the desktop's file manager.
  void OpenClick();

 signals:
  void FolderChanged();

 private:
  bool owned_ = false;
  TShowMessage showMessage_;
};

}  // namespace nimbrel::app
