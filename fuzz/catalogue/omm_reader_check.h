#pragma once
// Shared by the OMM fuzz targets: what every reader must keep to, whatever the bytes.

#include <cstdlib>
#include <string_view>

#include "catalogue/OmmReaders.h"
#include "catalogue/SatelliteList.h"
#include "orbit/Satellite.h"

namespace nimbrel::catalogue::fuzzing {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

// Runs `read` over the text twice: it may only fail as a broken document, must give the same records
// both times, and every set it gives is either refused by the orbit code with its own error or
// propagates without crashing. Then the catalogue loads the text and stays consistent.
template <typename TRead>
void CheckReader(std::string_view text, TRead read) {
  int records[2] = {0, 0};
  bool broken[2] = {false, false};
  for (int pass = 0; pass < 2; ++pass) {
    try {
      read(text, [&](const TOmmFields& fields) {
        ++records[pass];
        const std::optional<TOmmSet> set = OmmElementSet(fields);
        if (!set || pass == 1) return;
        orbit::TSatellite satellite;
        try {
          satellite.SetElementSet(set->elements);
        } catch (const orbit::EOrbitError&) {
          return;
        }
        orbit::Vector4 position;
        orbit::Vector4 velocity;
        satellite.TryPropagate(satellite.EpochJD() + 0.5, position, velocity);
      });
    } catch (const EOmmDocumentError&) {
      broken[pass] = true;
    }
  }
  Check(records[0] == records[1] && broken[0] == broken[1]);

  TSatelliteList list;
  try {
    list.LoadFromText(text);
  } catch (const EOmmDocumentError&) {
    Check(list.Count() == 0);
    return;
  }
  for (int i = 0; i < list.Count(); ++i) {
    Check(list.IndexOf(list.NameAt(i)) == i);
    Check(list.IndexOfCatalogueNumber(list.CatalogueNumberAt(i)) == i);
    Check(list.CatalogueNumberAt(i).size() >= 5);
    if (i > 0) Check(TNameLess()(list.NameAt(i - 1), list.NameAt(i)));
  }
}

}  // namespace nimbrel::catalogue::fuzzing
