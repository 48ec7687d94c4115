// Scene 4: setup and per-frame drawing.
#include "scenes/scenes.h"

namespace velkor {

void SetupScene4() {}

void RenderScene4() {}

}  // namespace velkor
