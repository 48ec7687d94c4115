// The tick clock and the scene sequencer: clock arithmetic, when scenes switch
// and where the new scene's clock starts, and the whole timeline driven by the
// virtual clock. Scene setups run for real (in an empty directory, so they
// find no files) on the headless GL context.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "music/music.h"
#include "music/sequencer.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"

namespace velkor {
namespace {

TEST(DemoClockTest, TicksComeFromTheSinglePrecisionConstantsRoundedOnce) {
  EXPECT_EQ(DemoTicksFromMs(10000), 130.00100708f);
  EXPECT_EQ(DemoTicksFromMs(0), 0.001f);
  // Over the whole show the sum is formed exactly and rounded to float once.
  const long double k = 0.013f, c = 0.001f;
  int mismatches = 0;
  for (int ms = 0; ms <= 230000; ++ms) mismatches += DemoTicksFromMs(ms) != static_cast<float>(ms * k + c);
  EXPECT_EQ(mismatches, 0);
}

class SequencerTest : public test::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    ResetSequencer();
  }
  void TearDown() override {
    ResetSequencer();
    UseVirtualClock(false);
  }
  test::TempDir dir_;
  test::ScopedWorkingDirectory cwd_{dir_.path()};
};

TEST_F(SequencerTest, SceneSwitchesOnTheFirstPassBeyondItsLength) {
  // Scene 0 starts at tick 0: 19230 ms is 249.99 ticks, 19231 ms 250.004.
  EXPECT_FALSE(StepClock(19230));
  EXPECT_EQ(sceneIndex, 0);
  EXPECT_EQ(sceneTicks, demoTicks);
  // Exactly the length does not switch; the next millisecond does.
  int ms = 0;
  while (DemoTicksFromMs(ms) < 460.0f || DemoTicksFromMs(ms) != std::floor(DemoTicksFromMs(ms))) ++ms;
  const int whole = static_cast<int>(DemoTicksFromMs(ms));
  sceneIndex = 3, sceneStartTicks = whole - 450;
  EXPECT_FALSE(StepClock(ms));
  EXPECT_EQ(sceneTicks, 450.0f);
  EXPECT_EQ(sceneIndex, 3);
  // The switching pass shows the new scene at its very start, begun at the truncated tick.
  EXPECT_FALSE(StepClock(ms + 1));
  EXPECT_EQ(sceneIndex, 4);
  EXPECT_EQ(sceneTicks, 0.000001f);
  EXPECT_EQ(demoTicks, DemoTicksFromMs(ms + 1));
  EXPECT_EQ(sceneStartTicks, whole);
}

TEST_F(SequencerTest, SlowSetupShortensTheNextScene) {
  StepClock(19300);  // switch decided at 250.901 ticks
  ASSERT_EQ(sceneIndex, 1);
  // The setup took 5.7 s of music: the clock starts at the decision's whole tick, not after the load.
  StepClock(25000);
  EXPECT_EQ(sceneStartTicks, 250);
  EXPECT_NEAR(sceneTicks, 75.001f, 1e-3f);
  // Scene 1 still ends 350 ticks after tick 250.
  StepClock(46153);
  EXPECT_EQ(sceneIndex, 1);
  StepClock(46154);
  EXPECT_EQ(sceneIndex, 2);
  EXPECT_EQ(sceneStartTicks, 600);
}

TEST_F(SequencerTest, StalledMusicKeepsTheCurrentScene) {
  for (const auto& [index, start, ms] : {std::array<int, 3>{3, 900, 80000}, std::array<int, 3>{5, 1650, 200000}}) {
    sceneIndex = index, sceneStartTicks = start;
    for (int pass = 0; pass < 2000; ++pass) ASSERT_FALSE(StepClock(ms));
    EXPECT_EQ(sceneIndex, index);
    EXPECT_NEAR(sceneTicks, DemoTicksFromMs(ms) - start, 1e-3f);
  }
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
    int doneMs = -1;
    const std::vector<Switch> switches = RunTimeline(stepMs, setupMs, &doneMs);
    ASSERT_EQ(switches.size(), 5u) << stepMs;
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

}  // namespace
}  // namespace velkor
