// The six scenes: each one's setup, run once when the scene begins, and its
// renderer, run for every drawn frame of the scene.
#pragma once

#include "music/sequencer.h"

namespace velkor {

void SetupScene0();
void SetupScene1();
void SetupScene2();
void SetupScene3();
void SetupScene4();
void SetupScene5();

void RenderScene0();
void RenderScene1();
void RenderScene2();
void RenderScene3();
void RenderScene4();
void RenderScene5();

// The show's scenes in order, for the sequencer. From the second pass after
// an entry's setup, its renderer also prepares the files of the scene after
// it and warms up that scene's draw states (see scenes/warm_up.h).
extern const SceneProcs kShowScenes[kSceneCount];

// Starts preparing the files that scene's setup reads (see assets/prepare.h).
void PrepareSceneAhead(int scene);

}  // namespace velkor
