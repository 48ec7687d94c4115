// TGA parsing and loading, kept pixels, GL uploads, and RGBA composition.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "assets/texture.h"
#include "platform/log.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/standin/image_writers.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr GLuint kSentinelName = 777;
constexpr std::uint32_t kSentinelSize = 4242;

// Every byte depends on position and channel, so any change of stride, row or channel order shows.
Bytes PatternPixels(int width, int height, int bytesPerPixel, int seed = 0) {
  Bytes pixels(static_cast<std::size_t>(width) * height * bytesPerPixel);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint8_t>(i * 37 + (i / bytesPerPixel) * 11 + seed * 101 + i % bytesPerPixel * 64);
  return pixels;
}

TextureRecord SentinelRecord() {
  TextureRecord record{};
  record.width = record.height = kSentinelSize;
  record.textureId = kSentinelName;
  return record;
}

const Bytes& Kept(const TextureRecord& r) { return r.pixels; }

// A record owns its pixels: handing it on moves them, and no copy can share them.
static_assert(!std::is_copy_constructible_v<TextureRecord> && !std::is_copy_assignable_v<TextureRecord>);
static_assert(std::is_nothrow_move_constructible_v<TextureRecord>);

std::vector<std::string> logged;
void CollectLog(const char* line) { logged.emplace_back(line); }

// Reads level `level` of texture `name`, with its size.
Bytes TextureLevel(GLuint name, int level, GLenum format, int* width = nullptr, int* height = nullptr) {
  glBindTexture(GL_TEXTURE_2D, name);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
  if (width) *width = w;
  if (height) *height = h;
  Bytes out(static_cast<std::size_t>(w) * h * (format == GL_RGBA ? 4 : 3));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!out.empty()) glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  return out;
}

TEST(TgaDecodeTest, RefusesEveryUnsupportedHeaderWithoutAllocating) {
  const Bytes good = EncodeTga(PatternPixels(4, 2, 3), 4, 2, 24);
  const struct { const char* what; std::size_t offset, count; std::uint8_t value; } cases[] = {
      {"run-length encoded (type 10)", 2, 1, 10}, {"colour-mapped (type 1)", 2, 1, 1}, {"image ID field", 0, 1, 5},
      {"colour map present", 1, 1, 1},           {"colour map fields", 5, 1, 24},     {"x origin", 8, 1, 1},
      {"y origin", 11, 1, 1},                    {"8 bits per pixel", 16, 1, 8},      {"16 bits per pixel", 16, 1, 16},
      {"zero width", 12, 2, 0},                  {"zero height", 14, 2, 0}};
  for (const auto& c : cases) {
    Bytes bytes = good;
    std::memset(&bytes[c.offset], c.value, c.count);
    TextureRecord record = SentinelRecord();
    EXPECT_NE(DecodeTga(bytes.data(), bytes.size(), record), nullptr) << c.what;
    EXPECT_TRUE(record.pixels.empty()) << c.what;
    EXPECT_EQ(record.textureId, kSentinelName) << c.what;
    EXPECT_EQ(record.bitsPerPixel, 0u) << c.what;
    if (c.offset < 12) {  // refused before the size is read
      EXPECT_EQ(record.width, kSentinelSize) << c.what;
    }
  }
  // Files shorter than they claim, copied to buffers of exactly their length.
  const Bytes deep = EncodeTga(PatternPixels(5, 3, 4), 5, 3, 32);
  Bytes huge = EncodeTga(PatternPixels(1, 1, 4), 1, 1, 32);
  std::memset(&huge[12], 0xff, 4);  // 65535 x 65535 x 4 claimed, 4 bytes present
  for (const Bytes& bytes : {Bytes(), Bytes(deep.begin(), deep.begin() + 11), Bytes(deep.begin(), deep.begin() + 17),
                             Bytes(deep.begin(), deep.end() - 1), huge}) {
    TextureRecord record = SentinelRecord();
    EXPECT_NE(DecodeTga(bytes.data(), bytes.size(), record), nullptr) << bytes.size();
    EXPECT_TRUE(record.pixels.empty()) << bytes.size();
  }
}

TEST(TgaDecodeTest, KeepsFileRowOrderWithRedAndBlueExchangedAndIgnoresTheOrigin) {
  for (int bits : {24, 32}) {
    const Bytes rgb = PatternPixels(7, 3, bits / 8);
    Bytes bytes = EncodeTga(rgb, 7, 3, bits);
    ASSERT_EQ(bytes[18] * 256 + bytes[20], rgb[2] * 256 + rgb[0]);  // on disk B, G, R (, A)
    bytes.insert(bytes.end(), 26, 0);  // a footer after the pixels is ignored
    for (std::uint8_t descriptor : {0x00, 0x20}) {  // bottom-left and top-left origin alike
      bytes[17] = static_cast<std::uint8_t>((bytes[17] & ~0x20) | descriptor);
      TextureRecord record = SentinelRecord();
      ASSERT_EQ(DecodeTga(bytes.data(), bytes.size(), record), nullptr) << bits;
      EXPECT_EQ(record.width, 7u);
      EXPECT_EQ(record.height, 3u);
      EXPECT_EQ(record.bitsPerPixel, static_cast<std::uint32_t>(bits));
      EXPECT_EQ(record.textureId, kSentinelName);
      EXPECT_EQ(Kept(record), rgb) << bits << " origin " << int{descriptor};
    }
  }
}

class TgaLoadTest : public test::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    logged.clear();
    SetLogSink(CollectLog);
  }
  void TearDown() override { SetLogSink(nullptr); }
  bool Load(const Bytes& file) { return LoadTgaTexture(&record_, dir_.Write("image.tga", file).c_str()); }
  test::TempDir dir_;
  TextureRecord record_ = SentinelRecord();
};

TEST_F(TgaLoadTest, RefusedFilesCreateNoTextureKeepNoPixelsAndNameTheFile) {
  Bytes rle = EncodeTga(PatternPixels(4, 4, 3), 4, 4, 24), shortByOne = EncodeTga(PatternPixels(8, 8, 3), 8, 8, 24);
  rle[2] = 10;
  shortByOne.pop_back();
  const std::string missing = dir_.path() + "/missing.tga";
  const struct { std::string path; const char* named; } cases[] = {
      {dir_.Write("rle.tga", rle), "rle.tga"}, {dir_.Write("short.tga", shortByOne), "short.tga"}, {missing, "missing.tga"}};
  for (const auto& c : cases) {
    logged.clear();
    std::string error;
    EXPECT_FALSE(LoadTgaTexture(&record_, c.path.c_str(), &error));
    EXPECT_EQ(record_.textureId, kSentinelName) << c.named;
    EXPECT_TRUE(record_.pixels.empty()) << c.named;
    EXPECT_EQ(error.rfind(c.path + ": ", 0), 0u) << error;
    EXPECT_GT(error.size(), c.path.size() + 2) << "a reason follows the file name";
    EXPECT_EQ(logged, std::vector<std::string>{error}) << "one log line per refused file";
  }
  EXPECT_FALSE(LoadTgaTexture(nullptr, cases[0].path.c_str()));
  logged.clear();
  ASSERT_TRUE(Load(EncodeTga(PatternPixels(2, 2, 3), 2, 2, 24)));
  EXPECT_TRUE(logged.empty());
}

// Rows of 6 bytes are read packed (and the unpack alignment restored); 32-bit pixels are read at
// their own stride and upload opaque. The first row in memory is t = 0.
TEST_F(TgaLoadTest, UploadsTheFilePixelsWithTheWholeMipmapChain) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  for (int bits : {24, 32}) {
    const Bytes pixels = PatternPixels(2, 4, bits / 8);
    ASSERT_TRUE(Load(EncodeTga(pixels, 2, 4, bits)));
    Bytes expected;
    for (std::size_t p = 0; p < pixels.size(); p += bits / 8) expected.insert(expected.end(), {pixels[p], pixels[p + 1], pixels[p + 2], 255});
    int w = 0, h = 0;
    EXPECT_EQ(TextureLevel(record_.textureId, 0, GL_RGBA, &w, &h), expected) << bits;
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 4);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
    TextureLevel(record_.textureId, 2, GL_RGB, &w, &h);
    EXPECT_EQ(w, 1);  // down to 1 x 1
    EXPECT_EQ(h, 1);
  }
}

TEST_F(TgaLoadTest, NonPowerOfTwoImageKeepsItsOwnSize) {
  const Bytes rgb(100 * 60 * 3, 0x60);
  ASSERT_TRUE(Load(EncodeTga(rgb, 100, 60, 24)));
  EXPECT_EQ(record_.width * 1000 + record_.height, 100060u);
  EXPECT_EQ(Kept(record_), rgb);
  int w = 0, h = 0;
  const Bytes level0 = TextureLevel(record_.textureId, 0, GL_RGB, &w, &h);
  EXPECT_TRUE(w > 0 && h > 0 && (w & (w - 1)) == 0 && (h & (h - 1)) == 0) << w << "x" << h;  // uploaded at 2^n
  EXPECT_EQ(level0, Bytes(level0.size(), 0x60));
}

// Composition of two kept 256 x 256 images into one RGBA texture.
class ComposeTest : public test::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    colour_ = Decoded(PatternPixels(256, 256, 3, 1), 256, 256, 24);
    mask_ = Decoded(PatternPixels(256, 256, 3, 2), 256, 256, 24);
  }
  static TextureRecord Decoded(const Bytes& pixels, int w, int h, int bits) {
    const Bytes bytes = EncodeTga(pixels, w, h, bits);
    TextureRecord record{};
    EXPECT_EQ(DecodeTga(bytes.data(), bytes.size(), record), nullptr);
    return record;
  }
  // A fresh name holding a 2 x 2 marker, whose survival shows that nothing was uploaded.
  static GLuint MarkedName() {
    const std::uint8_t marker[2 * 2 * 4] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, marker);
    return name;
  }
  // Expects the texture to hold the colour image's RGB and the mask's red as alpha.
  static void ExpectComposed(GLuint name, const TextureRecord& colour, const TextureRecord& mask) {
    Bytes expected(256 * 256 * 4);
    for (int p = 0; p < 256 * 256; ++p) {
      std::memcpy(&expected[4 * p], &colour.pixels[3 * p], 3);
      expected[4 * p + 3] = mask.pixels[3 * p];
    }
    const Bytes texels = TextureLevel(name, 0, GL_RGBA);
    EXPECT_TRUE(texels == expected);
    EXPECT_EQ(0, std::memcmp(overlayPixels, expected.data(), expected.size()));
  }
  TextureRecord colour_{};
  TextureRecord mask_{};
};

TEST_F(ComposeTest, AlphaIsTheMaskRedAlsoWhenTheMaskIsTheColourImage) {
  const GLuint name = MarkedName();
  ComposeAlphaTexture(colour_, mask_, name);
  ExpectComposed(name, colour_, mask_);
  int w = 0, h = 0;
  TextureLevel(name, 8, GL_RGBA, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
  ComposeAlphaTexture(colour_, colour_, name);
  ExpectComposed(name, colour_, colour_);
}

TEST_F(ComposeTest, ColourImageOwnTextureAndPixelsStayUnchanged) {
  test::TempDir dir;
  TextureRecord loaded{};
  ASSERT_TRUE(LoadTgaTexture(&loaded, dir.Write("c.tga", EncodeTga(Kept(colour_), 256, 256, 24)).c_str()));
  const Bytes before = TextureLevel(loaded.textureId, 0, GL_RGB), pixelsBefore = Kept(loaded);
  ComposeAlphaTexture(loaded, mask_, MarkedName());
  EXPECT_TRUE(TextureLevel(loaded.textureId, 0, GL_RGB) == before);
  EXPECT_TRUE(Kept(loaded) == pixelsBefore);
}

TEST_F(ComposeTest, ImagesOfAnotherShapeAreSkipped) {
  TextureRecord others[] = {Decoded(PatternPixels(128, 128, 3), 128, 128, 24),
                            Decoded(PatternPixels(256, 256, 4), 256, 256, 32),
                            Decoded(PatternPixels(256, 128, 3), 256, 128, 24), TextureRecord()};
  others[3].width = others[3].height = 256, others[3].bitsPerPixel = 24;  // header read, pixels never kept
  std::memset(overlayPixels, 0xab, sizeof overlayPixels);
  for (const TextureRecord& other : others) {
    for (bool otherIsMask : {false, true}) {
      const GLuint name = MarkedName();
      ComposeAlphaTexture(otherIsMask ? colour_ : other, otherIsMask ? other : mask_, name);
      int w = 0;
      TextureLevel(name, 0, GL_RGB, &w);
      EXPECT_EQ(w, 2) << other.width << "x" << other.height << " mask " << otherIsMask;
    }
  }
  EXPECT_EQ(overlayPixels[0] + overlayPixels[sizeof overlayPixels - 1], 2 * 0xab);
}

}  // namespace
}  // namespace velkor
