// Model preparation after loading: material textures and smooth vertex normals.
#include <algorithm>
#include <cmath>

#include "assets/model.h"

namespace velkor {

void LoadMaterialTextures(SceneModel& model) {
  const std::uint32_t count = std::min<std::uint32_t>(model.materialCount, kMaxMaterials);
  for (std::uint32_t i = 0; i < count; ++i) LoadTgaTexture(&model.materials[i].texture, model.materials[i].path);
}

namespace {

void AddFaceNormal(float* sum, const float* normal) {
  sum[0] += normal[0];
  sum[1] += normal[1];
  sum[2] += normal[2];
}

// Unit length of the summed face normals; straight up (the model files' vertical)
// when the sum has no direction: an unused vertex or normals that cancel.
void NormaliseSum(float* n) {
  const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  const float x = n[0] / length, y = n[1] / length, z = n[2] / length;
  if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z)) {
    n[0] = x, n[1] = y, n[2] = z;
  } else {
    n[0] = 0.0f, n[1] = 0.0f, n[2] = 1.0f;
  }
}

// Each vertex's sum takes the normals of the faces naming it, once per face and
// in face order, so the float result equals a per-vertex scan of all faces.
void ComputeMeshNormals(Mesh& mesh) {
  const std::uint32_t n = std::min<std::uint32_t>(mesh.vertexCount, static_cast<std::uint32_t>(mesh.vertices.size()));
  for (std::uint32_t j = 0; j < n; ++j) std::fill(mesh.vertices[j].normal, mesh.vertices[j].normal + 3, 0.0f);
  const std::uint32_t faceCount = std::min<std::uint32_t>(mesh.faceCount, static_cast<std::uint32_t>(mesh.faces.size()));
  for (std::uint32_t f = 0; f < faceCount; ++f) {
    const Face& face = mesh.faces[f];
    const std::uint32_t a = face.vertex[0], b = face.vertex[1], c = face.vertex[2];
    if (a < n) AddFaceNormal(mesh.vertices[a].normal, face.normal);
    if (b < n && b != a) AddFaceNormal(mesh.vertices[b].normal, face.normal);
    if (c < n && c != a && c != b) AddFaceNormal(mesh.vertices[c].normal, face.normal);
  }
  for (std::uint32_t j = 0; j < n; ++j) NormaliseSum(mesh.vertices[j].normal);
}

}  // namespace

void ComputeVertexNormals(SceneModel& model) {
  const std::uint32_t count = std::min<std::uint32_t>(model.meshCount, kMaxMeshes);
  for (std::uint32_t m = 0; m < count; ++m) ComputeMeshNormals(model.meshes[m]);
}

}  // namespace velkor

namespace velkor {

void PrepareSceneModel(SceneModel& model) {
  LoadMaterialTextures(model);
  ComputeVertexNormals(model);
}

void ReleaseSceneModel(SceneModel& model) {
  for (Material& material : model.materials) ReleaseTexture(material.texture);
  model = SceneModel();
}

void SetUpSceneModel(SceneModel& model, const char* textureDir, const char* path) {
  SetTextureDirectory(textureDir);
  model = LoadSceneModel(path);
  model.currentCamera = FirstCamera(model);
  SetCameraProjection(model.currentCamera);
  PrepareSceneModel(model);
}

}  // namespace velkor
