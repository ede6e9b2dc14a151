#pragma once
// The parts of start-up that the window and the snapshot share: where the topography image is, the
// home location, the Kepler data with its fallback sets and warnings, the active list of a bank and
// the primary satellite. They read the settings and the companion's values; none writes anything.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "catalogue/SatelliteList.h"

namespace nimbrel::app {

class TMessageSink;

inline constexpr const char* kTopographyImageName = "UserMapGL.jpg";
inline constexpr const char* kKeplerDataAddress = "https://celestrak.org/NORAD/elements/";
inline constexpr const char* kCompanionAddress = "https://www.corvane.example/nimbrel/";

// "UserMapGL.jpg" in the current folder, else in the executable's folder, else in the folder above
// it (written as "<folder>/../UserMapGL.jpg"); empty when it is in none of them.
QString FindTopographyImage(const QString& currentFolder, const QString& executableFolder);

struct THomeLocation {
  double lonDeg = 0;
  double latDeg = 0;
  // Above the sea, from the entry's third field; 0 when that is not a number.
  double heightM = 0;
  // The chosen entry of the location list had its five fields: the view starts at "Home loc.".
  bool fromList = false;
};
bool operator==(const THomeLocation& a, const THomeLocation& b) noexcept;
// The home location from the companion's "LocationList" and "LocationNum".
THomeLocation ReadHomeLocation();

struct TKeplerData {
  catalogue::TSatelliteList catalogue;
  bool showAllAtStart = false;
  // The data folder held no element set (and no file was named): a download is worth offering.
  bool dataFolderEmpty = false;
  // With the offer left to the caller: the one first-start message to ask it with.
  QString firstStartText;
};
// The catalogue from the first argument when it names an existing file, else from the data folder
// (catalogue::KeplerDataFolder: the companion's Kepler folder, else our own under the XDG data
// home); the two built-in sets with the warning, which names the data folder, when that leaves it
// empty. Files that could not be read are named in a message and start-up goes on; so is a first
// argument that names no file, or a file without a single element set (which is then passed over
// for the folder).
// `offerDownload`: the caller asks whether to download when the data folder is empty, with
// firstStartText, so that a new user meets one message rather than a warning followed by a question.
TKeplerData LoadKeplerData(const QStringList& arguments, TMessageSink& sink, bool offerDownload = false);
// Where the data folder is, that the two old built-in sets are shown, and the offer to download.
QString FirstStartText(const QString& folder, const std::vector<catalogue::TUnreadableFile>& unreadable);
// "No element sets found in FILE".
QString NoElementSetsText(const QString& path);
// Fills an empty catalogue with the two built-in sets, HST and ISS.
void AddFallbackSets(catalogue::TSatelliteList& catalogue);
QString KeplerWarningText(const QString& folder, const std::vector<catalogue::TUnreadableFile>& unreadable);

// The companion's active list of `bank` (0 to 2), "ActiveList" when that one is empty; nothing for a
// bank outside 0 to 2 (the list in use stays).
std::optional<QStringList> ReadActiveList(int bank);
// Tells the user that no active list was found.
void ShowNoActiveListMessage(TMessageSink& sink);
// The companion's key exists at all.
bool CompanionKeyExists();
// The companion program is installed: it has registered its path. Its key alone says nothing, since
// NimbrelGL writes there too (the home, the primary, the banks).
bool CompanionInstalled();
// The bank button is of use when the companion is registered or any of its banks holds a list.
bool BankButtonWanted();

// The stored primary, else the ISS when present, else the catalogue's first entry; empty (with the
// message) when the catalogue is empty too.
QString ChoosePrimary(const catalogue::TSatelliteList& catalogue, TMessageSink& sink);

// The satellites that get markers, in marker order: the primary first, then every satellite of the
// catalogue (all) or of the active list, each number that is not the primary once per mention.
// Numbers the catalogue does not hold are passed over.
std::vector<const orbit::TSatellite*> MarkerSatellites(const catalogue::TSatelliteList& catalogue,
                                                       const QString& primary, bool all,
                                                       const QStringList& activeList);

// A stored radio-group index as the group selects it: -1 (none) to the last item.
inline int ClampItemIndex(int value, int itemCount) noexcept {
  return value < -1 ? -1 : (value >= itemCount ? itemCount - 1 : value);
}

}  // namespace nimbrel::app
