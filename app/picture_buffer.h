// The player's frames drawn at a size of their own (640 x 480 as the
// original, or another 4:3 size) and scaled to their place on the screen at
// each swap: in a framebuffer object, or where the GL has none, in the back
// buffer's upper-left corner, copied to a texture and drawn over the picture.
#pragma once

#include <string>

#include "app/resolution.h"

namespace velkor {

struct PictureBufferSettings {
  ResolutionRequest request;
  bool linear = true;  // the scaling filter: linear, or nearest for crisp pixels
  int msaa = 0;        // samples per drawn pixel in the framebuffer object
  bool framebufferObjects = true;  // false: the corner of the back buffer, as on a GL 1.x driver
  std::string renderer;  // the GL_RENDERER the choice is made on; empty: the current context's
};

// Whether the window should have samples of its own: only where the
// frames are drawn in it. A picture drawn apart takes the samples itself,
// and its copy cannot be made into a multisampled window.
bool WindowWantsSamples(const PictureBufferSettings& settings);

// With the window's context current, after the first layout: reads the
// renderer, chooses, and makes what the choice needs. Native, or a picture
// that cannot be had (no buffer of that size), leaves drawing as it is;
// the description says which and why.
void StartPictureBuffer(const PictureBufferSettings& settings);

// One line for the start-up message: the size drawn, how and why, and
// where it is seen.
std::string PictureBufferDescription();
bool PictureBufferInUse();

// Just before the swap: the frame is put in its place, scaled, with black
// bars around it. Just after: drawing goes to the picture again.
void ShowPicture();
void ReturnToPicture();

// The drawn frame as RGB rows, top row first (for tests); empty without a picture buffer.
std::string ReadDrawnPicture();

// Deletes what StartPictureBuffer made; drawing goes to the window again.
void StopPictureBuffer();

}  // namespace velkor
