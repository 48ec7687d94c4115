// The show where its users can take it and tests seldom do: no display at all,
// told to stop while it plays in its 640 x 480 window (Escape, the window's
// close button, SIGTERM) or fullscreen (a short tap of Escape), a GL without
// the multitexture entry points, a GL whose context cannot be made, start-up
// failures answered in their boxes. Stopping and the refusals take at most a second.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/test_files.h"
#include "support/tool_support.h"
#include "support/virtual_display.h"
#include <X11/keysym.h>

namespace velkor {
namespace {

using namespace velkor::test;

// No display of any kind unless one is added after these.
const std::vector<std::string> kNoDisplay = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER=dummy"};

std::vector<std::string> With(std::vector<std::string> environment, const std::vector<std::string>& more) {
  environment.insert(environment.end(), more.begin(), more.end());
  return environment;
}

std::unique_ptr<ChildProcess> StartShow(const TempDir& dir, const std::vector<std::string>& environment,
                                        std::vector<std::string> args = {}) {
  const std::string data = StandinDataDir();
  EXPECT_FALSE(data.empty());
  args.insert(args.end(), {"--data", data, "--verbose"});
  return std::make_unique<ChildProcess>(ProgramPath("VELKOR_SHOW"), args, environment, dir.path());
}

// Waits up to 60 s for the first scene to begin; false early on a start-up error.
bool Playing(const ChildProcess& show) {
  for (int i = 0; i < 600; ++i) {
    const std::string log = show.ErrorOutput();
    if (log.find("scene 0 begins") != std::string::npos) return true;
    if (log.find("ERROR") != std::string::npos) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

TEST(HardeningTest, WithoutADisplayTheShowSaysSoAndEndsWithinASecond) {
  TempDir dir;
  const std::unique_ptr<ChildProcess> show = StartShow(dir, kNoDisplay);
  EXPECT_EQ(show->WaitForExit(1), 1) << show->ErrorOutput();
  EXPECT_NE(show->ErrorOutput().find("ERROR: Window Creation Error."), std::string::npos) << show->ErrorOutput();
}

TEST(HardeningTest, EscapeCloseAndSigtermEndThePlayingShowWithinASecond) {
  if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  VirtualDisplay screen;
  Display* d = screen.display();
  ASSERT_NE(d, nullptr) << "Xvfb did not start";
  const struct {
    const char* name;
    bool offscreen;
    void (*stop)(Display*, Window, ChildProcess&);
  } cases[] = {
      {"Escape", false, [](Display* x, Window w, ChildProcess&) { PressKey(x, w, XK_Escape); }},
      {"closing the window", false, [](Display* x, Window w, ChildProcess&) { RequestClose(x, w); }},
      {"SIGTERM", false, [](Display*, Window, ChildProcess& show) { show.Signal(SIGTERM); }},
      {"SIGTERM offscreen", true, [](Display*, Window, ChildProcess& show) { show.Signal(SIGTERM); }},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::unique_ptr<ChildProcess> show = StartShow(
        dir, With(kNoDisplay, {c.offscreen ? "SDL_VIDEODRIVER=offscreen" : "DISPLAY=" + screen.name()}),
        {"--windowed"});
    const Window w = c.offscreen ? 0 : WaitForWindow(d, "velkor", 30);
    ASSERT_TRUE(c.offscreen || w != 0) << c.name << ": no window titled velkor appeared";
    if (w) {
      const WindowBox box = WindowGeometry(d, w);
      EXPECT_EQ(box.width * 10000 + box.height, 6400480) << c.name;
    }
    ASSERT_TRUE(Playing(*show)) << c.name << "\n" << show->ErrorOutput();
    c.stop(d, w, *show);
    EXPECT_EQ(show->WaitForExit(1), 0) << c.name << "\n" << show->ErrorOutput();
  }
}

// A preloaded SDL_GL_GetProcAddress that knows no multitexture entry point.
TEST(HardeningTest, AGlWithoutMultitextureEntryPointsPlaysEveryScene) {
  TempDir dir;
  const std::unique_ptr<ChildProcess> show =
      StartShow(dir, With(kNoDisplay, {"SDL_VIDEODRIVER=offscreen", "LD_PRELOAD=" VELKOR_NO_MULTITEXTURE_PATH}),
                {"--windowed", "--step-ms", "2000"});
  EXPECT_EQ(show->WaitForExit(120), 0) << show->ErrorOutput();
  const std::string log = show->ErrorOutput();
  EXPECT_NE(log.find("no_multitexture: no glActiveTextureARB"), std::string::npos) << log;
  EXPECT_NE(log.find("scene 5 begins"), std::string::npos) << log;
}

// Mesa's GL capped below the version the show asks for gives no context. Where
// no box can be drawn (no display; an X server with only its built-in fonts,
// which SDL's box cannot use) the refusal is written out and the show ends.
TEST(HardeningTest, AGlContextThatCannotBeMadeIsReportedWithinASecondWhereNoBoxCanBeShown) {
  if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  VirtualDisplay fontless(1024, 768, ServerFonts::BuiltInOnly);
  ASSERT_NE(fontless.display(), nullptr) << "Xvfb did not start";
  for (const std::string& video : {std::string("SDL_VIDEODRIVER=offscreen"), "DISPLAY=" + fontless.name()}) {
    TempDir dir;
    const std::unique_ptr<ChildProcess> show =
        StartShow(dir, With(kNoDisplay, {video, "MESA_GL_VERSION_OVERRIDE=1.3"}), {"--windowed"});
    EXPECT_EQ(show->WaitForExit(1), 1) << video << "\n" << show->ErrorOutput();
    EXPECT_NE(show->ErrorOutput().find("ERROR: Can't Create A GL Rendering Context."), std::string::npos)
        << video << "\n" << show->ErrorOutput();
  }
}

// On a desktop a start-up failure is a real box that waits for its answer: each
// box is found by its caption and answered with Return, in order, and the show
// ends with a failing status within a second of the last answer.
TEST(HardeningTest, StartUpFailuresOnADesktopWaitForTheirBoxesAndEndOnceAnswered) {
  if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  VirtualDisplay screen;
  Display* d = screen.display();
  ASSERT_NE(d, nullptr) << "Xvfb did not start";
  const struct {
    const char* name;
    std::vector<std::string> environment;
    bool withMusic;
    std::vector<const char*> captions;  // the boxes, in the order they come
    const char* hint;                   // on standard error beside the boxes
  } cases[] = {
      {"no GL context", {"MESA_GL_VERSION_OVERRIDE=1.3", "SDL_AUDIODRIVER=dummy"}, true, {"ERROR"}, ""},
      {"no music", {"SDL_AUDIODRIVER=dummy"}, false, {"ERROR!", "ERROR"}, "velkor-tools make-data DIR"},
      {"no audio device", {"SDL_AUDIODRIVER=nonexistent"}, true, {"ERROR!", "ERROR"},
       "--silent plays the show without sound"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::string> environment = With(kNoDisplay, {"DISPLAY=" + screen.name()});
    environment.insert(environment.end(), c.environment.begin(), c.environment.end());
    std::vector<std::string> args = {"--windowed", "--verbose"};
    if (c.withMusic) args.insert(args.end(), {"--data", StandinDataDir()});
    else args.insert(args.end(), {"--data", dir.path()});
    ChildProcess show(ProgramPath("VELKOR_SHOW"), args, environment, dir.path());
    for (const char* caption : c.captions) {
      ASSERT_TRUE(AnswerBox(d, caption, 30)) << c.name << ": no box captioned " << caption << "\n"
                                              << show.ErrorOutput();
      // The answered box is gone before the next one comes or the show ends.
      EXPECT_TRUE(WaitForNoWindow(d, caption, 2)) << c.name << ": " << caption << " still shown";
    }
    EXPECT_EQ(show.WaitForExit(1), 1) << c.name << "\n" << show.ErrorOutput();
    const std::string log = show.ErrorOutput();
    EXPECT_NE(log.find(c.hint), std::string::npos) << c.name << "\n" << log;
    // What was shown in a box is not written out again as if none could be.
    EXPECT_EQ(log.find("ERROR"), std::string::npos) << c.name << "\n" << log;
  }
}

// A tap of Escape shorter than a frame, on the slowest frames the show draws:
// fullscreen on a 1920 x 1080 screen with the software renderer.
TEST(HardeningTest, AShortTapOfEscapeEndsTheFullscreenShowEveryTime) {
  if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  VirtualDisplay screen(1920, 1080);
  Display* d = screen.display();
  ASSERT_NE(d, nullptr) << "Xvfb did not start";
  int ended = 0;
  for (int round = 0; round < 10; ++round) {
    TempDir dir;
    const std::unique_ptr<ChildProcess> show = StartShow(dir, With(kNoDisplay, {"DISPLAY=" + screen.name()}));
    const Window w = WaitForWindow(d, "velkor", 30);
    ASSERT_NE(w, 0u) << "round " << round << ": no window titled velkor appeared";
    ASSERT_TRUE(Playing(*show)) << show->ErrorOutput();
    TapKey(d, w, XK_Escape, 100);
    const int status = show->WaitForExit(3);
    EXPECT_EQ(status, 0) << "round " << round << "\n" << show->ErrorOutput();
    ended += status == 0;
  }
  EXPECT_EQ(ended, 10);
}

}  // namespace
}  // namespace velkor
