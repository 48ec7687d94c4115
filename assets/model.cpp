// Mesh file loader (placeholder until the loader lands).
#include "assets/model.h"

#include <cstring>

namespace velkor {

char textureDirectory[kTextureDirectorySize] = "data\\";

void SetTextureDirectory(const char* dir) {
  std::strncpy(textureDirectory, dir, kTextureDirectorySize - 1);
  textureDirectory[kTextureDirectorySize - 1] = '\0';
}

const char* LastModelLoadError() { return "not implemented"; }
SceneModel LoadSceneModel(const char*) { return SceneModel(); }
SceneModel ParseSceneModel(const std::uint8_t*, std::size_t) { return SceneModel(); }
Camera* FirstCamera(SceneModel& model) { return model.cameras.empty() ? nullptr : &model.cameras[0]; }
void LoadMaterialTextures(SceneModel&) {}
void ComputeVertexNormals(SceneModel&) {}
void DrawSceneModel(const SceneModel&) {}
void AnimateCamera(Camera&, float) {}
void SetCameraProjection(const Camera*) {}
void LookThroughCamera(const Camera*) {}

}  // namespace velkor
