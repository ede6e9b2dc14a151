#pragma once
// Where a frame on screen was drawn from, so that what it shows where can be found again on the CPU.

#include "scene/Geometry.h"

namespace nimbrel::scene {

// World to eye, eye to clip, the viewport in device pixels and the camera's position in the world.
struct TScreenProjection {
  Matrix4x4 modelView = kIdentityMatrix;
  Matrix4x4 projection = kIdentityMatrix;
  int width = 1;
  int height = 1;
  Float4 eye{0, 0, 0, 1};
};

}  // namespace nimbrel::scene
