// Mipmap chains computed in memory against GLU's own: every level GLU uploads
// for a shape, read back from GL, equals the chain's level byte for byte, for
// power-of-two sizes and sizes GLU first rescales, RGB and RGBA.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mipmap.h"
#include "platform/gl.h"
#include "support/gl_fixture.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Noise with flat patches and full-range edges, so that both rounding and
// saturation near 0 and 255 are exercised.
Bytes NoisePixels(int width, int height, int components, std::uint32_t seed) {
  Bytes pixels(static_cast<std::size_t>(width) * height * components);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    const std::uint32_t r = state >> 24;
    pixels[i] = static_cast<std::uint8_t>(r < 32 ? 0 : r > 224 ? 255 : r);
  }
  return pixels;
}

Bytes ReadLevel(int level, GLenum format, int* width, int* height) {
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, height);
  Bytes out(static_cast<std::size_t>(*width) * *height * (format == GL_RGBA ? 4 : 3));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!out.empty()) glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  return out;
}

class MipmapChainTest : public test::GlTest {};

TEST_F(MipmapChainTest, EveryLevelEqualsWhatGluUploads) {
  const struct { int width, height; } shapes[] = {{256, 256}, {64, 16}, {1, 8},   {8, 1},   {100, 60}, {60, 100},
                                                  {33, 17},   {3, 5},   {1, 1},   {640, 480}, {511, 257}, {96, 95},
                                                  {257, 3},   {2, 300}};
  for (const int components : {3, 4}) {
    const GLenum format = components == 4 ? GL_RGBA : GL_RGB;
    for (const auto& shape : shapes) {
      const std::string what = std::to_string(shape.width) + " x " + std::to_string(shape.height) + " x " +
                               std::to_string(components);
      const Bytes source = NoisePixels(shape.width, shape.height, components, shape.width * 7 + shape.height);
      const int width = NearestPowerOfTwo(shape.width), height = NearestPowerOfTwo(shape.height);
      const MipmapChain chain =
          BuildMipmapChain(source.data(), shape.width, shape.height, components, width, height, true);
      EXPECT_EQ(chain.source, source) << what;
      ASSERT_EQ(chain.levels.size(), static_cast<std::size_t>(MipmapLevelCount(width, height)) + 1) << what;

      GLuint name = 0;
      glGenTextures(1, &name);
      glBindTexture(GL_TEXTURE_2D, name);
      glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
      ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, components, shape.width, shape.height, format, GL_UNSIGNED_BYTE,
                                  source.data()),
                0)
          << what;
      glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
      for (std::size_t level = 0; level < chain.levels.size(); ++level) {
        int w = 0, h = 0;
        const Bytes glu = ReadLevel(static_cast<int>(level), format, &w, &h);
        ASSERT_EQ(w, MipmapSide(width, static_cast<int>(level))) << what << " level " << level;
        ASSERT_EQ(h, MipmapSide(height, static_cast<int>(level))) << what << " level " << level;
        const Bytes& ours = chain.levels[level].empty() ? source : chain.levels[level];
        EXPECT_TRUE(ours == glu) << what << " level " << level;
      }
      int w = 0, h = 0;
      EXPECT_TRUE(ReadLevel(static_cast<int>(chain.levels.size()), format, &w, &h).empty()) << what << ": no extra level";
      glDeleteTextures(1, &name);
    }
  }
}

}  // namespace
}  // namespace velkor
