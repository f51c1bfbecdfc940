#include "platform/png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace qora::platform {

namespace {

bool write_png(const std::string& path, const uint32_t* px, int w, int h, bool alpha) {
  if (!px || w <= 0 || h <= 0) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  const size_t channels = alpha ? 4 : 3;
  std::vector<uint8_t> row(size_t(w) * channels);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t p = px[size_t(y) * size_t(w) + size_t(x)];
      uint8_t* out = &row[size_t(x) * channels];
      out[0] = uint8_t(p >> 16);
      out[1] = uint8_t(p >> 8);
      out[2] = uint8_t(p);
      if (alpha) out[3] = uint8_t(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(f.get()) == 0;
}

}  // namespace

bool write_png_rgb(const std::string& path, const uint32_t* px, int w, int h) {
  return write_png(path, px, w, h, false);
}

bool write_png_rgba(const std::string& path, const uint32_t* px, int w, int h) {
  return write_png(path, px, w, h, true);
}

}  // namespace qora::platform
