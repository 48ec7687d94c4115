// The show program: start-up, the loop, and shutdown in its fixed order.
#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "music/music.h"

namespace velkor {

namespace {
bool PollPlatformEvent(PlatformEvent* event) { return PlatformPollEvent(event); }
}  // namespace

int VelkorMain(int argc, char** argv) {
  bool fullscreen = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--windowed") == 0) {
      fullscreen = false;
    } else {
      std::fprintf(stderr, "usage: velkor [--windowed]\n  runs the show in the current directory\n");
      return 2;
    }
  }
  fullscreenMode = true;
  // A failed start-up has already been reported; unlike the original's 0, the
  // process reports it with a failing status.
  if (!OpenDisplayWindow("velkor", 640, 480, 32, fullscreen)) return 1;
  const MainLoopIo io{PollPlatformEvent, MusicPositionMs, PlatformSwapBuffers};
  const int status = RunMainLoop(io);
  StopMusic();
  CloseDisplayWindow();
  return status;
}

}  // namespace velkor
