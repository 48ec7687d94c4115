// Scene 2 in frames rendered from small generated data: the cloud, the frame
// overlay, the strip and its dark band, and the fades.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/jpeg.h"
#include "scenes/scene2.h"
#include "support/scene_support.h"

namespace velkor::test {
namespace {

const Rgb kOverlay = {200, 40, 40};
const Rgb kClear = {17, 58, 112};

// Camera 700 units in front; overlay opaque only in the bottom and top 32 rows.
class Scene2Frames : public SceneFrameTest {
 protected:
  void Enter(bool withData, int overlaySize = 256, int spriteMeshes = 2) {
    if (withData) {
      MeshFileDesc sprites;
      sprites.meshes.resize(spriteMeshes);
      for (MeshDesc& m : sprites.meshes) m.materialName = "other", m.bitmapPath = "other.tga";
      if (spriteMeshes > 1)
        sprites.meshes[1].materialName = "glow", sprites.meshes[1].bitmapPath = "c:\\maps\\glow.tga";
      dir_.Write("data/part03_max.bin", BuildMeshFile(CameraFile(-700.0f)));
      dir_.Write("data/part03_max2.bin", BuildMeshFile(sprites));
      dir_.Write("data/texpart03/glow.tga", SolidTga({255, 255, 255}, 32));
      dir_.Write("data/texpart03/other.tga", SolidTga({0, 0, 0}, 32));
      dir_.Write("data/texpart03/texture02.tga", SolidTga(kOverlay, overlaySize));
      dir_.Write("data/texpart03/texture03.tga", TgaOf(overlaySize, overlaySize, [](int, int y) {
                   return Rgb{(y < 32 || y >= 224) ? 255 : 0, 17, 99};
                 }));
      dir_.Write("data/texpart03/dikt.jpg", SolidJpeg({0, 120, 0}));
    }
    // As at the start of a run: a failed load leaves a record as it was.
    overlayColourImage = TextureRecord{};
    overlayMaskImage = TextureRecord{};
    scrollTexture = 0;
    StartAfterScene0();
    sceneIndex = 2;
    SetupScene2();
  }
  void DrawAt(float t) { DrawSceneAt(2, t, 600.0f + t); }
};

TEST_F(Scene2Frames, OpensBlackThenShowsCloudAndOverlay) {
  Enter(true);
  DrawAt(0.000001f);
  EXPECT_LE(BrightestValue(), 1);
  DrawAt(150.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kOverlay, 3)) << "overlay's opaque bottom rows";
  EXPECT_TRUE(NearRgb(MeanRgb(600, 470), kOverlay, 3)) << "and its top rows";
  const Rgb cloud = MeanRgb(320, 390);  // the middle copy: eye y 190 at depth 700
  EXPECT_GT(cloud[0], 150);
  EXPECT_GT(cloud[1], 150);
  EXPECT_TRUE(NearRgb(MeanRgb(20, 100), kClear, 2)) << "between the copies, under the clear overlay";
}

// Missing files, or wrong-sized overlay images with a one-mesh sprite model:
// the overlay is left out instead of an opaque untextured quad.
TEST_F(Scene2Frames, MissingOrUnusableDataLeavesItsLayerOut) {
  Enter(false);
  EXPECT_EQ(scene2Model.currentCamera, nullptr);
  EXPECT_EQ(scene2SpriteModel.meshCount, 0u);
  DrawAt(150.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kClear, 2));
  EXPECT_TRUE(NearRgb(MeanRgb(20, 240), {128, 128, 128}, 1)) << "untextured strip, halved by the band";
  DrawAt(290.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), {3, 12, 22}, 2)) << "the fade still runs";

  Enter(true, 128, 1);
  EXPECT_EQ(CloudSpriteTexture(scene2SpriteModel), 0u);
  DrawAt(150.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 10), kClear, 2));
}

}  // namespace
}  // namespace velkor::test
