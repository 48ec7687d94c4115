// A Wayland compositor of the tests' own: Weston nested in a private X server
// (its x11 backend, drawing with pixman, its output a window on that server),
// or headless (no output window and no input seat at all). It has its own
// runtime directory and weston.ini (no panel, black background, no
// animations), and tests reach its clients through its X window: keys typed
// with XTest go to the surface Weston has focused, and its output's pixels are
// the window's.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "support/tool_support.h"
#include "support/virtual_display.h"

namespace velkor::test {

bool WestonInstalled();

enum class WestonBackend { X11, Headless };

struct WestonSettings {
  WestonBackend backend = WestonBackend::X11;
  int width = 1280, height = 720;  // the output's real pixels
  int scale = 1;                   // the desktop is width / scale x height / scale
};

class Weston {
 public:
  // On the x11 backend its output window goes on x (at the screen's origin,
  // there being no window manager); headless needs none. It waits up to 10 s
  // for Weston to answer; ready() says whether it did.
  explicit Weston(const WestonSettings& settings, const VirtualDisplay* x = nullptr);
  ~Weston();
  Weston(const Weston&) = delete;
  Weston& operator=(const Weston&) = delete;

  bool ready() const { return ready_; }
  // The socket's full path, as WAYLAND_DISPLAY accepts it.
  const std::string& socket() const { return socket_; }
  // Its output window on the X server; 0 when headless.
  Window outputWindow() const { return outputWindow_; }
  // For a program that is to be Weston's client alone: its socket and
  // runtime directory, SDL's Wayland driver, and no X server.
  std::vector<std::string> ClientEnvironment() const;
  std::string Log() const;

  // Types keysym (with modifierKeysym held around it when not 0) as a person
  // does, with XTest. The output window holds the X input focus (given when
  // Weston starts, given again only where something took it), so the keys go
  // to Weston wherever the pointer is, and Weston hands them to the surface it
  // activated last.
  void TypeKey(unsigned long keysym, unsigned long modifierKeysym = 0, int holdMs = 60);
  // The output's pixels.
  Image ReadOutput() const;

 private:
  void FocusOutputWindow();

  TempDir dir_;
  const VirtualDisplay* x_ = nullptr;
  WestonSettings settings_;
  std::string socket_;
  std::unique_ptr<ChildProcess> process_;
  Window outputWindow_ = 0;
  bool ready_ = false;
};

}  // namespace velkor::test
