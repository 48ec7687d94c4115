// Start-up of everything the scenes rely on, and the global GL state.
#include "app/shell.h"

#include "assets/prepare.h"
#include "music/music.h"
#include "music/sequencer.h"
#include "platform/gl.h"
#include "platform/memory.h"
#include "proc/noise.h"
#include "scenes/scenes.h"

namespace velkor {

void SetGlobalGlState() {
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glEnable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
}

bool InitRenderer() {
  KeepFreedMemory();
  if (!StartMusic()) return false;
  InitNoiseTables();
  FetchMultitextureEntryPoints();
  SetGlobalGlState();
  SetSceneTable(kShowScenes);
  sceneIndex = 0;
  // Scene 0's files have been under preparation since the program started;
  // whatever is not ready yet is waited for rather than done twice.
  const bool waited = SetPreparationWaits(true);
  SetUpScene(0);
  SetPreparationWaits(waited);
  return true;
}

}  // namespace velkor
