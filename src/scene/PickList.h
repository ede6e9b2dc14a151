#pragma once
// The answer of a selection-mode render: the objects hit, each with the nearest and farthest depth of
// its hit (0 at the near plane, 1 at the far plane).
//
// The objects are those of the scene at the time of the pick; the list does not keep them alive, so it
// is to be read before the scene changes.

#include <cstdint>
#include <vector>

namespace nimbrel::scene {

class TBaseSceneObject;

struct TPickHit {
  TBaseSceneObject* object = nullptr;
  float minDepth = 0;
  float maxDepth = 0;
};

enum class TPickSortType { psDefault, psMinDepth, psMaxDepth };

class TPickList {
 public:
  explicit TPickList(TPickSortType sortType = TPickSortType::psMinDepth) noexcept : sortType_(sortType) {}

  // Inserted at its place in the sort order; equal keys keep the order they were added in.
  void AddHit(TBaseSceneObject* object, float minDepth, float maxDepth);
  void Clear() noexcept { hits_.clear(); }

  int Count() const noexcept { return static_cast<int>(hits_.size()); }
  bool Empty() const noexcept { return hits_.empty(); }
  const TPickHit& Hit(int index) const;  // out of range: EAssertionFailed
  TBaseSceneObject* Object(int index) const { return Hit(index).object; }
  // The first hit's object, or null.
  TBaseSceneObject* First() const noexcept { return hits_.empty() ? nullptr : hits_.front().object; }
  const std::vector<TPickHit>& Hits() const noexcept { return hits_; }
  TPickSortType SortType() const noexcept { return sortType_; }

  // The renderer stores depths as unsigned 32-bit numbers scaled to the full range; halved, they fit
  // a signed range that divides down to 0..1.
  static float DepthFromSelection(std::uint32_t stored) noexcept {
    return static_cast<float>(static_cast<double>(stored >> 1) / 2147483647.0);
  }

 private:
  std::vector<TPickHit> hits_;
  TPickSortType sortType_;
};

}  // namespace nimbrel::scene
