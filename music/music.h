// The music track: started from memory before scene 0 is prepared, read for its
// position every pass, closed at shutdown. The position comes from a clock
// source: the sound device, or a virtual clock that its owner sets.
#pragma once

namespace velkor {

// Starts the music track (kMusicFileName) from the data directory. On failure an "ERROR!" box
// has been shown, the sound library closed where the rules say so, a hint
// logged, and false is returned. With the virtual clock in use nothing is
// played and this succeeds; with the wall clock it starts that clock instead.
bool StartMusic();

// Closes the stream, then the sound library, then releases the music buffer.
void StopMusic();

// Current music position in milliseconds from the active clock source.
int MusicPositionMs();

// Text for a sound library error code; "Unknown error" outside 0 .. 19.
const char* SoundErrorText(int code);

// Where the music position comes from: the playing sound device; a steady wall
// clock (milliseconds, monotonic, from 0 where the music would have started
// playing) when playing without sound; or a virtual clock its owner sets.
// Once the sound device stalls for good (its track ended before the show, or
// the device went away), the wall clock carries on from its last position,
// with one log line; sound does not come back on its own, only a seek tries it again.
enum class ClockSource { SoundDevice, WallClock, Virtual };
void SetClockSource(ClockSource source);
ClockSource ActiveClockSource();
// Shorthands: the virtual clock (true) or the sound device.
void UseVirtualClock(bool on);
bool VirtualClockInUse();
// The position the virtual clock reports from now on.
void SetVirtualClockMs(int ms);
// Starts the wall clock at 0; StartMusic does this in place of playing.
void StartWallClock();

// What the clock asks of the sound device; tests stand in for it.
struct SoundDeviceClock {
  int (*positionMs)();
  bool (*stalled)();  // the position can no longer move on (track ended, device gone)
  bool (*setPaused)(bool paused);
  bool (*seekMs)(int ms);
};
// Null restores the real sound device.
void SetSoundDeviceClock(const SoundDeviceClock* device);

// Pausing stops the position (and the sound) until resumed; a seek moves the
// position (and the sound) to ms, the one way it can go back. The virtual
// clock only notes the pause: its owner decides what it reads.
void PauseMusic(bool paused);
bool MusicPaused();
void SeekMusicMs(int ms);
// How many seeks there have been: a change tells a reader that the position
// may have jumped, backwards too.
int MusicSeekCount();

}  // namespace velkor
