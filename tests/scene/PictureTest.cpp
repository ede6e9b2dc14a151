#include "scene/Picture.h"

#include <cstdlib>
#include <string>

#include <QDir>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ImageTestUtil.h"

namespace nimbrel::scene {
namespace {

using testing::Bytes;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr std::uint32_t kRed = 0xE01010, kGreen = 0x10C020, kBlue = 0x1020D0, kYellow = 0xF0E020;

// RGB of the picture at (x, y), y counting from the top.
std::uint32_t RgbAt(const TPicture& p, int x, int y) {
  const TRaster& r = p.Raster();
  const std::size_t at = (static_cast<std::size_t>(y) * r.width + x) * r.BytesPerPixel();
  return std::uint32_t{r.pixels[at]} << 16 | std::uint32_t{r.pixels[at + 1]} << 8 | r.pixels[at + 2];
}

::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance) {
  for (int shift : {16, 8, 0}) {
    const int a = static_cast<int>(actual >> shift & 0xFF), e = static_cast<int>(expected >> shift & 0xFF);
    if (std::abs(a - e) > tolerance) {
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not near 0x" << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

Bytes QuadrantJpeg(const testing::TJpegOptions& options = {}) {
  return testing::EncodeJpeg(32, 32, testing::QuadrantPixels(32, 32, {kRed, kGreen, kBlue, kYellow}),
                             options);
}

// A 2 x 1 bitmap, the picture every failure test starts from so that it can see the picture survive.
Bytes SmallBmp() {
  return testing::BmpFile(testing::InfoHeader(2, 1, 24), {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0, 0});
}

void ExpectSmallBmp(const TPicture& p) {
  ASSERT_EQ(p.GraphicType(), TGraphicType::gtBitmap);
  ASSERT_EQ(p.Width(), 2);
  ASSERT_EQ(p.Height(), 1);
  EXPECT_EQ(p.Raster().pixels, (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(PictureJpeg, DecodesFullSizeRgbInPictureOrder) {
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    TPicture p;
    p.LoadFromMemory(QuadrantJpeg({.progressive = progressive}), TGraphicType::gtJpeg);
    ASSERT_EQ(p.Width(), 32);
    ASSERT_EQ(p.Height(), 32);
    EXPECT_EQ(p.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(p.GraphicType(), TGraphicType::gtJpeg);
    ASSERT_EQ(p.Raster().pixels.size(), 32u * 32u * 3u);
    EXPECT_TRUE(Near(RgbAt(p, 4, 4), kRed, 12));  // top-left
    EXPECT_TRUE(Near(RgbAt(p, 27, 4), kGreen, 12));
    EXPECT_TRUE(Near(RgbAt(p, 4, 27), kBlue, 12));
    EXPECT_TRUE(Near(RgbAt(p, 27, 27), kYellow, 12));
  }
}

TEST(PictureJpeg, KeepsOddSizesAndTurnsGreyIntoGreyRgb) {
  Bytes grey(13 * 7);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    grey[i] = static_cast<std::uint8_t>(i * 2);
  }
  TPicture p;
  p.LoadFromMemory(testing::EncodeJpeg(13, 7, grey, {.quality = 100, .grey = true}), TGraphicType::gtJpeg);
  ASSERT_EQ(p.Width(), 13);
  ASSERT_EQ(p.Height(), 7);
  const Bytes& px = p.Raster().pixels;
  for (std::size_t i = 0; i < grey.size(); ++i) {
    ASSERT_EQ(px[i * 3], px[i * 3 + 1]) << "pixel " << i;
    ASSERT_EQ(px[i * 3], px[i * 3 + 2]) << "pixel " << i;
    ASSERT_NEAR(px[i * 3], grey[i], 3) << "pixel " << i;
  }
}

// Every broken JPEG is an error that names the library's complaint, and the old picture stays.
TEST(PictureJpeg, BrokenDataIsAnErrorAndKeepsThePicture) {
  const Bytes good = QuadrantJpeg();
  const std::size_t sof = testing::FindMarker(good, 0xC0);
  const std::size_t sos = testing::FindMarker(good, 0xDA);
  ASSERT_NE(sof, std::string::npos);
  ASSERT_NE(sos, std::string::npos);

  Bytes precision7 = good;
  precision7[sof + 4] = 7;
  Bytes huge = good;  // 60000 x 60000 in the frame header, a few hundred bytes of data
  huge[sof + 5] = huge[sof + 7] = 0xEA;
  huge[sof + 6] = huge[sof + 8] = 0x60;
  Bytes markerInData = good;  // a stray restart marker in the middle of the coded pixels
  const std::size_t data = sos + 2 + (std::size_t{good[sos + 2]} << 8 | good[sos + 3]);
  markerInData[data + 20] = 0xFF;
  markerInData[data + 21] = 0xD3;
  Bytes noEnd = good;
  noEnd.resize(good.size() - 2);

  const struct {
    const char* name;
    Bytes data;
    const char* message;
  } cases[] = {
      {"truncated to half", Bytes(good.begin(), good.begin() + static_cast<long>(good.size() / 2)),
       "Premature end of JPEG file"},
      {"end marker missing", noEnd, "Premature end of JPEG file"},
      {"two bytes", Bytes(good.begin(), good.begin() + 2), "JPEG error"},
      {"empty", Bytes{}, "JPEG error"},
      {"unsupported precision", precision7, "precision 7"},
      {"absurd size", huge, "60000 x 60000 pixels is more than the limit of 67108864"},
      {"marker inside the coded data", markerInData, "Corrupt JPEG data"},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, "Not a JPEG file: starts with 0x68 0x65"},
      {"bitmap data", SmallBmp(), "Not a JPEG file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture p;
    p.LoadFromMemory(SmallBmp(), TGraphicType::gtBitmap);
    try {
      p.LoadFromMemory(c.data, TGraphicType::gtJpeg);
      ADD_FAILURE() << "no error";
    } catch (const EPictureError& e) {
      EXPECT_THAT(e.what(), StartsWith("TPicture::LoadFromMemory: JPEG error: "));
      EXPECT_THAT(e.what(), HasSubstr(c.message));
    }
    ExpectSmallBmp(p);
  }
}

TEST(PictureJpeg, PixelBoundIsChecked) {
  TPicture p;
  p.SetMaxPixels(32 * 32 - 1);
  EXPECT_THROW(p.LoadFromMemory(QuadrantJpeg(), TGraphicType::gtJpeg), EPictureError);
  EXPECT_TRUE(p.Empty());
  p.SetMaxPixels(32 * 32);
  p.LoadFromMemory(QuadrantJpeg(), TGraphicType::gtJpeg);
  EXPECT_EQ(p.Width(), 32);
}

class PictureFiles : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const {
    return QDir(dir_.path()).filePath(QString::fromStdString(name)).toStdString();
  }
  QString Write(const std::string& name, const Bytes& data) const {
    testing::WriteFile(Path(name), data);
    return QString::fromStdString(Path(name));
  }

  QTemporaryDir dir_;
};

TEST_F(PictureFiles, ExtensionChoosesTheGraphicTypeInAnyCase) {
  const struct {
    const char* name;
    Bytes data;
    TGraphicType type;
  } cases[] = {
      {"map.jpg", QuadrantJpeg(), TGraphicType::gtJpeg},
      {"MAP.JPEG", QuadrantJpeg(), TGraphicType::gtJpeg},
      {"map.v2.Jpg", QuadrantJpeg(), TGraphicType::gtJpeg},
      {"map.bmp", SmallBmp(), TGraphicType::gtBitmap},
      {"MAP.BMP", SmallBmp(), TGraphicType::gtBitmap},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture p;
    p.LoadFromFile(Write(c.name, c.data));
    EXPECT_EQ(p.GraphicType(), c.type);
    EXPECT_EQ(p.Width(), c.type == TGraphicType::gtJpeg ? 32 : 2);
  }
}

TEST_F(PictureFiles, MissingFileKeepsThePicture) {
  TPicture p;
  p.LoadFromMemory(SmallBmp(), TGraphicType::gtBitmap);
  const QString name = QString::fromStdString(Path("no-such-map.jpg"));
  try {
    p.LoadFromFile(name);
    ADD_FAILURE() << "no error";
  } catch (const EPictureError& e) {
    EXPECT_EQ(std::string(e.what()), "Could not open file: " + name.toStdString());
  }
  ExpectSmallBmp(p);
}

TEST_F(PictureFiles, UnreadableOrWrongFilesKeepThePicture) {
  const struct {
    const char* name;
    QString file;
    const char* message;
  } cases[] = {
      {"text named .jpg", Write("notes.jpg", Bytes{'n', 'o', 't', 'e', 's'}), "Not a JPEG file"},
      {"bitmap named .jpg", Write("bitmap.jpg", SmallBmp()), "Not a JPEG file"},
      {"JPEG named .bmp", Write("photo.bmp", QuadrantJpeg()), "BMP error: not a BMP file"},
      {"empty .bmp", Write("empty.bmp", Bytes{}), "BMP error"},
      {"unknown extension", Write("map.png", QuadrantJpeg()), "unknown picture file extension '.png'"},
      {"no extension", Write("map", QuadrantJpeg()), "unknown picture file extension"},
      {"a folder", QString::fromStdString(Path("")), "Could not open file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture p;
    p.LoadFromMemory(SmallBmp(), TGraphicType::gtBitmap);
    try {
      p.LoadFromFile(c.file);
      ADD_FAILURE() << "no error";
    } catch (const EPictureError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.message));
    }
    ExpectSmallBmp(p);
  }
}

TEST_F(PictureFiles, FileErrorsNameTheFile) {
  TPicture p;
  const QString file = Write("broken.jpg", Bytes{0xFF, 0xD8, 0xFF});
  try {
    p.LoadFromFile(file);
    ADD_FAILURE() << "no error";
  } catch (const EPictureError& e) {
    EXPECT_THAT(e.what(), StartsWith("TPicture::LoadFromFile: '" + file.toStdString() + "': JPEG error: "));
  }
  EXPECT_TRUE(p.Empty());
}

TEST(PictureStored, JpegIsStoredWithItsOwnBytes) {
  const Bytes jpeg = QuadrantJpeg();
  TPicture p;
  p.LoadFromMemory(jpeg, TGraphicType::gtJpeg);
  const Bytes stored = p.WriteStored();
  ASSERT_EQ(stored.size(), 1 + 10 + 4 + jpeg.size());
  EXPECT_EQ(std::string(stored.begin(), stored.begin() + 11), "\x0ATJPEGImage");
  EXPECT_EQ(stored[11] | stored[12] << 8 | stored[13] << 16 | stored[14] << 24,
            static_cast<int>(jpeg.size()));
  EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), stored.begin() + 15));

  Bytes streamed = stored;
  streamed.push_back(0x55);  // whatever follows in the stream is not ours
  TPicture q;
  EXPECT_EQ(q.ReadStored(streamed), stored.size());
  EXPECT_EQ(q.GraphicType(), TGraphicType::gtJpeg);
  EXPECT_EQ(q.Raster().pixels, p.Raster().pixels);
  EXPECT_EQ(q.WriteStored(), stored);
}

TEST(PictureStored, BitmapsAndEmptyPicturesRoundTrip) {
  for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    const std::size_t bpp = format == TPixelFormat::pf32bit ? 4 : 3;
    Bytes pixels(3 * 2 * bpp);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      pixels[i] = static_cast<std::uint8_t>(i * 11 + 1);
    }
    const TPicture p = TPicture::FromPixels(3, 2, format, pixels);
    const Bytes stored = p.WriteStored();
    EXPECT_EQ(std::string(stored.begin(), stored.begin() + 8), "\x07TBitmap");
    TPicture q;
    EXPECT_EQ(q.ReadStored(stored), stored.size());
    EXPECT_EQ(q.PixelFormat(), format);
    EXPECT_EQ(q.Raster().pixels, pixels);
  }
  TPicture q = TPicture::FromPixels(1, 1, TPixelFormat::pf24bit, {1, 2, 3});
  EXPECT_EQ(TPicture().WriteStored(), Bytes{0});
  EXPECT_EQ(q.ReadStored(Bytes{0}), 1u);
  EXPECT_TRUE(q.Empty());
}

TEST(PictureStored, BadStoredFormsKeepThePicture) {
  const Bytes jpeg = QuadrantJpeg();
  Bytes tooLong{10, 'T', 'J', 'P', 'E', 'G', 'I', 'm', 'a', 'g', 'e', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xD8};
  Bytes png{9, 'T', 'P', 'n', 'g', 'I', 'm', 'a', 'g', 'e', 0, 0, 0, 0};
  const struct {
    const char* name;
    Bytes data;
    const char* message;
  } cases[] = {
      {"nothing", Bytes{}, "no data"},
      {"length past the end", tooLong, "data of 4294967295 bytes, only 2 present"},
      {"name cut short", Bytes{10, 'T', 'J'}, "cut short"},
      {"unknown class", png, "unknown graphic class 'TPngImage'"},
      {"bad JPEG inside", Bytes{10, 'T', 'J', 'P', 'E', 'G', 'I', 'm', 'a', 'g', 'e', 2, 0, 0, 0, 'h', 'i'},
       "TPicture::ReadStored: JPEG error: Not a JPEG file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture p;
    p.LoadFromMemory(SmallBmp(), TGraphicType::gtBitmap);
    try {
      p.ReadStored(c.data);
      ADD_FAILURE() << "no error";
    } catch (const EPictureError& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.message));
    }
    ExpectSmallBmp(p);
  }
}

TEST(PictureFromPixels, RefusesMismatchedBuffers) {
  EXPECT_THROW(TPicture::FromPixels(2, 2, TPixelFormat::pf24bit, Bytes(11)), EPictureError);
  EXPECT_THROW(TPicture::FromPixels(2, 2, TPixelFormat::pf32bit, Bytes(12)), EPictureError);
  EXPECT_THROW(TPicture::FromPixels(0, 2, TPixelFormat::pf24bit, Bytes{}), EPictureError);
  EXPECT_THROW(TPicture::FromPixels(-1, -2, TPixelFormat::pf24bit, Bytes(6)), EPictureError);
}

}  // namespace
}  // namespace nimbrel::scene
