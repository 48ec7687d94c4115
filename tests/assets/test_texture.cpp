// Textures on a headless context: TGA decoding, the three file loaders with
// damaged files, RGBA composition of two kept images, and the texture each
// drawn mesh leaves bound. (Colour and grey JPEG decoding show in the golden
// frames, the scene 1 pictures and the inspect descriptions.)
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "assets/model.h"
#include "assets/texture.h"
#include "platform/jpeg.h"
#include "platform/log.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/standin/image_writers.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr GLuint kSentinelName = 777;

// A record owns its pixels: handing it on moves them, and no copy can share them.
static_assert(!std::is_copy_constructible_v<TextureRecord> && !std::is_copy_assignable_v<TextureRecord>);
static_assert(std::is_nothrow_move_constructible_v<TextureRecord>);

// Every byte depends on position and channel, so any change of stride, row or channel order shows.
Bytes PatternPixels(int width, int height, int bytesPerPixel, int seed = 0) {
  Bytes pixels(static_cast<std::size_t>(width) * height * bytesPerPixel);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint8_t>(i * 37 + (i / bytesPerPixel) * 11 + seed * 101 + i % bytesPerPixel * 64);
  return pixels;
}

// Level `level` of texture `name`, tightly packed, with its size.
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
    TextureRecord record{};
    EXPECT_NE(DecodeTga(bytes.data(), bytes.size(), record), nullptr) << c.what;
    EXPECT_TRUE(record.pixels.empty()) << c.what;
  }
  // Files shorter than they claim, copied to buffers of exactly their length.
  const Bytes deep = EncodeTga(PatternPixels(5, 3, 4), 5, 3, 32);
  Bytes huge = EncodeTga(PatternPixels(1, 1, 4), 1, 1, 32);
  std::memset(&huge[12], 0xff, 4);  // 65535 x 65535 x 4 claimed, 4 bytes present
  for (const Bytes& bytes : {Bytes(), Bytes(deep.begin(), deep.begin() + 11), Bytes(deep.begin(), deep.begin() + 17),
                             Bytes(deep.begin(), deep.end() - 1), huge}) {
    TextureRecord record{};
    EXPECT_NE(DecodeTga(bytes.data(), bytes.size(), record), nullptr) << bytes.size();
    EXPECT_TRUE(record.pixels.empty()) << bytes.size();
  }
}

std::vector<std::string> logged;
void CollectLog(const char* line) { logged.emplace_back(line); }

// The TGA loader behind the JPEG loaders' signature; the record it loads into
// starts empty but for the name *name.
TextureRecord tgaRecord;
bool LoadTga(const char* path, GLuint* name, std::string* error) {
  tgaRecord = TextureRecord();
  tgaRecord.textureId = *name;
  const bool ok = LoadTgaTexture(&tgaRecord, path, error);
  *name = tgaRecord.textureId;
  return ok;
}

using LoadFn = bool (*)(const char*, GLuint*, std::string*);
const struct Loader {
  const char* what;
  LoadFn load;
  bool tga, mipmapped;
} kLoaders[] = {{"tga", LoadTga, true, true},
                {"jpeg", LoadJpegTexture, false, false},
                {"jpeg mipmapped", LoadJpegTextureMipmapped, false, true}};

class TextureLoadTest : public test::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    logged.clear();
    SetLogSink(CollectLog);
  }
  void TearDown() override { SetLogSink(nullptr); }
  test::TempDir dir_;
};

// Damaged JPEG files include ones the library only warns about and one whose size is refused
// before anything is decoded; damaged TGA headers are the decoder table's business.
TEST_F(TextureLoadTest, RefusedFilesCreateNoTextureKeepNoPixelsAndNameTheFile) {
  const Bytes tga = EncodeTga(PatternPixels(64, 64, 3), 64, 64, 24);
  const Bytes jpeg = EncodeJpegRgb(PatternPixels(64, 64, 3), 64, 64, 90);
  std::size_t size = 0;  // the JPEG's first frame header's height field (FF C0, length, precision)
  for (std::size_t i = 0; i + 8 < jpeg.size() && !size; ++i) size = jpeg[i] == 0xff && jpeg[i + 1] == 0xc0 ? i + 5 : 0;
  ASSERT_GT(size, 0u);
  Bytes twelveBit = jpeg, noStart = jpeg, huge = jpeg;
  twelveBit[size - 1] = 12;
  noStart[1] = 0x00;
  // 4000 x 16000: each side allowed, together too many pixels to decode.
  huge[size] = 0x0f, huge[size + 1] = 0xa0, huge[size + 2] = 0x3e, huge[size + 3] = 0x80;
  const std::string text = "this is not a picture";
  const std::vector<Bytes> damagedTga = {Bytes(tga.begin(), tga.begin() + tga.size() / 3), Bytes(tga.size(), 0x5a)};
  const std::vector<Bytes> damagedJpeg = {huge,  // k = 0, whose reason is checked below
                                          Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2),  // cut inside the scan
                                          Bytes(jpeg.begin(), jpeg.begin() + 300),  // cut inside the headers
                                          Bytes(jpeg.begin(), jpeg.end() - 2),      // end marker missing
                                          twelveBit, noStart, Bytes(text.begin(), text.end()), Bytes()};
  for (const Loader& loader : kLoaders) {
    const std::vector<Bytes>& damaged = loader.tga ? damagedTga : damagedJpeg;
    for (std::size_t k = 0; k <= damaged.size(); ++k) {
      const std::string path = k < damaged.size() ? dir_.Write("bad" + std::to_string(k), damaged[k])
                                                  : dir_.path() + "/missing";
      logged.clear();
      GLuint name = kSentinelName;
      std::string error;
      EXPECT_FALSE(loader.load(path.c_str(), &name, &error)) << loader.what << " " << path;
      EXPECT_EQ(name, kSentinelName) << loader.what << " " << path;
      if (loader.tga) {
        EXPECT_TRUE(tgaRecord.pixels.empty()) << path;
      }
      EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
      EXPECT_GT(error.size(), path.size() + 2) << "a reason follows the file name";
      EXPECT_EQ(logged, std::vector<std::string>{error}) << "one log line per refused file";
      if (!loader.tga && k == 0) {  // refused for its size alone
        EXPECT_NE(error.find(JpegStatusText(kJpegTooLarge)), std::string::npos) << error;
      }
    }
  }
  const std::string good = dir_.Write("a.tga", EncodeTga(PatternPixels(2, 2, 3), 2, 2, 24));
  EXPECT_FALSE(LoadTgaTexture(nullptr, good.c_str()));
  logged.clear();
  GLuint name = 0;
  ASSERT_TRUE(LoadTga(good.c_str(), &name, nullptr));
  EXPECT_TRUE(logged.empty());
}

// TGA files hold B, G, R (, A) with any origin and maybe a footer; the kept pixels and the
// texture are R, G, B in file row order. Rows of 6 bytes are read packed (and the unpack
// alignment restored); 32-bit pixels are read at their own stride and upload opaque. The
// first row in memory is t = 0.
TEST_F(TextureLoadTest, UploadsTheRowsInFileOrderWithOrWithoutTheMipmapChain) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  const Bytes rgb = PatternPixels(2, 16, 3), rgba = PatternPixels(2, 16, 4);
  Bytes tga = EncodeTga(rgb, 2, 16, 24), topLeft = tga;
  ASSERT_EQ(tga[18] * 256 + tga[20], rgb[2] * 256 + rgb[0]);
  topLeft[17] |= 0x20;
  topLeft.insert(topLeft.end(), 26, 0);
  const Bytes jpeg = EncodeJpegRgb(rgb, 2, 16, 92);
  JpegImage decoded;
  ASSERT_EQ(DecodeJpegRgb(jpeg.data(), jpeg.size(), decoded), kJpegOk);
  const struct { const Loader& loader; Bytes file; const Bytes& pixels; int bytesPerPixel; } cases[] = {
      {kLoaders[0], tga, rgb, 3}, {kLoaders[0], topLeft, rgb, 3}, {kLoaders[0], EncodeTga(rgba, 2, 16, 32), rgba, 4},
      {kLoaders[1], jpeg, decoded.rgb, 3}, {kLoaders[2], jpeg, decoded.rgb, 3}};
  for (const auto& c : cases) {
    const std::string what = std::string(c.loader.what) + " " + std::to_string(&c - cases);
    GLuint name = kSentinelName;
    ASSERT_TRUE(c.loader.load(dir_.Write("image", c.file).c_str(), &name, nullptr)) << what;
    EXPECT_NE(name, kSentinelName) << what;
    if (c.loader.tga) {
      EXPECT_EQ(tgaRecord.pixels, c.pixels) << what;
    }
    Bytes expected;
    for (std::size_t p = 0; p < c.pixels.size(); p += c.bytesPerPixel)
      expected.insert(expected.end(), {c.pixels[p], c.pixels[p + 1], c.pixels[p + 2], 255});
    int w = 0, h = 0;
    EXPECT_EQ(TextureLevel(name, 0, GL_RGBA, &w, &h), expected) << what;
    EXPECT_EQ(w * 100 + h, 216) << what;
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << what;
    TextureLevel(name, 4, GL_RGB, &w, &h);
    EXPECT_EQ(w * 10 + h, c.loader.mipmapped ? 11 : 0) << what;  // the whole chain, or no mipmaps
  }
}

// Composition of two kept 256 x 256 images into one RGBA texture.
class ComposeTest : public test::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    colour_ = Decoded(256, 256, 24, 1);
    mask_ = Decoded(256, 256, 24, 2);
  }
  static TextureRecord Decoded(int w, int h, int bits, int seed = 0) {
    const Bytes bytes = EncodeTga(PatternPixels(w, h, bits / 8, seed), w, h, bits);
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
  TextureRecord colour_{};
  TextureRecord mask_{};
};

TEST_F(ComposeTest, ColourFromOneImageAlphaFromTheOtherOnesRedWithTheWholeChain) {
  for (const TextureRecord* mask : {&mask_, &colour_}) {  // the colour image may be its own mask
    const GLuint name = MarkedName();
    ComposeAlphaTexture(colour_, *mask, name);
    Bytes expected(256 * 256 * 4);
    for (int p = 0; p < 256 * 256; ++p) {
      std::memcpy(&expected[4 * p], &colour_.pixels[3 * p], 3);
      expected[4 * p + 3] = mask->pixels[3 * p];
    }
    EXPECT_TRUE(TextureLevel(name, 0, GL_RGBA) == expected);
    EXPECT_EQ(0, std::memcmp(overlayPixels, expected.data(), expected.size()));
    int w = 0, h = 0;
    TextureLevel(name, 8, GL_RGBA, &w, &h);
    EXPECT_EQ(w * 10 + h, 11);
  }
}

TEST_F(ComposeTest, ImagesOfAnotherShapeAreSkipped) {
  TextureRecord others[] = {Decoded(128, 128, 24), Decoded(256, 256, 32), Decoded(256, 128, 24), TextureRecord()};
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

GLint Get(GLenum what) {
  GLint value = -1;
  glGetIntegerv(what, &value);
  return value;
}

// Drawing binds each mesh's texture on unit 0, faces or not, and leaves the last one bound;
// with no meshes it changes nothing. (What the meshes look like is the golden frames' concern.)
class DrawModelTest : public test::GlTest {};

TEST_F(DrawModelTest, EachMeshBindsItsMaterialTextureOnUnitZero) {
  glGetError();
  GLuint names[2] = {};
  glGenTextures(2, names);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glBindTexture(GL_TEXTURE_2D, names[0]);
  DrawSceneModel(SceneModel());
  EXPECT_EQ(Get(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE1_ARB);
  EXPECT_EQ(Get(GL_TEXTURE_BINDING_2D), static_cast<GLint>(names[0]));

  SceneModel model;
  model.meshCount = model.materialCount = 2;
  model.materials[0].texture.textureId = names[0], model.materials[1].texture.textureId = names[1];
  model.meshes[1].materialIndex = 1;
  DrawSceneModel(model);
  EXPECT_EQ(Get(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
  EXPECT_EQ(Get(GL_TEXTURE_BINDING_2D), static_cast<GLint>(names[1]));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // begin/end pairs balanced
}

}  // namespace
}  // namespace velkor
