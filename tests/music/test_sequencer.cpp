// The tick clock and the scene sequencer: clock arithmetic, when scenes switch
// and where the new scene's clock starts, the whole timeline driven by the
// virtual clock, and what of the music needs no sound device at all. Scenes are
// stood in for by a table that records their setups.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "music/music.h"
#include "music/sequencer.h"

namespace velkor {
namespace {

// Ticks worked out in double from the float constants 0.013f and 0.001f, then
// rounded once; float steps would give 0.0920000076 for 7 ms and 250.004013 for 19231.
TEST(DemoClockTest, TicksComeFromTheSinglePrecisionConstantsRoundedOnce) {
  const struct {
    int ms;
    float ticks;
  } cases[] = {{0, 0.001f}, {7, 0.0920000001788f}, {10000, 130.001007080f}, {19231, 250.003997802f}};
  for (const auto& c : cases) EXPECT_EQ(DemoTicksFromMs(c.ms), c.ticks) << c.ms;
}

std::vector<int> setupsRun;
template <int N>
void RecordSetup() { setupsRun.push_back(N); }
const SceneProcs kRecordingScenes[kSceneCount] = {{RecordSetup<0>, nullptr}, {RecordSetup<1>, nullptr},
                                                  {RecordSetup<2>, nullptr}, {RecordSetup<3>, nullptr},
                                                  {RecordSetup<4>, nullptr}, {RecordSetup<5>, nullptr}};

class SequencerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSequencer();
    SetSceneTable(kRecordingScenes);
    setupsRun.clear();
  }
  void TearDown() override {
    ResetSequencer();
    SetSceneTable(nullptr);
    UseVirtualClock(false);
  }
};

// Exactly the length does not switch; the next millisecond does.
TEST_F(SequencerTest, SceneSwitchesAndTheShowEndsOnTheFirstPassBeyondTheLength) {
  int ms = 0;
  while (DemoTicksFromMs(ms) < 460.0f || DemoTicksFromMs(ms) != std::floor(DemoTicksFromMs(ms))) ++ms;
  const int whole = static_cast<int>(DemoTicksFromMs(ms));
  sceneIndex = 3, sceneStartTicks = whole - 450;
  EXPECT_FALSE(StepClock(ms));
  EXPECT_EQ(sceneTicks, 450.0f);
  EXPECT_EQ(sceneIndex, 3);
  EXPECT_TRUE(setupsRun.empty());
  // The switching pass shows the new scene at its very start, begun at the truncated tick.
  EXPECT_FALSE(StepClock(ms + 1));
  EXPECT_EQ(sceneIndex, 4);
  EXPECT_EQ(setupsRun, std::vector<int>{4});
  EXPECT_EQ(sceneTicks, 0.000001f);
  EXPECT_EQ(sceneStartTicks, whole);
  // The last scene ends the show alike.
  sceneIndex = 5, sceneStartTicks = whole - 1100;
  EXPECT_FALSE(StepClock(ms));
  EXPECT_TRUE(StepClock(ms + 1));
}

TEST_F(SequencerTest, StalledMusicKeepsTheCurrentScene) {
  sceneIndex = 5, sceneStartTicks = 1650;
  for (int pass = 0; pass < 2000; ++pass) ASSERT_FALSE(StepClock(200000));
  EXPECT_EQ(sceneIndex, 5);
  EXPECT_NEAR(sceneTicks, 950.0f, 0.01f);  // 2600.001 - 1650
  EXPECT_TRUE(setupsRun.empty());
}

struct Switch {
  float demoTicks;  // of the pass that decided it
  int startTicks;
};

// Drives the show from the virtual clock in steps of stepMs; after each switch
// the next pass comes setupMs later, as if the setup had taken that long.
std::vector<Switch> RunTimeline(int stepMs, int setupMs, int* doneMs) {
  UseVirtualClock(true);
  ResetSequencer();
  std::vector<Switch> switches;
  for (int ms = 0; ms < 300000;) {
    SetVirtualClockMs(ms);
    const int before = sceneIndex;
    if (StepClock(MusicPositionMs())) {
      *doneMs = ms;
      break;
    }
    if (sceneIndex != before) switches.push_back({demoTicks, sceneStartTicks});
    EXPECT_EQ(sceneIndex, static_cast<int>(switches.size()));
    ms += sceneIndex != before ? setupMs : stepMs;
  }
  return switches;
}

// Each scene, and at last the show, ends on the first pass (one step apart) beyond its length; the next
// scene begins at the whole tick at or below that pass, however long its setup took. With 16 ms passes
// the switches come at 19.2, 46.2, 69.2, 103.8 and 126.9 s, and the end at 211.5 s.
TEST_F(SequencerTest, WholeShowFollowsTheTimelineAtAnyPaceOfPassesAndSetups) {
  for (const auto& [stepMs, setupMs] : {std::array<int, 2>{16, 16}, std::array<int, 2>{100, 3000}}) {
    setupsRun.clear();
    int doneMs = -1;
    const std::vector<Switch> switches = RunTimeline(stepMs, setupMs, &doneMs);
    ASSERT_EQ(switches.size(), 5u) << stepMs;
    EXPECT_EQ(setupsRun, (std::vector<int>{1, 2, 3, 4, 5})) << "scene 0's setup is the start-up's";
    std::vector<int> starts = {0};
    for (int i = 0; i < 6; ++i) {
      const float decided = i < 5 ? switches[i].demoTicks : DemoTicksFromMs(doneMs);
      const float over = decided - static_cast<float>(starts.back() + kSceneLengthTicks[i]);
      EXPECT_TRUE(over > 0 && over <= stepMs * 0.013f + 1e-3f) << stepMs << " scene " << i << ": " << over;
      if (i < 5) {
        starts.push_back(switches[i].startTicks);
        EXPECT_EQ(switches[i].startTicks, static_cast<int>(decided)) << stepMs << " scene " << i;
      }
    }
    if (stepMs == 16) {
      EXPECT_EQ(starts, (std::vector<int>{0, 250, 600, 900, 1350, 1650}));
    }
  }
}

// The offline renderer's clock: no driver and no music file are needed.
// Scene k begins on the first millisecond whose ticks exceed k's nominal start
// (250, 600, 900, 1350, 1650 ticks at 13 per second).
TEST_F(SequencerTest, SceneStartsAreTheFirstMillisecondPastEachBoundary) {
  const int starts[kSceneCount] = {0, 250, 600, 900, 1350, 1650};
  EXPECT_EQ(SceneStartMs(0), 0);
  for (int k = 1; k < kSceneCount; ++k) {
    const int ms = SceneStartMs(k);
    EXPECT_NEAR(ms, starts[k] * 1000.0 / 13.0, 1.0) << k;
    EXPECT_GT(DemoTicksFromMs(ms), static_cast<float>(starts[k])) << k;
    EXPECT_LE(DemoTicksFromMs(ms - 1), static_cast<float>(starts[k])) << k;
    EXPECT_EQ(NominalSceneAt(DemoTicksFromMs(ms)), k);
    EXPECT_EQ(NominalSceneAt(DemoTicksFromMs(ms - 1)), k - 1);
  }
  EXPECT_EQ(NominalSceneAt(1e6f), kSceneCount - 1);
}

TEST_F(SequencerTest, ForwardRunsEverySetupOnTheWayAndBackReplaysFromSceneZero) {
  SeekSequencer(SceneStartMs(3) + 2000);
  EXPECT_EQ(setupsRun, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(sceneIndex, 3);
  EXPECT_EQ(sceneStartTicks, 900);
  EXPECT_NEAR(sceneTicks, 26.0f, 0.1f);  // 2 s into the scene

  setupsRun.clear();
  SeekSequencer(SceneStartMs(3) + 5000);  // within the scene: no setup
  EXPECT_TRUE(setupsRun.empty());
  EXPECT_EQ(sceneIndex, 3);

  SeekSequencer(SceneStartMs(1) + 10);
  EXPECT_EQ(setupsRun, (std::vector<int>{0, 1}));
  EXPECT_EQ(sceneIndex, 1);
  EXPECT_GT(sceneTicks, 0.0f);

  // The clock then goes on from there as in uninterrupted play.
  setupsRun.clear();
  EXPECT_FALSE(StepClock(SceneStartMs(2) + 100));
  EXPECT_EQ(setupsRun, (std::vector<int>{2}));
}

TEST(VirtualClockTest, StartsWithoutAudioAndReportsWhatItIsSet) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  UseVirtualClock(true);
  EXPECT_TRUE(StartMusic());
  SetVirtualClockMs(80000);
  EXPECT_EQ(MusicPositionMs(), 80000);
  StopMusic();
  EXPECT_EQ(MusicPositionMs(), 80000);
  UseVirtualClock(false);
  unsetenv("SDL_AUDIODRIVER");
}

// Codes 0 .. 19 have texts of their own; anything else must not read past the table.
TEST(SoundErrorTextTest, CodesOutsideTheTableAreUnknown) {
  const std::string unknown = "Unknown error";
  for (int code : {20, 21, -1, INT_MIN, INT_MAX}) EXPECT_EQ(SoundErrorText(code), unknown) << code;
  for (int code : {0, 19}) EXPECT_NE(SoundErrorText(code), unknown) << code;
}

}  // namespace
}  // namespace velkor
