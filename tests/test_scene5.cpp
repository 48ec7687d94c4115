// Scene 5: the frame-picture switching over the whole scene at several frame
// rates, the photo column's heights, the tumbling frame's corners, and whole
// frames rendered from small generated data.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/shell.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/jpeg.h"
#include "scenes/scene5.h"
#include "scenes/scenes.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/image_writers.h"

namespace velkor {
namespace {

using test::PixelAt;

// The picture each frame shows (chosen before its switching step), for frames
// drawn every 13 / fps ticks from the scene's start until it ends after 1100.
struct SwitchRun {
  std::vector<int> pictures;     // distinct pictures in the order shown
  std::vector<int> switchTicks;  // trunc(T) of the frames that switched
};
SwitchRun RunSceneAt(double fps) {
  SwitchRun run;
  for (int n = 0;; ++n) {
    const float t = n == 0 ? 0.000001f : static_cast<float>(n * 13.0 / fps);
    const int shown = frameIndex;
    if (run.pictures.empty() || run.pictures.back() != shown) run.pictures.push_back(shown);
    StepFrameSwitch(t);
    if (frameIndex != shown) run.switchTicks.push_back(static_cast<int>(t));
    if (t > 1100.0f) break;
  }
  return run;
}

class FrameSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetFrameSwitch(); }
  void TearDown() override { ResetFrameSwitch(); }
};

TEST_F(FrameSwitchTest, SixSwitchesOverTheSceneAtTwentyAndSixtyFramesPerSecond) {
  const std::vector<int> expected = {0, 1, 2, 3, 0, 1, 2};  // frame01 .. frame04, frame01 .. frame03
  const std::vector<int> ticks = {99, 279, 459, 639, 819, 999};
  for (double fps : {60.0, 20.0, 13.5}) {
    ResetFrameSwitch();
    const SwitchRun run = RunSceneAt(fps);
    EXPECT_EQ(run.pictures, expected) << fps;
    EXPECT_EQ(run.switchTicks, ticks) << fps;
  }
}

TEST_F(FrameSwitchTest, FramesBelowThirteenPerSecondCanMissASwitchWindow) {
  // At 10 frames per second frames fall 1.3 ticks apart: 98.8 and 100.1 skip
  // the window of tick 99, so the first switch waits for tick 279.
  const SwitchRun run = RunSceneAt(10.0);
  ASSERT_FALSE(run.switchTicks.empty());
  EXPECT_EQ(run.switchTicks.front(), 279);
  EXPECT_LT(run.switchTicks.size(), 6u);
  EXPECT_NE(run.pictures, (std::vector<int>{0, 1, 2, 3, 0, 1, 2}));
}

TEST_F(FrameSwitchTest, ManyFramesInsideOneSwitchTickAdvanceOnce) {
  for (float t : {99.0f, 99.2f, 99.5f, 99.9f}) StepFrameSwitch(t);
  EXPECT_EQ(frameIndex, 1);
  EXPECT_EQ(frameSwitchArmed, 1.0f);
  // Nothing re-arms before 181; the window at 279 is then taken once more.
  for (float t : {150.0f, 181.5f, 184.9f, 279.0f, 279.5f}) StepFrameSwitch(t);
  EXPECT_EQ(frameIndex, 2);
  // Without the re-arm between them the second window passes unused.
  ResetFrameSwitch();
  for (float t : {99.3f, 200.0f, 279.3f}) StepFrameSwitch(t);
  EXPECT_EQ(frameIndex, 1);
}

TEST_F(FrameSwitchTest, PictureWrapsFromTheFourthToTheFirstAndResetRestoresTheStart) {
  frameIndex = 3;
  StepFrameSwitch(459.5f);  // 459 mod 360 = 99
  EXPECT_EQ(frameIndex, 0);
  StepFrameSwitch(365.0f);  // re-armed in the first ten ticks of a turn
  EXPECT_EQ(frameSwitchArmed, 0.0f);
  // The state carries over from one show to the next unless reset.
  frameIndex = 2;
  frameSwitchArmed = 1.0f;
  ResetFrameSwitch();
  EXPECT_EQ(frameIndex, 0);
  EXPECT_EQ(frameSwitchArmed, 0.0f);
}

TEST(PhotoColumnTest, TopPhotographRisesFromMinusTwoToTenPointOne) {
  EXPECT_EQ(PhotoColumnY(0.0f), -2.0f);
  EXPECT_NEAR(PhotoColumnY(1100.0f), 10.1f, 1e-5f);
  EXPECT_NEAR(PhotoColumnY(100.0f) - PhotoColumnY(0.0f), 1.1f, 1e-5f);
  const float expected[5] = {0.0f, 1.5f, 3.4f, 5.2f, 7.0f};
  for (float t : {0.0f, 550.0f, 1100.0f})
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(PhotoCentreY(t, k), PhotoColumnY(t) - expected[k], 1e-5f) << t << " " << k;
  // Neighbouring 2 x 2 squares overlap by 0.5, 0.1, 0.2 and 0.2.
  const float overlaps[4] = {0.5f, 0.1f, 0.2f, 0.2f};
  for (int k = 1; k < 5; ++k) EXPECT_NEAR(2.0f - PhotoStep(k), overlaps[k - 1], 1e-6f) << k;
  EXPECT_EQ(PhotoStep(0), 0.0f);
  EXPECT_EQ(PhotoStep(5), 0.0f);
}

TEST(TumblingFrameTest, FacesTheViewerAtZeroLiesEdgeOnAtNinetyAndFlipsAt180) {
  const FrameCorners facing = TumblingFrameCorners(0.0f);
  const float flat[4][3] = {{-0.03f, 0, -5}, {-0.03f, 2, -5}, {2.63f, 2, -5}, {2.63f, 0, -5}};
  for (int i = 0; i < 4; ++i)
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(facing.corner[i][a], flat[i][a], 1e-5f) << i << " " << a;
  for (float t : {90.0f, 270.0f, 450.0f}) {
    const FrameCorners edgeOn = TumblingFrameCorners(t);
    for (int i = 0; i < 4; ++i) {
      // In the horizontal plane one unit above the eye, reaching one unit either side of z = -5.
      EXPECT_NEAR(edgeOn.corner[i][1], 1.0f, 1e-5f) << t << " " << i;
      EXPECT_NEAR(std::fabs(edgeOn.corner[i][2] + 5.0f), 1.0f, 1e-5f) << t << " " << i;
    }
  }
  const FrameCorners flipped = TumblingFrameCorners(180.0f);
  EXPECT_NEAR(flipped.corner[0][1], 2.0f, 1e-5f);  // the bottom-left corner now on top
  EXPECT_NEAR(flipped.corner[1][1], 0.0f, 1e-5f);
  EXPECT_EQ(FrameTurnDegrees(123.5f), 123.5f);
}

// ---- Setup and rendered frames ----

using Rgb = std::array<std::uint8_t, 3>;

const Rgb kBee = {{20, 20, 90}};
const Rgb kFrameColours[4] = {{{250, 200, 0}}, {{160, 0, 200}}, {{0, 220, 220}}, {{255, 255, 255}}};
const Rgb kPhotoColours[5] = {{{200, 0, 0}}, {{0, 180, 0}}, {{0, 0, 160}}, {{120, 120, 0}}, {{0, 90, 90}}};

std::vector<std::uint8_t> SolidTga(const Rgb& c) {
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < 256 * 256; ++i) rgb.insert(rgb.end(), c.begin(), c.end());
  return EncodeTga(rgb, 256, 256, 24);
}

// Opaque (red 255) everywhere but a transparent centre square, texels 96 .. 159.
std::vector<std::uint8_t> MaskWithHole() {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const bool hole = x >= 96 && x < 160 && y >= 96 && y < 160;
      rgb.insert(rgb.end(), {static_cast<std::uint8_t>(hole ? 0 : 255), 77, 200});
    }
  return EncodeTga(rgb, 256, 256, 24);
}

std::vector<std::uint8_t> SolidJpeg(const Rgb& c) {
  std::vector<std::uint8_t> rgb;
  for (int i = 0; i < 64 * 64; ++i) rgb.insert(rgb.end(), c.begin(), c.end());
  return EncodeJpegRgb(rgb, 64, 64, 95);
}

void WriteSceneData(const test::TempDir& dir) {
  dir.Write("data/texpart05/bee.tga", SolidTga(kBee));
  for (int k = 0; k < 4; ++k) dir.Write("data/texpart05/frame0" + std::to_string(k + 1) + ".tga", SolidTga(kFrameColours[k]));
  dir.Write("data/texpart05/frameA.tga", MaskWithHole());
  for (int k = 0; k < 5; ++k) dir.Write("data/texpart05/s" + std::to_string(k) + ".jpg", SolidJpeg(kPhotoColours[k]));
}

void MaybeSavePng(const std::string& name) {
  if (const char* dir = std::getenv("VELKOR_FRAME_DIR")) test::SavePng(std::string(dir) + "/" + name, 640, 480);
}

// What scene 4 leaves: the 45-degree projection of a camera-less model, black
// clear colour and fog, unit 0 active with texturing on, lighting off, and a
// frame that ended early (blending on, translucent white).
void PrepareShowState() {
  SetGlobalGlState();
  ResizeViewport(640, 480);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_LIGHTING);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  const GLfloat black[4] = {0, 0, 0, 0};
  glFogfv(GL_FOG_COLOR, black);
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, 100.0f);
  glFogf(GL_FOG_END, 300.0f);
  glEnable(GL_FOG);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
}

void ForgetSceneImages() {
  for (TextureRecord* r : {&beeImage, &frameMaskImage, &frameImages[0], &frameImages[1], &frameImages[2], &frameImages[3]}) {
    ReleaseTexturePixels(*r);
    *r = TextureRecord{};
  }
  for (GLuint& name : photoColumnTextures) name = 0;
}

void DrawScene5At(float t) {
  sceneIndex = 5;
  sceneTicks = t;
  demoTicks = 1650.0f + t;
  RenderFrame();
}

GLuint BoundTexture() {
  GLint name = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
  return static_cast<GLuint>(name);
}

bool Near(const std::vector<int>& p, int r, int g, int b, int tolerance) {
  return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}

std::string Show(const std::vector<int>& p) {
  return "(" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ")";
}

// A photograph over the background: its colour plus the background dimmed by one minus it.
std::vector<int> OverBee(const Rgb& photo) {
  std::vector<int> out(3);
  for (int i = 0; i < 3; ++i) out[i] = static_cast<int>(photo[i] + kBee[i] * (1.0 - photo[i] / 255.0) + 0.5);
  return out;
}

class Scene5FrameTest : public test::GlTest {
 protected:
  void Enter() {
    WriteSceneData(dir_);
    cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
    ForgetSceneImages();
    PrepareShowState();
    ResetFrameSwitch();
    sceneIndex = 5;
    SetupScene5();
  }
  void TearDown() override {
    ResetFrameSwitch();
    ResetSequencer();
  }
  test::TempDir dir_;
  std::unique_ptr<test::ScopedWorkingDirectory> cwd_;
};

// Screen positions with the 45-degree projection: at depth d a unit of eye
// space is 240 / (d tan 22.5) pixels.
int ScreenX(float x, float depth) { return 320 + static_cast<int>(std::lround(x * 240.0 / (depth * std::tan(M_PI / 8)))); }
int ScreenY(float y, float depth) { return 240 + static_cast<int>(std::lround(y * 240.0 / (depth * std::tan(M_PI / 8)))); }

TEST_F(Scene5FrameTest, SetupComposesEveryFramePictureIntoItsOwnName) {
  Enter();
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[3], 1.0f);
  for (int k = 0; k < 4; ++k) {
    ASSERT_NE(frameImages[k].textureId, 0u) << k;
    glBindTexture(GL_TEXTURE_2D, frameImages[k].textureId);
    std::vector<std::uint8_t> rgba(256 * 256 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EXPECT_EQ(rgba[(10 * 256 + 10) * 4 + 0], kFrameColours[k][0]) << k;
    EXPECT_EQ(rgba[(10 * 256 + 10) * 4 + 3], 255) << k;
    EXPECT_EQ(rgba[(128 * 256 + 128) * 4 + 3], 0) << k;
  }
  for (int k = 0; k < 5; ++k) EXPECT_NE(photoColumnTextures[k], 0u) << k;
  // The setup leaves projection, fog and clear colour alone.
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(projection[5], 1.0 / std::tan(M_PI / 8), 1e-5);
}

TEST_F(Scene5FrameTest, FirstFrameShowsFrameOneOverBackgroundAndTheColumnAtTheBottom) {
  Enter();
  DrawScene5At(0.000001f);
  MaybeSavePng("scene5_first.png");
  // The frame faces the viewer at depth 5, centred at (1.3, 1): frame01 where
  // the mask is opaque, the background through the hole in its middle.
  const auto frame = PixelAt(ScreenX(2.3f, 5), ScreenY(1.8f, 5));
  EXPECT_TRUE(Near(frame, kFrameColours[0][0], kFrameColours[0][1], kFrameColours[0][2], 3)) << Show(frame);
  const auto hole = PixelAt(ScreenX(1.3f, 5), ScreenY(1.0f, 5));
  EXPECT_TRUE(Near(hole, kBee[0], kBee[1], kBee[2], 3)) << Show(hole);
  // The top photograph spans y -3 .. -1 at depth 4: below its top edge it is
  // added onto the background, above it the background shows unchanged.
  const auto photo = PixelAt(ScreenX(-1.12f, 4), ScreenY(-1.3f, 4));
  const auto expected = OverBee(kPhotoColours[0]);
  EXPECT_TRUE(Near(photo, expected[0], expected[1], expected[2], 4)) << Show(photo);
  EXPECT_TRUE(Near(PixelAt(ScreenX(-1.12f, 4), ScreenY(-0.7f, 4)), kBee[0], kBee[1], kBee[2], 3));
  // The frame leaves blending off; depth test, culling and lighting stay off.
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(Scene5FrameTest, ColumnRisesThroughTheView) {
  Enter();
  const int x = ScreenX(-1.12f, 4);
  DrawScene5At(200.0f);  // top photograph at 0.2, the second at -1.3
  MaybeSavePng("scene5_t200.png");
  const auto top = PixelAt(x, ScreenY(0.9f, 4));
  const auto second = PixelAt(x, ScreenY(-1.5f, 4));
  const auto top0 = OverBee(kPhotoColours[0]);
  const auto second0 = OverBee(kPhotoColours[1]);
  EXPECT_TRUE(Near(top, top0[0], top0[1], top0[2], 4)) << Show(top);
  EXPECT_TRUE(Near(second, second0[0], second0[1], second0[2], 4)) << Show(second);
  // Where the two overlap (-0.8 .. -0.3) the second is added over the first.
  const auto overlap = PixelAt(x, ScreenY(-0.55f, 4));
  EXPECT_GT(overlap[0], 150);
  EXPECT_GT(overlap[1], 150);
  // Right of the column at x 0.3 only the background.
  EXPECT_TRUE(Near(PixelAt(ScreenX(0.3f, 4), ScreenY(-0.5f, 4)), kBee[0], kBee[1], kBee[2], 3));
  // Late in the scene the fifth photograph (centre columnY - 7) is in view.
  DrawScene5At(700.0f);  // column at 5.7: the fifth at -1.3
  const auto fifth = PixelAt(x, ScreenY(-1.3f, 4));
  const auto fifth0 = OverBee(kPhotoColours[4]);
  EXPECT_TRUE(Near(fifth, fifth0[0], fifth0[1], fifth0[2], 4)) << Show(fifth);
}

TEST_F(Scene5FrameTest, EdgeOnFrameCoversNothingAndASwitchShowsFromTheNextFrame) {
  Enter();
  DrawScene5At(90.0f);
  MaybeSavePng("scene5_t90.png");
  // Edge-on the frame lies in the plane y = 1 from depth 4 to 6, seen from
  // below: only the band of rows between that plane's images at the two depths
  // shows it, and its face-on place shows the background.
  const int nearRow = ScreenY(1.0f, 4), farRow = ScreenY(1.0f, 6);
  const auto pixels = test::ReadPixelsRgb(0, 0, 640, 480);
  int inBand = 0, outside = 0;
  for (int row = 0; row < 480; ++row)
    for (int col = 0; col < 640; ++col) {
      const std::uint8_t* p = &pixels[(row * 640 + col) * 3];
      if (!(p[0] == kFrameColours[0][0] && p[1] == kFrameColours[0][1])) continue;
      (row >= farRow - 1 && row <= nearRow + 1 ? inBand : outside)++;
    }
  EXPECT_GT(inBand, 1000);
  EXPECT_EQ(outside, 0);
  EXPECT_TRUE(Near(PixelAt(ScreenX(2.3f, 5), ScreenY(1.8f, 5)), kBee[0], kBee[1], kBee[2], 3));
  // Frames while trunc(T) = 99: the first still shows frame01 and switches.
  DrawScene5At(99.1f);
  EXPECT_EQ(BoundTexture(), frameImages[0].textureId);
  EXPECT_EQ(frameIndex, 1);
  DrawScene5At(99.6f);
  EXPECT_EQ(BoundTexture(), frameImages[1].textureId);
  EXPECT_EQ(frameIndex, 1);
  // Seen from behind at 180 the frame is still drawn (culling is off): frame02 upside down.
  DrawScene5At(180.0f);
  MaybeSavePng("scene5_t180.png");
  const auto behind = PixelAt(ScreenX(2.3f, 5), ScreenY(0.2f, 5));
  EXPECT_TRUE(Near(behind, kFrameColours[1][0], kFrameColours[1][1], kFrameColours[1][2], 3)) << Show(behind);
}

TEST_F(Scene5FrameTest, SetupKeepsTheFrameSwitchState) {
  WriteSceneData(dir_);
  cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
  ForgetSceneImages();
  PrepareShowState();
  frameIndex = 2;
  frameSwitchArmed = 1.0f;
  SetupScene5();
  EXPECT_EQ(frameIndex, 2);
  EXPECT_EQ(frameSwitchArmed, 1.0f);
  DrawScene5At(20.0f);
  EXPECT_EQ(BoundTexture(), frameImages[2].textureId);
  EXPECT_EQ(frameSwitchArmed, 1.0f);  // re-armed only in the first ten ticks of a turn
}

TEST_F(Scene5FrameTest, MissingPicturesAreLeftOutAndNameZeroIsNeverComposed) {
  WriteSceneData(dir_);
  std::remove((dir_.path() + "/data/texpart05/frame01.tga").c_str());
  std::remove((dir_.path() + "/data/texpart05/bee.tga").c_str());
  std::remove((dir_.path() + "/data/texpart05/s0.jpg").c_str());
  cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
  ForgetSceneImages();
  PrepareShowState();
  ResetFrameSwitch();
  SetupScene5();
  EXPECT_EQ(frameImages[0].textureId, 0u);
  EXPECT_EQ(beeImage.textureId, 0u);
  EXPECT_EQ(photoColumnTextures[0], 0u);
  EXPECT_NE(frameImages[1].textureId, 0u);
  // The default texture received no picture.
  glBindTexture(GL_TEXTURE_2D, 0);
  GLint width = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 0);
  DrawScene5At(0.000001f);
  MaybeSavePng("scene5_missing.png");
  // No white layers: black where background, top photograph and frame01 would be.
  EXPECT_TRUE(Near(PixelAt(ScreenX(2.3f, 5), ScreenY(1.8f, 5)), 0, 0, 0, 1));
  EXPECT_TRUE(Near(PixelAt(ScreenX(-1.12f, 4), ScreenY(-1.3f, 4)), 0, 0, 0, 1));
  EXPECT_TRUE(Near(PixelAt(600, 20), 0, 0, 0, 1));
}

}  // namespace
}  // namespace velkor
