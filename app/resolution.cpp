// Render resolution: parsing, the automatic choice, the picture's place.
#include "app/resolution.h"

#include <cstdlib>
#include <cstring>

namespace velkor {

namespace {

constexpr int kOriginalWidth = 640, kOriginalHeight = 480;

bool ParseSize(const std::string& text, int* width, int* height) {
  const size_t x = text.find('x');
  if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (i != x && (text[i] < '0' || text[i] > '9')) return false;
  if (x > 5 || text.size() - x - 1 > 5) return false;
  *width = std::atoi(text.substr(0, x).c_str());
  *height = std::atoi(text.substr(x + 1).c_str());
  return true;
}

}  // namespace

bool ParseResolution(const std::string& text, ResolutionRequest* request) {
  ResolutionRequest r;
  if (text == "auto") r.mode = ResolutionMode::Automatic;
  else if (text == "native") r.mode = ResolutionMode::Native;
  else if (text == "original") r.mode = ResolutionMode::Original;
  else {
    int width = 0, height = 0;
    if (!ParseSize(text, &width, &height)) return false;
    if (width * 3 != height * 4 || width < 160 || width > 8192) return false;
    r.mode = ResolutionMode::Fixed;
    r.width = width;
    r.height = height;
  }
  *request = r;
  return true;
}

bool IsSoftwareRenderer(const char* renderer) {
  if (!renderer) return false;
  static const char* const kSoftware[] = {"llvmpipe", "softpipe", "SwiftShader", "GDI Generic"};
  for (const char* name : kSoftware)
    if (std::strstr(renderer, name)) return true;
  return false;
}

ResolutionChoice ChooseResolution(const ResolutionRequest& request, const char* renderer) {
  ResolutionChoice c;
  const std::string name = renderer && *renderer ? renderer : "an unnamed renderer";
  switch (request.mode) {
    case ResolutionMode::Native: c.why = "asked for"; return c;
    case ResolutionMode::Original:
      c.offscreen = true, c.width = kOriginalWidth, c.height = kOriginalHeight, c.why = "asked for";
      return c;
    case ResolutionMode::Fixed:
      c.offscreen = true, c.width = request.width, c.height = request.height, c.why = "asked for";
      return c;
    case ResolutionMode::Automatic: break;
  }
  if (IsSoftwareRenderer(renderer)) {
    c.offscreen = true, c.width = kOriginalWidth, c.height = kOriginalHeight;
    c.why = "auto: " + name + " draws in software";
  } else {
    c.why = "auto: " + name + " is not a software renderer";
  }
  return c;
}

PictureRect FitPicture(int width, int height, bool keepAspect) {
  if (height == 0) height = 1;
  PictureRect r{0, 0, width, height};
  if (!keepAspect) return r;
  if (static_cast<long>(width) * 3 > static_cast<long>(height) * 4) r.width = static_cast<int>(height * 4L / 3);
  else r.height = static_cast<int>(width * 3L / 4);
  r.x = (width - r.width) / 2;
  r.y = (height - r.height) / 2;
  return r;
}

}  // namespace velkor
