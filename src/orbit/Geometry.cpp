#include "Geometry.h"

#include "OrbitConstants.h"

namespace nimbrel::orbit {

void ConvertSatState(Vector4& position, Vector4& velocity) noexcept {
  constexpr double kVelocityScale = kXkmper / 60.0;
  position.x *= kXkmper;
  position.y *= kXkmper;
  position.z *= kXkmper;
  velocity.x *= kVelocityScale;
  velocity.y *= kVelocityScale;
  velocity.z *= kVelocityScale;
  Magnitude(position);
  Magnitude(velocity);
}

}  // namespace nimbrel::orbit
