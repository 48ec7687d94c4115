// inspect for TGA and JPEG images: size and pixel layout as the show's loaders
// see them, or why they would refuse the file.
#include "tools/inspect/describe.h"

#include <cstdint>
#include <vector>

#include "assets/texture.h"
#include "platform/jpeg.h"
#include "platform/paths.h"

namespace velkor {

namespace {

bool ReadImageFile(const char* path, std::vector<std::uint8_t>& bytes, std::string& json) {
  const ReadFileResult read = ReadDataFile(path, kImageFileMaxBytes, bytes);
  if (read == ReadFileResult::Ok) return true;
  json = "{\"error\": " + JsonString(read == ReadFileResult::TooLarge ? "file too large" : "cannot read file") + "}";
  return false;
}

}  // namespace

bool InspectTga(const char* path, std::string& json) {
  std::vector<std::uint8_t> bytes;
  if (!ReadImageFile(path, bytes, json)) return false;
  TextureRecord record{};
  if (const char* reason = DecodeTga(bytes.data(), bytes.size(), record)) {
    json = "{\"error\": " + JsonString(reason) + "}";
    return false;
  }
  json = "{\"format\": \"tga\", \"width\": " + std::to_string(record.width) +
         ", \"height\": " + std::to_string(record.height) +
         ", \"bitsPerPixel\": " + std::to_string(record.bitsPerPixel) + "}";
  return true;
}

bool InspectJpeg(const char* path, std::string& json) {
  std::vector<std::uint8_t> bytes;
  if (!ReadImageFile(path, bytes, json)) return false;
  JpegImage image;
  const int status = DecodeJpegRgb(bytes.data(), bytes.size(), image);
  if (status != kJpegOk) {
    json = "{\"error\": " + JsonString(JpegStatusText(status)) + "}";
    return false;
  }
  json = "{\"format\": \"jpeg\", \"width\": " + std::to_string(image.width) +
         ", \"height\": " + std::to_string(image.height) +
         ", \"channels\": " + std::to_string(image.channels) + "}";
  return true;
}

}  // namespace velkor
