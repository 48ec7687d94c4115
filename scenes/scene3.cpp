// Scene 3: setup and per-frame drawing.
#include "scenes/scenes.h"

namespace velkor {

void SetupScene3() {}

void RenderScene3() {}

}  // namespace velkor
