// The one window with its OpenGL context, its events and its buffer swap;
// or, for tests and offline rendering, a hidden context without a display.
#pragma once

#include <string>

namespace velkor {

enum class WindowResult {
  Ok,
  VideoUnavailable,   // no video system at all
  FullscreenRefused,  // a fullscreen window could not be had
  WindowFailed,
  ContextFailed,
  MakeCurrentFailed,
};

enum class PlatformEventType { Quit, KeyDown, KeyUp, Activate, Resize };

struct PlatformEvent {
  PlatformEventType type;
  int key;          // KeyDown/KeyUp: Win32 virtual-key code, always below 256
  bool minimised;   // Activate: true while the window is minimised
  int width;        // Resize: new drawable size in pixels
  int height;
};

// How the window is made; set before PlatformCreateWindow.
struct WindowPreferences {
  int display = 0;    // the monitor that fullscreen covers
  int msaa = 0;       // samples per pixel: 0 (none), 2, 4 or 8
  bool vsync = true;  // swaps wait for the display
};
void SetWindowPreferences(const WindowPreferences& preferences);

// Starts the video system: the named SDL driver, or the default one when null
// (SDL_VIDEODRIVER overrides both). Where SDL would crash starting Wayland on
// the compositor at hand, X11 is used instead when there is an X server;
// otherwise a line on standard error says why, and it fails.
WindowResult PlatformInitVideo(const char* driver);

// The driver SDL runs on ("x11", "wayland", "offscreen", ...); "none" before
// PlatformInitVideo has started one.
const char* PlatformVideoDriverName();
// Why the latest start-up did not take SDL's own choice of driver, or "".
const char* PlatformVideoDriverNote();

// Creates the window (fullscreen on the desktop's own mode when asked) with a
// double-buffered RGBA, 24-bit depth, compatibility-profile GL context made current.
WindowResult PlatformCreateWindow(const char* title, int width, int height, int colourBits, bool fullscreen,
                                  bool visible);

// A hidden context for tests and offline rendering: the offscreen driver when
// there is no display. Size is that of the default framebuffer.
bool PlatformOpenHeadless(int width, int height);

// The GL_RENDERER of a context like the window's, from a hidden window made
// and destroyed for the question, before the real window exists (its
// multisampling can depend on the answer). Empty where none can be had.
std::string PlatformProbeRenderer();

void PlatformShowWindow();

// Switches the window between fullscreen and a window of windowedWidth x
// windowedHeight at any time; the GL context stays. Fullscreen covers the
// chosen display: where nothing makes the window fill it (an X server
// without a window manager), it becomes a borderless window of the display's
// size at its origin. The mouse cursor is hidden in fullscreen only.
void PlatformSetFullscreen(bool fullscreen, int windowedWidth, int windowedHeight);
bool PlatformFullscreen();
void PlatformDrawableSize(int* width, int* height);

// At most one pending event; false when none is waiting. Events the show has
// no use for (mouse motion and the like) are consumed silently.
bool PlatformPollEvent(PlatformEvent* event);

void PlatformSwapBuffers();

// Releases context, window and video system, whatever of them exists.
void PlatformCloseWindow();

// Win32 virtual-key code for an SDL keycode (letters, digits, F1..F12, arrows,
// Page Up/Down, Home, End, Escape, Enter, Space, Tab, Backspace, Shift, Ctrl,
// Alt); 0 when it has none.
int VirtualKeyFromSdlKey(int sdlKeycode);

}  // namespace velkor
