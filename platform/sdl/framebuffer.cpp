// Framebuffer objects through the entry points of the current context: the
// system's GL headers declare only the 1.x calls.
#include "platform/framebuffer.h"

#include "platform/gl.h"

namespace velkor {

namespace {

struct FramebufferState {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
  PFNGLCLIPCONTROLPROC clipControl = nullptr;
  bool available = false;
};
FramebufferState fb;

template <typename T>
bool Fetch(T& slot, const char* name) {
  slot = reinterpret_cast<T>(PlatformGetProcAddress(name));
  return slot != nullptr;
}

}  // namespace

bool FetchFramebufferEntryPoints() {
  bool all = true;
  all &= Fetch(fb.genFramebuffers, "glGenFramebuffers");
  all &= Fetch(fb.deleteFramebuffers, "glDeleteFramebuffers");
  all &= Fetch(fb.bindFramebuffer, "glBindFramebuffer");
  all &= Fetch(fb.checkFramebufferStatus, "glCheckFramebufferStatus");
  all &= Fetch(fb.genRenderbuffers, "glGenRenderbuffers");
  all &= Fetch(fb.deleteRenderbuffers, "glDeleteRenderbuffers");
  all &= Fetch(fb.bindRenderbuffer, "glBindRenderbuffer");
  all &= Fetch(fb.renderbufferStorageMultisample, "glRenderbufferStorageMultisample");
  all &= Fetch(fb.framebufferRenderbuffer, "glFramebufferRenderbuffer");
  all &= Fetch(fb.blitFramebuffer, "glBlitFramebuffer");
  Fetch(fb.clipControl, "glClipControl");
  fb.available = all;
  return all;
}

bool FramebufferObjectsAvailable() { return fb.available; }

bool MakeOffscreenBuffer(int width, int height, int samples, bool withDepth, OffscreenBuffer* buffer) {
  *buffer = OffscreenBuffer();
  if (!fb.available || width <= 0 || height <= 0) return false;
  while (glGetError() != GL_NO_ERROR) {
  }
  buffer->width = width;
  buffer->height = height;
  buffer->samples = samples;
  fb.genFramebuffers(1, &buffer->framebuffer);
  fb.bindFramebuffer(GL_FRAMEBUFFER, buffer->framebuffer);
  fb.genRenderbuffers(1, &buffer->colour);
  fb.bindRenderbuffer(GL_RENDERBUFFER, buffer->colour);
  fb.renderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGB8, width, height);
  fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffer->colour);
  if (withDepth) {
    fb.genRenderbuffers(1, &buffer->depth);
    fb.bindRenderbuffer(GL_RENDERBUFFER, buffer->depth);
    fb.renderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width, height);
    fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffer->depth);
  }
  fb.bindRenderbuffer(GL_RENDERBUFFER, 0);
  const bool ok =
      fb.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE && glGetError() == GL_NO_ERROR;
  fb.bindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!ok) DeleteOffscreenBuffer(buffer);
  return ok;
}

void DeleteOffscreenBuffer(OffscreenBuffer* buffer) {
  if (fb.available) {
    if (buffer->framebuffer) fb.deleteFramebuffers(1, &buffer->framebuffer);
    if (buffer->colour) fb.deleteRenderbuffers(1, &buffer->colour);
    if (buffer->depth) fb.deleteRenderbuffers(1, &buffer->depth);
  }
  *buffer = OffscreenBuffer();
}

void BindDrawFramebuffer(unsigned framebuffer) {
  if (fb.available) fb.bindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
}

void BindReadFramebuffer(unsigned framebuffer) {
  if (fb.available) fb.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
}

void BlitColour(const BlitRect& from, const BlitRect& to, bool linear) {
  if (!fb.available) return;
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  glDisable(GL_SCISSOR_TEST);
  fb.blitFramebuffer(from.x0, from.y0, from.x1, from.y1, to.x0, to.y0, to.x1, to.y1, GL_COLOR_BUFFER_BIT,
                     linear ? GL_LINEAR : GL_NEAREST);
  if (scissor) glEnable(GL_SCISSOR_TEST);
}

bool SetUpperLeftOrigin(bool on) {
  if (!fb.clipControl) return false;
  fb.clipControl(on ? GL_UPPER_LEFT : GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
  return true;
}

}  // namespace velkor
