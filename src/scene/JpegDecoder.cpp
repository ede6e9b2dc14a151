// JPEG decoding through libjpeg(-turbo).
//
// The library reports fatal errors through error_exit, whose default calls exit(); ours formats the
// message and longjmps back to RunDecoder. Only libjpeg's C frames lie between the two, so no C++
// destructor is skipped, and RunDecoder keeps its state in the job object its caller owns, so nothing it
// changed after setjmp is left indeterminate by the jump.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "scene/ImageCodecs.h"

namespace nimbrel::scene {

namespace {

// A sound progressive file has around ten scans; thousands of tiny scans over a large picture are a
// known way to make a decoder spin for minutes, so we stop well before that.
constexpr int kMaxScans = 500;

struct TJpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  int code = -1;  // libjpeg's message code; -1 for our own messages
};

struct TJpegJob {
  jpeg_decompress_struct cinfo{};
  TJpegErrorManager error{};
  jpeg_progress_mgr progress{};
  std::span<const std::uint8_t> data;
  std::uint64_t maxPixels = 0;
  TRaster raster;
  bool created = false;

  TJpegJob() = default;
  TJpegJob(const TJpegJob&) = delete;
  TJpegJob& operator=(const TJpegJob&) = delete;
  ~TJpegJob() {
    if (created) {
      jpeg_destroy_decompress(&cinfo);
    }
  }
};

[[noreturn]] void Fail(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  std::longjmp(error->jump, 1);
}

void ExitWithMessage(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, error->message);
  error->code = cinfo->err->msg_code;
  Fail(cinfo);
}

// Warnings mean corrupt or missing data that the library would paper over with grey blocks; a map
// with holes in it is not what the user asked for, and a truncated file must not pass as a picture.
void EmitMessage(j_common_ptr cinfo, int msgLevel) {
  if (msgLevel < 0) {
    ExitWithMessage(cinfo);
  }
}

void MonitorProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) {
    return;
  }
  const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kMaxScans) {
    auto* error = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
    std::snprintf(error->message, sizeof error->message, "more than %d scans", kMaxScans);
    Fail(cinfo);
  }
}

// Returns false with the reason in job.error.message when the data cannot be decoded.
bool RunDecoder(TJpegJob& job) {
  if (setjmp(job.error.jump) != 0) {
    return false;
  }
  job.created = true;  // the struct is zeroed, so destroying a half-created one is safe
  jpeg_create_decompress(&job.cinfo);
  job.cinfo.progress = &job.progress;
  jpeg_mem_src(&job.cinfo, job.data.data(), static_cast<unsigned long>(job.data.size()));
  jpeg_read_header(&job.cinfo, TRUE);

  const std::uint64_t pixels = std::uint64_t{job.cinfo.image_width} * job.cinfo.image_height;
  if (pixels > job.maxPixels) {
    std::snprintf(job.error.message, sizeof job.error.message,
                  "%u x %u pixels is more than the limit of %llu", job.cinfo.image_width,
                  job.cinfo.image_height, static_cast<unsigned long long>(job.maxPixels));
    return false;
  }

  job.cinfo.scale_num = 1;
  job.cinfo.scale_denom = 1;
  job.cinfo.out_color_space = JCS_RGB;
  job.cinfo.quantize_colors = FALSE;
  job.cinfo.do_block_smoothing = TRUE;
  job.cinfo.buffered_image = FALSE;
  jpeg_start_decompress(&job.cinfo);
  if (job.cinfo.output_components != 3) {
    std::snprintf(job.error.message, sizeof job.error.message, "%d output components instead of 3",
                  job.cinfo.output_components);
    return false;
  }

  const std::size_t stride = std::size_t{job.cinfo.output_width} * 3;
  job.raster.width = static_cast<int>(job.cinfo.output_width);
  job.raster.height = static_cast<int>(job.cinfo.output_height);
  job.raster.format = TPixelFormat::pf24bit;
  job.raster.pixels.resize(stride * job.cinfo.output_height);
  while (job.cinfo.output_scanline < job.cinfo.output_height) {
    JSAMPROW row = job.raster.pixels.data() + stride * job.cinfo.output_scanline;
    jpeg_read_scanlines(&job.cinfo, &row, 1);
  }
  jpeg_finish_decompress(&job.cinfo);
  return true;
}

// The failure in a user's words: the common ones plainly, the rest with libjpeg's own text.
std::string PlainReason(const TJpegErrorManager& error) {
  switch (error.code) {
    case -1:
      return std::string("the picture will not do: ") + error.message;
    case JWRN_JPEG_EOF:
    case JERR_INPUT_EOF:
      return "the JPEG data ends too early";
    case JERR_NO_SOI:
      return "it is not a JPEG file";
    case JERR_INPUT_EMPTY:
      return "the file is empty";
    default:
      return std::string("the JPEG data is damaged (") + error.message + ")";
  }
}

}  // namespace

TRaster DecodeJpeg(std::span<const std::uint8_t> data, std::uint64_t maxPixels) {
  TJpegJob job;
  job.data = data;
  job.maxPixels = maxPixels;
  job.cinfo.err = jpeg_std_error(&job.error.pub);
  job.error.pub.error_exit = ExitWithMessage;
  job.error.pub.emit_message = EmitMessage;
  job.progress.progress_monitor = MonitorProgress;
  if (!RunDecoder(job)) {
    throw EPictureError(std::string("JPEG error: ") + job.error.message, PlainReason(job.error));
  }
  return std::move(job.raster);
}

}  // namespace nimbrel::scene
