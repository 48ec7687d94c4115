// Mesh file loader: walks the tagged block stream of a mesh file held in
// memory and builds a SceneModel. Every count, index and string is checked
// against the bytes that remain, so a damaged file gives the empty model and a
// message instead of a wild read.
#include "assets/model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "assets/mesh_format.h"
#include "assets/prepare.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace velkor {

char textureDirectory[kTextureDirectorySize] = "data\\";

void SetTextureDirectory(const char* dir) {
  std::strncpy(textureDirectory, dir, kTextureDirectorySize - 1);
  textureDirectory[kTextureDirectorySize - 1] = '\0';
}

namespace {

constexpr std::size_t kMaxStringLength = 1999;       // strings live in 2,000-byte blocks
constexpr std::size_t kMaxMaterialNameLength = kMaterialNameSize - 1;
constexpr std::size_t kMaterialNameCompare = 40;
constexpr std::size_t kVertexBytes = 20;
constexpr std::size_t kFaceBytes = 48;
constexpr std::size_t kKeyBytes = 16;
constexpr std::size_t kMinCameraBytes = 36;          // position, two empty tracks, target, fov
constexpr std::size_t kPointBytes = 36;
constexpr std::size_t kExtraBytes = 24;
constexpr std::size_t kMinTrackBytes = 18;           // empty name, flag, three values, key count

// A cursor over the file bytes that can never move past the end, with what
// the parse needs besides: the texture directory for material paths and the
// reason for giving up.
struct ByteReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
  const char* textureDir;
  std::string failReason;
};

bool Fail(ByteReader& r, const std::string& reason) {
  r.failReason = reason;
  return false;
}

std::size_t Remaining(const ByteReader& r) { return r.size - r.pos; }

std::string At(const ByteReader& r) { return " at byte " + std::to_string(r.pos); }

bool ReadU32(ByteReader& r, std::uint32_t& v, const char* what) {
  if (Remaining(r) < 4) return Fail(r, std::string("file ends inside ") + what + At(r));
  const std::uint8_t* p = r.data + r.pos;
  v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  r.pos += 4;
  return true;
}

bool ReadF32(ByteReader& r, float& v, const char* what) {
  std::uint32_t bits;
  if (!ReadU32(r, bits, what)) return false;
  std::memcpy(&v, &bits, 4);
  return true;
}

bool ReadFloats(ByteReader& r, float* v, int n, const char* what) {
  for (int i = 0; i < n; ++i)
    if (!ReadF32(r, v[i], what)) return false;
  return true;
}

bool ReadWords(ByteReader& r, std::uint32_t* v, int n, const char* what) {
  for (int i = 0; i < n; ++i)
    if (!ReadU32(r, v[i], what)) return false;
  return true;
}

bool ReadByte(ByteReader& r, std::uint8_t& v, const char* what) {
  if (Remaining(r) < 1) return Fail(r, std::string("file ends inside ") + what + At(r));
  v = r.data[r.pos++];
  return true;
}

// A NUL-terminated string of at most maxLength characters.
bool ReadString(ByteReader& r, std::size_t maxLength, std::string& out, const char* what) {
  const std::size_t window = std::min(Remaining(r), maxLength + 1);
  const void* nul = std::memchr(r.data + r.pos, 0, window);
  if (!nul) {
    if (window < maxLength + 1) return Fail(r, std::string("file ends inside ") + what + At(r));
    return Fail(r, std::string(what) + " longer than " + std::to_string(maxLength) + " characters" + At(r));
  }
  const std::size_t length = static_cast<const std::uint8_t*>(nul) - (r.data + r.pos);
  out.assign(reinterpret_cast<const char*>(r.data + r.pos), length);
  r.pos += length + 1;
  return true;
}

// Refuses a count whose records (at least minBytes each) cannot fit in what is left,
// before anything is allocated for them.
bool CheckCount(ByteReader& r, std::uint32_t count, std::size_t minBytes, const char* what) {
  if (count > Remaining(r) / minBytes)
    return Fail(r, std::string(what) + " count " + std::to_string(count) + " exceeds the file" + At(r));
  return true;
}

bool ReadVertices(ByteReader& r, Mesh& mesh) {
  if (!ReadU32(r, mesh.vertexCount, "vertex count") || !CheckCount(r, mesh.vertexCount, kVertexBytes, "vertex"))
    return false;
  mesh.vertices.assign(mesh.vertexCount, Vertex{});
  for (Vertex& v : mesh.vertices)
    if (!ReadFloats(r, v.position, 3, "vertex") || !ReadWords(r, v.mapping, 2, "vertex")) return false;
  return true;
}

bool ReadFaces(ByteReader& r, Mesh& mesh) {
  if (!ReadU32(r, mesh.faceCount, "face count") || !CheckCount(r, mesh.faceCount, kFaceBytes, "face")) return false;
  mesh.faces.assign(mesh.faceCount, Face{});
  for (Face& f : mesh.faces) {
    if (!ReadWords(r, f.vertex, 3, "face")) return false;
    for (std::uint32_t index : f.vertex)
      if (index >= mesh.vertexCount)
        return Fail(r, "face index " + std::to_string(index) + " not below vertex count " +
                    std::to_string(mesh.vertexCount) + At(r));
    if (!ReadFloats(r, f.normal, 3, "face")) return false;
    for (int c = 0; c < 3; ++c)
      if (!ReadF32(r, f.s[c], "face") || !ReadF32(r, f.t[c], "face")) return false;
  }
  return true;
}

const char* BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

void SetMaterialPath(Material& material, const char* textureDir, const char* baseName) {
  std::snprintf(material.path, kMaterialPathSize, "%s%s", textureDir, baseName);
}

// Finds or adds the mesh's material (names equal in their first 40 characters
// are one material; the last matching entry wins) and sets its texture path.
bool AssignMaterial(ByteReader& r, SceneModel& model, Mesh& mesh, const std::string& name, const std::string& bitmapPath) {
  const char* baseName = BaseName(bitmapPath);
  if (std::strlen(r.textureDir) + std::strlen(baseName) >= static_cast<std::size_t>(kMaterialPathSize))
    return Fail(r, "texture path for bitmap '" + bitmapPath + "' is 500 characters or longer");
  bool found = false;
  for (std::uint32_t i = 0; i < model.materialCount; ++i) {
    if (std::strncmp(name.c_str(), model.materials[i].name, kMaterialNameCompare) == 0) {
      mesh.materialIndex = i;
      found = true;
    }
  }
  if (!found) {
    if (model.materialCount >= static_cast<std::uint32_t>(kMaxMaterials))
      return Fail(r, "more than " + std::to_string(kMaxMaterials) + " materials");
    Material& entry = model.materials[model.materialCount];
    std::memcpy(entry.name, name.c_str(), name.size() + 1);
    SetMaterialPath(entry, r.textureDir, baseName);
    mesh.materialIndex = model.materialCount++;
  }
  // While only one material exists, each mesh using it names its texture anew.
  if (model.materialCount == 1) SetMaterialPath(model.materials[0], r.textureDir, baseName);
  return true;
}

bool ReadMesh(ByteReader& r, SceneModel& model, Mesh& mesh) {
  std::string name, bitmapPath;
  if (!ReadVertices(r, mesh) || !ReadFaces(r, mesh) || !ReadU32(r, mesh.meshValue, "mesh value")) return false;
  if (!ReadString(r, kMaxMaterialNameLength, name, "material name") ||
      !ReadString(r, kMaxStringLength, bitmapPath, "bitmap path"))
    return false;
  return AssignMaterial(r, model, mesh, name, bitmapPath);
}

// A later mesh block replaces the meshes of an earlier one, starting at mesh 0.
bool ReadMeshBlock(ByteReader& r, SceneModel& model) {
  std::uint32_t count;
  if (!ReadU32(r, count, "mesh count")) return false;
  if (count > static_cast<std::uint32_t>(kMaxMeshes))
    return Fail(r, "mesh count " + std::to_string(count) + " over the limit of " + std::to_string(kMaxMeshes));
  for (Mesh& mesh : model.meshes) mesh = Mesh();
  model.meshCount = count;
  for (std::uint32_t m = 0; m < count; ++m)
    if (!ReadMesh(r, model, model.meshes[m])) return false;
  return true;
}

bool ReadKeys(ByteReader& r, std::uint32_t& count, std::vector<CameraKey>& keys) {
  if (!ReadU32(r, count, "camera key count") || !CheckCount(r, count, kKeyBytes, "camera key")) return false;
  keys.assign(count, CameraKey{});
  for (CameraKey& k : keys) {
    float v[4];
    if (!ReadFloats(r, v, 4, "camera key")) return false;
    k = CameraKey{v[0], v[1], v[2], v[3]};
  }
  return true;
}

bool ReadCameraBlock(ByteReader& r, SceneModel& model) {
  if (!ReadU32(r, model.cameraCount, "camera count") ||
      !CheckCount(r, model.cameraCount, kMinCameraBytes, "camera"))
    return false;
  model.cameras.assign(model.cameraCount, Camera{});
  for (Camera& c : model.cameras) {
    if (!ReadFloats(r, c.position, 3, "camera") || !ReadKeys(r, c.positionKeyCount, c.positionKeys) ||
        !ReadKeys(r, c.targetKeyCount, c.targetKeys) || !ReadFloats(r, c.target, 3, "camera") ||
        !ReadF32(r, c.fov, "camera"))
      return false;
  }
  return true;
}

bool ReadPointBlock(ByteReader& r, SceneModel& model) {
  if (!ReadU32(r, model.pointCount, "point count") || !CheckCount(r, model.pointCount, kPointBytes, "point"))
    return false;
  model.points.assign(model.pointCount, PointRecord{});
  for (PointRecord& p : model.points)
    if (!ReadFloats(r, p.position, 3, "point") || !ReadWords(r, p.values, 6, "point")) return false;
  return true;
}

bool ReadExtraBlock(ByteReader& r, SceneModel& model) {
  if (!ReadU32(r, model.extraCount, "extra count") || !CheckCount(r, model.extraCount, kExtraBytes, "extra record"))
    return false;
  model.extras.assign(model.extraCount, ExtraRecord{});
  for (ExtraRecord& e : model.extras)
    if (!ReadWords(r, e.values, 6, "extra record")) return false;
  return true;
}

bool ReadTrack(ByteReader& r, NamedTrack& track) {
  if (!ReadString(r, kMaxStringLength, track.name, "track name") || !ReadByte(r, track.flag, "track flag"))
    return false;
  if (track.flag != 0 && !ReadString(r, kMaxStringLength, track.secondName, "second track name")) return false;
  if (!ReadWords(r, track.values, 3, "track") || !ReadU32(r, track.keyCount, "track key count") ||
      !CheckCount(r, track.keyCount, kKeyBytes, "track key"))
    return false;
  track.keys.assign(track.keyCount, std::array<std::uint32_t, 4>{});
  for (auto& k : track.keys)
    if (!ReadWords(r, k.data(), 4, "track key")) return false;
  return true;
}

bool ReadTrackBlock(ByteReader& r, SceneModel& model) {
  if (!ReadU32(r, model.trackCount, "track count") || !CheckCount(r, model.trackCount, kMinTrackBytes, "track"))
    return false;
  model.tracks.assign(model.trackCount, NamedTrack{});
  for (NamedTrack& t : model.tracks)
    if (!ReadTrack(r, t)) return false;
  return true;
}

// The block stream up to the end tag; unknown tags are skipped four bytes at a time.
bool ReadBlocks(ByteReader& r, SceneModel& model) {
  for (;;) {
    if (Remaining(r) < 4) return Fail(r, "no end tag (200) after the last block");
    std::uint32_t tag;
    ReadU32(r, tag, "tag");
    bool ok = true;
    switch (tag) {
      case kMeshTagMeshes: ok = ReadMeshBlock(r, model); break;
      case kMeshTagCameras: ok = ReadCameraBlock(r, model); break;
      case kMeshTagPoints: ok = ReadPointBlock(r, model); break;
      case kMeshTagExtras: ok = ReadExtraBlock(r, model); break;
      case kMeshTagTracks: ok = ReadTrackBlock(r, model); break;
      case kMeshTagEnd: return true;
      default: break;
    }
    if (!ok) return false;
  }
}

}  // namespace

SceneModel ParseSceneModel(const std::uint8_t* bytes, std::size_t size, const char* textureDir, std::string* error) {
  SceneModel model;
  ByteReader reader{bytes, bytes ? size : 0, 0, textureDir ? textureDir : "", {}};
  if (!ReadBlocks(reader, model)) {
    if (error) *error = reader.failReason;
    return SceneModel();
  }
  if (error) error->clear();
  return model;
}

SceneModel ReadSceneModelFile(const char* path, const char* textureDir, std::string* error) {
  std::vector<std::uint8_t> bytes;
  std::string reason;
  const ReadFileResult read = ReadDataFile(path, kModelFileMaxBytes, bytes);
  SceneModel model;
  if (read == ReadFileResult::Ok && !TakePreparedModel(path, textureDir, bytes, model))
    model = ParseSceneModel(bytes.data(), bytes.size(), textureDir, &reason);
  if (read != ReadFileResult::Ok) reason = ReadFileResultText(read);
  if (error) *error = reason.empty() ? reason : std::string(path) + ": " + reason;
  return model;
}

SceneModel LoadSceneModel(const char* path, std::string* error) {
  std::string reason;
  SceneModel model = ReadSceneModelFile(path, textureDirectory, &reason);
  if (!reason.empty()) LogLine(reason);
  // Valid, but nothing to draw or look through: most likely a damaged first tag.
  else if (model.meshCount == 0 && model.cameraCount == 0) LogLine(std::string(path) + ": holds no meshes and no cameras");
  if (error) *error = reason;
  return model;
}

Camera* FirstCamera(SceneModel& model) { return model.cameras.empty() ? nullptr : &model.cameras[0]; }

}  // namespace velkor
