// PNG writing through libpng (screenshots).
#include <png.h>

#include <cstdio>
#include <memory>

#include "platform/screen.h"

namespace vlm::platform {

bool WritePng(const char* fileName, int width, int height, const uint8_t* rgba) {
  if (!fileName || width <= 0 || height <= 0 || !rgba) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(fileName, "wb"), std::fclose);
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // libpng reports errors by longjmp; nothing with a destructor lives
  // between here and the end of the writing.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(width) * 4;
  for (int row = 0; row < height; ++row)
    png_write_row(png, const_cast<png_bytep>(rgba + stride * static_cast<size_t>(row)));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(file.get()) == 0;
}

}  // namespace vlm::platform
