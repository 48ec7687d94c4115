// The music track: started from memory before scene 0 is prepared, read for its
// position every pass, closed at shutdown. The position comes from a clock
// source: the sound device, or a virtual clock that its owner sets.
#pragma once

namespace velkor {

// Starts the music track (kMusicFileName) from the working directory. On failure an "ERROR!" box
// has been shown, the sound library closed where the rules say so, and false
// is returned. With the virtual clock in use nothing is played and this succeeds.
bool StartMusic();

// Closes the stream, then the sound library, then releases the music buffer.
void StopMusic();

// Current music position in milliseconds from the active clock source.
int MusicPositionMs();

// Text for a sound library error code; "Unknown error" outside 0 .. 19.
const char* SoundErrorText(int code);

// Switches the clock source to the virtual clock (true) or the sound device.
void UseVirtualClock(bool on);
bool VirtualClockInUse();
// The position the virtual clock reports from now on.
void SetVirtualClockMs(int ms);

}  // namespace velkor
