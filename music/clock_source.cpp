// The clock sources of the music position: the sound device, a steady wall
// clock for playing without sound, and a virtual clock that its owner sets.
// Pausing and seeking act on whichever is in use. When the sound stops for
// good before the show ends (a track cut short, a device unplugged), the wall
// clock takes over from the last position, so the show still reaches its end.
#include "music/music.h"

#include <chrono>
#include <string>

#include "platform/log.h"
#include "platform/sound.h"

namespace velkor {

namespace {

using SteadyClock = std::chrono::steady_clock;

const SoundDeviceClock kRealSoundDevice = {SoundPositionMs, SoundStalled, SoundSetPaused, SoundSeekMs};

struct ClockState {
  ClockSource source = ClockSource::SoundDevice;
  SoundDeviceClock sound = kRealSoundDevice;
  bool soundStalled = false;  // the wall clock stands in for the sound device
  bool paused = false;
  int virtualMs = 0;
  bool wallRunning = false;
  SteadyClock::time_point wallStart;  // the wall clock reads now - wallStart
  int wallPausedMs = 0;               // what it reads while paused
  int seeks = 0;
};
ClockState clock;

int WallClockMs() {
  if (!clock.wallRunning) return 0;
  if (clock.paused) return clock.wallPausedMs;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - clock.wallStart);
  return static_cast<int>(elapsed.count());
}

// The wall clock from ms on, paused or not as the music was.
void RunWallClockFrom(int ms) {
  clock.wallRunning = true;
  clock.wallPausedMs = ms;
  clock.wallStart = SteadyClock::now() - std::chrono::milliseconds(ms);
}

int SoundDevicePositionMs() {
  if (clock.soundStalled) return WallClockMs();
  const int ms = clock.sound.positionMs();
  if (clock.sound.stalled()) {
    clock.soundStalled = true;
    RunWallClockFrom(ms);
    LogLine("the music stopped at " + std::to_string(ms) + " ms; the show goes on without it");
  }
  return ms;
}

}  // namespace

void SetSoundDeviceClock(const SoundDeviceClock* device) { clock.sound = device ? *device : kRealSoundDevice; }

void SetClockSource(ClockSource source) {
  clock.source = source;
  clock.paused = false;
  clock.wallRunning = false;
  clock.soundStalled = false;
}
ClockSource ActiveClockSource() { return clock.source; }

void UseVirtualClock(bool on) { SetClockSource(on ? ClockSource::Virtual : ClockSource::SoundDevice); }
bool VirtualClockInUse() { return clock.source == ClockSource::Virtual; }
void SetVirtualClockMs(int ms) { clock.virtualMs = ms; }

void StartWallClock() {
  clock.paused = false;
  RunWallClockFrom(0);
}

int MusicPositionMs() {
  switch (clock.source) {
    case ClockSource::Virtual: return clock.virtualMs;
    case ClockSource::WallClock: return WallClockMs();
    case ClockSource::SoundDevice: break;
  }
  return SoundDevicePositionMs();
}

void PauseMusic(bool paused) {
  if (paused == clock.paused) return;
  if (clock.source == ClockSource::WallClock || clock.soundStalled) {
    if (paused) clock.wallPausedMs = WallClockMs();
    else clock.wallStart = SteadyClock::now() - std::chrono::milliseconds(clock.wallPausedMs);
  } else if (clock.source == ClockSource::SoundDevice) {
    clock.sound.setPaused(paused);
  }
  clock.paused = paused;
}

bool MusicPaused() { return clock.paused; }

int MusicSeekCount() { return clock.seeks; }

void SeekMusicMs(int ms) {
  ++clock.seeks;
  if (ms < 0) ms = 0;
  switch (clock.source) {
    case ClockSource::Virtual: clock.virtualMs = ms; break;
    case ClockSource::WallClock: RunWallClockFrom(ms); break;
    case ClockSource::SoundDevice:
      // The sound gets its chance again; where it still cannot play, the
      // wall clock takes over from ms on the next reading.
      clock.soundStalled = false;
      clock.sound.seekMs(ms);
      break;
  }
}

}  // namespace velkor
