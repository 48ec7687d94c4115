// The tick clock and the scene sequencer: clock arithmetic, when scenes switch
// and where the new scene's clock starts, the end of the show, and the whole
// timeline driven by the virtual clock. Scene setups run for real (in an
// empty directory, so they find no files) on the headless GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "music/music.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"

namespace velkor {
namespace {

// The music position whose demoTicks is the smallest whole number >= atLeast.
int MsWithWholeTicks(int atLeast) {
  for (int ms = 0; ms < 400000; ++ms) {
    const float t = DemoTicksFromMs(ms);
    if (t >= static_cast<float>(atLeast) && t == std::floor(t)) return ms;
  }
  return -1;
}

TEST(DemoClockTest, TicksComeFromTheSinglePrecisionConstantsRoundedOnce) {
  EXPECT_EQ(DemoTicksFromMs(10000), 130.00100708f);
  EXPECT_EQ(DemoTicksFromMs(0), 0.001f);
  EXPECT_NEAR(DemoTicksFromMs(80000), 1040.001f, 1e-4f);
  // Over the whole show the sum is formed exactly and rounded to float once.
  const long double k = 0.013f;
  const long double c = 0.001f;
  int mismatches = 0;
  for (int ms = 0; ms <= 230000; ++ms)
    if (DemoTicksFromMs(ms) != static_cast<float>(ms * k + c)) ++mismatches;
  EXPECT_EQ(mismatches, 0);
}

class SequencerTest : public test::GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    cwd_ = std::make_unique<test::ScopedWorkingDirectory>(dir_.path());
    ResetSequencer();
  }
  void TearDown() override {
    ResetSequencer();
    UseVirtualClock(false);
    cwd_.reset();
  }
  // Puts the sequencer in scene `index`, begun at whole tick `start`.
  void EnterScene(int index, int start) {
    sceneIndex = index;
    sceneStartTicks = start;
  }

 private:
  test::TempDir dir_;
  std::unique_ptr<test::ScopedWorkingDirectory> cwd_;
};

TEST_F(SequencerTest, SceneRunsOutOnlyWhenItsLengthIsExceeded) {
  // Scene 0 starts at tick 0: 19230 ms is 249.99 ticks, 19231 ms is 250.004.
  EXPECT_FALSE(StepClock(19230));
  EXPECT_EQ(sceneIndex, 0);
  EXPECT_EQ(sceneTicks, demoTicks);
  EXPECT_FALSE(StepClock(19231));
  EXPECT_EQ(sceneIndex, 1);
  EXPECT_EQ(sceneStartTicks, 250);

  // Exactly the length does not switch; the next millisecond does.
  const int ms = MsWithWholeTicks(460);
  ASSERT_GT(ms, 0);
  const int whole = static_cast<int>(DemoTicksFromMs(ms));
  EnterScene(3, whole - 450);
  EXPECT_FALSE(StepClock(ms));
  EXPECT_EQ(sceneTicks, 450.0f);
  EXPECT_EQ(sceneIndex, 3);
  EXPECT_FALSE(StepClock(ms + 1));
  EXPECT_EQ(sceneIndex, 4);
  EXPECT_EQ(sceneStartTicks, whole);
}

TEST_F(SequencerTest, SwitchingPassShowsTheNewSceneAtItsVeryStart) {
  StepClock(10000);
  ASSERT_EQ(sceneIndex, 0);
  // 19300 ms is 250.901 ticks: the frame of this pass belongs to scene 1.
  EXPECT_FALSE(StepClock(19300));
  EXPECT_EQ(sceneIndex, 1);
  EXPECT_EQ(sceneTicks, 0.000001f);
  EXPECT_EQ(demoTicks, DemoTicksFromMs(19300));
  EXPECT_EQ(sceneStartTicks, 250);
  // The truncated start leaves the fraction of the switching tick on the clock.
  StepClock(19300);
  EXPECT_EQ(sceneIndex, 1);
  EXPECT_NEAR(sceneTicks, 0.901f, 1e-4f);
}

TEST_F(SequencerTest, SlowSetupShortensTheNextScene) {
  StepClock(19231);  // switch decided at 250.004 ticks
  ASSERT_EQ(sceneIndex, 1);
  // The setup took 5.8 s of music: the clock starts at the decision, not after the load.
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
  EnterScene(3, 900);
  for (int pass = 0; pass < 2000; ++pass) ASSERT_FALSE(StepClock(80000));
  EXPECT_EQ(sceneIndex, 3);
  EXPECT_NEAR(sceneTicks, 140.001f, 1e-3f);
  // Also in the last scene, short of its end.
  EnterScene(5, 1650);
  for (int pass = 0; pass < 2000; ++pass) ASSERT_FALSE(StepClock(200000));
  EXPECT_EQ(sceneIndex, 5);
}

TEST_F(SequencerTest, ShowIsDoneOnlyAfterTheLastSceneExceedsItsLength) {
  const int ms = MsWithWholeTicks(1200);
  ASSERT_GT(ms, 0);
  const int whole = static_cast<int>(DemoTicksFromMs(ms));
  EnterScene(5, whole - 1100);
  EXPECT_FALSE(StepClock(ms - 1));
  EXPECT_FALSE(StepClock(ms));
  EXPECT_EQ(sceneTicks, 1100.0f);
  EXPECT_TRUE(StepClock(ms + 1));
  EXPECT_EQ(sceneIndex, 5);
  // An earlier scene running out switches instead of ending the show.
  EnterScene(4, whole - 300);
  EXPECT_FALSE(StepClock(ms + 1));
  EXPECT_EQ(sceneIndex, 5);
}

TEST_F(SequencerTest, RenderFrameClearsAndResetsTheModelviewForAnyScene) {
  glMatrixMode(GL_MODELVIEW);
  glClearColor(0.0f, 1.0f, 0.0f, 0.0f);
  glLoadIdentity();
  glTranslatef(3.0f, 4.0f, 5.0f);
  sceneIndex = 6;  // no scene: the frame is only cleared
  EXPECT_EQ(RenderFrame(), 1);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
  EXPECT_EQ(test::PixelAt(320, 240), (std::vector<int>{0, 255, 0}));
  sceneIndex = -1;
  EXPECT_EQ(RenderFrame(), 1);
  EXPECT_FALSE(StepClock(500000));  // nor does it switch or end
  EXPECT_EQ(sceneIndex, -1);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

struct Switch {
  int ms;
  float demoTicks;  // of the pass that decided it
  int index;
  int startTicks;
};

// Drives the show from the virtual clock in steps of stepMs; after each switch
// the next pass comes setupMs later, as if the setup had taken that long.
std::vector<Switch> RunTimeline(int stepMs, int setupMs, int* doneMs) {
  UseVirtualClock(true);
  ResetSequencer();
  std::vector<Switch> switches;
  *doneMs = -1;
  for (int ms = 0; ms < 300000;) {
    SetVirtualClockMs(ms);
    const int before = sceneIndex;
    if (StepClock(MusicPositionMs())) {
      *doneMs = ms;
      break;
    }
    if (sceneIndex != before) switches.push_back({ms, demoTicks, sceneIndex, sceneStartTicks});
    ms += sceneIndex != before ? setupMs : stepMs;
  }
  return switches;
}

TEST_F(SequencerTest, WholeShowFollowsTheNominalTimeline) {
  int doneMs = 0;
  const std::vector<Switch> switches = RunTimeline(16, 16, &doneMs);
  ASSERT_EQ(switches.size(), 5u);
  const int starts[] = {250, 600, 900, 1350, 1650};
  // Each switch comes on the first 16 ms pass after tick * 1000 / 13 ms:
  // 19.2, 46.2, 69.2, 103.8 and 126.9 s, and the end at 211.5 s.
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(switches[i].index, i + 1);
    EXPECT_EQ(switches[i].startTicks, starts[i]);
    const double nominalMs = starts[i] * 1000.0 / 13.0;
    EXPECT_GE(switches[i].ms, nominalMs - 1.0);
    EXPECT_LE(switches[i].ms, nominalMs + 16.0);
  }
  EXPECT_GE(doneMs, 2750 * 1000.0 / 13.0 - 1.0);
  EXPECT_LE(doneMs, 2750 * 1000.0 / 13.0 + 16.0);
  EXPECT_GT(DemoTicksFromMs(doneMs), 2750.0f);
  EXPECT_LE(DemoTicksFromMs(doneMs - 16), 2750.0f);
}

TEST_F(SequencerTest, CoarsePassesAndSlowSetupsKeepScenesOnWholeTicks) {
  int doneMs = 0;
  const std::vector<Switch> switches = RunTimeline(100, 3000, &doneMs);
  ASSERT_EQ(switches.size(), 5u);
  int previousStart = 0;
  for (int i = 0; i < 5; ++i) {
    const float length = static_cast<float>(kSceneLengthTicks[i]);
    // Decided on the first pass (100 ms = 1.3 ticks apart) beyond the length...
    EXPECT_GT(switches[i].demoTicks - previousStart, length);
    EXPECT_LE(switches[i].demoTicks - previousStart, length + 1.31f);
    // ...and the new scene begins at the whole tick at or below that pass,
    // however long its setup took.
    EXPECT_EQ(switches[i].startTicks, static_cast<int>(switches[i].demoTicks));
    EXPECT_LE(switches[i].startTicks - previousStart, kSceneLengthTicks[i] + 1);
    previousStart = switches[i].startTicks;
  }
  // Slow setups do not delay the end: it comes after at most 2750 + 6 ticks.
  EXPECT_GT(DemoTicksFromMs(doneMs), static_cast<float>(previousStart + 1100));
  EXPECT_LT(DemoTicksFromMs(doneMs), 2756.0f + 1.31f);
}

}  // namespace
}  // namespace velkor
