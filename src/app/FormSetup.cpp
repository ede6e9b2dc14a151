#include "app/FormSetup.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "app/FormLayout.h"
#include "app/SceneContent.h"
#include "app/SessionModel.h"
#include "app/SetupPanels.h"
#include "app/StartUp.h"
#include "catalogue/RegistryVariables.h"
#include "catalogue/cvnComboBox.h"

namespace nimbrel::app {

namespace {
const char* const kQualityItems[] = {"Basic", "Low", "Normal", "Good", "Better", "Best"};
const char* const kTopographyItems[] = {"No topography", "Use image"};
const char* const kUpdateAtStartItems[] = {"never", "daily", "weekly"};
}  // namespace

TFormSetup::TFormSetup(TSessionModel& model, TMessageSink& sink, QWidget* parent)
    : QWidget(parent), model_(model), sink_(sink) {
  setObjectName(QStringLiteral("TabSheetSetup"));
  AutoLabel(QStringLiteral("These choices affect the drawing of the image."), this, 40, 24);
  auto* labelQuality = new QLabel(
      QStringLiteral(
          "Raising display quality produces better terminators and footprints but takes more CPU time."),
      this);
  labelQuality->setWordWrap(true);
  labelQuality->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(labelQuality, 40, 48, 225, 57);
  RadioGroupQuality =
      RadioGroup(QStringLiteral(" Display quality "), kQualityItems, 6, 1, qualityButtons_, this);
  RadioGroupQuality->setObjectName(QStringLiteral("RadioGroupQuality"));
  RadioGroupQuality->setToolTip(QStringLiteral("Display quality affects drawing time"));
  Place(RadioGroupQuality, 64, 104, 153, 153);
  auto* labelTopography = new QLabel(
      QStringLiteral(
          "Showing topography produces a more realistic image of the globe, but takes more CPU time."),
      this);
  labelTopography->setWordWrap(true);
  labelTopography->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(labelTopography, 40, 288, 225, 52);
  RadioGroupTopography =
      RadioGroup(QStringLiteral(" Topography "), kTopographyItems, 2, 1, topographyButtons_, this);
  RadioGroupTopography->setObjectName(QStringLiteral("RadioGroupTopography"));
  Place(RadioGroupTopography, 64, 344, 153, 65);
  QLabel* labelNightSide = AutoLabel(QStringLiteral("Night side:"), this, 40, 424);
  ComboBoxNightSide = new QComboBox(this);
  ComboBoxNightSide->setObjectName(QStringLiteral("ComboBoxNightSide"));
  ComboBoxNightSide->addItems({QStringLiteral("Dimmed"), QStringLiteral("City lights")});
  ComboBoxNightSide->setAccessibleName(QStringLiteral("Night side"));
  ComboBoxNightSide->setToolTip(
      QStringLiteral("City lights: the night side dark, with the lights of the cities"));
  labelNightSide->setBuddy(ComboBoxNightSide);
  Place(ComboBoxNightSide, 112, 420, 105, ComboBoxNightSide->sizeHint().height());
  const TShowMessage showMessage = [this](const QString& caption, const QString& text) {
    TellUser(sink_, caption, text);
  };
  LocationsPanel = new TLocationsPanel(showMessage, this);
  Place(LocationsPanel, 296, 48, 449, 216);
  DataFolderPanel = new TDataFolderPanel(showMessage, this);
  Place(DataFolderPanel, 296, 272, 449, 112);
  AutoLabel(QStringLiteral("Update Kepler data at start:"), this, 304, 400);
  ComboBoxUpdateAtStart = new catalogue::TcvnComboBox(this);
  ComboBoxUpdateAtStart->setObjectName(QStringLiteral("ComboBoxUpdateAtStart"));
  ComboBoxUpdateAtStart->SetNamedAs(QStringLiteral("UpdateKeplerAtStart"));
  for (const char* item : kUpdateAtStartItems) ComboBoxUpdateAtStart->addItem(QString::fromLatin1(item));
  ComboBoxUpdateAtStart->setCurrentIndex(0);
  ComboBoxUpdateAtStart->setAccessibleName(QStringLiteral("Update Kepler data at start"));
  RadioGroupQuality->setAccessibleName(QStringLiteral("Display quality"));
  RadioGroupTopography->setAccessibleName(QStringLiteral("Topography"));
  ComboBoxUpdateAtStart->setToolTip(QStringLiteral(
      "Downloads the sources last chosen in File, Update Kepler data, after the window opens"));
  Place(ComboBoxUpdateAtStart, 480, 396, 105, ComboBoxUpdateAtStart->sizeHint().height());
  // The bound control now has its designed state: it takes its stored one.
  ComboBoxUpdateAtStart->Loaded();

  auto on = [this](auto* sender, auto signal, void (TFormSetup::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  // User-only signals: the code's own writes to these controls must not run their handlers.
  on(qualityButtons_, &QButtonGroup::idClicked, &TFormSetup::RadioGroupQualityClick);
  on(topographyButtons_, &QButtonGroup::idClicked, &TFormSetup::RadioGroupTopographyClick);
  on(ComboBoxNightSide, &QComboBox::activated, &TFormSetup::ComboBoxNightSideClick);
  on(LocationsPanel, &TLocationsPanel::LocationsChanged, &TFormSetup::HomeLocationChanged);
  on(DataFolderPanel, &TDataFolderPanel::FolderChanged, &TFormSetup::KeplerFolderChanged);

  // The stored choices, each selected as a click would select it (a stored value out of range is
  // stored again as the item it selects).
  qualitySetting_ = std::make_unique<catalogue::TRegistryInteger>(QStringLiteral("DisplayQuality"), 1);
  topographySetting_ = std::make_unique<catalogue::TRegistryInteger>(QStringLiteral("Topography"), 2);
  if (SelectItem(topographyButtons_, topographySetting_->Value())) RadioGroupTopographyClick();
  if (SelectItem(qualityButtons_, qualitySetting_->Value())) RadioGroupQualityClick();
  nightSideSetting_ = std::make_unique<catalogue::TRegistryInteger>(QStringLiteral("NightSide"), 0);
  ComboBoxNightSide->setCurrentIndex(NightLookOf(nightSideSetting_->Value()) == TNightLook::nlCityLights ? 1
                                                                                                         : 0);
}

TFormSetup::~TFormSetup() = default;

void TFormSetup::Guarded(const std::function<void()>& handler) noexcept {
  RunGuarded(sink_, handler);
}

int TFormSetup::QualityItem() const {
  return CheckedItem(qualityButtons_);
}
int TFormSetup::TopographyItem() const {
  return CheckedItem(topographyButtons_);
}
int TFormSetup::QualitySettingValue() const noexcept {
  return qualitySetting_ ? qualitySetting_->Value() : -1;
}
int TFormSetup::TopographySettingValue() const noexcept {
  return topographySetting_ ? topographySetting_->Value() : -1;
}

void TFormSetup::RadioGroupQualityClick() {
  const int before = qualitySetting_->Value();
  qualitySetting_->SetValue(QualityItem());
  if (before != qualitySetting_->Value() && TopographyItem() >= 0) emit AppearanceChanged();
}

void TFormSetup::RadioGroupTopographyClick() {
  const int before = topographySetting_->Value();
  topographySetting_->SetValue(TopographyItem());
  if (before != topographySetting_->Value() && QualityItem() >= 0) emit AppearanceChanged();
}

void TFormSetup::ComboBoxNightSideClick() {
  nightSideSetting_->SetValue(ComboBoxNightSide->currentIndex());
  emit NightSideChanged();
}

void TFormSetup::HomeLocationChanged() {
  model_.SetHome(ReadHomeLocation());
}

void TFormSetup::KeplerFolderChanged() {
  // Read before the old catalogue goes: the markers and the list still show its satellites while a
  // warning about the new folder is up.
  TKeplerData kepler = LoadKeplerData({}, sink_);
  if (kepler.showAllAtStart) model_.SetShowAll(true);
  model_.SetData(std::move(kepler.catalogue), TDataSource::dsDataFolder, {}, model_.PrimaryNumber());
}

void TFormSetup::Refresh() {
  LocationsPanel->Refresh();
  DataFolderPanel->Refresh();
}

void TFormSetup::ShowTexturePath(const QString& path) {
  RadioGroupTopography->setToolTip(QStringLiteral("Topography image read from: ") + path);
}

}  // namespace nimbrel::app
