#include "app/StatusLine.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

#include "app/Clock.h"

namespace nimbrel::app {

namespace {

// Writes a label only when its text changes, and says whether it did.
bool SetTextIfChanged(QLabel* label, const QString& text) {
  if (label->text() == text) return false;
  label->setText(text);
  return true;
}

// Panel 3's line as it fits `width`: whole when it can; else with the name it begins with (after one
// space; `name` may carry the age of its elements) shortened; else without its start, so that azimuth,
// elevation and range stay in view.
QString FittedStatusLine(const QFontMetrics& metrics, int width, const QString& line, const QString& name) {
  if (metrics.horizontalAdvance(line) <= width) return line;
  const QString prefix = QStringLiteral(" ") + name;
  if (!name.isEmpty() && line.startsWith(prefix)) {
    const QString rest = line.mid(prefix.size());
    const int room = width - metrics.horizontalAdvance(QStringLiteral(" ") + rest);
    // Room for the name's first letter and the ellipsis at least, else the name says nothing.
    if (room >= metrics.horizontalAdvance(name.left(1) + QChar(0x2026))) {
      return QStringLiteral(" ") + metrics.elidedText(name, Qt::ElideRight, room) + rest;
    }
  }
  return metrics.elidedText(line, Qt::ElideLeft, width);
}

}  // namespace

TStatusLine::TStatusLine(QStatusBar* bar, QWidget* client) : QObject(bar) {
  const int widths[3] = {120, 200, 200};
  for (int i = 0; i < 4; ++i) {
    StatusPanels[i] = new QLabel(i < 3 ? static_cast<QWidget*>(bar) : client);
    StatusPanels[i]->setAlignment(Qt::AlignCenter);
    StatusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (i < 3) {
      StatusPanels[i]->setFixedWidth(widths[i]);
      bar->addWidget(StatusPanels[i]);
    } else {
      StatusPanels[i]->setObjectName(QStringLiteral("StatusPrimary"));
      StatusPanels[i]->installEventFilter(this);
    }
  }
  StatusDownload = new QLabel(bar);
  StatusDownload->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusDownload->hide();
  bar->addPermanentWidget(StatusDownload);
}

bool TStatusLine::eventFilter(QObject* watched, QEvent* event) {
  // A wider window has room for more of the line.
  if (watched == StatusPanels[3] && event->type() == QEvent::Resize && !primaryLine_.isEmpty())
    FitPrimaryLine();
  return QObject::eventFilter(watched, event);
}

void TStatusLine::FitWidths(const QFont& font) {
  const QFontMetrics metrics(font);
  const char* const measures[3] = {"  Fifteenchars  ", "  0000-MMM-00 at 23:34:45 UTC  ",
                                   "  Viewpoint: 188.8dW  88.8dN  "};
  for (int i = 0; i < 3; ++i) {
    StatusPanels[i]->setFixedWidth(metrics.horizontalAdvance(QString::fromLatin1(measures[i])) + 4);
  }
  StatusPanels[0]->clear();
}

void TStatusLine::ShowHover(const QString& text) {
  QLabel* panel = StatusPanels[0];
  panel->setText(panel->fontMetrics().elidedText(text, Qt::ElideRight, panel->contentsRect().width()));
  panel->setToolTip(text);
}

void TStatusLine::ShowViewpoint(const QString& text) {
  StatusPanels[2]->setText(text);
}

void TStatusLine::ShowDate(orbit::TDateTime t, bool paintNow) {
  if (SetTextIfChanged(StatusPanels[1], StatusBarDate(t)) && paintNow) StatusPanels[1]->repaint();
}

void TStatusLine::ShowUpdate(const TSceneContent::TUpdateResult& result) {
  // The same line again (a stopped clock, or a running one between two changes of what it shows)
  // need not be measured and written.
  if (result.primaryStatus && (*result.primaryStatus != primaryLine_ || result.primaryHead != primaryHead_)) {
    // Centred like the others while it fits; a longer line is shortened from its start, and the
    // tooltip holds it whole.
    primaryLine_ = *result.primaryStatus;
    primaryHead_ = result.primaryHead;
    FitPrimaryLine();
  }
  if (result.viewpointStatus) SetTextIfChanged(StatusPanels[2], *result.viewpointStatus);
}

void TStatusLine::FitPrimaryLine() {
  QLabel* panel = StatusPanels[3];
  const QString shown =
      FittedStatusLine(panel->fontMetrics(), panel->contentsRect().width(), primaryLine_, primaryHead_);
  panel->setAlignment((shown == primaryLine_ ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
  SetTextIfChanged(panel, shown);
  if (panel->toolTip() != primaryLine_) panel->setToolTip(primaryLine_);
}

}  // namespace nimbrel::app
