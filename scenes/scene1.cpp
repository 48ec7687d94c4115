// Scene 1: setup and per-frame drawing.
#include "scenes/scenes.h"

namespace velkor {

void SetupScene1() {}

void RenderScene1() {}

}  // namespace velkor
