// The main loop: one clock step per pass, at most one event, otherwise a frame.
#include "app/shell.h"

#include <cstdio>

#include "app/player.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "platform/message_box.h"

namespace velkor {

namespace {
constexpr int kEscapeKey = 27;
constexpr int kTimeKey = 90;  // Z
constexpr int kShiftKey = 0x10;
constexpr int kAltKey = 0x12;

// Held now, or pressed since the last pass that could end the show.
bool EscapeWanted(const MainLoopState& state) { return keyDown[kEscapeKey] || state.escapePressed; }
}  // namespace

void ShowMusicTimeBox() {
  char text[256];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(MusicMsFromTicks(demoTicks)));
  ShowMessageBox(text, "fsad", MessageBoxButtons::Ok, MessageBoxIcon::None);
}

MainLoopPass RunMainLoopPass(const MainLoopIo& io, MainLoopState* state) {
  const int ms = io.positionMs();
  const bool done = StepClock(ms);
  if (sceneIndex != state->reportedScene && io.sceneBegan) io.sceneBegan(sceneIndex, ms);
  state->reportedScene = sceneIndex;
  MainLoopPass pass = MainLoopPass::Drew;
  PlatformEvent event;
  if (io.pollEvent(&event)) {
    if (event.type == PlatformEventType::Quit) return MainLoopPass::Exit;
    HandleWindowEvent(event);
    if (event.type == PlatformEventType::KeyDown && event.key == kEscapeKey) state->escapePressed = true;
    if (event.type == PlatformEventType::KeyDown)
      RunPlayerAction(ActionForKey(event.key, keyDown[kShiftKey], keyDown[kAltKey]), io);
    pass = MainLoopPass::Event;
  } else if (!windowActive || MusicPaused()) {
    // Nothing is drawn, so nothing that moves once per frame moves.
    if (windowActive && EscapeWanted(*state)) return MainLoopPass::Exit;
    if (io.idle) io.idle();
    pass = MainLoopPass::Idle;
  } else {
    if (EscapeWanted(*state)) return MainLoopPass::Exit;
    if (keyDown[kTimeKey]) ShowMusicTimeBox();
    ClearOutsidePicture();
    RenderFrame();
    io.swapBuffers();
  }
  if (done && !io.loop) return MainLoopPass::Exit;
  if (done) SeekShow(0);
  return pass;
}

int RunMainLoop(const MainLoopIo& io) {
  MainLoopState state;
  while (RunMainLoopPass(io, &state) != MainLoopPass::Exit) {
  }
  return 0;
}

}  // namespace velkor
