// The one table of files the show opens, with the format, size and depth each
// scene needs and the function that makes it. make-data writes exactly these
// files; the tests check them against the same table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/standin/mesh_writer.h"
#include "tools/standin/standin_paint.h"

namespace velkor {

enum class StandinKind { Music, Mesh, Tga, Jpeg };

struct StandinFile {
  const char* path;  // relative to the data set's root, lower case, '/' separators
  StandinKind kind;
  int width;   // images only
  int height;  // images only
  int bitsPerPixel;  // TGA only
  StandinImage (*paint)();     // images
  MeshFileDesc (*build)();     // meshes
};

// The whole table, in writing order.
const StandinFile* StandinFiles(std::size_t* count);

// The entry for path, or null.
const StandinFile* FindStandinFile(const char* path);

// The file's bytes: TGA images bottom row first, JPEG images stored upside
// down (the show maps a JPEG's first row to the bottom of its quads), meshes in
// the tagged format. Empty for the music entry (made elsewhere) or on failure.
std::vector<std::uint8_t> MakeStandinFileBytes(const StandinFile& file);

// Writes bytes to path, creating the directories above it; false when the
// file cannot be written whole.
bool WriteBytesFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace velkor
