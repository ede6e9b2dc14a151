#include "app/UserMessages.h"

#include "catalogue/KeplerFile.h"
#include "scene/Picture.h"

namespace nimbrel::app {

namespace {

// A sentence ends with one full stop, whatever the reason ends with.
QString Sentence(QString text) {
  if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
  return text;
}

}  // namespace

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
