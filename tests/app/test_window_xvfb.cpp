// The show in a real window on a virtual X display: it opens its 640 x 480
// window, presents frames, and ends with status 0 on Escape and on window close.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/test_files.h"
#include "music/test_music_tone.h"

// Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace velkor {
namespace {

using Clock = std::chrono::steady_clock;

// An Xvfb server on a display number of its own for the life of the object.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    name_ = ":" + std::to_string(90 + getpid() % 400);
    pid_ = fork();
    if (pid_ == 0) {
      execlp("Xvfb", "Xvfb", name_.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", (char*)nullptr);
      _exit(127);
    }
    for (int i = 0; i < 100 && !display_; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      display_ = XOpenDisplay(name_.c_str());
    }
  }
  ~VirtualDisplay() {
    if (display_) XCloseDisplay(display_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  Display* display() const { return display_; }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  pid_t pid_ = -1;
  Display* display_ = nullptr;
};

Window FindWindowNamed(Display* d, Window w, const char* title) {
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    const bool match = std::string(name) == title;
    XFree(name);
    if (match) return w;
  }
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; ++i) found = FindWindowNamed(d, children[i], title);
    if (children) XFree(children);
  }
  return found;
}

// The show as a child process on the virtual display, in a directory with music.
class ShowProcess {
 public:
  ShowProcess(const std::string& displayName, const std::string& dir) {
    const std::string show = test::ProgramPath("VELKOR_SHOW");
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(dir.c_str()) != 0) _exit(126);
      setenv("DISPLAY", displayName.c_str(), 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      unsetenv("SDL_VIDEODRIVER");
      execl(show.c_str(), show.c_str(), "--windowed", (char*)nullptr);
      _exit(127);
    }
  }
  ~ShowProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  // Exit status, or -1 when it has not ended within the time given.
  int WaitForExit(int seconds) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "Xvfb is not installed";
    display_ = std::make_unique<VirtualDisplay>();
    ASSERT_NE(display_->display(), nullptr) << "Xvfb did not start";
    dir_.Write("mirok6.mp3", test::EncodeToneMp3(30.0, 44100, 2));
    show_ = std::make_unique<ShowProcess>(display_->name(), dir_.path());
    Display* d = display_->display();
    const auto end = Clock::now() + std::chrono::seconds(30);
    while (!window_ && Clock::now() < end) {
      window_ = FindWindowNamed(d, DefaultRootWindow(d), "velkor");
      if (!window_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(window_, 0u) << "no window titled velkor appeared";
  }

  // Waits until the window shows the first scene's sky, i.e. frames are presented.
  bool SkyIsShown() {
    Display* d = display_->display();
    const auto end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < end) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(d, window_, &attributes) && attributes.map_state == IsViewable) {
        XImage* image = XGetImage(d, window_, 320, 240, 1, 1, AllPlanes, ZPixmap);
        if (image) {
          const unsigned long pixel = XGetPixel(image, 0, 0);
          XDestroyImage(image);
          const int r = (pixel >> 16) & 255, g = (pixel >> 8) & 255, b = pixel & 255;
          // Scene 0 with no data: the clear colour (0.05, 0.58, 0.84) under fog.
          if (b > 150 && g > 100 && r < 60) return true;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  test::TempDir dir_;
  std::unique_ptr<VirtualDisplay> display_;
  std::unique_ptr<ShowProcess> show_;
  Window window_ = 0;
};

TEST_F(WindowTest, OpensAtSixFortyByFourEightyAndPresentsFrames) {
  Display* d = display_->display();
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(d, window_, &attributes));
  EXPECT_EQ(attributes.width, 640);
  EXPECT_EQ(attributes.height, 480);
  EXPECT_TRUE(SkyIsShown());
}

TEST_F(WindowTest, EscapeEndsTheShowWithStatusZero) {
  ASSERT_TRUE(SkyIsShown());
  Display* d = display_->display();
  XKeyEvent key{};
  key.display = d;
  key.window = window_;
  key.root = DefaultRootWindow(d);
  key.keycode = XKeysymToKeycode(d, XK_Escape);
  key.same_screen = True;
  XSetInputFocus(d, window_, RevertToParent, CurrentTime);
  key.type = KeyPress;
  XSendEvent(d, window_, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
  XFlush(d);
  EXPECT_EQ(show_->WaitForExit(20), 0);
}

TEST_F(WindowTest, ClosingTheWindowEndsTheShowWithStatusZero) {
  ASSERT_TRUE(SkyIsShown());
  Display* d = display_->display();
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window_;
  close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window_, False, NoEventMask, &close);
  XFlush(d);
  EXPECT_EQ(show_->WaitForExit(20), 0);
}

}  // namespace
}  // namespace velkor
