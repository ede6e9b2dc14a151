#pragma once
// Finds texts that do not fit their widgets: a text is clipped when its width in its font is larger
// than the room the widget gives it. The check walks every visible widget under a root.

#include <QFont>
#include <QStringList>

class QWidget;

namespace nimbrel::app::testing {

// The font the fit is checked in, whatever the machine's desktop uses: DejaVu Sans, 9 points.
QFont TestFont();

// One line per clipped text: the widget's class and name, the text, and the widths.
QStringList ClippedTexts(const QWidget& root);

}  // namespace nimbrel::app::testing
