// The tick clock derived from the music position and the scene sequencer:
// 13 ticks per second of music, six scenes of fixed length, one frame entry.
#pragma once

namespace velkor {

extern float demoTicks;       // music position in ticks
extern float sceneTicks;      // ticks since the current scene began
extern int sceneStartTicks;   // whole tick at which the current scene began
extern int sceneIndex;        // 0 .. 5

constexpr int kSceneCount = 6;
extern const int kSceneLengthTicks[kSceneCount];  // 250, 350, 300, 450, 300, 1100

// demoTicks for a music position: ms * 0.013f + 0.001f, rounded to float.
float DemoTicksFromMs(int ms);

// Music time in milliseconds as the show reports it: demoTicks * 76.92307f.
float MusicMsFromTicks(float ticks);

// One clock and sequencer step for the music position ms. Switches scene
// (running the new scene's setup) when the current one has run out.
// Returns true once the last scene has run out: the show is done.
bool StepClock(int ms);

// Clears, loads the identity and draws the current scene. Always 1.
int RenderFrame();

// Back to the state before the first pass (scene 0, clock at zero); for tests
// and offline rendering, which drive several shows in one process.
void ResetSequencer();

}  // namespace velkor
