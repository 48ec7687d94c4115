// Framebuffer objects for supersampled and multisampled offline frames, and
// pixel buffers for reading frames back.
#include "tools/render/draw_target.h"

#include <cstring>
#include <vector>

#include "platform/framebuffer.h"
#include "platform/gl.h"

namespace velkor {

namespace {

// Pixel-buffer-object entry points, for reads that do not stall the GL thread.
struct BufferCalls {
  PFNGLGENBUFFERSPROC genBuffers = nullptr;
  PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
  PFNGLBINDBUFFERPROC bindBuffer = nullptr;
  PFNGLBUFFERDATAPROC bufferData = nullptr;
  PFNGLMAPBUFFERPROC mapBuffer = nullptr;
  PFNGLUNMAPBUFFERPROC unmapBuffer = nullptr;
};

template <typename T>
bool Fetch(T& slot, const char* name) {
  slot = reinterpret_cast<T>(PlatformGetProcAddress(name));
  return slot != nullptr;
}

bool FetchBufferCalls(BufferCalls* c) {
  bool all = true;
  all &= Fetch(c->genBuffers, "glGenBuffers");
  all &= Fetch(c->deleteBuffers, "glDeleteBuffers");
  all &= Fetch(c->bindBuffer, "glBindBuffer");
  all &= Fetch(c->bufferData, "glBufferData");
  all &= Fetch(c->mapBuffer, "glMapBuffer");
  all &= Fetch(c->unmapBuffer, "glUnmapBuffer");
  return all;
}

struct DrawTargetState {
  DrawTargetSize size;
  int drawWidth = 0, drawHeight = 0;
  OffscreenBuffer drawn;     // where the show draws; multisampled with msaa
  OffscreenBuffer resolved;  // msaa only: the drawn samples resolved, for reading
  bool objects = false;  // false: the context's own framebuffer
  bool topRowFirst = false;  // drawn with the upper-left origin: read back top row first
  // Reads in flight, oldest first, each in a pixel buffer of its own; where
  // there are no pixel buffers, in memory, read at once.
  BufferCalls buffers;
  bool pixelBuffers = false;
  GLuint pixelBuffer[kReadbacksInFlight] = {};
  std::vector<std::uint8_t> staged[kReadbacksInFlight];
  int firstPending = 0, pending = 0;
};
DrawTargetState target;

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// What this GL cannot hold, before anything is allocated: empty when it can.
std::string CheckLimits(const DrawTargetSize& s, int drawWidth, int drawHeight) {
  GLint renderbuffer = 0, viewport[2] = {0, 0}, samples = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  glGetIntegerv(GL_MAX_SAMPLES, &samples);
  const std::string wanted = "--size " + SizeText(s.width, s.height) + " with --ssaa " + std::to_string(s.ssaa) +
                             " draws " + SizeText(drawWidth, drawHeight);
  if (drawWidth > renderbuffer || drawHeight > renderbuffer)
    return wanted + ", but this GL's renderbuffers stop at " + SizeText(renderbuffer, renderbuffer);
  if (drawWidth > viewport[0] || drawHeight > viewport[1])
    return wanted + ", but this GL's viewport stops at " + SizeText(viewport[0], viewport[1]);
  if (s.msaa > samples)
    return "--msaa " + std::to_string(s.msaa) + " asks for more samples than this GL offers (at most " +
           std::to_string(samples) + ")";
  return "";
}

size_t FrameBytes() { return static_cast<size_t>(target.drawWidth) * target.drawHeight * 3; }

void MakePixelBuffers() {
  BufferCalls& gl = target.buffers;
  target.pixelBuffers = FetchBufferCalls(&gl);
  if (!target.pixelBuffers) return;
  gl.genBuffers(kReadbacksInFlight, target.pixelBuffer);
  for (GLuint buffer : target.pixelBuffer) {
    gl.bindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
    gl.bufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(FrameBytes()), nullptr, GL_STREAM_READ);
  }
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

// Rectangles stay in framebuffer coordinates under the upper-left origin:
// mirrored, they cover the rows that the context's own framebuffer would.
GLint MirroredY(GLint y, GLint height) { return target.drawHeight - y - height; }

}  // namespace

bool OpenDrawTarget(const DrawTargetSize& size, std::string* error) {
  target = DrawTargetState();
  target.size = size;
  target.drawWidth = size.width * size.ssaa;
  target.drawHeight = size.height * size.ssaa;
  if (size.ssaa == 1 && size.msaa == 0) {
    // The offscreen context may be single-buffered: read where the show draws.
    GLint drawBuffer = GL_BACK;
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    glReadBuffer(static_cast<GLenum>(drawBuffer));
    MakePixelBuffers();
    return true;
  }
  if (!FetchFramebufferEntryPoints()) {
    *error = "--ssaa and --msaa need framebuffer objects, which this GL does not offer";
    return false;
  }
  *error = CheckLimits(size, target.drawWidth, target.drawHeight);
  if (!error->empty()) return false;
  while (glGetError() != GL_NO_ERROR) {
  }
  target.objects = true;
  bool ok = MakeOffscreenBuffer(target.drawWidth, target.drawHeight, size.msaa, true, &target.drawn);
  if (ok && size.msaa > 0) ok = MakeOffscreenBuffer(target.drawWidth, target.drawHeight, 0, false, &target.resolved);
  if (!ok) {
    *error = "no framebuffer of " + SizeText(target.drawWidth, target.drawHeight) +
             (size.msaa > 0 ? " with " + std::to_string(size.msaa) + " samples" : "") + " (out of memory?)";
    CloseDrawTarget();
    return false;
  }
  BindDrawFramebuffer(target.drawn.framebuffer);
  BindReadFramebuffer(size.msaa > 0 ? target.resolved.framebuffer : target.drawn.framebuffer);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  // Drawn with the upper-left origin, frames equal those drawn at this size
  // without objects, and their rows are read top first.
  target.topRowFirst = SetUpperLeftOrigin(true);
  MakePixelBuffers();
  return true;
}

void AlignDrawTargetViewport() {
  if (!target.topRowFirst) return;
  GLint r[4];
  glGetIntegerv(GL_VIEWPORT, r);
  glViewport(r[0], MirroredY(r[1], r[3]), r[2], r[3]);
}

void AlignDrawTargetScissor() {
  if (!target.topRowFirst || !glIsEnabled(GL_SCISSOR_TEST)) return;
  GLint r[4];
  glGetIntegerv(GL_SCISSOR_BOX, r);
  glScissor(r[0], MirroredY(r[1], r[3]), r[2], r[3]);
}

int DrawWidth() { return target.drawWidth; }
int DrawHeight() { return target.drawHeight; }

bool DrawTargetTopRowFirst() { return target.topRowFirst; }

int ReadbacksPending() { return target.pending; }

void StartReadback() {
  if (target.objects && target.size.msaa > 0) {
    // The bars' clear leaves a scissor behind; the copy is made without it.
    BindReadFramebuffer(target.drawn.framebuffer);
    BindDrawFramebuffer(target.resolved.framebuffer);
    const BlitRect whole{0, 0, target.drawWidth, target.drawHeight};
    BlitColour(whole, whole, false);
    BindReadFramebuffer(target.resolved.framebuffer);
    BindDrawFramebuffer(target.drawn.framebuffer);
  }
  const int slot = (target.firstPending + target.pending) % kReadbacksInFlight;
  ++target.pending;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!target.pixelBuffers) {
    target.staged[slot].resize(FrameBytes());
    glReadPixels(0, 0, target.drawWidth, target.drawHeight, GL_RGB, GL_UNSIGNED_BYTE, target.staged[slot].data());
    return;
  }
  target.buffers.bindBuffer(GL_PIXEL_PACK_BUFFER, target.pixelBuffer[slot]);
  glReadPixels(0, 0, target.drawWidth, target.drawHeight, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  target.buffers.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

bool FinishReadback(std::uint8_t* rows) {
  const int slot = target.firstPending;
  target.firstPending = (target.firstPending + 1) % kReadbacksInFlight;
  --target.pending;
  if (!target.pixelBuffers) {
    std::memcpy(rows, target.staged[slot].data(), FrameBytes());
    return true;
  }
  const BufferCalls& gl = target.buffers;
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER, target.pixelBuffer[slot]);
  const void* mapped = gl.mapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
  if (mapped) std::memcpy(rows, mapped, FrameBytes());
  const bool ok = mapped && gl.unmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE;
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  return ok;
}

void CloseDrawTarget() {
  if (target.pixelBuffers) target.buffers.deleteBuffers(kReadbacksInFlight, target.pixelBuffer);
  target.pixelBuffers = false;
  target.pending = 0;
  if (target.objects) {
    BindDrawFramebuffer(0);
    BindReadFramebuffer(0);
    DeleteOffscreenBuffer(&target.drawn);
    DeleteOffscreenBuffer(&target.resolved);
  }
  target.objects = false;
}

}  // namespace velkor
