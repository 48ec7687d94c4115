// The size the show's frames are drawn at, apart from the size of the
// screen that shows them: what a user asks for, what is chosen where the
// choice is left to the player, and where the picture goes in a drawable.
// Pure computation: no GL here.
#pragma once

#include <string>

namespace velkor {

// native: at the drawable's own pixels. original: 640 x 480, as the original
// drew, scaled up to the screen. fixed: another 4:3 size, scaled the same
// way. automatic: native on a hardware GL, original on a software renderer,
// whose cost grows with every pixel drawn.
enum class ResolutionMode { Automatic, Native, Original, Fixed };

struct ResolutionRequest {
  ResolutionMode mode = ResolutionMode::Automatic;
  int width = 0, height = 0;  // fixed only
};

// "auto", "native", "original" or "WxH" with W x 3 == H x 4, from 160 x 120
// to 8192 x 6144. False, leaving *request as it was, for anything else.
bool ParseResolution(const std::string& text, ResolutionRequest* request);

// The GL_RENDERER strings of software rasterisers: Mesa's llvmpipe and
// softpipe, SwiftShader, and Windows' own GDI renderer.
bool IsSoftwareRenderer(const char* renderer);

// What the player draws with: native (width and height 0) or an offscreen
// picture of width x height, and in words why, for the start-up line.
struct ResolutionChoice {
  bool offscreen = false;
  int width = 0, height = 0;
  std::string why;
};
ResolutionChoice ChooseResolution(const ResolutionRequest& request, const char* renderer);

// The picture's place in a drawable of width x height: all of it, or with
// keepAspect the largest centred 4:3 area (height 0 is taken as 1).
struct PictureRect {
  int x = 0, y = 0, width = 0, height = 0;
};
PictureRect FitPicture(int width, int height, bool keepAspect);

}  // namespace velkor
