// The clock sources of the music position: the sound device, a steady wall
// clock for playing without sound, and a virtual clock that its owner sets.
// Pausing and seeking act on whichever is in use.
#include "music/music.h"

#include <chrono>

#include "platform/sound.h"

namespace velkor {

namespace {

using SteadyClock = std::chrono::steady_clock;

struct ClockState {
  ClockSource source = ClockSource::SoundDevice;
  bool paused = false;
  int virtualMs = 0;
  bool wallRunning = false;
  SteadyClock::time_point wallStart;  // the wall clock reads now - wallStart
  int wallPausedMs = 0;               // what it reads while paused
};
ClockState clock;

int WallClockMs() {
  if (!clock.wallRunning) return 0;
  if (clock.paused) return clock.wallPausedMs;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - clock.wallStart);
  return static_cast<int>(elapsed.count());
}

}  // namespace

void SetClockSource(ClockSource source) {
  clock.source = source;
  clock.paused = false;
  clock.wallRunning = false;
}
ClockSource ActiveClockSource() { return clock.source; }

void UseVirtualClock(bool on) { SetClockSource(on ? ClockSource::Virtual : ClockSource::SoundDevice); }
bool VirtualClockInUse() { return clock.source == ClockSource::Virtual; }
void SetVirtualClockMs(int ms) { clock.virtualMs = ms; }

void StartWallClock() {
  clock.wallRunning = true;
  clock.paused = false;
  clock.wallStart = SteadyClock::now();
}

int MusicPositionMs() {
  switch (clock.source) {
    case ClockSource::Virtual: return clock.virtualMs;
    case ClockSource::WallClock: return WallClockMs();
    case ClockSource::SoundDevice: break;
  }
  return SoundPositionMs();
}

void PauseMusic(bool paused) {
  if (paused == clock.paused) return;
  if (clock.source == ClockSource::WallClock) {
    if (paused) clock.wallPausedMs = WallClockMs();
    else clock.wallStart = SteadyClock::now() - std::chrono::milliseconds(clock.wallPausedMs);
  }
  if (clock.source == ClockSource::SoundDevice) SoundSetPaused(paused);
  clock.paused = paused;
}

bool MusicPaused() { return clock.paused; }

void SeekMusicMs(int ms) {
  if (ms < 0) ms = 0;
  switch (clock.source) {
    case ClockSource::Virtual: clock.virtualMs = ms; break;
    case ClockSource::WallClock:
      clock.wallPausedMs = ms;
      clock.wallStart = SteadyClock::now() - std::chrono::milliseconds(ms);
      break;
    case ClockSource::SoundDevice: SoundSeekMs(ms); break;
  }
}

}  // namespace velkor
