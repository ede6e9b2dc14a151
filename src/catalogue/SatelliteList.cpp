#include "SatelliteList.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "KeplerFile.h"
#include "KeplerRecords.h"

namespace nimbrel::catalogue {

namespace {

char UpperAscii(char c) noexcept {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The listing masks, in the order their files are read.
constexpr std::array<std::string_view, 3> kMaskExtensions = {".2li", ".tle", ".txt"};
// Release notes that Kepler data sources ship beside their "*.txt" element files.
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

}  // namespace

bool TNameLess::operator()(std::string_view a, std::string_view b) const noexcept {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(UpperAscii(a[i]));
    const auto y = static_cast<unsigned char>(UpperAscii(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
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
    if (mask >= 0 && !EqualsIgnoringCase(name, kNotesFile))
      names[static_cast<std::size_t>(mask)].push_back(name);
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

void TSatelliteList::LoadFromFile(const std::filesystem::path& path) {
  const std::optional<std::string> text = ReadKeplerFile(path);
  if (text) LoadFromText(*text);
}

void TSatelliteList::LoadFromText(std::string_view text) {
  ReadKeplerRecords(text, [this](const TKeplerRecord& record) {
    // A record the orbit code rejects is lost on its own; the file reads on.
    try {
      AddRecord(record);
    } catch (const orbit::EOrbitError&) {
    }
  });
}

void TSatelliteList::AddRecord(const TKeplerRecord& record) {
  if (!ElementLinesMatch(record.line1, record.line2)) return;
  auto satellite = std::make_unique<orbit::TSatellite>();
  satellite->SetElements(record.line1, record.line2);

  // For one catalogue number the newest epoch wins, under the name that came with it; on equal
  // epochs the set read first stays.
  const auto existing = FindNumber(satellite->CatalogueNumber());
  if (existing != entries_.end()) {
    if (!(satellite->EpochJD() > existing->second.satellite->EpochJD())) return;
    Erase(existing);
  }

  // A name taken by another catalogue number belongs to another object: public catalogues file
  // thousands of debris pieces under one name. The newcomer gets its number in brackets.
  const std::string number(TrimKepler(satellite->CatalogueNumber()));
  const std::string suffix = " [" + number + "]";
  std::string name = record.name;
  // Each candidate is longer than the one before, so among Count() + 1 of them one is free.
  for (std::size_t tries = 0; tries <= entries_.size(); ++tries) {
    const auto holder = entries_.find(name);
    if (holder == entries_.end() ||
        holder->second.satellite->CatalogueNumber() == satellite->CatalogueNumber()) {
      // Only a number filed twice through AddObject lands here on a taken name; that entry keeps its
      // name and takes the newer set.
      if (holder != entries_.end()) name = holder->first;
      satellite->SetName(name);
      File(std::move(name), std::move(satellite));
      return;
    }
    name += suffix;
  }
}

TSatelliteList::TEntries::iterator TSatelliteList::File(std::string name,
                                                        std::unique_ptr<orbit::TSatellite> satellite) {
  auto entry = entries_.find(name);
  if (entry != entries_.end()) {
    Unindex(entry);
    entry->second.satellite = std::move(satellite);
  } else {
    entry = entries_.emplace(std::move(name), TEntry{std::move(satellite), {}}).first;
    orderStale_ = true;
  }
  Index(entry);
  return entry;
}

void TSatelliteList::Erase(TEntries::iterator entry) {
  Unindex(entry);
  entries_.erase(entry);
  orderStale_ = true;
}

void TSatelliteList::Index(TEntries::iterator entry) {
  entry->second.indexedNumber = entry->second.satellite->CatalogueNumber();
  byNumber_.emplace(entry->second.indexedNumber, entry);
}

void TSatelliteList::Unindex(TEntries::iterator entry) {
  auto [first, last] = byNumber_.equal_range(entry->second.indexedNumber);
  for (auto it = first; it != last; ++it) {
    if (it->second == entry) {
      byNumber_.erase(it);
      return;
    }
  }
}

TSatelliteList::TEntries::iterator TSatelliteList::FindNumber(std::string_view catalogueNumber) {
  if (catalogueNumber.size() != 5) return entries_.end();
  std::string key(catalogueNumber);
  std::transform(key.begin(), key.end(), key.begin(), UpperAscii);
  auto [first, last] = byNumber_.equal_range(key);
  auto found = entries_.end();
  for (auto it = first; it != last; ++it) {
    // A satellite given another number in place since it was filed no longer counts under this one.
    if (it->second->second.satellite->CatalogueNumber() != key) continue;
    if (found == entries_.end() || entries_.key_comp()(it->second->first, found->first)) found = it->second;
  }
  return found;
}

TSatelliteList::TEntries::const_iterator TSatelliteList::FindNumber(std::string_view catalogueNumber) const {
  return const_cast<TSatelliteList*>(this)->FindNumber(catalogueNumber);
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
  order_.clear();
  order_.reserve(entries_.size());
  for (auto it = entries_.cbegin(); it != entries_.cend(); ++it) order_.push_back(it);
  orderStale_ = false;
}

int TSatelliteList::IndexOfEntry(TEntries::const_iterator entry) const {
  if (entry == entries_.cend()) return -1;
  RefreshOrder();
  const auto position = std::lower_bound(
      order_.begin(), order_.end(), entry->first,
      [](TEntries::const_iterator e, const std::string& name) { return TNameLess()(e->first, name); });
  return static_cast<int>(position - order_.begin());
}

TSatelliteList::TEntries::const_iterator TSatelliteList::At(int index) const {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("TSatelliteList: index " + std::to_string(index) + " outside [0, " +
                            std::to_string(Count()) + ")");
  }
  RefreshOrder();
  return order_[static_cast<std::size_t>(index)];
}

int TSatelliteList::IndexOf(std::string_view name) const {
  return IndexOfEntry(entries_.find(name));
}

int TSatelliteList::AddObject(std::string name, std::unique_ptr<orbit::TSatellite> satellite) {
  if (!satellite)
    throw std::invalid_argument("TSatelliteList::AddObject: no satellite given for '" + name + "'");
  return IndexOfEntry(File(std::move(name), std::move(satellite)));
}

int TSatelliteList::IndexOfCatalogueNumber(std::string_view catalogueNumber) const {
  return IndexOfEntry(FindNumber(catalogueNumber));
}

const std::string& TSatelliteList::NameAt(int index) const {
  return At(index)->first;
}

const std::string& TSatelliteList::CatalogueNumberAt(int index) const {
  return At(index)->second.satellite->CatalogueNumber();
}

orbit::TSatellite& TSatelliteList::SatelliteAt(int index) {
  return *At(index)->second.satellite;
}

const orbit::TSatellite& TSatelliteList::SatelliteAt(int index) const {
  return *At(index)->second.satellite;
}

}  // namespace nimbrel::catalogue
