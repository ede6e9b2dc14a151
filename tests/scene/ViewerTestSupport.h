#pragma once
// A small scene for the viewer tests: a camera on the +Z axis looking at the origin, a green unit square
// at z = 1 in the middle of the view and a red one twice as large at z = 0, shifted right, so that the
// middle of the view shows both (the green one nearer) and a point right of the middle only the red.

#include <QImage>
#include <array>
#include <memory>

#include "SceneTestSupport.h"

namespace nimbrel::scene::test {

constexpr std::array<int, 3> kGreen{0, 255, 0};
constexpr std::array<int, 3> kRed{255, 0, 0};
constexpr std::array<int, 3> kBlack{0, 0, 0};

struct TTwoSquares {
  TTwoSquares() {
    camera = &scene.AddCamera(std::make_unique<TCamera>());
    camera->Position().AssignPoint(0, 0, 5);
    // A short lens: the squares fill only the middle of a small view.
    camera->SetFocalLength(10);
    back = &scene.ObjectRoot().AddNewChild<TTestSquare>("back");
    back->Position().AssignPoint(0.8f, 0, 0);
    back->Scale().AssignVector(2, 2, 1);
    front = &scene.ObjectRoot().AddNewChild<TTestSquare>("front");
    front->Position().AssignPoint(0, 0, 1);
    front->color.SetRGBA(0, 1, 0, 1);
  }

  TScene scene;
  TCamera* camera = nullptr;
  TTestSquare* back = nullptr;
  TTestSquare* front = nullptr;
};

// Where the views of a 64 x 64 window show the squares (x from the left, y from the top).
struct TViewPoints {
  static constexpr int kCentreX = 32, kCentreY = 32;
  static constexpr int kBackOnlyX = 50, kBackOnlyY = 32;
  static constexpr int kEmptyX = 3, kEmptyY = 3;
};

// Pixel of an image as RGB.
inline std::array<int, 3> RgbAt(const QImage& image, int x, int y) {
  const QRgb rgb = image.pixel(x, y);
  return {qRed(rgb), qGreen(rgb), qBlue(rgb)};
}

}  // namespace nimbrel::scene::test
