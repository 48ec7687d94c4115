// The show in a real window on a virtual X display: it opens its 640 x 480
// window, presents frames, and ends with status 0 on Escape and on window close.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "support/test_files.h"
#include "music/test_music_tone.h"

// Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace velkor {
namespace {

// Polls every 50 ms until done() or the time runs out.
bool WaitFor(const std::function<bool()>& done, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// A child process running execInChild, stopped by stopSignal if still running at the end.
struct Child {
  Child(const std::function<void()>& execInChild, int stopSignal = SIGKILL) : pid(fork()), stop(stopSignal) {
    if (pid == 0) execInChild(), _exit(127);
  }
  ~Child() {
    if (pid > 0) kill(pid, stop), waitpid(pid, nullptr, 0);
  }
  // Exit status, or -1 when it has not ended within the time given.
  int WaitForExit(int seconds) {
    int raw = 0;
    if (!WaitFor([&] { return waitpid(pid, &raw, WNOHANG) == pid; }, seconds)) return -1;
    pid = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  pid_t pid;
  int stop;
};

// The show's window among the top-level windows (Xvfb runs no window manager).
Window FindShowWindow(Display* d) {
  Window root, parent, *children = nullptr, found = 0;
  unsigned count = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    char* name = nullptr;
    if (XFetchName(d, children[i], &name) && name) found = std::string(name) == "velkor" ? children[i] : 0, XFree(name);
  }
  if (children) XFree(children);
  return found;
}

// Scene 0 with no data: the clear colour (0.05, 0.58, 0.84) under fog.
bool SkyIsShown(Display* d, Window w) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(d, w, &attributes) || attributes.map_state != IsViewable) return false;
  XImage* image = XGetImage(d, w, 320, 240, 1, 1, AllPlanes, ZPixmap);
  if (!image) return false;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  const int r = (pixel >> 16) & 255, g = (pixel >> 8) & 255, b = pixel & 255;
  return b > 150 && g > 100 && r < 60;
}

void PressEscape(Display* d, Window w) {
  XKeyEvent key{};
  key.display = d;
  key.window = w;
  key.root = DefaultRootWindow(d);
  key.keycode = XKeysymToKeycode(d, XK_Escape);
  key.same_screen = True;
  key.type = KeyPress;
  XSetInputFocus(d, w, RevertToParent, CurrentTime);
  XSendEvent(d, w, True, KeyPressMask, reinterpret_cast<XEvent*>(&key));
}

void CloseWindow(Display* d, Window w) {
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = w;
  close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &close);
}

TEST(WindowTest, OpensAt640x480PresentsFramesAndEndsWithStatusZero) {
  if (system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "Xvfb is not installed";
  const std::string displayName = ":" + std::to_string(90 + getpid() % 400);
  Child xvfb([&] {
    execlp("Xvfb", "Xvfb", displayName.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", (char*)nullptr);
  }, SIGTERM);
  Display* d = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (d = XOpenDisplay(displayName.c_str())) != nullptr; }, 5)) << "Xvfb did not start";
  test::TempDir dir;
  dir.Write("mirok6.mp3", test::EncodeToneMp3(30.0, 44100, 2));
  const std::string show = test::ProgramPath("VELKOR_SHOW");
  const struct {
    const char* name;
    void (*end)(Display*, Window);
  } endings[] = {{"Escape", PressEscape}, {"closing the window", CloseWindow}};
  for (const auto& e : endings) {
    ASSERT_TRUE(WaitFor([&] { return FindShowWindow(d) == 0; }, 10)) << "the window of the last run stays";
    Child velkor([&] {
      if (chdir(dir.path().c_str()) != 0) return;
      setenv("DISPLAY", displayName.c_str(), 1);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      unsetenv("SDL_VIDEODRIVER");
      execl(show.c_str(), show.c_str(), "--windowed", (char*)nullptr);
    });
    Window w = 0;
    ASSERT_TRUE(WaitFor([&] { return (w = FindShowWindow(d)) != 0; }, 30))
        << e.name << ": no window titled velkor appeared";
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(d, w, &attributes));
    EXPECT_EQ(attributes.width, 640) << e.name;
    EXPECT_EQ(attributes.height, 480) << e.name;
    ASSERT_TRUE(WaitFor([&] { return SkyIsShown(d, w); }, 30)) << e.name << ": no frame was presented";
    e.end(d, w);
    XFlush(d);
    EXPECT_EQ(velkor.WaitForExit(20), 0) << e.name;
  }
  XCloseDisplay(d);
}

}  // namespace
}  // namespace velkor
