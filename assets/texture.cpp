// Texture loaders: uncompressed TGA files (pixels kept for CPU composition),
// JPEG files (one level or a mipmap chain, pixels dropped after upload), and
// RGBA textures composed from one kept image's colour and another's red byte.
// Files are read whole and parsed from memory; the parsing is GL-free so that
// `inspect` and the tests share it.
#include "assets/texture.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "assets/prepare.h"
#include "platform/jpeg.h"
#include "platform/log.h"
#include "platform/mipmap.h"
#include "platform/paths.h"

namespace velkor {

std::uint8_t overlayPixels[kOverlaySize * kOverlaySize * 4];

namespace {

// Logs "path: reason" once and hands it to the caller; always false.
bool FailLoad(const char* path, const char* reason, std::string* error) {
  const std::string line = std::string(path ? path : "(null)") + ": " + reason;
  LogLine(line);
  if (error) *error = line;
  return false;
}

bool ReadImageFile(const char* path, std::vector<std::uint8_t>& bytes, std::string* error) {
  const ReadFileResult read = ReadDataFile(path, kImageFileMaxBytes, bytes);
  return read == ReadFileResult::Ok || FailLoad(path, ReadFileResultText(read), error);
}

// A cursor over a byte block that cannot step past its end.
struct ByteReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

// The next n bytes, or null (cursor unmoved) when fewer remain.
const std::uint8_t* TakeBytes(ByteReader& reader, std::size_t n) {
  if (reader.size - reader.pos < n) return nullptr;
  const std::uint8_t* p = reader.data + reader.pos;
  reader.pos += n;
  return p;
}

constexpr std::size_t kTgaFixedSize = 12;
constexpr std::size_t kTgaSizeFieldsSize = 6;

// Why the first 12 header bytes differ from 00 00 02 00 00 00 00 00 00 00 00 00.
const char* CheckTgaFixedBytes(const std::uint8_t* h) {
  if (h[0] != 0) return "TGA image ID field not supported";
  if (h[1] != 0) return "TGA colour map not supported";
  if (h[2] != 2) return "TGA image type not supported (only uncompressed true colour)";
  for (int i = 3; i < 8; ++i)
    if (h[i] != 0) return "TGA colour map fields not zero";
  for (int i = 8; i < 12; ++i)
    if (h[i] != 0) return "TGA image origin not zero";
  return nullptr;
}

void SwapRedAndBlue(std::uint8_t* pixels, std::size_t size, std::size_t step) {
  for (std::size_t i = 0; i + 2 < size; i += step) {
    const std::uint8_t b = pixels[i];
    pixels[i] = pixels[i + 2];
    pixels[i + 2] = b;
  }
}

// Rows of odd byte length are tightly packed in every image we upload: the
// unpack alignment is 1 while one of these lives, then back to what it was.
class TightUnpacking {
 public:
  TightUnpacking() {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previous_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  ~TightUnpacking() { glPixelStorei(GL_UNPACK_ALIGNMENT, previous_); }
  TightUnpacking(const TightUnpacking&) = delete;
  TightUnpacking& operator=(const TightUnpacking&) = delete;

 private:
  GLint previous_ = 4;
};

// GLU's choice of level 0's size: the nearest powers of two, halved together
// until the GL's proxy says that level 1 and below fit. The same queries in the
// same order as gluBuild2DMipmaps makes them.
void ClosestFit(GLint components, GLsizei width, GLsizei height, GLenum format, GLint* fitWidth, GLint* fitHeight) {
  if (PlatformHasProxyTextures()) {
    GLint w = NearestPowerOfTwo(width), h = NearestPowerOfTwo(height);
    for (;;) {
      const GLint w1 = w > 1 ? w >> 1 : w, h1 = h > 1 ? h >> 1 : h;
      if (PlatformProxyTextureFits(1, components, w1, h1, format)) {
        *fitWidth = w, *fitHeight = h;
        return;
      }
      if (w == 1 && h == 1) break;
      w = w1, h = h1;
    }
  }
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  *fitWidth = std::min<GLint>(NearestPowerOfTwo(width), maxSize);
  *fitHeight = std::min<GLint>(NearestPowerOfTwo(height), maxSize);
}

// Uploads a chain level by level with the pixel-store calls gluBuild2DMipmaps
// makes around its own uploads, so that GL sees the same sequence either way.
// source is the image the chain was made from (level 0 when it has that size).
void UploadChainAsGlu(const MipmapChain& chain, GLint components, GLenum format, const void* source,
                      const GLint (&store)[5]) {
  enum { kAlignment, kRowLength, kSkipRows, kSkipPixels, kSwapBytes };
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  const int levels = MipmapLevelCount(chain.width, chain.height);
  int level = 0;
  bool upload = true;
  if (chain.levels[0].empty()) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, store[kRowLength]);
    glTexImage2D(GL_TEXTURE_2D, 0, components, chain.width, chain.height, 0, format, GL_UNSIGNED_BYTE, source);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    level = 1;
    upload = levels > 0;
  }
  if (upload) {
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    for (; level <= levels; ++level)
      glTexImage2D(GL_TEXTURE_2D, level, components, MipmapSide(chain.width, level), MipmapSide(chain.height, level),
                   0, format, GL_UNSIGNED_BYTE, chain.levels[static_cast<std::size_t>(level)].data());
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, store[kAlignment]);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, store[kSkipRows]);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, store[kSkipPixels]);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, store[kRowLength]);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, store[kSwapBytes]);
}

// A chain prepared for these pixels is uploaded as GLU would have built it; a
// GL that cannot hold its size gets the size it can hold, computed here. Any
// other case (nothing prepared, unusual pixel-store state) goes to GLU itself.
void BuildMipmapsPacked(GLint components, GLsizei width, GLsizei height, GLenum format, const void* pixels,
                        std::shared_ptr<const MipmapChain> prepared = nullptr) {
  const TightUnpacking packing;
  const int bytesPerPixel = format == GL_RGBA ? 4 : 3;
  const std::shared_ptr<const MipmapChain> chain =
      FindPreparedChain(bytesPerPixel, width, height, static_cast<const std::uint8_t*>(pixels), std::move(prepared));
  GLint store[5] = {0, 0, 0, 0, 0};
  if (chain) {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &store[0]);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &store[1]);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &store[2]);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &store[3]);
    glGetIntegerv(GL_UNPACK_SWAP_BYTES, &store[4]);
  }
  if (!chain || store[0] != 1 || store[1] != 0 || store[2] != 0 || store[3] != 0 || store[4] != 0) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
    return;
  }
  GLint fitWidth = 0, fitHeight = 0;
  ClosestFit(components, width, height, format, &fitWidth, &fitHeight);
  if (fitWidth == chain->width && fitHeight == chain->height) {
    UploadChainAsGlu(*chain, components, format, pixels, store);
    return;
  }
  const MipmapChain fitted = BuildMipmapChain(static_cast<const std::uint8_t*>(pixels), width, height, bytesPerPixel,
                                              fitWidth, fitHeight, false);
  UploadChainAsGlu(fitted, components, format, pixels, store);
}

void UploadLevelZeroPacked(GLsizei width, GLsizei height, const void* rgb) {
  const TightUnpacking packing;
  glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

bool DecodeJpegFile(const char* path, JpegImage& image, std::string* error,
                    std::shared_ptr<const MipmapChain>* chain = nullptr) {
  std::vector<std::uint8_t> bytes;
  if (!ReadImageFile(path, bytes, error)) return false;
  if (TakePreparedJpeg(path, bytes, image, chain)) return true;
  const int status = DecodeJpegRgb(bytes.data(), bytes.size(), image);
  return status == kJpegOk || FailLoad(path, JpegStatusText(status), error);
}

}  // namespace

const char* DecodeTga(const std::uint8_t* data, std::size_t size, TextureRecord& record) {
  ByteReader reader{data, data ? size : 0, 0};
  const std::uint8_t* fixed = TakeBytes(reader, kTgaFixedSize);
  if (!fixed) return "file shorter than a TGA header";
  if (const char* reason = CheckTgaFixedBytes(fixed)) return reason;
  const std::uint8_t* fields = TakeBytes(reader, kTgaSizeFieldsSize);
  if (!fields) return "file shorter than a TGA header";
  record.width = fields[0] + 256u * fields[1];
  record.height = fields[2] + 256u * fields[3];
  const std::uint32_t bitsPerPixel = fields[4];
  if (record.width == 0 || record.height == 0) return "TGA width or height is zero";
  if (bitsPerPixel != 24 && bitsPerPixel != 32) return "TGA bits per pixel not supported (only 24 or 32)";
  record.bitsPerPixel = bitsPerPixel;

  // At most 65535 x 65535 x 4: no overflow in 64 bits.
  const std::uint64_t pixelBytes = std::uint64_t{record.width} * record.height * (bitsPerPixel / 8);
  if (pixelBytes > kTgaMaxPixelBytes) return "TGA image too large";
  const std::size_t blockSize = static_cast<std::size_t>(pixelBytes);
  const std::uint8_t* source = TakeBytes(reader, blockSize);
  if (!source) return "TGA pixel data shorter than width x height";
  std::vector<std::uint8_t> block;
  try {
    block.assign(source, source + blockSize);
  } catch (const std::bad_alloc&) {
    return "out of memory";
  }
  SwapRedAndBlue(block.data(), blockSize, bitsPerPixel / 8);
  record.pixels = std::move(block);
  return nullptr;
}

bool LoadTgaTexture(TextureRecord* record, const char* path, std::string* error) {
  if (!record) return FailLoad(path, "no record to load into", error);
  record->source = path ? path : "";
  std::vector<std::uint8_t> bytes;
  if (!ReadImageFile(path, bytes, error)) return false;
  std::shared_ptr<const MipmapChain> chain;
  if (!TakePreparedTga(path, bytes, *record, &chain))
    if (const char* reason = DecodeTga(bytes.data(), bytes.size(), *record)) return FailLoad(path, reason, error);

  glGenTextures(1, &record->textureId);
  glBindTexture(GL_TEXTURE_2D, record->textureId);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // Always three components, as for every texture of the show; a 32-bit image
  // is handed over as RGBA so its pixels are read at the right stride.
  const GLenum format = record->bitsPerPixel == 32 ? GL_RGBA : GL_RGB;
  BuildMipmapsPacked(3, static_cast<GLsizei>(record->width), static_cast<GLsizei>(record->height), format,
                     record->pixels.data(), std::move(chain));
  return true;
}

namespace {

// A fresh texture name, bound on the active unit, for a decoded JPEG.
GLuint BindNewJpegTexture() {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  return name;
}

}  // namespace

bool LoadJpegTexture(const char* path, GLuint* textureIdOut, std::string* error) {
  JpegImage image;
  if (!DecodeJpegFile(path, image, error)) return false;
  const GLuint name = BindNewJpegTexture();
  UploadLevelZeroPacked(image.width, image.height, image.rgb.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  if (textureIdOut) *textureIdOut = name;
  return true;
}

bool LoadJpegTextureMipmapped(const char* path, GLuint* textureIdOut, std::string* error) {
  JpegImage image;
  std::shared_ptr<const MipmapChain> chain;
  if (!DecodeJpegFile(path, image, error, &chain)) return false;
  const GLuint name = BindNewJpegTexture();
  // The chain is built from the image's own size; GLU rescales when needed.
  BuildMipmapsPacked(3, image.width, image.height, GL_RGB, image.rgb.data(), std::move(chain));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  if (textureIdOut) *textureIdOut = name;
  return true;
}

void ReleaseTextureName(GLuint& name) {
  if (name != 0) glDeleteTextures(1, &name);
  name = 0;
}

void ReleaseTexture(TextureRecord& record) {
  ReleaseTextureName(record.textureId);
  record = TextureRecord();
}

bool IsComposableImage(const TextureRecord& image) {
  return !image.pixels.empty() && image.bitsPerPixel == 24 && image.width == kOverlaySize &&
         image.height == kOverlaySize;
}

bool ComposeRgbaPixels(const TextureRecord& colourImage, const TextureRecord& maskImage, std::uint8_t* out) {
  if (!IsComposableImage(colourImage) || !IsComposableImage(maskImage)) return false;
  const std::uint8_t* colour = colourImage.pixels.data();
  const std::uint8_t* mask = maskImage.pixels.data();
  for (int p = 0; p < kOverlaySize * kOverlaySize; ++p) {
    out[4 * p] = colour[3 * p];
    out[4 * p + 1] = colour[3 * p + 1];
    out[4 * p + 2] = colour[3 * p + 2];
    out[4 * p + 3] = mask[3 * p];
  }
  return true;
}

bool ComposeOverlayPixels(const TextureRecord& colourImage, const TextureRecord& maskImage) {
  return ComposeRgbaPixels(colourImage, maskImage, overlayPixels);
}

namespace {

// A loaded image that cannot take part is reported; one that failed to load
// was reported by its loader.
void ReportUncomposable(const TextureRecord& image) {
  if (image.pixels.empty() || IsComposableImage(image)) return;
  LogLine(image.source + ": " + std::to_string(image.width) + " x " + std::to_string(image.height) + " at " +
          std::to_string(image.bitsPerPixel) + " bits, not 256 x 256 at 24; its composed texture is left out");
}

}  // namespace

void ComposeAlphaTexture(const TextureRecord& colourImage, const TextureRecord& maskImage, GLuint name) {
  if (!ComposeOverlayPixels(colourImage, maskImage)) {
    ReportUncomposable(colourImage);
    if (&maskImage != &colourImage) ReportUncomposable(maskImage);
    return;
  }
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  BuildMipmapsPacked(4, kOverlaySize, kOverlaySize, GL_RGBA, overlayPixels);
}

}  // namespace velkor
