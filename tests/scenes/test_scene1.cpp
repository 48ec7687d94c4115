// Scene 1: grid brightness, photograph choice, curtain and bird alphas, and
// rendered frames on small generated pictures.
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

// i = 10, j = 20, t = 25 put the noise exactly on lattice point (1, 2, 1) and the
// band at sin(25 * 0.06 + 2) = sin(3.5).
TEST(Scene1Maths, BrightnessOfACellFollowsNoiseAndRowBand) {
  SetRand15State(1);
  InitNoiseTables();
  EXPECT_NEAR(GridBrightness(10, 20, 25.0f),
              (NoiseLattice(1.0f, 2.0f, 1.0f) + (std::sin(3.5) + 1.0) * 0.5) * 0.6 + 0.4, 1e-6);
}

// The curtain and the bird's end are judged from frames below; here the
// picture changes and the bird's dissolve in between.
TEST(Scene1Timeline, PhotographsChangeAtTicks100And200AndTheBirdDissolvesBy50) {
  const struct {
    float t;
    int photo;
    float bird;
  } cases[] = {{0.000001f, 0, 1}, {25, 0, 0.5f}, {50, 0, 0}, {std::nextafter(100.0f, 0.0f), 0, -1},
               {100, 1, -1},      {std::nextafter(200.0f, 0.0f), 1, -3}, {200, 2, -3}};
  for (const auto& c : cases) {
    EXPECT_EQ(PhotoIndexAt(c.t), c.photo) << c.t;
    EXPECT_NEAR(BirdAlpha(c.t), c.bird, 1e-5f) << c.t;
  }
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
  void DrawAt(float t) { test::DrawSceneAt(1, t, 250.0f + t); }
};

// Mean colour at the centre of grid cell (i, j): the 30 x 30 grid spans the
// full-screen layer, 2.66 x 2 at depth 2.4, seen under the 45-degree, 4/3 projection.
Rgb CellCentre(int i, int j) {
  const double x = -1.33 + (i + 0.5) * 2.66 / 30, y = -1.0 + (j + 0.5) * 2.0 / 30;
  const double scale = 1.0 / (2.4 * std::tan(22.5 * M_PI / 180.0));
  return test::MeanRgb(static_cast<int>((x * scale * 0.75 + 1) * 320), static_cast<int>((y * scale + 1) * 240));
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
