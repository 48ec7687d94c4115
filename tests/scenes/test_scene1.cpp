// Scene 1: grid brightness, photograph choice, curtain and bird alphas, cell
// texture coordinates, and rendered frames on small generated pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/jpeg.h"
#include "proc/noise.h"
#include "scenes/scene1.h"
#include "scenes/scenes.h"
#include "support/scene_support.h"

namespace velkor {
namespace {

using test::NearRgb;
using test::Rgb;

TEST(Scene1Maths, BrightnessOfChosenCellsFollowsNoiseAndRowBand) {
  SetRand15State(1);
  InitNoiseTables();
  // i = 10, j = 20, t = 25 put the noise exactly on lattice point (1, 2, 1).
  EXPECT_NEAR(GridBrightness(10, 20, 25.0f),
              (NoiseLattice(1.0f, 2.0f, 1.0f) + (std::sin(3.5) + 1.0) * 0.5) * 0.6 + 0.4, 1e-6);
  const int cells[][2] = {{0, 0}, {3, 7}, {29, 0}, {0, 29}, {17, 22}};
  for (float t : {0.000001f, 12.5f, 99.99f, 233.3f, 349.0f})
    for (const auto& c : cells) {
      const int i = c[0], j = c[1];
      const float noise = CosineNoise3(i * 0.1f, j * 0.1f, t * 0.04f);
      const float band = (std::sin(t * 0.06f + j * 0.1f) + 1.0f) * 0.5f;
      EXPECT_NEAR(GridBrightness(i, j, t), (noise + band) * 0.6f + 0.4f, 2e-6f) << i << "," << j << " t=" << t;
    }
}

TEST(Scene1Timeline, PhotographCurtainAndBirdAlongTheScene) {
  const struct {
    float t;
    int photo;
  } photos[] = {{0.000001f, 0}, {99.99f, 0}, {std::nextafter(100.0f, 0.0f), 0}, {100.0f, 1}, {199.99f, 1},
                {200.0f, 2},    {350.0f, 2}};
  for (const auto& p : photos) EXPECT_EQ(PhotoIndexAt(p.t), p.photo) << p.t;
  const struct {
    float t, curtainRgb, curtainAlpha, bird;
  } alphas[] = {{0.000001f, 1, 0, 1}, {25, 1, 0, 0.5f},          {50, 1, 0, 0},  {300, 1, 0, -5},
                {std::nextafter(300.0f, 400.0f), 0, 0, -5}, {325, 0, 0.5f, -5.5f}, {350, 0, 1, -6}};
  for (const auto& a : alphas) {
    const FadeColour c = CurtainColour(a.t);
    EXPECT_EQ(c.r, a.curtainRgb) << a.t;
    EXPECT_NEAR(c.a, a.curtainAlpha, 1e-6f) << a.t;
    EXPECT_NEAR(BirdAlpha(a.t), a.bird, 1e-5f) << a.t;
  }
}

TEST(Scene1Grid, CellZeroCoversTheFirstThirtiethOfThePicture) {
  const CellTexRect first = CellTexCoords(0, 0);
  EXPECT_EQ(first.s0, 0.0f);
  EXPECT_EQ(first.t0, 0.0f);
  EXPECT_EQ(first.s1, 0.033333335f);
  EXPECT_EQ(first.t1, 0.033333335f);
}

// ---- Rendered frames ----

const Rgb kBird = {200, 40, 40};
const Rgb kPelto = {40, 200, 40};

// Grey level of the patterned picture in the square grid cell (i, j) shows; neighbours differ.
int PatternGrey(int i, int j) { return ((i * 7 + j * 13) % 30) * 8 + 16; }

class Scene1Frames : public test::SceneFrameTest {
 protected:
  // The last photograph is a 240 x 240 grey pattern with one 8 x 8 block per
  // cell; JPEG rows run top first, so picture row r belongs to grid row r / 8.
  void Enter(bool withPictures) {
    if (withPictures) {
      std::vector<std::uint8_t> grey;
      for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 240; ++c) grey.push_back(static_cast<std::uint8_t>(PatternGrey(c / 8, r / 8)));
      dir_.Write("data/birdie.jpg", test::SolidJpeg(kBird));
      dir_.Write("data/texpart02/pelto.jpg", test::SolidJpeg(kPelto));
      dir_.Write("data/texpart02/sarv.jpg", test::SolidJpeg({40, 40, 200}));
      dir_.Write("data/texpart02/kel.jpg", EncodeJpegGrey(grey, 240, 240, 95));
    }
    test::StartAfterScene0();
    sceneStartTicks = 250;
    SetupScene1();
  }
  void DrawAt(float t) {
    test::DrawSceneAt(1, t, 250.0f + t);
    test::SaveFrame("scene1_t" + std::to_string(static_cast<int>(t)));
  }
};

// Mean colour at the centre of grid cell (i, j) under the 45-degree, 4/3 projection.
Rgb CellCentre(int i, int j) {
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  const CellOrigin o = CellPosition(i, j);
  const double x = (o.x + kCellWidth / 2) * f * 0.75 / 2.4, y = (o.y + kCellHeight / 2) * f / 2.4;
  return test::MeanRgb(static_cast<int>((x + 1) * 320), static_cast<int>((y + 1) * 240));
}

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

TEST_F(Scene1Frames, FirstFrameShowsOnlyTheBirdPicture) {
  Enter(true);
  DrawAt(0.000001f);
  const auto pixels = test::ReadPixelsRgb(0, 0, 640, 480);
  int off = 0;
  for (std::size_t k = 0; k < pixels.size(); k += 3)
    off += !NearRgb({pixels[k], pixels[k + 1], pixels[k + 2]}, kBird, 3);
  EXPECT_EQ(off, 0);
}

// Scene 0's fog, lighting and unit 1 must not reach the grid; each cell shows
// its own square of the picture at its brightness, halved by the curtain at 325.
TEST_F(Scene1Frames, CellsShowTheirSquareAndTheCurtainHalvesThemAt325) {
  Enter(true);
  for (float t : {250.0f, 325.0f}) {
    DrawAt(t);
    const float scale = t < 300.0f ? 1.0f : 0.5f;
    int compared = 0;
    for (int j = 0; j < kGridRows; j += 2)
      for (int i = 0; i < kGridColumns; i += 3) {
        const float b = Clamp01(GridBrightness(i, j, t));
        if (b < 0.3f) continue;
        const int g = static_cast<int>(std::lround(scale * b * PatternGrey(i, j)));
        ASSERT_TRUE(NearRgb(CellCentre(i, j), {g, g, g}, 4)) << "t=" << t << " cell " << i << "," << j;
        ++compared;
      }
    EXPECT_GT(compared, 40) << t;
  }
  DrawAt(350.0f);
  EXPECT_EQ(test::BrightestValue(), 0) << "black at the end";
  EXPECT_FALSE(glIsEnabled(GL_FOG));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(Scene1Frames, MissingPicturesGiveWhiteBirdAndGreyCells) {
  Enter(false);
  EXPECT_EQ(birdTexture.textureId, 0u);
  for (const TextureRecord& p : photoTextures) EXPECT_EQ(p.textureId, 0u);
  DrawAt(0.000001f);
  EXPECT_TRUE(NearRgb(test::MeanRgb(320, 240), {255, 255, 255}, 1)) << "plain white opening quad";
  DrawAt(150.0f);
  for (const auto& c : {std::array<int, 2>{0, 0}, {14, 15}, {29, 29}, {22, 8}}) {
    const int b = static_cast<int>(std::lround(Clamp01(GridBrightness(c[0], c[1], 150.0f)) * 255.0f));
    EXPECT_TRUE(NearRgb(CellCentre(c[0], c[1]), {b, b, b}, 2)) << c[0] << "," << c[1];
  }
}

}  // namespace
}  // namespace velkor
