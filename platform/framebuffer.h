// Framebuffer objects: pictures drawn off the screen at a size and sample
// count of their own, then copied to the window or read back. Every call
// needs a current context and FetchFramebufferEntryPoints() first; where the
// GL has no framebuffer objects (a 1.x driver) nothing is made and the
// calls do nothing.
#pragma once

namespace velkor {

// Looks the entry points up with the current context. False when any of
// the framebuffer-object calls is missing; glClipControl is optional.
bool FetchFramebufferEntryPoints();
bool FramebufferObjectsAvailable();

// RGB colour and 24-bit depth, as the context's own framebuffer has them,
// so that blending and depth tests come out the same. samples 0: one
// sample per pixel, not multisampled.
struct OffscreenBuffer {
  unsigned framebuffer = 0, colour = 0, depth = 0;
  int width = 0, height = 0, samples = 0;
};

// False (with nothing left allocated) when the GL refuses the buffer.
bool MakeOffscreenBuffer(int width, int height, int samples, bool withDepth, OffscreenBuffer* buffer);
void DeleteOffscreenBuffer(OffscreenBuffer* buffer);

// Where drawing goes and where reads and copies come from; 0 is the
// context's own framebuffer.
void BindDrawFramebuffer(unsigned framebuffer);
void BindReadFramebuffer(unsigned framebuffer);

// Copies colour from the read framebuffer's rectangle to the draw
// framebuffer's, scaled (linearly filtered when asked) and turned over
// where the corners say so. The scissor test is lifted for the copy.
struct BlitRect {
  int x0, y0, x1, y1;
};
void BlitColour(const BlitRect& from, const BlitRect& to, bool linear);

// Mesa stores the context's own framebuffer with its top row first and a
// framebuffer object with its bottom row first, so the same triangle is
// rasterised in opposite directions and its edge pixels and interpolated
// values differ slightly. With the upper-left origin the drawing is turned
// over: a framebuffer object then holds, row for row from the top, what the
// context's own framebuffer would at the same size, pixel for pixel, and
// viewports and scissors must be mirrored to cover the same pixels. False
// where the GL has no glClipControl (the origin stays).
bool SetUpperLeftOrigin(bool on);

}  // namespace velkor
