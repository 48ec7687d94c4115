// The show program: its options, start-up, the loop, and shutdown in its
// fixed order.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/options.h"
#include "app/shell.h"
#include "music/music.h"
#include "platform/paths.h"

#ifndef VELKOR_VERSION
#define VELKOR_VERSION "unknown"
#endif

namespace velkor {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct Pacing {
  int maxFps = 0;
  SteadyClock::time_point nextFrame;
  bool verbose = false;
};
Pacing pacing;

bool PollPlatformEvent(PlatformEvent* event) { return PlatformPollEvent(event); }

// Swaps, then with a frame cap waits for the next frame's turn; a late frame
// starts the count afresh rather than rushing to catch up.
void SwapPaced() {
  PlatformSwapBuffers();
  if (pacing.maxFps <= 0) return;
  const auto period = std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(1.0 / pacing.maxFps));
  const auto now = SteadyClock::now();
  pacing.nextFrame = pacing.nextFrame + period < now ? now + period : pacing.nextFrame + period;
  std::this_thread::sleep_until(pacing.nextFrame);
}

void IdleBriefly() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

void ReportScene(int scene, int ms) {
  if (pacing.verbose) std::fprintf(stderr, "velkor: scene %d begins at %d.%03d s\n", scene, ms / 1000, ms % 1000);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// 0 to play on; otherwise the exit status (after --help or --version, or a bad argument).
int TakeOptions(int argc, char** argv, PlayerOptions* options) {
  std::string error;
  if (!ParsePlayerOptions(argc, argv, options, &error)) {
    std::fprintf(stderr, "velkor: %s\n%s", error.c_str(), PlayerUsage());
    return 2;
  }
  if (options->help) {
    std::fputs(PlayerUsage(), stdout);
    return -1;
  }
  if (options->version) {
    std::printf("velkor %s\n", VELKOR_VERSION);
    return -1;
  }
  if (!options->dataDir.empty() && !IsDirectory(options->dataDir)) {
    std::fprintf(stderr, "velkor: --data %s: no such directory\n", options->dataDir.c_str());
    return 2;
  }
  return 0;
}

}  // namespace

int VelkorMain(int argc, char** argv) {
  PlayerOptions options;
  const int early = TakeOptions(argc, argv, &options);
  if (early != 0) return early < 0 ? 0 : early;
  SetDataDirectory(options.dataDir);
  SetWindowPreferences(WindowPreferences{options.display, options.msaa, options.vsync});
  if (options.silent) SetClockSource(ClockSource::WallClock);
  pacing.maxFps = options.maxFps;
  pacing.verbose = options.verbose;
  pacing.nextFrame = SteadyClock::now();
  fullscreenMode = true;
  // A failed start-up has already been reported; unlike the original's 0, the
  // process reports it with a failing status.
  if (!OpenDisplayWindow("velkor", kWindowWidth, kWindowHeight, 32, options.fullscreen)) return 1;
  const MainLoopIo io{PollPlatformEvent, MusicPositionMs, SwapPaced, SetDisplayFullscreen,
                      IdleBriefly,       ReportScene,     options.loop};
  const int status = RunMainLoop(io);
  StopMusic();
  CloseDisplayWindow();
  return status;
}

}  // namespace velkor
