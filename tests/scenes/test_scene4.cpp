// Scene 4 in frames rendered from small generated data: the fade and the
// pictures in order, what a frame that ends early hands to the next, and the
// texture slide that outlasts the offset pass.
#include <gtest/gtest.h>

#include <cmath>

#include "scenes/scene4.h"
#include "support/scene_support.h"

namespace velkor::test {
namespace {

const Rgb kFrogColours[4] = {{220, 30, 30}, {30, 200, 30}, {30, 30, 220}, {220, 220, 30}};

class Scene4Frames : public SceneFrameTest {
 protected:
  // Optionally a 40 x 30 quad 50 units in front of the camera, every corner at
  // s = 0.1 of a texture white below s = 0.5 and grey above.
  void Enter(bool withPictures, bool withModel) {
    for (GLuint& name : frogTextures) name = 0;
    for (int i = 0; withPictures && i < 4; ++i)
      dir_.Write("data/texpart06/frog0" + std::to_string(i) + ".jpg", SolidJpeg(kFrogColours[i]));
    if (withModel) {
      MeshFileDesc file = CameraFile(-50.0f);
      file.meshes.push_back(QuadMesh({{{-20, 0, -15}, {20, 0, -15}, {20, 0, 15}, {-20, 0, 15}}},
                                     {{{0.1f, 0.5f}, {0.1f, 0.5f}, {0.1f, 0.5f}, {0.1f, 0.5f}}}, "split",
                                     "d:\\art\\split.tga"));
      dir_.Write("data/part06_max.bin", BuildMeshFile(file));
      dir_.Write("data/texpart06/split.tga", TgaOf(64, 64, [](int x, int) {
                   return x < 32 ? Rgb{255, 255, 255} : Rgb{128, 128, 128};
                 }));
    }
    // What scene 3's last frame leaves: lighting, blending and fog off, black
    // colour, unit 0 active with texturing on.
    StartAfterScene0();
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glClearColor(0.06666667f, 0.22745098f, 0.4392157f, 0.0f);
    sceneIndex = 4;
    SetupScene4();
  }
  // One frame at scene time t and music position ms.
  void DrawAt(float t, int ms) { DrawSceneAt(4, t, DemoTicksFromMs(ms)); }
};

TEST_F(Scene4Frames, FadesInFromBlackAndShowsThePicturesInOrder) {
  Enter(true, false);
  DrawAt(0.000001f, 103850);
  EXPECT_LE(BrightestValue(), 1);
  // Half way through the fade: the picture (alpha 1 - 25/600) under a half-black layer.
  DrawAt(25.0f, 105800);
  const double half = (1.0 - 25.0 / 600.0) * 0.5;
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {int(220 * half), int(30 * half), int(30 * half)}, 4));
  const struct {
    float t;
    int ms, picture;
  } frames[] = {{60, 106500, 0}, {90, 107000, 1}, {120, 109000, 2}, {150, 111000, 3}};
  for (const auto& f : frames) {
    DrawAt(f.t, f.ms);
    const double a = 1.0 - f.t / 600.0;
    const Rgb& c = kFrogColours[f.picture];
    for (const auto& xy : {std::array<int, 2>{5, 5}, {320, 240}, {634, 474}})
      EXPECT_TRUE(NearRgb(MeanRgb(xy[0], xy[1]), {int(c[0] * a), int(c[1] * a), int(c[2] * a)}, 4)) << f.picture;
  }
  DrawAt(170.0f, 112404);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {0, 0, 0}, 1)) << "no picture from 112404 ms on, no model";
}

// Past the last picture the frame ends right after the model, leaving blending
// on and the picture's translucent white (alpha 1 - 120/600 = 0.8): the next
// frame's first pass lays the white model at that alpha over black, where after
// a complete frame it is opaque. The second pass halves either (grey 128 texels).
// Every frame slides the texture coordinates one step; the second pass's offset
// is taken back each time.
TEST_F(Scene4Frames, AFrameAfterAnEarlyEndDrawsTheModelTranslucentAndFramesKeepTheSlide) {
  Enter(true, true);
  ASSERT_EQ(scene4Model.meshCount, 1u);
  const Face before = scene4Model.meshes[0].faces[1];
  DrawAt(100.0f, 111000);
  DrawAt(120.0f, 113000);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {127, 127, 127}, 4)) << "after a complete frame";
  DrawAt(120.0f, 113000);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {102, 102, 102}, 4)) << "after an early end";
  for (int frame = 0; frame < 7; ++frame) DrawAt(60.0f + frame, frame % 2 ? 107000 : 113000);
  const Face& after = scene4Model.meshes[0].faces[1];
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(after.s[c], before.s[c] + 10 * 0.002f, 1e-5f) << c;
    EXPECT_NEAR(after.t[c], before.t[c] - 10 * 0.01f, 1e-5f) << c;
  }
}

TEST_F(Scene4Frames, MissingModelAndPicturesDrawNoModelAndNoWhiteLayer) {
  Enter(false, false);
  EXPECT_EQ(scene4Model.currentCamera, nullptr);
  for (GLuint name : frogTextures) EXPECT_EQ(name, 0u);
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(projection[5], 1.0 / std::tan(22.5 * M_PI / 180.0), 1e-5) << "no camera: the default view stays";
  DrawAt(100.0f, 107000);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {0, 0, 0}, 1));
  DrawAt(120.0f, 113000);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {0, 0, 0}, 1));
}

}  // namespace
}  // namespace velkor::test
