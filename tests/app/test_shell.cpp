// The shell: main-loop passes under scripted events and clock, and where the
// picture lands for any window shape.
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/shell.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/message_box.h"
#include "scenes/layers.h"
#include "support/gl_fixture.h"

namespace velkor {
namespace {

PlatformEvent Event(PlatformEventType type, int key = 0, bool minimised = false) {
  PlatformEvent e{};
  e.type = type;
  e.key = key;
  e.minimised = minimised;
  return e;
}
const std::optional<PlatformEvent> kIdle;
const PlatformEvent kQuit = Event(PlatformEventType::Quit);
const PlatformEvent kMinimise = Event(PlatformEventType::Activate, 0, true);
const PlatformEvent kRestore = Event(PlatformEventType::Activate, 0, false);
PlatformEvent Down(int key) { return Event(PlatformEventType::KeyDown, key); }
PlatformEvent Up(int key) { return Event(PlatformEventType::KeyUp, key); }
constexpr int kEscape = 27, kZ = 90;

// What the poll of each pass yields, if anything.
using ScriptedPass = std::optional<PlatformEvent>;
struct Script {
  std::deque<ScriptedPass> passes;
  int polls = 0;
  int swaps = 0;
  int positionMs = 1000;
};
Script script;
std::vector<std::string> boxes;  // "caption|text"

MessageBoxAnswer RecordBox(const char* text, const char* caption, MessageBoxButtons, MessageBoxIcon) {
  boxes.push_back(std::string(caption) + "|" + text);
  return MessageBoxAnswer::Ok;
}

// When the script runs out the poll yields Quit, so that no test can hang.
bool ScriptedPoll(PlatformEvent* event) {
  ++script.polls;
  const ScriptedPass pass = script.passes.empty() ? kQuit : script.passes.front();
  if (!script.passes.empty()) script.passes.pop_front();
  if (pass) *event = *pass;
  return pass.has_value();
}
int ScriptedPosition() { return script.positionMs; }
void CountSwap() { ++script.swaps; }

class MainLoopTest : public test::GlTest {
 protected:
  void SetUp() override {
    test::GlTest::SetUp();
    SetMessageBoxSink(RecordBox);
    SetGlobalGlState();
    ResizeViewport(640, 480);
    Reset();
  }
  void Reset() {
    script = Script();
    boxes.clear();
    for (bool& k : keyDown) k = false;
    windowActive = true;
    ResetSequencer();
  }
  void TearDown() override { SetMessageBoxSink(nullptr); }
  int Run() { return RunMainLoop(MainLoopIo{ScriptedPoll, ScriptedPosition, CountSwap}); }
};

// One pass per poll: a pass that handles an event draws no frame; an idle pass
// draws one unless minimised.
TEST_F(MainLoopTest, PassesDrawQuitAndEndAsScripted) {
  // The Z box shows ticks * 76.92307 in float: 1000 ms is 13.0010004 ticks, 10000 ms 130.001007.
  const std::string at1000 = "fsad|1000.076904", at10000 = "fsad|10000.077148";
  const struct {
    const char* name;
    std::vector<ScriptedPass> passes;
    int positionMs, polls, swaps;
    std::vector<std::string> boxes;
    int passesLeft, scene;
  } cases[] = {
      {"quit ends on the pass that retrieves it", {kIdle, kIdle, kQuit, kIdle}, 1000, 3, 2, {}, 1, 0},
      {"event passes draw nothing", {Down('A'), Up('A'), kIdle, kQuit}, 1000, 4, 1, {}, 0, 0},
      {"escape ends the loop even while Z is held", {Down(kZ), kIdle, Down(kEscape), kIdle, kIdle}, 1000, 4, 1,
       {at1000}, 1, 0},
      // Escape waits while minimised; the first idle pass after the restore ends the loop.
      {"escape waits while minimised", {kMinimise, Down(kEscape), kIdle, kIdle, kRestore, kIdle}, 1000, 6, 0, {}, 0, 0},
      // A tap whose press and release both come before the next frame.
      {"a tap of escape ends the loop at the next frame", {Down(kEscape), Up(kEscape), kIdle, kIdle}, 1000, 3, 0, {}, 1,
       0},
      {"a tap of escape while minimised ends the loop once restored",
       {kMinimise, Down(kEscape), Up(kEscape), kIdle, kRestore, kIdle, kIdle}, 1000, 6, 0, {}, 1, 0},
      {"a tap of another key ends nothing", {Down('A'), Up('A'), kIdle, kIdle, kQuit}, 1000, 5, 2, {}, 0, 0},
      {"Z shows the time on every drawn pass while held", {Down(kZ), kIdle, kIdle, Up(kZ), kIdle, kQuit}, 10000, 6, 3,
       {at10000, at10000}, 0, 0},
      {"the clock runs on while minimised", {kMinimise, kIdle, kIdle, kQuit}, 20000, 4, 0, {}, 0, 1},
  };
  for (const auto& c : cases) {
    Reset();
    script.passes.assign(c.passes.begin(), c.passes.end());
    script.positionMs = c.positionMs;
    EXPECT_EQ(Run(), 0) << c.name;
    EXPECT_EQ(script.polls, c.polls) << c.name;
    EXPECT_EQ(script.swaps, c.swaps) << c.name;
    EXPECT_EQ(boxes, c.boxes) << c.name;
    EXPECT_EQ(script.passes.size(), static_cast<std::size_t>(c.passesLeft)) << c.name;
    EXPECT_EQ(sceneIndex, c.scene) << c.name;
  }
}

TEST_F(MainLoopTest, TheShowEndsAfterTheLastSceneWithOneMoreFrame) {
  // Walk the clock through the whole timeline, one idle pass per step.
  for (int i = 0; i < 400; ++i) script.passes.push_back(kIdle);
  struct Stepper {
    static int Position() { return script.positionMs += 600; }
  };
  script.positionMs = 0;
  EXPECT_EQ(RunMainLoop(MainLoopIo{ScriptedPoll, Stepper::Position, CountSwap}), 0);
  EXPECT_EQ(sceneIndex, 5);
  EXPECT_GT(sceneTicks, 1100.0f);
  EXPECT_FALSE(script.passes.empty()) << "the loop ran until the script ran out";
  EXPECT_EQ(script.swaps, script.polls);  // the ending pass still drew
}

class ViewportTest : public test::GlTest {
 protected:
  void SetUp() override {
    test::GlTest::SetUp();
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_BLEND);
  }
  void TearDown() override {
    SetKeepPictureAspect(false);
    glDisable(GL_SCISSOR_TEST);
    ResizeViewport(640, 480);
  }
};

// The show's full-screen layer (1.33 x 1 at depth 2.4) just covers the
// 45-degree, 4/3 view, so it fills the viewport exactly whatever its shape.
// The framebuffer is 640 x 480: larger viewports are seen in part. The picture
// is cleared blue; a kept 4:3 picture has black bars.
TEST_F(ViewportTest, TheFullScreenLayerFillsThePictureForAnyWindowShape) {
  using Pixel = std::array<int, 5>;  // x, y, r, g, b
  const int W = 255;
  const struct {
    const char* name;
    bool keep;
    int width, height;
    std::vector<Pixel> pixels;  // the first one lies inside the picture
  } cases[] = {
      {"640 x 480", false, 640, 480, {{0, 0, W, W, W}, {639, 479, W, W, W}}},
      {"1000 x 200 stretched", false, 1000, 200, {{0, 0, W, W, W}, {639, 199, W, W, W}, {320, 200, 0, 0, W}}},
      {"640 x 0 is one row", false, 640, 0, {{320, 0, W, W, W}, {320, 1, 0, 0, W}}},
      {"640 x 360 kept: 480 x 360 at x = 80", true, 640, 360,
       {{80, 0, W, W, W}, {559, 359, W, W, W}, {79, 100, 0, 0, 0}, {560, 100, 0, 0, 0}, {320, 360, 0, 0, 0}}},
      {"640 x 640 kept: 640 x 480 at y = 80", true, 640, 640,
       {{0, 80, W, W, W}, {639, 479, W, W, W}, {320, 79, 0, 0, 0}}},
  };
  for (const auto& c : cases) {
    glDisable(GL_SCISSOR_TEST);
    SetKeepPictureAspect(c.keep);
    ResizeViewport(c.width, c.height);
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    ClearOutsidePicture();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Pixel& inside = c.pixels[0];
    EXPECT_EQ(test::PixelAt(inside[0], inside[1]), (std::vector<int>{0, 0, 255}))
        << c.name << ": the show's clear colour";
    DrawFadeLayer(FadeColour{1.0f, 1.0f, 1.0f, 1.0f});
    for (const Pixel& p : c.pixels)
      EXPECT_EQ(test::PixelAt(p[0], p[1]), (std::vector<int>{p[2], p[3], p[4]}))
          << c.name << " at " << p[0] << "," << p[1];
  }
}

// The global state culls faces seen from behind (the layer quad runs clockwise),
// clears to black, tests depth and lets a face drawn again at the same depth
// replace the first.
TEST_F(ViewportTest, GlobalStateCullsBackFacesAndDrawsEqualDepthsInOrder) {
  SetGlobalGlState();
  ResizeViewport(640, 480);
  glDisable(GL_TEXTURE_2D);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColor3f(1.0f, 1.0f, 1.0f);
  DrawScreenQuad(-2.4f);
  EXPECT_EQ(test::PixelAt(320, 240), (std::vector<int>{0, 0, 0})) << "culled";
  glDisable(GL_CULL_FACE);
  const struct {
    float r, g, b, z;
  } quads[] = {{1, 0, 0, -2.4f}, {0, 1, 0, -2.4f}, {0, 0, 1, -3.0f}};
  for (const auto& q : quads) glColor3f(q.r, q.g, q.b), DrawScreenQuad(q.z);
  EXPECT_EQ(test::PixelAt(320, 240), (std::vector<int>{0, 255, 0})) << "the second of two at one depth, over the farther";
}

}  // namespace
}  // namespace velkor
