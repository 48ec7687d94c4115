// Writes a few well-formed mesh files as the starting corpus of the mesh parser fuzzer.
#include <cstdio>
#include <string>

#include "tools/standin/mesh_writer.h"
#include "tools/standin/standin_files.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  velkor::MeshFileDesc d;
  velkor::MeshDesc mesh;
  mesh.vertices.resize(3);
  mesh.vertices[1].position[0] = 1;
  mesh.vertices[2].position[1] = 1;
  mesh.faces.resize(1);
  mesh.faces[0].vertex[1] = 1;
  mesh.faces[0].vertex[2] = 2;
  mesh.materialName = "stone";
  mesh.bitmapPath = "C:\\maps\\rock.tga";
  d.meshes = {mesh, mesh};
  d.meshes[1].materialName = "metal";
  velkor::CameraDesc cam;
  cam.positionKeys = {{0, 1, 2, 3}, {10, 4, 5, 6}};
  cam.targetKeys = {{0, 0, 0, 0}};
  d.cameras = {cam};
  d.points.resize(2);
  d.extras.resize(1);
  velkor::TrackDesc plain, paired;
  plain.name = "a";
  paired.name = "b";
  paired.flag = 1;
  paired.secondName = "c";
  paired.keys = {{{1, 2, 3, 4}}};
  d.tracks = {plain, paired};
  d.strayTags = {7};
  bool ok = velkor::WriteBytesFile(dir + "/full.bin", velkor::BuildMeshFile(d));
  velkor::MeshFileDesc meshesOnly;
  meshesOnly.meshes = {mesh};
  ok = velkor::WriteBytesFile(dir + "/mesh.bin", velkor::BuildMeshFile(meshesOnly)) && ok;
  ok = velkor::WriteBytesFile(dir + "/end.bin", velkor::BuildMeshFile(velkor::MeshFileDesc{})) && ok;
  return ok ? 0 : 1;
}
