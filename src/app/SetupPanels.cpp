#include "app/SetupPanels.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/LocationDialog.h"
#include "app/StartUp.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/DataFolder.h"

namespace nimbrel::app {

namespace {

constexpr const char* kCannotStoreCaption = "NimbrelGL - cannot store the setting";
enum TLocationColumn { lcHome, lcName, lcLatitude, lcLongitude, lcHeight, lcCount };
// Each row keeps the stored item it shows, word for word: changes find the location by it.
constexpr int kStoredItemRole = Qt::UserRole + 1;

QLabel* OwnedLine(QWidget* parent) {
  auto* label = new QLabel(CompanionOwnsSettingsText(), parent);
  label->setWordWrap(true);
  label->setObjectName(QStringLiteral("LabelOwned"));
  return label;
}

// What the store says went wrong, as the user reads it.
void ShowWriteFailure(const TShowMessage& show, const catalogue::TCompanionWrite& result) {
  if (!show) return;
  using TStatus = catalogue::TCompanionWrite::TStatus;
  if (result.status == TStatus::cwOwnedByCompanion) {
    show(QString(), CompanionOwnsSettingsText());
  } else if (result.status == TStatus::cwRefused) {
    // Another program changed the list since it was shown.
    show(QString::fromLatin1(kCannotStoreCaption),
         QStringLiteral("The location %1; nothing was changed, and the list has been read again.")
             .arg(QString::fromStdString(result.message)));
  } else {
    show(QString::fromLatin1(kCannotStoreCaption), WriteFailureText(result));
  }
}

}  // namespace

QString WriteFailureText(const catalogue::TCompanionWrite& result) {
  if (result.status == catalogue::TCompanionWrite::TStatus::cwOwnedByCompanion)
    return CompanionOwnsSettingsText();
  return QStringLiteral("Could not store the setting: %1.").arg(QString::fromStdString(result.message));
}

QString CompanionOwnsSettingsText() {
  return QStringLiteral(
      "The companion program Nimbrel is installed and owns these settings: change them in Nimbrel.");
}

// ---------------------------------------------------------------------------------------------------

TLocationsPanel::TLocationsPanel(TShowMessage showMessage, QWidget* parent)
    : QGroupBox(QStringLiteral(" Home location "), parent), showMessage_(std::move(showMessage)) {
  setObjectName(QStringLiteral("GroupHomeLocation"));
  ListLocations = new QTreeWidget(this);
  ListLocations->setObjectName(QStringLiteral("ListLocations"));
  ListLocations->setColumnCount(lcCount);
  ListLocations->setHeaderLabels({QStringLiteral("Home"), QStringLiteral("Name"), QStringLiteral("Latitude"),
                                  QStringLiteral("Longitude"), QStringLiteral("Height (m)")});
  ListLocations->setRootIsDecorated(false);
  ListLocations->setUniformRowHeights(true);
  ListLocations->setAllColumnsShowFocus(true);
  ListLocations->header()->setStretchLastSection(false);
  ListLocations->header()->setSectionResizeMode(lcName, QHeaderView::Stretch);
  for (int column : {lcHome, lcLatitude, lcLongitude, lcHeight})
    ListLocations->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  ListLocations->setToolTip(
      QStringLiteral("Look angles, passes and the \"Home loc.\" viewpoint are for the home"));

  ButtonAdd = new QPushButton(QStringLiteral("Add..."), this);
  ButtonEdit = new QPushButton(QStringLiteral("Edit..."), this);
  ButtonRemove = new QPushButton(QStringLiteral("Remove"), this);
  ButtonMakeHome = new QPushButton(QStringLiteral("Make home"), this);
  LabelOwned = OwnedLine(this);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {ButtonAdd, ButtonEdit, ButtonRemove, ButtonMakeHome})
    buttons->addWidget(button);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListLocations, 1);
  layout->addLayout(buttons);
  layout->addWidget(LabelOwned);

  Dialog = new TLocationDialog(this);
  Dialog->setWindowModality(Qt::WindowModal);

  ListLocations->setAccessibleName(QStringLiteral("Observer locations"));
  ButtonAdd->setAccessibleName(QStringLiteral("Add a location"));
  ButtonEdit->setAccessibleName(QStringLiteral("Edit the selected location"));
  ButtonRemove->setAccessibleName(QStringLiteral("Remove the selected location"));
  ButtonMakeHome->setAccessibleName(QStringLiteral("Make the selected location home"));
  connect(ButtonAdd, &QPushButton::clicked, this, &TLocationsPanel::AddClick);
  connect(ButtonEdit, &QPushButton::clicked, this, &TLocationsPanel::EditClick);
  connect(ButtonRemove, &QPushButton::clicked, this, &TLocationsPanel::RemoveClick);
  connect(ButtonMakeHome, &QPushButton::clicked, this, &TLocationsPanel::MakeHomeClick);
  connect(ListLocations, &QTreeWidget::itemDoubleClicked, this, [this] { EditClick(); });
  connect(ListLocations, &QTreeWidget::itemSelectionChanged, this, &TLocationsPanel::UpdateButtons);
  connect(Dialog, &QDialog::accepted, this, [this] {
    const bool adding = editing_ < 0;
    const catalogue::TCompanionWrite result =
        adding ? catalogue::AddLocation(Dialog->Location())
               : catalogue::ReplaceLocation(editingShown_, Dialog->Location());
    const int row = adding ? ListLocations->topLevelItemCount() : editing_;
    if (!Written(result)) return;
    if (QTreeWidgetItem* item = ListLocations->topLevelItem(row)) ListLocations->setCurrentItem(item);
    emit LocationsChanged();
  });
  Refresh();
}

void TLocationsPanel::Refresh() {
  owned_ = catalogue::CompanionOwnsSettings();
  const QStringList items =
      catalogue::SplitCommaList(catalogue::ReadCompanionText(QString::fromLatin1(catalogue::kLocationList)));
  const int home =
      catalogue::LocationIndex(catalogue::ReadCompanionInteger(QString::fromLatin1(catalogue::kLocationNum)));
  const int selected = SelectedRow();
  ListLocations->clear();
  for (int i = 0; i < items.size(); ++i) {
    const QStringList fields = catalogue::SplitCommaList(items[i]);
    auto* row = new QTreeWidgetItem(ListLocations);
    row->setData(lcName, kStoredItemRole, items[i]);
    if (fields.size() == catalogue::kLocationFieldCount) {
      row->setText(lcName, fields[0]);
      row->setText(lcLatitude, fields[catalogue::kLocationLatitudeField]);
      row->setText(lcLongitude, fields[catalogue::kLocationLongitudeField]);
      row->setText(lcHeight, fields[3]);
    } else {
      row->setText(lcName, items[i]);
      row->setText(lcLatitude, QStringLiteral("not used"));
      row->setToolTip(lcName,
                      QStringLiteral("Not used: this entry has %1 fields instead of 5").arg(fields.size()));
    }
    for (int column : {lcLatitude, lcLongitude, lcHeight}) row->setTextAlignment(column, Qt::AlignRight);
    if (i == home) {
      row->setText(lcHome, QStringLiteral("\u2714"));
      row->setTextAlignment(lcHome, Qt::AlignCenter);
      QFont bold = row->font(lcName);
      bold.setBold(true);
      for (int column = 0; column < lcCount; ++column) row->setFont(column, bold);
    }
  }
  AddDefaultHomeRow(home >= items.size());
  if (QTreeWidgetItem* item = ListLocations->topLevelItem(selected)) ListLocations->setCurrentItem(item);
  LabelOwned->setVisible(owned_);
  UpdateButtons();
}

void TLocationsPanel::AddDefaultHomeRow(bool used) {
  defaultRow_ = -1;
  if (!used) return;
  // The look angles come from somewhere even with no location stored: the user sees from where. The
  // row is last, so that every other row's index is its place in the stored list.
  const THomeLocation home = ReadHomeLocation();
  auto* row = new QTreeWidgetItem(ListLocations);
  row->setText(lcHome, QStringLiteral("\u2714"));
  row->setTextAlignment(lcHome, Qt::AlignCenter);
  row->setText(lcName, QStringLiteral("Default (not stored)"));
  row->setText(lcLatitude, QString::number(home.latDeg, 'f', 1));
  row->setText(lcLongitude, QString::number(home.lonDeg, 'f', 1));
  row->setText(lcHeight, QStringLiteral("0"));
  for (int column : {lcLatitude, lcLongitude, lcHeight}) row->setTextAlignment(column, Qt::AlignRight);
  QFont italic = row->font(lcName);
  italic.setItalic(true);
  for (int column = 0; column < lcCount; ++column) {
    row->setFont(column, italic);
    row->setToolTip(column, QStringLiteral("Used until you add a location of your own"));
  }
  defaultRow_ = ListLocations->indexOfTopLevelItem(row);
}

catalogue::TShownLocation TLocationsPanel::ShownAt(int row) const {
  const QTreeWidgetItem* item = ListLocations->topLevelItem(row);
  return {row, item ? item->data(lcName, kStoredItemRole).toString() : QString()};
}

int TLocationsPanel::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = ListLocations->selectedItems();
  return selected.isEmpty() ? -1 : ListLocations->indexOfTopLevelItem(selected.front());
}

void TLocationsPanel::UpdateButtons() {
  // The default home is not stored: there is nothing to edit, remove or choose.
  const bool row = SelectedRow() >= 0 && SelectedRow() != defaultRow_;
  ButtonAdd->setEnabled(!owned_);
  ButtonEdit->setEnabled(!owned_ && row);
  ButtonRemove->setEnabled(!owned_ && row);
  ButtonMakeHome->setEnabled(!owned_ && row);
}

bool TLocationsPanel::Written(const catalogue::TCompanionWrite& result) {
  Refresh();
  if (result) return true;
  ShowWriteFailure(showMessage_, result);
  return false;
}

void TLocationsPanel::AddClick() {
  if (owned_) return;
  editing_ = -1;
  Dialog->setWindowTitle(QStringLiteral("Add an observer location"));
  Dialog->SetTexts({});
  Dialog->open();
}

void TLocationsPanel::EditClick() {
  const int row = SelectedRow();
  if (owned_ || row < 0 || row == defaultRow_) return;
  const QTreeWidgetItem* item = ListLocations->topLevelItem(row);
  editing_ = row;
  editingShown_ = ShownAt(row);
  Dialog->setWindowTitle(QStringLiteral("Edit an observer location"));
  Dialog->SetTexts(
      {item->text(lcName), item->text(lcLatitude), item->text(lcLongitude), item->text(lcHeight)});
  Dialog->open();
}

void TLocationsPanel::RemoveClick() {
  const int row = SelectedRow();
  if (owned_ || row < 0 || row == defaultRow_) return;
  if (Written(catalogue::RemoveLocation(ShownAt(row)))) emit LocationsChanged();
}

void TLocationsPanel::MakeHomeClick() {
  const int row = SelectedRow();
  if (owned_ || row < 0 || row == defaultRow_) return;
  if (Written(catalogue::SelectLocation(ShownAt(row)))) emit LocationsChanged();
}

// ---------------------------------------------------------------------------------------------------

TDataFolderPanel::TDataFolderPanel(TShowMessage showMessage, QWidget* parent)
    : QGroupBox(QStringLiteral(" Kepler data folder "), parent), showMessage_(std::move(showMessage)) {
  setObjectName(QStringLiteral("GroupKeplerFolder"));
  LabelFolder = new QLabel(this);
  LabelFolder->setObjectName(QStringLiteral("LabelFolder"));
  LabelFolder->setWordWrap(true);
  LabelFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  ButtonChange = new QPushButton(QStringLiteral("Change..."), this);
  ButtonChange->setToolTip(QStringLiteral("Choose the folder that holds the Kepler files"));
  ButtonOpen = new QPushButton(QStringLiteral("Open"), this);
  ButtonOpen->setToolTip(QStringLiteral("Show the folder in the file manager"));
  LabelOwned = OwnedLine(this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ButtonChange);
  buttons->addWidget(ButtonOpen);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LabelFolder);
  layout->addLayout(buttons);
  layout->addWidget(LabelOwned);
  layout->addStretch(1);

  LabelFolder->setAccessibleName(QStringLiteral("Kepler data folder"));
  ButtonChange->setAccessibleName(QStringLiteral("Change the Kepler data folder"));
  ButtonOpen->setAccessibleName(QStringLiteral("Open the Kepler data folder in the file manager"));
  connect(ButtonChange, &QPushButton::clicked, this, &TDataFolderPanel::ChangeClick);
  connect(ButtonOpen, &QPushButton::clicked, this, &TDataFolderPanel::OpenClick);
  Refresh();
}

QString TDataFolderPanel::FolderInUse() {
  return catalogue::KeplerDataFolder();
}

void TDataFolderPanel::Refresh() {
  owned_ = catalogue::CompanionOwnsSettings();
  const bool stored =
      !catalogue::ReadCompanionText(QString::fromLatin1(catalogue::kTwoLineDataPath)).isEmpty();
  LabelFolder->setText(stored ? FolderInUse()
                              : QStringLiteral("None chosen: NimbrelGL's own folder, %1").arg(FolderInUse()));
  ButtonChange->setEnabled(!owned_);
  LabelOwned->setVisible(owned_);
}

void TDataFolderPanel::ChangeClick() {
  if (owned_) return;
  const QString folder =
      QFileDialog::getExistingDirectory(this, QStringLiteral("Choose the Kepler data folder"), FolderInUse());
  if (!folder.isEmpty()) SetFolder(folder);
}

void TDataFolderPanel::SetFolder(const QString& folder) {
  const QFileInfo info(folder);
  if (folder.isEmpty() || !info.isDir()) {
    if (showMessage_) {
      showMessage_(QString::fromLatin1(kCannotStoreCaption),
                   QStringLiteral("The folder %1 does not exist.").arg(folder));
    }
    return;
  }
  // Stored absolute, as nimbrel-settings stores it.
  const catalogue::TCompanionWrite result =
      catalogue::WriteDataFolder(QDir::cleanPath(info.absoluteFilePath()));
  Refresh();
  if (!result) {
    ShowWriteFailure(showMessage_, result);
    return;
  }
  emit FolderChanged();
}

void TDataFolderPanel::OpenClick() {
  const QString folder = FolderInUse();
  // Our own folder is made when first needed; a user who asks to see it needs it now.
  QDir().mkpath(folder);
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)) && showMessage_) {
    showMessage_(QString(), QStringLiteral("Could not show the folder %1 in a file manager.").arg(folder));
  }
}

}  // namespace nimbrel::app
