// The main loop: one clock step per pass, at most one event, otherwise a frame.
#include "app/shell.h"

#include <cstdio>

#include "music/music.h"
#include "music/sequencer.h"
#include "platform/message_box.h"

namespace velkor {

namespace {
constexpr int kEscapeKey = 27;
constexpr int kTimeKey = 90;  // Z
}  // namespace

void ShowMusicTimeBox() {
  char text[256];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(MusicMsFromTicks(demoTicks)));
  ShowMessageBox(text, "fsad", MessageBoxButtons::Ok, MessageBoxIcon::None);
}

int RunMainLoop(const MainLoopIo& io) {
  for (;;) {
    const bool done = StepClock(io.positionMs());
    PlatformEvent event;
    if (io.pollEvent(&event)) {
      if (event.type == PlatformEventType::Quit) return 0;
      HandleWindowEvent(event);
    } else if (windowActive) {
      if (keyDown[kEscapeKey]) return 0;
      if (keyDown[kTimeKey]) ShowMusicTimeBox();
      ClearOutsidePicture();
      RenderFrame();
      io.swapBuffers();
    }
    if (done) return 0;
  }
}

}  // namespace velkor
