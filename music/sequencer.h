// The tick clock derived from the music position and the scene sequencer:
// 13 ticks per second of music, six scenes of fixed length, one frame entry.
#pragma once

#include "music/timeline.h"

namespace velkor {

extern float demoTicks;       // music position in ticks
extern float sceneTicks;      // ticks since the current scene began
extern int sceneStartTicks;   // whole tick at which the current scene began
extern int sceneIndex;        // 0 .. 5

// What the sequencer runs for each scene: its setup, once when the scene
// begins, and its renderer, for every drawn frame of it. The program hands the
// table over at start-up; until then no scene code runs.
struct SceneProcs {
  void (*setup)();
  void (*render)();
};
void SetSceneTable(const SceneProcs* table);  // kSceneCount entries, or null

// demoTicks for a music position: ms * kTicksPerMs + kTickOffset, rounded to float.
float DemoTicksFromMs(int ms);

// Music time in milliseconds as the show reports it: demoTicks * kMsPerTick.
float MusicMsFromTicks(float ticks);

// One clock and sequencer step for the music position ms. Switches scene
// (running the new scene's setup) when the current one has run out.
// Returns true once the last scene has run out: the show is done.
bool StepClock(int ms);

// Clears, loads the identity and draws the current scene. Always 1.
int RenderFrame();

// The scene that holds `ticks` when every setup takes no time: scene k runs
// from just after its nominal start to its nominal end (the switch happens
// when a scene's length is exceeded). Ticks past the end belong to scene 5.
int NominalSceneAt(float ticks);
// The first music millisecond at which scene `index` has nominally begun
// (0 for scene 0).
int SceneStartMs(int index);

// Moves the sequencer to music position ms after a seek. Entering a later
// scene runs the setups of every scene on the way, in order; going back to an
// earlier scene runs the setups from scene 0 up to it. The scene's time then
// counts from its nominal start. The music position itself is the caller's.
void SeekSequencer(int ms);

// Runs the setup of scene `index` from the table, timed as the switches are;
// start-up sets up scene 0 this way.
void SetUpScene(int index);

// Wall time spent in scene setups (SetUpScene, and those StepClock and
// SeekSequencer run) since the last call, in microseconds; then starts
// counting afresh.
long long TakeSetupMicros();

// Back to the state before the first pass (scene 0, clock at zero); for tests
// and offline rendering, which drive several shows in one process.
void ResetSequencer();

}  // namespace velkor
