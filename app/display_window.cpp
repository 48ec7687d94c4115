// Opening and closing the display window, the viewport, and window events.
#include "app/shell.h"

#include "assets/model.h"
#include "platform/gl.h"
#include "platform/message_box.h"

namespace velkor {

bool fullscreenMode = true;
bool windowActive = true;
bool keyDown[256] = {};

namespace {

struct PictureLayout {
  bool keepAspect = false;
  int framebufferWidth = 0, framebufferHeight = 0;
  int x = 0, y = 0, width = 0, height = 0;
};
PictureLayout layout;

void ReportStartupError(const char* text) {
  ShowMessageBox(text, "ERROR", MessageBoxButtons::Ok, MessageBoxIcon::Exclamation);
}

const char* TextForWindowResult(WindowResult r) {
  switch (r) {
    case WindowResult::ContextFailed: return "Can't Create A GL Rendering Context.";
    case WindowResult::MakeCurrentFailed: return "Can't Activate The GL Rendering Context.";
    default: return "Window Creation Error.";
  }
}

}  // namespace

void SetKeepPictureAspect(bool keep) { layout.keepAspect = keep; }

void LayoutPicture(int width, int height) {
  if (height == 0) height = 1;
  layout.framebufferWidth = width;
  layout.framebufferHeight = height;
  layout.x = 0;
  layout.y = 0;
  layout.width = width;
  layout.height = height;
  if (layout.keepAspect) {
    if (static_cast<long>(width) * 3 > static_cast<long>(height) * 4) layout.width = height * 4 / 3;
    else layout.height = width * 3 / 4;
    layout.x = (width - layout.width) / 2;
    layout.y = (height - layout.height) / 2;
  }
  glViewport(layout.x, layout.y, layout.width, layout.height);
  // Clears outside the picture are limited again by the next frame.
  glDisable(GL_SCISSOR_TEST);
}

void ResizeViewport(int width, int height) {
  LayoutPicture(width, height);
  SetCameraProjection(nullptr);
}

void SetDisplayFullscreen(bool fullscreen) {
  PlatformSetFullscreen(fullscreen, kWindowWidth, kWindowHeight);
  fullscreenMode = PlatformFullscreen();
  SetKeepPictureAspect(fullscreenMode);
  int width = 0, height = 0;
  PlatformDrawableSize(&width, &height);
  // The scene's own projection stays: only the picture's place changes.
  LayoutPicture(width, height);
}

void ClearOutsidePicture() {
  const bool bars = layout.keepAspect && (layout.width != layout.framebufferWidth ||
                                          layout.height != layout.framebufferHeight);
  if (!bars) return;
  GLfloat clearColour[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
  // The show's own clears then stay inside the picture.
  glScissor(layout.x, layout.y, layout.width, layout.height);
  glEnable(GL_SCISSOR_TEST);
}

bool OpenDisplayWindow(const char* title, int width, int height, int bits, bool fullscreenFlag) {
  fullscreenMode = fullscreenFlag;
  if (PlatformInitVideo(nullptr) != WindowResult::Ok) {
    ReportStartupError("Failed To Register The Window Class.");
    return false;
  }
  WindowResult r = PlatformCreateWindow(title, width, height, bits, fullscreenMode, true);
  if (r == WindowResult::FullscreenRefused) {
    CloseDisplayWindow();
    PlatformInitVideo(nullptr);
    const MessageBoxAnswer answer = ShowMessageBox(
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?", "Zavor",
        MessageBoxButtons::YesNo, MessageBoxIcon::Exclamation);
    if (answer != MessageBoxAnswer::Yes) {
      ShowMessageBox("Program Will Now Close.", "ERROR", MessageBoxButtons::Ok, MessageBoxIcon::Stop);
      CloseDisplayWindow();
      return false;
    }
    fullscreenMode = false;
    r = PlatformCreateWindow(title, width, height, bits, false, true);
  }
  if (r != WindowResult::Ok) {
    CloseDisplayWindow();
    ReportStartupError(TextForWindowResult(r));
    return false;
  }
  PlatformShowWindow();
  SetKeepPictureAspect(fullscreenMode);
  int drawableWidth = width, drawableHeight = height;
  PlatformDrawableSize(&drawableWidth, &drawableHeight);
  ResizeViewport(drawableWidth, drawableHeight);
  if (!InitRenderer()) {
    CloseDisplayWindow();
    ReportStartupError("Initialization Failed.");
    return false;
  }
  return true;
}

void CloseDisplayWindow() { PlatformCloseWindow(); }

void HandleWindowEvent(const PlatformEvent& event) {
  switch (event.type) {
    case PlatformEventType::Activate: windowActive = !event.minimised; break;
    case PlatformEventType::KeyDown:
      if (event.key >= 0 && event.key < 256) keyDown[event.key] = true;
      break;
    case PlatformEventType::KeyUp:
      if (event.key >= 0 && event.key < 256) keyDown[event.key] = false;
      break;
    case PlatformEventType::Resize:
      // The size the picture already has (after a switch to or from
      // fullscreen) keeps the scene's projection.
      if (event.width != layout.framebufferWidth || (event.height ? event.height : 1) != layout.framebufferHeight)
        ResizeViewport(event.width, event.height);
      break;
    case PlatformEventType::Quit: break;
  }
}

}  // namespace velkor
