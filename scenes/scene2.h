// Scene 2: the cloud of glowing billboards rebuilt every frame from value
// noise, the frame overlay, the scrolling strip and the widening dark band.
// The per-frame arithmetic is here apart from the drawing so it can be checked
// without a GL context.
#pragma once

#include <cstdint>

#include "assets/model.h"
#include "assets/texture.h"
#include "scenes/layers.h"

namespace velkor {

constexpr int kCloudCapacity = 100000;
constexpr int kCloudGridSize = 20;  // lattice points per axis
constexpr float kCloudSpacing = 20.0f;
constexpr float kCloudHalfSize = 20.0f;  // billboard half width and height

// Particles of the current frame; entries at and beyond the frame's count are stale.
extern float cloudPositions[kCloudCapacity][3];
extern std::uint8_t cloudBrightness[kCloudCapacity];

extern SceneModel scene2Model;        // only its first camera is used
extern SceneModel scene2SpriteModel;  // only the texture of mesh 1's material is used
extern TextureRecord overlayColourImage;
extern TextureRecord overlayMaskImage;
extern GLuint scrollTexture;
extern GLuint overlayTexture;

// Noise arguments of lattice point (x, y, z) at scene time t, each rounded to float.
struct CloudNoiseArguments {
  float x, y, z;
};
CloudNoiseArguments CloudNoiseArgumentsAt(float t, int x, int y, int z);

// Rebuilds the cloud for scene time t: clears the whole brightness table, then
// appends every lattice point inside the noise-displaced ball. Returns the count.
int GenerateCloud(float t);

// Grey level of a particle of the given brightness.
float CloudGrey(std::uint8_t brightness);

// Placement of cloud copy k (0..2): eye-space shift and rotation about x (degrees).
struct CloudCopy {
  float shiftX, shiftY;
  float angle;
};
CloudCopy CloudCopyPlacement(int k);

// Vertical texture window of the strip: t runs from bottom to top.
struct StripWindow {
  float bottom, top;
};
StripWindow StripWindowAt(float t);

// Half width of the dark band (it spans -w .. w).
float BandHalfWidth(float t);

// Fade layer colour: in from black over 0..50, out to black after 250.
FadeColour Scene2Fade(float t);

// The texture the cloud is drawn with: the material texture of mesh 1 of the
// sprite model, or 0 when the model has fewer than two meshes.
GLuint CloudSpriteTexture(const SceneModel& model);

}  // namespace velkor
