// Scene 2: the shape of the cloud, the scrolling strip, and frames rendered
// from small generated data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/jpeg.h"
#include "proc/noise.h"
#include "scenes/scene2.h"
#include "scenes/scenes.h"
#include "support/scene_support.h"

namespace velkor {
namespace {

using test::MeanRgb;
using test::NearRgb;
using test::Rgb;

class Scene2Cloud : public ::testing::Test {
 protected:
  void SetUp() override {
    SetRand15State(1);
    InitNoiseTables();
  }
  void TearDown() override { SetUp(); }
};

// With every noise value v the displacement is the same everywhere: the cloud
// is the ball of lattice points closer than 8 - 4v to the centre (10, 10, 10),
// 20 units apart and listed x-major. Entries of an earlier frame are cleared.
TEST_F(Scene2Cloud, ConstantNoiseGivesABallOfRadiusEightMinusFourTimesIt) {
  for (float v : {0.4f, 0.1f, -0.9f, 3.0f}) {
    std::fill(std::begin(noiseValues), std::end(noiseValues), v);
    std::fill(std::begin(cloudBrightness), std::end(cloudBrightness), std::uint8_t{7});
    const int count = GenerateCloud(80.0f);
    const float radius = 8.0f - 4.0f * v;
    int k = 0;
    for (int x = 0; x < 20; ++x)
      for (int y = 0; y < 20; ++y)
        for (int z = 0; z < 20; ++z) {
          if (radius <= 0 || (x - 10) * (x - 10) + (y - 10) * (y - 10) + (z - 10) * (z - 10) >= radius * radius) continue;
          ASSERT_LT(k, count) << v;
          const float expected[3] = {20.0f * (x - 10), 20.0f * (y - 10), 20.0f * (z - 10)};
          for (int a = 0; a < 3; ++a) ASSERT_EQ(cloudPositions[k][a], expected[a]) << v << " point " << k;
          ++k;
        }
    EXPECT_EQ(count, k) << v;
    for (int i = 0; i < kCloudCapacity; ++i) ASSERT_EQ(cloudBrightness[i], i < count ? 255 : 0) << v << " " << i;
  }
}

// The strip's texture window scrolls down 0.004 per tick and stops at tick 250;
// the fades are judged from frames below.
TEST(Scene2Timeline, TheStripScrollsUntilTick250) {
  const struct {
    float t, bottom, top;
  } cases[] = {{0, 0.8f, 1.0f}, {125, 0.3f, 0.5f}, {250, -0.2f, 0.0f}, {300, -0.2f, 0.0f}};
  for (const auto& c : cases) {
    const StripWindow w = StripWindowAt(c.t);
    EXPECT_NEAR(w.bottom, c.bottom, 1e-6f) << c.t;
    EXPECT_NEAR(w.top, c.top, 1e-6f) << c.t;
  }
}

// ---- Rendered frames ----

const Rgb kOverlay = {200, 40, 40};
const Rgb kStrip = {0, 120, 0};
const Rgb kClear = {17, 58, 112};

// Camera 700 units in front; overlay opaque only in the bottom and top 32 rows.
class Scene2Frames : public test::SceneFrameTest {
 protected:
  void Enter(bool withData, int overlaySize = 256, int spriteMeshes = 2) {
    if (withData) {
      MeshFileDesc sprites;
      sprites.meshes.resize(spriteMeshes);
      for (MeshDesc& m : sprites.meshes) m.materialName = "other", m.bitmapPath = "other.tga";
      if (spriteMeshes > 1) sprites.meshes[1].materialName = "glow", sprites.meshes[1].bitmapPath = "c:\\maps\\glow.tga";
      dir_.Write("data/part03_max.bin", BuildMeshFile(test::CameraFile(-700.0f)));
      dir_.Write("data/part03_max2.bin", BuildMeshFile(sprites));
      dir_.Write("data/texpart03/glow.tga", test::SolidTga({255, 255, 255}, 32));
      dir_.Write("data/texpart03/other.tga", test::SolidTga({0, 0, 0}, 32));
      dir_.Write("data/texpart03/texture02.tga", test::SolidTga(kOverlay, overlaySize));
      dir_.Write("data/texpart03/texture03.tga", test::TgaOf(overlaySize, overlaySize, [](int, int y) {
                   return Rgb{(y < 32 || y >= 224) ? 255 : 0, 17, 99};
                 }));
      dir_.Write("data/texpart03/dikt.jpg", test::SolidJpeg(kStrip));
    }
    // As at the start of a run: a failed load leaves a record as it was.
    overlayColourImage = TextureRecord{};
    overlayMaskImage = TextureRecord{};
    scrollTexture = 0;
    test::StartAfterScene0();
    sceneIndex = 2;
    SetupScene2();
  }
  void DrawAt(float t) { test::DrawSceneAt(2, t, 600.0f + t); }
};

TEST_F(Scene2Frames, OpensBlackThenShowsCloudAndOverlay) {
  Enter(true);
  DrawAt(0.000001f);
  EXPECT_LE(test::BrightestValue(), 1);
  DrawAt(150.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kOverlay, 3)) << "overlay's opaque bottom rows";
  EXPECT_TRUE(NearRgb(MeanRgb(600, 470), kOverlay, 3)) << "and its top rows";
  const Rgb cloud = MeanRgb(320, 390);  // the middle copy: eye y 190 at depth 700
  EXPECT_GT(cloud[0], 150);
  EXPECT_GT(cloud[1], 150);
  EXPECT_TRUE(NearRgb(MeanRgb(20, 100), kClear, 2)) << "between the copies, under the clear overlay";
}

TEST_F(Scene2Frames, ZeroParticlesDrawNothingButStripAndBandStillDraw) {
  Enter(true);
  std::fill(std::begin(noiseValues), std::end(noiseValues), 3.0f);
  DrawAt(50.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 390), kClear, 2)) << "no cloud";
  // The strip adds its colour onto the background; the band (0.906 of the half
  // width here) halves it, so only the strip's ends keep the full colour.
  const int green = static_cast<int>(kStrip[1] + 58 * (1.0 - kStrip[1] / 255.0) + 0.5);
  EXPECT_NEAR(MeanRgb(20, 240)[1], green, 4);
  EXPECT_NEAR(MeanRgb(320, 240)[1], green / 2, 4);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 150), kClear, 2)) << "below the strip";
}

// Missing files, or wrong-sized overlay images with a one-mesh sprite model:
// the overlay is left out instead of an opaque untextured quad.
TEST_F(Scene2Frames, MissingOrUnusableDataLeavesItsLayerOut) {
  Enter(false);
  EXPECT_EQ(scene2Model.currentCamera, nullptr);
  EXPECT_EQ(scene2SpriteModel.meshCount, 0u);
  DrawAt(150.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kClear, 2));
  EXPECT_TRUE(NearRgb(MeanRgb(20, 240), {128, 128, 128}, 1)) << "untextured strip, halved by the band";
  DrawAt(290.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), {3, 12, 22}, 2)) << "the fade still runs";

  Enter(true, 128, 1);
  EXPECT_EQ(CloudSpriteTexture(scene2SpriteModel), 0u);
  DrawAt(150.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kClear, 2));
}

}  // namespace
}  // namespace velkor
