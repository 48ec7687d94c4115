// libFuzzer entry for the TGA reader: any byte string is either refused with a
// reason and no pixels, or gives width x height pixels of 3 or 4 bytes, all
// taken from inside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so any read past the end is caught by the sanitizer.
  const std::vector<std::uint8_t> bytes(data, data + size);
  velkor::TextureRecord record;
  const char* reason = velkor::DecodeTga(bytes.data(), bytes.size(), record);
  if (reason) {
    if (*reason == '\0' || !record.pixels.empty()) std::abort();
    return 0;
  }
  constexpr std::size_t kHeaderSize = 18;
  const std::size_t pixelBytes = std::size_t{record.width} * record.height * (record.bitsPerPixel / 8);
  if (record.bitsPerPixel != 24 && record.bitsPerPixel != 32) std::abort();
  if (pixelBytes == 0 || record.pixels.size() != pixelBytes || kHeaderSize + pixelBytes > size) std::abort();
  // Files store blue first: the first pixel's red is the third byte after the header.
  if (record.pixels[0] != bytes[kHeaderSize + 2] || record.pixels[2] != bytes[kHeaderSize]) std::abort();
  return 0;
}
