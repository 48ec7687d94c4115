// Scene 5, the last: a background picture, a column of five photographs rising
// through the view and a masked picture frame tumbling about a horizontal axis,
// which changes its picture shortly after each time it passes edge-on. The
// per-frame arithmetic is here apart from the drawing so it can be checked
// without a GL context.
#pragma once

#include <cstdint>

#include "assets/texture.h"
#include "platform/gl.h"

namespace velkor {

constexpr int kFramePictureCount = 4;
constexpr int kColumnPhotoCount = 5;

extern TextureRecord beeImage;
extern TextureRecord frameImages[kFramePictureCount];  // textures become the masked pictures
extern TextureRecord frameMaskImage;
extern GLuint photoColumnTextures[kColumnPhotoCount];

// Which frame picture shows (0 .. 3), and whether the next switch must wait for
// a re-arm (1.0) or may happen (0.0). Both start at 0 with the program; no
// setup resets them.
extern std::uint8_t frameIndex;
extern float frameSwitchArmed;

// Back to the program-start values; for tests and for rendering several shows
// in one process.
void ResetFrameSwitch();

// One frame's switching step at scene time t (see the .cpp for the windows).
void StepFrameSwitch(float t);

// Eye-space height of the top photograph's centre: rises 0.011 per tick from -2.
float PhotoColumnY(float t);
// Downward step from photograph k - 1 to photograph k (k = 1 .. 4); 0 for k = 0.
float PhotoStep(int k);
// Eye-space height of photograph k's centre (x -1.12, z -4), summed as the
// translations are.
float PhotoCentreY(float t, int k);

// The tumbling frame's angle about the x axis, in degrees: one turn per 360 ticks.
float FrameTurnDegrees(float t);
// Eye-space corners of the tumbling frame at scene time t, in drawing order.
struct FrameCorners {
  float corner[4][3];
};
FrameCorners TumblingFrameCorners(float t);

}  // namespace velkor
