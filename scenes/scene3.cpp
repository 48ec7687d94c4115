// Scene 3: setup and per-frame drawing.
#include "scenes/scenes.h"

#include "assets/model.h"

namespace velkor {

GLuint mesh26Texture = 0;

void SetupScene3() {}

void RenderScene3() {}

}  // namespace velkor
