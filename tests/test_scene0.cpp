// Scene 0: drift seeding and stepping, the camera jump window, the closing fade,
// and rendered frames on small generated data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/shell.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/noise.h"
#include "scenes/scene0.h"
#include "scenes/scenes.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/image_writers.h"
#include "tools/mesh_writer.h"

namespace velkor {
namespace {

// The generator written out independently of proc/noise.
struct ReferenceGenerator {
  unsigned state = 1;
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
  void Skip(int n) {
    for (int i = 0; i < n; ++i) Next();
  }
};

void FreshGenerator() {
  SetRand15State(1);
  InitNoiseTables();
}

TEST(Scene0Drift, SeedingTakesThreeDrawsPerObjectInXYZOrder) {
  FreshGenerator();
  SeedDriftObjects();
  // Object i takes draws 4097 + 3i .. 4099 + 3i of the sequence.
  ReferenceGenerator ref;
  ref.Skip(4096);
  for (int i = 0; i < kDriftCount; ++i) {
    const float x = static_cast<float>(ref.Next() % 400 - 200);
    const float y = static_cast<float>(ref.Next() % 400 - 200);
    const float z = static_cast<float>(ref.Next() % 600 - 300);
    ASSERT_EQ(driftSeeds[i].x, x) << i;
    ASSERT_EQ(driftSeeds[i].y, y) << i;
    ASSERT_EQ(driftSeeds[i].z, z) << i;
    ASSERT_EQ(driftPositions[i].x, x) << i;
    ASSERT_EQ(driftPositions[i].y, y) << i;
    ASSERT_EQ(driftPositions[i].z, z) << i;
    ASSERT_EQ(driftVelocities[i].x, 0.0f);
    ASSERT_EQ(driftVelocities[i].y, 0.0f);
    ASSERT_EQ(driftVelocities[i].z, -0.7f);
  }
  EXPECT_EQ(Rand15State(), ref.state) << "exactly 300 draws";
}

// Every object parked at z = 0 with known seeds, so only the ones a test moves respawn.
void ParkDriftObjects() {
  for (int i = 0; i < kDriftCount; ++i) {
    driftSeeds[i] = DriftVector{static_cast<float>(i - 50), static_cast<float>(2 * i - 100), static_cast<float>(i)};
    driftPositions[i] = DriftVector{1.0f, 2.0f, 0.0f};
    driftVelocities[i] = DriftVector{0.25f, -0.5f, -0.7f};
  }
}

TEST(Scene0Drift, ObjectBelowTheFloorRespawnsInTheSameFrame) {
  FreshGenerator();
  ParkDriftObjects();
  driftPositions[7] = DriftVector{10.0f, 20.0f, -299.5f};
  const float seedZ = driftSeeds[7].z;
  const float ticks = 42.5f;
  ReferenceGenerator ref;
  ref.state = Rand15State();
  const float newX = static_cast<float>(ref.Next() % 400 - 200);
  const float newY = static_cast<float>(ref.Next() % 400 - 200);

  StepDriftObjects(ticks);

  const DriftVector& p = driftPositions[7];
  const DriftVector& s = driftSeeds[7];
  EXPECT_EQ(p.z, 300.0f);
  EXPECT_EQ(p.x, newX);
  EXPECT_EQ(p.y, newY);
  EXPECT_EQ(s.x, newX);
  EXPECT_EQ(s.y, newY);
  EXPECT_EQ(s.z, seedZ);
  EXPECT_EQ(Rand15State(), ref.state) << "one respawn takes two draws, x then y";
  const DriftVector& v = driftVelocities[7];
  EXPECT_FLOAT_EQ(v.x, CosineNoise3(ticks * 0.01f + newX, newY, seedZ));
  EXPECT_FLOAT_EQ(v.y, CosineNoise3(newX, ticks * 0.01f + newY, seedZ + 100.0f));
  EXPECT_EQ(v.z, -0.7f);
}

TEST(Scene0Drift, ObjectsAboveTheFloorMoveByTheirVelocity) {
  FreshGenerator();
  ParkDriftObjects();
  // Lands exactly on the floor: not below it, so no respawn.
  const float onFloor = -300.0f + 0.7f;
  ASSERT_EQ(onFloor + -0.7f, -300.0f);
  driftPositions[3].z = onFloor;
  const unsigned stateBefore = Rand15State();
  const float ticks = 100.0f;

  StepDriftObjects(ticks);

  EXPECT_EQ(Rand15State(), stateBefore) << "no object respawned";
  EXPECT_EQ(driftPositions[3].z, -300.0f);
  EXPECT_EQ(driftPositions[3].x, 1.25f);
  EXPECT_EQ(driftPositions[3].y, 1.5f);
  for (int i = 0; i < kDriftCount; ++i) {
    const DriftVector& s = driftSeeds[i];
    ASSERT_FLOAT_EQ(driftVelocities[i].x, CosineNoise3(ticks * 0.01f + s.x, s.y, s.z)) << i;
    ASSERT_FLOAT_EQ(driftVelocities[i].y, CosineNoise3(s.x, ticks * 0.01f + s.y, s.z + 100.0f)) << i;
  }
  // The next frame moves by the new sideways velocity.
  const DriftVector before = driftPositions[10];
  const DriftVector v = driftVelocities[10];
  StepDriftObjects(ticks);
  EXPECT_EQ(driftPositions[10].x, before.x + v.x);
  EXPECT_EQ(driftPositions[10].y, before.y + v.y);
  EXPECT_EQ(driftPositions[10].z, before.z - 0.7f);
}

// The largest float ticks whose music time is at or below ms (orEqual) or strictly below it.
float LastTicksBelowMs(float ms, bool orEqual) {
  auto below = [&](float t) { return orEqual ? MusicMsFromTicks(t) <= ms : MusicMsFromTicks(t) < ms; };
  float t = ms / 76.92307f;
  while (!below(t)) t = std::nextafter(t, 0.0f);
  while (below(std::nextafter(t, 1e9f))) t = std::nextafter(t, 1e9f);
  return t;
}

TEST(Scene0Camera, OffsetWindowIsStrictAndTheJumpIsPermanent) {
  const float atStart = LastTicksBelowMs(14678.0f, true);
  const float justInside = std::nextafter(atStart, 1e9f);
  const float lastInside = LastTicksBelowMs(14878.0f, false);
  const float atEnd = std::nextafter(lastInside, 1e9f);
  ASSERT_LE(MusicMsFromTicks(atStart), 14678.0f);
  ASSERT_GT(MusicMsFromTicks(justInside), 14678.0f);
  ASSERT_GE(MusicMsFromTicks(atEnd), 14878.0f);

  EXPECT_FALSE(InCameraOffsetWindow(atStart));
  EXPECT_TRUE(InCameraOffsetWindow(justInside));
  EXPECT_TRUE(InCameraOffsetWindow(lastInside));
  EXPECT_FALSE(InCameraOffsetWindow(atEnd));

  cameraTimeOffset = 0.0f;
  UpdateCameraTimeOffset(atStart);
  EXPECT_EQ(cameraTimeOffset, 0.0f);
  EXPECT_EQ(Scene0CameraTime(100.0f), 75.0f);
  UpdateCameraTimeOffset(justInside);
  EXPECT_EQ(cameraTimeOffset, -4.2f);
  UpdateCameraTimeOffset(atEnd);
  UpdateCameraTimeOffset(240.0f);
  EXPECT_EQ(cameraTimeOffset, -4.2f);
  EXPECT_FLOAT_EQ(Scene0CameraTime(200.0f), 150.0f - 4.2f);
  cameraTimeOffset = 0.0f;
}

TEST(Scene0Fade, BlackFromTick200OpaqueAt250) {
  const FadeColour at200 = Scene0FadeColour(200.0f);
  EXPECT_EQ(at200.r, 1.0f);
  EXPECT_EQ(at200.g, 1.0f);
  EXPECT_EQ(at200.b, 1.0f);
  EXPECT_EQ(at200.a, 0.0f);
  const FadeColour above = Scene0FadeColour(std::nextafter(200.0f, 300.0f));
  EXPECT_EQ(above.r, 0.0f);
  EXPECT_EQ(above.g, 0.0f);
  EXPECT_EQ(above.b, 0.0f);
  EXPECT_GT(above.a, 0.0f);
  EXPECT_LT(above.a, 1e-5f);
  EXPECT_FLOAT_EQ(Scene0FadeColour(225.0f).a, 0.5f);
  EXPECT_FLOAT_EQ(Scene0FadeColour(250.0f).a, 1.0f);
  EXPECT_EQ(Scene0FadeColour(10.0f).a, 0.0f);
}

// ---- Rendered frames ----

const std::vector<int> kClearRgb = {13, 148, 214};  // 0.05, 0.58, 0.84
const std::vector<int> kFogRgb = {13, 148, 204};    // 0.05, 0.58, 0.80

::testing::AssertionResult NearRgb(const std::vector<int>& got, const std::vector<int>& want, int tolerance = 2) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(got[c] - want[c]) > tolerance)
      return ::testing::AssertionFailure()
             << "got (" << got[0] << ", " << got[1] << ", " << got[2] << "), want (" << want[0] << ", " << want[1]
             << ", " << want[2] << ")";
  return ::testing::AssertionSuccess();
}

std::vector<std::uint8_t> SolidTga(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < 8 * 8; ++i) pixels.insert(pixels.end(), {r, g, b});
  return EncodeTga(pixels, 8, 8, 24);
}

// A square in the plane y = yPlane facing -y, from (x0, z0) to (x1, z1).
MeshDesc WallMesh(float x0, float x1, float z0, float z1, float yPlane, const std::string& bitmap) {
  MeshDesc m;
  const float corners[4][2] = {{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}};
  for (const auto& c : corners) {
    MeshVertexDesc v;
    v.position[0] = c[0];
    v.position[1] = yPlane;
    v.position[2] = c[1];
    m.vertices.push_back(v);
  }
  const std::uint32_t tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
  const float st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (const auto& tri : tris) {
    MeshFaceDesc f;
    for (int c = 0; c < 3; ++c) {
      f.vertex[c] = tri[c];
      f.s[c] = st[tri[c]][0];
      f.t[c] = st[tri[c]][1];
    }
    f.normal[0] = 0.0f;
    f.normal[1] = -1.0f;
    f.normal[2] = 0.0f;
    m.faces.push_back(f);
  }
  m.materialName = bitmap;
  m.bitmapPath = "C:\\maps\\" + bitmap;
  return m;
}

// Camera at (0, -400, 0) looking at the origin: a red square in front at 400,
// a grey wall far behind it (past the fog end) on the left, sky on the right.
void WriteScene0Data(const test::TempDir& dir) {
  MeshFileDesc main;
  main.meshes.push_back(WallMesh(-50, 50, -50, 50, 0.0f, "red.tga"));
  main.meshes.push_back(WallMesh(-600, -100, -500, 500, 550.0f, "grey.tga"));
  CameraDesc cam;
  cam.position[1] = -400.0f;
  cam.fov = 45.0f;
  cam.positionKeys = {{0, 0, -400, 0}, {1000, 0, -400, 0}};
  cam.targetKeys = {{0, 0, 0, 0}, {1000, 0, 0, 0}};
  main.cameras.push_back(cam);
  MeshFileDesc drift;
  drift.meshes.push_back(WallMesh(-5, 5, -5, 5, 0.0f, "red.tga"));
  dir.Write("data/texpart01/red.tga", SolidTga(255, 0, 0));
  dir.Write("data/texpart01/grey.tga", SolidTga(128, 128, 128));
  dir.Write("data/part01_max.bin", BuildMeshFile(main));
  dir.Write("data/part01_max2.bin", BuildMeshFile(drift));
}

void StartShowState() {
  FreshGenerator();
  SetGlobalGlState();
  ResizeViewport(640, 480);
  ResetSequencer();
}

void DrawScene0At(float ticks) {
  sceneIndex = 0;
  demoTicks = ticks;
  sceneTicks = ticks;
  RenderFrame();
}

void MaybeSaveFrame(const std::string& name) {
  if (const char* dir = std::getenv("VELKOR_SAVE_FRAMES")) test::SavePng(std::string(dir) + "/" + name, 640, 480);
}

class Scene0Frames : public test::GlTest {};

TEST_F(Scene0Frames, SkyFogModelAndClosingFade) {
  test::TempDir dir;
  WriteScene0Data(dir);
  test::ScopedWorkingDirectory cwd(dir.path());
  StartShowState();
  SetupScene0();
  ASSERT_NE(scene0Model.currentCamera, nullptr);
  ASSERT_EQ(scene0Model.meshCount, 2u);

  DrawScene0At(20.0f);
  MaybeSaveFrame("scene0_t20.png");
  EXPECT_TRUE(NearRgb(test::PixelAt(630, 240), kClearRgb)) << "sky on the right";
  EXPECT_TRUE(NearRgb(test::PixelAt(10, 240), kFogRgb)) << "far wall dissolved in fog on the left";
  const std::vector<int> centre = test::PixelAt(320, 240);
  EXPECT_GT(centre[0], 100) << "the red square shows through the fog";
  EXPECT_LT(centre[1], 100);

  DrawScene0At(225.0f);
  MaybeSaveFrame("scene0_t225.png");
  EXPECT_TRUE(NearRgb(test::PixelAt(630, 240), {7, 74, 107}, 3)) << "half faded";

  DrawScene0At(250.0f);
  MaybeSaveFrame("scene0_t250.png");
  const auto all = test::ReadPixelsRgb(0, 0, 640, 480);
  int lit = 0;
  for (std::uint8_t v : all) lit += v > 1;
  EXPECT_EQ(lit, 0) << "black at the end of the scene";
}

TEST_F(Scene0Frames, MissingFilesDrawSkyAndLeaveUnitZeroActive) {
  test::TempDir dir;
  test::ScopedWorkingDirectory cwd(dir.path());
  StartShowState();
  SetupScene0();
  EXPECT_EQ(scene0Model.currentCamera, nullptr);
  EXPECT_EQ(scene0Model.meshCount, 0u);
  EXPECT_EQ(Rand15State(), [] {
    ReferenceGenerator ref;
    ref.Skip(4096 + 300);
    return ref.state;
  }()) << "objects are seeded even without files";

  for (float t : {0.5f, 100.0f, 180.0f}) {
    DrawScene0At(t);
    EXPECT_TRUE(NearRgb(test::PixelAt(320, 240), kClearRgb)) << t;
    EXPECT_TRUE(NearRgb(test::PixelAt(1, 1), kClearRgb)) << t;
  }
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(active, GL_TEXTURE0_ARB);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit 1 stays off";
  glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  DrawScene0At(250.0f);
  EXPECT_TRUE(NearRgb(test::PixelAt(320, 240), {0, 0, 0}));
}

TEST_F(Scene0Frames, SetupLeavesUnitOneActiveAndFogOn) {
  test::TempDir dir;
  WriteScene0Data(dir);
  test::ScopedWorkingDirectory cwd(dir.path());
  StartShowState();
  SetupScene0();
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
  EXPECT_EQ(active, GL_TEXTURE1_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
  // Positions were given under the identity modelview: stored as given, in eye space.
  GLfloat pos[4];
  glGetLightfv(GL_LIGHT1, GL_POSITION, pos);
  EXPECT_EQ(pos[1], 10000.0f);
  EXPECT_EQ(pos[3], 1.0f);
  glActiveTextureARB(GL_TEXTURE0_ARB);
}

}  // namespace
}  // namespace velkor
