#pragma once
// What the window's pages share to lay out their controls as the form designs them: each control at
// its designed place with the edges of its page it keeps its distance to, the radio groups with their
// items in columns, and the handlers run so that nothing they throw leaves a slot.

#include <QString>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QWidget;

namespace nimbrel::app {

class TMessageSink;

// Which edges of its page a control keeps its distance to when the page changes size.
enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// Puts `widget` at its designed place and remembers it with its anchors for LayOutAnchored.
void Place(QWidget* widget, int left, int top, int width, int height, unsigned anchors = akLeft | akTop);
// A label sized to its text, as the form's auto-sized labels are.
QLabel* AutoLabel(const QString& text, QWidget* parent, int left, int top, unsigned anchors = akLeft | akTop);
// A radio group: a framed box with its items in columns, filled column by column.
QGroupBox* RadioGroup(const QString& caption, const char* const* items, int count, int columns,
                      QButtonGroup*& buttons, QWidget* parent);
// The group's selected item, -1 for none.
int CheckedItem(const QButtonGroup* buttons);
// Selects item `index` (clamped to -1 .. last, -1 clearing the selection) without any signal; true
// when the selection changed, so that the caller runs the group's handler as a click would.
bool SelectItem(QButtonGroup* buttons, int index);
// Moves and sizes the placed children of `page` for a page `dw` wider and `dh` higher than designed:
// each keeps its distances to the edges it is anchored to.
void LayOutAnchored(QWidget* page, int dw, int dh);

// Runs a handler; what it throws is shown as the toolkit's default handler would show it.
void RunGuarded(TMessageSink& sink, const std::function<void()>& handler) noexcept;
// Shows a message; a sink that fails leaves nowhere to tell it.
void TellUser(TMessageSink& sink, const QString& caption, const QString& text) noexcept;

}  // namespace nimbrel::app
