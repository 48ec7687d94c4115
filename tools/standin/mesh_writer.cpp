// Mesh file writer: the exact byte layout the model loader parses.
#include "tools/standin/mesh_writer.h"

#include <cstring>

namespace velkor {

MeshBytes& MeshBytes::U32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return *this;
}

MeshBytes& MeshBytes::F32(float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, 4);
  return U32(bits);
}

MeshBytes& MeshBytes::Byte(std::uint8_t v) {
  bytes.push_back(v);
  return *this;
}

MeshBytes& MeshBytes::String(const std::string& s) {
  bytes.insert(bytes.end(), s.begin(), s.end());
  bytes.push_back(0);
  return *this;
}

MeshBytes& MeshBytes::Raw(const std::vector<std::uint8_t>& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
  return *this;
}

namespace {

void AppendMesh(MeshBytes& out, const MeshDesc& mesh) {
  out.U32(static_cast<std::uint32_t>(mesh.vertices.size()));
  for (const MeshVertexDesc& v : mesh.vertices)
    out.F32(v.position[0]).F32(v.position[1]).F32(v.position[2]).U32(v.mapping[0]).U32(v.mapping[1]);
  out.U32(static_cast<std::uint32_t>(mesh.faces.size()));
  for (const MeshFaceDesc& f : mesh.faces) {
    out.U32(f.vertex[0]).U32(f.vertex[1]).U32(f.vertex[2]);
    out.F32(f.normal[0]).F32(f.normal[1]).F32(f.normal[2]);
    for (int c = 0; c < 3; ++c) out.F32(f.s[c]).F32(f.t[c]);
  }
  out.U32(mesh.meshValue).String(mesh.materialName).String(mesh.bitmapPath);
}

void AppendKeys(MeshBytes& out, const std::vector<CameraKeyDesc>& keys) {
  out.U32(static_cast<std::uint32_t>(keys.size()));
  for (const CameraKeyDesc& k : keys) out.F32(k.time).F32(k.x).F32(k.y).F32(k.z);
}

}  // namespace

void AppendMeshBlock(MeshBytes& out, const std::vector<MeshDesc>& meshes) {
  out.U32(kMeshTagMeshes).U32(static_cast<std::uint32_t>(meshes.size()));
  for (const MeshDesc& m : meshes) AppendMesh(out, m);
}

void AppendCameraBlock(MeshBytes& out, const std::vector<CameraDesc>& cameras) {
  out.U32(kMeshTagCameras).U32(static_cast<std::uint32_t>(cameras.size()));
  for (const CameraDesc& c : cameras) {
    out.F32(c.position[0]).F32(c.position[1]).F32(c.position[2]);
    AppendKeys(out, c.positionKeys);
    AppendKeys(out, c.targetKeys);
    out.F32(c.target[0]).F32(c.target[1]).F32(c.target[2]).F32(c.fov);
  }
}

void AppendPointBlock(MeshBytes& out, const std::vector<PointDesc>& points) {
  out.U32(kMeshTagPoints).U32(static_cast<std::uint32_t>(points.size()));
  for (const PointDesc& p : points) {
    out.F32(p.position[0]).F32(p.position[1]).F32(p.position[2]);
    for (std::uint32_t v : p.values) out.U32(v);
  }
}

void AppendExtraBlock(MeshBytes& out, const std::vector<ExtraDesc>& extras) {
  out.U32(kMeshTagExtras).U32(static_cast<std::uint32_t>(extras.size()));
  for (const ExtraDesc& e : extras)
    for (std::uint32_t v : e.values) out.U32(v);
}

void AppendTrackBlock(MeshBytes& out, const std::vector<TrackDesc>& tracks) {
  out.U32(kMeshTagTracks).U32(static_cast<std::uint32_t>(tracks.size()));
  for (const TrackDesc& t : tracks) {
    out.String(t.name).Byte(t.flag);
    if (t.flag != 0) out.String(t.secondName);
    out.U32(t.values[0]).U32(t.values[1]).U32(t.values[2]);
    out.U32(static_cast<std::uint32_t>(t.keys.size()));
    for (const auto& k : t.keys) out.U32(k[0]).U32(k[1]).U32(k[2]).U32(k[3]);
  }
}

std::vector<std::uint8_t> BuildMeshFile(const MeshFileDesc& desc) {
  MeshBytes out;
  if (!desc.meshes.empty()) AppendMeshBlock(out, desc.meshes);
  for (std::uint32_t tag : desc.strayTags) out.U32(tag);
  if (!desc.cameras.empty()) AppendCameraBlock(out, desc.cameras);
  if (!desc.points.empty()) AppendPointBlock(out, desc.points);
  if (!desc.extras.empty()) AppendExtraBlock(out, desc.extras);
  if (!desc.tracks.empty()) AppendTrackBlock(out, desc.tracks);
  if (desc.endTag) out.U32(kMeshTagEnd);
  return out.bytes;
}

}  // namespace velkor
