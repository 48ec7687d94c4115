// Scene 2: the cloud rule and its table handling, billboard corners, the strip,
// band and fade timelines, and whole frames rendered from small generated data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/shell.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/jpeg.h"
#include "proc/noise.h"
#include "scenes/scene2.h"
#include "scenes/scenes.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/image_writers.h"
#include "tools/mesh_writer.h"

namespace velkor {
namespace {

using test::PixelAt;

class Scene2NoiseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetRand15State(1);
    InitNoiseTables();
  }
};

// The cloud rule written out once more, straight from its description.
struct Particle {
  int x, y, z;
};
std::vector<Particle> CloudByRule(float t) {
  std::vector<Particle> out;
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 20; ++y)
      for (int z = 0; z < 20; ++z) {
        const float ax = static_cast<float>(0.05 * static_cast<double>(t) + 0.25 * x + 100.0);
        const float ay = static_cast<float>(0.05 * y + 500.0);
        const float az = static_cast<float>(0.25 * z + 300.0);
        const float n = LinearNoise3(ax, ay, az);
        const double r = std::sqrt(double((x - 10) * (x - 10) + (y - 10) * (y - 10) + (z - 10) * (z - 10)));
        if (4.0 * n + r < 8.0) out.push_back({x, y, z});
      }
  return out;
}

TEST_F(Scene2NoiseTest, CloudHoldsExactlyTheLatticePointsOfTheRuleInOrder) {
  for (float t : {0.000001f, 37.5f, 150.0f, 299.9f}) {
    const std::vector<Particle> expected = CloudByRule(t);
    const int count = GenerateCloud(t);
    ASSERT_EQ(count, static_cast<int>(expected.size())) << "t = " << t;
    ASSERT_GT(count, 0);
    ASSERT_LE(count, 8000);
    for (int i = 0; i < count; ++i) {
      const Particle& p = expected[i];
      ASSERT_EQ(cloudPositions[i][0], 20.0f * (p.x - 10)) << i;
      ASSERT_EQ(cloudPositions[i][1], 20.0f * (p.y - 10)) << i;
      ASSERT_EQ(cloudPositions[i][2], 20.0f * (p.z - 10)) << i;
    }
  }
}

TEST_F(Scene2NoiseTest, CloudIsABallWhoseSurfaceTheNoiseMoves) {
  // The noise lies in [-1, 1): every point within 4 steps of the centre is in,
  // nothing beyond 12 steps, and the shape changes as time goes on.
  const int first = GenerateCloud(10.0f);
  std::vector<float> before(&cloudPositions[0][0], &cloudPositions[0][0] + 3 * first);
  const int later = GenerateCloud(200.0f);
  int inner = 0;
  for (int i = 0; i < later; ++i) {
    const float r = std::sqrt(cloudPositions[i][0] * cloudPositions[i][0] + cloudPositions[i][1] * cloudPositions[i][1] +
                              cloudPositions[i][2] * cloudPositions[i][2]) / 20.0f;
    EXPECT_LT(r, 12.0f);
    if (r < 4.0f) ++inner;
  }
  int expectedInner = 0;
  for (int x = -10; x < 10; ++x)
    for (int y = -10; y < 10; ++y)
      for (int z = -10; z < 10; ++z)
        if (x * x + y * y + z * z < 16) ++expectedInner;
  EXPECT_EQ(inner, expectedInner);
  std::vector<float> after(&cloudPositions[0][0], &cloudPositions[0][0] + 3 * later);
  EXPECT_NE(before, after);
}

TEST_F(Scene2NoiseTest, OnlyTheFirstNoiseArgumentMovesWithTime) {
  const CloudNoiseArguments a = CloudNoiseArgumentsAt(0.0f, 3, 7, 11);
  const CloudNoiseArguments b = CloudNoiseArgumentsAt(100.0f, 3, 7, 11);
  EXPECT_FLOAT_EQ(a.x, 100.75f);
  EXPECT_FLOAT_EQ(b.x, 105.75f);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.z, b.z);
  EXPECT_FLOAT_EQ(a.y, 500.35f);
  EXPECT_FLOAT_EQ(a.z, 302.75f);
}

TEST_F(Scene2NoiseTest, BrightnessTableIsClearedEveryFrame) {
  std::fill(std::begin(cloudBrightness), std::end(cloudBrightness), std::uint8_t{7});
  const int count = GenerateCloud(80.0f);
  for (int i = 0; i < kCloudCapacity; ++i) ASSERT_EQ(cloudBrightness[i], i < count ? 255 : 0) << i;
  EXPECT_NEAR(CloudGrey(cloudBrightness[0]), 0.8f, 1e-6f);
}

TEST_F(Scene2NoiseTest, NoiseThatKeepsEveryPointOutGivesAnEmptyCloud) {
  std::fill(std::begin(noiseValues), std::end(noiseValues), 3.0f);
  EXPECT_EQ(GenerateCloud(50.0f), 0);
  SetRand15State(1);
  InitNoiseTables();
}

// The offsets, turned by the matrix's rotation, must lie flat in the view plane.
TEST(BillboardTest, CornersFaceTheViewerForAnyRotation) {
  const float angle = 0.7f, ax = 0.3f, ay = -0.5f, az = 0.81f;
  const float len = std::sqrt(ax * ax + ay * ay + az * az);
  const float x = ax / len, y = ay / len, z = az / len, c = std::cos(angle), s = std::sin(angle);
  // Rotation in row-major form, stored column-major as GL returns it.
  const float r[3][3] = {{c + x * x * (1 - c), x * y * (1 - c) - z * s, x * z * (1 - c) + y * s},
                         {y * x * (1 - c) + z * s, c + y * y * (1 - c), y * z * (1 - c) - x * s},
                         {z * x * (1 - c) - y * s, z * y * (1 - c) + x * s, c + z * z * (1 - c)}};
  float m[16] = {};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) m[col * 4 + row] = r[row][col];
  m[12] = 5.0f, m[13] = -3.0f, m[14] = -400.0f, m[15] = 1.0f;
  const BillboardOffsets o = BillboardOffsetsFrom(m, 20.0f);
  auto eye = [&](const float v[3], int row) { return r[row][0] * v[0] + r[row][1] * v[1] + r[row][2] * v[2]; };
  const float* corners[4] = {o.a, o.b, o.c, o.d};
  const float expected[4][2] = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(eye(corners[k], 0), expected[k][0], 1e-4f) << k;
    EXPECT_NEAR(eye(corners[k], 1), expected[k][1], 1e-4f) << k;
    EXPECT_NEAR(eye(corners[k], 2), 0.0f, 1e-4f) << k;
  }
}

TEST(CloudCopyTest, CopiesSitAtTheirPlacesAndTheLastTwoTurnAlike) {
  const CloudCopy a = CloudCopyPlacement(0), b = CloudCopyPlacement(1), c = CloudCopyPlacement(2);
  EXPECT_FLOAT_EQ(a.angle, 22620.18f);
  EXPECT_FLOAT_EQ(b.angle, 4524.036f);
  EXPECT_EQ(b.angle, c.angle);
  EXPECT_EQ(a.shiftX, -300.0f);
  EXPECT_EQ(a.shiftY, 165.0f);
  EXPECT_EQ(b.shiftX, -50.0f);
  EXPECT_EQ(c.shiftX, 300.0f);
  EXPECT_EQ(c.shiftY, 190.0f);
}

TEST(Scene2TimelineTest, StripScrollsUntil250ThenStands) {
  const struct {
    float t, bottom, top;
  } cases[] = {{0, 0.8f, 1.0f}, {25, 0.7f, 0.9f}, {50, 0.6f, 0.8f}, {250, -0.2f, 0.0f}, {300, -0.2f, 0.0f}};
  for (const auto& c : cases) {
    const StripWindow w = StripWindowAt(c.t);
    EXPECT_NEAR(w.bottom, c.bottom, 1e-6f) << c.t;
    EXPECT_NEAR(w.top, c.top, 1e-6f) << c.t;
  }
}

TEST(Scene2TimelineTest, BandWidensByTwoHundredthsPerSidePerTick) {
  EXPECT_EQ(BandHalfWidth(0.0f), 0.0f);
  EXPECT_NEAR(BandHalfWidth(25.0f), 0.5f, 1e-6f);
  EXPECT_NEAR(BandHalfWidth(300.0f), 6.0f, 1e-5f);
}

TEST(Scene2TimelineTest, FadesInOverFiftyTicksAndOutAfter250) {
  const struct {
    float t, r, a;
  } cases[] = {{0, 0, 1}, {25, 0, 0.5f}, {50, 1, 0}, {250, 1, 0}, {275, 0, 0.5f}, {300, 0, 1}};
  for (const auto& c : cases) {
    const FadeColour f = Scene2Fade(c.t);
    EXPECT_EQ(f.r, c.r) << c.t;
    EXPECT_EQ(f.g, c.r) << c.t;
    EXPECT_NEAR(f.a, c.a, 1e-5f) << c.t;
  }
  EXPECT_GT(Scene2Fade(250.5f).a, 0.0f);
  EXPECT_EQ(Scene2Fade(250.5f).r, 0.0f);
}

TEST(CloudSpriteTest, TakesMeshOnesMaterialAndNeverReadsPastTheModel) {
  auto model = std::make_unique<SceneModel>();
  EXPECT_EQ(CloudSpriteTexture(*model), 0u);
  model->meshCount = 1;
  model->materials[0].texture.textureId = 9;
  EXPECT_EQ(CloudSpriteTexture(*model), 0u);
  model->meshCount = 2;
  model->materialCount = 4;
  model->meshes[1].materialIndex = 3;
  model->materials[3].texture.textureId = 42;
  EXPECT_EQ(CloudSpriteTexture(*model), 42u);
  model->meshes[1].materialIndex = 4000;
  EXPECT_EQ(CloudSpriteTexture(*model), 0u);
}

// ---- Rendered frames ----

using PixelFn = std::function<std::array<std::uint8_t, 3>(int x, int y)>;

std::vector<std::uint8_t> Tga(int width, int height, const PixelFn& colour) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (std::uint8_t c : colour(x, y)) rgb.push_back(c);
  return EncodeTga(rgb, width, height, 24);
}

std::vector<std::uint8_t> Solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Tga(width, height, [=](int, int) { return std::array<std::uint8_t, 3>{r, g, b}; });
}

// Frame overlay colour and mask: opaque only in the bottom and top 32 rows.
constexpr std::uint8_t kOverlayRgb[3] = {200, 40, 40};
constexpr std::uint8_t kStripRgb[3] = {0, 120, 0};

void WriteSceneData(const test::TempDir& dir, int overlaySize, int spriteMeshes) {
  MeshFileDesc cameraFile;
  CameraDesc camera;
  camera.position[1] = -700.0f;
  camera.fov = 45.0f;
  cameraFile.cameras.push_back(camera);
  MeshFileDesc spriteFile;
  for (int m = 0; m < spriteMeshes; ++m) {
    MeshDesc mesh;
    mesh.materialName = m == 1 ? "glow" : "other";
    mesh.bitmapPath = m == 1 ? "c:\\maps\\glow.tga" : "other.tga";
    spriteFile.meshes.push_back(mesh);
  }
  dir.Write("data/part03_max.bin", BuildMeshFile(cameraFile));
  dir.Write("data/part03_max2.bin", BuildMeshFile(spriteFile));
  dir.Write("data/texpart03/glow.tga", Solid(32, 32, 255, 255, 255));
  dir.Write("data/texpart03/other.tga", Solid(32, 32, 0, 0, 0));
  dir.Write("data/texpart03/texture02.tga", Solid(overlaySize, overlaySize, kOverlayRgb[0], kOverlayRgb[1], kOverlayRgb[2]));
  dir.Write("data/texpart03/texture03.tga", Tga(overlaySize, overlaySize, [](int, int y) {
              const std::uint8_t a = (y < 32 || y >= 224) ? 255 : 0;
              return std::array<std::uint8_t, 3>{a, 17, 99};
            }));
  std::vector<std::uint8_t> strip;
  for (int i = 0; i < 64 * 64; ++i) strip.insert(strip.end(), kStripRgb, kStripRgb + 3);
  dir.Write("data/texpart03/dikt.jpg", EncodeJpegRgb(strip, 64, 64, 95));
}

void MaybeSavePng(const std::string& name) {
  if (const char* dir = std::getenv("VELKOR_FRAME_DIR")) test::SavePng(std::string(dir) + "/" + name, 640, 480);
}

void PrepareShowState() {
  SetRand15State(1);
  InitNoiseTables();
  SetGlobalGlState();
  ResizeViewport(640, 480);
  // What scene 0's setup leaves: unit 1 selected with its texturing off.
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
}

void DrawScene2At(float t) {
  sceneIndex = 2;
  sceneTicks = t;
  demoTicks = 600.0f + t;
  RenderFrame();
}

bool Near(const std::vector<int>& p, int r, int g, int b, int tolerance) {
  return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}

class Scene2FrameTest : public test::GlTest {
 protected:
  void Enter(int overlaySize = 256, int spriteMeshes = 2) {
    WriteSceneData(dir_, overlaySize, spriteMeshes);
    cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
    PrepareShowState();
    sceneIndex = 2;
    SetupScene2();
  }
  void TearDown() override {
    SetRand15State(1);
    InitNoiseTables();
  }
  test::TempDir dir_;
  std::unique_ptr<test::ScopedWorkingDirectory> cwd_;
};

TEST_F(Scene2FrameTest, SetupComposesTheOverlayAndLeavesUnitOneActive) {
  Enter();
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(active, GL_TEXTURE1_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_NEAR(clear[0], 17 / 255.0f, 1e-6f);
  EXPECT_NEAR(clear[2], 112 / 255.0f, 1e-6f);
  EXPECT_EQ(clear[3], 0.0f);
  ASSERT_NE(overlayTexture, 0u);
  ASSERT_NE(scrollTexture, 0u);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, overlayTexture);
  std::vector<std::uint8_t> rgba(256 * 256 * 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  for (int y : {0, 31, 32, 128, 223, 224, 255}) {
    const std::uint8_t* p = &rgba[(y * 256 + 100) * 4];
    EXPECT_EQ(p[0], kOverlayRgb[0]);
    EXPECT_EQ(p[1], kOverlayRgb[1]);
    EXPECT_EQ(p[3], (y < 32 || y >= 224) ? 255 : 0) << y;
  }
  glActiveTextureARB(GL_TEXTURE1_ARB);
}

TEST_F(Scene2FrameTest, FirstFrameIsBlack) {
  Enter();
  DrawScene2At(0.000001f);
  MaybeSavePng("scene2_first.png");
  const auto pixels = test::ReadPixelsRgb(0, 0, 640, 480);
  int brightest = 0;
  for (std::uint8_t v : pixels) brightest = std::max<int>(brightest, v);
  EXPECT_LE(brightest, 1);
}

TEST_F(Scene2FrameTest, MidSceneFrameShowsCloudOverlayAndStrip) {
  Enter();
  DrawScene2At(150.0f);
  MaybeSavePng("scene2_t150.png");
  // The overlay's opaque rows at the bottom and top of the screen.
  EXPECT_TRUE(Near(PixelAt(320, 10), kOverlayRgb[0], kOverlayRgb[1], kOverlayRgb[2], 3)) << PixelAt(320, 10)[0];
  EXPECT_TRUE(Near(PixelAt(600, 470), kOverlayRgb[0], kOverlayRgb[1], kOverlayRgb[2], 3));
  // The middle copy of the cloud lies above the centre (eye y 190 at depth 700).
  const auto cloud = PixelAt(320, 390);
  EXPECT_GT(cloud[0], 150);
  EXPECT_GT(cloud[1], 150);
  // A corner between the copies and the overlay rows keeps the clear colour.
  EXPECT_TRUE(Near(PixelAt(20, 100), 17, 58, 112, 2));
  // The frame leaves lighting, texturing, depth test and culling on and blending off.
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(active, GL_TEXTURE0_ARB);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(Scene2FrameTest, EmptyCloudStillDrawsStripAndBand) {
  Enter();
  std::fill(std::begin(noiseValues), std::end(noiseValues), 3.0f);
  DrawScene2At(50.0f);
  MaybeSavePng("scene2_empty_cloud.png");
  // No cloud: the clear colour where the middle copy would be.
  EXPECT_TRUE(Near(PixelAt(320, 390), 17, 58, 112, 2));
  // The strip adds its colour onto the background; the band (here 0.906 of the
  // half width) halves it, so only the strip's ends keep the full colour.
  const auto end = PixelAt(20, 240);
  const auto inside = PixelAt(320, 240);
  const int g = kStripRgb[1];
  const int expectedGreen = static_cast<int>(g + 58 * (1.0 - g / 255.0) + 0.5);
  EXPECT_NEAR(end[1], expectedGreen, 4);
  EXPECT_NEAR(inside[1], expectedGreen / 2, 4);
  EXPECT_NEAR(inside[2], 112 / 2, 4);
  // Outside the strip, above and below it, the plain background.
  EXPECT_TRUE(Near(PixelAt(320, 150), 17, 58, 112, 2));
}

TEST_F(Scene2FrameTest, StripWindowScrollsThroughTheImage) {
  Enter();
  // A picture with a bright top fifth: visible in the strip at the start only.
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const std::uint8_t v = y < 12 ? 250 : 0;  // JPEG rows are top first: t = 0 .. 0.19
      rgb.insert(rgb.end(), {v, v, v});
    }
  dir_.Write("data/texpart03/dikt.jpg", EncodeJpegRgb(rgb, 64, 64, 95));
  glActiveTextureARB(GL_TEXTURE0_ARB);
  ASSERT_EQ(LoadJpegTexture("data\\texpart03\\dikt.jpg", &scrollTexture), 0);
  std::fill(std::begin(noiseValues), std::end(noiseValues), 3.0f);
  DrawScene2At(250.0f);  // window t = -0.2 .. 0: repeats the bottom fifth, dark
  MaybeSavePng("scene2_strip_t250.png");
  const auto late = PixelAt(320, 240);
  DrawScene2At(200.0f);  // window t = 0 .. 0.2: the bright rows, halved by the band
  const auto bright = PixelAt(320, 240);
  EXPECT_LT(late[0], 20);
  EXPECT_NEAR(bright[0], 125, 6);
}

TEST_F(Scene2FrameTest, MissingFilesDrawTheFrameWithoutTheirParts) {
  // As at the start of a run: a failed load leaves a record as it was.
  overlayColourImage = TextureRecord{};
  overlayMaskImage = TextureRecord{};
  scrollTexture = 0;
  cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
  PrepareShowState();
  sceneIndex = 2;
  SetupScene2();
  EXPECT_EQ(scene2Model.currentCamera, nullptr);
  EXPECT_EQ(scene2SpriteModel.meshCount, 0u);
  DrawScene2At(150.0f);
  MaybeSavePng("scene2_no_files.png");
  // No overlay could be composed: the layer is left out instead of covering the
  // frame with an opaque untextured quad, and the background shows.
  EXPECT_TRUE(Near(PixelAt(320, 10), 17, 58, 112, 2));
  // Without a strip image the strip quad draws untextured white, halved by the band.
  EXPECT_TRUE(Near(PixelAt(20, 240), 128, 128, 128, 1));
  // The fade still runs over it all.
  DrawScene2At(290.0f);
  EXPECT_TRUE(Near(PixelAt(320, 10), 3, 12, 22, 2));
}

TEST_F(Scene2FrameTest, WrongSizedImagesAndOneMeshSpriteModelAreSkipped) {
  Enter(128, 1);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, overlayTexture);
  GLint width = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(CloudSpriteTexture(scene2SpriteModel), 0u);
  DrawScene2At(150.0f);
  MaybeSavePng("scene2_wrong_sizes.png");
  EXPECT_TRUE(Near(PixelAt(320, 10), 17, 58, 112, 2));
}

}  // namespace
}  // namespace velkor
