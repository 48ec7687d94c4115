// Scene 0 in frames rendered from small generated data: sky, fog, the model and
// the closing fade.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scenes/scene0.h"
#include "support/scene_support.h"

namespace velkor::test {
namespace {

const Rgb kClearRgb = {13, 148, 214};  // 0.05, 0.58, 0.84
const Rgb kFogRgb = {13, 148, 204};    // 0.05, 0.58, 0.80

// A square in the plane y = yPlane facing -y.
MeshDesc Wall(float x0, float x1, float z0, float z1, float yPlane, const std::string& bitmap) {
  return QuadMesh({{{x0, yPlane, z0}, {x1, yPlane, z0}, {x1, yPlane, z1}, {x0, yPlane, z1}}},
                  {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, bitmap, "C:\\maps\\" + bitmap);
}

class Scene0Frames : public SceneFrameTest {};

// Camera at (0, -400, 0) looking at the origin: a red square in front, a grey
// wall far behind it (past the fog end) on the left, sky on the right.
TEST_F(Scene0Frames, SkyFogModelAndClosingFade) {
  MeshFileDesc main = CameraFile(-400.0f);
  main.cameras[0].positionKeys = {{0, 0, -400, 0}, {1000, 0, -400, 0}};
  main.cameras[0].targetKeys = {{0, 0, 0, 0}, {1000, 0, 0, 0}};
  main.meshes = {Wall(-50, 50, -50, 50, 0.0f, "red.tga"), Wall(-600, -100, -500, 500, 550.0f, "grey.tga")};
  MeshFileDesc drift;
  drift.meshes.push_back(Wall(-5, 5, -5, 5, 0.0f, "red.tga"));
  dir_.Write("data/texpart01/red.tga", SolidTga({255, 0, 0}));
  dir_.Write("data/texpart01/grey.tga", SolidTga({128, 128, 128}));
  dir_.Write("data/part01_max.bin", BuildMeshFile(main));
  dir_.Write("data/part01_max2.bin", BuildMeshFile(drift));
  StartShowState();
  SetupScene0();
  ASSERT_NE(scene0Model.currentCamera, nullptr);

  DrawSceneAt(0, 20.0f, 20.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(630, 240), kClearRgb, 2)) << "sky on the right";
  EXPECT_TRUE(NearRgb(MeanRgb(10, 240), kFogRgb, 2)) << "far wall dissolved in fog";
  const Rgb centre = MeanRgb(320, 240);
  EXPECT_GT(centre[0], 100) << "the red square shows through the fog";
  EXPECT_LT(centre[1], 100);
  DrawSceneAt(0, 225.0f, 225.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(630, 240), {7, 74, 107}, 3)) << "half faded";
  DrawSceneAt(0, 250.0f, 250.0f);
  EXPECT_LE(BrightestValue(), 1) << "black at the end of the scene";
}

TEST_F(Scene0Frames, MissingFilesDrawSkyAndTheFade) {
  StartShowState();
  SetupScene0();
  EXPECT_EQ(scene0Model.currentCamera, nullptr);
  EXPECT_EQ(scene0Model.meshCount, 0u);
  DrawSceneAt(0, 100.0f, 100.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), kClearRgb, 2)) << "sky only";
  DrawSceneAt(0, 250.0f, 250.0f);
  EXPECT_TRUE(NearRgb(MeanRgb(320, 240), {0, 0, 0}, 1)) << "the fade still runs";
}

}  // namespace
}  // namespace velkor::test
