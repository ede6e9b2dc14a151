#pragma once
// Sample pictures made inside the tests: JPEGs from libjpeg's compressor and BMP files written byte by
// byte, so that each reader is checked against data it did not produce itself.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace nimbrel::scene::testing {

using Bytes = std::vector<std::uint8_t>;

struct TJpegOptions {
  int quality = 95;
  bool progressive = false;
  bool grey = false;  // `pixels` then has one byte per pixel
};

// Compresses top-first RGB (or grey) pixels; fails the running test and returns nothing on an error.
Bytes EncodeJpeg(int width, int height, const Bytes& pixels, const TJpegOptions& options = {});

// RGB pixels of a width x height picture made of four quadrants of the given colours (top-left,
// top-right, bottom-left, bottom-right).
Bytes QuadrantPixels(int width, int height, std::initializer_list<std::uint32_t> colours);

// Little-endian field writers for building BMP headers by hand.
void PutU16(Bytes& out, std::uint32_t value);
void PutU32(Bytes& out, std::uint32_t value);

// A BMP file: the 14-byte file header (pixel offset right behind `header`), then `header` (the info
// header followed by any masks and colour table) and `pixelData` as it is to appear in the file.
Bytes BmpFile(const Bytes& header, const Bytes& pixelData);

// A BITMAPINFOHEADER (40 bytes).
Bytes InfoHeader(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t compression = 0,
                 std::uint32_t colorsUsed = 0, int planes = 1);

// Positions of the first occurrence of a JPEG marker (0xFF, code), or npos.
std::size_t FindMarker(const Bytes& jpeg, std::uint8_t code);

void WriteFile(const std::string& path, const Bytes& data);

}  // namespace nimbrel::scene::testing
