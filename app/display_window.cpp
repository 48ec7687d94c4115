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
  int x = 0, y = 0, width = 0, height = 0;  // where the picture is seen in the drawable
  // A picture of its own size, drawn elsewhere and scaled into place at the
  // swap: the viewport then covers that size, and the bars are not drawn here.
  int drawnWidth = 0, drawnHeight = 0;
  bool onlyWhereItFits = false;  // drawn in the drawable itself, which must hold it
  bool drawnApart = false;       // the latest layout uses the drawn size
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

void SetDrawnPictureSize(int width, int height, bool onlyWhereItFits) {
  layout.drawnWidth = width;
  layout.drawnHeight = height;
  layout.onlyWhereItFits = onlyWhereItFits;
}

bool PictureDrawnApart() { return layout.drawnApart; }

void LayoutPicture(int width, int height) {
  if (height == 0) height = 1;
  layout.framebufferWidth = width;
  layout.framebufferHeight = height;
  const PictureRect seen = FitPicture(width, height, layout.keepAspect);
  layout.x = seen.x;
  layout.y = seen.y;
  layout.width = seen.width;
  layout.height = seen.height;
  layout.drawnApart = layout.drawnWidth > 0 &&
                      (!layout.onlyWhereItFits || (width >= layout.drawnWidth && height >= layout.drawnHeight));
  // In the drawable itself the picture takes the upper-left corner: Mesa stores
  // rows top first, so there it lies where the rows of a framebuffer of the
  // picture's own size would, on the same tiles, and is drawn pixel for pixel alike.
  if (layout.drawnApart)
    glViewport(0, layout.onlyWhereItFits ? height - layout.drawnHeight : 0, layout.drawnWidth, layout.drawnHeight);
  else glViewport(layout.x, layout.y, layout.width, layout.height);
  // Clears outside the picture are limited again by the next frame.
  glDisable(GL_SCISSOR_TEST);
}

PictureRect SeenPicture() { return PictureRect{layout.x, layout.y, layout.width, layout.height}; }

void DrawableOfPicture(int* width, int* height) {
  *width = layout.framebufferWidth;
  *height = layout.framebufferHeight;
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
  const bool bars = !layout.drawnApart && layout.keepAspect && (layout.width != layout.framebufferWidth ||
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
