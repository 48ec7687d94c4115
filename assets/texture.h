// Image files to GL textures: uncompressed TGA (pixels kept for composition),
// JPEG (one level, or a full mipmap chain), and RGBA textures composed from the
// colour of one kept TGA image and the red channel of another.
#pragma once

#include <cstdint>

#include "platform/gl.h"

namespace velkor {

struct TextureRecord {
  std::uint8_t* pixels;       // width * height pixels, bitsPerPixel / 8 bytes each, R G B (A)
  std::uint32_t bitsPerPixel; // 24 or 32
  std::uint32_t width;
  std::uint32_t height;
  GLuint textureId;
};

constexpr int kOverlaySize = 256;
// Scratch buffer of every composition: 256 x 256 RGBA.
extern std::uint8_t overlayPixels[kOverlaySize * kOverlaySize * 4];

// True when a texture was created. The kept pixels stay in file row order.
bool LoadTgaTexture(TextureRecord* record, const char* path);

// 0 on success; non-zero on any failure, with *textureIdOut untouched.
int LoadJpegTexture(const char* path, GLuint* textureIdOut);
int LoadJpegTextureMipmapped(const char* path, GLuint* textureIdOut);

// Colour of colourImage, alpha = red of maskImage, uploaded into name. Both must
// be 256 x 256 at 24 bits with pixels; otherwise nothing happens.
void ComposeAlphaTexture(const TextureRecord& colourImage, const TextureRecord& maskImage, GLuint name);

}  // namespace velkor
