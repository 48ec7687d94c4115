// The virtual clock and the choice of clock source.
#include "music/music.h"

#include "platform/sound.h"

namespace velkor {

namespace {
struct ClockState {
  bool virtualInUse = false;
  int virtualMs = 0;
};
ClockState clock;
}  // namespace

void UseVirtualClock(bool on) { clock.virtualInUse = on; }
bool VirtualClockInUse() { return clock.virtualInUse; }
void SetVirtualClockMs(int ms) { clock.virtualMs = ms; }

int MusicPositionMs() { return clock.virtualInUse ? clock.virtualMs : SoundPositionMs(); }

}  // namespace velkor
