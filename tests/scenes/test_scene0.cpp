// Scene 0: drift seeding and respawning, the camera jump window, and rendered
// frames on small generated data: sky, fog, the model and the closing fade.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/noise.h"
#include "scenes/scene0.h"
#include "scenes/scenes.h"
#include "support/scene_support.h"

namespace velkor {
namespace {

using test::NearRgb;

// The generator written out independently of proc/noise.
struct ReferenceGenerator {
  unsigned state = 1;
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
};

TEST(Scene0Drift, SeedingTakesThreeDrawsPerObjectInXYZOrderAfterTheTables) {
  SetRand15State(1);
  InitNoiseTables();
  SeedDriftObjects();
  ReferenceGenerator ref;
  for (int i = 0; i < 4096; ++i) ref.Next();
  for (int i = 0; i < kDriftCount; ++i) {
    const float x = static_cast<float>(ref.Next() % 400 - 200);
    const float y = static_cast<float>(ref.Next() % 400 - 200);
    const float z = static_cast<float>(ref.Next() % 600 - 300);
    ASSERT_EQ(driftSeeds[i].x, x) << i;
    ASSERT_EQ(driftSeeds[i].y, y) << i;
    ASSERT_EQ(driftSeeds[i].z, z) << i;
    ASSERT_EQ(driftPositions[i].z, z) << i;
  }
  EXPECT_EQ(Rand15State(), ref.state) << "exactly 300 draws";
}

// Object 7 falls below the floor and respawns; object 3 lands exactly on it and
// stays. New sideways velocities come from the noise at the seed, time shifting
// x for the first and y (with z + 100) for the second: with hash[k] = k and
// value[k] = k / 2048 those are lattice sums worked out by hand.
TEST(Scene0Drift, BelowTheFloorRespawnsInTheSameFrameWithNewXYAndTheSeedZ) {
  for (int k = 0; k < kNoiseTableSize; ++k) noiseHash[k] = k, noiseValues[k] = k / 2048.0f;
  for (int i = 0; i < kDriftCount; ++i) {
    driftSeeds[i] = DriftVector{static_cast<float>(i - 50), static_cast<float>(2 * i - 100), static_cast<float>(i)};
    driftPositions[i] = DriftVector{1.0f, 2.0f, 0.0f};
    driftVelocities[i] = DriftVector{0.25f, -0.5f, -0.7f};
  }
  driftPositions[7] = DriftVector{10.0f, 20.0f, -299.5f};
  driftPositions[3].z = -300.0f + 0.7f;
  ReferenceGenerator ref;
  ref.state = Rand15State();
  const float newX = static_cast<float>(ref.Next() % 400 - 200);
  const float newY = static_cast<float>(ref.Next() % 400 - 200);

  StepDriftObjects(100.0f);  // time 100 * 0.01 = 1

  EXPECT_EQ(Rand15State(), ref.state) << "one respawn, two draws: x then y";
  const DriftVector p = driftPositions[7], s = driftSeeds[7];
  EXPECT_EQ(std::vector<float>({p.x, p.y, p.z, s.x, s.y, s.z}), std::vector<float>({newX, newY, 300, newX, newY, 7}));
  EXPECT_EQ(driftPositions[3].z, -300.0f) << "on the floor is not below it";
  EXPECT_EQ(driftPositions[3].x, 1.25f);
  EXPECT_EQ(driftPositions[3].y, 1.5f);
  // Seed (-47, -94, 3): x from (1 - 47, -94, 3), -94 & 2047 = 1954; y from (-47, 1 - 94, 3 + 100).
  EXPECT_EQ(driftVelocities[3].x, (1954 + 3 - 46) / 2048.0f);
  EXPECT_EQ(driftVelocities[3].y, (1955 + 103 - 47) / 2048.0f);
  EXPECT_EQ(driftVelocities[7].z, -0.7f);
  SetRand15State(1);
  InitNoiseTables();
}

TEST(Scene0Camera, OffsetWindowIsStrictAndTheJumpIsPermanent) {
  const float justInside = test::FirstTicksReaching(std::nextafter(14678.0f, 1e9f));
  const float atStart = std::nextafter(justInside, 0.0f);
  const float atEnd = test::FirstTicksReaching(14878.0f);
  const float lastInside = std::nextafter(atEnd, 0.0f);
  ASSERT_EQ(MusicMsFromTicks(atStart), 14678.0f) << "the product lands on the bound itself";
  EXPECT_FALSE(InCameraOffsetWindow(atStart));
  EXPECT_TRUE(InCameraOffsetWindow(justInside));
  EXPECT_TRUE(InCameraOffsetWindow(lastInside));
  EXPECT_FALSE(InCameraOffsetWindow(atEnd));

  cameraTimeOffset = 0.0f;
  UpdateCameraTimeOffset(atStart);
  EXPECT_EQ(cameraTimeOffset, 0.0f);
  UpdateCameraTimeOffset(justInside);
  UpdateCameraTimeOffset(atEnd);
  UpdateCameraTimeOffset(240.0f);
  EXPECT_EQ(cameraTimeOffset, -4.2f);
  EXPECT_FLOAT_EQ(Scene0CameraTime(200.0f), 150.0f - 4.2f);
  cameraTimeOffset = 0.0f;
}

// ---- Rendered frames ----

const test::Rgb kClearRgb = {13, 148, 214};  // 0.05, 0.58, 0.84
const test::Rgb kFogRgb = {13, 148, 204};    // 0.05, 0.58, 0.80

// A square in the plane y = yPlane facing -y.
MeshDesc Wall(float x0, float x1, float z0, float z1, float yPlane, const std::string& bitmap) {
  return test::QuadMesh({{{x0, yPlane, z0}, {x1, yPlane, z0}, {x1, yPlane, z1}, {x0, yPlane, z1}}},
                        {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}, bitmap, "C:\\maps\\" + bitmap);
}

class Scene0Frames : public test::SceneFrameTest {};

// Camera at (0, -400, 0) looking at the origin: a red square in front, a grey
// wall far behind it (past the fog end) on the left, sky on the right.
TEST_F(Scene0Frames, SkyFogModelAndClosingFade) {
  MeshFileDesc main = test::CameraFile(-400.0f);
  main.cameras[0].positionKeys = {{0, 0, -400, 0}, {1000, 0, -400, 0}};
  main.cameras[0].targetKeys = {{0, 0, 0, 0}, {1000, 0, 0, 0}};
  main.meshes = {Wall(-50, 50, -50, 50, 0.0f, "red.tga"), Wall(-600, -100, -500, 500, 550.0f, "grey.tga")};
  MeshFileDesc drift;
  drift.meshes.push_back(Wall(-5, 5, -5, 5, 0.0f, "red.tga"));
  dir_.Write("data/texpart01/red.tga", test::SolidTga({255, 0, 0}));
  dir_.Write("data/texpart01/grey.tga", test::SolidTga({128, 128, 128}));
  dir_.Write("data/part01_max.bin", BuildMeshFile(main));
  dir_.Write("data/part01_max2.bin", BuildMeshFile(drift));
  test::StartShowState();
  SetupScene0();
  ASSERT_NE(scene0Model.currentCamera, nullptr);

  test::DrawSceneAt(0, 20.0f, 20.0f);
  EXPECT_TRUE(NearRgb(test::MeanRgb(630, 240), kClearRgb, 2)) << "sky on the right";
  EXPECT_TRUE(NearRgb(test::MeanRgb(10, 240), kFogRgb, 2)) << "far wall dissolved in fog";
  const test::Rgb centre = test::MeanRgb(320, 240);
  EXPECT_GT(centre[0], 100) << "the red square shows through the fog";
  EXPECT_LT(centre[1], 100);
  test::DrawSceneAt(0, 225.0f, 225.0f);
  EXPECT_TRUE(NearRgb(test::MeanRgb(630, 240), {7, 74, 107}, 3)) << "half faded";
  test::DrawSceneAt(0, 250.0f, 250.0f);
  EXPECT_LE(test::BrightestValue(), 1) << "black at the end of the scene";
}

TEST_F(Scene0Frames, MissingFilesDrawSkyAndLeaveUnitZeroActive) {
  test::StartShowState();
  SetupScene0();
  EXPECT_EQ(scene0Model.currentCamera, nullptr);
  EXPECT_EQ(scene0Model.meshCount, 0u);
  test::DrawSceneAt(0, 100.0f, 100.0f);
  EXPECT_TRUE(NearRgb(test::MeanRgb(320, 240), kClearRgb, 2)) << "sky only";
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(active, GL_TEXTURE0_ARB);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  test::DrawSceneAt(0, 250.0f, 250.0f);
  EXPECT_TRUE(NearRgb(test::MeanRgb(320, 240), {0, 0, 0}, 1)) << "the fade still runs";
}

}  // namespace
}  // namespace velkor
