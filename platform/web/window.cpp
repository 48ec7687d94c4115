// The window of the browser build: the page's 640 x 480 canvas with a WebGL 2
// context behind the fixed-function layer, keys from the page as Win32
// virtual-key codes, the page's visibility as activation, and fullscreen
// through the browser (the canvas scaled with its aspect kept).
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <deque>

#include "platform/gl.h"
#include "platform/web/keys.h"
#include "platform/window.h"

namespace velkor {

namespace {

constexpr const char* kCanvas = "#canvas";

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
std::deque<PlatformEvent> events;
int canvasWidth = 640, canvasHeight = 480;
bool fullscreen = false;
bool held[256] = {};

// DOM key codes are the Win32 virtual-key codes for every key the show and
// the player know; the rest are not passed on.
int VirtualKeyFromDomKeyCode(unsigned long code) {
  const bool letterOrDigit = (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9');
  const bool function = code >= 0x70 && code <= 0x7B;                // F1 .. F12
  const bool navigation = code >= 0x21 && code <= 0x28;              // Page Up .. Down arrow
  const bool control = code == 8 || code == 9 || code == 13 || code == 27 || code == 32 || (code >= 0x10 && code <= 0x12);
  return letterOrDigit || function || navigation || control ? static_cast<int>(code) : 0;
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void*) {
  const int key = VirtualKeyFromDomKeyCode(e->keyCode);
  if (key == 0) return EM_FALSE;
  PlatformEvent event{};
  event.type = type == EMSCRIPTEN_EVENT_KEYDOWN ? PlatformEventType::KeyDown : PlatformEventType::KeyUp;
  event.key = key;
  if (!(type == EMSCRIPTEN_EVENT_KEYDOWN && e->repeat)) events.push_back(event);
  held[key] = type == EMSCRIPTEN_EVENT_KEYDOWN;
  // The page must not scroll or go fullscreen by itself on the player's keys;
  // the browser keeps the others (reload, its own shortcuts).
  const bool playerKey = key == 27 || key == 'Z' || key == 13 || key == 32 || (key >= 0x21 && key <= 0x28) || key == 0x7A;
  return playerKey ? EM_TRUE : EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
  PlatformEvent event{};
  event.type = PlatformEventType::Activate;
  event.minimised = e->hidden != 0;
  events.push_back(event);
  return EM_FALSE;
}

EM_BOOL OnFullscreenChange(int, const EmscriptenFullscreenChangeEvent* e, void*) {
  fullscreen = e->isFullscreen != 0;
  return EM_FALSE;
}

bool OpenContext(int width, int height) {
  canvasWidth = width;
  canvasHeight = height;
  emscripten_set_canvas_element_size(kCanvas, width, height);
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = EM_FALSE;  // the picture is opaque whatever alpha the show clears to
  attributes.depth = EM_TRUE;
  attributes.stencil = EM_FALSE;
  attributes.antialias = EM_FALSE;
  attributes.preserveDrawingBuffer = EM_TRUE;  // the last frame stays for screenshots and while paused
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  context = emscripten_webgl_create_context(kCanvas, &attributes);
  if (context <= 0) return false;
  if (emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) return false;
  return StartWebGl();
}

}  // namespace

void ReleaseHeldWebKeys() {
  for (int key = 0; key < 256; ++key) {
    if (!held[key]) continue;
    held[key] = false;
    PlatformEvent event{};
    event.type = PlatformEventType::KeyUp;
    event.key = key;
    events.push_back(event);
  }
}

void SetWindowPreferences(const WindowPreferences&) {}

WindowResult PlatformInitVideo(const char*) { return WindowResult::Ok; }

WindowResult PlatformCreateWindow(const char*, int width, int height, int, bool, bool) {
  if (!OpenContext(width, height)) return WindowResult::ContextFailed;
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnKey);
  emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnKey);
  emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, OnVisibility);
  emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, OnFullscreenChange);
  return WindowResult::Ok;
}

bool PlatformOpenHeadless(int width, int height) { return OpenContext(width, height); }

void PlatformShowWindow() {}

// The canvas keeps its 640 x 480 pixels; the browser scales it to the screen
// with black bars, so the show's own layout never changes.
void PlatformSetFullscreen(bool on, int, int) {
  if (on) {
    EmscriptenFullscreenStrategy strategy{};
    strategy.scaleMode = EMSCRIPTEN_FULLSCREEN_SCALE_ASPECT;
    strategy.canvasResolutionScaleMode = EMSCRIPTEN_FULLSCREEN_CANVAS_SCALE_NONE;
    strategy.filteringMode = EMSCRIPTEN_FULLSCREEN_FILTERING_DEFAULT;
    // Outside a key or click handler the browser defers the request to the next one.
    const EMSCRIPTEN_RESULT result = emscripten_request_fullscreen_strategy(kCanvas, EM_TRUE, &strategy);
    fullscreen = result == EMSCRIPTEN_RESULT_SUCCESS || result == EMSCRIPTEN_RESULT_DEFERRED;
  } else {
    emscripten_exit_fullscreen();
    fullscreen = false;
  }
}

bool PlatformFullscreen() { return fullscreen; }

void PlatformDrawableSize(int* width, int* height) {
  *width = canvasWidth;
  *height = canvasHeight;
}

bool PlatformPollEvent(PlatformEvent* event) {
  if (events.empty()) return false;
  *event = events.front();
  events.pop_front();
  return true;
}

// The browser shows the canvas when the frame callback returns.
void PlatformSwapBuffers() { FlushWebGl(); }

void PlatformCloseWindow() {
  if (context > 0) emscripten_webgl_destroy_context(context);
  context = 0;
}

}  // namespace velkor
