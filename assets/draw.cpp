// Drawing of a loaded model: every mesh as textured, smooth-shaded triangles in
// immediate mode on texture unit 0.
#include <algorithm>

#include "assets/model.h"
#include "music/sequencer.h"

namespace velkor {

GLuint mesh26Texture = 0;

namespace {

GLuint MaterialTexture(const SceneModel& model, const Mesh& mesh) {
  if (mesh.materialIndex >= static_cast<std::uint32_t>(kMaxMaterials)) return 0;
  return model.materials[mesh.materialIndex].texture.textureId;
}

void DrawMeshTriangles(const Mesh& mesh) {
  const std::uint32_t vertexCount = static_cast<std::uint32_t>(mesh.vertices.size());
  const std::uint32_t faceCount = std::min<std::uint32_t>(mesh.faceCount, static_cast<std::uint32_t>(mesh.faces.size()));
  glBegin(GL_TRIANGLES);
  for (std::uint32_t f = 0; f < faceCount; ++f) {
    const Face& face = mesh.faces[f];
    // Loaded models always pass; a hand-built one with a bad index loses that face only.
    if (face.vertex[0] >= vertexCount || face.vertex[1] >= vertexCount || face.vertex[2] >= vertexCount) continue;
    for (int c = 0; c < 3; ++c) {
      const Vertex& v = mesh.vertices[face.vertex[c]];
      glNormal3f(v.normal[0], v.normal[1], v.normal[2]);
      glMultiTexCoord2fARB(GL_TEXTURE0_ARB, face.s[c], face.t[c]);
      glVertex3f(v.position[0], v.position[1], v.position[2]);
    }
  }
  glEnd();
}

}  // namespace

// Scene 3 draws its meshes translucent, with mesh 26 wearing a texture of its own.
// Nothing is restored afterwards: later draws rely on the state left here.
void DrawSceneModel(const SceneModel& model) {
  const std::uint32_t count = std::min<std::uint32_t>(model.meshCount, kMaxMeshes);
  for (std::uint32_t i = 0; i < count; ++i) {
    const Mesh& mesh = model.meshes[i];
    const GLuint texture = MaterialTexture(model, mesh);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, texture);
    if (sceneIndex == 3) {
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glBindTexture(GL_TEXTURE_2D, i == 26 ? mesh26Texture : texture);
    }
    DrawMeshTriangles(mesh);
  }
}

}  // namespace velkor
