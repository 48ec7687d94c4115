// Scene 1: grid brightness, photograph choice, curtain and bird alphas, cell
// texture coordinates, and rendered frames on small generated pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/shell.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/jpeg.h"
#include "proc/noise.h"
#include "scenes/scene1.h"
#include "scenes/scenes.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"

namespace velkor {
namespace {

class Scene1Maths : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetRand15State(1);
    InitNoiseTables();
  }
};

TEST_F(Scene1Maths, BrightnessAtALatticePointUsesTheTableValue) {
  // i = 10, j = 20, t = 25 put the noise exactly on lattice point (1, 2, 1).
  const float expected =
      static_cast<float>((NoiseLattice(1.0f, 2.0f, 1.0f) + (std::sin(3.5) + 1.0) * 0.5) * 0.6 + 0.4);
  EXPECT_NEAR(GridBrightness(10, 20, 25.0f), expected, 1e-6f);
  // Cell (0, 0) at time 0: lattice origin, sine of 0.
  EXPECT_NEAR(GridBrightness(0, 0, 0.0f), (NoiseLattice(0, 0, 0) + 0.5f) * 0.6f + 0.4f, 1e-6f);
}

TEST_F(Scene1Maths, BrightnessBetweenLatticePointsFollowsTheFormula) {
  const int cells[][2] = {{3, 7}, {29, 0}, {0, 29}, {17, 22}};
  for (float t : {0.000001f, 12.5f, 99.99f, 233.3f, 349.0f})
    for (const auto& c : cells) {
      const int i = c[0], j = c[1];
      const float noise = CosineNoise3(i * 0.1f, j * 0.1f, t * 0.04f);
      const float band = (std::sin(t * 0.06f + j * 0.1f) + 1.0f) * 0.5f;
      EXPECT_NEAR(GridBrightness(i, j, t), (noise + band) * 0.6f + 0.4f, 2e-6f) << i << "," << j << " t=" << t;
    }
}

TEST_F(Scene1Maths, RowsShareTheirSinePhaseAndStayInRange) {
  for (float t : {1.0f, 140.0f, 300.5f}) {
    for (int j = 0; j < kGridRows; ++j) {
      const float rowBand = GridBrightness(0, j, t) - 0.6f * CosineNoise3(0.0f, j * 0.1f, t * 0.04f);
      for (int i = 1; i < kGridColumns; ++i) {
        const float b = GridBrightness(i, j, t);
        ASSERT_NEAR(b - 0.6f * CosineNoise3(i * 0.1f, j * 0.1f, t * 0.04f), rowBand, 1e-5f);
        ASSERT_GE(b, -0.2f - 1e-5f);
        ASSERT_LE(b, 1.6f + 1e-5f);
      }
    }
    // Neighbouring rows are 0.1 radian apart.
    const float band0 = GridBrightness(4, 5, t) - 0.6f * CosineNoise3(0.4f, 0.5f, t * 0.04f);
    EXPECT_NEAR(band0, 0.4f + 0.3f * (std::sin(t * 0.06f + 0.5f) + 1.0f), 1e-5f);
  }
}

TEST(Scene1Timeline, PhotographCutsAt100And200) {
  EXPECT_EQ(PhotoIndexAt(0.000001f), 0);
  EXPECT_EQ(PhotoIndexAt(99.99f), 0);
  EXPECT_EQ(PhotoIndexAt(std::nextafter(100.0f, 0.0f)), 0);
  EXPECT_EQ(PhotoIndexAt(100.0f), 1);
  EXPECT_EQ(PhotoIndexAt(199.99f), 1);
  EXPECT_EQ(PhotoIndexAt(200.0f), 2);
  EXPECT_EQ(PhotoIndexAt(350.0f), 2);
}

TEST(Scene1Timeline, CurtainClosesOverTheLast50Ticks) {
  for (float t : {0.000001f, 25.0f, 75.0f, 300.0f}) {
    const FadeColour c = CurtainColour(t);
    EXPECT_EQ(c.a, 0.0f) << t;
    EXPECT_EQ(c.r, 1.0f) << t;
  }
  const FadeColour justAfter = CurtainColour(std::nextafter(300.0f, 400.0f));
  EXPECT_EQ(justAfter.r, 0.0f);
  EXPECT_GT(justAfter.a, 0.0f);
  EXPECT_LT(justAfter.a, 1e-4f);
  EXPECT_FLOAT_EQ(CurtainColour(325.0f).a, 0.5f);
  EXPECT_FLOAT_EQ(CurtainColour(350.0f).a, 1.0f);
}

TEST(Scene1Timeline, BirdPictureDissolvesOverTheFirst50Ticks) {
  EXPECT_NEAR(BirdAlpha(0.000001f), 1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(BirdAlpha(25.0f), 0.5f);
  EXPECT_NEAR(BirdAlpha(50.0f), 0.0f, 1e-6f);
  EXPECT_LT(BirdAlpha(120.0f), 0.0f);  // GL clamps it to 0
}

TEST(Scene1Grid, CellsTileTheScreenAndTheTexture) {
  const CellTexRect first = CellTexCoords(0, 0);
  EXPECT_EQ(first.s0, 0.0f);
  EXPECT_EQ(first.t0, 0.0f);
  EXPECT_EQ(first.s1, 0.033333335f);
  EXPECT_EQ(first.t1, 0.033333335f);
  const CellOrigin origin = CellPosition(0, 0);
  EXPECT_EQ(origin.x, -1.33f);
  EXPECT_EQ(origin.y, -1.0f);
  const CellTexRect last = CellTexCoords(29, 29);
  EXPECT_NEAR(last.s1, 1.0f, 1e-6f);
  EXPECT_NEAR(last.t1, 1.0f, 1e-6f);
  const CellOrigin top = CellPosition(29, 29);
  EXPECT_NEAR(top.x + kCellWidth, 1.33f, 1e-5f);
  EXPECT_NEAR(top.y + kCellHeight, 1.0f, 1e-5f);
  // Neighbours share their edges.
  EXPECT_NEAR(CellTexCoords(4, 9).s1, CellTexCoords(5, 9).s0, 1e-7f);
  EXPECT_NEAR(CellPosition(4, 9).x + kCellWidth, CellPosition(5, 9).x, 1e-6f);
}

// ---- Rendered frames ----

struct Rgb {
  int r, g, b;
};
const Rgb kBird = {200, 40, 40};
const Rgb kPelto = {40, 200, 40};
const Rgb kSarv = {40, 40, 200};
const Rgb kKel = {255, 255, 255};

std::vector<std::uint8_t> SolidJpeg(Rgb c) {
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < 64 * 64; ++i)
    rgb.insert(rgb.end(), {static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                           static_cast<std::uint8_t>(c.b)});
  return EncodeJpegRgb(rgb, 64, 64, 95);
}

// Grey level of the patterned picture in the square that grid cell (i, j) shows;
// neighbours always differ.
int PatternGrey(int i, int j) { return ((i * 7 + j * 13) % 30) * 8 + 16; }

// 240 x 240 grey picture, one 8 x 8 block per cell. The top row of a JPEG
// lands at t = 0, so picture row r belongs to grid row r / 8 counted from the bottom.
std::vector<std::uint8_t> PatternJpeg() {
  std::vector<std::uint8_t> grey;
  for (int r = 0; r < 240; ++r)
    for (int c = 0; c < 240; ++c) grey.push_back(static_cast<std::uint8_t>(PatternGrey(c / 8, r / 8)));
  return EncodeJpegGrey(grey, 240, 240, 95);
}

void WriteScene1Data(const test::TempDir& dir, bool patternedLastPhoto = false) {
  dir.Write("data/birdie.jpg", SolidJpeg(kBird));
  dir.Write("data/texpart02/pelto.jpg", SolidJpeg(kPelto));
  dir.Write("data/texpart02/sarv.jpg", SolidJpeg(kSarv));
  dir.Write("data/texpart02/kel.jpg", patternedLastPhoto ? PatternJpeg() : SolidJpeg(kKel));
}

// The state scene 1 meets in the show: global state, with unit 1 switched off
// and unit 0 active as scene 0 leaves them.
void StartAfterScene0() {
  SetRand15State(1);
  InitNoiseTables();
  SetGlobalGlState();
  ResizeViewport(640, 480);
  ResetSequencer();
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  sceneIndex = 1;
  sceneStartTicks = 250;
}

void DrawScene1At(float t) {
  sceneTicks = t;
  demoTicks = 250.0f + t;
  RenderFrame();
  if (const char* dir = std::getenv("VELKOR_SAVE_FRAMES")) {
    char name[64];
    std::snprintf(name, sizeof name, "/scene1_t%g.png", t);
    test::SavePng(dir + std::string(name), 640, 480);
  }
}

// Window pixel at the centre of grid cell (i, j) under the 45-degree, 4/3 projection.
std::vector<int> CellCentrePixel(int i, int j) {
  const double f = 1.0 / std::tan(22.5 * 3.14159265358979 / 180.0);
  const CellOrigin o = CellPosition(i, j);
  const double x = (o.x + kCellWidth / 2) * f / (4.0 / 3.0) / 2.4;
  const double y = (o.y + kCellHeight / 2) * f / 2.4;
  return test::PixelAt(static_cast<int>((x + 1) * 320), static_cast<int>((y + 1) * 240));
}

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

::testing::AssertionResult Near(const std::vector<int>& got, float r, float g, float b, int tolerance) {
  const float want[3] = {r, g, b};
  for (int c = 0; c < 3; ++c)
    if (std::abs(got[c] - want[c]) > tolerance)
      return ::testing::AssertionFailure() << "got (" << got[0] << ", " << got[1] << ", " << got[2] << "), want ("
                                           << r << ", " << g << ", " << b << ")";
  return ::testing::AssertionSuccess();
}

const int kSampleCells[][2] = {{0, 0}, {5, 3}, {14, 15}, {29, 29}, {22, 8}, {9, 27}};

class Scene1Frames : public test::GlTest {};

TEST_F(Scene1Frames, OpensWithOnlyTheBirdPicture) {
  test::TempDir dir;
  WriteScene1Data(dir);
  test::ScopedWorkingDirectory cwd(dir.path());
  StartAfterScene0();
  SetupScene1();
  ASSERT_NE(birdTexture.textureId, 0u);
  for (const TextureRecord& p : photoTextures) ASSERT_NE(p.textureId, 0u);

  DrawScene1At(0.000001f);
  const auto pixels = test::ReadPixelsRgb(0, 0, 640, 480);
  int off = 0;
  for (std::size_t k = 0; k < pixels.size(); k += 3)
    off += std::abs(pixels[k] - kBird.r) > 3 || std::abs(pixels[k + 1] - kBird.g) > 3 ||
           std::abs(pixels[k + 2] - kBird.b) > 3;
  EXPECT_EQ(off, 0) << "every pixel is the bird picture";

  // Half way through the dissolve: half bird, half grid over the first photograph.
  DrawScene1At(25.0f);
  for (const auto& c : kSampleCells) {
    const float b = Clamp01(GridBrightness(c[0], c[1], 25.0f));
    EXPECT_TRUE(Near(CellCentrePixel(c[0], c[1]), 0.5f * kBird.r + 0.5f * b * kPelto.r,
                     0.5f * kBird.g + 0.5f * b * kPelto.g, 0.5f * kBird.b + 0.5f * b * kPelto.b, 4))
        << c[0] << "," << c[1];
  }
}

TEST_F(Scene1Frames, GridShowsEachPhotographInItsPeriod) {
  test::TempDir dir;
  WriteScene1Data(dir);
  test::ScopedWorkingDirectory cwd(dir.path());
  StartAfterScene0();
  SetupScene1();
  const struct {
    float t;
    Rgb photo;
  } periods[] = {{60.0f, kPelto}, {100.0f, kSarv}, {199.0f, kSarv}};
  for (const auto& p : periods) {
    DrawScene1At(p.t);
    for (const auto& c : kSampleCells) {
      const float b = Clamp01(GridBrightness(c[0], c[1], p.t));
      EXPECT_TRUE(Near(CellCentrePixel(c[0], c[1]), b * p.photo.r, b * p.photo.g, b * p.photo.b, 4))
          << "t=" << p.t << " cell " << c[0] << "," << c[1];
    }
  }
}

TEST_F(Scene1Frames, EachCellShowsItsOwnSquareOfThePicture) {
  test::TempDir dir;
  WriteScene1Data(dir, true);
  test::ScopedWorkingDirectory cwd(dir.path());
  StartAfterScene0();
  SetupScene1();
  DrawScene1At(200.0f);
  int compared = 0;
  for (int j = 0; j < kGridRows; ++j)
    for (int i = 0; i < kGridColumns; ++i) {
      const float b = Clamp01(GridBrightness(i, j, 200.0f));
      if (b < 0.3f) continue;
      const float g = b * PatternGrey(i, j);
      ASSERT_TRUE(Near(CellCentrePixel(i, j), g, g, g, 4)) << "cell " << i << "," << j;
      ++compared;
    }
  EXPECT_GT(compared, 300);
}

TEST_F(Scene1Frames, CurtainHalvesTheFrameAt325AndLeavesStateForTheNextScene) {
  test::TempDir dir;
  WriteScene1Data(dir);
  test::ScopedWorkingDirectory cwd(dir.path());
  StartAfterScene0();
  SetupScene1();
  // Compare the light each cell gets per unit of brightness: full at 250, half at 325.
  for (float t : {250.0f, 325.0f}) {
    DrawScene1At(t);
    const float expectedScale = t < 300.0f ? 255.0f : 127.5f;
    int compared = 0;
    for (int j = 0; j < kGridRows; j += 3)
      for (int i = 0; i < kGridColumns; i += 4) {
        const float b = Clamp01(GridBrightness(i, j, t));
        if (b < 0.2f) continue;
        const auto px = CellCentrePixel(i, j);
        EXPECT_NEAR(px[0] / b, expectedScale, 3.0f / b + 1.0f) << "t=" << t << " cell " << i << "," << j;
        ++compared;
      }
    EXPECT_GT(compared, 20);
  }
  DrawScene1At(350.0f);
  const auto end = test::ReadPixelsRgb(0, 0, 640, 480);
  EXPECT_EQ(*std::max_element(end.begin(), end.end()), 0) << "black at the end";

  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_FOG));
  GLint bound = 0, src = 0, dst = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(static_cast<GLuint>(bound), birdTexture.textureId);
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
}

// The real hand-over: scene 0 set up and drawn (here without its files), then
// the sequencer switches; fog, lighting and unit 1 from scene 0 must not reach the grid.
TEST_F(Scene1Frames, TakesOverFromScene0ThroughTheSequencer) {
  test::TempDir dir;
  WriteScene1Data(dir, true);
  test::ScopedWorkingDirectory cwd(dir.path());
  SetRand15State(1);
  InitNoiseTables();
  SetGlobalGlState();
  ResizeViewport(640, 480);
  ResetSequencer();
  SetupScene0();
  StepClock(1000);
  RenderFrame();
  StepClock(19300);  // past tick 250: switches and sets scene 1 up
  ASSERT_EQ(sceneIndex, 1);
  RenderFrame();
  EXPECT_TRUE(Near(test::PixelAt(320, 240), kBird.r, kBird.g, kBird.b, 3));
  StepClock(35000);
  ASSERT_EQ(sceneIndex, 1);
  ASSERT_GT(sceneTicks, 200.0f);
  RenderFrame();
  for (const auto& c : kSampleCells) {
    const float b = Clamp01(GridBrightness(c[0], c[1], sceneTicks));
    const float g = b * PatternGrey(c[0], c[1]);
    EXPECT_TRUE(Near(CellCentrePixel(c[0], c[1]), g, g, g, 4)) << c[0] << "," << c[1];
  }
}

TEST_F(Scene1Frames, MissingPicturesGiveWhiteBirdAndGreyCells) {
  test::TempDir dir;
  test::ScopedWorkingDirectory cwd(dir.path());
  StartAfterScene0();
  SetupScene1();
  EXPECT_EQ(birdTexture.textureId, 0u);
  for (const TextureRecord& p : photoTextures) EXPECT_EQ(p.textureId, 0u);

  DrawScene1At(0.000001f);
  EXPECT_TRUE(Near(test::PixelAt(320, 240), 255, 255, 255, 1)) << "plain white opening quad";
  DrawScene1At(150.0f);
  for (const auto& c : kSampleCells) {
    const float b = Clamp01(GridBrightness(c[0], c[1], 150.0f)) * 255.0f;
    EXPECT_TRUE(Near(CellCentrePixel(c[0], c[1]), b, b, b, 2)) << c[0] << "," << c[1];
  }
}

}  // namespace
}  // namespace velkor
