// Scene models from the tagged mesh files: meshes with resolved vertex
// references, a de-duplicated material table, cameras with key tracks, points,
// extra records and named tracks. Also model preparation, drawing and cameras.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/texture.h"

namespace velkor {

constexpr int kMaxMeshes = 100;
constexpr int kMaxMaterials = 40;
constexpr int kMaterialNameSize = 50;
constexpr int kMaterialPathSize = 500;
constexpr int kTextureDirectorySize = 100;

// Directory prefix of material textures; "data\" until a scene setup sets its own.
extern char textureDirectory[kTextureDirectorySize];
// Copies dir (truncated to fit) into textureDirectory.
void SetTextureDirectory(const char* dir);

struct Vertex {
  float position[3];
  std::uint32_t mapping[2];  // kept from the file, not used for drawing
  float normal[3];
};

struct Face {
  std::uint32_t vertex[3];  // indices into the mesh's vertices, always in range
  float normal[3];
  float s[3];
  float t[3];
};

struct Mesh {
  std::uint32_t vertexCount = 0;
  std::uint32_t faceCount = 0;
  std::uint32_t materialIndex = 0;
  std::vector<Vertex> vertices;
  std::vector<Face> faces;
  std::uint32_t meshValue = 0;
};

struct Material {
  char name[kMaterialNameSize];
  char path[kMaterialPathSize];
  TextureRecord texture;
};

struct CameraKey {
  float time, x, y, z;
};

struct Camera {
  float position[3];
  float target[3];
  float fov;  // vertical, degrees
  std::uint32_t positionKeyCount = 0;
  std::uint32_t targetKeyCount = 0;
  std::vector<CameraKey> positionKeys;
  std::vector<CameraKey> targetKeys;
  float window[4];  // the four control values of the last evaluation
};

struct PointRecord {
  float position[3];
  std::uint32_t values[6];
};

struct ExtraRecord {
  std::uint32_t values[6];
};

struct NamedTrack {
  std::string name;
  std::uint8_t flag = 0;
  std::string secondName;  // only when flag is non-zero
  std::uint32_t values[3];
  std::uint32_t keyCount = 0;
  std::vector<std::array<std::uint32_t, 4>> keys;
};

struct SceneModel {
  std::uint32_t meshCount = 0;
  std::uint32_t cameraCount = 0;
  std::uint32_t pointCount = 0;
  std::uint32_t materialCount = 0;
  std::uint32_t extraCount = 0;
  std::uint32_t trackCount = 0;
  std::array<Mesh, kMaxMeshes> meshes;
  std::vector<Camera> cameras;
  // Set by the scene setups after the model is in its global; points into
  // cameras, so it must be set again after a copy. Null when there is none.
  Camera* currentCamera = nullptr;
  std::vector<PointRecord> points;
  std::array<Material, kMaxMaterials> materials{};
  std::vector<ExtraRecord> extras;
  std::vector<NamedTrack> tracks;
};

// Mesh files larger than this are refused before they are read whole.
constexpr std::size_t kModelFileMaxBytes = std::size_t{256} << 20;

// Parses a mesh file held in memory; material paths are textureDir followed
// by each bitmap's base name. Malformed bytes give the empty model (all counts
// 0, no camera) and *error (when given) says why; it is cleared on success.
SceneModel ParseSceneModel(const std::uint8_t* bytes, std::size_t size, const char* textureDir,
                           std::string* error = nullptr);

// Reads and parses one mesh file. A missing, unreadable, oversized or malformed
// file gives the empty model and *error = "path: reason"; empty after a good load.
SceneModel ReadSceneModelFile(const char* path, const char* textureDir, std::string* error);

// The show's load: ReadSceneModelFile with the current textureDirectory; a
// file it cannot use is also reported in one log line.
SceneModel LoadSceneModel(const char* path, std::string* error = nullptr);

// The model's first camera, or null when it has none.
Camera* FirstCamera(SceneModel& model);

// Loads every material's image as a TGA texture, in table order.
void LoadMaterialTextures(SceneModel& model);
// Smooth per-vertex normals from the face normals.
void ComputeVertexNormals(SceneModel& model);
// Gives back the model's material textures and memory; the model is as new.
void ReleaseSceneModel(SceneModel& model);
// What every scene does to a freshly loaded model: material textures, then normals.
void PrepareSceneModel(SceneModel& model);
// How a scene setup brings in the model it is seen through, in this order:
// textureDir becomes the texture directory, the file is loaded into model, its
// first camera becomes the current one, that camera's projection is set, and
// the model is prepared.
void SetUpSceneModel(SceneModel& model, const char* textureDir, const char* path);

// Draws every mesh as textured, smooth-shaded triangles on texture unit 0.
void DrawSceneModel(const SceneModel& model);

// Moves the camera's position and target along their key tracks to time t.
void AnimateCamera(Camera& camera, float t);

// The show's projection: vertical field of view in degrees, a 4:3 picture
// whatever the window's shape, near 0.1f, far 1000.
constexpr double kDefaultFovDegrees = 45.0;
constexpr double kPictureAspect = 4.0 / 3.0;
constexpr float kNearPlane = 0.1f;
constexpr double kFarPlane = 1000.0;

// The projection for a camera (its fov), or with no camera the default one.
// Leaves modelview current and identity.
void SetCameraProjection(const Camera* camera);
// gluLookAt from the camera's position to its target, up (0, 0, 1); nothing without a camera.
void LookThroughCamera(const Camera* camera);

// The translucent texture that mesh 26 is drawn with while scene 3 runs; scene 3's
// setup makes it, drawing reads it.
extern GLuint mesh26Texture;

}  // namespace velkor
