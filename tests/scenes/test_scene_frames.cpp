// Scenes 0 and 2 to 5 in frames rendered from small generated data: what each
// draws when its files are missing or unusable, and the fades at the ends of
// the scenes. The middle of every scene, drawn from the stand-in data, is
// judged by the golden frames; scene 1 has a program of its own.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scenes/scene0.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene4.h"
#include "scenes/scene5.h"
#include "support/scene_support.h"

namespace velkor::test {
namespace {

const Rgb kBlack{0, 0, 0};
const Rgb kBlue{17, 58, 112};    // the clear colour of scenes 2 and 3
const Rgb kHalfBlue{8, 29, 56};  // under a half-black fade

using SceneFrames = SceneFrameTest;

TEST_F(SceneFrames, Scene0WithoutFilesDrawsSkyAndTheFade) {
  EnterScene(0);
  EXPECT_EQ(scene0Model.currentCamera, nullptr);
  EXPECT_EQ(scene0Model.meshCount, 0u);
  DrawAt(100.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {13, 148, 214}, 2)) << "sky only";
  DrawAt(250.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), kBlack, 1)) << "the fade still runs";
}

// Missing files, or wrong-sized overlay images with a one-mesh sprite model:
// the overlay is left out instead of an opaque untextured quad, and the fades run.
TEST_F(SceneFrames, Scene2LeavesOutTheLayersOfMissingOrUnusableData) {
  EnterScene(2);
  EXPECT_EQ(scene2Model.currentCamera, nullptr);
  EXPECT_EQ(scene2SpriteModel.meshCount, 0u);
  DrawAt(25.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kHalfBlue, 2)) << "half way in from black";
  DrawAt(150.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kBlue, 2));
  EXPECT_TRUE(NearRgb(MeanRgb(20, 240), {128, 128, 128}, 1)) << "untextured strip, halved by the band";
  DrawAt(290.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), {3, 12, 22}, 2)) << "on the way out to black";

  MeshFileDesc sprites;
  sprites.meshes.resize(1);
  sprites.meshes[0].materialName = "other", sprites.meshes[0].bitmapPath = "other.tga";
  dir_.Write("data/part03_max2.bin", BuildMeshFile(sprites));
  for (const char* name : {"other.tga", "texture02.tga", "texture03.tga"})
    dir_.Write(std::string("data/texpart03/") + name, SolidTga({200, 40, 40}, 128));
  EnterScene(2);
  EXPECT_EQ(CloudSpriteTexture(scene2SpriteModel), 0u);
  DrawAt(150.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kBlue, 2));
}

// Without files, or with a mask of the wrong size, the woman picture is left
// out; the fades run.
TEST_F(SceneFrames, Scene3LeavesOutTheWomanWithoutFilesOrWithAWrongSizedMask) {
  for (const int maskSize : {0, 128}) {
    if (maskSize) {
      dir_.Write("data/texpart04/woman.tga", SolidTga({30, 200, 90}, 256));
      dir_.Write("data/texpart04/womanA.tga", SolidTga({255, 255, 255}, maskSize));
    }
    EnterScene(3);
    const struct {
      float t;
      Rgb want;
    } frames[] = {{25.0f, kHalfBlue}, {100.0f, kBlue}, {425.0f, kHalfBlue}};
    for (const auto& f : frames) {
      DrawAt(f.t);
      EXPECT_TRUE(NearRgb(MeanRgb(20, 20), f.want, 2)) << "mask " << maskSize << ", tick " << f.t;
    }
  }
}

// Only the first picture is there. Half way through the fade from black it
// shows at alpha 1 - 25 / 600 under the half-black layer; a missing picture
// is no white layer, and past the last picture nothing but the absent model is drawn.
TEST_F(SceneFrames, Scene4FadesInOverThePictureAndLeavesOutMissingOnes) {
  dir_.Write("data/texpart06/frog00.jpg", SolidJpeg({220, 30, 30}));
  EnterScene(4);
  EXPECT_EQ(scene4Model.currentCamera, nullptr);
  EXPECT_NE(frogTextures[0], 0u);
  EXPECT_EQ(frogTextures[3], 0u);
  DrawAt(25.0f);  // music at 105.8 s: the first picture's time
  const double a = (1.0 - 25.0 / 600.0) * 0.5;
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {int(220 * a), int(30 * a), int(30 * a)}, 4));
  for (const float t : {100.0f, 120.0f}) {  // 111.5 s, the fourth picture's time; 113.1 s, past the last
    DrawAt(t);
    EXPECT_TRUE(NearRgb(MeanRgb(320, 240), kBlack, 1)) << t;
  }
}

// Pictures that fail to load are left out, and the default texture (name 0)
// never receives a composed picture. Only frame02 .. frame04 and the mask are
// there, so the opening frame, with frame01 up, is black.
TEST_F(SceneFrames, Scene5LeavesOutMissingPicturesAndNeverComposesIntoNameZero) {
  for (const char* name : {"frame02.tga", "frame03.tga", "frame04.tga", "frameA.tga"})
    dir_.Write(std::string("data/texpart05/") + name, SolidTga({250, 200, 0}, 256));
  EnterScene(5);
  EXPECT_EQ(frameImages[0].textureId, 0u);
  EXPECT_EQ(beeImage.textureId, 0u);
  EXPECT_EQ(photoColumnTextures[0], 0u);
  EXPECT_NE(frameImages[1].textureId, 0u);
  glBindTexture(GL_TEXTURE_2D, 0);
  GLint width = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 0) << "the default texture received no picture";
  DrawAt(0.000001f);
  EXPECT_LE(BrightestValue(), 1);
}

}  // namespace
}  // namespace velkor::test
