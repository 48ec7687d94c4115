// Window, context, events and swap on SDL2.
#include "platform/window.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#ifdef VELKOR_HAVE_X11
#include <X11/Xlib.h>
#endif

#include <cstdlib>
#include <string>

#include "platform/gl.h"
#include "platform/log.h"
#include "platform/sdl/video_driver.h"

namespace velkor {

namespace {

struct WindowState {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool videoStarted = false;
  bool driverRequested = false;  // by the caller or SDL_VIDEODRIVER, not SDL's own fallback
  bool unseen = false;           // a driver that shows nothing (offscreen, dummy)
  std::string driverNote;  // why SDL's own choice of driver was not taken
  bool fullscreen = false;
  bool filledByHand = false;  // fullscreen as a borderless window of the display's size
  WindowPreferences preferences;
};
WindowState state;

SDL_Rect DisplayBounds() {
  SDL_Rect bounds{0, 0, 0, 0};
  int display = state.preferences.display;
  if (display < 0 || display >= SDL_GetNumVideoDisplays()) display = 0;
  SDL_GetDisplayBounds(display, &bounds);
  return bounds;
}

// The window's size as the display server has it. SDL reports the size it
// asked for, which without a window manager is not what the window became.
bool ServerWindowSize(int* width, int* height) {
#ifdef VELKOR_HAVE_X11
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(state.window, &info) && info.subsystem == SDL_SYSWM_X11) {
    XWindowAttributes attributes;
    XSync(info.info.x11.display, False);
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes)) {
      *width = attributes.width;
      *height = attributes.height;
      return true;
    }
  }
#endif
  SDL_GetWindowSize(state.window, width, height);
  return true;
}

// Waits up to half a second for a window manager to make the window fill
// the display.
bool WindowFillsDisplay(const SDL_Rect& bounds) {
  for (int wait = 0; wait < 50; ++wait) {
    SDL_PumpEvents();
    int width = 0, height = 0;
    ServerWindowSize(&width, &height);
    if (width >= bounds.w && height >= bounds.h) return true;
    SDL_Delay(10);
  }
  return false;
}

void FillDisplayByHand(const SDL_Rect& bounds) {
  SDL_SetWindowFullscreen(state.window, 0);
  SDL_SetWindowBordered(state.window, SDL_FALSE);
  SDL_SetWindowPosition(state.window, bounds.x, bounds.y);
  SDL_SetWindowSize(state.window, bounds.w, bounds.h);
  SDL_RaiseWindow(state.window);
  state.filledByHand = true;
}

void EnterFullscreen() {
  const SDL_Rect bounds = DisplayBounds();
  SDL_SetWindowPosition(state.window, bounds.x, bounds.y);
  SDL_SetWindowFullscreen(state.window, SDL_WINDOW_FULLSCREEN_DESKTOP);
  if (!WindowFillsDisplay(bounds)) FillDisplayByHand(bounds);
  SDL_ShowCursor(SDL_DISABLE);
}

void LeaveFullscreen(int width, int height) {
  if (state.filledByHand) {
    SDL_SetWindowBordered(state.window, SDL_TRUE);
    state.filledByHand = false;
  } else {
    SDL_SetWindowFullscreen(state.window, 0);
  }
  SDL_SetWindowSize(state.window, width, height);
  const SDL_Rect bounds = DisplayBounds();
  SDL_SetWindowPosition(state.window, bounds.x + (bounds.w - width) / 2, bounds.y + (bounds.h - height) / 2);
  SDL_ShowCursor(SDL_ENABLE);
}

void SetContextAttributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  const int samples = state.preferences.msaa;
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 0 ? samples : 0);
}

}  // namespace

int VirtualKeyFromSdlKey(int key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
  switch (key) {
    case SDLK_ESCAPE: return 27;
    case SDLK_RETURN: return 13;
    case SDLK_SPACE: return 32;
    case SDLK_TAB: return 9;
    case SDLK_BACKSPACE: return 8;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
    case SDLK_LALT: case SDLK_RALT: return 0x12;
    default: return 0;
  }
}

void SetWindowPreferences(const WindowPreferences& preferences) { state.preferences = preferences; }

WindowResult PlatformInitVideo(const char* driver) {
  if (state.videoStarted) return WindowResult::Ok;
  const char* forced = std::getenv("SDL_VIDEODRIVER");
  const char* x11Display = std::getenv("DISPLAY");
  SDL_version linked;
  SDL_GetVersion(&linked);
  // SDL reads its environment before a hint of ordinary priority.
  const VideoDriverInputs inputs{forced ? forced : driver, x11Display && *x11Display, linked.major, linked.minor,
                                 linked.patch};
  const VideoDriverChoice choice = ChooseVideoDriver(inputs, ProbeWaylandSeats);
  state.driverNote = choice.note;
  if (choice.refused) {
    LogLine(choice.note);
    return WindowResult::VideoUnavailable;
  }
  // A driver forced by an earlier start-up does not carry over to this one.
  SDL_ResetHint(SDL_HINT_VIDEODRIVER);
  if (!choice.driver.empty()) SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, choice.driver.c_str(), SDL_HINT_OVERRIDE);
  else if (driver) SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
  // The programs have their own main(), not SDL's (on Windows SDL refuses to
  // start until told so).
  SDL_SetMainReady();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return WindowResult::VideoUnavailable;
  state.driverRequested = driver != nullptr || (forced && *forced);
  state.videoStarted = true;
  return WindowResult::Ok;
}

const char* PlatformVideoDriverName() {
  const char* current = state.videoStarted ? SDL_GetCurrentVideoDriver() : nullptr;
  return current ? current : "none";
}

const char* PlatformVideoDriverNote() { return state.driverNote.c_str(); }

WindowResult PlatformCreateWindow(const char* title, int width, int height, int colourBits, bool fullscreen,
                                  bool visible) {
  (void)colourBits;  // 8 bits per channel are asked for in every case
  SetContextAttributes();
  // Today's displays keep their own mode: a fullscreen window covers the desktop
  // and the picture is letterboxed inside it. It is made as a window first and
  // then switched, so that it can be checked and, where needed, filled by hand.
  // Without a display SDL falls back to drivers that draw where nobody sees:
  // a window for people to watch is refused there unless asked for by name.
  const char* current = SDL_GetCurrentVideoDriver();
  state.unseen = current && (SDL_strcmp(current, "offscreen") == 0 || SDL_strcmp(current, "dummy") == 0);
  if (visible && state.unseen && !state.driverRequested) return WindowResult::WindowFailed;
  // On a scaled screen the drawable has the screen's real pixels, not a
  // picture drawn at the desktop's smaller size and enlarged by the compositor.
  // The Wayland app id (and the X11 class) SDL 2.26 takes from the program's
  // file name, velkor: the name of the desktop entry, which is how the
  // desktop finds the show's icon.
  const Uint32 flags =
      SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | (visible ? 0 : SDL_WINDOW_HIDDEN);
  const SDL_Rect bounds = DisplayBounds();
  const int x = visible ? bounds.x + (bounds.w - width) / 2 : 0, y = visible ? bounds.y + (bounds.h - height) / 2 : 0;
  state.window = SDL_CreateWindow(title, x, y, width, height, flags);
  if (!state.window) return fullscreen ? WindowResult::FullscreenRefused : WindowResult::WindowFailed;
  state.context = SDL_GL_CreateContext(state.window);
  if (!state.context && state.preferences.msaa > 0) {
    // No multisampled format here: the original look, without antialiasing.
    SDL_DestroyWindow(state.window);
    state.preferences.msaa = 0;
    SetContextAttributes();
    state.window = SDL_CreateWindow(title, x, y, width, height, flags);
    if (!state.window) return WindowResult::WindowFailed;
    state.context = SDL_GL_CreateContext(state.window);
  }
  if (!state.context) return WindowResult::ContextFailed;
  if (SDL_GL_MakeCurrent(state.window, state.context) != 0) return WindowResult::MakeCurrentFailed;
  // Swaps paced by the display keep the per-frame effects at speed.
  SDL_GL_SetSwapInterval(state.preferences.vsync ? 1 : 0);
  SDL_DisableScreenSaver();
  state.fullscreen = fullscreen;
  if (fullscreen && visible) {
    SDL_ShowWindow(state.window);
    EnterFullscreen();
  }
  return WindowResult::Ok;
}

bool PlatformOpenHeadless(int width, int height) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
#ifdef _WIN32
  // A Windows session always has its desktop to make a hidden window on.
  const bool haveDisplay = true;
  (void)display;
  (void)wayland;
#else
  const bool haveDisplay = (display && *display) || (wayland && *wayland);
#endif
  const char* forced = std::getenv("SDL_VIDEODRIVER");
  const char* driver = (forced && *forced) ? forced : (haveDisplay ? nullptr : "offscreen");
  if (PlatformInitVideo(driver) != WindowResult::Ok && PlatformInitVideo("offscreen") != WindowResult::Ok)
    return false;
  return PlatformCreateWindow("velkor", width, height, 32, false, false) == WindowResult::Ok;
}

std::string PlatformProbeRenderer() {
  if (!state.videoStarted || state.window) return "";
  SetContextAttributes();
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
  SDL_Window* probe = SDL_CreateWindow("velkor", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!probe) return "";
  std::string renderer;
  SDL_GLContext context = SDL_GL_CreateContext(probe);
  if (context) {
    const char* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (name) renderer = name;
    SDL_GL_MakeCurrent(probe, nullptr);
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(probe);
  return renderer;
}

void PlatformShowWindow() {
  if (!state.window) return;
  SDL_ShowWindow(state.window);
  SDL_RaiseWindow(state.window);
}

void PlatformSetFullscreen(bool fullscreen, int windowedWidth, int windowedHeight) {
  if (!state.window || fullscreen == state.fullscreen) return;
  state.fullscreen = fullscreen;
  if (fullscreen) EnterFullscreen();
  else LeaveFullscreen(windowedWidth, windowedHeight);
}

bool PlatformFullscreen() { return state.fullscreen; }

void PlatformDrawableSize(int* width, int* height) {
  *width = 0;
  *height = 0;
  if (state.window) SDL_GL_GetDrawableSize(state.window, width, height);
}

bool PlatformPollEvent(PlatformEvent* event) {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        event->type = PlatformEventType::Quit;
        return true;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        const int vk = VirtualKeyFromSdlKey(e.key.keysym.sym);
        if (vk == 0) continue;
        event->type = e.type == SDL_KEYDOWN ? PlatformEventType::KeyDown : PlatformEventType::KeyUp;
        event->key = vk;
        return true;
      }
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_MINIMIZED:
          case SDL_WINDOWEVENT_RESTORED:
            event->type = PlatformEventType::Activate;
            event->minimised = e.window.event == SDL_WINDOWEVENT_MINIMIZED;
            return true;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            event->type = PlatformEventType::Resize;
            PlatformDrawableSize(&event->width, &event->height);
            return true;
          default: continue;
        }
      default: continue;
    }
  }
  return false;
}

void PlatformSwapBuffers() {
  if (!state.window) return;
  SDL_GL_SwapWindow(state.window);
  // An offscreen surface's swap hands nothing to the driver: without a flush
  // the frames' commands pile up in memory, and the context takes seconds to delete.
  if (state.unseen) glFlush();
}

void PlatformCloseWindow() {
  if (state.context) {
    SDL_GL_MakeCurrent(state.window, nullptr);
    SDL_GL_DeleteContext(state.context);
    state.context = nullptr;
  }
  if (state.window) {
    SDL_ShowCursor(SDL_ENABLE);
    SDL_DestroyWindow(state.window);
    state.window = nullptr;
    state.fullscreen = false;
    state.filledByHand = false;
  }
  if (state.videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    state.videoStarted = false;
  }
}

}  // namespace velkor
