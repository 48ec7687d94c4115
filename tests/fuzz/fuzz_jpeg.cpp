// libFuzzer entry for the JPEG decoder: any byte string either fails with a
// decoding status and an empty image, or gives an image within the size
// bounds with three bytes for every pixel (equal ones for a greyscale file).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  velkor::JpegImage image;
  const int status = velkor::DecodeJpegRgb(bytes.data(), bytes.size(), image);
  if (status != velkor::kJpegOk) {
    const bool decodingStatus = status == velkor::kJpegBadData || status == velkor::kJpegUnsupported ||
                                status == velkor::kJpegTooLarge || status == velkor::kJpegNoMemory;
    if (!decodingStatus || !image.rgb.empty() || image.width != 0 || image.height != 0) std::abort();
    return 0;
  }
  if (image.width <= 0 || image.height <= 0 || image.width > velkor::kJpegMaxSide ||
      image.height > velkor::kJpegMaxSide)
    std::abort();
  const std::size_t pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  if (pixels > velkor::kJpegMaxPixels || image.rgb.size() != pixels * 3) std::abort();
  if (image.channels != 1 && image.channels != 3 && image.channels != 4) std::abort();
  if (image.channels == 1)
    for (std::size_t i = 0; i < image.rgb.size(); i += 3)
      if (image.rgb[i] != image.rgb[i + 1] || image.rgb[i] != image.rgb[i + 2]) std::abort();
  return 0;
}
