// Scene 4: a fogged model drawn twice with sliding texture coordinates, under
// four full-screen pictures chosen by the music time, and the fade from black.
// The per-frame arithmetic is here apart from the drawing so it can be checked
// without a GL context.
#pragma once

#include "assets/model.h"
#include "platform/gl.h"
#include "scenes/layers.h"

namespace velkor {

constexpr int kFrogPictureCount = 4;

extern SceneModel scene4Model;
extern GLuint frogTextures[kFrogPictureCount];

// Slide of every face corner per drawn frame (not per tick): s grows, t falls.
constexpr float kDriftPerFrameS = 0.002f;
constexpr float kDriftPerFrameT = -0.01f;
// Offset of the second, darkening pass, applied and taken back within the frame.
constexpr float kSecondPassOffsetS = 0.54f;
constexpr float kSecondPassOffsetT = -0.44f;

// Music times (ms) at which the pictures change; from the last one on the
// frame ends right after the model.
constexpr float kFrogPictureEndsMs[kFrogPictureCount] = {106866.0f, 108712.0f, 110558.0f, 112404.0f};

// Index into frogTextures for the music time musicMs, or -1 once the pictures are over.
int FrogPictureIndex(float musicMs);

// Adds (ds, dt) to the coordinates of every face corner of the model, in float.
void ShiftFaceTexCoords(SceneModel& model, float ds, float dt);
// One frame's drift.
void DriftFaceTexCoords(SceneModel& model);

// Alpha of the picture layer: falls by 1/600 per tick, so the model shows through by T/600.
float FrogPictureAlpha(float t);

// Fade layer colour: in from black over 0..50, nothing afterwards.
FadeColour Scene4Fade(float t);

}  // namespace velkor
