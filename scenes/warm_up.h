// Drawing warm-up: while one scene plays, the next scene's combinations of
// draw state (blending, depth, fog, lighting, texture format) are drawn once
// each, with nothing let through the scissor, one combination per frame.
// A GL that builds its drawing code when it first meets a state (a software
// rasteriser compiling shaders, a driver compiling its fixed-function
// programs) then does that work on an ordinary frame, not on the new scene's
// first one. Not a pixel changes, and every piece of GL state is as before.
#pragma once

#include <cstdint>

#include "platform/gl.h"

namespace velkor {

// What a draw state turns on.
enum DrawFeature : unsigned {
  kDrawBlend = 1u << 0,
  kDrawCull = 1u << 1,
  kDrawDepth = 1u << 2,       // depth test, GL_LEQUAL
  kDrawDepthWrite = 1u << 3,  // with kDrawDepth: the depth buffer is written
  kDrawFog = 1u << 4,         // linear fog
  kDrawLighting = 1u << 5,    // lights 0 and 1, both positional
};

// The texture on unit 0 (unit 1 never textures): none, or a power-of-two RGB or
// RGBA image, with or without mipmaps.
enum class DrawTexture : std::uint8_t { None, Rgb, RgbMipmapped, Rgba, RgbaMipmapped };

// One combination: triangles come with normals and texture coordinates (as the
// meshes are sent), quads with texture coordinates when they are textured.
struct DrawState {
  GLenum primitive;  // GL_TRIANGLES or GL_QUADS
  unsigned features;  // DrawFeature bits
  GLenum blendSource, blendDestination;  // used with kDrawBlend
  DrawTexture texture;
};

// Every combination that scene `scene` draws with; count 0 outside 0 .. 5.
struct DrawStateList {
  const DrawState* states;
  int count;
};
DrawStateList SceneDrawStates(int scene);

// Makes `scene`'s draw states, and a fresh round of the memory reserve
// (platform/memory.h), the work of the steps to come.
void ScheduleWarmUp(int scene);

// One step, run after a pass's drawing (never on a scene's first pass, which
// is left as it is): touches the next piece of the memory reserve until it is
// done, and draws the next of the scheduled states, if any is left. Returns
// whether any of that work is left for later steps.
bool WarmUpStep();

// Draws one state with an empty scissor; every attribute and matrix it
// touches is saved first and restored after. Makes its small textures on the
// first call and keeps them.
void WarmUpDrawState(const DrawState& state);

}  // namespace velkor
