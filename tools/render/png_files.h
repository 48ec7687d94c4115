// PNG files of 8-bit RGB pixels: the offline renderer writes its frames with
// these, and the tests read frames back with them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkor {

// Writes width x height RGB pixels, top row first, to path: first as
// path + ".partial", renamed to path once complete. The bytes depend only on
// the pixels (fixed compression settings), so equal frames give equal files.
// False, with a message naming the file, when it cannot be written.
// Frames are written fast; a picture kept for its own sake may be written small.
enum class PngCompression { Fast, Small };
bool WritePngRgb(const std::string& path, int width, int height, const std::uint8_t* pixels,
                 PngCompression compression = PngCompression::Fast);

// Reads an 8-bit RGB or RGBA PNG into top-row-first RGB pixels. False, with a
// message naming the file, for anything else or a damaged file.
bool ReadPngRgb(const std::string& path, int* width, int* height, std::vector<std::uint8_t>* pixels);

}  // namespace velkor
