// inspect for mesh files: counts, meshes, materials, cameras and points of a
// file as the show's loader reads it, texture directory "data\".
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "assets/model.h"
#include "tools/inspect/describe.h"

namespace velkor {

namespace {

std::string JsonNumber(float v) {
  if (!std::isfinite(v)) return "null";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

std::string JsonFloats(const float* v, int n) {
  std::string out = "[";
  for (int i = 0; i < n; ++i) out += (i ? ", " : "") + JsonNumber(v[i]);
  return out + "]";
}

std::string JsonKeys(const std::vector<CameraKey>& keys) {
  std::string out = "[";
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const float k[4] = {keys[i].time, keys[i].x, keys[i].y, keys[i].z};
    out += (i ? ", " : "") + JsonFloats(k, 4);
  }
  return out + "]";
}

std::string JsonMeshes(const SceneModel& model) {
  std::string out = "[";
  for (std::uint32_t i = 0; i < model.meshCount; ++i) {
    const Mesh& m = model.meshes[i];
    out += (i ? ", " : "") + std::string("{\"vertexCount\": ") + std::to_string(m.vertexCount) +
           ", \"faceCount\": " + std::to_string(m.faceCount) + ", \"materialIndex\": " +
           std::to_string(m.materialIndex) + ", \"meshValue\": " + std::to_string(m.meshValue) + "}";
  }
  return out + "]";
}

std::string JsonMaterials(const SceneModel& model) {
  std::string out = "[";
  for (std::uint32_t i = 0; i < model.materialCount; ++i) {
    const Material& m = model.materials[i];
    out += (i ? ", " : "") + std::string("{\"name\": ") + JsonString(m.name) + ", \"path\": " + JsonString(m.path) + "}";
  }
  return out + "]";
}

std::string JsonCameras(const SceneModel& model) {
  std::string out = "[";
  for (std::size_t i = 0; i < model.cameras.size(); ++i) {
    const Camera& c = model.cameras[i];
    out += (i ? ", " : "") + std::string("{\"position\": ") + JsonFloats(c.position, 3) +
           ", \"target\": " + JsonFloats(c.target, 3) + ", \"fov\": " + JsonNumber(c.fov) +
           ", \"positionKeys\": " + JsonKeys(c.positionKeys) + ", \"targetKeys\": " + JsonKeys(c.targetKeys) + "}";
  }
  return out + "]";
}

std::string JsonPoints(const SceneModel& model) {
  std::string out = "[";
  for (std::size_t i = 0; i < model.points.size(); ++i) out += (i ? ", " : "") + JsonFloats(model.points[i].position, 3);
  return out + "]";
}

}  // namespace

bool InspectMesh(const char* path, std::string& json) {
  // Material paths as the show builds them before any scene sets its own directory.
  std::string error;
  const SceneModel model = ReadSceneModelFile(path, "data\\", &error);
  if (!error.empty()) {
    json = "{\"error\": " + JsonString(error) + "}";
    return false;
  }
  json = "{\"meshCount\": " + std::to_string(model.meshCount) + ", \"cameraCount\": " +
         std::to_string(model.cameraCount) + ", \"pointCount\": " + std::to_string(model.pointCount) +
         ", \"materialCount\": " + std::to_string(model.materialCount) + ", \"extraCount\": " +
         std::to_string(model.extraCount) + ", \"trackCount\": " + std::to_string(model.trackCount) +
         ", \"meshes\": " + JsonMeshes(model) + ", \"materials\": " + JsonMaterials(model) +
         ", \"cameras\": " + JsonCameras(model) + ", \"points\": " + JsonPoints(model) +
         // Valid but with nothing to draw or look through: most likely a damaged first tag.
         ", \"empty\": " + (model.meshCount == 0 && model.cameraCount == 0 ? "true" : "false") + "}";
  return true;
}

}  // namespace velkor
