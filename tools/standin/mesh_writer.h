// Writes tagged mesh files (the format the show's model loader reads) from a
// plain description, plus a byte builder for hand-made or deliberately broken
// files. Used by make-data and by the tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/mesh_format.h"

namespace velkor {

// Little-endian bytes, appended in order.
struct MeshBytes {
  std::vector<std::uint8_t> bytes;
  MeshBytes& U32(std::uint32_t v);
  MeshBytes& F32(float v);
  MeshBytes& Byte(std::uint8_t v);
  // The characters of s followed by one NUL.
  MeshBytes& String(const std::string& s);
  MeshBytes& Raw(const std::vector<std::uint8_t>& more);
};

struct MeshVertexDesc {
  float position[3] = {0, 0, 0};
  std::uint32_t mapping[2] = {0, 0};
};

struct MeshFaceDesc {
  std::uint32_t vertex[3] = {0, 0, 0};
  float normal[3] = {0, 0, 1};
  float s[3] = {0, 0, 0};  // corner texture coordinates; written interleaved s0 t0 s1 t1 s2 t2
  float t[3] = {0, 0, 0};
};

struct MeshDesc {
  std::vector<MeshVertexDesc> vertices;
  std::vector<MeshFaceDesc> faces;
  std::uint32_t meshValue = 0;
  std::string materialName;
  std::string bitmapPath;
};

struct CameraKeyDesc {
  float time = 0, x = 0, y = 0, z = 0;
};

struct CameraDesc {
  float position[3] = {0, 0, 0};
  std::vector<CameraKeyDesc> positionKeys;
  std::vector<CameraKeyDesc> targetKeys;
  float target[3] = {0, 0, 0};
  float fov = 45.0f;
};

struct PointDesc {
  float position[3] = {0, 0, 0};
  std::uint32_t values[6] = {0, 0, 0, 0, 0, 0};
};

struct ExtraDesc {
  std::uint32_t values[6] = {0, 0, 0, 0, 0, 0};
};

struct TrackDesc {
  std::string name;
  std::uint8_t flag = 0;
  std::string secondName;  // written only when flag is non-zero
  std::uint32_t values[3] = {0, 0, 0};
  std::vector<std::array<std::uint32_t, 4>> keys;
};

// One whole file. Blocks are written in the order meshes, stray tags, cameras,
// points, extras, tracks, then the end tag; an empty vector writes no block.
struct MeshFileDesc {
  std::vector<MeshDesc> meshes;
  std::vector<std::uint32_t> strayTags;  // unknown tags the loader must skip
  std::vector<CameraDesc> cameras;
  std::vector<PointDesc> points;
  std::vector<ExtraDesc> extras;
  std::vector<TrackDesc> tracks;
  bool endTag = true;
};

// Single blocks, tag and count included, for files with unusual block orders.
void AppendMeshBlock(MeshBytes& out, const std::vector<MeshDesc>& meshes);
void AppendCameraBlock(MeshBytes& out, const std::vector<CameraDesc>& cameras);
void AppendPointBlock(MeshBytes& out, const std::vector<PointDesc>& points);
void AppendExtraBlock(MeshBytes& out, const std::vector<ExtraDesc>& extras);
void AppendTrackBlock(MeshBytes& out, const std::vector<TrackDesc>& tracks);

// The bytes of a whole file.
std::vector<std::uint8_t> BuildMeshFile(const MeshFileDesc& desc);

}  // namespace velkor
