// Scene 3: blended meshes seen through an animated camera, a ring of glow
// sprites displaced by value noise, a glow at every point of the mesh model,
// the masked woman picture and the fades. The per-frame arithmetic is here
// apart from the drawing so it can be checked without a GL context.
#pragma once

#include "assets/model.h"
#include "assets/texture.h"
#include "scenes/layers.h"

namespace velkor {

constexpr int kGlowCount = 50;
constexpr float kGlowRingRadius = 120.0f;
constexpr float kGlowRingHeight = 40.0f;
constexpr float kGlowNoiseScale = 30.0f;
constexpr float kRingGlowHalfSize = 5.0f;
constexpr float kPointGlowHalfSize = 7.0f;
constexpr float kSceneShiftDown = 30.0f;  // eye-space shift applied before the look-at

extern SceneModel scene3Model;      // only its first camera is used
extern SceneModel scene3MeshModel;  // meshes drawn, points carry glows
extern TextureRecord texture04Image;
extern TextureRecord texture05Image;
extern TextureRecord texture07Image;
extern TextureRecord womanImage;  // its texture becomes the composed woman picture
extern TextureRecord womanMaskImage;
extern GLuint spriteTexture;

// Positions of the current frame.
extern float glowRingPositions[kGlowCount][3];
extern float glowPositions[kGlowCount][3];

// Angle (radians) of glow i on the ring at scene time t.
float GlowRingAngle(int i, float t);

// The CosineNoise3 arguments of one axis (0 x, 1 y, 2 z) of the displacement of glow i.
struct NoiseArguments {
  float x, y, z;
};
NoiseArguments GlowNoiseArguments(int axis, int i, float t);

// Fills glowRingPositions and glowPositions for scene time t.
void ComputeGlowPositions(float t);

// Camera time of the scene: a fifth of the scene time.
float Scene3CameraTime(float t);

// Fade layer colour: in from black over 0..50, out to black after 400.
FadeColour Scene3Fade(float t);

}  // namespace velkor
