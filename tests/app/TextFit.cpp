#include "TextFit.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTextDocument>
#include <QTreeWidget>
#include <algorithm>

namespace nimbrel::app::testing {

namespace {

// Room a view's cell leaves beside its text: the style's focus-frame margin and one pixel, both sides.
constexpr int kCellMargins = 6;
constexpr int kHeaderMargins = 8;
constexpr int kLineEditMargins = 8;

QString Describe(const QWidget& widget, const QString& text, int needed, int room) {
  return QStringLiteral("%1 %2: \"%3\" needs %4 px, has %5")
      .arg(QString::fromLatin1(widget.metaObject()->className()), widget.objectName(), text)
      .arg(needed)
      .arg(room);
}

int TextWidth(const QFontMetrics& metrics, QString text) {
  text.remove(QLatin1Char('&'));
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n')))
    widest = std::max(widest, metrics.horizontalAdvance(line));
  return widest;
}

void CheckLabel(const QLabel& label, QStringList& out) {
  if (label.text().isEmpty() || !label.pixmap().isNull()) return;
  if (label.wordWrap() || Qt::mightBeRichText(label.text())) {
    const int needed = label.heightForWidth(label.width());
    if (needed > label.height())
      out << Describe(label, label.text(), needed, label.height()) + QStringLiteral(" (height)");
    return;
  }
  const int room = label.contentsRect().width() - 2 * label.margin() - std::max(0, label.indent());
  const int needed = TextWidth(label.fontMetrics(), label.text());
  if (needed > room) out << Describe(label, label.text(), needed, room);
}

void CheckButton(const QAbstractButton& button, QStringList& out) {
  if (button.text().isEmpty()) return;
  if (qobject_cast<const QCheckBox*>(&button) || qobject_cast<const QRadioButton*>(&button)) {
    if (button.sizeHint().width() > button.width())
      out << Describe(button, button.text(), button.sizeHint().width(), button.width());
    return;
  }
  const int needed = TextWidth(button.fontMetrics(), button.text()) + 6;
  if (needed > button.width()) out << Describe(button, button.text(), needed, button.width());
}

void CheckLineEdit(const QLineEdit& edit, QStringList& out) {
  // A spin box's own field is checked with the text it shows.
  const QString text = edit.text().isEmpty() ? edit.placeholderText() : edit.text();
  if (text.isEmpty()) return;
  const QMargins margins = edit.textMargins();
  const int room = edit.width() - kLineEditMargins - margins.left() - margins.right();
  const int needed = edit.fontMetrics().horizontalAdvance(text);
  if (needed > room) out << Describe(edit, text, needed, room);
}

void CheckComboBox(const QComboBox& combo, QStringList& out) {
  if (combo.currentText().isEmpty()) return;
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.editable = combo.isEditable();
  option.frame = combo.hasFrame();
  option.currentText = combo.currentText();
  const QRect field =
      combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo);
  const int needed = combo.fontMetrics().horizontalAdvance(combo.currentText());
  if (needed > field.width()) out << Describe(combo, combo.currentText(), needed, field.width());
}

void CheckHeader(const QHeaderView& header, const QWidget& owner, QStringList& out) {
  if (header.isHidden()) return;
  for (int section = 0; section < header.count(); ++section) {
    if (header.isSectionHidden(section)) continue;
    const QString text = header.model()->headerData(section, header.orientation()).toString();
    const int needed = header.fontMetrics().horizontalAdvance(text) + kHeaderMargins;
    if (needed > header.sectionSize(section))
      out << Describe(owner, text, needed, header.sectionSize(section)) + QStringLiteral(" (column title)");
  }
}

void CheckTable(const QTableWidget& table, QStringList& out) {
  CheckHeader(*table.horizontalHeader(), table, out);
  for (int row = 0; row < std::min(table.rowCount(), 50); ++row) {
    for (int column = 0; column < table.columnCount(); ++column) {
      const QTableWidgetItem* item = table.item(row, column);
      if (!item || table.isColumnHidden(column)) continue;
      const int needed = table.fontMetrics().horizontalAdvance(item->text()) + kCellMargins;
      if (needed > table.columnWidth(column))
        out << Describe(table, item->text(), needed, table.columnWidth(column));
    }
  }
}

void CheckTree(const QTreeWidget& tree, QStringList& out) {
  if (!tree.isHeaderHidden()) CheckHeader(*tree.header(), tree, out);
  for (int row = 0; row < std::min(tree.topLevelItemCount(), 50); ++row) {
    const QTreeWidgetItem* item = tree.topLevelItem(row);
    for (int column = 0; column < tree.columnCount(); ++column) {
      if (item->text(column).isEmpty()) continue;
      const QFontMetrics metrics(item->font(column));
      const int box = item->data(column, Qt::CheckStateRole).isValid() ? 22 : 0;
      const int needed = metrics.horizontalAdvance(item->text(column)) + kCellMargins + box;
      if (needed > tree.columnWidth(column))
        out << Describe(tree, item->text(column), needed, tree.columnWidth(column));
    }
  }
}

// A control inside a scroll area that runs past the area's right edge is cut off just the same.
void CheckScrolledOff(const QWidget& widget, QStringList& out) {
  for (const QWidget* parent = widget.parentWidget(); parent; parent = parent->parentWidget()) {
    const auto* area = qobject_cast<const QScrollArea*>(parent);
    if (!area) continue;
    // The area's own scroll bars are not in its viewport.
    if (!area->viewport()->isAncestorOf(&widget)) return;
    const int right = widget.mapTo(area->viewport(), QPoint(widget.width(), 0)).x();
    if (right > area->viewport()->width() + 1)
      out << Describe(widget, QStringLiteral("(its right edge)"), right, area->viewport()->width());
    return;
  }
}

}  // namespace

QFont TestFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSize(9);
  return font;
}

QStringList ClippedTexts(const QWidget& root) {
  QStringList out;
  const QList<QWidget*> widgets = root.findChildren<QWidget*>();
  for (const QWidget* widget : widgets) {
    if (!widget->isVisible() || widget->isWindow()) continue;
    CheckScrolledOff(*widget, out);
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      CheckLabel(*label, out);
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      CheckButton(*button, out);
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
      CheckLineEdit(*edit, out);
    } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
      CheckComboBox(*combo, out);
    } else if (const auto* table = qobject_cast<const QTableWidget*>(widget)) {
      CheckTable(*table, out);
    } else if (const auto* tree = qobject_cast<const QTreeWidget*>(widget)) {
      CheckTree(*tree, out);
    } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
      const int needed = TextWidth(group->fontMetrics(), group->title()) + 16;
      if (!group->title().isEmpty() && needed > group->width())
        out << Describe(*group, group->title(), needed, group->width());
    }
  }
  return out;
}

}  // namespace nimbrel::app::testing
