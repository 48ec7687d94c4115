// The multitexture entry points and their lookup through SDL, and what the
// system's GL can do beyond its calls.
#include "platform/gl.h"

#include <SDL2/SDL.h>

#include <cstdlib>

namespace velkor {

PFNGLMULTITEXCOORD1FARBPROC glMultiTexCoord1fARB = nullptr;
PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
PFNGLMULTITEXCOORD3FARBPROC glMultiTexCoord3fARB = nullptr;
PFNGLMULTITEXCOORD4FARBPROC glMultiTexCoord4fARB = nullptr;
PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB = nullptr;

namespace {

// Fallbacks for a GL without ARB multitexture: only unit 0 exists there.
void APIENTRY FallbackMultiTexCoord1f(GLenum, GLfloat s) { ::glTexCoord1f(s); }
void APIENTRY FallbackMultiTexCoord2f(GLenum, GLfloat s, GLfloat t) { ::glTexCoord2f(s, t); }
void APIENTRY FallbackMultiTexCoord3f(GLenum, GLfloat s, GLfloat t, GLfloat r) { ::glTexCoord3f(s, t, r); }
void APIENTRY FallbackMultiTexCoord4f(GLenum, GLfloat s, GLfloat t, GLfloat r, GLfloat q) {
  ::glTexCoord4f(s, t, r, q);
}
void APIENTRY FallbackActiveTexture(GLenum) {}

template <typename T>
bool Fetch(T& slot, const char* name, T fallback) {
  slot = reinterpret_cast<T>(PlatformGetProcAddress(name));
  if (slot) return true;
  slot = fallback;
  return false;
}

}  // namespace

void* PlatformGetProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

bool FetchMultitextureEntryPoints() {
  bool all = true;
  all &= Fetch(glMultiTexCoord1fARB, "glMultiTexCoord1fARB", &FallbackMultiTexCoord1f);
  all &= Fetch(glMultiTexCoord2fARB, "glMultiTexCoord2fARB", &FallbackMultiTexCoord2f);
  all &= Fetch(glMultiTexCoord3fARB, "glMultiTexCoord3fARB", &FallbackMultiTexCoord3f);
  all &= Fetch(glMultiTexCoord4fARB, "glMultiTexCoord4fARB", &FallbackMultiTexCoord4f);
  all &= Fetch(glActiveTextureARB, "glActiveTextureARB", &FallbackActiveTexture);
  // Never called by the system; null is harmless here.
  glClientActiveTextureARB =
      reinterpret_cast<PFNGLCLIENTACTIVETEXTUREARBPROC>(PlatformGetProcAddress("glClientActiveTextureARB"));
  return all;
}

bool PlatformHasProxyTextures() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return version && std::strtod(version, nullptr) >= 1.1;
}

bool PlatformProxyTextureFits(GLint level, GLint components, GLsizei width, GLsizei height, GLenum format) {
  glTexImage2D(GL_PROXY_TEXTURE_2D, level, components, width, height, 0, format, GL_UNSIGNED_BYTE, nullptr);
  GLint proxyWidth = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &proxyWidth);
  return proxyWidth != 0;
}

// Desktop drivers build the code for a combination of fixed-function state
// when it is first drawn.
bool PlatformGlNeedsWarmUp() { return true; }

}  // namespace velkor
