// Writes a few well-formed mesh files, every block kind among them, as the
// starting corpus of the mesh parser fuzzer.
#include <string>

#include "tools/standin/mesh_writer.h"
#include "tools/standin/standin_files.h"

int main(int argc, char** argv) {
  using namespace velkor;
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  MeshDesc mesh;
  mesh.vertices = {{{0, 0, 0}, {0, 0}}, {{1, 0, 0}, {1, 0}}, {{0, 1, 0}, {0, 1}}};
  mesh.faces = {{{0, 1, 2}, {0, 0, 1}, {0, 1, 0}, {0, 0, 1}}};
  mesh.materialName = "stone";
  mesh.bitmapPath = "C:\\maps\\rock.tga";
  MeshFileDesc full;
  full.meshes = {mesh, mesh};
  full.meshes[1].materialName = "metal";
  full.cameras = {CameraDesc{{0, 0, 0}, {{0, 1, 2, 3}, {10, 4, 5, 6}}, {{0, 0, 0, 0}}, {1, 1, 1}, 45}};
  full.points.resize(2);
  full.extras.resize(1);
  full.tracks = {TrackDesc{"a", 0, "", {0, 0, 0}, {}}, TrackDesc{"b", 1, "c", {0, 0, 0}, {{{1, 2, 3, 4}}}}};
  full.strayTags = {7};
  MeshFileDesc meshOnly;
  meshOnly.meshes = {mesh};
  bool ok = WriteBytesFile(dir + "/full.bin", BuildMeshFile(full));
  ok = WriteBytesFile(dir + "/mesh.bin", BuildMeshFile(meshOnly)) && ok;
  return WriteBytesFile(dir + "/end.bin", BuildMeshFile(MeshFileDesc{})) && ok ? 0 : 1;
}
