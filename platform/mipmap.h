// Mipmap chains computed in memory, level for level the bytes that GLU's
// gluBuild2DMipmaps hands to glTexImage2D for 8-bit RGB and RGBA pixels in
// tightly packed rows: the source scaled to the nearest power of two (GLU's
// box filter), then halved down to 1 x 1. GL-free, so a worker thread can build
// them ahead, the browser build's gluBuild2DMipmaps can build them over WebGL,
// and the tests can compare them without a context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velkor {

struct MipmapChain {
  int components = 0;         // 3 or 4 bytes a pixel
  int sourceWidth = 0;        // the image the chain was built from
  int sourceHeight = 0;
  int width = 0;              // level 0, powers of two
  int height = 0;
  // levels[i] is level i, tightly packed. When the source already has level
  // 0's size, GLU uploads the source itself: levels[0] is then empty.
  std::vector<std::vector<std::uint8_t>> levels;
  std::vector<std::uint8_t> source;  // a copy of the source, to recognise it again
};

// The power of two GLU chooses for a side of n pixels (n >= 1): the one below
// n when n is under 1.5 times it, else the one above.
int NearestPowerOfTwo(int n);

// How many levels follow level 0 for a width x height level 0 (powers of two).
int MipmapLevelCount(int width, int height);

// The width x height level (powers of two) made from a sourceWidth x
// sourceHeight image of `components` bytes a pixel, then every smaller level.
// keepSource copies the source into the chain.
MipmapChain BuildMipmapChain(const std::uint8_t* pixels, int sourceWidth, int sourceHeight, int components,
                             int width, int height, bool keepSource);

// The size of level `level` of a chain: each side halved, never below 1.
int MipmapSide(int side, int level);

}  // namespace velkor
