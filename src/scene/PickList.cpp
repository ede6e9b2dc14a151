#include "scene/PickList.h"

#include <algorithm>

#include "scene/SceneErrors.h"

namespace nimbrel::scene {

void TPickList::AddHit(TBaseSceneObject* object, float minDepth, float maxDepth) {
  const TPickHit hit{object, minDepth, maxDepth};
  auto place = hits_.end();
  switch (sortType_) {
    case TPickSortType::psDefault:
      break;
    case TPickSortType::psMinDepth:
      place = std::upper_bound(hits_.begin(), hits_.end(), hit,
                               [](const TPickHit& a, const TPickHit& b) { return a.minDepth < b.minDepth; });
      break;
    case TPickSortType::psMaxDepth:
      place = std::upper_bound(hits_.begin(), hits_.end(), hit,
                               [](const TPickHit& a, const TPickHit& b) { return a.maxDepth < b.maxDepth; });
      break;
  }
  hits_.insert(place, hit);
}

const TPickHit& TPickList::Hit(int index) const {
  if (index < 0 || index >= Count())
    AssertionFailure("TPickList::Hit: index " + std::to_string(index) + " out of range");
  return hits_[static_cast<std::size_t>(index)];
}

}  // namespace nimbrel::scene
