// Clock arithmetic, scene switching and the per-frame dispatch.
#include "music/sequencer.h"

#include "platform/gl.h"
#include "scenes/scenes.h"

namespace velkor {

float demoTicks = 0.0f;
float sceneTicks = 0.0f;
int sceneStartTicks = 0;
int sceneIndex = 0;

const int kSceneLengthTicks[kSceneCount] = {250, 350, 300, 450, 300, 1100};

namespace {

using SceneProc = void (*)();
const SceneProc kSetups[kSceneCount] = {SetupScene0, SetupScene1, SetupScene2,
                                        SetupScene3, SetupScene4, SetupScene5};
const SceneProc kRenderers[kSceneCount] = {RenderScene0, RenderScene1, RenderScene2,
                                           RenderScene3, RenderScene4, RenderScene5};

}  // namespace

float DemoTicksFromMs(int ms) {
  // The constants are floats; the sum is formed wider and rounded once.
  return static_cast<float>(static_cast<double>(ms) * static_cast<double>(0.013f) +
                            static_cast<double>(0.001f));
}

float MusicMsFromTicks(float ticks) { return ticks * 76.92307f; }

bool StepClock(int ms) {
  demoTicks = DemoTicksFromMs(ms);
  sceneTicks = demoTicks - static_cast<float>(sceneStartTicks);
  if (sceneIndex < 0 || sceneIndex >= kSceneCount) return false;
  if (sceneIndex < kSceneCount - 1) {
    if (sceneTicks > static_cast<float>(kSceneLengthTicks[sceneIndex])) {
      ++sceneIndex;
      kSetups[sceneIndex]();
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
  if (sceneIndex >= 0 && sceneIndex < kSceneCount) kRenderers[sceneIndex]();
  return 1;
}

void ResetSequencer() {
  demoTicks = 0.0f;
  sceneTicks = 0.0f;
  sceneStartTicks = 0;
  sceneIndex = 0;
}

}  // namespace velkor
