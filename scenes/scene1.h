// Scene 1: a photo show cut into a 30 x 30 grid whose brightness shimmers with
// value noise and a drifting sine band, opened by a dissolving bird picture and
// closed by a black curtain. The per-cell and per-frame arithmetic lives here so
// that it runs without GL.
#pragma once

#include "assets/texture.h"
#include "scenes/layers.h"

namespace velkor {

constexpr int kPhotoCount = 3;
constexpr int kGridColumns = 30;
constexpr int kGridRows = 30;
constexpr float kCellWidth = 0.08866667f;
constexpr float kCellHeight = 0.06666667f;
constexpr float kCellTexStep = 0.033333335f;
constexpr float kGridLeft = -1.33f;
constexpr float kGridBottom = -1.0f;
constexpr float kGridDepth = -2.4f;

extern TextureRecord photoTextures[kPhotoCount];  // only textureId is filled
extern TextureRecord birdTexture;                 // only textureId is filled

// Grey level of cell (column i, row j) at scene time t; outside [0, 1] at
// times, which GL clamps.
float GridBrightness(int i, int j, float t);

// Which photograph is shown: 0 before tick 100, 1 before 200, then 2.
int PhotoIndexAt(float t);

// The black curtain over the grid: transparent until tick 300, opaque at 350.
FadeColour CurtainColour(float t);

// Alpha of the bird picture: 1 at the start, 0.5 at tick 25, negative (drawn as 0) from 50 on.
float BirdAlpha(float t);

// Texture rectangle of one cell: (s0, t0) at its bottom-left corner, (s1, t1) at its top-right.
struct CellTexRect {
  float s0, t0, s1, t1;
};
CellTexRect CellTexCoords(int i, int j);

// Bottom-left corner of one cell in eye space (at depth kGridDepth).
struct CellOrigin {
  float x, y;
};
CellOrigin CellPosition(int i, int j);

}  // namespace velkor
