#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "ImageTestUtil.h"
#include "scene/Graphics.h"

namespace nimbrel::scene {
namespace {

using testing::Bytes;

// A picture whose pixel (x, y from the top) is (x, y, 100 + x, alpha 200 + x) so every pixel can be found.
TPicture Numbered(int width, int height, TPixelFormat format) {
  Bytes pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels.insert(pixels.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                   static_cast<std::uint8_t>(100 + x)});
      if (format == TPixelFormat::pf32bit) {
        pixels.push_back(static_cast<std::uint8_t>(200 + x));
      }
    }
  }
  return TPicture::FromPixels(width, height, format, std::move(pixels));
}

TEST(Bitmap32, RowsAreStoredBottomUp) {
  const TBitmap32 b(Numbered(4, 3, TPixelFormat::pf24bit));
  ASSERT_EQ(b.Width(), 4);
  ASSERT_EQ(b.Height(), 3);
  EXPECT_EQ(b.DataSize(), 4u * 3u * 4u);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const std::uint8_t pictureRow = static_cast<std::uint8_t>(2 - y);
      EXPECT_EQ(b.Pixel(x, y),
                (TPixel32{static_cast<std::uint8_t>(x), pictureRow, static_cast<std::uint8_t>(100 + x), 0}))
          << x << ", " << y;
    }
  }
  // The raw bytes: the first stored pixel is the picture's bottom-left one, R G B A.
  EXPECT_EQ(Bytes(b.Data(), b.Data() + 8), (Bytes{0, 2, 100, 0, 1, 2, 101, 0}));
}

TEST(Bitmap32, AlphaSurvivesOnlyForUnstretched32BitPictures) {
  const TBitmap32 four(Numbered(4, 1, TPixelFormat::pf32bit));
  EXPECT_EQ(four.Pixel(3, 0), (TPixel32{3, 0, 103, 203}));
  const TBitmap32 five(Numbered(5, 1, TPixelFormat::pf32bit));
  ASSERT_EQ(five.Width(), 8);
  for (const TPixel32& p : five.Pixels()) {
    EXPECT_EQ(p.a, 0);
  }
}

TEST(Bitmap32, WidthsAreStretchedToAMultipleOfFour) {
  const struct {
    int width;
    int stretched;
  } cases[] = {{1, 4}, {2, 4}, {3, 4}, {4, 4}, {5, 8}, {7, 8}, {1021, 1024}, {1022, 1024}, {1024, 1024}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    Bytes row;
    for (int x = 0; x < c.width; ++x) {
      row.insert(row.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8), 7});
    }
    const TBitmap32 b(TPicture::FromPixels(c.width, 1, TPixelFormat::pf24bit, row));
    ASSERT_EQ(b.Width(), c.stretched);
    ASSERT_EQ(b.Height(), 1);
    // Nearest-neighbour stretching keeps both edges and visits every source column in order.
    int previous = -1;
    for (int x = 0; x < b.Width(); ++x) {
      const TPixel32 p = b.Pixel(x, 0);
      const int source = p.r | p.g << 8;
      ASSERT_TRUE(source == previous || source == previous + 1) << "column " << x << " shows " << source;
      EXPECT_EQ(p.b, 7);
      EXPECT_EQ(p.a, 0);
      previous = source;
    }
    EXPECT_EQ(previous, c.width - 1);
  }
}

TEST(Bitmap32, AssigningAnEmptyPictureEmptiesAndCopiesAreIndependent) {
  TBitmap32 b(Numbered(4, 2, TPixelFormat::pf24bit));
  TBitmap32 copy = b;
  copy.Pixel(0, 0).r = 99;
  EXPECT_EQ(b.Pixel(0, 0).r, 0);
  EXPECT_EQ(copy.Width(), 4);
  b.Assign(TPicture());
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.DataSize(), 0u);
  EXPECT_TRUE(TBitmap32(-3, 5).Empty());
  EXPECT_EQ(TBitmap32(2, 3).DataSize(), 24u);
}

// Black, white, a dark blue-grey, pure red, and black again; the first stored pixel is black.
TBitmap32 Swatches() {
  TBitmap32 b(5, 1);
  const TPixel32 colours[] = {
      {0, 0, 0, 9}, {255, 255, 255, 9}, {30, 60, 90, 9}, {255, 0, 0, 9}, {0, 0, 0, 9}};
  std::copy(std::begin(colours), std::end(colours), b.Pixels().begin());
  return b;
}

TEST(Bitmap32, AlphaModes) {
  const struct {
    TTextureImageAlpha mode;
    int components;
    Bytes alpha;
  } cases[] = {
      {TTextureImageAlpha::tiaDefault, 3, {9, 9, 9, 9, 9}},
      {TTextureImageAlpha::tiaAlphaFromIntensity, 4, {0, 255, 60, 85, 0}},
      {TTextureImageAlpha::tiaSuperBlackTransparent, 4, {0, 255, 255, 255, 0}},
      {TTextureImageAlpha::tiaLuminance, 1, {0, 255, 60, 85, 0}},
      {TTextureImageAlpha::tiaLuminanceSqrt, 1, {0, 255, 124, 147, 0}},  // round(sqrt(i / 255) x 255)
      {TTextureImageAlpha::tiaOpaque, 4, {255, 255, 255, 255, 255}},
      {TTextureImageAlpha::tiaTopLeftPointColorTransparent, 4, {0, 255, 255, 255, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    TBitmap32 b = Swatches();
    EXPECT_EQ(ApplyImageAlpha(b, c.mode), c.components);
    EXPECT_EQ(AlphaPlane(b), c.alpha);
    EXPECT_EQ(b.Pixel(2, 0).r, 30);  // colours are never touched
    EXPECT_EQ(b.Pixel(2, 0).b, 90);
  }
  TBitmap32 b = Swatches();
  EXPECT_THROW(ApplyImageAlpha(b, static_cast<TTextureImageAlpha>(99)), std::invalid_argument);
}

TEST(Bitmap32, TopLeftPointColourIsTheFirstStoredPixel) {
  TBitmap32 b(2, 2);
  b.Pixel(0, 0) = {10, 20, 30, 0};  // bottom-left: the first stored pixel
  b.Pixel(1, 0) = {10, 20, 31, 0};
  b.Pixel(0, 1) = {10, 20, 30, 0};
  b.Pixel(1, 1) = {1, 1, 1, 0};
  SetTopLeftPointColorTransparent(b);
  EXPECT_EQ(AlphaPlane(b), (Bytes{0, 255, 0, 255}));
  TBitmap32 empty;
  SetTopLeftPointColorTransparent(empty);  // nothing to key on, nothing to do
  EXPECT_TRUE(empty.Empty());
}

}  // namespace
}  // namespace nimbrel::scene
