// A private X server (Xvfb) for tests that watch the show in a real window,
// the show run as a child process on it, and what the tests read and send:
// window geometry, pixels, the cursor, key presses.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/tool_support.h"

// Xlib's macros (None, Bool, Status) clash with other headers: include this last.
#include <X11/Xlib.h>

namespace velkor::test {

// Polls for up to 10 s: what a test waits for on a display comes when the
// show has drawn it.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 100; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

bool XvfbInstalled();

// Which fonts the server offers: the installed X fonts, as a desktop has, or
// only the server's built-in ones, with which SDL cannot draw a message box.
enum class ServerFonts { Installed, BuiltInOnly };

class VirtualDisplay {
 public:
  VirtualDisplay(int width = 1024, int height = 768, ServerFonts fonts = ServerFonts::Installed);
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  Display* display() const { return display_; }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  pid_t pid_ = -1;
  Display* display_ = nullptr;
};

// A program started with arguments and extra environment ("NAME=value"; a
// bare "NAME" unsets it) in directory dir; its standard error goes to a file.
// It leads a process group of its own, and the whole group is killed when the
// object goes: a message box that SDL draws in a forked child cannot outlive
// the test and hold its output open.
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment, const std::string& dir);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Exit status, 128 + N when ended by signal N, or -1 when it has not ended
  // within the time given (0: whether it has ended already).
  int WaitForExit(int seconds);
  void Signal(int signal);
  std::string ErrorOutput() const;

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
  std::string errorFile_;
};

// The top-level window with this title, waiting up to `seconds` for it; 0 if none.
Window WaitForWindow(Display* d, const char* title, int seconds);
// Whether no such window is left, waiting up to `seconds` for it to go.
bool WaitForNoWindow(Display* d, const char* title, int seconds);

struct WindowBox {
  int x = 0, y = 0, width = 0, height = 0;  // in root coordinates
};
WindowBox WindowGeometry(Display* d, Window w);

// {r, g, b} of a pixel of the screen (root window coordinates).
std::vector<int> ScreenPixel(Display* d, int x, int y);
// The screen's pixels in the box (root window coordinates); empty when the
// box is not on the screen.
Image ScreenImage(Display* d, int x, int y, int width, int height);

// Presses and releases keysym on the window; with modifierKeysym (e.g. XK_Alt_L)
// held around it when not 0.
void SendKey(Display* d, Window w, unsigned long keysym, unsigned long modifierKeysym = 0);
// Presses keysym and keeps it down (the show reads Escape as a held key).
void PressKey(Display* d, Window w, unsigned long keysym);

// Presses, holds for `ms` and releases keysym, as a person's short tap does.
void TapKey(Display* d, Window w, unsigned long keysym, int ms);

// Presses keysym (with modifierKeysym held around it when not 0), holds it for
// holdMs and releases it through XTest, as the keyboard does: to whichever
// window has the focus. Programs that read the keyboard's state as well as its
// events (Wine, a nested compositor) see only keys typed this way.
void FakeKeyTap(Display* d, unsigned long keysym, unsigned long modifierKeysym, int holdMs);

// Waits up to `seconds` for a top-level window captioned `caption` (a message
// box) and answers it with Return; false if none appeared.
bool AnswerBox(Display* d, const char* caption, int seconds);

// Asks the window to close, as a window manager's close button does.
void RequestClose(Display* d, Window w);

// Whether the cursor over the window is drawn (any non-transparent pixel).
bool CursorVisible(Display* d, Window w);

}  // namespace velkor::test
