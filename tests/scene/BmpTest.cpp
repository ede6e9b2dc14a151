// The bitmap reader against files written byte by byte here, one per variant of the format.

#include <climits>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ImageTestUtil.h"
#include "scene/ImageCodecs.h"
#include "scene/Picture.h"

namespace nimbrel::scene {
namespace {

using testing::BmpFile;
using testing::Bytes;
using ::testing::HasSubstr;
using testing::InfoHeader;
using testing::PutU16;
using testing::PutU32;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) {
    all.insert(all.end(), p.begin(), p.end());
  }
  return all;
}

Bytes Masks(std::initializer_list<std::uint32_t> masks) {
  Bytes out;
  for (std::uint32_t m : masks) {
    PutU32(out, m);
  }
  return out;
}

Bytes U16s(std::initializer_list<std::uint32_t> values) {
  Bytes out;
  for (std::uint32_t v : values) {
    PutU16(out, v);
  }
  return out;
}

// A BITMAPV5HEADER with bit fields: the 40-byte part, the four masks, then colour space fields as zeros.
Bytes V5Header(std::int32_t width, std::int32_t height, std::initializer_list<std::uint32_t> masks) {
  Bytes h = InfoHeader(width, height, 32, 3);
  h[0] = 124;
  Bytes m = Masks(masks);
  h.insert(h.end(), m.begin(), m.end());
  h.resize(124, 0);
  return h;
}

Bytes CoreHeader(std::uint16_t width, std::uint16_t height, int bitCount) {
  Bytes h;
  PutU32(h, 12);
  PutU16(h, width);
  PutU16(h, height);
  PutU16(h, 1);
  PutU16(h, static_cast<std::uint32_t>(bitCount));
  return h;
}

struct TBmpCase {
  const char* name;
  Bytes file;
  int width;
  int height;
  TPixelFormat format;
  Bytes pixels;  // top row first
};

TEST(BmpReader, ReadsTheCommonVariants) {
  // Colour tables hold B, G, R and a reserved byte (three bytes behind a core header).
  const Bytes palette3 = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // red, green, blue
  const TBmpCase cases[] = {
      {"24-bit bottom-up, rows padded to 4 bytes",
       BmpFile(InfoHeader(3, 2, 24), {1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,    // bottom row
                                      11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}),  // top row
       3,
       2,
       TPixelFormat::pf24bit,
       {13, 12, 11, 16, 15, 14, 19, 18, 17, 3, 2, 1, 6, 5, 4, 9, 8, 7}},
      {"24-bit top-down",
       BmpFile(InfoHeader(1, -2, 24), {1, 2, 3, 0, 4, 5, 6, 0}),
       1,
       2,
       TPixelFormat::pf24bit,
       {3, 2, 1, 6, 5, 4}},
      {"32-bit keeps the fourth byte as alpha",
       BmpFile(InfoHeader(2, 1, 32), {1, 2, 3, 4, 5, 6, 7, 8}),
       2,
       1,
       TPixelFormat::pf32bit,
       {3, 2, 1, 4, 7, 6, 5, 8}},
      {"8-bit palette, index past the table is black",
       BmpFile(Concat({InfoHeader(4, 1, 8, 0, 3), palette3}), {2, 1, 0, 7}),
       4,
       1,
       TPixelFormat::pf24bit,
       {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}},
      {"4-bit palette, high nibble first",
       BmpFile(Concat({InfoHeader(3, 1, 4, 0, 3), palette3}), {0x12, 0x00, 0, 0}),
       3,
       1,
       TPixelFormat::pf24bit,
       {0, 255, 0, 0, 0, 255, 255, 0, 0}},
      {"1-bit palette across a byte boundary",
       BmpFile(Concat({InfoHeader(10, 1, 1, 0, 2), Bytes{0, 0, 0, 0, 255, 255, 255, 0}}), {0x81, 0x40, 0, 0}),
       10,
       1,
       TPixelFormat::pf24bit,
       {255, 255, 255, 0, 0, 0, 0,   0,   0,   0, 0, 0, 0,   0,   0,
        0,   0,   0,   0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255}},
      {"16-bit 5-5-5 without masks",
       BmpFile(InfoHeader(2, 1, 16), U16s({0x7C00, 0x03FF})),
       2,
       1,
       TPixelFormat::pf24bit,
       {255, 0, 0, 0, 255, 255}},
      {"16-bit 5-6-5 masks behind a plain header",
       BmpFile(Concat({InfoHeader(2, 1, 16, 3), Masks({0xF800, 0x07E0, 0x001F})}), U16s({0x07E0, 0x8010})),
       2,
       1,
       TPixelFormat::pf24bit,
       {0, 255, 0, 131, 0, 131}},
      {"32-bit alpha bit fields behind a plain header",
       BmpFile(Concat({InfoHeader(1, 1, 32, 6), Masks({0xFF, 0xFF00, 0xFF0000, 0xFF000000})}), {1, 2, 3, 4}),
       1,
       1,
       TPixelFormat::pf32bit,
       {1, 2, 3, 4}},
      {"V5 header with RGBA masks",
       BmpFile(V5Header(1, 1, {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}), {40, 30, 20, 10}),
       1,
       1,
       TPixelFormat::pf32bit,
       {10, 20, 30, 40}},
      {"V5 header without an alpha mask",
       BmpFile(V5Header(1, 1, {0xFF0000, 0xFF00, 0xFF, 0}), {1, 2, 3, 4}),
       1,
       1,
       TPixelFormat::pf32bit,
       {3, 2, 1, 4}},
      {"core header, 24-bit",
       BmpFile(CoreHeader(2, 1, 24), {1, 2, 3, 4, 5, 6, 0, 0}),
       2,
       1,
       TPixelFormat::pf24bit,
       {3, 2, 1, 6, 5, 4}},
      {"core header, 8-bit with a three-byte colour table",
       BmpFile(Concat({CoreHeader(1, 2, 8), Bytes(256 * 3, 0x40)}), {0, 0, 0, 0, 0, 0, 0, 0}),
       1,
       2,
       TPixelFormat::pf24bit,
       {0x40, 0x40, 0x40, 0x40, 0x40, 0x40}},
  };
  for (const TBmpCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture p;
    try {
      p.LoadFromMemory(c.file, TGraphicType::gtBitmap);
    } catch (const EPictureError& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    EXPECT_EQ(p.Width(), c.width);
    EXPECT_EQ(p.Height(), c.height);
    EXPECT_EQ(p.PixelFormat(), c.format);
    EXPECT_EQ(p.Raster().pixels, c.pixels);
  }
}

TEST(BmpReader, RefusesWhatItCannotReadAndKeepsThePicture) {
  const Bytes good = BmpFile(InfoHeader(2, 2, 24), Bytes(16, 0x80));
  auto with = [&good](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    Bytes b = good;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  Bytes tooShort = good;
  tooShort.pop_back();
  // Offsets into the file: 10 pixel offset, 14 header size, 18 width, 22 height, 26 planes, 28 bit count,
  // 30 compression, 46 colours used.
  const struct {
    const char* name;
    Bytes data;
    const char* message;
  } cases[] = {
      {"empty", Bytes{}, "not a BMP file"},
      {"no signature", with(0, {'X', 'M'}), "not a BMP file"},
      {"file header only", Bytes(good.begin(), good.begin() + 14), "not a BMP file"},
      {"header cut short", Bytes(good.begin(), good.begin() + 30), "header is cut short"},
      {"unknown header size", with(14, {20}), "unsupported header size 20"},
      {"two planes", with(26, {2}), "2 planes"},
      {"7 bits per pixel", with(28, {7}), "unsupported bit count 7"},
      {"run-length coding", with(30, {1}), "run-length"},
      {"embedded PNG", with(30, {5}), "JPEG or PNG"},
      {"unknown compression", with(30, {9}), "unknown compression 9"},
      {"bit fields on 24 bits", with(30, {3}), "bit masks with a bit count of 24"},
      {"zero width", with(18, {0, 0, 0, 0}), "impossible size"},
      {"zero height", with(22, {0, 0, 0, 0}), "impossible size"},
      {"most negative height", with(22, {0, 0, 0, 0x80}), "impossible size"},
      {"negative width", with(18, {0xFE, 0xFF, 0xFF, 0xFF}), "impossible size"},
      {"100000 x 100000", with(18, {0xA0, 0x86, 0x01, 0, 0xA0, 0x86, 0x01, 0}),
       "100000 x 100000 pixels is more than the limit"},
      {"pixel data cut short", tooShort, "cut short"},
      {"pixel offset past the end", with(10, {0xFF, 0xFF, 0xFF, 0x7F}), "cut short"},
      {"pixel offset inside the header", with(10, {20}), "inside the headers"},
      {"colour table cut short", BmpFile(InfoHeader(1, 1, 8, 0, 0), Bytes(8, 0)),
       "colour table is cut short"},
      {"masks cut short", BmpFile(InfoHeader(1, 1, 32, 3), Bytes(8, 0)), "cut short"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPicture p = TPicture::FromPixels(1, 1, TPixelFormat::pf24bit, {7, 8, 9});
    try {
      p.LoadFromMemory(c.data, TGraphicType::gtBitmap);
      ADD_FAILURE() << "no error";
    } catch (const EPictureError& e) {
      EXPECT_THAT(e.what(), HasSubstr("TPicture::LoadFromMemory: BMP error: "));
      EXPECT_THAT(e.what(), HasSubstr(c.message));
    }
    EXPECT_EQ(p.Width(), 1);
    EXPECT_EQ(p.Raster().pixels, (Bytes{7, 8, 9}));
  }
}

TEST(BmpWriter, WritesWhatTheReaderReadsBack) {
  for (int width : {1, 2, 3, 4, 5}) {
    for (TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
      SCOPED_TRACE(std::to_string(width) +
                   (format == TPixelFormat::pf32bit ? " wide, 32-bit" : " wide, 24-bit"));
      TRaster r;
      r.width = width;
      r.height = 3;
      r.format = format;
      r.pixels.resize(static_cast<std::size_t>(width) * 3 * r.BytesPerPixel());
      for (std::size_t i = 0; i < r.pixels.size(); ++i) {
        r.pixels[i] = static_cast<std::uint8_t>(i * 7 + 3);
      }
      const Bytes file = EncodeBmp(r);
      const TRaster back = DecodeBmp(file, 100);
      EXPECT_EQ(back.width, width);
      EXPECT_EQ(back.height, 3);
      EXPECT_EQ(back.format, format);
      EXPECT_EQ(back.pixels, r.pixels);
    }
  }
  EXPECT_THROW(EncodeBmp(TRaster{}), EPictureError);
}

}  // namespace
}  // namespace nimbrel::scene
