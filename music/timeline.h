// The show's timeline: the music track, the tick rate derived from its
// position, and the length of every scene. Everything that counts time in
// ticks or names the track takes it from here.
#pragma once

namespace velkor {

// The one music track, in the data directory.
constexpr const char* kMusicFileName = "mirok6.mp3";

// demoTicks = ms * kTicksPerMs + kTickOffset (13 ticks per second of music).
constexpr float kTicksPerMs = 0.013f;
constexpr float kTickOffset = 0.001f;
// The show's own way back from ticks to milliseconds.
constexpr float kMsPerTick = 76.92307f;

constexpr int kSceneCount = 6;
constexpr int kSceneLengthTicks[kSceneCount] = {250, 350, 300, 450, 300, 1100};

// Tick at which scene `index` begins when every setup is instant; for index
// kSceneCount, the end of the show.
constexpr int NominalSceneStartTicks(int index) {
  int ticks = 0;
  for (int i = 0; i < index && i < kSceneCount; ++i) ticks += kSceneLengthTicks[i];
  return ticks;
}
constexpr int kShowLengthTicks = NominalSceneStartTicks(kSceneCount);  // 2750

// The tick rate without the float rounding of kTicksPerMs, for planning
// (the stand-in song's sections, a renderer's time estimate).
constexpr double kTicksPerSecond = 13.0;
constexpr double NominalMsFromTicks(double ticks) { return ticks * 1000.0 / kTicksPerSecond; }

}  // namespace velkor
