// Xvfb, child processes and X queries for the window tests.
#include "support/virtual_display.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace velkor::test {

namespace {

using Clock = std::chrono::steady_clock;

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// In a child just forked: it is ended when the test program goes, also by a
// crash that runs no destructor, so that no server is left behind.
void LeaveWithTheTests(pid_t tests) {
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != tests) _exit(125);
}

Window FindWindowNamed(Display* d, Window w, const char* title) {
  // WM_NAME as any encoding: SDL's message boxes set it as UTF8_STRING, which
  // XFetchName does not read.
  XTextProperty name{};
  if (XGetWMName(d, w, &name) && name.value) {
    const bool match = std::string(reinterpret_cast<const char*>(name.value), name.nitems) == title;
    XFree(name.value);
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

void SendKeyEvent(Display* d, Window w, unsigned long keysym, int type, unsigned state) {
  XKeyEvent key{};
  key.display = d;
  key.window = w;
  key.root = DefaultRootWindow(d);
  key.keycode = XKeysymToKeycode(d, keysym);
  key.state = state;
  key.same_screen = True;
  key.type = type;
  XSendEvent(d, w, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, reinterpret_cast<XEvent*>(&key));
}

}  // namespace

bool XvfbInstalled() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

VirtualDisplay::VirtualDisplay(int width, int height, ServerFonts fonts) {
  static int serial = 0;
  name_ = ":" + std::to_string(100 + (getpid() * 7 + serial++) % 800);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const pid_t tests = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    LeaveWithTheTests(tests);
    const char* fontPath = fonts == ServerFonts::BuiltInOnly ? "built-ins" : nullptr;
    execlp("Xvfb", "Xvfb", name_.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
           fontPath ? "-fp" : (char*)nullptr, fontPath, (char*)nullptr);
    _exit(127);
  }
  // Windows come and go under the tests' queries (a box answered, a window
  // remade); a query of one just gone is no reason to end the test program.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  for (int i = 0; i < 100 && !display_; ++i) {
    Pause(50);
    display_ = XOpenDisplay(name_.c_str());
  }
}

VirtualDisplay::~VirtualDisplay() {
  if (display_) XCloseDisplay(display_);
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& environment, const std::string& dir) {
  errorFile_ = dir + "/stderr.txt";
  const pid_t tests = getpid();
  pid_ = fork();
  if (pid_ > 0) setpgid(pid_, pid_);  // both sides, so neither can run ahead of it
  if (pid_ != 0) return;
  setpgid(0, 0);
  LeaveWithTheTests(tests);
  if (chdir(dir.c_str()) != 0) _exit(126);
  for (const std::string& e : environment) {
    const std::size_t eq = e.find('=');
    if (eq == std::string::npos) unsetenv(e.c_str());
    else setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
  }
  if (!freopen(errorFile_.c_str(), "w", stderr)) _exit(126);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGKILL);  // what the program left running too, such as a box's child
  if (!exited_) waitpid(pid_, nullptr, 0);
}

int ChildProcess::WaitForExit(int seconds) {
  if (exited_) return status_;
  // Looked at once at least: 0 s asks whether it has ended already.
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  do {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exited_ = true;
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return status_;
    }
    if (seconds > 0) Pause(20);
  } while (Clock::now() < end);
  return -1;
}

void ChildProcess::Signal(int signal) {
  if (pid_ > 0 && !exited_) kill(pid_, signal);
}

std::string ChildProcess::ErrorOutput() const {
  std::ifstream in(errorFile_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

Window WaitForWindow(Display* d, const char* title, int seconds) {
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  Window w = FindWindowNamed(d, DefaultRootWindow(d), title);
  while (!w && Clock::now() < end) {
    Pause(50);
    w = FindWindowNamed(d, DefaultRootWindow(d), title);
  }
  return w;
}

bool WaitForNoWindow(Display* d, const char* title, int seconds) {
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  bool gone = FindWindowNamed(d, DefaultRootWindow(d), title) == 0;
  while (!gone && Clock::now() < end) {
    Pause(20);
    gone = FindWindowNamed(d, DefaultRootWindow(d), title) == 0;
  }
  return gone;
}

WindowBox WindowGeometry(Display* d, Window w) {
  WindowBox box;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(d, w, &attributes)) return box;
  Window child;
  XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &box.x, &box.y, &child);
  box.width = attributes.width;
  box.height = attributes.height;
  return box;
}

std::vector<int> ScreenPixel(Display* d, int x, int y) {
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return {-1, -1, -1};
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return {static_cast<int>((pixel >> 16) & 255), static_cast<int>((pixel >> 8) & 255), static_cast<int>(pixel & 255)};
}

Image ScreenImage(Display* d, int x, int y, int width, int height) {
  Image picture;
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, width, height, AllPlanes, ZPixmap);
  if (!image) return picture;
  picture.width = width;
  picture.height = height;
  picture.rgb.reserve(static_cast<std::size_t>(width) * height * 3);
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column) {
      const unsigned long pixel = XGetPixel(image, column, row);
      picture.rgb.push_back(static_cast<std::uint8_t>((pixel >> 16) & 255));
      picture.rgb.push_back(static_cast<std::uint8_t>((pixel >> 8) & 255));
      picture.rgb.push_back(static_cast<std::uint8_t>(pixel & 255));
    }
  XDestroyImage(image);
  return picture;
}

void SendKey(Display* d, Window w, unsigned long keysym, unsigned long modifierKeysym) {
  XSetInputFocus(d, w, RevertToParent, CurrentTime);
  const unsigned state = modifierKeysym ? Mod1Mask : 0;
  if (modifierKeysym) SendKeyEvent(d, w, modifierKeysym, KeyPress, 0);
  SendKeyEvent(d, w, keysym, KeyPress, state);
  SendKeyEvent(d, w, keysym, KeyRelease, state);
  if (modifierKeysym) SendKeyEvent(d, w, modifierKeysym, KeyRelease, state);
  XFlush(d);
}

void PressKey(Display* d, Window w, unsigned long keysym) {
  XSetInputFocus(d, w, RevertToParent, CurrentTime);
  SendKeyEvent(d, w, keysym, KeyPress, 0);
  XFlush(d);
}

void TapKey(Display* d, Window w, unsigned long keysym, int ms) {
  XSetInputFocus(d, w, RevertToParent, CurrentTime);
  SendKeyEvent(d, w, keysym, KeyPress, 0);
  XFlush(d);
  Pause(ms);
  SendKeyEvent(d, w, keysym, KeyRelease, 0);
  XFlush(d);
}

void FakeKeyTap(Display* d, unsigned long keysym, unsigned long modifierKeysym, int holdMs) {
  const unsigned modifier = modifierKeysym ? XKeysymToKeycode(d, modifierKeysym) : 0;
  const unsigned key = XKeysymToKeycode(d, keysym);
  if (modifier) XTestFakeKeyEvent(d, modifier, True, CurrentTime);
  XTestFakeKeyEvent(d, key, True, CurrentTime);
  XSync(d, False);
  Pause(holdMs);
  XTestFakeKeyEvent(d, key, False, CurrentTime);
  if (modifier) XTestFakeKeyEvent(d, modifier, False, CurrentTime);
  XSync(d, False);
}

bool AnswerBox(Display* d, const char* caption, int seconds) {
  const Window box = WaitForWindow(d, caption, seconds);
  if (!box) return false;
  // A key sent before the box is on screen may come before it listens.
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  XWindowAttributes attributes{};
  while (XGetWindowAttributes(d, box, &attributes) && attributes.map_state != IsViewable && Clock::now() < end)
    Pause(20);
  Pause(50);
  SendKey(d, box, XK_Return);
  return true;
}

void RequestClose(Display* d, Window w) {
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = w;
  close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &close);
  XFlush(d);
}

bool CursorVisible(Display* d, Window w) {
  const WindowBox box = WindowGeometry(d, w);
  XWarpPointer(d, 0, DefaultRootWindow(d), 0, 0, 0, 0, box.x + box.width / 2, box.y + box.height / 2);
  XSync(d, False);
  XFixesCursorImage* cursor = XFixesGetCursorImage(d);
  if (!cursor) return true;
  bool drawn = false;
  for (int i = 0; i < cursor->width * cursor->height && !drawn; ++i) drawn = (cursor->pixels[i] >> 24) != 0;
  XFree(cursor);
  return drawn;
}

}  // namespace velkor::test
