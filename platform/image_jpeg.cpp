// JPEG decoding and encoding through libjpeg-turbo.
//
// libjpeg reports errors through error_exit, which here longjmps back to the
// setjmp in Run*(). As in the PNG codec only plain data lives between the
// two; the job record in the caller's frame holds what must be freed.
#include <cstdio>  // jpeglib.h needs FILE

// clang-format off
#include <jpeglib.h>
#include <jerror.h>  // after jpeglib.h: its arithmetic-coding messages depend on jconfig.h
// clang-format on

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "platform/image.h"
#include "platform/image_codec.h"

namespace vlm::platform::codec {
namespace {

// A progressive file may carry any number of scans, each costing a pass over
// the whole coefficient buffer; real files have a dozen.
constexpr int kMaxScans = 500;
// Memory libjpeg may use for its own buffers (coefficients of progressive
// and multi-scan images).
constexpr long kMaxDecoderMemory = 1L << 30;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

struct DecodeJob {
  jpeg_decompress_struct info;
  ErrorManager error;
  jpeg_progress_mgr progress;
  bool created = false;
  uint8_t* pixels = nullptr;
  uint8_t* cmykRow = nullptr;
};

struct EncodeJob {
  jpeg_compress_struct info;
  ErrorManager error;
  bool created = false;
  unsigned char* data = nullptr;
  unsigned long size = 0;
};

[[noreturn]] void OnError(j_common_ptr common) {
  std::longjmp(reinterpret_cast<ErrorManager*>(common->err)->jump, 1);
}

// Warnings that mean pixels were lost: libjpeg would pad the picture with
// grey and carry on, the engine treats the file as corrupt.
void OnMessage(j_common_ptr common, int level) {
  if (level >= 0) return;
  switch (common->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
      OnError(common);
    default:
      break;
  }
}

void OnProgress(j_common_ptr common) {
  if (common->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(common)->input_scan_number > kMaxScans)
    OnError(common);
}

void SetUpErrors(ErrorManager* error) {
  jpeg_std_error(&error->base);
  error->base.error_exit = OnError;
  error->base.emit_message = OnMessage;
}

// Rounded x * y / 255, the product of two inverted ink values.
inline uint8_t Mix(unsigned x, unsigned y) {
  const unsigned t = x * y + 128;
  return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

bool RunDecode(DecodeJob* job, const uint8_t* data, size_t size, int64_t maxPixels, RawImage* out) {
  j_decompress_ptr info = &job->info;
  if (setjmp(job->error.jump)) return false;
  jpeg_create_decompress(info);
  job->created = true;
  info->mem->max_memory_to_use = kMaxDecoderMemory;
  job->progress.progress_monitor = OnProgress;
  info->progress = &job->progress;
  jpeg_mem_src(info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) return false;

  const uint64_t pixels = uint64_t{info->image_width} * info->image_height;
  if (pixels == 0 || info->image_width > kMaxImageSide || info->image_height > kMaxImageSide ||
      pixels > static_cast<uint64_t>(maxPixels))
    return false;
  // Huffman coding spends at least one bit on each 8 x 8 block of the
  // full-resolution component, so a file cannot hold more than 512 pixels
  // per byte; a header that claims more is refused before anything is
  // reserved for it. Arithmetic coding has no such floor.
  if (!info->arith_code && pixels > uint64_t{size} * 512) return false;

  const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  info->dct_method = JDCT_ISLOW;
  jpeg_start_decompress(info);
  const int components = info->output_components;
  if (components != (cmyk ? 4 : 3)) return false;

  const size_t width = info->output_width;
  const size_t stride = width * 3;
  job->pixels = static_cast<uint8_t*>(std::malloc(stride * info->output_height));
  if (cmyk) job->cmykRow = static_cast<uint8_t*>(std::malloc(width * 4));
  if (!job->pixels || (cmyk && !job->cmykRow)) return false;
  // Adobe writes CMYK inverted (0 = full ink); plain CMYK is inverted here.
  const unsigned flip = cmyk && !info->saw_Adobe_marker ? 255 : 0;
  while (info->output_scanline < info->output_height) {
    uint8_t* row = job->pixels + stride * info->output_scanline;
    JSAMPROW target = cmyk ? job->cmykRow : row;
    if (jpeg_read_scanlines(info, &target, 1) != 1) return false;
    if (!cmyk) continue;
    for (size_t x = 0; x < width; ++x) {
      const uint8_t* ink = job->cmykRow + x * 4;
      const unsigned k = ink[3] ^ flip;
      row[x * 3] = Mix(ink[0] ^ flip, k);
      row[x * 3 + 1] = Mix(ink[1] ^ flip, k);
      row[x * 3 + 2] = Mix(ink[2] ^ flip, k);
    }
  }
  jpeg_finish_decompress(info);
  out->pixels = job->pixels;
  out->width = static_cast<int>(info->output_width);
  out->height = static_cast<int>(info->output_height);
  out->bytesPerPixel = 3;
  return true;
}

bool RunEncode(EncodeJob* job, const uint8_t* pixels, int width, int height, int bytesPerPixel,
               size_t stride, int quality, bool progressive) {
  j_compress_ptr info = &job->info;
  if (setjmp(job->error.jump)) return false;
  jpeg_create_compress(info);
  job->created = true;
  jpeg_mem_dest(info, &job->data, &job->size);
  info->image_width = static_cast<JDIMENSION>(width);
  info->image_height = static_cast<JDIMENSION>(height);
  info->input_components = bytesPerPixel;
  info->in_color_space = bytesPerPixel == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, quality, TRUE);
  if (progressive) jpeg_simple_progression(info);
  jpeg_start_compress(info, TRUE);
  while (info->next_scanline < info->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + stride * info->next_scanline);
    jpeg_write_scanlines(info, &row, 1);
  }
  jpeg_finish_compress(info);
  return true;
}

}  // namespace

bool IsJpeg(const uint8_t* data, size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool DecodeJpeg(const uint8_t* data, size_t size, int64_t maxPixels, RawImage* out) {
  DecodeJob job{};
  SetUpErrors(&job.error);
  job.info.err = &job.error.base;
  const bool ok = RunDecode(&job, data, size, maxPixels, out);
  if (job.created) jpeg_destroy_decompress(&job.info);
  std::free(job.cmykRow);
  if (!ok) std::free(job.pixels);
  return ok;
}

bool EncodeJpeg(const uint8_t* pixels, int width, int height, int bytesPerPixel, size_t stride,
                int quality, bool progressive, RawBytes* out) {
  if (!pixels || width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
      (bytesPerPixel != 1 && bytesPerPixel != 3) ||
      stride < static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel))
    return false;
  EncodeJob job{};
  SetUpErrors(&job.error);
  job.info.err = &job.error.base;
  const bool ok = RunEncode(&job, pixels, width, height, bytesPerPixel, stride,
                            quality < 1 ? 1 : quality > 100 ? 100 : quality, progressive);
  if (job.created) jpeg_destroy_compress(&job.info);
  if (ok) {
    out->data = job.data;
    out->size = job.size;
  } else {
    std::free(job.data);
  }
  return ok;
}

}  // namespace vlm::platform::codec
