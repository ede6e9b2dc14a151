#pragma once
// Sub-objects owned by scene objects: the change-reporting base and the four-float coordinates.

#include <functional>

#include "scene/Geometry.h"

namespace nimbrel::scene {

class TBaseSceneObject;
class TUpdateAbleObject;

// Whatever a sub-object reports its changes to: another sub-object or a scene object.
class TUpdateAbleOwner {
 public:
  virtual void NotifyChange(TUpdateAbleObject& sender) = 0;
  // The scene object behind this owner, if it is one: coordinates and colours tell it directly.
  virtual TBaseSceneObject* AsSceneObject() noexcept { return nullptr; }

 protected:
  TUpdateAbleOwner() = default;
  TUpdateAbleOwner(const TUpdateAbleOwner&) = default;
  TUpdateAbleOwner& operator=(const TUpdateAbleOwner&) = default;
  ~TUpdateAbleOwner() = default;
};

// A sub-object that tells its owner when it changes. BeginUpdate/EndUpdate hold the notification back
// until the outermost EndUpdate, which sends one.
class TUpdateAbleObject : public TUpdateAbleOwner {
 public:
  explicit TUpdateAbleObject(TUpdateAbleOwner* owner) noexcept : owner_(owner) {}
  virtual ~TUpdateAbleObject() = default;
  // Sub-objects live inside their owner and point at it; a copy would point at the wrong owner.
  TUpdateAbleObject(const TUpdateAbleObject&) = delete;
  TUpdateAbleObject& operator=(const TUpdateAbleObject&) = delete;

  TUpdateAbleOwner* Owner() const noexcept { return owner_; }

  // First the owner hears which sub-object changed, then the callback runs; nothing while updating.
  void NotifyChange(TUpdateAbleObject& sender) override;
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();  // unbalanced: EAssertionFailed "Unbalanced Begin/EndUpdate"
  int UpdateCount() const noexcept { return updateCount_; }

  std::function<void(TUpdateAbleObject&)> OnNotifyChange;

 private:
  TUpdateAbleOwner* owner_;
  int updateCount_ = 0;
};

enum class TCoordinatesStyle { coPoint, coVector, coFree };

// Four singles X, Y, Z, W whose W follows the style: 1 for a point, 0 for a vector, free otherwise.
// Every write notifies: a scene object owner hears it through CoordinatesChanged (it keeps its frame
// orthonormal), any other owner through NotifyChange.
class TCoordinates : public TUpdateAbleObject {
 public:
  TCoordinates(TUpdateAbleOwner* owner, const Float4& defaultValue, TCoordinatesStyle style) noexcept;

  float X() const noexcept { return coords_.x; }
  float Y() const noexcept { return coords_.y; }
  float Z() const noexcept { return coords_.z; }
  float W() const noexcept { return coords_.w; }
  void SetX(float value);
  void SetY(float value);
  void SetZ(float value);

  const Float4& AsFloat4() const noexcept { return coords_; }
  Float3 AsFloat3() const noexcept { return XyzOf(coords_); }
  const Float4& DefaultValue() const noexcept { return default_; }
  bool IsDefault() const noexcept { return Same4(coords_, default_); }
  TCoordinatesStyle Style() const noexcept { return style_; }

  void AssignPoint(float x, float y, float z);  // not on a vector: EAssertionFailed
  void AssignPoint(const Float3& p) { AssignPoint(p.x, p.y, p.z); }
  void AssignVector(float x, float y, float z, float w = 0);  // not on a point: EAssertionFailed
  void AssignVector(const Float4& v) { AssignVector(v.x, v.y, v.z, v.w); }
  void AssignComponents(const Float4& v);  // W then follows the style

  // For the owner's own bookkeeping (keeping Direction and Up at right angles): stores the value with
  // the style's W and tells nobody.
  void SetSilently(const Float4& v) noexcept;

 private:
  void Changed();
  Float4 WithStyledW(Float4 v) const noexcept;

  Float4 coords_;
  Float4 default_;
  TCoordinatesStyle style_;
};

}  // namespace nimbrel::scene
