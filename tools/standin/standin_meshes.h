// The mesh and camera files of the stand-in data set, as plain descriptions for
// the mesh writer. Each scene's camera keys run a little past both ends of the
// time span the scene evaluates them over, so the camera never stops.
#pragma once

#include "tools/standin/mesh_writer.h"

namespace velkor {

// Scene 0: a mountain basin about 2000 units across with its flight camera,
// and the small crystal drawn a hundred times at 0.08 scale.
MeshFileDesc BuildBasinFile();
MeshFileDesc BuildCrystalFile();
// Ground height of the basin at (x, y).
double BasinHeight(double x, double y);

// Scene 2: the camera circling the cloud; the two sprite quads (mesh 1 = glow).
MeshFileDesc BuildCloudCameraFile();
MeshFileDesc BuildSpriteFile();

// Scene 3: the camera over the sculpture; the sculpture of 28 meshes (mesh 26
// is the glass sphere) with points at the tips for the point glows.
MeshFileDesc BuildGardenCameraFile();
MeshFileDesc BuildGardenFile();

// Scene 4: a long straight tube with the camera flying along its axis.
MeshFileDesc BuildTunnelFile();

// The texture directory in force when the show loads the mesh file at path
// (as the scenes spell it), or null for a file that is not a mesh file.
const char* MeshTextureDirectory(const char* path);

}  // namespace velkor
