// PNG writing and reading on libpng.
#include "tools/render/png_files.h"

#include <png.h>

#include <cstdio>

namespace velkor {

namespace {

bool WriteRows(png_structp png, png_infop info, FILE* f, int width, int height, const std::uint8_t* pixels,
               PngCompression compression) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  // Speed over size for frames, written by the thousand.
  const bool small = compression == PngCompression::Small;
  png_set_compression_level(png, small ? 9 : 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, small ? PNG_ALL_FILTERS : PNG_FILTER_UP);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(width) * 3;
  for (int row = 0; row < height; ++row) png_write_row(png, const_cast<png_bytep>(pixels + stride * row));
  png_write_end(png, nullptr);
  return true;
}

bool ReadRows(png_structp png, png_infop info, FILE* f, int* width, int* height, std::vector<std::uint8_t>* pixels) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  const int type = png_get_color_type(png, info);
  if (png_get_bit_depth(png, info) != 8 || (type != PNG_COLOR_TYPE_RGB && type != PNG_COLOR_TYPE_RGBA)) return false;
  if (w == 0 || h == 0 || w > 16384 || h > 16384) return false;
  if (type == PNG_COLOR_TYPE_RGBA) png_set_strip_alpha(png);
  png_read_update_info(png, info);
  pixels->assign(static_cast<size_t>(w) * h * 3, 0);
  for (png_uint_32 row = 0; row < h; ++row)
    png_read_row(png, pixels->data() + static_cast<size_t>(w) * 3 * row, nullptr);
  png_read_end(png, nullptr);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

}  // namespace

bool WritePngRgb(const std::string& path, int width, int height, const std::uint8_t* pixels,
                 PngCompression compression) {
  // Written under a passing name and renamed when complete: a reader never
  // finds half a picture under the final name, whenever the writer stops.
  const std::string partial = path + ".partial";
  FILE* f = std::fopen(partial.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = info && WriteRows(png, info, f, width, height, pixels, compression);
  png_destroy_write_struct(&png, &info);
  ok = std::fclose(f) == 0 && ok;
  ok = ok && std::rename(partial.c_str(), path.c_str()) == 0;
  if (!ok) {
    std::remove(partial.c_str());
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
  }
  return ok;
}

bool ReadPngRgb(const std::string& path, int* width, int* height, std::vector<std::uint8_t>* pixels) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  const bool ok = info && ReadRows(png, info, f, width, height, pixels);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  if (!ok) {
    pixels->clear();
    std::fprintf(stderr, "not an 8-bit RGB PNG: %s\n", path.c_str());
  }
  return ok;
}

}  // namespace velkor
