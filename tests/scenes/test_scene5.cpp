// Scene 5: the frame-picture switching over the whole scene at several frame
// rates, the tumbling frame, and frames rendered from small generated data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "music/sequencer.h"
#include "platform/gl.h"
#include "scenes/scene5.h"
#include "scenes/scenes.h"
#include "support/scene_support.h"

namespace velkor {
namespace {

using test::MeanRgb;
using test::NearRgb;
using test::Rgb;

// Frames drawn every 13 / fps ticks from the scene's start until it ends after
// 1100: the distinct pictures in the order shown, and trunc(T) of each switch.
struct SwitchRun {
  std::vector<int> pictures;
  std::vector<int> switchTicks;
};
SwitchRun RunSceneAt(double fps) {
  ResetFrameSwitch();
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

TEST(Scene5Switch, SixSwitchesOverTheSceneDownToThirteenFramesPerSecond) {
  const std::vector<int> pictures = {0, 1, 2, 3, 0, 1, 2};  // frame01 .. frame04, frame01 .. frame03
  const std::vector<int> ticks = {99, 279, 459, 639, 819, 999};
  for (double fps : {60.0, 20.0, 13.5}) {
    const SwitchRun run = RunSceneAt(fps);
    EXPECT_EQ(run.pictures, pictures) << fps;
    EXPECT_EQ(run.switchTicks, ticks) << fps;
  }
  // At 10 frames per second frames fall 1.3 ticks apart: 98.8 and 100.1 skip
  // the window of tick 99, so the first switch waits for tick 279.
  const SwitchRun slow = RunSceneAt(10.0);
  ASSERT_FALSE(slow.switchTicks.empty());
  EXPECT_EQ(slow.switchTicks.front(), 279);
  EXPECT_NE(slow.pictures, pictures);
}

// Frames too far apart to land in the re-arming ticks 181 .. 184 let the
// window at 279 pass unused.
TEST(Scene5Switch, WithoutARearmTheNextWindowPassesUnused) {
  ResetFrameSwitch();
  for (float t : {99.3f, 200.0f, 279.3f}) StepFrameSwitch(t);
  EXPECT_EQ(frameIndex, 1);
}

// ---- Rendered frames ----

const Rgb kBee = {20, 20, 90};
const Rgb kFrameColours[4] = {{250, 200, 0}, {160, 0, 200}, {0, 220, 220}, {255, 255, 255}};
const Rgb kPhotoColours[5] = {{200, 0, 0}, {0, 180, 0}, {0, 0, 160}, {120, 120, 0}, {0, 90, 90}};

// A photograph added over the background: its colour plus the background dimmed by one minus it.
Rgb OverBee(const Rgb& photo) {
  Rgb out;
  for (int i = 0; i < 3; ++i) out[i] = static_cast<int>(photo[i] + kBee[i] * (1.0 - photo[i] / 255.0) + 0.5);
  return out;
}

// Mean colour at eye-space (x, y) at depth d under the 45-degree projection.
Rgb SeenAt(float x, float y, float depth) {
  const double scale = 240.0 / (depth * std::tan(M_PI / 8));
  return MeanRgb(320 + static_cast<int>(std::lround(x * scale)), 240 + static_cast<int>(std::lround(y * scale)));
}

class Scene5Frames : public test::SceneFrameTest {
 protected:
  // The frame mask is opaque (red 255) but for a transparent centre square, texels 96 .. 159.
  void WriteData() {
    dir_.Write("data/texpart05/bee.tga", test::SolidTga(kBee, 256));
    for (int k = 0; k < 4; ++k)
      dir_.Write("data/texpart05/frame0" + std::to_string(k + 1) + ".tga", test::SolidTga(kFrameColours[k], 256));
    dir_.Write("data/texpart05/frameA.tga", test::TgaOf(256, 256, [](int x, int y) {
                 return Rgb{x >= 96 && x < 160 && y >= 96 && y < 160 ? 0 : 255, 77, 200};
               }));
    for (int k = 0; k < 5; ++k) dir_.Write("data/texpart05/s" + std::to_string(k) + ".jpg", test::SolidJpeg(kPhotoColours[k]));
  }
  // What scene 4 leaves: its black clear colour, lighting off, and a frame
  // that ended early (blending on, translucent white); its fog starts far beyond the scene.
  void Enter() {
    for (TextureRecord* r : {&beeImage, &frameMaskImage, &frameImages[0], &frameImages[1], &frameImages[2], &frameImages[3]}) {
      ReleaseTexturePixels(*r);
      *r = TextureRecord{};
    }
    for (GLuint& name : photoColumnTextures) name = 0;
    test::StartAfterScene0();
    glDisable(GL_LIGHTING);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    ResetFrameSwitch();
    sceneIndex = 5;
    SetupScene5();
  }
  void DrawAt(float t) { test::DrawSceneAt(5, t, 1650.0f + t); }
};

// The frame faces the viewer at depth 5 centred at (1.3, 1): frame01 where the
// mask is opaque, the background through its hole. The top photograph spans
// y -3 .. -1 at depth 4 and rises 1.1 per 100 ticks; the fifth (centre
// columnY - 7) is in view late in the scene.
TEST_F(Scene5Frames, OpensWithFrameOneAndTheColumnRises) {
  WriteData();
  Enter();
  DrawAt(0.000001f);
  EXPECT_TRUE(NearRgb(SeenAt(2.3f, 1.8f, 5), kFrameColours[0], 3));
  EXPECT_TRUE(NearRgb(SeenAt(1.3f, 1.0f, 5), kBee, 3));
  EXPECT_TRUE(NearRgb(SeenAt(-1.12f, -1.3f, 4), OverBee(kPhotoColours[0]), 4));
  EXPECT_TRUE(NearRgb(SeenAt(-1.12f, -0.7f, 4), kBee, 3)) << "above the column";
  DrawAt(90.0f);  // a quarter turn: the frame lies flat above the eye, seen from below
  EXPECT_TRUE(NearRgb(SeenAt(2.3f, 1.8f, 5), kBee, 3));
  EXPECT_TRUE(NearRgb(SeenAt(2.2f, 1.0f, 4.3f), kFrameColours[0], 3)) << "its near half";
  DrawAt(200.0f);  // top photograph at 0.2, the second at -1.3
  EXPECT_TRUE(NearRgb(SeenAt(-1.12f, 0.9f, 4), OverBee(kPhotoColours[0]), 4));
  EXPECT_TRUE(NearRgb(SeenAt(-1.12f, -1.5f, 4), OverBee(kPhotoColours[1]), 4));
  EXPECT_TRUE(NearRgb(SeenAt(0.3f, -0.5f, 4), kBee, 3)) << "right of the column";
  DrawAt(700.0f);  // column at 5.7: the fifth at -1.3
  EXPECT_TRUE(NearRgb(SeenAt(-1.12f, -1.3f, 4), OverBee(kPhotoColours[4]), 4));
}

TEST_F(Scene5Frames, MissingPicturesAreLeftOutAndNameZeroIsNeverComposed) {
  WriteData();
  for (const char* name : {"frame01.tga", "bee.tga", "s0.jpg"})
    std::remove((dir_.path() + "/data/texpart05/" + name).c_str());
  Enter();
  EXPECT_EQ(frameImages[0].textureId, 0u);
  EXPECT_EQ(beeImage.textureId, 0u);
  EXPECT_EQ(photoColumnTextures[0], 0u);
  EXPECT_NE(frameImages[1].textureId, 0u);
  glBindTexture(GL_TEXTURE_2D, 0);
  GLint width = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 0) << "the default texture received no picture";
  DrawAt(0.000001f);
  // No white layers: black where background, top photograph and frame01 would be.
  EXPECT_TRUE(NearRgb(SeenAt(2.3f, 1.8f, 5), {0, 0, 0}, 1));
  EXPECT_TRUE(NearRgb(SeenAt(-1.12f, -1.3f, 4), {0, 0, 0}, 1));
  EXPECT_TRUE(NearRgb(MeanRgb(600, 20), {0, 0, 0}, 1));
}

}  // namespace
}  // namespace velkor
