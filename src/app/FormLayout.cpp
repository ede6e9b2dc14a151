#include "app/FormLayout.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <exception>
#include <stdexcept>

#include "app/MessageSink.h"
#include "app/StartUp.h"
#include "app/UserMessages.h"

namespace nimbrel::app {

namespace {
constexpr const char* kDesignedGeometry = "nimbrelDesignedGeometry";
constexpr const char* kAnchors = "nimbrelAnchors";
}  // namespace

void Place(QWidget* widget, int left, int top, int width, int height, unsigned anchors) {
  widget->setGeometry(left, top, width, height);
  widget->setProperty(kDesignedGeometry, QRect(left, top, width, height));
  widget->setProperty(kAnchors, anchors);
}

QLabel* AutoLabel(const QString& text, QWidget* parent, int left, int top, unsigned anchors) {
  auto* label = new QLabel(text, parent);
  label->adjustSize();
  Place(label, left, top, label->width(), label->height(), anchors);
  return label;
}

QGroupBox* RadioGroup(const QString& caption, const char* const* items, int count, int columns,
                      QButtonGroup*& buttons, QWidget* parent) {
  auto* box = new QGroupBox(caption, parent);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(6, 2, 6, 2);
  grid->setSpacing(0);
  buttons = new QButtonGroup(box);
  const int rows = (count + columns - 1) / columns;
  for (int i = 0; i < count; ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(items[i]), box);
    buttons->addButton(button, i);
    grid->addWidget(button, i % rows, i / rows);
  }
  return box;
}

int CheckedItem(const QButtonGroup* buttons) {
  return buttons ? buttons->checkedId() : -1;
}

bool SelectItem(QButtonGroup* buttons, int index) {
  const int count = static_cast<int>(buttons->buttons().size());
  index = ClampItemIndex(index, count);
  if (index == buttons->checkedId()) return false;
  if (index < 0) {
    QAbstractButton* checked = buttons->checkedButton();
    buttons->setExclusive(false);
    if (checked) {
      const QSignalBlocker block(checked);
      checked->setChecked(false);
    }
    buttons->setExclusive(true);
  } else {
    QAbstractButton* button = buttons->button(index);
    const QSignalBlocker block(button);
    button->setChecked(true);
  }
  return true;
}

void LayOutAnchored(QWidget* page, int dw, int dh) {
  for (QObject* child : page->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget || !widget->property(kAnchors).isValid()) continue;
    const QRect designed = widget->property(kDesignedGeometry).toRect();
    const unsigned anchors = widget->property(kAnchors).toUInt();
    QRect r = designed;
    if (anchors & akRight) {
      if (anchors & akLeft) {
        r.setWidth(designed.width() + dw);
      } else {
        r.moveLeft(designed.left() + dw);
      }
    }
    if (anchors & akBottom) {
      if (anchors & akTop) {
        r.setHeight(designed.height() + dh);
      } else {
        r.moveTop(designed.top() + dh);
      }
    }
    widget->setGeometry(r);
  }
}

void RunGuarded(TMessageSink& sink, const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    TellUser(sink, QString(), HandlerErrorText(e));
  } catch (...) {
    TellUser(sink, QString(), HandlerErrorText(std::runtime_error("unknown error")));
  }
}

void TellUser(TMessageSink& sink, const QString& caption, const QString& text) noexcept {
  try {
    sink.Show(caption, text);
  } catch (...) {
    // Nowhere left to tell it.
  }
}

}  // namespace nimbrel::app
