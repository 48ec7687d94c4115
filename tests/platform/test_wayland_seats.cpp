// The compositor's seats as the window's start-up asks for them, on real
// Weston compositors: nested in Xvfb (a seat with keyboard and pointer) and
// headless (no seat at all, where SDL's own Wayland start-up crashes); and the
// start-up that goes to X11 or refuses there instead.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/sdl/video_driver.h"
#include "platform/window.h"
#include "support/weston.h"

namespace velkor {
namespace {

using namespace velkor::test;

// Sets ("NAME=value") or unsets ("NAME") variables of this process until it goes.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const std::vector<std::string>& changes) {
    for (const std::string& change : changes) {
      const std::size_t eq = change.find('=');
      const std::string name = change.substr(0, eq);
      const char* before = std::getenv(name.c_str());
      saved_.push_back({name, before != nullptr, before ? before : ""});
      if (eq == std::string::npos) unsetenv(name.c_str());
      else setenv(name.c_str(), change.substr(eq + 1).c_str(), 1);
    }
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->was) setenv(it->name.c_str(), it->value.c_str(), 1);
      else unsetenv(it->name.c_str());
    }
  }

 private:
  struct Saved {
    std::string name;
    bool was;
    std::string value;
  };
  std::vector<Saved> saved_;
};

bool SdlCopesWithoutSeat() {
  SDL_version linked;
  SDL_GetVersion(&linked);
  return linked.major > 2 || (linked.major == 2 && linked.minor >= 30);
}

class WaylandSeatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!WestonInstalled()) GTEST_SKIP() << "weston is not installed";
    if (!XvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  }
  // Weston on its x11 backend in a private Xvfb.
  void StartNested() {
    screen_ = std::make_unique<VirtualDisplay>(800, 600);
    ASSERT_NE(screen_->display(), nullptr) << "Xvfb did not start";
    weston_ = std::make_unique<Weston>(WestonSettings{WestonBackend::X11, 800, 600, 1}, screen_.get());
    ASSERT_TRUE(weston_->ready()) << weston_->Log();
  }
  // Headless Weston, with a private Xvfb beside it when an X server is wanted.
  void StartHeadless(bool withX) {
    if (withX) {
      screen_ = std::make_unique<VirtualDisplay>(800, 600);
      ASSERT_NE(screen_->display(), nullptr) << "Xvfb did not start";
    }
    weston_ = std::make_unique<Weston>(WestonSettings{WestonBackend::Headless, 800, 600, 1});
    ASSERT_TRUE(weston_->ready()) << weston_->Log();
  }
  // SDL's start-up alone, as a child with the compositor's environment.
  int SdlAlone(std::string* output) {
    std::vector<std::string> environment = weston_->ClientEnvironment();
    if (screen_) environment.push_back("DISPLAY=" + screen_->name());
    ChildProcess sdl(VELKOR_SDL_VIDEO_START_PATH, {}, environment, dir_.path());
    const int status = sdl.WaitForExit(30);
    *output = sdl.ErrorOutput();
    return status;
  }

  TempDir dir_;
  std::unique_ptr<VirtualDisplay> screen_;
  std::unique_ptr<Weston> weston_;
};

TEST_F(WaylandSeatsTest, ANestedWestonHasASeatWithKeyboardAndPointer) {
  StartNested();
  ScopedEnvironment environment(weston_->ClientEnvironment());
  const WaylandSeats seats = ProbeWaylandSeats();
  EXPECT_TRUE(seats.reached);
  EXPECT_EQ(seats.seats, 1);
  EXPECT_TRUE(seats.keyboard);
  EXPECT_TRUE(seats.pointer);
}

TEST_F(WaylandSeatsTest, AHeadlessWestonHasNoSeat) {
  StartHeadless(false);
  ScopedEnvironment environment(weston_->ClientEnvironment());
  const WaylandSeats seats = ProbeWaylandSeats();
  EXPECT_TRUE(seats.reached);
  EXPECT_EQ(seats.seats, 0);
  EXPECT_FALSE(seats.keyboard);
  EXPECT_FALSE(seats.pointer);
}

TEST_F(WaylandSeatsTest, NoCompositorIsNotReachedAndAHandedOverSocketIsLeftAlone) {
  StartNested();
  {
    ScopedEnvironment environment({"WAYLAND_DISPLAY=" + dir_.path() + "/nobody-listens", "WAYLAND_SOCKET"});
    EXPECT_FALSE(ProbeWaylandSeats().reached);
  }
  {
    // Nowhere to look for a socket: SDL's own attempt says so, not a second one.
    ScopedEnvironment environment({"WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "WAYLAND_SOCKET"});
    const std::string said = dir_.path() + "/said.txt";
    std::fflush(stderr);
    const int saved = dup(2);
    ASSERT_TRUE(std::freopen(said.c_str(), "w", stderr));
    const bool reached = ProbeWaylandSeats().reached;
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    EXPECT_FALSE(reached);
    const std::vector<std::uint8_t> text = ReadFileBytes(said);
    EXPECT_TRUE(text.empty()) << std::string(text.begin(), text.end());
  }
  // One client only may take such a connection: SDL's, not the probe's.
  ScopedEnvironment environment(weston_->ClientEnvironment());
  ScopedEnvironment handedOver({"WAYLAND_SOCKET=9"});
  EXPECT_FALSE(ProbeWaylandSeats().reached);
  EXPECT_STREQ(std::getenv("WAYLAND_SOCKET"), "9") << "the variable is SDL's to take";
}

// Why the start-up looks first: SDL alone crashes where there is no seat.
TEST_F(WaylandSeatsTest, SdlAloneCrashesOnTheHeadlessWestonAndStartsOnTheNestedOne) {
  std::string output;
  StartHeadless(false);
  const int headless = SdlAlone(&output);
  if (SdlCopesWithoutSeat()) EXPECT_EQ(headless, 0) << output;
  else EXPECT_EQ(headless, 128 + SIGSEGV) << output;
  weston_.reset();
  StartNested();
  EXPECT_EQ(SdlAlone(&output), 0) << output;
  EXPECT_NE(output.find("wayland"), std::string::npos) << output;
}

TEST_F(WaylandSeatsTest, WithoutASeatTheStartUpTakesX11WhereThereIsAnXServer) {
  if (SdlCopesWithoutSeat()) GTEST_SKIP() << "this SDL starts without a seat: nothing to go round";
  StartHeadless(true);
  std::vector<std::string> changes = weston_->ClientEnvironment();
  changes.push_back("DISPLAY=" + screen_->name());
  ScopedEnvironment environment(changes);
  EXPECT_STREQ(PlatformVideoDriverName(), "none");
  ASSERT_EQ(PlatformInitVideo(nullptr), WindowResult::Ok);
  EXPECT_STREQ(PlatformVideoDriverName(), "x11");
  EXPECT_NE(std::string(PlatformVideoDriverNote()).find("no input seat"), std::string::npos)
      << PlatformVideoDriverNote();
  PlatformCloseWindow();
  EXPECT_STREQ(PlatformVideoDriverName(), "none");
}

TEST_F(WaylandSeatsTest, WithoutASeatOrAnXServerTheStartUpFailsSayingWhy) {
  if (SdlCopesWithoutSeat()) GTEST_SKIP() << "this SDL starts without a seat: nothing to refuse";
  StartHeadless(false);
  for (const char* drivers : {"SDL_VIDEODRIVER=wayland", "SDL_VIDEODRIVER"}) {
    std::vector<std::string> changes = weston_->ClientEnvironment();
    changes.push_back(drivers);
    ScopedEnvironment environment(changes);
    EXPECT_EQ(PlatformInitVideo(nullptr), WindowResult::VideoUnavailable) << drivers;
    EXPECT_STREQ(PlatformVideoDriverName(), "none");
    EXPECT_NE(std::string(PlatformVideoDriverNote()).find("no input seat"), std::string::npos)
        << PlatformVideoDriverNote();
  }
}

TEST_F(WaylandSeatsTest, WithASeatTheStartUpTakesWaylandAndSaysNothing) {
  StartNested();
  ScopedEnvironment environment(weston_->ClientEnvironment());
  ASSERT_EQ(PlatformInitVideo(nullptr), WindowResult::Ok);
  EXPECT_STREQ(PlatformVideoDriverName(), "wayland");
  EXPECT_STREQ(PlatformVideoDriverNote(), "");
  PlatformCloseWindow();
}

}  // namespace
}  // namespace velkor
