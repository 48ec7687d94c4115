// JPEG decoding and encoding in memory, and the two JPEG texture loaders.
#include <gtest/gtest.h>

#include <jpeglib.h>

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

using test::GlTest;
using test::TempDir;

constexpr GLuint kSentinelName = 4242;

// A smooth picture (JPEG keeps it close) whose top half is reddish and bottom
// half bluish, so that row order shows.
std::vector<std::uint8_t> TwoToneRgb(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      const bool top = y < height / 2;
      p[0] = top ? 220 : 30;
      p[1] = static_cast<std::uint8_t>(64 + 64 * x / width);
      p[2] = top ? 30 : 220;
    }
  return rgb;
}

// Mean absolute byte difference (JPEG smears the sharp colour edge itself).
double MeanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 256;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return sum / static_cast<double>(a.size());
}

// The offset of the first frame header's height field (SOF0: FF C0, length, precision).
std::size_t FrameSizeOffset(const std::vector<std::uint8_t>& jpeg) {
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xff && jpeg[i + 1] == 0xc0) return i + 5;
  return 0;
}

TEST(JpegCodecTest, ColourRoundTripKeepsSizeAndTopRowFirst) {
  const std::vector<std::uint8_t> rgb = TwoToneRgb(48, 32);
  const std::vector<std::uint8_t> file = EncodeJpegRgb(rgb, 48, 32, 95);
  ASSERT_GT(file.size(), 100u);
  EXPECT_EQ(file[0], 0xff);
  EXPECT_EQ(file[1], 0xd8);
  JpegImage image;
  ASSERT_EQ(DecodeJpegRgb(file.data(), file.size(), image), kJpegOk);
  EXPECT_EQ(image.width, 48);
  EXPECT_EQ(image.height, 32);
  EXPECT_EQ(image.channels, 3);
  EXPECT_LE(MeanDifference(image.rgb, rgb), 4.0);
  EXPECT_GT(image.rgb[0], 180);  // first row is the red top row
  EXPECT_LT(image.rgb[2], 70);
}

TEST(JpegCodecTest, GreyFileGivesThreeEqualChannels) {
  std::vector<std::uint8_t> grey(40 * 24);
  for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(40 + (i % 40) * 4);
  const std::vector<std::uint8_t> file = EncodeJpegGrey(grey, 40, 24, 90);
  JpegImage image;
  ASSERT_EQ(DecodeJpegRgb(file.data(), file.size(), image), kJpegOk);
  EXPECT_EQ(image.channels, 1);
  ASSERT_EQ(image.rgb.size(), grey.size() * 3);
  int unequal = 0, worst = 0;
  for (std::size_t p = 0; p < grey.size(); ++p) {
    unequal += image.rgb[3 * p] != image.rgb[3 * p + 1] || image.rgb[3 * p] != image.rgb[3 * p + 2];
    worst = std::max(worst, std::abs(int{image.rgb[3 * p]} - int{grey[p]}));
  }
  EXPECT_EQ(unequal, 0);
  EXPECT_LE(worst, 12);
}

// A CMYK file as image editors write them (Adobe marker, inverted inks).
std::vector<std::uint8_t> EncodeCmykSolid(const std::uint8_t cmyk[4], int width, int height) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
  for (int x = 0; x < width; ++x)
    for (int c = 0; c < 4; ++c) row[4 * x + c] = cmyk[c];
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

TEST(JpegCodecTest, CmykFileIsConvertedToRgb) {
  const std::uint8_t magentaInverted[4] = {255, 0, 255, 255};  // no cyan/yellow ink, full magenta, no black
  const std::vector<std::uint8_t> file = EncodeCmykSolid(magentaInverted, 16, 16);
  JpegImage image;
  ASSERT_EQ(DecodeJpegRgb(file.data(), file.size(), image), kJpegOk);
  EXPECT_EQ(image.channels, 4);
  ASSERT_EQ(image.rgb.size(), 16u * 16u * 3u);
  EXPECT_GE(image.rgb[0], 245);
  EXPECT_LE(image.rgb[1], 10);
  EXPECT_GE(image.rgb[2], 245);
}

TEST(JpegCodecTest, DamagedInputFailsWithoutEndingTheProcess) {
  const std::vector<std::uint8_t> file = EncodeJpegRgb(TwoToneRgb(64, 64), 64, 64, 90);
  std::vector<std::vector<std::uint8_t>> damaged;
  damaged.emplace_back(file.begin(), file.begin() + file.size() / 2);  // cut inside the scan
  damaged.emplace_back(file.begin(), file.begin() + 300);                // cut inside the headers
  damaged.emplace_back(file.begin(), file.end() - 2);                    // end marker missing
  const std::size_t sizeAt = FrameSizeOffset(file);
  ASSERT_GT(sizeAt, 0u);
  std::vector<std::uint8_t> header = file;
  header[sizeAt - 1] = 12;  // 12-bit samples claimed
  damaged.push_back(header);
  std::vector<std::uint8_t> noStart = file;
  noStart[1] = 0x00;  // no start-of-image marker
  damaged.push_back(noStart);
  const std::string text = "this is not a picture";
  damaged.emplace_back(text.begin(), text.end());
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    JpegImage image;
    image.width = 99;
    EXPECT_NE(DecodeJpegRgb(damaged[i].data(), damaged[i].size(), image), kJpegOk) << i;
    EXPECT_TRUE(image.rgb.empty()) << i;
    EXPECT_EQ(image.width, 0) << i;
  }
  JpegImage image;
  EXPECT_NE(DecodeJpegRgb(nullptr, 0, image), kJpegOk);
  EXPECT_NE(DecodeJpegRgb(file.data(), 0, image), kJpegOk);
}

TEST(JpegCodecTest, ForgedHugeSizeIsRefusedBeforeDecoding) {
  std::vector<std::uint8_t> file = EncodeJpegRgb(TwoToneRgb(16, 16), 16, 16, 90);
  const std::size_t at = FrameSizeOffset(file);
  ASSERT_GT(at, 0u);
  file[at] = file[at + 2] = 0xea;  // 60000 x 60000
  file[at + 1] = file[at + 3] = 0x60;
  JpegImage image;
  EXPECT_EQ(DecodeJpegRgb(file.data(), file.size(), image), kJpegTooLarge);
  EXPECT_TRUE(image.rgb.empty());
}

TEST(JpegCodecTest, EncoderRefusesPixelsThatDoNotFillTheImage) {
  EXPECT_TRUE(EncodeJpegRgb(std::vector<std::uint8_t>(10 * 10 * 3 - 1), 10, 10, 80).empty());
  EXPECT_TRUE(EncodeJpegGrey(std::vector<std::uint8_t>(10), 0, 10, 80).empty());
  EXPECT_FALSE(EncodeJpegGrey(std::vector<std::uint8_t>(100, 7), 10, 10, 500).empty());  // quality clamped
}

class JpegLoadTest : public GlTest {
 protected:
  std::string WriteJpeg(const std::vector<std::uint8_t>& rgb, int w, int h, const char* name = "image.jpg") {
    return dir_.Write(name, EncodeJpegRgb(rgb, w, h, 92));
  }
  static std::vector<std::uint8_t> Decoded(const std::string& path) {
    const std::vector<std::uint8_t> bytes = test::ReadFileBytes(path);
    JpegImage image;
    EXPECT_EQ(DecodeJpegRgb(bytes.data(), bytes.size(), image), kJpegOk);
    return image.rgb;
  }
  static std::vector<std::uint8_t> Level(GLuint name, int level, int* w, int* h) {
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, h);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(*w) * *h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!out.empty()) glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, out.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return out;
  }
  static GLint Parameter(GLuint name, GLenum parameter) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
  }
  TempDir dir_;
  GLuint name_ = kSentinelName;
};

TEST_F(JpegLoadTest, SingleLevelTextureHoldsTheDecodedRowsTopFirst) {
  const std::string path = WriteJpeg(TwoToneRgb(64, 32), 64, 32);
  ASSERT_EQ(LoadJpegTexture(path.c_str(), &name_), 0);
  EXPECT_NE(name_, kSentinelName);
  ASSERT_TRUE(glIsTexture(name_));
  int w = 0, h = 0;
  const std::vector<std::uint8_t> level0 = Level(name_, 0, &w, &h);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 32);
  EXPECT_EQ(level0, Decoded(path));
  EXPECT_GT(level0[0], 180);  // t = 0 is the picture's top row
  Level(name_, 1, &w, &h);
  EXPECT_EQ(w, 0);  // no mipmaps
  EXPECT_EQ(Parameter(name_, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(Parameter(name_, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
}

TEST_F(JpegLoadTest, RowsOfOddLengthAndGreyFilesUploadExactly) {
  const std::string odd = WriteJpeg(TwoToneRgb(2, 8), 2, 8, "odd.jpg");  // rows of 6 bytes
  ASSERT_EQ(LoadJpegTexture(odd.c_str(), &name_), 0);
  int w = 0, h = 0;
  EXPECT_EQ(Level(name_, 0, &w, &h), Decoded(odd));

  const std::string grey = dir_.Write("grey.jpg", EncodeJpegGrey(std::vector<std::uint8_t>(32 * 16, 150), 32, 16, 90));
  GLuint greyName = kSentinelName;
  ASSERT_EQ(LoadJpegTexture(grey.c_str(), &greyName), 0);
  const std::vector<std::uint8_t> texels = Level(greyName, 0, &w, &h);
  ASSERT_EQ(texels.size(), 32u * 16u * 3u);
  for (std::size_t p = 0; p < texels.size(); p += 3) {
    ASSERT_EQ(texels[p], texels[p + 1]);
    ASSERT_EQ(texels[p], texels[p + 2]);
    ASSERT_NEAR(texels[p], 150, 3);
  }
}

TEST_F(JpegLoadTest, FailuresReturnNonZeroAndLeaveTheNameAlone) {
  const std::vector<std::uint8_t> file = EncodeJpegRgb(TwoToneRgb(64, 64), 64, 64, 90);
  const std::string truncated = dir_.Write("cut.jpg", std::vector<std::uint8_t>(file.begin(), file.begin() + file.size() / 3));
  std::vector<std::uint8_t> garbage(file.size(), 0x5a);
  const std::string corrupt = dir_.Write("bad.jpg", garbage);
  const std::string missing = dir_.path() + "/none.jpg";
  for (const std::string& path : {truncated, corrupt, missing}) {
    for (bool mipmapped : {false, true}) {
      GLuint name = kSentinelName;
      const int status = mipmapped ? LoadJpegTextureMipmapped(path.c_str(), &name) : LoadJpegTexture(path.c_str(), &name);
      EXPECT_NE(status, 0) << path;
      EXPECT_EQ(name, kSentinelName) << path;
      EXPECT_NE(std::string(LastTextureLoadMessage()).find(path), std::string::npos) << path;
    }
  }
}

TEST_F(JpegLoadTest, MipmappedTextureIsBuiltFromTheImageOwnSize) {
  const std::string square = WriteJpeg(TwoToneRgb(512, 512), 512, 512, "square.jpg");
  ASSERT_EQ(LoadJpegTextureMipmapped(square.c_str(), &name_), 0);
  int w = 0, h = 0;
  EXPECT_EQ(Level(name_, 0, &w, &h), Decoded(square));
  EXPECT_EQ(w, 512);
  Level(name_, 9, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(Parameter(name_, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(Parameter(name_, GL_TEXTURE_MAG_FILTER), GL_LINEAR);

  const std::string small = WriteJpeg(TwoToneRgb(128, 64), 128, 64, "small.jpg");
  GLuint smallName = kSentinelName;
  ASSERT_EQ(LoadJpegTextureMipmapped(small.c_str(), &smallName), 0);
  EXPECT_EQ(Level(smallName, 0, &w, &h), Decoded(small));
  EXPECT_EQ(w, 128);
  EXPECT_EQ(h, 64);
  Level(smallName, 7, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
}

TEST_F(JpegLoadTest, DataPathWithBackslashesOpens) {
  dir_.Write("data/texpart05/Photo1.JPG", EncodeJpegRgb(TwoToneRgb(16, 16), 16, 16, 90));
  test::ScopedWorkingDirectory cwd(dir_.path());
  EXPECT_EQ(LoadJpegTextureMipmapped("data\\texpart05\\photo1.jpg", &name_), 0);
  EXPECT_NE(name_, kSentinelName);
}

}  // namespace
}  // namespace velkor
