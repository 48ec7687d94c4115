// Image files to GL textures: uncompressed TGA (pixels kept for composition),
// JPEG (one level, or a full mipmap chain), and RGBA textures composed from the
// colour of one kept TGA image and the red channel of another.
#pragma once

#include <cstddef>
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

// GL-free pieces of the loaders, also used by `inspect` and the tests.

// Image files larger than this are refused before they are read whole.
constexpr std::size_t kImageFileMaxBytes = std::size_t{96} << 20;
// Decoded TGA pixel data larger than this is refused (4096 x 4096 at 32 bits).
constexpr std::size_t kTgaMaxPixelBytes = std::size_t{64} << 20;

// Parses an uncompressed 24- or 32-bit TGA held in memory. width and height go
// into record as soon as the header has passed its fixed checks; on success
// bitsPerPixel and pixels too (a new[] block, R G B (A), file row order).
// textureId is never touched, nor pixels on failure. Returns null on success,
// otherwise why the file was refused.
const char* DecodeTga(const std::uint8_t* data, std::size_t size, TextureRecord& record);

// Frees a block DecodeTga or LoadTgaTexture kept and clears the pointer. The
// show keeps every image; this is for tools and tests.
void ReleaseTexturePixels(TextureRecord& record);

// True when image can take part in a composition: 256 x 256, 24 bits, pixels kept.
bool IsComposableImage(const TextureRecord& image);

// Fills overlayPixels from the colour and mask images; false (buffer untouched)
// when either is not composable.
bool ComposeOverlayPixels(const TextureRecord& colourImage, const TextureRecord& maskImage);

// Why the last texture load failed, naming the file; empty after a success.
const char* LastTextureLoadMessage();

}  // namespace velkor
