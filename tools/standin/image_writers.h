// Image file encoders for the stand-in data generator and the tests: uncompressed
// TGA here, JPEG in platform/jpeg.h.
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

// An uncompressed true-colour TGA (type 2, bottom-left origin, no ID field, no
// colour map). pixels: width * height pixels in R, G, B (, A) order, bottom row
// first, bitsPerPixel / 8 bytes each; they are written as B, G, R (, A). Returns
// no bytes when bitsPerPixel is not 24 or 32, a size is 0 or above 65535, or
// pixels is too short.
std::vector<std::uint8_t> EncodeTga(const std::vector<std::uint8_t>& pixels, int width, int height,
                                    int bitsPerPixel);

}  // namespace velkor
