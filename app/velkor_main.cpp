// The show program: its options, start-up, the loop, and shutdown in its
// fixed order.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/data_search.h"
#include "app/frame_lead.h"
#include "app/options.h"
#include "app/picture_buffer.h"
#include "app/shell.h"
#include "assets/prepare.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "platform/console.h"
#include "platform/paths.h"
#include "platform/sound.h"
#include "scenes/scenes.h"

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
  SteadyClock::time_point start;
  FILE* frameTimes = nullptr;  // one line per presented frame
  int stepMs = 0;              // the virtual clock's step per frame
};
Pacing pacing;

// Each frame is drawn for the music time at which it will be seen (off on
// the virtual clock, whose frames are exact by design).
struct Presenting {
  bool on = false;
  FrameLead lead;
  SteadyClock::time_point readAt;  // the clock reading of the latest pass
  int readLeadMicros = 0;          // the lead that reading was given
  int shownMs = 0;                 // the time it handed out
  int scene = -1;
  bool paused = false;
  int seeks = 0;
};
Presenting presenting;

long long MicrosSinceStart(SteadyClock::time_point t) {
  return std::chrono::duration_cast<std::chrono::microseconds>(t - pacing.start).count();
}

int PresentedPositionMs() {
  const int clockMs = MusicPositionMs();
  presenting.readAt = SteadyClock::now();
  if (!presenting.on) return presenting.shownMs = clockMs;
  if (MusicSeekCount() != presenting.seeks) {
    presenting.seeks = MusicSeekCount();
    ResetFrameLead(&presenting.lead, true);
  }
  if (MusicPaused() != presenting.paused) {
    presenting.paused = MusicPaused();
    ResetFrameLead(&presenting.lead, false);
  }
  presenting.readLeadMicros = ExpectedLeadMicros(presenting.lead);
  return presenting.shownMs = LeadMusicMs(&presenting.lead, clockMs);
}

// After a swap: the frame's time from reading to swap, except on a switch of
// scene, whose frame holds the setup and says nothing of the new scene's frames.
void NoteSwap(SteadyClock::time_point swapped) {
  if (sceneIndex != presenting.scene) {
    presenting.scene = sceneIndex;
    ResetFrameLead(&presenting.lead, false);
    return;
  }
  NoteFrameTime(&presenting.lead,
                static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(swapped - presenting.readAt).count()));
}

void PrintMusicTime(const char* what, int ms) {
  if (pacing.verbose) std::fprintf(stderr, "velkor: %s at %d.%03d s\n", what, ms / 1000, ms % 1000);
}

bool PollPlatformEvent(PlatformEvent* event) { return PlatformPollEvent(event); }

// Swaps, then with a frame cap waits for the next frame's turn; a late frame
// starts the count afresh rather than rushing to catch up.
void SwapPaced() {
  ShowPicture();
  PlatformSwapBuffers();
  ReturnToPicture();
  const SteadyClock::time_point swapped = SteadyClock::now();
  NoteSwap(swapped);
  if (pacing.stepMs > 0) SetVirtualClockMs(MusicPositionMs() + pacing.stepMs);
  if (pacing.frameTimes) {
    const long long predicted = MicrosSinceStart(presenting.readAt) + presenting.readLeadMicros;
    std::fprintf(pacing.frameTimes, "%lld,%d,%d,%lld,%d,%lld,%lld\n", MicrosSinceStart(swapped), MusicPositionMs(),
                 sceneIndex, TakeSetupMicros(), presenting.shownMs, MicrosSinceStart(presenting.readAt), predicted);
  }
  if (pacing.maxFps <= 0) return;
  const auto period = std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(1.0 / pacing.maxFps));
  const auto now = SteadyClock::now();
  pacing.nextFrame = pacing.nextFrame + period < now ? now + period : pacing.nextFrame + period;
  std::this_thread::sleep_until(pacing.nextFrame);
}

void IdleBriefly() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

void ReportScene(int scene, int ms) {
  const std::string what = "scene " + std::to_string(scene) + " begins";
  PrintMusicTime(what.c_str(), ms);
}

void SwitchFullscreen(bool fullscreen) {
  SetDisplayFullscreen(fullscreen);
  int width = 0, height = 0;
  PlatformDrawableSize(&width, &height);
  const std::string what =
      std::string(fullscreenMode ? "fullscreen " : "window ") + std::to_string(width) + "x" + std::to_string(height);
  PrintMusicTime(what.c_str(), MusicPositionMs());
}

bool FramebufferObjectsWanted() {
  const char* wanted = std::getenv("VELKOR_FRAMEBUFFER_OBJECTS");
  return !(wanted && std::strcmp(wanted, "off") == 0);
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
    std::fputs(DataSearchText(), stdout);
    return -1;
  }
  if (options->version) {
    std::printf("velkor %s\n", VELKOR_VERSION);
    return -1;
  }
  if (!options->frameTimes.empty() && !(pacing.frameTimes = std::fopen(options->frameTimes.c_str(), "w"))) {
    std::fprintf(stderr, "velkor: --frame-times %s: cannot write the file\n", options->frameTimes.c_str());
    return 2;
  }
  if (!options->dataDir.empty() && !IsDirectory(options->dataDir)) {
    std::fprintf(stderr, "velkor: --data %s: no such directory\n", options->dataDir.c_str());
    return 2;
  }
  return 0;
}

}  // namespace

int VelkorMain(int argc, char** argv) {
  UseStartingConsole();
  PlayerOptions options;
  const int early = TakeOptions(argc, argv, &options);
  if (early != 0) return early < 0 ? 0 : early;
  const DataCandidate data = ChooseDataDirectory(DataCandidates(options.dataDir));
  SetDataDirectory(data.dir == "." ? "" : data.dir);
  std::fprintf(stderr, "velkor: data from %s (%s)\n", data.dir.c_str(), data.why);
  // Scene 0's files are decoded while the window and the sound start.
  PrepareSceneAhead(0);
  PictureBufferSettings pictures{options.resolution, options.linearScaling, options.msaa, FramebufferObjectsWanted(),
                                 ""};
  // With samples asked for, whether they belong to the window or to the
  // picture drawn apart depends on the renderer, which a first context tells.
  if (options.msaa > 0 && options.resolution.mode == ResolutionMode::Automatic &&
      PlatformInitVideo(nullptr) == WindowResult::Ok)
    pictures.renderer = PlatformProbeRenderer();
  SetWindowPreferences(
      WindowPreferences{options.display, WindowWantsSamples(pictures) ? options.msaa : 0, options.vsync});
  if (options.silent) SetClockSource(ClockSource::WallClock);
  if (options.stepMs > 0) SetClockSource(ClockSource::Virtual);
  pacing.stepMs = options.stepMs;
  pacing.maxFps = options.maxFps;
  pacing.verbose = options.verbose;
  pacing.start = pacing.nextFrame = SteadyClock::now();
  if (pacing.frameTimes) {
    // A line per frame as it happens, so that a watcher sees the first frame
    // and a killed run keeps what it timed.
    std::setvbuf(pacing.frameTimes, nullptr, _IOLBF, 0);
    std::fputs("wallMicros,musicMs,scene,setupMicros,shownMs,readMicros,predictedSwapMicros\n", pacing.frameTimes);
  }
  presenting.on = !VirtualClockInUse() && SoundSyncAidsWanted();
  if (pacing.verbose) {
    const long long origin =
        std::chrono::duration_cast<std::chrono::microseconds>(pacing.start.time_since_epoch()).count();
    std::fprintf(stderr, "velkor: times counted from %lld us of the steady clock\n", origin);
  }
  fullscreenMode = true;
  // A failed start-up has already been reported; unlike the original's 0, the
  // process reports it with a failing status.
  if (!OpenDisplayWindow("velkor", kWindowWidth, kWindowHeight, 32, options.fullscreen)) return 1;
  StartPictureBuffer(pictures);
  const char* driverNote = PlatformVideoDriverNote();
  std::fprintf(stderr, "velkor: video %s%s%s%s\n", PlatformVideoDriverName(), *driverNote ? " (" : "", driverNote,
               *driverNote ? ")" : "");
  std::fprintf(stderr, "velkor: picture %s\n", PictureBufferDescription().c_str());
  const MainLoopIo io{PollPlatformEvent, PresentedPositionMs, SwapPaced, SwitchFullscreen,
                      IdleBriefly,       ReportScene,     options.loop};
  const int status = RunMainLoop(io);
  StopPreparation();
  StopMusic();
  StopPictureBuffer();
  CloseDisplayWindow();
  if (pacing.frameTimes) std::fclose(pacing.frameTimes);
  return status;
}

}  // namespace velkor
