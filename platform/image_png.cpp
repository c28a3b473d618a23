// PNG decoding and encoding through libpng.
//
// libpng reports errors by longjmp back to the setjmp in Run*(). Between the
// setjmp and the end of decoding only plain data is touched, all of it kept
// in a job record that lives in the caller's frame, so nothing with a
// destructor is skipped and the caller frees what the job holds.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "platform/image.h"
#include "platform/image_codec.h"

namespace vlm::platform::codec {
namespace {

// deflate cannot expand one input byte to more than 1032 output bytes.
constexpr uint64_t kMaxInflateRatio = 1032;

struct MemorySource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

struct DecodeJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytep* rows = nullptr;
  uint8_t* pixels = nullptr;
  MemorySource source{};
};

// A growing malloc'd block that the writer appends to.
struct EncodeJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytep* rows = nullptr;
  uint8_t* data = nullptr;
  size_t size = 0;
  size_t capacity = 0;
};

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (count > source->size - source->pos) png_error(png, "truncated");
  std::memcpy(out, source->data + source->pos, count);
  source->pos += count;
}

void WriteToMemory(png_structp png, png_bytep in, size_t count) {
  auto* job = static_cast<EncodeJob*>(png_get_io_ptr(png));
  if (count > job->capacity - job->size) {
    size_t capacity = job->capacity ? job->capacity : 4096;
    while (capacity - job->size < count) {
      if (capacity > SIZE_MAX / 2) png_error(png, "too large");
      capacity *= 2;
    }
    auto* grown = static_cast<uint8_t*>(std::realloc(job->data, capacity));
    if (!grown) png_error(png, "out of memory");
    job->data = grown;
    job->capacity = capacity;
  }
  std::memcpy(job->data + job->size, in, count);
  job->size += count;
}

void FlushNothing(png_structp) {}

bool RunDecode(DecodeJob* job, int64_t maxPixels, RawImage* out) {
  png_structp png = job->png;
  png_infop info = job->info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &job->source, ReadFromMemory);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
#ifdef PNG_IGNORE_ADLER32
  // Every chunk's CRC-32 already guards the compressed data; the stream's
  // own Adler-32 would check the same bytes a second time.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  // Lets mutated files past the checksums into the decoding proper.
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
  const uint64_t pixels = uint64_t{width} * height;
  if (pixels == 0 || pixels > static_cast<uint64_t>(maxPixels)) return false;
  // A header that promises more pixels than its data could inflate to is a
  // lie; refuse it before reserving memory for it.
  const uint64_t rawBytes = pixels * png_get_channels(png, info) * static_cast<uint64_t>(depth) / 8;
  if (rawBytes > (uint64_t{job->source.size} + 1) * kMaxInflateRatio) return false;

  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int bytesPerPixel = png_get_channels(png, info);
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
  if ((bytesPerPixel != 3 && bytesPerPixel != 4) || png_get_rowbytes(png, info) != stride)
    return false;
  job->pixels = static_cast<uint8_t*>(std::malloc(stride * height));
  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (!job->pixels || !job->rows) return false;
  for (png_uint_32 y = 0; y < height; ++y) job->rows[y] = job->pixels + stride * y;
  png_read_image(png, job->rows);
  png_read_end(png, nullptr);

  out->pixels = job->pixels;
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->bytesPerPixel = bytesPerPixel;
  return true;
}

bool RunEncode(EncodeJob* job, const uint8_t* pixels, int width, int height, int bytesPerPixel,
               size_t stride) {
  png_structp png = job->png;
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, job, WriteToMemory, FlushNothing);
  png_set_IHDR(png, job->info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               bytesPerPixel == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * static_cast<size_t>(height)));
  if (!job->rows) return false;
  for (int y = 0; y < height; ++y)
    job->rows[y] = const_cast<png_bytep>(pixels + stride * static_cast<size_t>(y));
  png_set_rows(png, job->info, job->rows);
  png_write_png(png, job->info, PNG_TRANSFORM_IDENTITY, nullptr);
  return true;
}

}  // namespace

bool IsPng(const uint8_t* data, size_t size) { return size >= 8 && png_sig_cmp(data, 0, 8) == 0; }

bool DecodePng(const uint8_t* data, size_t size, int64_t maxPixels, RawImage* out) {
  DecodeJob job;
  job.source = {data, size, 0};
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!job.png) return false;
  job.info = png_create_info_struct(job.png);
  const bool ok = job.info && RunDecode(&job, maxPixels, out);
  png_destroy_read_struct(&job.png, &job.info, nullptr);
  std::free(job.rows);
  if (!ok) std::free(job.pixels);
  return ok;
}

bool EncodePng(const uint8_t* pixels, int width, int height, int bytesPerPixel, size_t stride,
               RawBytes* out) {
  if (!pixels || width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
      (bytesPerPixel != 3 && bytesPerPixel != 4) ||
      stride < static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel))
    return false;
  EncodeJob job;
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!job.png) return false;
  job.info = png_create_info_struct(job.png);
  const bool ok = job.info && RunEncode(&job, pixels, width, height, bytesPerPixel, stride);
  png_destroy_write_struct(&job.png, &job.info);
  std::free(job.rows);
  if (!ok) {
    std::free(job.data);
    return false;
  }
  out->data = job.data;
  out->size = job.size;
  return true;
}

}  // namespace vlm::platform::codec
