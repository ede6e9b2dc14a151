#include "SetChooser.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace nimbrel::orbit {

TSetChooser::TSetChooser(std::vector<TElementSet> sets) {
  if (sets.empty()) throw std::invalid_argument("TSetChooser: no element set given");
  std::stable_sort(sets.begin(), sets.end(),
                   [](const TElementSet& a, const TElementSet& b) { return a.epochJD < b.epochJD; });
  sets_.reserve(sets.size());
  epochs_.reserve(sets.size());
  for (TElementSet& set : sets) {
    if (!epochs_.empty() &&
        set.epochJD <= std::nextafter(epochs_.back(), std::numeric_limits<double>::infinity())) {
      continue;
    }
    deepSpace_.push_back(IsDeepSpace(set.meanMotion, set.eccentricity, set.inclination) ? 1 : 0);
    epochs_.push_back(set.epochJD);
    sets_.push_back(std::move(set));
  }
}

std::size_t TSetChooser::IndexFor(double jd, std::size_t inUse) const noexcept {
  const std::size_t n = epochs_.size();
  if (inUse < n && epochs_[inUse] <= jd && (inUse + 1 == n || jd < epochs_[inUse + 1])) return inUse;
  const auto after = std::upper_bound(epochs_.begin(), epochs_.end(), jd);
  return after == epochs_.begin() ? 0 : static_cast<std::size_t>(after - epochs_.begin()) - 1;
}

}  // namespace nimbrel::orbit
