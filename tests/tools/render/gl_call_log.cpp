// Preloaded into velkor-tools by the preparation tests: every call that makes
// or changes a texture, or the pixel-store state its uploads are read with,
// and every texture-size query (GLU's proxy checks among them) goes to the
// file named by VELKOR_GL_CALL_LOG as one line with its arguments
// and a hash of the bytes an upload reads (row padding left out), then on to
// the GL. The show's own calls and GLU's calls into the GL are both seen.
// With VELKOR_GL_PROXY_LIMIT=N it also plays a GL that cannot hold a texture
// wider or taller than N: a proxy check above that size reads back width 0.
#include <GL/gl.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "gl_recorder.h"

namespace {

FILE* Log() {
  static FILE* file = velkor::recorder::OpenNamedFile("VELKOR_GL_CALL_LOG");
  return file;
}

using velkor::recorder::Next;

GLint unpackAlignment = 4;
bool proxyTooLarge = false;  // the last proxy upload exceeded VELKOR_GL_PROXY_LIMIT

bool ExceedsProxyLimit(GLsizei width, GLsizei height) {
  static const long limit = [] {
    const char* text = std::getenv("VELKOR_GL_PROXY_LIMIT");
    return text ? std::strtol(text, nullptr, 10) : 0L;
  }();
  return limit > 0 && (width > limit || height > limit);
}

int BytesPerPixel(GLenum format) {
  switch (format) {
    case GL_RGBA: return 4;
    case GL_RGB: return 3;
    case GL_LUMINANCE_ALPHA: return 2;
    default: return 1;
  }
}

// FNV-1a over each row's pixels; "null" without data.
std::uint64_t HashRows(const void* data, GLsizei width, GLsizei height, GLenum format) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  const std::size_t row = static_cast<std::size_t>(width) * BytesPerPixel(format);
  const std::size_t stride = (row + unpackAlignment - 1) / unpackAlignment * unpackAlignment;
  std::uint64_t hash = 1469598103934665603ull;
  for (GLsizei y = 0; y < height; ++y)
    for (std::size_t x = 0; x < row; ++x) hash = (hash ^ bytes[y * stride + x]) * 1099511628211ull;
  return hash;
}

}  // namespace

extern "C" {

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const void* data) {
  static const auto next = Next<void (*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*)>(
      "glTexImage2D");
  if (FILE* log = Log()) {
    if (data && type == GL_UNSIGNED_BYTE)
      std::fprintf(log, "glTexImage2D %#x %d %d %d %d %d %#x %#x %016" PRIx64 "\n", target, level, internalFormat,
                   width, height, border, format, type, HashRows(data, width, height, format));
    else
      std::fprintf(log, "glTexImage2D %#x %d %d %d %d %d %#x %#x %s\n", target, level, internalFormat, width, height,
                   border, format, type, data ? "unhashed" : "null");
  }
  if (target == GL_PROXY_TEXTURE_2D) proxyTooLarge = ExceedsProxyLimit(width, height);
  next(target, level, internalFormat, width, height, border, format, type, data);
}

void glPixelStorei(GLenum name, GLint value) {
  static const auto next = Next<void (*)(GLenum, GLint)>("glPixelStorei");
  if (FILE* log = Log()) std::fprintf(log, "glPixelStorei %#x %d\n", name, value);
  if (name == GL_UNPACK_ALIGNMENT) unpackAlignment = value;
  next(name, value);
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
  static const auto next = Next<void (*)(GLenum, GLenum, GLint)>("glTexParameteri");
  if (FILE* log = Log()) std::fprintf(log, "glTexParameteri %#x %#x %d\n", target, name, value);
  next(target, name, value);
}

void glTexParameterf(GLenum target, GLenum name, GLfloat value) {
  static const auto next = Next<void (*)(GLenum, GLenum, GLfloat)>("glTexParameterf");
  if (FILE* log = Log()) std::fprintf(log, "glTexParameterf %#x %#x %a\n", target, name, static_cast<double>(value));
  next(target, name, value);
}

void glBindTexture(GLenum target, GLuint name) {
  static const auto next = Next<void (*)(GLenum, GLuint)>("glBindTexture");
  if (FILE* log = Log()) std::fprintf(log, "glBindTexture %#x %u\n", target, name);
  next(target, name);
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum name, GLint* value) {
  static const auto next = Next<void (*)(GLenum, GLint, GLenum, GLint*)>("glGetTexLevelParameteriv");
  next(target, level, name, value);
  if (target == GL_PROXY_TEXTURE_2D && proxyTooLarge) *value = 0;
  if (FILE* log = Log()) std::fprintf(log, "glGetTexLevelParameteriv %#x %d %#x -> %d\n", target, level, name, *value);
}

void glGenTextures(GLsizei count, GLuint* names) {
  static const auto next = Next<void (*)(GLsizei, GLuint*)>("glGenTextures");
  next(count, names);
  if (FILE* log = Log())
    for (GLsizei i = 0; i < count; ++i) std::fprintf(log, "glGenTextures -> %u\n", names[i]);
}

void glDeleteTextures(GLsizei count, const GLuint* names) {
  static const auto next = Next<void (*)(GLsizei, const GLuint*)>("glDeleteTextures");
  if (FILE* log = Log())
    for (GLsizei i = 0; i < count; ++i) std::fprintf(log, "glDeleteTextures %u\n", names[i]);
  next(count, names);
}

// GLU's builder is counted apart (VELKOR_GLU_CALL_LOG): a run that uploads
// prepared levels calls it never, an unprepared run once per mipmapped texture.
GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, const void* data) {
  static const auto next =
      Next<GLint (*)(GLenum, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*)>("gluBuild2DMipmaps");
  static FILE* log = velkor::recorder::OpenNamedFile("VELKOR_GLU_CALL_LOG");
  if (log) std::fprintf(log, "gluBuild2DMipmaps %d %d\n", width, height);
  return next(target, internalFormat, width, height, format, type, data);
}

}  // extern "C"
