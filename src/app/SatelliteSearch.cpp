#include "app/SatelliteSearch.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <optional>

#include "catalogue/CatalogueNumber.h"

namespace nimbrel::app {

namespace {
// Between the parts of a key: a line edit never holds it, so no query can match across two parts.
constexpr QChar kPartSeparator = u'\n';
}  // namespace

QString SatelliteSearchKey(const QString& name, const QString& catalogueNumber) {
  QString key = name.toCaseFolded() + kPartSeparator + catalogueNumber.trimmed().toCaseFolded();
  const std::optional<std::int64_t> number = catalogue::CatalogueNumberValue(catalogueNumber.toStdString());
  if (number) key += kPartSeparator + QString::number(*number);
  return key;
}

QString SearchQuery(const QString& typed) {
  return typed.trimmed().toCaseFolded();
}

TSatelliteSearch::TSatelliteSearch(QLineEdit* field, QListWidget* list, QObject* parent)
    : QObject(parent), field_(field), list_(list) {
  connect(field_, &QLineEdit::textChanged, this, &TSatelliteSearch::Apply);
  field_->installEventFilter(this);
}

void TSatelliteSearch::SetKeys(std::vector<QString> keys) {
  keys_ = std::move(keys);
  // The lines are new and all shown: the next Apply must look at every one of them.
  applied_.clear();
  Apply();
}

void TSatelliteSearch::Apply() {
  const QString query = SearchQuery(field_->text());
  if (query == applied_ && !query.isEmpty()) return;
  const int count = std::min(list_->count(), static_cast<int>(keys_.size()));
  list_->setUpdatesEnabled(false);
  for (int row = 0; row < count; ++row) {
    QListWidgetItem* item = list_->item(row);
    const bool shown = query.isEmpty() || keys_[static_cast<std::size_t>(row)].contains(query);
    if (item->isHidden() == shown) item->setHidden(!shown);
  }
  list_->setUpdatesEnabled(true);
  applied_ = query;
  // Keep the chosen line in view when it still matches.
  if (QListWidgetItem* current = list_->currentItem(); current && !current->isHidden()) {
    list_->scrollToItem(current);
  }
  emit Applied();
}

bool TSatelliteSearch::eventFilter(QObject* watched, QEvent* event) {
  // Only key events are looked at: others reach us while the field is being destroyed, when it is
  // no longer a line edit.
  const auto type = event->type();
  if (watched == field_ && (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !field_->text().isEmpty()) {
    // Taken here, before any shortcut of the window, while there is text to clear.
    event->accept();
    if (type == QEvent::KeyPress) field_->clear();
    return type == QEvent::KeyPress;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace nimbrel::app
