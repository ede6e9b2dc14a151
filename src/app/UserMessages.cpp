#include "app/UserMessages.h"

#include <cstdio>

#include "catalogue/KeplerFile.h"
#include "scene/Picture.h"

namespace nimbrel::app {

namespace {

// A sentence ends with one full stop, whatever the reason ends with.
QString Sentence(QString text) {
  if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
  return text;
}

void ReportDetails(const QString& details) {
  std::fprintf(stderr, "NimbrelGL: %s\n", details.toLocal8Bit().constData());
  std::fflush(stderr);
}

}  // namespace

QString HandlerErrorText(const std::exception& error) {
  if (dynamic_cast<const EUserMessage*>(&error)) return QString::fromStdString(error.what());
  ReportDetails(QString::fromStdString(error.what()));
  return QStringLiteral(
      "NimbrelGL could not finish this step and carries on as before. The details have been written to "
      "standard error.");
}

QString FrameErrorText(const QString& text) {
  // The renderer's own refusal is the one a user can act on; it is shown as the renderer says it.
  if (text == QLatin1String("Need at least OpenGL version 1.1")) return text;
  ReportDetails(text);
  return QStringLiteral("The 3D view could not be drawn. The details have been written to standard error.");
}

QString ImageErrorText(const QString& path, const std::exception& error) {
  const auto* picture = dynamic_cast<const scene::EPictureError*>(&error);
  if (!picture) return Sentence(QStringLiteral("Could not read the image ") + path);
  const QString what = QString::fromStdString(picture->what());
  if (what.startsWith(QLatin1String("Could not open file: "))) return what;
  return Sentence(QStringLiteral("Could not read the image ") + path + QStringLiteral(": ") +
                  QString::fromStdString(picture->Reason()));
}

QString KeplerFileErrorText(const QString& path, const std::exception& error) {
  const auto* file = dynamic_cast<const catalogue::ECatalogueFileError*>(&error);
  if (!file) return Sentence(QStringLiteral("Could not read the Kepler file ") + path);
  return Sentence(QStringLiteral("Could not read the Kepler file ") + path + QStringLiteral(": ") +
                  QString::fromStdString(file->Reason()));
}

}  // namespace nimbrel::app
