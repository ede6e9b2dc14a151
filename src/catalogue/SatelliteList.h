#pragma once
// TSatelliteList: the catalogue of every satellite the program knows, each filed under its display
// name, filled from Kepler files.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "orbit/Satellite.h"

namespace nimbrel::catalogue {

// Orders names byte by byte with a-z read as A-Z, so names that differ only in the case of ASCII
// letters are the same name.
struct TNameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};

// Where a file's sets come from. Public sets: one per object, the newest epoch wins. Supplemental
// sets (CelesTrak's SupGP data, from operators' own ephemerides) are fitted from their epoch
// forward and an object can have several; they are all kept, the one in use at a time is the one
// with the latest epoch not after it (orbit::TSetChooser), and they rank above any public set of
// the same object.
enum class TSetOrigin { soPublic, soSupplemental };

// A file whose name (without its folder) begins with "sup-", letter case ignored, holds
// supplemental sets: the downloader names CelesTrak's supplemental sources so.
bool IsSupplementalFile(const std::filesystem::path& path);

// A file of the Kepler folder that could not be read, with why, for the main window to report.
struct TUnreadableFile {
  std::string path;
  std::string reason;
};

// Not for use from several threads at once, not even through const operations: the first index
// query after a change puts the names in order.
class TSatelliteList {
 public:
  // An empty catalogue; nothing is scanned.
  TSatelliteList() = default;
  TSatelliteList(TSatelliteList&&) noexcept = default;
  TSatelliteList& operator=(TSatelliteList&&) noexcept = default;
  TSatelliteList(const TSatelliteList&) = delete;
  TSatelliteList& operator=(const TSatelliteList&) = delete;
  ~TSatelliteList() = default;

  // A catalogue filled from the Kepler files in `folder`: the files matching "*.2li", then "*.tle",
  // then "*.txt", then "*.csv", "*.xml" and "*.json" (letter case ignored), each group in byte order
  // of the names, "TLEnotes.txt" in any letter case skipped. An empty folder means the current
  // folder. Files that exist but cannot be read, or are broken XML or JSON, are passed over and
  // listed in UnreadableFiles(); a folder that does not exist gives an empty catalogue.
  static TSatelliteList Create(const std::string& folder);

  // Adds the element sets of one Kepler file; never empties the catalogue first. The file's form
  // (two-line, or OMM as CSV, XML or JSON) is told by its content (DetectCatalogueFormat), its
  // origin by its name (IsSupplementalFile). Nothing of that name is silently ignored. Throws
  // ECatalogueFileError for a file that exists but cannot be read (see ReadKeplerFile), or that is XML or
  // JSON broken as a whole, with the parser's message and position as the reason; the catalogue is then
  // unchanged.
  void LoadFromFile(const std::filesystem::path& path);
  // The same for text already in memory. Bad records are skipped without a report; a broken XML or
  // JSON document throws EOmmDocumentError and adds nothing.
  void LoadFromText(std::string_view text, TSetOrigin origin = TSetOrigin::soPublic);

  // Destroys every satellite, empties the catalogue and forgets the unreadable files.
  void Clear() noexcept;

  int Count() const noexcept { return static_cast<int>(entries_.size()); }
  // The element sets the satellites hold, an object with several supplemental sets counting each.
  int SetCount() const noexcept;
  // The index of the entry whose name equals `name` with ASCII letter case ignored, or -1.
  int IndexOf(std::string_view name) const;
  // Files `satellite` under `name` and returns its index. When the name is taken (case ignored), the
  // entry keeps its name and place and the new satellite replaces the one it held. The satellite's
  // own fields are left alone. Costs up to O(Count()) for the index.
  int AddObject(std::string name, std::unique_ptr<orbit::TSatellite> satellite);
  // The first entry, in index order, whose satellite's catalogue number is exactly `catalogueNumber`
  // with a-z upper-cased; -1 when there is none or the text is shorter than five characters. Numbers
  // from 340000 up, which five characters cannot carry, are found under their decimal text.
  int IndexOfCatalogueNumber(std::string_view catalogueNumber) const;

  // The index operations throw std::out_of_range for an index outside [0, Count()).
  const std::string& NameAt(int index) const;
  const std::string& CatalogueNumberAt(int index) const;
  // The satellite stays owned by the catalogue. Catalogue numbers are indexed when a satellite is
  // filed: give a listed satellite a new element set through AddObject or loading, not in place, or
  // IndexOfCatalogueNumber will no longer find it.
  orbit::TSatellite& SatelliteAt(int index);
  const orbit::TSatellite& SatelliteAt(int index) const;

  // The folder given to Create, ending in "/" ("./" for the current folder).
  const std::string& KeplerFolder() const noexcept { return keplerFolder_; }
  const std::vector<TUnreadableFile>& UnreadableFiles() const noexcept { return unreadableFiles_; }

 private:
  struct TEntry {
    std::unique_ptr<orbit::TSatellite> satellite;
    std::string indexedNumber;  // the catalogue number this entry is found under
    bool supplemental = false;  // its sets came from supplemental files
  };
  // Names hash and compare with ASCII case folded, like TNameLess.
  struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept;
  };
  struct TNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
  };
  // Loading looks every set up by name and by catalogue number; hash tables keep that from costing
  // a walk, or a tree descent through thousands of similar names, per set. Entries never move in
  // memory, so the indexes below point at them.
  using TEntries = std::unordered_map<std::string, TEntry, TNameHash, TNameEqual>;
  using TSlot = TEntries::value_type;

  void ScanFolder();
  // Reads the sets of a text and hands each good one to `sink` as a satellite, with its record's
  // name. A set the sink or the orbit code rejects (EOrbitError) is lost on its own.
  using TSatelliteSink = std::function<void(std::unique_ptr<orbit::TSatellite>, const std::string&)>;
  static void ReadSatellites(std::string_view text, const TSatelliteSink& sink);
  // Files a satellite read from a file under the name its record gave, applying the duplicate rules.
  void AddSatellite(std::unique_ptr<orbit::TSatellite> satellite, const std::string& recordName,
                    TSetOrigin origin = TSetOrigin::soPublic);
  // Files one supplemental object's sets of one text, beside the sets it already has.
  void AddSupplemental(std::vector<orbit::TElementSet> sets, const std::string& recordName);
  TSlot* FindName(std::string_view name);
  // A new entry; the name must be free.
  TSlot* Insert(std::string name, std::unique_ptr<orbit::TSatellite> satellite);
  // The entry keeps its name and place and takes the satellite.
  void Replace(TSlot* entry, std::unique_ptr<orbit::TSatellite> satellite);
  void Erase(TSlot* entry);
  void Index(TSlot* entry);
  void Unindex(TSlot* entry);
  TSlot* FindNumber(std::string_view catalogueNumber) const;
  void RefreshOrder() const;
  std::vector<const TSlot*>::const_iterator OrderPosition(std::string_view name) const;
  int IndexOfEntry(const TSlot* entry) const;
  const TSlot& At(int index) const;

  TEntries entries_;
  // Several entries share a number only when AddObject filed them so.
  // The numbers are held in the index itself (five characters stay inside the string), so a lookup
  // touches no entry until it has found one.
  struct TNumberHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view number) const noexcept {
      return std::hash<std::string_view>()(number);
    }
  };
  std::unordered_multimap<std::string, TSlot*, TNumberHash, std::equal_to<>> byNumber_;
  // Entries in index order, sorted again on the first index query after loading changed the
  // catalogue, so that loading thousands of sets does not shift an array per insertion.
  mutable std::vector<const TSlot*> order_;
  mutable bool orderStale_ = false;
  std::string keplerFolder_;
  std::vector<TUnreadableFile> unreadableFiles_;
};

}  // namespace nimbrel::catalogue
