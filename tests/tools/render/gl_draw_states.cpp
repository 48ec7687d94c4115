// Preloaded into velkor-tools by the warm-up tests: at every glBegin it writes
// the GL state that a software rasteriser compiles its drawing code for (the
// enabled features, blending, depth, fog, lights and each texture unit's
// texture, filters and environment) as one line to the file named by
// VELKOR_GL_DRAW_STATES, prefixed by the number of glClear calls so far: the
// show clears once per pass, so that number is the pass. The state is read
// back from the GL itself, so it is what the draw really ran with.
#include <GL/gl.h>

#include <cstdio>
#include <string>

#include "gl_recorder.h"

namespace {

FILE* Log() {
  static FILE* file = velkor::recorder::OpenNamedFile("VELKOR_GL_DRAW_STATES");
  return file;
}

using velkor::recorder::Next;

long passes = 0;

std::string Number(long value) { return std::to_string(value); }

GLint Integer(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

bool PowerOfTwo(GLint n) { return n > 0 && (n & (n - 1)) == 0; }

// The bound 2D texture's format, size class, filters and wrap modes, and the
// unit's environment; "off" when the unit does not texture.
std::string TextureUnit(GLenum unit) {
  static const auto activeTexture = Next<void (*)(GLenum)>("glActiveTexture");
  const GLint previous = Integer(GL_ACTIVE_TEXTURE);
  activeTexture(unit);
  std::string text = "off";
  if (glIsEnabled(GL_TEXTURE_2D)) {
    GLint format = 0, width = 0, height = 0, minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0, env = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    text = "fmt" + Number(format) + (width == 0 ? "-empty" : "") + (PowerOfTwo(width) ? "-potw" : "") +
           (PowerOfTwo(height) ? "-poth" : "") + "-min" + Number(minFilter) + "-mag" + Number(magFilter) + "-wrap" +
           Number(wrapS) + "." + Number(wrapT) + "-env" + Number(env) +
           (glIsEnabled(GL_TEXTURE_GEN_S) ? "-genS" : "") + (glIsEnabled(GL_TEXTURE_GEN_T) ? "-genT" : "");
  }
  activeTexture(static_cast<GLenum>(previous));
  return text;
}

std::string Enabled(GLenum cap, const char* name) { return glIsEnabled(cap) ? std::string(" ") + name : ""; }

std::string Light(GLenum light) {
  if (!glIsEnabled(light)) return "";
  GLfloat position[4] = {0, 0, 0, 0}, cutoff = 0;
  glGetLightfv(light, GL_POSITION, position);
  glGetLightfv(light, GL_SPOT_CUTOFF, &cutoff);
  return " light" + Number(static_cast<long>(light - GL_LIGHT0)) + (position[3] != 0.0f ? "-local" : "-far") +
         (cutoff != 180.0f ? "-spot" : "");
}

std::string DrawState(GLenum mode) {
  std::string s = "mode" + Number(static_cast<long>(mode));
  s += Enabled(GL_BLEND, "blend") + Enabled(GL_CULL_FACE, "cull") + Enabled(GL_DEPTH_TEST, "depth") +
       Enabled(GL_FOG, "fog") + Enabled(GL_LIGHTING, "lighting") + Enabled(GL_ALPHA_TEST, "alpha") +
       Enabled(GL_COLOR_MATERIAL, "colormaterial") + Enabled(GL_NORMALIZE, "normalize") +
       Enabled(GL_SCISSOR_TEST, "scissor");
  if (glIsEnabled(GL_BLEND))
    s += " blendfunc" + Number(Integer(GL_BLEND_SRC)) + "." + Number(Integer(GL_BLEND_DST));
  if (glIsEnabled(GL_DEPTH_TEST))
    s += " depthfunc" + Number(Integer(GL_DEPTH_FUNC)) + (Integer(GL_DEPTH_WRITEMASK) ? "-write" : "-nowrite");
  if (glIsEnabled(GL_FOG)) s += " fogmode" + Number(Integer(GL_FOG_MODE));
  if (glIsEnabled(GL_LIGHTING))
    for (GLenum light = GL_LIGHT0; light < GL_LIGHT0 + 8; ++light) s += Light(light);
  s += " shade" + Number(Integer(GL_SHADE_MODEL));
  s += " unit0 " + TextureUnit(GL_TEXTURE0) + " unit1 " + TextureUnit(GL_TEXTURE1);
  return s;
}

}  // namespace

extern "C" {

void glClear(GLbitfield mask) {
  static const auto next = Next<void (*)(GLbitfield)>("glClear");
  ++passes;
  next(mask);
}

void glBegin(GLenum mode) {
  static const auto next = Next<void (*)(GLenum)>("glBegin");
  if (FILE* log = Log()) std::fprintf(log, "%ld %s\n", passes, DrawState(mode).c_str());
  next(mode);
}

}  // extern "C"
