// Image files to GL textures: uncompressed TGA (pixels kept for composition),
// JPEG (one level, or a full mipmap chain), and RGBA textures composed from the
// colour of one kept TGA image and the red channel of another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gl.h"

namespace velkor {

// One loaded image. It owns its kept pixels: it can be moved, not copied.
struct TextureRecord {
  std::vector<std::uint8_t> pixels;  // width * height pixels, bitsPerPixel / 8 bytes each, R G B (A); empty when none kept
  std::uint32_t bitsPerPixel = 0;    // 24 or 32
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  GLuint textureId = 0;
  std::string source;  // the file it was loaded from, for messages

  TextureRecord() = default;
  TextureRecord(TextureRecord&&) = default;
  TextureRecord& operator=(TextureRecord&&) = default;
  TextureRecord(const TextureRecord&) = delete;
  TextureRecord& operator=(const TextureRecord&) = delete;
};

constexpr int kOverlaySize = 256;
// Scratch buffer of every composition: 256 x 256 RGBA.
extern std::uint8_t overlayPixels[kOverlaySize * kOverlaySize * 4];

// Every loader returns true when it created its texture. On failure nothing
// is created, one line "path: reason" goes to the log, and *error (when given)
// receives the same text.

// The kept pixels stay in file row order.
bool LoadTgaTexture(TextureRecord* record, const char* path, std::string* error = nullptr);

// *textureIdOut is untouched on failure.
bool LoadJpegTexture(const char* path, GLuint* textureIdOut, std::string* error = nullptr);
bool LoadJpegTextureMipmapped(const char* path, GLuint* textureIdOut, std::string* error = nullptr);

// A setup that runs again (after a seek or in a loop) first gives back what
// its earlier run made. Name 0 is left alone (nothing to delete), so on a
// first run these make no GL calls.
void ReleaseTextureName(GLuint& name);       // deletes the texture, name becomes 0
void ReleaseTexture(TextureRecord& record);  // its texture and kept pixels; the record is as new

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
// bitsPerPixel and pixels too (R G B (A), file row order). textureId is never
// touched, nor pixels on failure. Returns null on success, otherwise why the
// file was refused (the convention of every decoder of bytes in memory).
const char* DecodeTga(const std::uint8_t* data, std::size_t size, TextureRecord& record);

// True when image can take part in a composition: 256 x 256, 24 bits, pixels kept.
bool IsComposableImage(const TextureRecord& image);

// Fills overlayPixels from the colour and mask images; false (buffer untouched)
// when either is not composable.
bool ComposeOverlayPixels(const TextureRecord& colourImage, const TextureRecord& maskImage);
// The same into out (kOverlaySize * kOverlaySize * 4 bytes), for callers off the main thread.
bool ComposeRgbaPixels(const TextureRecord& colourImage, const TextureRecord& maskImage, std::uint8_t* out);

}  // namespace velkor
