// The tagged block format of the mesh files: each block starts with one of
// these little-endian 32-bit tags, and the end tag closes the file. Any other
// word between blocks is skipped. Read by the loader, written by the stand-in
// generator, described by the inspector.
#pragma once

#include <cstdint>

namespace velkor {

constexpr std::uint32_t kMeshTagMeshes = 100;
constexpr std::uint32_t kMeshTagEnd = 200;
constexpr std::uint32_t kMeshTagCameras = 300;
constexpr std::uint32_t kMeshTagPoints = 400;
constexpr std::uint32_t kMeshTagExtras = 500;
constexpr std::uint32_t kMeshTagTracks = 600;

}  // namespace velkor
