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

}  // namespace velkor
