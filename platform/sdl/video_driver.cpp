// The choice of SDL video driver, and the Wayland compositor's seats asked
// before SDL meets them.
#include "platform/sdl/video_driver.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#ifdef VELKOR_HAVE_WAYLAND_CLIENT
#include <wayland-client.h>
#endif

namespace velkor {

namespace {

#ifdef VELKOR_HAVE_WAYLAND_CLIENT
struct ProbeState {
  WaylandSeats result;
  wl_seat* seats[8] = {};
  int bound = 0;
};

void SeatCapabilities(void* data, wl_seat*, uint32_t capabilities) {
  ProbeState* probe = static_cast<ProbeState*>(data);
  if (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) probe->result.keyboard = true;
  if (capabilities & WL_SEAT_CAPABILITY_POINTER) probe->result.pointer = true;
}

void SeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener seatListener = {SeatCapabilities, SeatName};

void RegistryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  ProbeState* probe = static_cast<ProbeState*>(data);
  if (std::strcmp(interface, wl_seat_interface.name) != 0) return;
  ++probe->result.seats;
  if (probe->bound == 8) return;
  // Version 1 already sends the capabilities.
  wl_seat* seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  wl_seat_add_listener(seat, &seatListener, probe);
  probe->seats[probe->bound++] = seat;
}

void RegistryGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {RegistryGlobal, RegistryGlobalRemove};
#endif

// SDL compares each name of the list with the start of its drivers' names,
// ignoring case.
bool NamesDriver(const char* entry, std::size_t length, const char* driver) {
  return length > 0 && length <= std::strlen(driver) && strncasecmp(driver, entry, length) == 0;
}

}  // namespace

WaylandSeats ProbeWaylandSeats() {
  WaylandSeats none;
#ifdef VELKOR_HAVE_WAYLAND_CLIENT
  const char* handedOver = std::getenv("WAYLAND_SOCKET");
  if (handedOver && *handedOver) return none;
  // A socket's name is looked for in the runtime directory: without one the
  // library would complain on standard error, as it does again for SDL.
  const char* name = std::getenv("WAYLAND_DISPLAY");
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (!(name && name[0] == '/') && !(runtimeDir && *runtimeDir)) return none;
  wl_display* display = wl_display_connect(nullptr);
  if (!display) return none;
  ProbeState probe;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registryListener, &probe);
  // The first round trip brings the globals, the second the seats' capabilities.
  const bool answered = wl_display_roundtrip(display) >= 0 && wl_display_roundtrip(display) >= 0;
  for (int i = 0; i < probe.bound; ++i) wl_seat_destroy(probe.seats[i]);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  if (!answered) return none;
  probe.result.reached = true;
  return probe.result;
#else
  return none;
#endif
}

bool SdlWouldPickWayland(const VideoDriverInputs& inputs) {
  const char* list = inputs.drivers;
  if (!list || !*list) return !inputs.x11Display;
  // Tried in order until one starts; the drivers SDL 2 on Linux knows besides.
  while (*list) {
    const char* end = std::strchr(list, ',');
    const std::size_t length = end ? static_cast<std::size_t>(end - list) : std::strlen(list);
    if (NamesDriver(list, length, "x11")) {
      if (inputs.x11Display) return false;
    } else if (NamesDriver(list, length, "wayland")) {
      return true;
    } else if (NamesDriver(list, length, "kmsdrm") || NamesDriver(list, length, "offscreen") ||
               NamesDriver(list, length, "dummy") || NamesDriver(list, length, "evdev")) {
      return false;
    }
    if (!end) break;
    list = end + 1;
  }
  return false;
}

VideoDriverChoice ChooseVideoDriver(const VideoDriverInputs& inputs, WaylandSeats (*probe)()) {
  VideoDriverChoice choice;
  const bool copes = inputs.sdlMajor > 2 || (inputs.sdlMajor == 2 && inputs.sdlMinor >= 30);
  if (copes || !SdlWouldPickWayland(inputs)) return choice;
  const WaylandSeats seats = probe();
  // Where no compositor answers, SDL's Wayland driver does not start either.
  if (!seats.reached || seats.seats > 0) return choice;
  const std::string sdl = "SDL " + std::to_string(inputs.sdlMajor) + "." + std::to_string(inputs.sdlMinor) + "." +
                          std::to_string(inputs.sdlPatch);
  if (inputs.x11Display) {
    choice.driver = "x11";
    choice.note = "the Wayland compositor has no input seat, on which " + sdl + " crashes (2.30 copes)";
    return choice;
  }
  choice.refused = true;
  choice.note = "the Wayland compositor has no input seat (no keyboard, no pointer), and " + sdl +
                " crashes starting on such a compositor; SDL 2.30 or later copes, and with an X server (DISPLAY) "
                "the player uses that instead";
  return choice;
}

}  // namespace velkor
