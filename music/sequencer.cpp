// Clock arithmetic, scene switching and the per-frame dispatch.
#include "music/sequencer.h"

#include <chrono>

#include "platform/gl.h"

namespace velkor {

float demoTicks = 0.0f;
float sceneTicks = 0.0f;
int sceneStartTicks = 0;
int sceneIndex = 0;

namespace {
const SceneProcs* sceneTable = nullptr;

long long setupMicros = 0;  // setup time since the last TakeSetupMicros

void RunSetup(int index) {
  if (!sceneTable || !sceneTable[index].setup) return;
  const auto start = std::chrono::steady_clock::now();
  sceneTable[index].setup();
  setupMicros +=
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
}

void RunRenderer(int index) {
  if (sceneTable && sceneTable[index].render) sceneTable[index].render();
}
}  // namespace

void SetSceneTable(const SceneProcs* table) { sceneTable = table; }

void SetUpScene(int index) {
  if (index >= 0 && index < kSceneCount) RunSetup(index);
}

float DemoTicksFromMs(int ms) {
  // The constants are floats; the sum is formed wider and rounded once.
  return static_cast<float>(static_cast<double>(ms) * static_cast<double>(kTicksPerMs) +
                            static_cast<double>(kTickOffset));
}

float MusicMsFromTicks(float ticks) { return ticks * kMsPerTick; }

bool StepClock(int ms) {
  demoTicks = DemoTicksFromMs(ms);
  sceneTicks = demoTicks - static_cast<float>(sceneStartTicks);
  if (sceneIndex < 0 || sceneIndex >= kSceneCount) return false;
  if (sceneIndex < kSceneCount - 1) {
    if (sceneTicks > static_cast<float>(kSceneLengthTicks[sceneIndex])) {
      ++sceneIndex;
      RunSetup(sceneIndex);
      sceneTicks = 0.000001f;
      sceneStartTicks = static_cast<int>(demoTicks);
    }
    return false;
  }
  return sceneTicks > static_cast<float>(kSceneLengthTicks[kSceneCount - 1]);
}

int RenderFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  if (sceneIndex >= 0 && sceneIndex < kSceneCount) RunRenderer(sceneIndex);
  return 1;
}

int NominalSceneAt(float ticks) {
  int scene = 0;
  while (scene < kSceneCount - 1 && ticks > static_cast<float>(NominalSceneStartTicks(scene + 1))) ++scene;
  return scene;
}

int SceneStartMs(int index) {
  if (index <= 0) return 0;
  const float start = static_cast<float>(NominalSceneStartTicks(index));
  // The tick rate is a float sum: find the first millisecond past the start
  // from an estimate just below it.
  int ms = static_cast<int>(NominalMsFromTicks(start)) - 2;
  while (DemoTicksFromMs(ms) <= start) ++ms;
  return ms;
}

void SeekSequencer(int ms) {
  const float ticks = DemoTicksFromMs(ms);
  const int target = NominalSceneAt(ticks);
  const int from = target > sceneIndex ? sceneIndex + 1 : target < sceneIndex ? 0 : target + 1;
  for (int scene = from; scene <= target; ++scene) {
    sceneIndex = scene;
    RunSetup(scene);
  }
  const bool moved = from <= target;
  sceneIndex = target;
  if (moved || ticks < static_cast<float>(sceneStartTicks)) sceneStartTicks = NominalSceneStartTicks(target);
  demoTicks = ticks;
  sceneTicks = demoTicks - static_cast<float>(sceneStartTicks);
}

long long TakeSetupMicros() {
  const long long micros = setupMicros;
  setupMicros = 0;
  return micros;
}

void ResetSequencer() {
  demoTicks = 0.0f;
  sceneTicks = 0.0f;
  sceneStartTicks = 0;
  sceneIndex = 0;
}

}  // namespace velkor
