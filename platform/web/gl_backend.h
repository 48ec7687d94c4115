// What the fixed-function layer (web/gl.cpp) asks of WebGL 2: one shader
// program that does per-vertex lighting, two modulated texture units and
// linear fog, a vertex buffer for batched triangles, textures, and the
// per-fragment state that WebGL keeps as OpenGL 1.x does. Enum values are
// passed as numbers, the same in both APIs for everything passed here.
#pragma once

#include <cstdint>

namespace velkor {

constexpr int kWebLights = 8;
// Per vertex: eye position (4), eye normal (3), colour (4), two texture coordinates (2 + 2).
constexpr int kWebVertexFloats = 15;

struct WebDrawState {
  float projection[16];
  bool lighting;
  float sceneAmbient[4];
  float materialAmbient[4];
  float materialDiffuse[4];
  bool lightOn[kWebLights];
  float lightAmbient[kWebLights][4];
  float lightDiffuse[kWebLights][4];
  float lightPosition[kWebLights][4];     // eye coordinates
  float lightAttenuation[kWebLights][3];  // constant, linear, quadratic
  bool fog;
  float fogStart, fogEnd;
  float fogColour[4];
  bool textureOn[2];
  std::uint32_t texture[2];  // backend texture handles
};

bool WebBackendStart();
void WebBackendDrawTriangles(const WebDrawState& state, const float* vertices, int vertexCount);

void WebBackendCapability(unsigned cap, bool on);  // blend, depth test, cull face, scissor test
void WebBackendBlendFunc(unsigned source, unsigned destination);
void WebBackendDepthFunc(unsigned func);
void WebBackendDepthMask(bool on);
void WebBackendCullFace(unsigned mode);
void WebBackendViewport(int x, int y, int width, int height);
void WebBackendScissor(int x, int y, int width, int height);
void WebBackendClearColour(float r, float g, float b, float a);
void WebBackendClearDepth(float depth);
void WebBackendClear(unsigned mask);
void WebBackendFlush();

std::uint32_t WebBackendCreateTexture();
void WebBackendDeleteTexture(std::uint32_t texture);
// Tightly packed rows of 3 (RGB) or 4 (RGBA) bytes per pixel, bottom row first.
void WebBackendTextureImage(std::uint32_t texture, int level, int components, int width, int height,
                            const std::uint8_t* pixels);
void WebBackendTextureFilters(std::uint32_t texture, unsigned minFilter, unsigned magFilter, int maxLevel);

}  // namespace velkor
