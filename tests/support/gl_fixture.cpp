// Headless GL context and pixel read-back for tests.
#include "support/gl_fixture.h"

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

void GlTest::SetUp() { ASSERT_TRUE(EnsureHeadlessContext()) << "no headless GL context"; }

}  // namespace velkor::test
