// JPEG decoding and encoding in memory (libjpeg-turbo underneath). Decoding
// always yields 8-bit RGB rows, top row first; library errors come back as a
// status instead of ending the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velkor {

// Status of a JPEG operation: 0 is success, anything else a failure.
enum JpegStatus : int {
  kJpegOk = 0,
  kJpegUnreadableFile = 1,  // the file could not be read (used by the texture loaders)
  kJpegBadData = 2,         // not a JPEG, truncated or corrupt
  kJpegUnsupported = 3,     // a colour layout that cannot be turned into RGB
  kJpegTooLarge = 4,        // larger than kJpegMaxSide or kJpegMaxPixels
  kJpegNoMemory = 5,
  kJpegBadArgument = 6,     // encoder input of the wrong size
};

// Decoded images are bounded so that a forged header cannot ask for gigabytes:
// a 300-byte file claiming 16000 x 4000 pixels took seconds and 200 MB to
// decode. 16 M pixels (48 MB of RGB) is far above any picture the show draws
// and within what a TGA may hold.
constexpr int kJpegMaxSide = 16384;
constexpr std::size_t kJpegMaxPixels = std::size_t{4096} * 4096;

// Short text for a status, for messages and `inspect`.
const char* JpegStatusText(int status);

struct JpegImage {
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, top row first
  int width = 0;
  int height = 0;
  int channels = 0;  // colour components stored in the file (1 grey, 3 colour, 4 CMYK)
};

// Decodes a whole JPEG held in memory. Greyscale comes out as three equal
// channels, CMYK/YCCK is converted to RGB. A truncated or corrupt stream fails
// (the library's "recoverable" warnings count as failures). On failure image is
// left empty.
int DecodeJpegRgb(const std::uint8_t* data, std::size_t size, JpegImage& image);

// Baseline JPEG of width x height pixels; rgb holds R, G, B bytes, top row
// first; quality 1..100 (clamped). Returns no bytes on failure.
std::vector<std::uint8_t> EncodeJpegRgb(const std::vector<std::uint8_t>& rgb, int width, int height,
                                        int quality);
// The same for one grey byte per pixel; the file has one component.
std::vector<std::uint8_t> EncodeJpegGrey(const std::vector<std::uint8_t>& grey, int width, int height,
                                         int quality);

}  // namespace velkor
