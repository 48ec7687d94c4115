// The shell: main-loop pass logic under scripted events and clock, the viewport
// and projection, the global GL state, and start-up failures of the real program.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "app/shell.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/message_box.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"

namespace velkor {
namespace {

// A scripted pass: the event the poll yields (if any) and the music position.
struct ScriptedPass {
  bool hasEvent;
  PlatformEvent event;
};

struct Script {
  std::deque<ScriptedPass> passes;
  int polls = 0;
  int swaps = 0;
  int positionMs = 1000;
  std::vector<int> swapsAtPoll;  // swap count seen when each poll happened
};
Script script;

struct RecordedBox {
  std::string text, caption;
};
std::vector<RecordedBox> boxes;

MessageBoxAnswer RecordBox(const char* text, const char* caption, MessageBoxButtons, MessageBoxIcon) {
  boxes.push_back({text, caption});
  return MessageBoxAnswer::Ok;
}

bool ScriptedPoll(PlatformEvent* event) {
  ++script.polls;
  script.swapsAtPoll.push_back(script.swaps);
  if (script.passes.empty()) {  // the script ran out: quit so no test can hang
    event->type = PlatformEventType::Quit;
    return true;
  }
  const ScriptedPass pass = script.passes.front();
  script.passes.pop_front();
  if (pass.hasEvent) *event = pass.event;
  return pass.hasEvent;
}
int ScriptedPosition() { return script.positionMs; }
void CountSwap() { ++script.swaps; }

ScriptedPass Idle() { return {false, {}}; }
ScriptedPass Key(PlatformEventType type, int key) {
  PlatformEvent e{};
  e.type = type;
  e.key = key;
  return {true, e};
}
ScriptedPass Minimise(bool minimised) {
  PlatformEvent e{};
  e.type = PlatformEventType::Activate;
  e.minimised = minimised;
  return {true, e};
}
ScriptedPass Quit() {
  PlatformEvent e{};
  e.type = PlatformEventType::Quit;
  return {true, e};
}

class MainLoopTest : public test::GlTest {
 protected:
  void SetUp() override {
    test::GlTest::SetUp();
    script = Script();
    boxes.clear();
    SetMessageBoxSink(RecordBox);
    for (bool& k : keyDown) k = false;
    windowActive = true;
    ResetSequencer();
    SetGlobalGlState();
    ResizeViewport(640, 480);
  }
  void TearDown() override { SetMessageBoxSink(nullptr); }
  int Run() { return RunMainLoop(MainLoopIo{ScriptedPoll, ScriptedPosition, CountSwap}); }
};

TEST_F(MainLoopTest, QuitEndsTheLoopOnThePassThatRetrievesIt) {
  script.passes = {Idle(), Idle(), Quit(), Idle()};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(script.polls, 3);
  EXPECT_EQ(script.swaps, 2);
  EXPECT_EQ(script.passes.size(), 1u);
}

TEST_F(MainLoopTest, APassThatHandlesAnEventDrawsNoFrame) {
  script.passes = {Key(PlatformEventType::KeyDown, 'A'), Key(PlatformEventType::KeyUp, 'A'), Idle(), Quit()};
  Run();
  // Swaps seen at the start of passes 1..4: none after the two event passes, one after the idle pass.
  EXPECT_EQ(script.swapsAtPoll, (std::vector<int>{0, 0, 0, 1}));
  EXPECT_FALSE(keyDown['A']);
}

TEST_F(MainLoopTest, EscapeEndsTheLoopEvenWhileZIsHeld) {
  script.passes = {Key(PlatformEventType::KeyDown, 90), Idle(), Key(PlatformEventType::KeyDown, 27), Idle(), Idle()};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(script.polls, 4);
  EXPECT_EQ(script.swaps, 1);  // only the idle pass before Escape drew
  ASSERT_EQ(boxes.size(), 1u);  // and showed the time box once
}

TEST_F(MainLoopTest, EscapeIsIgnoredWhileMinimised) {
  script.passes = {Minimise(true), Key(PlatformEventType::KeyDown, 27), Idle(), Idle(), Minimise(false), Idle()};
  EXPECT_EQ(Run(), 0);
  // The two idle passes while minimised neither drew nor ended the loop; the
  // first idle pass after the restore saw Escape still held and ended it.
  EXPECT_EQ(script.polls, 6);
  EXPECT_EQ(script.swaps, 0);
  EXPECT_TRUE(script.passes.empty());
}

TEST_F(MainLoopTest, ZShowsTheMusicTimeOnEveryDrawnPassWhileHeld) {
  script.positionMs = 10000;
  script.passes = {Key(PlatformEventType::KeyDown, 90), Idle(), Idle(), Key(PlatformEventType::KeyUp, 90), Idle(),
                   Quit()};
  Run();
  ASSERT_EQ(boxes.size(), 2u);
  char expected[64];
  std::snprintf(expected, sizeof expected, "%f", static_cast<double>(DemoTicksFromMs(10000) * 76.92307f));
  EXPECT_EQ(boxes[0].text, expected);
  EXPECT_EQ(boxes[0].caption, "fsad");
  EXPECT_EQ(boxes[0].text.substr(0, 6), "10000.");
  EXPECT_EQ(script.swaps, 3);
}

TEST_F(MainLoopTest, SetupsStillRunWhileMinimised) {
  script.positionMs = 20000;  // 260 ticks: past scene 0's 250
  script.passes = {Minimise(true), Idle(), Idle(), Quit()};
  Run();
  EXPECT_EQ(sceneIndex, 1);
  EXPECT_EQ(script.swaps, 0);
}

TEST_F(MainLoopTest, TheShowEndsAfterTheLastSceneWithOneMoreFrame) {
  // Walk the clock through the whole timeline, one idle pass per step.
  for (int i = 0; i < 400; ++i) script.passes.push_back(Idle());
  struct Stepper {
    static int Position() { return script.positionMs += 600; }
  };
  script.positionMs = 0;
  const int status = RunMainLoop(MainLoopIo{ScriptedPoll, Stepper::Position, CountSwap});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(sceneIndex, 5);
  EXPECT_GT(sceneTicks, 1100.0f);
  EXPECT_FALSE(script.passes.empty()) << "the loop ran until the script ran out";
  EXPECT_EQ(script.swaps, script.polls);  // the ending pass still drew
}

class ViewportTest : public test::GlTest {};

void ExpectStandardProjection() {
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  const double nearPlane = static_cast<double>(0.1f), farPlane = 1000.0;
  EXPECT_NEAR(m[0], f / (4.0 / 3.0), 1e-6);
  EXPECT_NEAR(m[5], f, 1e-6);
  EXPECT_NEAR(m[10], (farPlane + nearPlane) / (nearPlane - farPlane), 1e-6);
  EXPECT_NEAR(m[11], -1.0, 1e-9);
  EXPECT_NEAR(m[14], 2 * farPlane * nearPlane / (nearPlane - farPlane), 1e-6);
  GLint mode;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(ViewportTest, ZeroHeightGivesAOnePixelViewport) {
  SetKeepPictureAspect(false);
  ResizeViewport(640, 0);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[2], 640);
  EXPECT_EQ(vp[3], 1);
  ResizeViewport(640, 480);
}

TEST_F(ViewportTest, ProjectionStaysFourThirdsForAnyShape) {
  SetKeepPictureAspect(false);
  for (auto [w, h] : {std::pair{640, 480}, std::pair{1000, 200}, std::pair{300, 900}}) {
    ResizeViewport(w, h);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], w);
    EXPECT_EQ(vp[3], h);
    ExpectStandardProjection();
  }
  ResizeViewport(640, 480);
}

TEST_F(ViewportTest, KeptAspectCentresTheLargestFourThirdsPicture) {
  SetKeepPictureAspect(true);
  ResizeViewport(1280, 720);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[0], 160);
  EXPECT_EQ(vp[1], 0);
  EXPECT_EQ(vp[2], 960);
  EXPECT_EQ(vp[3], 720);
  ResizeViewport(640, 640);
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[0], 0);
  EXPECT_EQ(vp[1], 80);
  EXPECT_EQ(vp[3], 480);
  SetKeepPictureAspect(false);
  glDisable(GL_SCISSOR_TEST);
  ResizeViewport(640, 480);
}

TEST_F(ViewportTest, BarsOutsideAKeptPictureStayBlack) {
  SetKeepPictureAspect(true);
  ResizeViewport(640, 360);  // picture 480 x 360 at x = 80
  glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
  ClearOutsidePicture();
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(test::PixelAt(10, 100), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(test::PixelAt(320, 100), (std::vector<int>{0, 0, 255}));
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[2], 1.0f) << "the show's clear colour is kept";
  SetKeepPictureAspect(false);
  glDisable(GL_SCISSOR_TEST);
  ResizeViewport(640, 480);
}

TEST_F(ViewportTest, GlobalStateIsSetInFull) {
  glDisable(GL_DEPTH_TEST);
  glClearColor(1, 1, 1, 1);
  SetGlobalGlState();
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  GLint v;
  glGetIntegerv(GL_DEPTH_FUNC, &v);
  EXPECT_EQ(v, GL_LEQUAL);
  glGetIntegerv(GL_CULL_FACE_MODE, &v);
  EXPECT_EQ(v, GL_BACK);
  glGetIntegerv(GL_SHADE_MODEL, &v);
  EXPECT_EQ(v, GL_SMOOTH);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &v);
  EXPECT_EQ(v, GL_NICEST);
  GLfloat clear[4], depth;
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glGetFloatv(GL_DEPTH_CLEAR_VALUE, &depth);
  EXPECT_EQ(clear[0] + clear[1] + clear[2] + clear[3], 0.0f);
  EXPECT_EQ(depth, 1.0f);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &v);
  EXPECT_EQ(v, GL_TEXTURE0);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

// The real program, run as a child process without a display.
class ProgramTest : public ::testing::Test {
 protected:
  std::string show = test::ProgramPath("VELKOR_SHOW");
  void SetUp() override { ASSERT_FALSE(show.empty()) << "VELKOR_SHOW not set"; }
};

TEST_F(ProgramTest, NoVideoSystemIsReportedAndFails) {
  test::TempDir dir;
  const auto r = test::RunCommand("cd " + dir.path() + " && timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=nonexistent " + show);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find("ERROR: Failed To Register The Window Class."), std::string::npos) << r.output;
}

TEST_F(ProgramTest, MissingMusicFailsStartUpWithBothBoxes) {
  test::TempDir dir;
  dir.Write("data/readme.txt", std::string("a data directory alone is not enough"));
  const auto r = test::RunCommand("cd " + dir.path() +
                                  " && timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy " +
                                  show + " --windowed");
  EXPECT_NE(r.status, 0);
  const auto notFound = r.output.find("ERROR!: File Not Found!");
  const auto initFailed = r.output.find("ERROR: Initialization Failed.");
  EXPECT_NE(notFound, std::string::npos) << r.output;
  EXPECT_NE(initFailed, std::string::npos) << r.output;
  EXPECT_LT(notFound, initFailed);
}

TEST_F(ProgramTest, NoAudioDeviceIsReportedWithoutHanging) {
  test::TempDir dir;
  dir.Write("mirok6.mp3", std::string("not looked at: the device fails first"));
  const auto r = test::RunCommand("cd " + dir.path() +
                                  " && timeout 60 env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen "
                                  "SDL_AUDIODRIVER=nonexistent " +
                                  show + " --windowed");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("ERROR!: Error initializing output device."), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("ERROR: Initialization Failed."), std::string::npos) << r.output;
}

TEST_F(ProgramTest, UnknownArgumentsAreRefused) {
  const auto r = test::RunCommand(show + " --bogus");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("usage"), std::string::npos);
}

}  // namespace
}  // namespace velkor
