// JPEG decoding and encoding in memory, and the two JPEG texture loaders.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/texture.h"
#include "platform/jpeg.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr GLuint kSentinelName = 4242;

// A smooth picture (JPEG keeps it close) with a reddish top half and a bluish bottom half, so row order shows.
Bytes TwoToneRgb(int width, int height) {
  Bytes rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) rgb.insert(rgb.end(), {std::uint8_t(y < height / 2 ? 220 : 30),
                                                           std::uint8_t(64 + 64 * x / width),
                                                           std::uint8_t(y < height / 2 ? 30 : 220)});
  return rgb;
}

Bytes Decoded(const Bytes& file, int* channels = nullptr) {
  JpegImage image;
  EXPECT_EQ(DecodeJpegRgb(file.data(), file.size(), image), kJpegOk);
  if (channels) *channels = image.channels;
  EXPECT_EQ(image.rgb.size(), static_cast<std::size_t>(image.width) * image.height * 3);
  return image.rgb;
}

// Mean absolute byte difference (JPEG smears the sharp colour edge itself).
double MeanDifference(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size() || a.empty()) return 256;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return sum / static_cast<double>(a.size());
}

TEST(JpegCodecTest, ColourAndGreyFilesDecodeToRgbTopRowFirst) {
  const Bytes rgb = TwoToneRgb(48, 32);
  int channels = 0;
  const Bytes colour = Decoded(EncodeJpegRgb(rgb, 48, 32, 95), &channels);
  EXPECT_EQ(channels, 3);
  EXPECT_LE(MeanDifference(colour, rgb), 4.0);
  EXPECT_TRUE(colour[0] > 180 && colour[2] < 70);  // the first row is the red top row

  Bytes grey(40 * 24), greyAsRgb;
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(40 + (i % 40) * 4);
  for (std::uint8_t v : grey) greyAsRgb.insert(greyAsRgb.end(), {v, v, v});
  const Bytes decoded = Decoded(EncodeJpegGrey(grey, 40, 24, 90), &channels);
  EXPECT_EQ(channels, 1);
  EXPECT_LE(MeanDifference(decoded, greyAsRgb), 4.0);
  for (std::size_t p = 0; p < decoded.size(); p += 3)
    ASSERT_TRUE(decoded[p] == decoded[p + 1] && decoded[p] == decoded[p + 2]) << p;
}

TEST(JpegCodecTest, DamagedInputFailsWithoutEndingTheProcess) {
  const Bytes file = EncodeJpegRgb(TwoToneRgb(64, 64), 64, 64, 90);
  std::size_t size = 0;  // the first frame header's height field (FF C0, length, precision)
  for (std::size_t i = 0; i + 8 < file.size() && !size; ++i) size = file[i] == 0xff && file[i + 1] == 0xc0 ? i + 5 : 0;
  ASSERT_GT(size, 0u);
  Bytes twelveBit = file, noStart = file, huge = file;
  twelveBit[size - 1] = 12;
  noStart[1] = 0x00;
  huge[size] = huge[size + 2] = 0xea, huge[size + 1] = huge[size + 3] = 0x60;  // 60000 x 60000
  const std::string text = "this is not a picture";
  const Bytes damaged[] = {Bytes(file.begin(), file.begin() + file.size() / 2),  // cut inside the scan
                           Bytes(file.begin(), file.begin() + 300),              // cut inside the headers
                           Bytes(file.begin(), file.end() - 2),                  // end marker missing
                           twelveBit, noStart, huge, Bytes(text.begin(), text.end()), Bytes()};
  for (const Bytes& bytes : damaged) {
    JpegImage image;
    image.width = 99;
    const int status = DecodeJpegRgb(bytes.data(), bytes.size(), image);
    EXPECT_NE(status, kJpegOk) << bytes.size();
    EXPECT_TRUE(image.rgb.empty() && image.width == 0) << bytes.size();
    if (&bytes == &damaged[5]) {  // refused before decoding
      EXPECT_EQ(status, kJpegTooLarge);
    }
  }
}

class JpegLoadTest : public test::GlTest {
 protected:
  // Loads `file` and returns level `level` of the texture with its size, or nothing on failure.
  Bytes LoadLevel(const Bytes& file, bool mipmapped, int level, int* w, int* h) {
    const std::string path = dir_.Write("image.jpg", file);
    if (!(mipmapped ? LoadJpegTextureMipmapped(path.c_str(), &name_) : LoadJpegTexture(path.c_str(), &name_)))
      return {};
    glBindTexture(GL_TEXTURE_2D, name_);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, h);
    Bytes out(static_cast<std::size_t>(*w) * *h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!out.empty()) glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, out.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return out;
  }
  test::TempDir dir_;
  GLuint name_ = kSentinelName;
};

// Both loaders upload the image at its own size (rows of 6 bytes here), top row at t = 0.
TEST_F(JpegLoadTest, TexturesHoldTheDecodedRowsTopFirst) {
  const Bytes file = EncodeJpegRgb(TwoToneRgb(2, 16), 2, 16, 92);
  for (bool mipmapped : {false, true}) {
    int w = 0, h = 0;
    name_ = kSentinelName;
    const Bytes level0 = LoadLevel(file, mipmapped, 0, &w, &h);
    EXPECT_NE(name_, kSentinelName);
    EXPECT_EQ(w, 2) << mipmapped;
    EXPECT_EQ(h, 16) << mipmapped;
    EXPECT_EQ(level0, Decoded(file)) << mipmapped;
    EXPECT_GT(level0[0], 180) << mipmapped;
    LoadLevel(file, mipmapped, 4, &w, &h);
    EXPECT_EQ(w * 10 + h, mipmapped ? 11 : 0) << mipmapped;  // the whole chain, or no mipmaps
  }
}

TEST_F(JpegLoadTest, FailuresReturnFalseLeaveTheNameAloneAndNameTheFile) {
  const Bytes file = EncodeJpegRgb(TwoToneRgb(64, 64), 64, 64, 90);
  const std::string truncated = dir_.Write("cut.jpg", Bytes(file.begin(), file.begin() + file.size() / 3));
  const std::string corrupt = dir_.Write("bad.jpg", Bytes(file.size(), 0x5a));
  for (const std::string& path : {truncated, corrupt, dir_.path() + "/none.jpg"}) {
    for (bool mipmapped : {false, true}) {
      GLuint name = kSentinelName;
      std::string error;
      EXPECT_FALSE(mipmapped ? LoadJpegTextureMipmapped(path.c_str(), &name, &error)
                             : LoadJpegTexture(path.c_str(), &name, &error));
      EXPECT_EQ(name, kSentinelName) << path;
      EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    }
  }
}

}  // namespace
}  // namespace velkor
