// Full-screen layers shared by the scenes: one quad in eye space with corners
// (-1.33, -1), (-1.33, 1), (1.33, 1), (1.33, -1) in that order, at depth z.
#pragma once

namespace velkor {

// Untextured quad (fades, dark layers).
void DrawScreenQuad(float z);
// Textured quad with (0, 0), (0, 1), (1, 1), (1, 0) on unit 0 at the corners.
void DrawTexturedScreenQuad(float z);

// Colour of a fade layer: black with alpha inside a fade window, else (1, 1, 1, 0).
struct FadeColour {
  float r, g, b, a;
};
constexpr FadeColour kNoFade{1.0f, 1.0f, 1.0f, 0.0f};
inline FadeColour BlackFade(float alpha) { return FadeColour{0.0f, 0.0f, 0.0f, alpha}; }

// A fade layer at z = -2.4: the colour, alpha blending, identity modelview, and
// depth test, culling, texturing and lighting off, as every scene's fade needs.
// Blending itself and what is switched on again afterwards are the caller's.
void DrawFadeLayer(const FadeColour& colour);

}  // namespace velkor
