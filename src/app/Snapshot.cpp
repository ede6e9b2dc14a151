#include "app/Snapshot.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <cstdio>
#include <exception>

#include "app/Clock.h"
#include "app/MessageSink.h"
#include "app/OrbitClass.h"
#include "app/SceneContent.h"
#include "app/StartUp.h"
#include "app/UserMessages.h"
#include "app/ViewMath.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/RegistryVariables.h"
#include "catalogue/SettingsStore.h"
#include "scene/Camera.h"
#include "scene/Lines.h"
#include "scene/OffscreenRenderer.h"

namespace nimbrel::app {

namespace {

constexpr int kDesignedViewWidth = 401;
constexpr int kQualityItemCount = 6;
constexpr int kTopographyItemCount = 2;

orbit::TDateTime ParseUtc(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}$"));
  if (!form.match(text).hasMatch()) {
    throw ECommandLineError("--utc wants YYYY-MM-DDTHH:MM:SS, not '" + text.toStdString() + "'");
  }
  const QDateTime at = QDateTime::fromString(text, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
  if (!at.isValid()) throw ECommandLineError("--utc: no such date and time: '" + text.toStdString() + "'");
  const QDate date = at.date();
  const QTime time = at.time();
  return orbit::EncodeDateTime(orbit::TCalendarTime{date.year(), date.month(), date.day(), time.hour(),
                                                    time.minute(), time.second(), 0});
}

QSize ParseSize(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
  const QRegularExpressionMatch match = form.match(text);
  const int width = match.hasMatch() ? match.captured(1).toInt() : 0;
  const int height = match.hasMatch() ? match.captured(2).toInt() : 0;
  if (width < 1 || height < 1 || width > kMaxSnapshotSide || height > kMaxSnapshotSide) {
    throw ECommandLineError("--size wants WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxSnapshotSide) +
                            ", not '" + text.toStdString() + "'");
  }
  return {width, height};
}

int ParseViewpoint(const QString& text) {
  for (std::size_t i = 0; i < kViewpointOptionNames.size(); ++i) {
    if (text.compare(QLatin1String(kViewpointOptionNames[i]), Qt::CaseInsensitive) == 0) {
      return static_cast<int>(i);
    }
  }
  throw ECommandLineError("--viewpoint wants manual, home, satellite, fly, sun or moon, not '" +
                          text.toStdString() + "'");
}

// The program's own settings as the window would find them, read without the setting objects, which
// would write them back.
class TStoredSettings {
 public:
  TStoredSettings() {
    try {
      const catalogue::TSettingsKey key(
          catalogue::SettingsRoot, catalogue::CompanyKeyPath(catalogue::ExecutableBaseName()).toStdString());
      if (key.Exists() && key.FullAccess()) values_ = key.Read();
    } catch (...) {
      // Unreadable settings leave the defaults, as in the window.
    }
  }
  int Integer(const char* name, int defaultValue) const {
    return values_.Integer(name).value_or(defaultValue);
  }
  bool Boolean(const char* name, bool defaultValue) const {
    const std::optional<std::int32_t> value = values_.Integer(name);
    return value ? *value != 0 : defaultValue;
  }

 private:
  catalogue::TSettingsValues values_;
};

}  // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
  TCommandLine line;
  TSnapshotOptions options;
  bool snapshot = false;
  bool utc = false;
  bool size = false;
  bool viewpoint = false;
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    auto value = [&]() -> QString {
      if (i + 1 >= arguments.size()) throw ECommandLineError(argument.toStdString() + " needs a value");
      return arguments[++i];
    };
    auto once = [&argument](bool& seen) {
      if (seen) throw ECommandLineError(argument.toStdString() + " given twice");
      seen = true;
    };
    if (argument == QLatin1String("--snapshot")) {
      once(snapshot);
      options.output = value();
      if (options.output.isEmpty()) throw ECommandLineError("--snapshot needs a file name");
    } else if (argument == QLatin1String("--utc")) {
      once(utc);
      options.utc = ParseUtc(value());
    } else if (argument == QLatin1String("--size")) {
      once(size);
      options.size = ParseSize(value());
    } else if (argument == QLatin1String("--viewpoint")) {
      once(viewpoint);
      options.viewpoint = ParseViewpoint(value());
    } else {
      line.arguments.push_back(argument);
    }
  }
  if ((utc || size || viewpoint) && !snapshot) {
    throw ECommandLineError("--utc, --size and --viewpoint belong to --snapshot");
  }
  if (snapshot) {
    for (const QString& argument : line.arguments) {
      if (argument.startsWith(QLatin1String("--"))) {
        throw ECommandLineError("unknown option " + argument.toStdString());
      }
    }
    line.snapshot = options;
  }
  return line;
}

int RunSnapshot(const TSnapshotOptions& options, const QStringList& arguments) {
  auto fail = [](const QString& text) {
    std::fprintf(stderr, "NimbrelGL: %s\n", text.toLocal8Bit().constData());
    return 1;
  };
  try {
    TStandardErrorSink sink;
    TSceneContent content;
    const TStoredSettings stored;

    // The globe as the window's creation leaves it.
    int quality = stored.Integer("DisplayQuality", 1);
    if (quality >= kQualityItemCount) quality = kQualityItemCount - 1;  // the group selects "Best"
    const int topography = ClampItemIndex(stored.Integer("Topography", 2), kTopographyItemCount);
    const QString texturePath =
        FindTopographyImage(QDir::currentPath(), QCoreApplication::applicationDirPath());
    if (!texturePath.isEmpty()) {
      try {
        content.LoadTexture(texturePath);
      } catch (const std::exception& e) {
        sink.Show(QString(), ImageErrorText(texturePath, e));
      }
    }
    content.ApplyGlobeAppearance(quality, topography);
    content.SetNightLook(NightLookOf(stored.Integer("NightSide", 0)));

    const THomeLocation home = ReadHomeLocation();
    content.SetHome(home.lonDeg, home.latDeg, home.heightM);
    TViewState& view = content.View();
    view.zoom = 4;
    view.cameraUp = {0, 1, 0, 0};
    view.viewpoint = options.viewpoint.value_or(home.fromList ? 1 : 0);
    // The satellite, Sun and Moon viewpoints are placed by the update; until then the camera stands
    // where the window's would.
    if (view.viewpoint == 1 || (view.viewpoint != 0 && home.fromList)) {
      view.viewLon = static_cast<float>(home.lonDeg);
      view.viewLat = static_cast<float>(home.latDeg);
    } else {
      // The track bars' designed middle positions.
      const TViewLonLat middle = ViewFromTrackBars(90, 180, 45, 90);
      view.viewLon = static_cast<float>(middle.lon);
      view.viewLat = static_cast<float>(middle.lat);
    }

    TKeplerData kepler = LoadKeplerData(arguments, sink);
    const int bank = stored.Integer("NimbrelBank", 0);
    QStringList activeList = ReadActiveList(bank).value_or(QStringList());
    if (activeList.isEmpty()) {
      activeList = catalogue::SplitCommaList(catalogue::ReadCompanionText(catalogue::ActiveListValueName(0)));
    }
    if (activeList.isEmpty() && CompanionKeyExists()) ShowNoActiveListMessage(sink);
    const QString primary = ChoosePrimary(kepler.catalogue, sink);

    content.RebuildMarkers(MarkerSatellites(kepler.catalogue, primary, kepler.showAllAtStart, activeList),
                           stored.Boolean("ShowTrails", true));
    content.OrbitLines().SetLinePattern(0xFFFF);
    content.ForgetSunTime();
    content.MainCamera().SetFocalLength(
        static_cast<float>(FocalLengthForWidth(options.size.width(), kDesignedViewWidth)));
    content.PlaceCamera();
    const orbit::TDateTime t =
        options.utc ? *options.utc : FromMilliseconds(ToMilliseconds(orbit::CurrentUtc()));
    content.UpdateScene(
        t, TDisplayChoices{stored.Boolean("ShowFootprint", true), stored.Boolean("ShowDaylight", true)});

    scene::TOffscreenRenderer renderer(content.Scene1(), options.size.width(), options.size.height());
    if (!renderer.Ready()) return fail(QStringLiteral("no OpenGL for the picture: ") + renderer.ErrorText());
    renderer.SetCamera(&content.MainCamera());
    renderer.SetBackgroundColor(Qt::black);
    QImage image = renderer.RenderImage();
    if (image.isNull()) return fail(QStringLiteral("the picture could not be rendered"));
    if (content.PointMarkers()) {
      // The key to the points' colours, where the window shows it.
      QPainter painter(&image);
      PaintOrbitLegend(painter, QPoint(6, 6));
    }
    if (!image.save(options.output, "PNG")) return fail(QStringLiteral("cannot write ") + options.output);
    return 0;
  } catch (const std::exception& e) {
    return fail(QString::fromLocal8Bit(e.what()));
  }
}

}  // namespace nimbrel::app
