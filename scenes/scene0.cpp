// Scene 0: setup and per-frame drawing.
#include "scenes/scenes.h"

namespace velkor {

void SetupScene0() {}

void RenderScene0() {}

}  // namespace velkor
