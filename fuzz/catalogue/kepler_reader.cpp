// Arbitrary bytes as a Kepler file: the catalogue must neither crash nor hang, and must stay
// consistent: names in order and unique, every entry found again by its name and its catalogue
// number, and a second load of the same text changing nothing. Read as a supplemental file too,
// where every set of an object is kept and chosen by the time.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "catalogue/OmmReaders.h"
#include "catalogue/SatelliteList.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using nimbrel::catalogue::TNameLess;
  using nimbrel::catalogue::TSatelliteList;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TSatelliteList list;
  // Text that looks like OMM XML or JSON is read as such, and may be broken as a whole.
  try {
    list.LoadFromText(text);
  } catch (const nimbrel::catalogue::EOmmDocumentError&) {
    Check(list.Count() == 0);
    return 0;
  }
  const int count = list.Count();
  for (int i = 0; i < count; ++i) {
    Check(list.IndexOf(list.NameAt(i)) == i);
    Check(list.IndexOfCatalogueNumber(list.CatalogueNumberAt(i)) == i);
    Check(list.SatelliteAt(i).Name() == list.NameAt(i));
    if (i > 0) Check(TNameLess()(list.NameAt(i - 1), list.NameAt(i)));
  }
  list.LoadFromText(text);
  Check(list.Count() == count);

  TSatelliteList pieces;
  pieces.LoadFromText(text, nimbrel::catalogue::TSetOrigin::soSupplemental);
  const int sets = pieces.SetCount();
  for (int i = 0; i < pieces.Count(); ++i) {
    nimbrel::orbit::TSatellite& satellite = pieces.SatelliteAt(i);
    Check(pieces.IndexOfCatalogueNumber(pieces.CatalogueNumberAt(i)) == i);
    // The set chosen for a time is never after it, unless every set is.
    const double jd = satellite.FirstEpochJD() + 0.3;
    satellite.ChooseSetFor(jd);
    Check(satellite.EpochJD() <= jd);
    Check(satellite.EpochJD() == satellite.ElementsAt(jd).epochJD);
  }
  // The same sets again add none.
  pieces.LoadFromText(text, nimbrel::catalogue::TSetOrigin::soSupplemental);
  Check(pieces.SetCount() == sets);
  return 0;
}
