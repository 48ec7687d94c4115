// The show in a real window on a virtual X display: it opens its 640 x 480
// window, presents frames, and ends with status 0 on Escape and on window close.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "music/test_music_tone.h"
#include "support/test_files.h"
#include "support/virtual_display.h"
#include <X11/keysym.h>

namespace velkor {
namespace {

using namespace velkor::test;

// Scene 0 with no data: the clear colour (0.05, 0.58, 0.84) under fog.
bool SkyIsShown(Display* d, Window w) {
  for (int i = 0; i < 300; ++i) {
    const WindowBox box = WindowGeometry(d, w);
    const std::vector<int> rgb = ScreenPixel(d, box.x + 320, box.y + 240);
    if (rgb[2] > 150 && rgb[1] > 100 && rgb[0] < 60) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

TEST(WindowTest, OpensAt640x480PresentsFramesAndEndsWithStatusZero) {
  if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  VirtualDisplay screen;
  Display* d = screen.display();
  ASSERT_NE(d, nullptr) << "Xvfb did not start";
  TempDir dir;
  dir.Write("mirok6.mp3", EncodeToneMp3(30.0, 44100, 2));
  const struct {
    const char* name;
    void (*end)(Display*, Window);
  } endings[] = {{"Escape", [](Display* x, Window w) { PressKey(x, w, XK_Escape); }}, {"closing the window", RequestClose}};
  for (const auto& e : endings) {
    ChildProcess show(ProgramPath("VELKOR_SHOW"), {"--windowed"},
                      {"DISPLAY=" + screen.name(), "SDL_AUDIODRIVER=dummy", "SDL_VIDEODRIVER"}, dir.path());
    const Window w = WaitForWindow(d, "velkor", 30);
    ASSERT_NE(w, 0u) << e.name << ": no window titled velkor appeared";
    const WindowBox box = WindowGeometry(d, w);
    EXPECT_EQ(box.width * 10000 + box.height, 6400480) << e.name;
    ASSERT_TRUE(SkyIsShown(d, w)) << e.name << ": no frame was presented";
    e.end(d, w);
    EXPECT_EQ(show.WaitForExit(20), 0) << e.name;
  }
}

}  // namespace
}  // namespace velkor
