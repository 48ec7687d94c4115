// The application shell: the window and its context, the window-event handler,
// the viewport, the global GL state, and the main loop.
#pragma once

#include "app/resolution.h"
#include "platform/window.h"

namespace velkor {

extern bool fullscreenMode;  // true until the user accepts a window instead
extern bool windowActive;    // false only while minimised
extern bool keyDown[256];    // indexed by Win32 virtual-key code

// Opens the window and context, sets the viewport and runs InitRenderer.
// On failure the reason has been shown in an "ERROR" box and everything
// created has been released.
bool OpenDisplayWindow(const char* title, int width, int height, int bits, bool fullscreenFlag);

// Releases whatever exists of context, window and video system.
void CloseDisplayWindow();

// Viewport for a drawable of width x height (height 0 taken as 1) and the
// 45-degree, 4/3 projection whatever the shape. When the picture is kept 4:3
// the viewport is the largest centred 4:3 area and the rest stays black.
void ResizeViewport(int width, int height);
// The viewport and bars alone, leaving the projection as it is.
void LayoutPicture(int width, int height);
// A picture drawn at width x height apart from the drawable (0 x 0: at the
// drawable's own pixels, the default): the viewport covers that size from
// the origin, and the picture is put in its place at the swap. Takes effect
// with the next layout. onlyWhereItFits: drawn in the drawable's own upper-left corner,
// so only in a drawable at least that big; smaller ones are drawn as native.
void SetDrawnPictureSize(int width, int height, bool onlyWhereItFits);
// Whether the latest layout draws the picture apart, at its own size.
bool PictureDrawnApart();
// Where the picture is seen in the drawable of the latest layout, and that drawable.
PictureRect SeenPicture();
void DrawableOfPicture(int* width, int* height);

// The show's window size, and its switch to and from fullscreen at any time:
// the picture follows, the GL context, the music and the scene go on.
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;
void SetDisplayFullscreen(bool fullscreen);
void SetKeepPictureAspect(bool keep);
// Blackens the bars outside a kept-aspect picture; a no-op otherwise.
void ClearOutsidePicture();

// Music, noise tables, multitexture entry points, global GL state, scene 0.
bool InitRenderer();
// The global GL state alone, in its fixed order (also used by tests).
void SetGlobalGlState();

// The window-procedure behaviour: activation, keys, resize. Quit is the loop's.
void HandleWindowEvent(const PlatformEvent& event);

// What one pass of the main loop talks to; the real window or a test script.
// The pointers after the first three may be null (nothing happens).
struct MainLoopIo {
  bool (*pollEvent)(PlatformEvent* event);
  int (*positionMs)();
  void (*swapBuffers)();
  void (*setFullscreen)(bool fullscreen) = nullptr;  // Alt+Enter, F11
  void (*idle)() = nullptr;                          // a pass that draws nothing (paused, minimised)
  void (*sceneBegan)(int scene, int ms) = nullptr;   // after every change of scene
  bool loop = false;                                 // start again after the end, until Escape
};

// One pass of the main loop: a clock step, then one event or one frame (or
// nothing, while paused or minimised). Exit once the loop would return.
enum class MainLoopPass { Drew, Event, Idle, Exit };
struct MainLoopState {
  int reportedScene = -1;
  // A press of Escape seen since the last pass that could act on it: a tap
  // whose release was handled before the next frame still ends the show.
  bool escapePressed = false;
};
MainLoopPass RunMainLoopPass(const MainLoopIo& io, MainLoopState* state);

// Runs passes until quit, Escape or the end of the show (or, looping, only
// quit and Escape); returns the exit status. The player's keys act on the
// KeyDown events; Z keeps the original's held-key behaviour, and Escape ends
// the show at the next pass that would draw, whether or not it is still held.
int RunMainLoop(const MainLoopIo& io);

// Formats and shows the music-time box of the Z key.
void ShowMusicTimeBox();

// The whole program: start-up, loop, shutdown. Returns the process exit status.
int VelkorMain(int argc, char** argv);

}  // namespace velkor
