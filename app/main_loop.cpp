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
}  // namespace

void ShowMusicTimeBox() {
  char text[256];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(MusicMsFromTicks(demoTicks)));
  ShowMessageBox(text, "fsad", MessageBoxButtons::Ok, MessageBoxIcon::None);
}

int RunMainLoop(const MainLoopIo& io) {
  int reportedScene = -1;
  for (;;) {
    const int ms = io.positionMs();
    const bool done = StepClock(ms);
    if (sceneIndex != reportedScene && io.sceneBegan) io.sceneBegan(sceneIndex, ms);
    reportedScene = sceneIndex;
    PlatformEvent event;
    if (io.pollEvent(&event)) {
      if (event.type == PlatformEventType::Quit) return 0;
      HandleWindowEvent(event);
      if (event.type == PlatformEventType::KeyDown)
        RunPlayerAction(ActionForKey(event.key, keyDown[kShiftKey], keyDown[kAltKey]), io);
    } else if (!windowActive || MusicPaused()) {
      // Nothing is drawn, so nothing that moves once per frame moves.
      if (windowActive && keyDown[kEscapeKey]) return 0;
      if (io.idle) io.idle();
    } else {
      if (keyDown[kEscapeKey]) return 0;
      if (keyDown[kTimeKey]) ShowMusicTimeBox();
      ClearOutsidePicture();
      RenderFrame();
      io.swapBuffers();
    }
    if (done && !io.loop) return 0;
    if (done) SeekShow(0);
  }
}

}  // namespace velkor
