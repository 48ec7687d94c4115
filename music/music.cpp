// Music start and shutdown over the sound layer.
#include "music/music.h"

namespace velkor {

// Placeholder until the sound layer lands: behaves as a silent track at 0 ms.
int SoundDevicePositionMs() { return 0; }

bool StartMusic() { return true; }

void StopMusic() {}

const char* SoundErrorText(int) { return "Unknown error"; }

}  // namespace velkor
