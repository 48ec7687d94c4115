// TGA parsing and loading, kept pixels, GL uploads, and RGBA composition.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "assets/texture.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/image_writers.h"

namespace velkor {
namespace {

using test::GlTest;
using test::TempDir;

constexpr GLuint kSentinelName = 777;
constexpr std::uint32_t kSentinelSize = 4242;

// Pixels whose every byte depends on position and channel, so that any change
// of stride, row order or channel order shows.
std::vector<std::uint8_t> PatternPixels(int width, int height, int bytesPerPixel, int seed = 0) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * bytesPerPixel);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint8_t>((i * 37 + (i / bytesPerPixel) * 11 + seed * 101 + i % bytesPerPixel * 64) & 0xff);
  return pixels;
}

TextureRecord SentinelRecord() {
  TextureRecord record{};
  record.width = kSentinelSize;
  record.height = kSentinelSize;
  record.bitsPerPixel = 0;
  record.textureId = kSentinelName;
  return record;
}

// Reads level `level` of the texture bound to GL_TEXTURE_2D.
std::vector<std::uint8_t> TextureLevel(GLuint name, int level, GLenum format, int* width = nullptr,
                                       int* height = nullptr) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
  if (width) *width = w;
  if (height) *height = h;
  const int channels = format == GL_RGBA ? 4 : 3;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h * channels);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!out.empty()) glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  return out;
}

GLint TextureParameter(GLuint name, GLenum parameter) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
  return value;
}

struct RejectCase {
  const char* what;
  std::size_t offset;
  std::uint8_t value;
  bool sizeStored;  // the width and height fields were reached
};

TEST(TgaDecodeTest, RefusesEveryUnsupportedHeaderWithoutAllocating) {
  const std::vector<std::uint8_t> good = EncodeTga(PatternPixels(4, 2, 3), 4, 2, 24);
  const RejectCase cases[] = {
      {"run-length encoded (type 10)", 2, 10, false},
      {"colour-mapped (type 1)", 2, 1, false},
      {"image ID field", 0, 5, false},
      {"colour map present", 1, 1, false},
      {"colour map fields", 5, 24, false},
      {"x origin", 8, 1, false},
      {"y origin", 11, 1, false},
      {"8 bits per pixel", 16, 8, true},
      {"16 bits per pixel", 16, 16, true},
      {"zero width", 12, 0, true},
      {"zero height", 14, 0, true},
  };
  for (const RejectCase& c : cases) {
    std::vector<std::uint8_t> bytes = good;
    bytes[c.offset] = c.value;
    TextureRecord record = SentinelRecord();
    EXPECT_NE(DecodeTga(bytes.data(), bytes.size(), record), nullptr) << c.what;
    EXPECT_EQ(record.pixels, nullptr) << c.what;
    EXPECT_EQ(record.textureId, kSentinelName) << c.what;
    EXPECT_EQ(record.bitsPerPixel, 0u) << c.what;
    if (c.sizeStored) {
      EXPECT_EQ(record.width, c.offset == 12 ? 0u : 4u) << c.what;
      EXPECT_EQ(record.height, c.offset == 14 ? 0u : 2u) << c.what;
    } else {
      EXPECT_EQ(record.width, kSentinelSize) << c.what;
      EXPECT_EQ(record.height, kSentinelSize) << c.what;
    }
  }
}

TEST(TgaDecodeTest, RefusesShortFilesAndKeepsNoBlock) {
  const std::vector<std::uint8_t> good = EncodeTga(PatternPixels(5, 3, 4), 5, 3, 32);
  for (std::size_t length : {std::size_t{0}, std::size_t{11}, std::size_t{12}, std::size_t{17}, good.size() - 1}) {
    TextureRecord record = SentinelRecord();
    EXPECT_NE(DecodeTga(good.data(), length, record), nullptr) << length;
    EXPECT_EQ(record.pixels, nullptr) << length;
  }
  TextureRecord record = SentinelRecord();
  EXPECT_NE(DecodeTga(good.data(), good.size() - 1, record), nullptr);
  EXPECT_EQ(record.width, 5u);  // header values already stored
  EXPECT_EQ(record.height, 3u);
  EXPECT_NE(DecodeTga(nullptr, 100, record), nullptr);
}

TEST(TgaDecodeTest, LargestHeaderIsRefusedBeforeAnyAllocation) {
  std::vector<std::uint8_t> bytes = EncodeTga(PatternPixels(1, 1, 4), 1, 1, 32);
  bytes[12] = bytes[13] = bytes[14] = bytes[15] = 0xff;  // 65535 x 65535 x 4 claimed, 4 bytes present
  TextureRecord record = SentinelRecord();
  EXPECT_NE(DecodeTga(bytes.data(), bytes.size(), record), nullptr);
  EXPECT_EQ(record.pixels, nullptr);
  EXPECT_EQ(record.width, 65535u);
}

TEST(TgaDecodeTest, KeepsFileRowOrderWithRedAndBlueExchanged) {
  for (int bits : {24, 32}) {
    const int bpp = bits / 8;
    const std::vector<std::uint8_t> rgb = PatternPixels(7, 3, bpp);
    std::vector<std::uint8_t> bytes = EncodeTga(rgb, 7, 3, bits);
    // On disk the first pixel is B, G, R (, A).
    ASSERT_EQ(bytes[18], rgb[2]);
    ASSERT_EQ(bytes[20], rgb[0]);
    bytes.insert(bytes.end(), 26, 0);  // a footer after the pixels is ignored
    TextureRecord record = SentinelRecord();
    ASSERT_EQ(DecodeTga(bytes.data(), bytes.size(), record), nullptr) << bits;
    EXPECT_EQ(record.width, 7u);
    EXPECT_EQ(record.height, 3u);
    EXPECT_EQ(record.bitsPerPixel, static_cast<std::uint32_t>(bits));
    EXPECT_EQ(record.textureId, kSentinelName);
    ASSERT_NE(record.pixels, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(record.pixels, record.pixels + rgb.size()), rgb) << bits;
    ReleaseTexturePixels(record);
    EXPECT_EQ(record.pixels, nullptr);
  }
}

TEST(TgaDecodeTest, TopLeftOriginIsStoredLikeBottomLeft) {
  const std::vector<std::uint8_t> rgb = PatternPixels(6, 4, 3);
  std::vector<std::uint8_t> bottomLeft = EncodeTga(rgb, 6, 4, 24);
  std::vector<std::uint8_t> topLeft = bottomLeft;
  topLeft[17] |= 0x20;
  TextureRecord a{}, b{};
  ASSERT_EQ(DecodeTga(bottomLeft.data(), bottomLeft.size(), a), nullptr);
  ASSERT_EQ(DecodeTga(topLeft.data(), topLeft.size(), b), nullptr);
  EXPECT_EQ(0, std::memcmp(a.pixels, b.pixels, rgb.size()));
  ReleaseTexturePixels(a);
  ReleaseTexturePixels(b);
}

class TgaLoadTest : public GlTest {
 protected:
  void TearDown() override { ReleaseTexturePixels(record_); }
  std::string WriteTga(const std::vector<std::uint8_t>& bytes, const char* name = "image.tga") {
    return dir_.Write(name, bytes);
  }
  TempDir dir_;
  TextureRecord record_ = SentinelRecord();
};

TEST_F(TgaLoadTest, RejectedFileCreatesNoTextureAndNamesTheFile) {
  std::vector<std::uint8_t> bytes = EncodeTga(PatternPixels(4, 4, 3), 4, 4, 24);
  bytes[2] = 10;
  const std::string path = WriteTga(bytes);
  EXPECT_FALSE(LoadTgaTexture(&record_, path.c_str()));
  EXPECT_EQ(record_.textureId, kSentinelName);
  EXPECT_EQ(record_.pixels, nullptr);
  EXPECT_NE(std::string(LastTextureLoadMessage()).find(path), std::string::npos);

  const std::string missing = dir_.path() + "/missing.tga";
  EXPECT_FALSE(LoadTgaTexture(&record_, missing.c_str()));
  EXPECT_EQ(record_.textureId, kSentinelName);
  EXPECT_NE(std::string(LastTextureLoadMessage()).find("missing.tga"), std::string::npos);
  EXPECT_FALSE(LoadTgaTexture(nullptr, path.c_str()));
}

TEST_F(TgaLoadTest, OneByteShortIsRefusedWithoutTexture) {
  std::vector<std::uint8_t> bytes = EncodeTga(PatternPixels(8, 8, 3), 8, 8, 24);
  bytes.pop_back();
  EXPECT_FALSE(LoadTgaTexture(&record_, WriteTga(bytes).c_str()));
  EXPECT_EQ(record_.pixels, nullptr);
  EXPECT_EQ(record_.textureId, kSentinelName);
  EXPECT_EQ(record_.width, 8u);
}

TEST_F(TgaLoadTest, UploadsMipmappedTextureOfTheFilePixels) {
  const std::vector<std::uint8_t> rgb = PatternPixels(16, 8, 3);
  ASSERT_TRUE(LoadTgaTexture(&record_, WriteTga(EncodeTga(rgb, 16, 8, 24)).c_str()));
  EXPECT_NE(record_.textureId, kSentinelName);
  EXPECT_TRUE(glIsTexture(record_.textureId));
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), record_.textureId);
  int w = 0, h = 0;
  EXPECT_EQ(TextureLevel(record_.textureId, 0, GL_RGB, &w, &h), rgb);  // first row in memory is t = 0
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 8);
  TextureLevel(record_.textureId, 4, GL_RGB, &w, &h);
  EXPECT_EQ(w, 1);  // the whole chain down to 1 x 1
  EXPECT_EQ(TextureParameter(record_.textureId, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(TextureParameter(record_.textureId, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TextureParameter(record_.textureId, GL_TEXTURE_WRAP_S), GL_REPEAT);
}

TEST_F(TgaLoadTest, ThirtyTwoBitPixelsAreReadAtTheirOwnStrideAndStayOpaque) {
  const std::vector<std::uint8_t> rgba = PatternPixels(8, 4, 4);
  ASSERT_TRUE(LoadTgaTexture(&record_, WriteTga(EncodeTga(rgba, 8, 4, 32)).c_str()));
  EXPECT_EQ(record_.bitsPerPixel, 32u);
  EXPECT_EQ(std::vector<std::uint8_t>(record_.pixels, record_.pixels + rgba.size()), rgba);
  const std::vector<std::uint8_t> texels = TextureLevel(record_.textureId, 0, GL_RGBA);
  ASSERT_EQ(texels.size(), rgba.size());
  for (std::size_t p = 0; p < rgba.size() / 4; ++p) {
    EXPECT_EQ(texels[4 * p], rgba[4 * p]) << p;
    EXPECT_EQ(texels[4 * p + 1], rgba[4 * p + 1]) << p;
    EXPECT_EQ(texels[4 * p + 2], rgba[4 * p + 2]) << p;
    EXPECT_EQ(texels[4 * p + 3], 255) << p;  // three-component texture
  }
}

TEST_F(TgaLoadTest, OddWidthRowsAreReadPackedAndAlignmentIsRestored) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  const std::vector<std::uint8_t> rgb = PatternPixels(2, 4, 3);  // rows of 6 bytes
  ASSERT_TRUE(LoadTgaTexture(&record_, WriteTga(EncodeTga(rgb, 2, 4, 24)).c_str()));
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 4);
  EXPECT_EQ(TextureLevel(record_.textureId, 0, GL_RGB), rgb);
}

TEST_F(TgaLoadTest, NonPowerOfTwoImageKeepsItsOwnSize) {
  const std::vector<std::uint8_t> rgb(100 * 60 * 3, 0x60);
  ASSERT_TRUE(LoadTgaTexture(&record_, WriteTga(EncodeTga(rgb, 100, 60, 24)).c_str()));
  EXPECT_EQ(record_.width, 100u);
  EXPECT_EQ(record_.height, 60u);
  EXPECT_EQ(std::vector<std::uint8_t>(record_.pixels, record_.pixels + rgb.size()), rgb);
  int w = 0, h = 0;
  const std::vector<std::uint8_t> level0 = TextureLevel(record_.textureId, 0, GL_RGB, &w, &h);
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  EXPECT_EQ(w & (w - 1), 0) << w;  // uploaded at a power-of-two size
  EXPECT_EQ(h & (h - 1), 0) << h;
  for (std::uint8_t v : level0) ASSERT_EQ(v, 0x60);
}

TEST_F(TgaLoadTest, DataPathWithBackslashesAndOtherCaseOpens) {
  const std::vector<std::uint8_t> rgb = PatternPixels(4, 4, 3);
  dir_.Write("data/texpart02/Frame.tga", EncodeTga(rgb, 4, 4, 24));
  test::ScopedWorkingDirectory cwd(dir_.path());
  ASSERT_TRUE(LoadTgaTexture(&record_, "data\\TEXPART02\\frame.TGA"));
  EXPECT_EQ(std::vector<std::uint8_t>(record_.pixels, record_.pixels + rgb.size()), rgb);
}

// Composition of two kept 256 x 256 images into one RGBA texture.
class ComposeTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    colour_ = Decoded(PatternPixels(256, 256, 3, 1), 256, 256, 24);
    mask_ = Decoded(PatternPixels(256, 256, 3, 2), 256, 256, 24);
  }
  void TearDown() override {
    ReleaseTexturePixels(colour_);
    ReleaseTexturePixels(mask_);
  }
  static TextureRecord Decoded(const std::vector<std::uint8_t>& pixels, int w, int h, int bits) {
    const std::vector<std::uint8_t> bytes = EncodeTga(pixels, w, h, bits);
    TextureRecord record{};
    EXPECT_EQ(DecodeTga(bytes.data(), bytes.size(), record), nullptr);
    return record;
  }
  static GLuint FreshName() {
    GLuint name = 0;
    glGenTextures(1, &name);
    return name;
  }
  // A small texture whose survival shows that nothing was uploaded.
  static void UploadMarker(GLuint name) {
    const std::uint8_t marker[2 * 2 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, marker);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  }
  TextureRecord colour_{};
  TextureRecord mask_{};
};

TEST_F(ComposeTest, AlphaIsTheMaskRedAndColourIsTheColourImage) {
  const GLuint name = FreshName();
  ComposeAlphaTexture(colour_, mask_, name);
  int w = 0, h = 0;
  const std::vector<std::uint8_t> texels = TextureLevel(name, 0, GL_RGBA, &w, &h);
  ASSERT_EQ(w, 256);
  ASSERT_EQ(h, 256);
  int wrong = 0;
  for (int p = 0; p < 256 * 256; ++p) {
    wrong += texels[4 * p] != colour_.pixels[3 * p] || texels[4 * p + 1] != colour_.pixels[3 * p + 1] ||
             texels[4 * p + 2] != colour_.pixels[3 * p + 2] || texels[4 * p + 3] != mask_.pixels[3 * p];
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(0, std::memcmp(overlayPixels, texels.data(), texels.size()));
  EXPECT_EQ(TextureParameter(name, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(TextureParameter(name, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  TextureLevel(name, 8, GL_RGBA, &w, &h);
  EXPECT_EQ(w, 1);
}

TEST_F(ComposeTest, ColourImageOwnTextureAndPixelsStayUnchanged) {
  TempDir dir;
  TextureRecord loaded{};
  ASSERT_TRUE(LoadTgaTexture(&loaded, dir.Write("c.tga", EncodeTga(PatternPixels(256, 256, 3, 1), 256, 256, 24)).c_str()));
  const std::vector<std::uint8_t> before = TextureLevel(loaded.textureId, 0, GL_RGB);
  const std::vector<std::uint8_t> pixelsBefore(loaded.pixels, loaded.pixels + 256 * 256 * 3);
  ComposeAlphaTexture(loaded, mask_, FreshName());
  EXPECT_EQ(TextureLevel(loaded.textureId, 0, GL_RGB), before);
  EXPECT_EQ(std::vector<std::uint8_t>(loaded.pixels, loaded.pixels + 256 * 256 * 3), pixelsBefore);
  ReleaseTexturePixels(loaded);
}

TEST_F(ComposeTest, SameImageAsColourAndMaskGivesItsOwnRedAsAlpha) {
  const GLuint name = FreshName();
  ComposeAlphaTexture(colour_, colour_, name);
  const std::vector<std::uint8_t> texels = TextureLevel(name, 0, GL_RGBA);
  int wrong = 0;
  for (int p = 0; p < 256 * 256; ++p) wrong += texels[4 * p + 3] != colour_.pixels[3 * p];
  EXPECT_EQ(wrong, 0);
}

TEST_F(ComposeTest, LaterCompositionReplacesAnEarlierUpload) {
  const GLuint name = FreshName();
  ComposeAlphaTexture(colour_, mask_, name);
  ComposeAlphaTexture(mask_, colour_, name);
  const std::vector<std::uint8_t> texels = TextureLevel(name, 0, GL_RGBA);
  EXPECT_EQ(texels[0], mask_.pixels[0]);
  EXPECT_EQ(texels[3], colour_.pixels[0]);
  EXPECT_EQ(texels[4 * 1000 + 1], mask_.pixels[3 * 1000 + 1]);
}

TEST_F(ComposeTest, ImagesOfAnotherShapeAreSkipped) {
  TextureRecord small = Decoded(PatternPixels(128, 128, 3), 128, 128, 24);
  TextureRecord deep = Decoded(PatternPixels(256, 256, 4), 256, 256, 32);
  TextureRecord wide = Decoded(PatternPixels(256, 128, 3), 256, 128, 24);
  TextureRecord empty{};
  empty.width = empty.height = 256;
  empty.bitsPerPixel = 24;  // header read, pixels never kept
  const TextureRecord* others[] = {&small, &deep, &wide, &empty};
  std::memset(overlayPixels, 0xab, sizeof overlayPixels);
  for (const TextureRecord* other : others) {
    for (bool otherIsMask : {false, true}) {
      const GLuint name = FreshName();
      UploadMarker(name);
      if (otherIsMask) ComposeAlphaTexture(colour_, *other, name);
      else ComposeAlphaTexture(*other, mask_, name);
      int w = 0;
      TextureLevel(name, 0, GL_RGB, &w);
      EXPECT_EQ(w, 2) << other->width << "x" << other->height << " mask " << otherIsMask;
    }
  }
  EXPECT_EQ(overlayPixels[0], 0xab);
  EXPECT_EQ(overlayPixels[sizeof overlayPixels - 1], 0xab);
  ReleaseTexturePixels(small);
  ReleaseTexturePixels(deep);
  ReleaseTexturePixels(wide);
}

}  // namespace
}  // namespace velkor
