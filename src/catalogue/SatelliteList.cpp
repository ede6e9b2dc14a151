#include "SatelliteList.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "KeplerFile.h"
#include "KeplerRecords.h"
#include "OmmReaders.h"

namespace nimbrel::catalogue {

namespace {

char UpperAscii(char c) noexcept {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The listing masks, in the order their files are read: the two-line files first, as always, then
// the forms public catalogues hand out OMM files in. Every file is read by its content, whatever its
// name says.
constexpr std::array<std::string_view, 6> kMaskExtensions = {".2li", ".tle", ".txt", ".csv", ".xml", ".json"};
// A notes file kept in Kepler folders; it matches "*.txt" but holds no element sets.
constexpr std::string_view kNotesFile = "TLENOTES.TXT";

bool EqualsIgnoringCase(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

// Which mask a file name matches (each "*" mask matches any name ending in its extension, the
// extension alone included), or -1.
int MaskOf(std::string_view name) noexcept {
  for (std::size_t i = 0; i < kMaskExtensions.size(); ++i) {
    const std::string_view extension = kMaskExtensions[i];
    if (name.size() >= extension.size() &&
        EqualsIgnoringCase(name.substr(name.size() - extension.size()), extension)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// One step of a double apart counts as the same epoch: the same set read from element lines and
// from an OMM file can come out so, and it would otherwise replace the set read first. Two-line
// epochs are always several steps apart (a step is some 40 microseconds at today's Julian dates).
bool IsLaterEpoch(double candidate, double held) noexcept {
  return candidate > std::nextafter(held, std::numeric_limits<double>::infinity());
}

}  // namespace

bool TNameLess::operator()(std::string_view a, std::string_view b) const noexcept {
  // Names in one catalogue share long prefixes ("COSMOS 2251 DEB"), so equal bytes are passed over
  // before any folding.
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const auto x = static_cast<unsigned char>(UpperAscii(a[i]));
    const auto y = static_cast<unsigned char>(UpperAscii(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::size_t TSatelliteList::TNameHash::operator()(std::string_view name) const noexcept {
  // FNV-1a over the folded bytes.
  std::uint64_t hash = 14695981039346656037u;
  for (char c : name) {
    hash ^= static_cast<unsigned char>(UpperAscii(c));
    hash *= 1099511628211u;
  }
  return static_cast<std::size_t>(hash);
}

bool TSatelliteList::TNameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  return EqualsIgnoringCase(a, b);
}

TSatelliteList TSatelliteList::Create(const std::string& folder) {
  TSatelliteList list;
  // There is no drive root to fall back on here: an empty folder is the current folder, where the
  // program tells users to put their Kepler files.
  list.keplerFolder_ = folder.empty() ? "./" : folder;
  if (list.keplerFolder_.back() != '/') list.keplerFolder_ += '/';
  list.ScanFolder();
  return list;
}

void TSatelliteList::ScanFolder() {
  // Directory listings come in no stable order on Linux; sorting each mask's names by bytes keeps
  // "the set read first stays" the same from run to run.
  std::array<std::vector<std::string>, kMaskExtensions.size()> names;
  std::error_code error;
  std::filesystem::directory_iterator listing(keplerFolder_, error);
  if (error == std::errc::no_such_file_or_directory) return;
  for (; !error && listing != std::filesystem::directory_iterator(); listing.increment(error)) {
    std::string name = listing->path().filename().string();
    const int mask = MaskOf(name);
    if (mask >= 0 && !EqualsIgnoringCase(name, kNotesFile)) {
      names[static_cast<std::size_t>(mask)].push_back(std::move(name));
    }
  }
  // A listing that fails part-way still gives the files it found.
  if (error) unreadableFiles_.push_back({keplerFolder_, error.message()});

  for (std::vector<std::string>& group : names) {
    std::sort(group.begin(), group.end());
    for (const std::string& name : group) {
      const std::string path = keplerFolder_ + name;
      try {
        LoadFromFile(path);
      } catch (const ECatalogueFileError& e) {
        unreadableFiles_.push_back({path, e.Reason()});
      }
    }
  }
}

bool IsSupplementalFile(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  return name.size() >= 4 && EqualsIgnoringCase(std::string_view(name).substr(0, 4), "sup-");
}

void TSatelliteList::LoadFromFile(const std::filesystem::path& path) {
  const std::optional<std::string> text = ReadKeplerFile(path);
  if (!text) return;
  try {
    LoadFromText(*text, IsSupplementalFile(path) ? TSetOrigin::soSupplemental : TSetOrigin::soPublic);
  } catch (const EOmmDocumentError& e) {
    throw ECatalogueFileError(path.string(), e.what());
  }
}

void TSatelliteList::LoadFromText(std::string_view text, TSetOrigin origin) {
  // A set with its name line takes some 165 bytes, an OMM record more; growing the tables once
  // beats rehashing them over and over while a large file loads.
  const std::size_t expected = entries_.size() + text.size() / 165;
  entries_.reserve(expected);
  byNumber_.reserve(expected);
  if (origin == TSetOrigin::soPublic) {
    ReadSatellites(text, [this](std::unique_ptr<orbit::TSatellite> satellite, const std::string& name) {
      AddSatellite(std::move(satellite), name);
    });
    return;
  }
  // An object's sets are gathered first and filed together: one object with thousands of pieces
  // then costs one sort, not one merge per piece.
  std::vector<std::pair<std::string, std::vector<orbit::TElementSet>>> objects;
  std::unordered_map<std::string, std::size_t> objectOf;
  ReadSatellites(text, [&](std::unique_ptr<orbit::TSatellite> satellite, const std::string& name) {
    const auto [at, added] = objectOf.try_emplace(satellite->CatalogueNumber(), objects.size());
    if (added) objects.emplace_back(name, std::vector<orbit::TElementSet>{});
    objects[at->second].second.push_back(satellite->Elements());
  });
  for (auto& [name, sets] : objects) {
    try {
      AddSupplemental(std::move(sets), name);
    } catch (const orbit::EOrbitError&) {
    }
  }
}

void TSatelliteList::ReadSatellites(std::string_view text, const TSatelliteSink& sink) {
  const TCatalogueFormat format = DetectCatalogueFormat(text);
  if (format == TCatalogueFormat::cfTwoLine) {
    ReadKeplerRecords(text, [&sink](const TKeplerRecord& record) {
      if (!ElementLinesMatch(record.line1, record.line2)) return;
      // A record the orbit code rejects is lost on its own; the file reads on.
      try {
        auto satellite = std::make_unique<orbit::TSatellite>();
        satellite->SetElements(record.line1, record.line2);
        sink(std::move(satellite), record.name);
      } catch (const orbit::EOrbitError&) {
      }
    });
    return;
  }
  // Every record is read before any is added, so that a document found broken at its end leaves
  // the catalogue as it was, as a file that cannot be read does.
  std::vector<TOmmSet> sets;
  const TOmmRecordSink collect = [&sets](const TOmmFields& fields) {
    if (std::optional<TOmmSet> set = OmmElementSet(fields)) sets.push_back(std::move(*set));
  };
  if (format == TCatalogueFormat::cfOmmCsv) {
    ReadOmmCsv(text, collect);
  } else if (format == TCatalogueFormat::cfOmmXml) {
    ReadOmmXml(text, collect);
  } else {
    ReadOmmJson(text, collect);
  }
  for (const TOmmSet& set : sets) {
    // Values no orbit has (a zero mean motion, an eccentricity of 1) lose their record alone.
    try {
      auto satellite = std::make_unique<orbit::TSatellite>();
      satellite->SetElementSet(set.elements);
      sink(std::move(satellite), set.name);
    } catch (const orbit::EOrbitError&) {
    }
  }
}

void TSatelliteList::AddSupplemental(std::vector<orbit::TElementSet> sets, const std::string& recordName) {
  if (TSlot* existing = FindNumber(sets.front().catalogueNumber); existing && existing->second.supplemental) {
    // Another file's pieces of the same object join the ones held, which keep their name; of two
    // sets with one epoch the one read first stays.
    orbit::TSatellite& held = *existing->second.satellite;
    std::vector<orbit::TElementSet> all;
    if (const orbit::TSetChooser* chooser = held.SetChooser()) {
      all = chooser->Sets();
    } else {
      all.push_back(held.Elements());
    }
    all.insert(all.end(), std::make_move_iterator(sets.begin()), std::make_move_iterator(sets.end()));
    held.SetElementSets(std::move(all));
    return;
  }
  auto satellite = std::make_unique<orbit::TSatellite>();
  if (sets.size() == 1) {
    satellite->SetElementSet(sets.front());
  } else {
    satellite->SetElementSets(std::move(sets));
  }
  AddSatellite(std::move(satellite), recordName, TSetOrigin::soSupplemental);
}

void TSatelliteList::AddSatellite(std::unique_ptr<orbit::TSatellite> satellite, const std::string& recordName,
                                  TSetOrigin origin) {
  const bool supplemental = origin == TSetOrigin::soSupplemental;
  // For one catalogue number the newest public epoch wins, under the name that came with it; on
  // equal epochs the set read first stays. A supplemental object ranks above every public set of
  // it, whatever their epochs: its sets are the operator's own, and the newest public one may well
  // be newer than the supplemental piece for the time shown.
  if (TSlot* existing = FindNumber(satellite->CatalogueNumber())) {
    if (!supplemental && (existing->second.supplemental ||
                          !IsLaterEpoch(satellite->EpochJD(), existing->second.satellite->EpochJD()))) {
      return;
    }
    Erase(existing);
  }

  // A name taken by another catalogue number belongs to another object: public catalogues file
  // thousands of debris pieces under one name. The newcomer gets its number in brackets, trimmed
  // for reading. Numbers that differ only in spaces trim alike, so after that the exact number is
  // used: only names of at most 24 bytes from the files can stand in its way, so a few candidates
  // settle it, and among Count() + 2 ever longer candidates one is free in any case.
  const std::string& number = satellite->CatalogueNumber();
  const std::string_view trimmed = TrimKepler(number);
  std::string name = recordName;
  for (std::size_t tries = 0; tries <= entries_.size() + 1; ++tries) {
    TSlot* holder = FindName(name);
    if (!holder) {
      satellite->SetName(name);
      Insert(std::move(name), std::move(satellite))->second.supplemental = supplemental;
      return;
    }
    if (holder->second.satellite->CatalogueNumber() == number) {
      // Only a number filed twice through AddObject lands here; that entry keeps its name and takes
      // the newer set.
      satellite->SetName(holder->first);
      Replace(holder, std::move(satellite));
      holder->second.supplemental = supplemental;
      return;
    }
    if (tries == 0) {
      name = recordName + " [" + std::string(trimmed) + "]";
    } else if (tries == 1 && trimmed.size() != number.size()) {
      name = recordName + " [" + number + "]";
    } else {
      name += " [" + number + "]";
    }
  }
}

TSatelliteList::TSlot* TSatelliteList::FindName(std::string_view name) {
  const auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : &*it;
}

TSatelliteList::TSlot* TSatelliteList::Insert(std::string name,
                                              std::unique_ptr<orbit::TSatellite> satellite) {
  TSlot* entry = &*entries_.emplace(std::move(name), TEntry{std::move(satellite), {}}).first;
  Index(entry);
  orderStale_ = true;
  return entry;
}

void TSatelliteList::Replace(TSlot* entry, std::unique_ptr<orbit::TSatellite> satellite) {
  Unindex(entry);
  entry->second.satellite = std::move(satellite);
  entry->second.supplemental = false;
  Index(entry);
}

void TSatelliteList::Erase(TSlot* entry) {
  Unindex(entry);
  entries_.erase(entries_.find(entry->first));
  orderStale_ = true;
}

void TSatelliteList::Index(TSlot* entry) {
  entry->second.indexedNumber = entry->second.satellite->CatalogueNumber();
  byNumber_.emplace(entry->second.indexedNumber, entry);
}

void TSatelliteList::Unindex(TSlot* entry) {
  auto [first, last] = byNumber_.equal_range(entry->second.indexedNumber);
  for (auto it = first; it != last; ++it) {
    if (it->second == entry) {
      byNumber_.erase(it);
      return;
    }
  }
}

TSatelliteList::TSlot* TSatelliteList::FindNumber(std::string_view catalogueNumber) const {
  // Five characters, or the decimal text of a number too large for five; never fewer.
  if (catalogueNumber.size() < 5) return nullptr;
  std::string text(catalogueNumber);
  std::transform(text.begin(), text.end(), text.begin(), UpperAscii);
  const std::string_view key(text);
  auto [first, last] = byNumber_.equal_range(key);
  TSlot* found = nullptr;
  for (auto it = first; it != last; ++it) {
    // A satellite given another number in place since it was filed no longer counts under this one.
    if (it->second->second.satellite->CatalogueNumber() != key) continue;
    if (!found || TNameLess()(it->second->first, found->first)) found = it->second;
  }
  return found;
}

void TSatelliteList::Clear() noexcept {
  byNumber_.clear();
  entries_.clear();
  order_.clear();
  orderStale_ = false;
  unreadableFiles_.clear();
}

void TSatelliteList::RefreshOrder() const {
  if (!orderStale_) return;
  // Most comparisons are settled by the first 16 folded bytes, held beside each entry so that the
  // sort does not chase a pointer into the table for every comparison.
  struct TSortKey {
    std::uint64_t head[2];
    const TSlot* entry;
  };
  std::vector<TSortKey> keys;
  keys.reserve(entries_.size());
  for (const TSlot& entry : entries_) {
    TSortKey key{{0, 0}, &entry};
    const std::string& name = entry.first;
    for (std::size_t i = 0; i < 16 && i < name.size(); ++i) {
      key.head[i / 8] |= std::uint64_t{static_cast<unsigned char>(UpperAscii(name[i]))} << (56 - 8 * (i % 8));
    }
    keys.push_back(key);
  }
  // Names shorter than 16 bytes read as padded with zero bytes, which keeps a name before the longer
  // names it begins; a name that holds zero bytes itself ties and is compared in full.
  std::sort(keys.begin(), keys.end(), [](const TSortKey& a, const TSortKey& b) {
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    return TNameLess()(a.entry->first, b.entry->first);
  });
  order_.clear();
  order_.reserve(keys.size());
  for (const TSortKey& key : keys) order_.push_back(key.entry);
  orderStale_ = false;
}

std::vector<const TSatelliteList::TSlot*>::const_iterator TSatelliteList::OrderPosition(
    std::string_view name) const {
  return std::lower_bound(order_.begin(), order_.end(), name, [](const TSlot* entry, std::string_view n) {
    return TNameLess()(entry->first, n);
  });
}

int TSatelliteList::IndexOfEntry(const TSlot* entry) const {
  if (!entry) return -1;
  RefreshOrder();
  return static_cast<int>(OrderPosition(entry->first) - order_.cbegin());
}

const TSatelliteList::TSlot& TSatelliteList::At(int index) const {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("TSatelliteList: index " + std::to_string(index) + " outside [0, " +
                            std::to_string(Count()) + ")");
  }
  RefreshOrder();
  return *order_[static_cast<std::size_t>(index)];
}

int TSatelliteList::IndexOf(std::string_view name) const {
  const auto it = entries_.find(name);
  return it == entries_.end() ? -1 : IndexOfEntry(&*it);
}

int TSatelliteList::AddObject(std::string name, std::unique_ptr<orbit::TSatellite> satellite) {
  if (!satellite)
    throw std::invalid_argument("TSatelliteList::AddObject: no satellite given for '" + name + "'");
  if (TSlot* holder = FindName(name)) {
    Replace(holder, std::move(satellite));
    return IndexOfEntry(holder);
  }
  const bool orderWasCurrent = !orderStale_;
  const TSlot* entry = Insert(std::move(name), std::move(satellite));
  // One entry added to a sorted catalogue goes into its place rather than having everything sorted
  // again.
  if (orderWasCurrent) {
    order_.insert(OrderPosition(entry->first), entry);
    orderStale_ = false;
  }
  return IndexOfEntry(entry);
}

int TSatelliteList::SetCount() const noexcept {
  int sets = 0;
  for (const TSlot& entry : entries_) sets += entry.second.satellite->SetCount();
  return sets;
}

int TSatelliteList::IndexOfCatalogueNumber(std::string_view catalogueNumber) const {
  return IndexOfEntry(FindNumber(catalogueNumber));
}

const std::string& TSatelliteList::NameAt(int index) const {
  return At(index).first;
}

const std::string& TSatelliteList::CatalogueNumberAt(int index) const {
  return At(index).second.satellite->CatalogueNumber();
}

orbit::TSatellite& TSatelliteList::SatelliteAt(int index) {
  return *At(index).second.satellite;
}

const orbit::TSatellite& TSatelliteList::SatelliteAt(int index) const {
  return *At(index).second.satellite;
}

}  // namespace nimbrel::catalogue
