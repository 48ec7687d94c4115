// The scene table the program hands to the sequencer.
#include "scenes/scenes.h"

namespace velkor {

const SceneProcs kShowScenes[kSceneCount] = {
    {SetupScene0, RenderScene0}, {SetupScene1, RenderScene1}, {SetupScene2, RenderScene2},
    {SetupScene3, RenderScene3}, {SetupScene4, RenderScene4}, {SetupScene5, RenderScene5},
};

}  // namespace velkor
