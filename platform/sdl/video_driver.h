// Which of SDL's video drivers the window starts on: SDL's own choice, except
// where SDL's Wayland start-up would crash on the compositor at hand. SDL
// before 2.30 dereferences its seat state while starting its mouse, so a
// compositor without any input seat (a headless one, a kiosk without
// devices) ends the program with SIGSEGV before a word is said. A seat
// without keyboard or pointer is survived; only the missing seat is fatal.
#pragma once

#include <string>

namespace velkor {

// What a Wayland compositor offers for input.
struct WaylandSeats {
  bool reached = false;  // a compositor answered
  int seats = 0;
  bool keyboard = false;  // on any of its seats
  bool pointer = false;
};

// Asks the compositor SDL would connect to (WAYLAND_DISPLAY, else wayland-0)
// for its seats and their capabilities. Not reached where none listens, where
// the build has no Wayland client library, or where WAYLAND_SOCKET hands over
// a connection that only one client can take.
WaylandSeats ProbeWaylandSeats();

// What SDL's choice of driver depends on.
struct VideoDriverInputs {
  const char* drivers = nullptr;  // the list SDL goes by (SDL_VIDEODRIVER, else the caller's); null or "" for SDL's order
  bool x11Display = false;        // DISPLAY names an X server
  int sdlMajor = 0, sdlMinor = 0, sdlPatch = 0;  // the SDL linked at run time
};

struct VideoDriverChoice {
  std::string driver;   // the driver to make SDL start, or "" to leave its choice alone
  std::string note;     // why SDL's choice was changed or refused; "" when it was not
  bool refused = false;  // no driver SDL can start on: the start-up fails
};

// Whether SDL's video start-up would pick its Wayland driver: first in the
// list, or, with no list, no X server to take first (SDL 2 tries X11 before
// Wayland).
bool SdlWouldPickWayland(const VideoDriverInputs& inputs);

// SDL's choice, changed where it would crash: X11 instead when an X server is
// there, otherwise refused. The compositor is asked (through probe) only when
// SDL would pick Wayland and is older than 2.30.
VideoDriverChoice ChooseVideoDriver(const VideoDriverInputs& inputs, WaylandSeats (*probe)());

}  // namespace velkor
