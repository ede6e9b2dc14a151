#include "app/SatellitesPanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/FormLayout.h"
#include "app/ListHint.h"
#include "app/MessageSink.h"
#include "app/SatelliteSearch.h"
#include "app/SceneContent.h"
#include "app/SessionModel.h"
#include "app/SetupPanels.h"
#include "app/StartUp.h"
#include "app/ViewMath.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/CompanionWriter.h"
#include "catalogue/RegistryVariables.h"
#include "catalogue/cvnCheckBox.h"
#include "orbit/Satellite.h"

namespace nimbrel::app {

namespace {

constexpr int kListItemHeight = 14;
// The list item's role that holds its marker's colour.
constexpr int kColourRole = Qt::UserRole + 1;
// The list's age marks change by whole days of the clock: between days, once a second is enough.
constexpr std::chrono::seconds kMarksPeriod{1};
// The frame's designed place on the Display page; the controls inside are placed relative to it.
constexpr int kLeft = 544;
constexpr int kTop = 8;

// The satellite list: each line in the colour of its marker, on the list's black or on the
// selection colour.
class TSatelliteListDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    // The satellite's colour on the highlight (red or blue on blue) could not be read: the line keeps
    // its black, and the selection is a frame in the highlight colour round it.
    painter->fillRect(option.rect, Qt::black);
    if (selected) {
      painter->setPen(QPen(option.palette.highlight(), 2));
      painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
    }
    const QVariant stored = index.data(kColourRole);
    const TRgb c = SatelliteColour(index.row());
    painter->setPen(stored.isValid() ? stored.value<QColor>() : QColor(c.r, c.g, c.b));
    // An item may bring its own font: a satellite with old elements is drawn in italics.
    const QVariant own = index.data(Qt::FontRole);
    painter->setFont(own.isValid() ? own.value<QFont>() : option.font);
    painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    // The designed 14 pixels, unless the desktop's font needs more room.
    const int height = std::max(kListItemHeight, option.fontMetrics.height());
    return {QStyledItemDelegate::sizeHint(option, index).width(), height};
  }
};

const orbit::TSatellite* SatelliteOf(const QListWidgetItem* item) {
  return static_cast<const orbit::TSatellite*>(item->data(Qt::UserRole).value<void*>());
}

QString SatelliteCatalogueNumber(const QListWidgetItem* item) {
  const orbit::TSatellite* satellite = SatelliteOf(item);
  return satellite ? QString::fromStdString(satellite->CatalogueNumber()) : QString();
}

// The bank as stored, without the fall-back to bank 1 that the shown list takes.
QStringList StoredBank(int bank) {
  return catalogue::SplitCommaList(catalogue::ReadCompanionText(catalogue::ActiveListValueName(bank)));
}

}  // namespace

TSatellitesPanel::TSatellitesPanel(TSessionModel& model, TMessageSink& sink, TSteadyClock steadyNow,
                                   QWidget* page)
    : QFrame(page), model_(model), sink_(sink), steadyNow_(std::move(steadyNow)) {
  setObjectName(QStringLiteral("Bevel1"));
  setFrameStyle(QFrame::Box | QFrame::Sunken);
  Place(this, kLeft, kTop, 201, 232, akRight | akTop);

  LabelActiveSatellites = new QLabel(QStringLiteral("Choose satellite"), this);
  LabelActiveSatellites->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  LabelActiveSatellites->setToolTip(QStringLiteral("Primary satellite for orbit display"));
  Place(LabelActiveSatellites, 560 - kLeft, 14 - kTop, 169, LabelActiveSatellites->sizeHint().height());

  // The search field takes the list's top; the list keeps its width and its bottom edge.
  EditSearch = new QLineEdit(this);
  EditSearch->setObjectName(QStringLiteral("EditSearch"));
  EditSearch->setPlaceholderText(QStringLiteral("Find name or number"));
  EditSearch->setClearButtonEnabled(true);
  EditSearch->setToolTip(QStringLiteral(
      "Shows the satellites whose name or catalogue number holds this text; Escape clears it"));
  Place(EditSearch, 560 - kLeft, 32 - kTop, 169, 21);

  ListBoxActive = new QListWidget(this);
  ListBoxActive->setObjectName(QStringLiteral("ListBoxActive"));
  QPalette listPalette = ListBoxActive->palette();
  listPalette.setColor(QPalette::Base, Qt::black);
  ListBoxActive->setPalette(listPalette);
  QFont listFont = ListBoxActive->font();
  listFont.setBold(true);
  ListBoxActive->setFont(listFont);
  ListBoxActive->setItemDelegate(new TSatelliteListDelegate(ListBoxActive));
  ListBoxActive->setUniformItemSizes(true);
  ListBoxActive->setContextMenuPolicy(Qt::CustomContextMenu);
  Place(ListBoxActive, 560 - kLeft, 55 - kTop, 169, 80);
  satelliteSearch_ = new TSatelliteSearch(EditSearch, ListBoxActive, this);
  // Under the list's lines, inside it: why the list shows so little, and what to do.
  LabelListHint = new QLabel(ListBoxActive->viewport());
  LabelListHint->setObjectName(QStringLiteral("LabelListHint"));
  LabelListHint->setWordWrap(true);
  LabelListHint->setAttribute(Qt::WA_TransparentForMouseEvents);
  QFont hintFont = font();
  hintFont.setBold(false);
  hintFont.setPointSizeF(hintFont.pointSizeF() * 0.85);
  LabelListHint->setFont(hintFont);
  // Light on the list's black: inside a view a label draws with the Text role, not WindowText.
  LabelListHint->setForegroundRole(QPalette::WindowText);
  QPalette hintPalette = LabelListHint->palette();
  hintPalette.setColor(QPalette::WindowText, QColor(208, 208, 208));
  LabelListHint->setPalette(hintPalette);
  auto* hintLayout = new QVBoxLayout(ListBoxActive->viewport());
  hintLayout->setContentsMargins(3, 1, 3, 1);
  hintLayout->addStretch(1);
  hintLayout->addWidget(LabelListHint);
  LabelListHint->hide();

  ButtonBank = new QPushButton(QStringLiteral("3"), this);
  ButtonBank->setObjectName(QStringLiteral("ButtonBank"));
  ButtonBank->setToolTip(QStringLiteral("Change active bank"));
  Place(ButtonBank, 560 - kLeft, 140 - kTop, 25, 21);

  CheckBoxAll = new catalogue::TcvnCheckBox(QStringLiteral("All satellites"), this);
  CheckBoxAll->setObjectName(QStringLiteral("CheckBoxAll"));
  CheckBoxAll->SetNamedAs(QStringLiteral("ShowAll"));
  CheckBoxAll->setChecked(false);
  CheckBoxAll->setToolTip(QStringLiteral("Display all satellites in Kepler data"));
  CheckBoxAll->adjustSize();
  Place(CheckBoxAll, 560 - kLeft, 166 - kTop, CheckBoxAll->width(), CheckBoxAll->height());
  // The bound control now has its designed state: it takes its stored one.
  CheckBoxAll->Loaded();

  bankSetting_ = std::make_unique<catalogue::TRegistryInteger>(QStringLiteral("NimbrelBank"), 0);
  ButtonBank->setVisible(BankButtonWanted());

  auto on = [this](auto* sender, auto signal, void (TSatellitesPanel::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  on(ButtonBank, &QPushButton::clicked, &TSatellitesPanel::ButtonBankClick);
  on(ListBoxActive, &QListWidget::itemClicked, &TSatellitesPanel::ListBoxActiveClick);
  on(ListBoxActive, &QListWidget::itemActivated, &TSatellitesPanel::ListBoxActiveClick);
  on(satelliteSearch_, &TSatelliteSearch::Applied, &TSatellitesPanel::UpdateListHint);
  connect(ListBoxActive, &QWidget::customContextMenuRequested, this,
          [this](QPoint at) { Guarded([this, at] { ShowListMenu(at); }); });
  // "All satellites" rebuilds the markers whoever changes it.
  on(CheckBoxAll, &QCheckBox::toggled, &TSatellitesPanel::CheckBoxAllClick);
  // Before the view's own subscriptions: the check box says what the markers are rebuilt for.
  on(&model_, &TSessionModel::DataChanged, &TSatellitesPanel::FollowShowAll);
  on(&model_, &TSessionModel::ShownChanged, &TSatellitesPanel::FollowShowAll);
  // Old elements are marked by the day, not at every tick of a clock that may run 30 times a second;
  // between days a set may still cross the two-week line, which shows within a second.
  on(&model_, &TSessionModel::DayChanged, &TSatellitesPanel::MarkOldElements);
  // A tick within the second after the last marking is marked when that second is over, so that a
  // clock that stops meanwhile still leaves the marks for the time it shows.
  marksLater_ = new QTimer(this);
  marksLater_->setSingleShot(true);
  on(marksLater_, &QTimer::timeout, &TSatellitesPanel::MarkOldElements);
  connect(&model_, &TSessionModel::TimeChanged, this, [this] {
    const auto now = SteadyNow();
    if (now - marksAt_ >= kMarksPeriod || now < marksAt_) {
      Guarded([this] { MarkOldElements(); });
    } else if (!marksLater_->isActive()) {
      marksLater_->start(
          std::chrono::duration_cast<std::chrono::milliseconds>(kMarksPeriod - (now - marksAt_)));
    }
  });
}

TSatellitesPanel::~TSatellitesPanel() = default;

int TSatellitesPanel::BankSettingValue() const noexcept {
  return bankSetting_ ? bankSetting_->Value() : -1;
}

void TSatellitesPanel::Guarded(const std::function<void()>& handler) noexcept {
  RunGuarded(sink_, handler);
}

void TSatellitesPanel::FollowShowAll() {
  if (CheckBoxAll->isChecked() == model_.ShowAll()) return;
  const QSignalBlocker block(CheckBoxAll);
  CheckBoxAll->setChecked(model_.ShowAll());
}

void TSatellitesPanel::ShowMarkers(const TSceneContent& content) {
  ListBoxActive->setUpdatesEnabled(false);
  ListBoxActive->clear();
  const std::vector<const orbit::TSatellite*>& shown = content.Shown();
  std::vector<QString> searchKeys;
  searchKeys.reserve(shown.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const orbit::TSatellite* satellite = shown[i];
    auto* item = new QListWidgetItem(QString::fromStdString(satellite->Name()));
    item->setData(Qt::UserRole, QVariant::fromValue(const_cast<void*>(static_cast<const void*>(satellite))));
    const TRgb c = content.MarkerColour(i);
    item->setData(kColourRole, QColor(c.r, c.g, c.b));
    ListBoxActive->addItem(item);
    searchKeys.push_back(
        SatelliteSearchKey(item->text(), QString::fromStdString(satellite->CatalogueNumber())));
  }
  catalogueKeys_.clear();
  satelliteSearch_->SetKeys(std::move(searchKeys));
  ListBoxActive->setUpdatesEnabled(true);
  // New lines: their old-elements marking is due now, not only at the clock's next day.
  MarkOldElements();
}

std::chrono::steady_clock::time_point TSatellitesPanel::SteadyNow() const {
  return steadyNow_ ? steadyNow_() : std::chrono::steady_clock::now();
}

void TSatellitesPanel::MarkOldElements() {
  marksLater_->stop();
  marksAt_ = SteadyNow();
  // Once for the whole list; a clock outside the calendar has no age to tell.
  std::optional<double> jd;
  try {
    jd = orbit::JulianDateFromDateTime(model_.Time());
  } catch (const std::exception&) {
  }
  QFont italic = ListBoxActive->font();
  italic.setItalic(true);
  for (int i = 0; i < ListBoxActive->count(); ++i) {
    QListWidgetItem* item = ListBoxActive->item(i);
    const orbit::TSatellite* satellite = SatelliteOf(item);
    const QString note = satellite && jd ? ElementAgeNote(satellite->EpochAgeDays(*jd)) : QString();
    // Only changes are written: a write repaints the list.
    const bool old = !note.isEmpty();
    if (item->data(Qt::FontRole).isValid() != old)
      item->setData(Qt::FontRole, old ? QVariant(italic) : QVariant());
    const QString tip = old ? note.mid(2) : QString();  // without the leading ", "
    if (item->toolTip() != tip) item->setToolTip(tip);
  }
}

void TSatellitesPanel::UpdateListHint() {
  TListHintState state;
  state.all = CheckBoxAll->isChecked();
  state.bank = (bankSetting_ ? bankSetting_->Value() : 0) + 1;
  state.bankCount = static_cast<int>(model_.ActiveList().size());
  state.query = EditSearch->text().trimmed();
  for (int row = 0; row < ListBoxActive->count(); ++row)
    state.shownLines += ListBoxActive->item(row)->isHidden() ? 0 : 1;
  if (!state.query.isEmpty() && state.shownLines == 0 && !state.all) {
    // Keys for the whole catalogue only when a search finds nothing in the bank, and once per catalogue.
    const catalogue::TSatelliteList& catalogue = model_.Catalogue();
    if (catalogueKeys_.empty()) {
      catalogueKeys_.reserve(static_cast<std::size_t>(catalogue.Count()));
      for (int i = 0; i < catalogue.Count(); ++i)
        catalogueKeys_.push_back(SatelliteSearchKey(QString::fromStdString(catalogue.NameAt(i)),
                                                    QString::fromStdString(catalogue.CatalogueNumberAt(i))));
    }
    const QString query = SearchQuery(EditSearch->text());
    state.catalogueMatches =
        static_cast<int>(std::count_if(catalogueKeys_.begin(), catalogueKeys_.end(),
                                       [&query](const QString& key) { return key.contains(query); }));
  }
  const QString text = ListHintText(state);
  if (LabelListHint->text() != text) LabelListHint->setText(text);
  LabelListHint->setVisible(!text.isEmpty());
}

void TSatellitesPanel::ListBoxActiveClick() {
  const QListWidgetItem* item = ListBoxActive->currentItem();
  if (!item) return;
  MakePrimary(SatelliteCatalogueNumber(item));
}

void TSatellitesPanel::MakePrimary(const QString& number) {
  if (number.isEmpty() || number == model_.PrimaryNumber()) return;
  // Without the companion program this window stands in for it: the choice is stored as
  // nimbrel-settings stores it, so that the next start begins with it. The stored form has five
  // characters. A save that fails leaves the choice to this run, as the program's own saves do.
  if (number.size() == 5 && !catalogue::CompanionOwnsSettings()) catalogue::WritePrimary(number);
  model_.SetPrimary(number);
}

int TSatellitesPanel::ShownBank() const {
  const int bank = bankSetting_ ? bankSetting_->Value() : 0;
  if (bank < 0 || bank >= catalogue::kBankCount || StoredBank(bank).isEmpty()) return 0;
  return bank;
}

void TSatellitesPanel::ShowListMenu(QPoint at) {
  QListWidgetItem* item = ListBoxActive->itemAt(at);
  if (!item) item = ListBoxActive->currentItem();  // the keyboard's menu key
  if (!item) return;
  ListBoxActive->setCurrentItem(item);
  const QString number = SatelliteCatalogueNumber(item);
  // The lists name satellites by five characters; nothing past Z9999 can be stored in them.
  const bool storable = number.size() == 5 && !catalogue::CompanionOwnsSettings();
  QMenu menu(this);
  QAction* primary = menu.addAction(QStringLiteral("Make primary"));
  primary->setEnabled(number != model_.PrimaryNumber());
  menu.addSeparator();
  QAction* add[catalogue::kBankCount] = {};
  for (int bank = 0; bank < catalogue::kBankCount; ++bank) {
    add[bank] = menu.addAction(QStringLiteral("Add to bank %1").arg(bank + 1));
    add[bank]->setEnabled(storable && !StoredBank(bank).contains(number));
  }
  QAction* remove = menu.addAction(QStringLiteral("Remove from bank"));
  remove->setEnabled(storable && StoredBank(ShownBank()).contains(number));
  QAction* chosen =
      menu.exec(ListBoxActive->viewport()->mapToGlobal(ListBoxActive->visualItemRect(item).center()));
  if (!chosen) return;
  if (chosen == primary) ListBoxActiveClick();
  if (chosen == remove) RemoveFromBank();
  for (int bank = 0; bank < catalogue::kBankCount; ++bank) {
    if (chosen == add[bank]) AddToBank(bank);
  }
}

void TSatellitesPanel::AddToBank(int bank) {
  const QListWidgetItem* item = ListBoxActive->currentItem();
  if (!item) return;
  const QString number = SatelliteCatalogueNumber(item);
  QStringList numbers = StoredBank(bank);
  if (number.isEmpty() || numbers.contains(number)) return;
  numbers.append(number);
  StoreBank(bank, numbers);
}

void TSatellitesPanel::RemoveFromBank() {
  const QListWidgetItem* item = ListBoxActive->currentItem();
  if (!item) return;
  const int bank = ShownBank();
  QStringList numbers = StoredBank(bank);
  if (numbers.removeAll(SatelliteCatalogueNumber(item)) == 0) return;
  StoreBank(bank, numbers);
}

void TSatellitesPanel::StoreBank(int bank, const QStringList& numbers) {
  const catalogue::TCompanionWrite written = catalogue::WriteActiveList(bank, numbers);
  if (!written) {
    TellUser(sink_, QStringLiteral("NimbrelGL - cannot store the bank"), WriteFailureText(written));
    return;
  }
  if (BankButtonWanted()) ButtonBank->show();
  // The markers follow when the edited bank is the one shown (itself, or bank 1 standing in for it).
  const std::optional<QStringList> shown = ReadActiveList(bankSetting_->Value());
  if (!shown) return;
  editingBank_ = true;
  model_.SetActiveList(*shown);
  editingBank_ = false;
}

void TSatellitesPanel::CheckBoxAllClick() {
  model_.SetShowAll(CheckBoxAll->isChecked());
}

void TSatellitesPanel::LoadActiveList(bool /*atStartUp*/) {
  const int bank = bankSetting_->Value();
  ButtonBank->setText(QString::number(static_cast<qint64>(bank) + 1));
  QStringList list = model_.ActiveList();
  if (const std::optional<QStringList> stored = ReadActiveList(bank)) list = *stored;
  if (list.isEmpty()) {
    list = catalogue::SplitCommaList(catalogue::ReadCompanionText(catalogue::ActiveListValueName(0)));
  }
  // Without the companion an empty bank is the normal start: the hint under the list says what to do.
  if (list.isEmpty() && CompanionInstalled()) ShowNoActiveListMessage(sink_);
  model_.SetActiveList(list);
}

void TSatellitesPanel::ButtonBankClick() {
  bankSetting_->SetValue((bankSetting_->Value() + 1) % catalogue::kBankCount);
  LoadActiveList(false);
}

}  // namespace nimbrel::app
