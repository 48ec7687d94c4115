// The player on a bare X server (no window manager), watched from outside:
// fullscreen fills the screen with the centred 4:3 picture and black bars,
// F11 and Alt+Enter switch to a window and back while the music clock runs
// on, the cursor follows, and without a sound device --silent plays the whole
// show through its scenes in order.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
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

bool IsBlack(const std::vector<int>& rgb) { return rgb[0] + rgb[1] + rgb[2] == 0; }
bool IsLit(const std::vector<int>& rgb) { return rgb[0] + rgb[1] + rgb[2] > 60; }

// Music times (in ms) of the "velkor: WHAT at S s" lines.
std::vector<int> TimesOf(const std::string& log, const std::string& what) {
  std::vector<int> times;
  const std::string key = "velkor: " + what + " at ";
  for (std::size_t at = log.find(key); at != std::string::npos; at = log.find(key, at + 1)) {
    int seconds = 0, ms = 0;
    if (std::sscanf(log.c_str() + at + key.size(), "%d.%d", &seconds, &ms) == 2) times.push_back(seconds * 1000 + ms);
  }
  return times;
}

class PlayerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
    data_ = StandinDataDir();
    ASSERT_FALSE(data_.empty());
  }
  // The player on a fresh screen of width x height.
  void Start(int width, int height, std::vector<std::string> args) {
    screen_ = std::make_unique<VirtualDisplay>(width, height);
    ASSERT_NE(screen_->display(), nullptr) << "Xvfb did not start";
    args.insert(args.end(), {"--data", data_, "--verbose", "--max-fps", "30"});
    show_ = std::make_unique<ChildProcess>(ProgramPath("VELKOR_SHOW"), args,
                                           std::vector<std::string>{"DISPLAY=" + screen_->name(), "SDL_VIDEODRIVER",
                                                                    "SDL_AUDIODRIVER=dummy"},
                                           dir_.path());
    window_ = WaitForWindow(screen_->display(), "velkor", 30);
    ASSERT_NE(window_, 0u) << "no window titled velkor appeared";
  }
  // Waits until the window covers box exactly.
  bool WindowBecomes(int x, int y, int width, int height) {
    if (Eventually([&] {
          const WindowBox b = WindowGeometry(screen_->display(), window_);
          return b.x == x && b.y == y && b.width == width && b.height == height;
        }))
      return true;
    const WindowBox b = WindowGeometry(screen_->display(), window_);
    ADD_FAILURE() << "window is " << b.width << "x" << b.height << "+" << b.x << "+" << b.y;
    return false;
  }
  // Waits until the screen shows the picture in pictureX .. pictureX + pictureWidth and black bars beside it.
  bool PictureWithBars(int pictureX, int pictureWidth, int height) {
    Display* d = screen_->display();
    const int y = height / 2, edge = pictureX + pictureWidth;
    return Eventually([&] {
      return IsBlack(ScreenPixel(d, pictureX - 2, y)) && IsBlack(ScreenPixel(d, edge + 1, y)) &&
             IsLit(ScreenPixel(d, pictureX + 2, y)) && IsLit(ScreenPixel(d, edge - 3, y)) &&
             IsLit(ScreenPixel(d, pictureX + pictureWidth / 2, 2)) && IsBlack(ScreenPixel(d, 0, 0));
    });
  }

  std::string data_;
  TempDir dir_;
  std::unique_ptr<VirtualDisplay> screen_;
  std::unique_ptr<ChildProcess> show_;
  Window window_ = 0;
};

// Fullscreen fills the screen with the centred 4:3 picture, black bars beside
// it; the switches' lines name the drawable's size.
TEST_F(PlayerWindowTest, F11AndAltEnterSwitchToAWindowAndBackWhileTheClockRuns) {
  Start(1920, 1080, {"--silent"});
  ASSERT_TRUE(WindowBecomes(0, 0, 1920, 1080));
  ASSERT_TRUE(PictureWithBars(240, 1440, 1080));
  Display* d = screen_->display();
  EXPECT_FALSE(CursorVisible(d, window_));
  SendKey(d, window_, XK_F11);
  ASSERT_TRUE(WindowBecomes((1920 - 640) / 2, (1080 - 480) / 2, 640, 480));
  EXPECT_TRUE(CursorVisible(d, window_));
  // In a window the picture fills it: no bars (once the next frame is drawn).
  EXPECT_TRUE(Eventually([&] { return IsLit(ScreenPixel(d, 640 + 3, 540)) && IsLit(ScreenPixel(d, 640 + 636, 540)); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  SendKey(d, window_, XK_Return, XK_Alt_L);
  ASSERT_TRUE(WindowBecomes(0, 0, 1920, 1080));
  EXPECT_TRUE(PictureWithBars(240, 1440, 1080));
  EXPECT_FALSE(CursorVisible(d, window_));
  PressKey(d, window_, XK_Escape);
  EXPECT_EQ(show_->WaitForExit(20), 0);
  const std::string log = show_->ErrorOutput();
  const std::vector<int> toWindow = TimesOf(log, "window 640x480"),
                         toFull = TimesOf(log, "fullscreen 1920x1080");
  ASSERT_EQ(toWindow.size(), 1u) << log;
  ASSERT_EQ(toFull.size(), 1u) << log;
  EXPECT_GT(toFull[0] - toWindow[0], 1000) << "the music clock ran on across the switch";
  EXPECT_EQ(TimesOf(log, "scene 0 begins").size(), 1u) << "no setup ran again";
  // On Xvfb the GL is llvmpipe: the frames are drawn at 640 x 480 and scaled.
  EXPECT_NE(log.find("velkor: picture drawn at 640x480 in a framebuffer object, shown at 1440x1080 of 1920x1080 "
                     "(linear; auto: llvmpipe"),
            std::string::npos)
      << log;
}

TEST_F(PlayerWindowTest, NativeResolutionDrawsAtTheScreensPixelsAndSwitchesAlike) {
  Start(1600, 1200, {"--silent", "--resolution", "native"});
  ASSERT_TRUE(WindowBecomes(0, 0, 1600, 1200));
  Display* d = screen_->display();
  EXPECT_TRUE(Eventually([&] { return IsLit(ScreenPixel(d, 3, 600)) && IsLit(ScreenPixel(d, 1596, 600)); }))
      << "a 4:3 screen has no bars";
  SendKey(d, window_, XK_Return, XK_Alt_L);
  ASSERT_TRUE(WindowBecomes((1600 - 640) / 2, (1200 - 480) / 2, 640, 480));
  SendKey(d, window_, XK_F11);
  ASSERT_TRUE(WindowBecomes(0, 0, 1600, 1200));
  PressKey(d, window_, XK_Escape);
  EXPECT_EQ(show_->WaitForExit(20), 0);
  const std::string log = show_->ErrorOutput();
  EXPECT_NE(log.find("velkor: picture drawn at the drawable's pixels, 1600x1200 of 1600x1200 (native: asked for)"),
            std::string::npos)
      << log;
  EXPECT_EQ(TimesOf(log, "window 640x480").size(), 1u) << log;
}

// Samples asked for go to the picture drawn apart, whose copy a multisampled
// window would refuse: the screen then stayed black.
TEST_F(PlayerWindowTest, MultisamplingShowsThePictureDrawnAtTheOriginalSize) {
  Start(1920, 1080, {"--silent", "--msaa", "4"});
  ASSERT_TRUE(WindowBecomes(0, 0, 1920, 1080));
  EXPECT_TRUE(PictureWithBars(240, 1440, 1080));
  PressKey(screen_->display(), window_, XK_Escape);
  EXPECT_EQ(show_->WaitForExit(20), 0);
  EXPECT_NE(show_->ErrorOutput().find("drawn at 640x480 in a framebuffer object"), std::string::npos)
      << show_->ErrorOutput();
}

// The whole show in real time (about 212 s).
TEST_F(PlayerWindowTest, SilentPlaysTheWholeShowWithoutASoundDevice) {
  screen_ = std::make_unique<VirtualDisplay>(640, 480);
  ASSERT_NE(screen_->display(), nullptr);
  ChildProcess show(ProgramPath("VELKOR_SHOW"),
                    {"--silent", "--windowed", "--verbose", "--max-fps", "15", "--data", data_},
                    {"DISPLAY=" + screen_->name(), "SDL_VIDEODRIVER", "SDL_AUDIODRIVER=nonexistent"}, dir_.path());
  EXPECT_EQ(show.WaitForExit(300), 0) << show.ErrorOutput();
  const std::string log = show.ErrorOutput();
  std::vector<int> starts;
  for (int scene = 0; scene < 6; ++scene) {
    const std::vector<int> t = TimesOf(log, "scene " + std::to_string(scene) + " begins");
    ASSERT_EQ(t.size(), 1u) << log;
    starts.push_back(t[0]);
  }
  const int nominal[6] = {0, 19231, 46154, 69231, 103846, 126923};
  // A scene begins at the first frame past its start: on a loaded machine a
  // frame may come a good half second late, while a clock running 1 % fast or
  // slow is more than a second off by the last scene.
  for (int scene = 0; scene < 6; ++scene) EXPECT_NEAR(starts[scene], nominal[scene], 900) << scene;
}

}  // namespace
}  // namespace velkor
