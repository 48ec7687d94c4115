// Window, context, events and swap on SDL2.
#include "platform/window.h"

#include <SDL2/SDL.h>

#include <cstdlib>

namespace velkor {

namespace {

struct WindowState {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool videoStarted = false;
};
WindowState state;

void SetContextAttributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
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
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
    case SDLK_LALT: case SDLK_RALT: return 0x12;
    default: return 0;
  }
}

WindowResult PlatformInitVideo(const char* driver) {
  if (state.videoStarted) return WindowResult::Ok;
  if (driver) SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return WindowResult::VideoUnavailable;
  state.videoStarted = true;
  return WindowResult::Ok;
}

WindowResult PlatformCreateWindow(const char* title, int width, int height, int colourBits, bool fullscreen,
                                  bool visible) {
  (void)colourBits;  // 8 bits per channel are asked for in every case
  SetContextAttributes();
  Uint32 flags = SDL_WINDOW_OPENGL | (visible ? 0 : SDL_WINDOW_HIDDEN);
  // Today's displays keep their own mode: a fullscreen window covers the desktop
  // and the picture is letterboxed inside it.
  if (fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  else flags |= SDL_WINDOW_RESIZABLE;
  state.window = SDL_CreateWindow(title, 0, 0, width, height, flags);
  if (!state.window) return fullscreen ? WindowResult::FullscreenRefused : WindowResult::WindowFailed;
  state.context = SDL_GL_CreateContext(state.window);
  if (!state.context) return WindowResult::ContextFailed;
  if (SDL_GL_MakeCurrent(state.window, state.context) != 0) return WindowResult::MakeCurrentFailed;
  SDL_GL_SetSwapInterval(1);  // swaps paced by the display keep the per-frame effects at speed
  SDL_DisableScreenSaver();
  if (fullscreen) SDL_ShowCursor(SDL_DISABLE);
  return WindowResult::Ok;
}

bool PlatformOpenHeadless(int width, int height) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool haveDisplay = (display && *display) || (wayland && *wayland);
  const char* forced = std::getenv("SDL_VIDEODRIVER");
  const char* driver = (forced && *forced) ? forced : (haveDisplay ? nullptr : "offscreen");
  if (PlatformInitVideo(driver) != WindowResult::Ok && PlatformInitVideo("offscreen") != WindowResult::Ok)
    return false;
  return PlatformCreateWindow("velkor", width, height, 32, false, false) == WindowResult::Ok;
}

void PlatformShowWindow() {
  if (!state.window) return;
  SDL_ShowWindow(state.window);
  SDL_RaiseWindow(state.window);
}

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
  if (state.window) SDL_GL_SwapWindow(state.window);
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
  }
  if (state.videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    state.videoStarted = false;
  }
}

}  // namespace velkor
