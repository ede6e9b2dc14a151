#include "app/MessageSink.h"

#include <QMessageBox>
#include <QRegularExpression>
#include <cstdio>

namespace nimbrel::app {

namespace {
QString CaptionOrName(const QString& caption) {
  return caption.isEmpty() ? QString::fromLatin1(kProgramName) : caption;
}
}  // namespace

void TMessageBoxSink::Show(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, CaptionOrName(caption), text, QMessageBox::Ok, parent_);
  box.exec();
}

bool TMessageBoxSink::Ask(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Question, CaptionOrName(caption), text, QMessageBox::Yes | QMessageBox::No,
                  parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

void TStandardErrorSink::Show(const QString& caption, const QString& text) {
  static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
  QString line = text;
  line.replace(lineBreaks, QStringLiteral(" "));
  const QByteArray out = (CaptionOrName(caption) + QStringLiteral(": ") + line.trimmed()).toLocal8Bit();
  std::fprintf(stderr, "%s\n", out.constData());
  std::fflush(stderr);
}

}  // namespace nimbrel::app
