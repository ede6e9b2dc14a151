#include "app/StartUp.h"

#include <QDir>
#include <QFileInfo>
#include <exception>
#include <filesystem>
#include <memory>

#include "app/MessageSink.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/DataFolder.h"
#include "catalogue/KeplerFile.h"
#include "catalogue/SettingsStore.h"

namespace nimbrel::app {

using catalogue::TSatelliteList;

QString FindTopographyImage(const QString& currentFolder, const QString& executableFolder) {
  const QString name = QString::fromLatin1(kTopographyImageName);
  const QString candidates[] = {
      QDir(currentFolder).absoluteFilePath(name),
      executableFolder + QStringLiteral("/") + name,
      executableFolder + QStringLiteral("/../") + name,
  };
  for (const QString& path : candidates) {
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

THomeLocation ReadHomeLocation() {
  THomeLocation home;
  const QStringList locations =
      catalogue::SplitCommaList(catalogue::ReadCompanionText(QString::fromLatin1(catalogue::kLocationList)));
  const int index =
      catalogue::LocationIndex(catalogue::ReadCompanionInteger(QString::fromLatin1(catalogue::kLocationNum)));
  if (index >= locations.size()) {
    // No usable entry: a default place in Scotland, viewed from "Manual".
    home.lonDeg = -3.2;
    home.latDeg = 56.0;
    return home;
  }
  const QStringList fields = catalogue::SplitCommaList(locations[index]);
  if (fields.size() != catalogue::kLocationFieldCount) return home;
  // A field that is not a number ends the reading with what was assigned so far.
  const std::optional<float> lon = catalogue::ReadLocationReal(fields[catalogue::kLocationLongitudeField]);
  if (!lon) return home;
  home.lonDeg = *lon;
  const std::optional<float> lat = catalogue::ReadLocationReal(fields[catalogue::kLocationLatitudeField]);
  if (!lat) return home;
  home.latDeg = *lat;
  home.heightM = catalogue::ReadLocationHeightM(fields[catalogue::kLocationHeightField]);
  home.fromList = true;
  return home;
}

bool operator==(const THomeLocation& a, const THomeLocation& b) noexcept {
  return a.lonDeg == b.lonDeg && a.latDeg == b.latDeg && a.heightM == b.heightM && a.fromList == b.fromList;
}

void AddFallbackSets(TSatelliteList& catalogue) {
  struct TFallback {
    const char* name;
    const char* line1;
    const char* line2;
  };
  static constexpr TFallback kSets[] = {
      {"HST", "1 20580U 90037B   06002.55377201 +.00000866 +00000-0 +55032-4 0 05054",
       "2 20580 028.4685 049.5419 0003844 224.6250 135.4033 14.99938437660202"},
      {"ISS", "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
       "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269"},
  };
  for (const TFallback& set : kSets) {
    catalogue.AddObject(set.name, std::make_unique<orbit::TSatellite>(
                                      orbit::TSatellite::Create(set.name, set.line1, set.line2)));
  }
}

namespace {
QString UnreadableList(const std::vector<catalogue::TUnreadableFile>& unreadable) {
  QString text;
  for (const catalogue::TUnreadableFile& file : unreadable) {
    text += QStringLiteral("\n") + QString::fromStdString(file.path) + QStringLiteral(": ") +
            QString::fromStdString(file.reason);
  }
  return text;
}
}  // namespace

QString KeplerWarningText(const QString& folder, const std::vector<catalogue::TUnreadableFile>& unreadable) {
  QString text = QStringLiteral("Folder: ") + folder + QStringLiteral(" contains no Keplers") +
                 QStringLiteral("\n\n") +
                 QStringLiteral("Warning:  Temporary satellite data for the ISS (International ") +
                 QStringLiteral("Space Station) and the HST has been added.  You should download ") +
                 QStringLiteral("up-to-date orbit data from the Web site ") +
                 QString::fromLatin1(kKeplerDataAddress) + QStringLiteral(" and store the text file ") +
                 QStringLiteral("in that folder.  Orbit data can become ") +
                 QStringLiteral("inaccurate within a week or two so you must update your Kepler ") +
                 QStringLiteral("data regularly.");
  if (!unreadable.empty())
    text += QStringLiteral("\n\nThese Kepler files could not be read:") + UnreadableList(unreadable);
  return text;
}

QString FirstStartText(const QString& folder, const std::vector<catalogue::TUnreadableFile>& unreadable) {
  QString text =
      QStringLiteral("NimbrelGL reads Kepler data from the folder %1, which holds none yet.").arg(folder) +
      QStringLiteral("\n\n") +
      QStringLiteral(
          "Until there is some, it shows two old element sets from 2006, for the ISS and the HST: their "
          "positions are far from where the satellites are now.") +
      QStringLiteral("\n\n") +
      QStringLiteral(
          "Download up-to-date Kepler data now? NimbrelGL will fetch the space stations, the brightest "
          "satellites and the amateur radio satellites from CelesTrak into that folder. You can also put "
          "Kepler files there yourself, or choose other sources under File, Update Kepler data.");
  if (!unreadable.empty())
    text += QStringLiteral("\n\nThese Kepler files could not be read:") + UnreadableList(unreadable);
  return text;
}

QString NoElementSetsText(const QString& path) {
  return QStringLiteral("No element sets found in ") + path;
}

TKeplerData LoadKeplerData(const QStringList& arguments, TMessageSink& sink, bool offerDownload) {
  TKeplerData data;
  std::vector<catalogue::TUnreadableFile> unreadable;
  // What became of a Kepler file named on the command line, when it is not used.
  QString argumentNote;
  bool fromArgument = false;
  // The folder the user is told about is the one downloads go to, whatever else was read.
  const QString dataFolder = catalogue::KeplerDataFolder();
  if (!arguments.isEmpty() && QFileInfo(arguments.front()).isFile()) {
    // The file alone: nothing is scanned.
    const std::filesystem::path path = arguments.front().toStdString();
    try {
      data.catalogue.LoadFromFile(path);
    } catch (const catalogue::ECatalogueFileError& e) {
      unreadable.push_back({e.Path(), e.Reason()});
    } catch (const std::exception& e) {
      unreadable.push_back({path.string(), e.what()});
    }
    fromArgument = !unreadable.empty() || data.catalogue.Count() > 0;
    // A file without a single set is passed over for the data the program would read without it.
    if (!fromArgument) argumentNote = NoElementSetsText(arguments.front());
  } else if (!arguments.isEmpty()) {
    argumentNote = QStringLiteral("Could not find the Kepler file ") + arguments.front() +
                   QStringLiteral(" named on the command line.");
  }
  if (fromArgument) {
    data.showAllAtStart = true;
  } else {
    data.catalogue = TSatelliteList::Create(dataFolder.toStdString());
    unreadable = data.catalogue.UnreadableFiles();
  }
  const QString note = argumentNote.isEmpty() ? QString() : QStringLiteral("\n\n") + argumentNote;
  if (data.catalogue.Count() == 0) {
    data.dataFolderEmpty = !data.showAllAtStart;
    AddFallbackSets(data.catalogue);
    if (offerDownload && data.dataFolderEmpty) {
      data.firstStartText = FirstStartText(dataFolder, unreadable) + note;
    } else {
      sink.Show(QStringLiteral("NimbrelGL - cannot find Kepler data"),
                KeplerWarningText(dataFolder, unreadable) + note);
    }
    data.showAllAtStart = true;
  } else if (!unreadable.empty()) {
    sink.Show(QStringLiteral("NimbrelGL - cannot read Kepler data"),
              QStringLiteral("These Kepler files could not be read:") + UnreadableList(unreadable) + note);
  } else if (!argumentNote.isEmpty()) {
    sink.Show(QStringLiteral("NimbrelGL - cannot read Kepler data"), argumentNote);
  }
  return data;
}

std::optional<QStringList> ReadActiveList(int bank) {
  const QString valueName = catalogue::ActiveListValueName(bank);
  if (valueName.isEmpty()) return std::nullopt;
  QStringList list = catalogue::SplitCommaList(catalogue::ReadCompanionText(valueName));
  if (list.isEmpty())
    list = catalogue::SplitCommaList(catalogue::ReadCompanionText(catalogue::ActiveListValueName(0)));
  return list;
}

void ShowNoActiveListMessage(TMessageSink& sink) {
  sink.Show(
      QStringLiteral("NimbrelGL - cannot get active satellite list"),
      QStringLiteral("Could not find Nimbrel's active satellite list.") + QStringLiteral("\n\n") +
          QStringLiteral("You will get more enjoyment from NimbrelGL if you also download and install its "
                         "companion program Nimbrel from the Web site:") +
          QStringLiteral("\n\n") + QString::fromLatin1(kCompanionAddress));
}

bool CompanionKeyExists() {
  try {
    return catalogue::TSettingsKey(catalogue::TSettingsRoot::srCurrentUser,
                                   catalogue::CompanionKeyPath().toStdString())
        .Exists();
  } catch (const std::exception&) {
    return false;
  }
}

bool CompanionInstalled() {
  return !catalogue::ReadProgramPath(QString::fromLatin1(catalogue::kCompanionProgram)).isEmpty();
}

bool BankButtonWanted() {
  if (CompanionInstalled()) return true;
  for (int bank = 0; bank < catalogue::kBankCount; ++bank) {
    if (!catalogue::SplitCommaList(catalogue::ReadCompanionText(catalogue::ActiveListValueName(bank)))
             .isEmpty()) {
      return true;
    }
  }
  return false;
}

QString ChoosePrimary(const TSatelliteList& catalogue, TMessageSink& sink) {
  const QString stored = catalogue::ReadCompanionText(QString::fromLatin1(catalogue::kPrimarySatCatNumber));
  if (!stored.isEmpty()) return stored;
  if (catalogue.IndexOfCatalogueNumber("25544") >= 0) return QStringLiteral("25544");
  if (catalogue.Count() > 0) return QString::fromStdString(catalogue.CatalogueNumberAt(0));
  sink.Show(QString(), QStringLiteral("Cannot run without Kepler data."));
  return {};
}

std::vector<const orbit::TSatellite*> MarkerSatellites(const TSatelliteList& catalogue,
                                                       const QString& primary, bool all,
                                                       const QStringList& activeList) {
  std::vector<const orbit::TSatellite*> satellites;
  auto add = [&catalogue, &satellites](const std::string& number) {
    const int index = catalogue.IndexOfCatalogueNumber(number);
    if (index >= 0) satellites.push_back(&catalogue.SatelliteAt(index));
  };
  const std::string primaryNumber = primary.toStdString();
  add(primaryNumber);
  if (all) {
    for (int i = 0; i < catalogue.Count(); ++i) {
      const std::string& number = catalogue.CatalogueNumberAt(i);
      if (number != primaryNumber) add(number);
    }
  } else {
    for (const QString& text : activeList) {
      const std::string number = text.toStdString();
      if (number != primaryNumber) add(number);
    }
  }
  return satellites;
}

}  // namespace nimbrel::app
