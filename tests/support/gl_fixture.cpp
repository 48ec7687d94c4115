// Headless GL context and pixel read-back for tests.
#include "support/gl_fixture.h"

#include <png.h>

#include <cstdio>

#include "platform/gl.h"
#include "platform/window.h"

namespace velkor::test {

bool EnsureHeadlessContext() {
  static int state = 0;  // 0 untried, 1 ok, -1 failed
  if (state == 0) {
    state = PlatformOpenHeadless(640, 480) ? 1 : -1;
    if (state == 1) FetchMultitextureEntryPoints();
  }
  return state == 1;
}

std::vector<std::uint8_t> ReadPixelsRgb(int x, int y, int width, int height) {
  std::vector<std::uint8_t> pixels(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

std::vector<int> PixelAt(int x, int y) {
  const auto p = ReadPixelsRgb(x, y, 1, 1);
  return {p[0], p[1], p[2]};
}

bool SavePng(const std::string& path, int width, int height) {
  const auto pixels = ReadPixelsRgb(0, 0, width, height);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int row = height - 1; row >= 0; --row)
    png_write_row(png, const_cast<png_bytep>(&pixels[static_cast<size_t>(row) * width * 3]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return true;
}

void GlTest::SetUp() { ASSERT_TRUE(EnsureHeadlessContext()) << "no headless GL context"; }

}  // namespace velkor::test
