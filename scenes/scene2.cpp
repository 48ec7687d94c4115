// Scene 2: setup and per-frame drawing.
#include "scenes/scenes.h"

namespace velkor {

void SetupScene2() {}

void RenderScene2() {}

}  // namespace velkor
