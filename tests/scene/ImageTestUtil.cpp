#include "ImageTestUtil.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <jpeglib.h>

#include <gtest/gtest.h>

namespace nimbrel::scene::testing {

namespace {

struct TErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ExitWithMessage(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<TErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, error->message);
  std::longjmp(error->jump, 1);
}

struct TEncoderJob {
  jpeg_compress_struct cinfo{};
  TErrorManager error{};
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  bool created = false;

  ~TEncoderJob() {
    if (created) {
      jpeg_destroy_compress(&cinfo);
    }
    std::free(out);
  }
};

// As in the decoder: the job lives with the caller, so nothing set after setjmp is lost on an error.
bool RunEncoder(TEncoderJob& job, int width, int height, const Bytes& pixels, const TJpegOptions& options) {
  if (setjmp(job.error.jump) != 0) {
    return false;
  }
  job.created = true;
  jpeg_create_compress(&job.cinfo);
  jpeg_mem_dest(&job.cinfo, &job.out, &job.outSize);
  job.cinfo.image_width = static_cast<JDIMENSION>(width);
  job.cinfo.image_height = static_cast<JDIMENSION>(height);
  job.cinfo.input_components = options.grey ? 1 : 3;
  job.cinfo.in_color_space = options.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&job.cinfo);
  jpeg_set_quality(&job.cinfo, options.quality, TRUE);
  if (options.progressive) {
    jpeg_simple_progression(&job.cinfo);
  }
  jpeg_start_compress(&job.cinfo, TRUE);
  const std::size_t stride =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(job.cinfo.input_components);
  while (job.cinfo.next_scanline < job.cinfo.image_height) {
    auto row = const_cast<JSAMPROW>(pixels.data() + stride * job.cinfo.next_scanline);
    jpeg_write_scanlines(&job.cinfo, &row, 1);
  }
  jpeg_finish_compress(&job.cinfo);
  return true;
}

}  // namespace

Bytes EncodeJpeg(int width, int height, const Bytes& pixels, const TJpegOptions& options) {
  TEncoderJob job;
  job.cinfo.err = jpeg_std_error(&job.error.pub);
  job.error.pub.error_exit = ExitWithMessage;
  if (!RunEncoder(job, width, height, pixels, options)) {
    ADD_FAILURE() << "EncodeJpeg: " << job.error.message;
    return {};
  }
  return Bytes(job.out, job.out + job.outSize);
}

Bytes QuadrantPixels(int width, int height, std::initializer_list<std::uint32_t> colours) {
  const std::uint32_t* c = colours.begin();
  Bytes pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t rgb = c[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
      pixels.push_back(static_cast<std::uint8_t>(rgb >> 16));
      pixels.push_back(static_cast<std::uint8_t>(rgb >> 8));
      pixels.push_back(static_cast<std::uint8_t>(rgb));
    }
  }
  return pixels;
}

void PutU16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(Bytes& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

Bytes BmpFile(const Bytes& header, const Bytes& pixelData) {
  Bytes file{'B', 'M'};
  PutU32(file, static_cast<std::uint32_t>(14 + header.size() + pixelData.size()));
  PutU32(file, 0);
  PutU32(file, static_cast<std::uint32_t>(14 + header.size()));
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), pixelData.begin(), pixelData.end());
  return file;
}

Bytes InfoHeader(std::int32_t width, std::int32_t height, int bitCount, std::uint32_t compression,
                 std::uint32_t colorsUsed, int planes) {
  Bytes h;
  PutU32(h, 40);
  PutU32(h, static_cast<std::uint32_t>(width));
  PutU32(h, static_cast<std::uint32_t>(height));
  PutU16(h, static_cast<std::uint32_t>(planes));
  PutU16(h, static_cast<std::uint32_t>(bitCount));
  PutU32(h, compression);
  PutU32(h, 0);  // image size, may be 0 for uncompressed bitmaps
  PutU32(h, 2835);
  PutU32(h, 2835);
  PutU32(h, colorsUsed);
  PutU32(h, 0);
  return h;
}

std::size_t FindMarker(const Bytes& jpeg, std::uint8_t code) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) {
      return i;
    }
  }
  return std::string::npos;
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

}  // namespace nimbrel::scene::testing
