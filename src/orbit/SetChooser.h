#pragma once
// TSetChooser: several element sets of one object, each fitted from its epoch forward, as
// supplemental data gives them (the ISS from its operator's ephemeris: two weeks in 6-hour pieces).
// The set for a time is the one with the latest epoch not after it, the first one before them all.
// "The newest epoch wins" would pick a piece two weeks ahead of the clock, fitted for a time still
// to come and drifting further off the earlier the time asked for.
//
// Immutable once made: satellites copied onto other threads share one.

#include <cstddef>
#include <vector>

#include "ElementSet.h"

namespace nimbrel::orbit {

class TSetChooser {
 public:
  // Orders `sets` by epoch; of sets whose epochs are one double step apart or less, the first given
  // stays (the same set read twice). Throws std::invalid_argument when `sets` is empty, and
  // EMathError for a set whose mean motion or eccentricity describe no orbit (validate them first).
  explicit TSetChooser(std::vector<TElementSet> sets);

  std::size_t Count() const noexcept { return sets_.size(); }
  // In order of their epochs.
  const std::vector<TElementSet>& Sets() const noexcept { return sets_; }
  // The index of the set for the Julian date `jd`. `inUse`, the set in use now, is tried first: the
  // clock mostly stays within one piece, so that costs two comparisons; otherwise a binary search.
  std::size_t IndexFor(double jd, std::size_t inUse = 0) const noexcept;
  // Whether the set at `index` needs the deep-space model, worked out once here.
  bool DeepSpace(std::size_t index) const noexcept { return deepSpace_[index] != 0; }

 private:
  std::vector<TElementSet> sets_;
  std::vector<double> epochs_;  // beside the sets, so that the search touches one small array
  std::vector<char> deepSpace_;
};

}  // namespace nimbrel::orbit
