// Scene 5: setup and per-frame drawing.
#include "scenes/scenes.h"

namespace velkor {

void SetupScene5() {}

void RenderScene5() {}

}  // namespace velkor
