#include "app/ViewChoicesPanel.h"

#include <QLabel>

#include "app/FormLayout.h"
#include "catalogue/cvnCheckBox.h"
#include "catalogue/cvnComboBox.h"
#include "scene/Lines.h"

namespace nimbrel::app {

namespace {
constexpr std::uint16_t kSolidLine = 0xFFFF;
const char* const kOrbitItems[] = {"none", "Primary", "All"};
}  // namespace

TViewChoicesPanel::TViewChoicesPanel(TSceneContent& content, TMessageSink& sink, QWidget* page)
    : QObject(page), content_(content), sink_(sink) {
  constexpr unsigned kRight = akRight | akTop;
  auto boundCheckBox = [page](const char* name, const char* caption, const char* valueName, const char* hint,
                              int left, int top) {
    auto* box = new catalogue::TcvnCheckBox(QString::fromLatin1(caption), page);
    box->setObjectName(QString::fromLatin1(name));
    box->SetNamedAs(QString::fromLatin1(valueName));
    box->setChecked(true);
    if (hint) box->setToolTip(QString::fromLatin1(hint));
    box->adjustSize();
    Place(box, left, top, box->width(), box->height(), kRight);
    return box;
  };
  CheckBoxShowDaylight = boundCheckBox("CheckBoxShowDaylight", "Daylight", "ShowDaylight", nullptr, 656, 144);
  CheckBoxShowTrails = boundCheckBox("CheckBoxShowTrails", "Show trails", "ShowTrails",
                                     "Short trail of past motion", 656, 166);
  ComboBoxShowOrbit = new catalogue::TcvnComboBox(page);
  ComboBoxShowOrbit->setObjectName(QStringLiteral("ComboBoxShowOrbit"));
  ComboBoxShowOrbit->SetNamedAs(QStringLiteral("ShowOrbit"));
  for (const char* item : kOrbitItems) ComboBoxShowOrbit->addItem(QString::fromLatin1(item));
  ComboBoxShowOrbit->setCurrentIndex(-1);
  ComboBoxShowOrbit->setToolTip(QStringLiteral("Show orbits for which satellites"));
  LabelShowOrbit = AutoLabel(QStringLiteral("&Orbits:"), page, 560, 214, kRight);
  LabelShowOrbit->setBuddy(ComboBoxShowOrbit);
  const int orbitLeft = 560 + LabelShowOrbit->width() + 6;
  Place(ComboBoxShowOrbit, orbitLeft, 210, 729 - orbitLeft, ComboBoxShowOrbit->sizeHint().height(), kRight);
  CheckBoxShowFootprint = boundCheckBox("CheckBoxShowFootprint", "Footprint", "ShowFootprint",
                                        "Radio coverage shown as spotlight", 656, 188);
  // The bound controls now have their designed state: they take their stored one.
  CheckBoxShowDaylight->Loaded();
  CheckBoxShowTrails->Loaded();
  ComboBoxShowOrbit->Loaded();
  CheckBoxShowFootprint->Loaded();

  auto on = [this](auto* sender, auto signal, void (TViewChoicesPanel::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  // User-only signals: the code's own writes to these controls must not run their handlers.
  on(CheckBoxShowDaylight, &QCheckBox::clicked, &TViewChoicesPanel::CheckBoxShowDaylightClick);
  on(CheckBoxShowFootprint, &QCheckBox::clicked, &TViewChoicesPanel::CheckBoxShowFootprintClick);
  on(CheckBoxShowTrails, &QCheckBox::clicked, &TViewChoicesPanel::CheckBoxShowTrailsClick);
  on(ComboBoxShowOrbit, &QComboBox::activated, &TViewChoicesPanel::ComboBoxShowOrbitClick);
}

void TViewChoicesPanel::Guarded(const std::function<void()>& handler) noexcept {
  RunGuarded(sink_, handler);
}

void TViewChoicesPanel::Refresh() {
  if (OnRefresh) OnRefresh();
}

TDisplayChoices TViewChoicesPanel::Choices() const {
  return {CheckBoxShowFootprint->isChecked(), CheckBoxShowDaylight->isChecked()};
}

bool TViewChoicesPanel::Trails() const {
  return CheckBoxShowTrails->isChecked();
}

void TViewChoicesPanel::CheckBoxShowDaylightClick() {
  Refresh();
}

void TViewChoicesPanel::CheckBoxShowFootprintClick() {
  Refresh();
}

void TViewChoicesPanel::CheckBoxShowTrailsClick() {
  RebuildTrails();
}

void TViewChoicesPanel::ComboBoxShowOrbitClick() {
  const int item = ComboBoxShowOrbit->currentIndex();
  content_.OrbitLines().SetLinePattern(item == 1 || item == 2 ? kSolidLine : 0);
  Refresh();
}

void TViewChoicesPanel::RebuildTrails() {
  content_.RebuildTrails(Trails());
  if (OnTrailsRebuilt) OnTrailsRebuilt();
  Refresh();
}

void TViewChoicesPanel::ShowOrbitChoice() {
  if (ComboBoxShowOrbit->currentIndex() < 0) ComboBoxShowOrbit->setCurrentIndex(1);
  content_.OrbitLines().SetLinePattern(ComboBoxShowOrbit->currentIndex() == 0 ? 0 : kSolidLine);
}

}  // namespace nimbrel::app
