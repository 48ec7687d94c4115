// The scenes' per-frame arithmetic, which runs without GL: drift respawning
// and the camera jump window (scene 0), the shape of the cloud and the
// scrolling strip (scene 2), picture choice at its millisecond bounds (scene 4)
// and the frame-picture switching (scene 5).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "music/sequencer.h"
#include "proc/noise.h"
#include "scenes/scene0.h"
#include "scenes/scene2.h"
#include "scenes/scene4.h"
#include "scenes/scene5.h"

namespace velkor::test {
namespace {

// The generator written out independently of proc/noise.
struct ReferenceGenerator {
  unsigned state = 1;
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
};

// Seeding takes three draws per object after the tables' 4096. Then object 7
// falls below the floor and respawns; object 3 lands exactly on it and stays.
// New sideways velocities come from the noise at the seed, time shifting x for
// the first and y (with z + 100) for the second: with hash[k] = k and
// value[k] = k / 2048 those are lattice sums worked out by hand.
TEST(Scene0Drift, BelowTheFloorRespawnsInTheSameFrameWithNewXYAndTheSeedZ) {
  SetRand15State(1);
  InitNoiseTables();
  SeedDriftObjects();
  for (int k = 0; k < kNoiseTableSize; ++k) noiseHash[k] = k, noiseValues[k] = k / 2048.0f;
  for (int i = 0; i < kDriftCount; ++i) {
    driftSeeds[i] = DriftVector{static_cast<float>(i - 50), static_cast<float>(2 * i - 100), static_cast<float>(i)};
    driftPositions[i] = DriftVector{1.0f, 2.0f, 0.0f};
    driftVelocities[i] = DriftVector{0.25f, -0.5f, -0.7f};
  }
  driftPositions[7] = DriftVector{10.0f, 20.0f, -299.5f};
  driftPositions[3].z = -300.0f + 0.7f;
  ReferenceGenerator ref;
  for (int i = 0; i < 4096 + 3 * kDriftCount; ++i) ref.Next();
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
}

// The smallest float tick count whose music time reaches ms.
float FirstTicksReaching(float ms) {
  float ticks = static_cast<float>(ms / 76.92307);
  while (MusicMsFromTicks(ticks) >= ms) ticks = std::nextafter(ticks, 0.0f);
  while (MusicMsFromTicks(ticks) < ms) ticks = std::nextafter(ticks, 1e9f);
  return ticks;
}

TEST(Scene0Camera, OffsetWindowIsStrictAndTheJumpIsPermanent) {
  const float justInside = FirstTicksReaching(std::nextafter(14678.0f, 1e9f));
  const float atStart = std::nextafter(justInside, 0.0f);
  const float atEnd = FirstTicksReaching(14878.0f);
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
}

// With every noise value v the displacement is the same everywhere: the cloud
// is the ball of lattice points closer than 8 - 4v to the centre (10, 10, 10),
// 20 units apart and listed x-major. Entries of an earlier frame are cleared.
TEST(Scene2Cloud, ConstantNoiseGivesABallOfRadiusEightMinusFourTimesIt) {
  for (float v : {0.4f, 0.1f, -0.9f, 3.0f}) {
    std::fill(std::begin(noiseValues), std::end(noiseValues), v);
    std::fill(std::begin(cloudBrightness), std::end(cloudBrightness), std::uint8_t{7});
    const int count = GenerateCloud(80.0f);
    const float radius = 8.0f - 4.0f * v;
    int k = 0;
    for (int x = 0; x < 20; ++x)
      for (int y = 0; y < 20; ++y)
        for (int z = 0; z < 20; ++z) {
          if (radius <= 0 || (x - 10) * (x - 10) + (y - 10) * (y - 10) + (z - 10) * (z - 10) >= radius * radius)
            continue;
          ASSERT_LT(k, count) << v;
          const float expected[3] = {20.0f * (x - 10), 20.0f * (y - 10), 20.0f * (z - 10)};
          for (int a = 0; a < 3; ++a) ASSERT_EQ(cloudPositions[k][a], expected[a]) << v << " point " << k;
          ++k;
        }
    EXPECT_EQ(count, k) << v;
    for (int i = 0; i < kCloudCapacity; ++i) ASSERT_EQ(cloudBrightness[i], i < count ? 255 : 0) << v << " " << i;
  }
}

// The strip's texture window scrolls down 0.004 per tick and stops at tick 250;
// the fades are judged from frames below.
TEST(Scene2Timeline, TheStripScrollsUntilTick250) {
  const struct {
    float t, bottom, top;
  } cases[] = {{0, 0.8f, 1.0f}, {125, 0.3f, 0.5f}, {250, -0.2f, 0.0f}, {300, -0.2f, 0.0f}};
  for (const auto& c : cases) {
    const StripWindow w = StripWindowAt(c.t);
    EXPECT_NEAR(w.bottom, c.bottom, 1e-6f) << c.t;
    EXPECT_NEAR(w.top, c.top, 1e-6f) << c.t;
  }
}

// Each value as reached by float ticks and by the clock's whole milliseconds;
// the tick count just before it still gives the earlier picture.
TEST(Scene4Pictures, EachBoundBelongsToTheNextPicture) {
  const struct {
    int ms, picture, before;
  } cases[] = {{106865, 0, 0}, {106866, 1, 0}, {108712, 2, 1}, {110558, 3, 2}, {112404, -1, 3}};
  for (const auto& c : cases) {
    const float ticks = FirstTicksReaching(static_cast<float>(c.ms));
    ASSERT_LT(MusicMsFromTicks(ticks) - c.ms, 0.02f) << c.ms;
    EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(ticks)), c.picture) << c.ms;
    EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(std::nextafter(ticks, 0.0f))), c.before) << c.ms;
    EXPECT_EQ(FrogPictureIndex(MusicMsFromTicks(DemoTicksFromMs(c.ms))), c.picture) << c.ms;
  }
}

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

}  // namespace
}  // namespace velkor::test
