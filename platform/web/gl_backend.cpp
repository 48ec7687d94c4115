// The WebGL 2 side of the browser build's fixed-function layer: the shader
// that stands for OpenGL 1.x's vertex lighting, texture environment (MODULATE
// on two units) and linear fog, and the calls that pass straight through.
#include "platform/web/gl_backend.h"

#include <GLES3/gl3.h>

#include <cstdio>

namespace velkor {

namespace {

// Lighting as OpenGL 1.x computes it per vertex: the default material
// (no specular, no emission), the light model's ambient, attenuation for
// positional lights; normals as given (no GL_NORMALIZE), colours clamped.
const char* const kVertexShader = R"(#version 300 es
precision highp float;
layout(location = 0) in vec4 aEye;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTex0;
layout(location = 4) in vec2 aTex1;
uniform mat4 uProjection;
uniform bool uLighting;
uniform vec4 uSceneAmbient, uMaterialAmbient, uMaterialDiffuse;
uniform bool uLightOn[8];
uniform vec4 uLightAmbient[8], uLightDiffuse[8], uLightPosition[8];
uniform vec3 uLightAttenuation[8];
out vec4 vColour;
out vec2 vTex0, vTex1;
out float vFogDistance;
void main() {
  gl_Position = uProjection * aEye;
  vec4 colour = aColour;
  if (uLighting) {
    vec3 sum = uSceneAmbient.rgb * uMaterialAmbient.rgb;
    vec3 v = aEye.xyz / aEye.w;
    for (int i = 0; i < 8; ++i) {
      if (!uLightOn[i]) continue;
      vec3 l;
      float attenuation = 1.0;
      if (uLightPosition[i].w != 0.0) {
        vec3 d = uLightPosition[i].xyz / uLightPosition[i].w - v;
        float distance = length(d);
        l = d / distance;
        vec3 k = uLightAttenuation[i];
        attenuation = 1.0 / (k.x + k.y * distance + k.z * distance * distance);
      } else {
        l = normalize(uLightPosition[i].xyz);
      }
      float diffuse = max(dot(aNormal, l), 0.0);
      sum += attenuation * (uLightAmbient[i].rgb * uMaterialAmbient.rgb +
                            diffuse * uLightDiffuse[i].rgb * uMaterialDiffuse.rgb);
    }
    colour = vec4(sum, uMaterialDiffuse.a);
  }
  vColour = clamp(colour, 0.0, 1.0);
  vTex0 = aTex0;
  vTex1 = aTex1;
  vFogDistance = abs(aEye.z);
}
)";

const char* const kFragmentShader = R"(#version 300 es
precision highp float;
in vec4 vColour;
in vec2 vTex0, vTex1;
in float vFogDistance;
uniform bool uTextureOn0, uTextureOn1;
uniform sampler2D uTexture0, uTexture1;
uniform bool uFog;
uniform float uFogStart, uFogEnd;
uniform vec4 uFogColour;
out vec4 fragColour;
void main() {
  vec4 colour = vColour;
  if (uTextureOn0) colour *= texture(uTexture0, vTex0);
  if (uTextureOn1) colour *= texture(uTexture1, vTex1);
  if (uFog) {
    float f = clamp((uFogEnd - vFogDistance) / (uFogEnd - uFogStart), 0.0, 1.0);
    colour.rgb = mix(uFogColour.rgb, colour.rgb, f);
  }
  fragColour = colour;
}
)";

struct Uniforms {
  GLint projection, lighting, sceneAmbient, materialAmbient, materialDiffuse;
  GLint lightOn, lightAmbient, lightDiffuse, lightPosition, lightAttenuation;
  GLint textureOn0, textureOn1, texture0, texture1, fog, fogStart, fogEnd, fogColour;
};

GLuint program = 0, vertexArray = 0, vertexBuffer = 0;
Uniforms uniforms;

GLuint CompileShader(GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048];
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "velkor: shader does not compile: %s\n", log);
  }
  return shader;
}

void FindUniforms() {
  auto at = [](const char* name) { return glGetUniformLocation(program, name); };
  uniforms = Uniforms{at("uProjection"),     at("uLighting"),         at("uSceneAmbient"),  at("uMaterialAmbient"),
                      at("uMaterialDiffuse"), at("uLightOn"),          at("uLightAmbient"),  at("uLightDiffuse"),
                      at("uLightPosition"),   at("uLightAttenuation"), at("uTextureOn0"),    at("uTextureOn1"),
                      at("uTexture0"),        at("uTexture1"),         at("uFog"),           at("uFogStart"),
                      at("uFogEnd"),          at("uFogColour")};
}

}  // namespace

bool WebBackendStart() {
  program = glCreateProgram();
  glAttachShader(program, CompileShader(GL_VERTEX_SHADER, kVertexShader));
  glAttachShader(program, CompileShader(GL_FRAGMENT_SHADER, kFragmentShader));
  glLinkProgram(program);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) return false;
  glUseProgram(program);
  FindUniforms();
  glUniform1i(uniforms.texture0, 0);
  glUniform1i(uniforms.texture1, 1);
  glGenVertexArrays(1, &vertexArray);
  glBindVertexArray(vertexArray);
  glGenBuffers(1, &vertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
  const GLsizei stride = kWebVertexFloats * sizeof(float);
  const int sizes[5] = {4, 3, 4, 2, 2};
  int offset = 0;
  for (int i = 0; i < 5; ++i) {
    glEnableVertexAttribArray(i);
    glVertexAttribPointer(i, sizes[i], GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offset * sizeof(float)));
    offset += sizes[i];
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  return true;
}

void WebBackendDrawTriangles(const WebDrawState& s, const float* vertices, int vertexCount) {
  glUniformMatrix4fv(uniforms.projection, 1, GL_FALSE, s.projection);
  glUniform1i(uniforms.lighting, s.lighting);
  if (s.lighting) {
    glUniform4fv(uniforms.sceneAmbient, 1, s.sceneAmbient);
    glUniform4fv(uniforms.materialAmbient, 1, s.materialAmbient);
    glUniform4fv(uniforms.materialDiffuse, 1, s.materialDiffuse);
    GLint on[kWebLights];
    for (int i = 0; i < kWebLights; ++i) on[i] = s.lightOn[i];
    glUniform1iv(uniforms.lightOn, kWebLights, on);
    glUniform4fv(uniforms.lightAmbient, kWebLights, &s.lightAmbient[0][0]);
    glUniform4fv(uniforms.lightDiffuse, kWebLights, &s.lightDiffuse[0][0]);
    glUniform4fv(uniforms.lightPosition, kWebLights, &s.lightPosition[0][0]);
    glUniform3fv(uniforms.lightAttenuation, kWebLights, &s.lightAttenuation[0][0]);
  }
  glUniform1i(uniforms.fog, s.fog);
  if (s.fog) {
    glUniform1f(uniforms.fogStart, s.fogStart);
    glUniform1f(uniforms.fogEnd, s.fogEnd);
    glUniform4fv(uniforms.fogColour, 1, s.fogColour);
  }
  glUniform1i(uniforms.textureOn0, s.textureOn[0]);
  glUniform1i(uniforms.textureOn1, s.textureOn[1]);
  for (int unit = 0; unit < 2; ++unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    glBindTexture(GL_TEXTURE_2D, s.textureOn[unit] ? s.texture[unit] : 0);
  }
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexCount) * kWebVertexFloats * sizeof(float), vertices,
               GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, vertexCount);
}

void WebBackendCapability(unsigned cap, bool on) {
  if (on) glEnable(cap);
  else glDisable(cap);
}
void WebBackendBlendFunc(unsigned source, unsigned destination) { glBlendFunc(source, destination); }
void WebBackendDepthFunc(unsigned func) { glDepthFunc(func); }
void WebBackendDepthMask(bool on) { glDepthMask(on ? GL_TRUE : GL_FALSE); }
void WebBackendCullFace(unsigned mode) { glCullFace(mode); }
void WebBackendViewport(int x, int y, int width, int height) { glViewport(x, y, width, height); }
void WebBackendScissor(int x, int y, int width, int height) { glScissor(x, y, width, height); }
void WebBackendClearColour(float r, float g, float b, float a) { glClearColor(r, g, b, a); }
void WebBackendClearDepth(float depth) { glClearDepthf(depth); }
void WebBackendClear(unsigned mask) { glClear(mask); }
void WebBackendFlush() { glFlush(); }

std::uint32_t WebBackendCreateTexture() {
  GLuint name = 0;
  glGenTextures(1, &name);
  return name;
}

void WebBackendDeleteTexture(std::uint32_t texture) {
  const GLuint name = texture;
  glDeleteTextures(1, &name);
}

void WebBackendTextureImage(std::uint32_t texture, int level, int components, int width, int height,
                            const std::uint8_t* pixels) {
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  const GLenum format = components == 4 ? GL_RGBA : GL_RGB;
  glTexImage2D(GL_TEXTURE_2D, level, components == 4 ? GL_RGBA8 : GL_RGB8, width, height, 0, format,
               GL_UNSIGNED_BYTE, pixels);
}

void WebBackendTextureFilters(std::uint32_t texture, unsigned minFilter, unsigned magFilter, int maxLevel) {
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(magFilter));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, maxLevel);
}

}  // namespace velkor
