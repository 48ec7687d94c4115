// Uncompressed TGA encoder.
#include "tools/standin/image_writers.h"

namespace velkor {

namespace {
constexpr int kTgaHeaderSize = 18;
constexpr int kTgaMaxSide = 65535;
}  // namespace

std::vector<std::uint8_t> EncodeTga(const std::vector<std::uint8_t>& pixels, int width, int height,
                                    int bitsPerPixel) {
  if (bitsPerPixel != 24 && bitsPerPixel != 32) return {};
  if (width <= 0 || height <= 0 || width > kTgaMaxSide || height > kTgaMaxSide) return {};
  const std::size_t bytesPerPixel = static_cast<std::size_t>(bitsPerPixel / 8);
  const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel;
  if (pixels.size() < size) return {};

  std::vector<std::uint8_t> out(kTgaHeaderSize + size, 0);
  out[2] = 2;  // uncompressed true colour
  out[12] = static_cast<std::uint8_t>(width & 0xff);
  out[13] = static_cast<std::uint8_t>(width >> 8);
  out[14] = static_cast<std::uint8_t>(height & 0xff);
  out[15] = static_cast<std::uint8_t>(height >> 8);
  out[16] = static_cast<std::uint8_t>(bitsPerPixel);
  out[17] = bitsPerPixel == 32 ? 8 : 0;  // alpha bits; origin bottom-left
  std::uint8_t* dst = out.data() + kTgaHeaderSize;
  for (std::size_t i = 0; i < size; i += bytesPerPixel) {
    dst[i] = pixels[i + 2];
    dst[i + 1] = pixels[i + 1];
    dst[i + 2] = pixels[i];
    if (bytesPerPixel == 4) dst[i + 3] = pixels[i + 3];
  }
  return out;
}

}  // namespace velkor
