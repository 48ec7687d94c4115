// The player as a Wayland client and on scaled screens, watched from outside:
// under Weston nested in Xvfb, fullscreen covers the output with the centred
// 4:3 picture, Alt+Enter switches to a 640 x 480 window and back, Escape ends
// it, and its title and app id are velkor; on a compositor without an input
// seat, where SDL would crash, it fails saying why, or plays on X11 when an X
// server is there; on an output of scale 2, and on an X screen that says it
// is scaled, the picture covers the screen's real pixels.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/test_files.h"
#include "support/tool_support.h"
#include "support/weston.h"
#include <X11/keysym.h>

namespace velkor {
namespace {

using namespace velkor::test;

int Brightness(const Image& image, int x, int y) {
  const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 3;
  return image.rgb[at] + image.rgb[at + 1] + image.rgb[at + 2];
}

// "" when the screen shows the picture in columns left .. left + width - 1,
// over the full height, and pure black beside it; otherwise what is wrong.
// A picture drawn smaller and enlarged by the compositor blends its edge into
// the bars, so the bars' last column is not black.
std::string PictureWithBarsProblem(const Image& screen, int left, int width) {
  if (screen.width == 0) return "the screen could not be read";
  const int right = left + width - 1;
  for (int y = 0; y < screen.height; ++y)
    for (int x = 0; x < screen.width; ++x)
      if ((x < left || x > right) && Brightness(screen, x, y) != 0)
        return "bar pixel " + std::to_string(x) + "," + std::to_string(y) + " is not black";
  int leftLit = 0, rightLit = 0, topLit = 0, bottomLit = 0;
  for (int y = 0; y < screen.height; ++y) {
    leftLit += Brightness(screen, left, y) > 0;
    rightLit += Brightness(screen, right, y) > 0;
  }
  for (int x = left; x <= right; ++x) {
    topLit += Brightness(screen, x, 0) > 0;
    bottomLit += Brightness(screen, x, screen.height - 1) > 0;
  }
  if (leftLit < screen.height / 2 || rightLit < screen.height / 2 || topLit < width / 4 || bottomLit < width / 4)
    return "the picture does not reach its edges: lit pixels at the left " + std::to_string(leftLit) + ", right " +
           std::to_string(rightLit) + ", top " + std::to_string(topLit) + ", bottom " + std::to_string(bottomLit);
  return "";
}

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};

// The box of the rows and columns with more than 100 pixels that are not
// black: a picture, not the pointer's arrow beside it.
Box LitBox(const Image& screen) {
  std::vector<int> columns(screen.width, 0), rows(screen.height, 0);
  for (int y = 0; y < screen.height; ++y)
    for (int x = 0; x < screen.width; ++x)
      if (Brightness(screen, x, y) > 0) {
        ++columns[x];
        ++rows[y];
      }
  const auto span = [](const std::vector<int>& counts, int* first, int* length) {
    int last = -1;
    *first = -1;
    for (int i = 0; i < static_cast<int>(counts.size()); ++i)
      if (counts[i] > 100) {
        if (*first < 0) *first = i;
        last = i;
      }
    *length = *first < 0 ? 0 : last - *first + 1;
  };
  Box box;
  span(columns, &box.x, &box.width);
  span(rows, &box.y, &box.height);
  return box;
}

// Whether the log has the player's "velkor: WHAT at" line, waiting up to 10 s.
bool LineAppears(const ChildProcess& show, const std::string& what) {
  return Eventually([&] { return show.ErrorOutput().find("velkor: " + what + " at ") != std::string::npos; });
}

class PlayerWaylandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
    if (!WestonInstalled()) GTEST_SKIP() << "weston is not installed";
    data_ = StandinDataDir();
    ASSERT_FALSE(data_.empty());
  }
  // Weston nested in an Xvfb of the output's real size.
  void StartWeston(const WestonSettings& settings) {
    screen_ = std::make_unique<VirtualDisplay>(settings.width, settings.height);
    ASSERT_NE(screen_->display(), nullptr) << "Xvfb did not start";
    weston_ = std::make_unique<Weston>(settings, settings.backend == WestonBackend::X11 ? screen_.get() : nullptr);
    ASSERT_TRUE(weston_->ready()) << weston_->Log();
  }
  // The player with the environment given (on top of the one it inherits).
  void StartPlayer(std::vector<std::string> args, std::vector<std::string> environment) {
    args.insert(args.end(), {"--silent", "--data", data_, "--verbose", "--max-fps", "30"});
    environment.push_back("SDL_AUDIODRIVER=dummy");
    show_ = std::make_unique<ChildProcess>(ProgramPath("VELKOR_SHOW"), args, environment, dir_.path());
  }
  // The player as Weston's client alone.
  void StartWaylandPlayer(std::vector<std::string> args, bool protocolLog = false) {
    std::vector<std::string> environment = weston_->ClientEnvironment();
    if (protocolLog) environment.push_back("WAYLAND_DEBUG=client");
    StartPlayer(std::move(args), environment);
  }
  // Waits until Weston's output shows the picture at left .. left + width - 1 with black bars.
  void ExpectPictureWithBars(int left, int width) {
    std::string problem;
    if (!Eventually([&] { return (problem = PictureWithBarsProblem(weston_->ReadOutput(), left, width)).empty(); }))
      ADD_FAILURE() << problem << "\n" << show_->ErrorOutput();
  }
  void ExpectEndsOnEscape() {
    weston_->TypeKey(XK_Escape, 0, 100);
    EXPECT_EQ(show_->WaitForExit(20), 0) << show_->ErrorOutput();
  }

  std::string data_;
  TempDir dir_;
  std::unique_ptr<VirtualDisplay> screen_;
  std::unique_ptr<Weston> weston_;
  std::unique_ptr<ChildProcess> show_;
};

TEST_F(PlayerWaylandTest, FullscreenCoversTheOutputAltEnterSwitchesToAWindowAndBackEscapeEnds) {
  StartWeston(WestonSettings{WestonBackend::X11, 1280, 720, 1});
  StartWaylandPlayer({}, true);
  ExpectPictureWithBars(160, 960);
  weston_->TypeKey(XK_Return, XK_Alt_L);
  EXPECT_TRUE(LineAppears(*show_, "window 640x480")) << show_->ErrorOutput();
  // The window on the black desktop, its picture filling it.
  Box lit;
  EXPECT_TRUE(Eventually([&] {
    lit = LitBox(weston_->ReadOutput());
    return lit.width == 640 && lit.height == 480;
  })) << "lit " << lit.width << "x" << lit.height << "+" << lit.x << "+" << lit.y;
  weston_->TypeKey(XK_Return, XK_Alt_L);
  EXPECT_TRUE(LineAppears(*show_, "fullscreen 1280x720")) << show_->ErrorOutput();
  ExpectPictureWithBars(160, 960);
  ExpectEndsOnEscape();
  const std::string log = show_->ErrorOutput();
  EXPECT_NE(log.find(".set_title(\"velkor\")"), std::string::npos) << "no xdg_toplevel title velkor";
  EXPECT_NE(log.find(".set_app_id(\"velkor\")"), std::string::npos) << "no xdg_toplevel app id velkor";
  EXPECT_NE(log.find(".set_fullscreen("), std::string::npos) << "fullscreen was not asked of the compositor";
}

TEST_F(PlayerWaylandTest, WithoutAnInputSeatOrAnXServerTheStartUpFailsSayingWhy) {
  weston_ = std::make_unique<Weston>(WestonSettings{WestonBackend::Headless, 1280, 720, 1});
  ASSERT_TRUE(weston_->ready()) << weston_->Log();
  // Named, and as SDL's own choice where no X server comes first.
  for (const char* drivers : {"SDL_VIDEODRIVER=wayland", "SDL_VIDEODRIVER"}) {
    std::vector<std::string> environment = weston_->ClientEnvironment();
    environment.push_back(drivers);
    StartPlayer({}, environment);
    EXPECT_EQ(show_->WaitForExit(30), 1) << drivers << "\n" << show_->ErrorOutput();
    const std::string log = show_->ErrorOutput();
    EXPECT_NE(log.find("velkor: the Wayland compositor has no input seat"), std::string::npos) << log;
    EXPECT_NE(log.find("SDL 2.30"), std::string::npos) << log;
    EXPECT_NE(log.find("Failed To Register The Window Class."), std::string::npos) << log;
  }
}

TEST_F(PlayerWaylandTest, WithoutAnInputSeatItPlaysOnTheXServer) {
  StartWeston(WestonSettings{WestonBackend::Headless, 1280, 720, 1});
  std::vector<std::string> environment = weston_->ClientEnvironment();
  environment.push_back("DISPLAY=" + screen_->name());
  StartPlayer({}, environment);
  Display* d = screen_->display();
  const Window window = WaitForWindow(d, "velkor", 30);
  ASSERT_NE(window, 0u) << "no window titled velkor on the X server\n" << show_->ErrorOutput();
  std::string problem;
  EXPECT_TRUE(Eventually([&] { return (problem = PictureWithBarsProblem(ScreenImage(d, 0, 0, 1280, 720), 160, 960)).empty(); }))
      << problem;
  TapKey(d, window, XK_Escape, 100);
  EXPECT_EQ(show_->WaitForExit(20), 0) << show_->ErrorOutput();
  EXPECT_EQ(show_->ErrorOutput().find("Failed To Register"), std::string::npos) << show_->ErrorOutput();
}

// At output scale 2 the desktop is 640 x 360, the output 1280 x 720 pixels.
class PlayerScaledWaylandTest : public PlayerWaylandTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PlayerScaledWaylandTest, FullscreenFillsTheOutputAtItsRealPixelCount) {
  StartWeston(WestonSettings{WestonBackend::X11, 1280, 720, 2});
  StartWaylandPlayer({"--resolution", GetParam()});
  ExpectPictureWithBars(160, 960);
  // A 640 x 480 window is one of the desktop's units: twice as many pixels.
  weston_->TypeKey(XK_Return, XK_Alt_L);
  EXPECT_TRUE(LineAppears(*show_, "window 1280x960")) << show_->ErrorOutput();
  weston_->TypeKey(XK_Return, XK_Alt_L);
  EXPECT_TRUE(LineAppears(*show_, "fullscreen 1280x720")) << show_->ErrorOutput();
  ExpectPictureWithBars(160, 960);
  ExpectEndsOnEscape();
}

INSTANTIATE_TEST_SUITE_P(Resolutions, PlayerScaledWaylandTest, ::testing::Values("native", "original"));

// SDL 2 on X11 draws at the screen's pixels whatever the desktop's scale says.
TEST_F(PlayerWaylandTest, OnAnXScreenSetToDoubleScaleFullscreenCoversItsPixels) {
  screen_ = std::make_unique<VirtualDisplay>(1920, 1080);
  ASSERT_NE(screen_->display(), nullptr) << "Xvfb did not start";
  const std::string display = "DISPLAY=" + screen_->name();
  ASSERT_EQ(RunCommand("echo 'Xft.dpi: 192' | " + display + " xrdb -merge").status, 0);
  ASSERT_NE(RunCommand(display + " xrdb -query").output.find("Xft.dpi:\t192"), std::string::npos);
  StartPlayer({}, {display, "SDL_VIDEODRIVER", "WAYLAND_DISPLAY", "GDK_SCALE=2"});
  Display* d = screen_->display();
  const Window window = WaitForWindow(d, "velkor", 30);
  ASSERT_NE(window, 0u) << "no window titled velkor\n" << show_->ErrorOutput();
  std::string problem;
  const auto pictureWithBars = [&] {
    return (problem = PictureWithBarsProblem(ScreenImage(d, 0, 0, 1920, 1080), 240, 1440)).empty();
  };
  EXPECT_TRUE(Eventually(pictureWithBars)) << problem;
  SendKey(d, window, XK_Return, XK_Alt_L);
  EXPECT_TRUE(LineAppears(*show_, "window 640x480")) << show_->ErrorOutput();
  SendKey(d, window, XK_Return, XK_Alt_L);
  EXPECT_TRUE(LineAppears(*show_, "fullscreen 1920x1080")) << show_->ErrorOutput();
  EXPECT_TRUE(Eventually(pictureWithBars)) << problem;
  TapKey(d, window, XK_Escape, 100);
  EXPECT_EQ(show_->WaitForExit(20), 0) << show_->ErrorOutput();
}

}  // namespace
}  // namespace velkor
