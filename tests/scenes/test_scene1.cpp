// Scene 1 in frames rendered from small generated pictures: the bird picture
// dissolving, the photographs in turn on the shimmering grid, and the curtain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/jpeg.h"
#include "scenes/scene1.h"
#include "support/scene_support.h"

namespace velkor::test {
namespace {

const Rgb kBird = {200, 40, 40};
const Rgb kPelto = {40, 200, 40};

// Grey level of the patterned picture in the square grid cell (i, j) shows; neighbours differ.
int PatternGrey(int i, int j) { return ((i * 7 + j * 13) % 30) * 8 + 16; }

class Scene1Frames : public SceneFrameTest {
 protected:
  // The last photograph is a 240 x 240 grey pattern with one 8 x 8 block per
  // cell; JPEG rows run top first, so picture row r belongs to grid row r / 8.
  void Enter(bool withPictures) {
    if (withPictures) {
      std::vector<std::uint8_t> grey;
      for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 240; ++c) grey.push_back(static_cast<std::uint8_t>(PatternGrey(c / 8, r / 8)));
      dir_.Write("data/birdie.jpg", SolidJpeg(kBird));
      dir_.Write("data/texpart02/pelto.jpg", SolidJpeg(kPelto));
      dir_.Write("data/texpart02/sarv.jpg", SolidJpeg({40, 40, 200}));
      dir_.Write("data/texpart02/kel.jpg", EncodeJpegGrey(grey, 240, 240, 95));
    }
    StartAfterScene0();
    sceneStartTicks = 250;
    SetupScene1();
  }
  void DrawAt(float t) { DrawSceneAt(1, t, 250.0f + t); }
};

// Mean colour at the centre of grid cell (i, j): the 30 x 30 grid spans the
// full-screen layer, 2.66 x 2 at depth 2.4, seen under the 45-degree, 4/3 projection.
Rgb CellCentre(int i, int j) {
  const double x = -1.33 + (i + 0.5) * 2.66 / 30, y = -1.0 + (j + 0.5) * 2.0 / 30;
  const double scale = 1.0 / (2.4 * std::tan(22.5 * M_PI / 180.0));
  return MeanRgb(static_cast<int>((x * scale * 0.75 + 1) * 320), static_cast<int>((y * scale + 1) * 240));
}

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

// The bird covers the first frame and is half gone at tick 25: over the green
// first photograph at any brightness b its red is 0.5 * 200 + 0.5 * 40 b.
TEST_F(Scene1Frames, TheBirdPictureCoversTheFirstFrameAndDissolvesBy50) {
  Enter(true);
  DrawAt(0.000001f);
  const auto pixels = ReadPixelsRgb(0, 0, 640, 480);
  int off = 0;
  for (std::size_t k = 0; k < pixels.size(); k += 3)
    off += !NearRgb({pixels[k], pixels[k + 1], pixels[k + 2]}, kBird, 3);
  EXPECT_EQ(off, 0);
  DrawAt(25.0f);
  for (const auto& c : {std::array<int, 2>{0, 0}, {14, 15}, {29, 29}, {22, 8}})
    EXPECT_NEAR(CellCentre(c[0], c[1])[0], 110, 13) << c[0] << "," << c[1];
  DrawAt(50.0f);
  EXPECT_LT(MeanRgb(320, 240)[0], 45) << "only the green photograph";
}

// Pelto (green) until tick 100, sarv (blue) until 200, then kel (grey); the
// colour of the whole grid tells which.
TEST_F(Scene1Frames, PhotographsChangeAtTicks100And200) {
  Enter(true);
  const struct {
    float t;
    int channel;  // the strongest one, or -1 for grey
  } cases[] = {{std::nextafter(100.0f, 0.0f), 1}, {100, 2}, {std::nextafter(200.0f, 0.0f), 2}, {200, -1}};
  for (const auto& c : cases) {
    DrawAt(c.t);
    const Rgb m = MeanRgb(320, 240, 200);
    const int strongest = static_cast<int>(std::max_element(m.begin(), m.end()) - m.begin());
    const bool grey = std::abs(m[0] - m[1]) < 8 && std::abs(m[1] - m[2]) < 8;
    EXPECT_EQ(grey ? -1 : strongest, c.channel) << c.t << ": " << m[0] << "," << m[1] << "," << m[2];
  }
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
  EXPECT_EQ(BrightestValue(), 0) << "black at the end";
}

TEST_F(Scene1Frames, MissingPicturesGiveWhiteBirdAndGreyCells) {
  Enter(false);
  EXPECT_EQ(birdTexture.textureId, 0u);
  for (const TextureRecord& p : photoTextures) EXPECT_EQ(p.textureId, 0u);
  DrawAt(0.000001f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {255, 255, 255}, 1)) << "plain white opening quad";
  DrawAt(150.0f);
  for (const auto& c : {std::array<int, 2>{0, 0}, {14, 15}, {29, 29}, {22, 8}}) {
    const int b = static_cast<int>(std::lround(Clamp01(GridBrightness(c[0], c[1], 150.0f)) * 255.0f));
    EXPECT_TRUE(NearRgb(CellCentre(c[0], c[1]), {b, b, b}, 2)) << c[0] << "," << c[1];
  }
}

}  // namespace
}  // namespace velkor::test
