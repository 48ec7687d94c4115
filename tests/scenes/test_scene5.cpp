// Scene 5 in frames rendered from small generated data: the background, the
// rising photo column and the tumbling masked frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "scenes/scene5.h"
#include "support/scene_support.h"

namespace velkor::test {
namespace {

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

class Scene5Frames : public SceneFrameTest {
 protected:
  // The frame mask is opaque (red 255) but for a transparent centre square, texels 96 .. 159.
  void WriteData() {
    dir_.Write("data/texpart05/bee.tga", SolidTga(kBee, 256));
    for (int k = 0; k < 4; ++k)
      dir_.Write("data/texpart05/frame0" + std::to_string(k + 1) + ".tga", SolidTga(kFrameColours[k], 256));
    dir_.Write("data/texpart05/frameA.tga", TgaOf(256, 256, [](int x, int y) {
                 return Rgb{x >= 96 && x < 160 && y >= 96 && y < 160 ? 0 : 255, 77, 200};
               }));
    for (int k = 0; k < 5; ++k)
      dir_.Write("data/texpart05/s" + std::to_string(k) + ".jpg", SolidJpeg(kPhotoColours[k]));
  }
  // What scene 4 leaves: its black clear colour, lighting off, and a frame
  // that ended early (blending on, translucent white); its fog starts far beyond the scene.
  void Enter() {
    for (TextureRecord* r :
         {&beeImage, &frameMaskImage, &frameImages[0], &frameImages[1], &frameImages[2], &frameImages[3]}) {
      *r = TextureRecord();
    }
    for (GLuint& name : photoColumnTextures) name = 0;
    StartAfterScene0();
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
  void DrawAt(float t) { DrawSceneAt(5, t, 1650.0f + t); }
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
}  // namespace velkor::test
