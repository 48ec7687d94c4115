// Scene 1: the photograph each tick shows, and frames rendered from small
// generated pictures of the dissolving bird picture and the curtain. The grid
// in the middle of the scene, drawn from the stand-in data, is judged by the
// golden frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "scenes/scene1.h"
#include "support/scene_support.h"

namespace velkor::test {
namespace {

const Rgb kBird{200, 40, 40};

using Scene1Frames = SceneFrameTest;

// Pelto until tick 100, sarv until 200, then kel.
TEST(Scene1Photos, EachBoundBelongsToTheNextPhotograph) {
  const struct {
    float t;
    int photo;
  } cases[] = {{std::nextafter(100.0f, 0.0f), 0}, {100, 1}, {std::nextafter(200.0f, 0.0f), 1}, {200, 2}};
  for (const auto& c : cases) EXPECT_EQ(PhotoIndexAt(c.t), c.photo) << c.t;
}

// Mean colour at the centre of grid cell (i, j): the 30 x 30 grid spans the
// full-screen layer, 2.66 x 2 at depth 2.4, seen under the 45-degree, 4/3 projection.
Rgb CellCentre(int i, int j) {
  const double x = -1.33 + (i + 0.5) * 2.66 / 30, y = -1.0 + (j + 0.5) * 2.0 / 30;
  const double scale = 1.0 / (2.4 * std::tan(22.5 * M_PI / 180.0));
  return MeanRgb(static_cast<int>((x * scale * 0.75 + 1) * 320), static_cast<int>((y * scale + 1) * 240));
}

// The bird covers the first frame and is half gone at tick 25: over the green
// first photograph at any cell brightness b its red is 0.5 * 200 + 0.5 * 40 b.
TEST_F(Scene1Frames, BirdPictureCoversTheFirstFrameAndDissolvesBy50) {
  dir_.Write("data/birdie.jpg", SolidJpeg(kBird));
  dir_.Write("data/texpart02/pelto.jpg", SolidJpeg({40, 200, 40}));
  EnterScene(1);
  const std::array<int, 2> spots[] = {{2, 2}, {320, 240}, {637, 477}};
  DrawAt(0.000001f);
  for (const auto& xy : spots) EXPECT_TRUE(NearRgb(MeanRgb(xy[0], xy[1]), kBird, 3)) << xy[0] << "," << xy[1];
  DrawAt(25.0f);
  for (const auto& xy : spots) EXPECT_NEAR(MeanRgb(xy[0], xy[1])[0], 110, 13) << xy[0] << "," << xy[1];
  DrawAt(50.0f);
  EXPECT_LT(MeanRgb(320, 240)[0], 45) << "only the green photograph";
}

// Without pictures the bird is a plain white quad and each cell shows its
// brightness in grey, halved by the curtain at tick 325; black at the end.
TEST_F(Scene1Frames, WithoutPicturesDrawsWhiteBirdGreyCellsAndTheCurtain) {
  EnterScene(1);
  EXPECT_EQ(birdTexture.textureId, 0u);
  for (const TextureRecord& p : photoTextures) EXPECT_EQ(p.textureId, 0u);
  DrawAt(0.000001f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {255, 255, 255}, 1)) << "plain white opening quad";
  for (const float t : {150.0f, 325.0f}) {
    DrawAt(t);
    const float curtain = t < 300.0f ? 1.0f : 0.5f;
    for (const auto& c : {std::array<int, 2>{0, 0}, {14, 15}, {29, 29}, {22, 8}}) {
      const float b = std::min(1.0f, std::max(0.0f, GridBrightness(c[0], c[1], t)));
      const int g = static_cast<int>(std::lround(curtain * b * 255.0f));
      EXPECT_TRUE(NearRgb(CellCentre(c[0], c[1]), {g, g, g}, 3)) << t << ": " << c[0] << "," << c[1];
    }
  }
  DrawAt(350.0f);
  EXPECT_EQ(BrightestValue(), 0) << "black at the end";
}

}  // namespace
}  // namespace velkor::test
