// Scene 0: a lit, fogged model seen through its animated camera, with a hundred
// small tumbling copies of a second model drifting down through it. The state
// and the per-frame arithmetic live here so that they run without GL.
#pragma once

#include "assets/model.h"
#include "scenes/layers.h"

namespace velkor {

constexpr int kDriftCount = 100;

struct DriftVector {
  float x, y, z;
};

extern SceneModel scene0Model;       // "data\part01_max.bin": the main model and its camera
extern SceneModel scene0DriftModel;  // "data\part01_max2.bin": drawn once per drifting object
extern DriftVector driftPositions[kDriftCount];
extern DriftVector driftSeeds[kDriftCount];       // x, y renewed on respawn; z fixed
extern DriftVector driftVelocities[kDriftCount];  // z always -0.7
extern float cameraTimeOffset;                    // 0, then -4.2 once the music passes its window

// Places every object with three Rand15 draws each (x, y, then z).
void SeedDriftObjects();

// One frame's drift: move, respawn below the floor with fresh x and y draws,
// then new sideways velocities from the noise at time ticks.
void StepDriftObjects(float ticks);

// The music-time window (strictly between 14678 and 14878 ms) that jumps the camera back.
bool InCameraOffsetWindow(float ticks);
// Sets cameraTimeOffset to -4.2 inside the window; it is never set back.
void UpdateCameraTimeOffset(float ticks);
// ticks * 0.75 + cameraTimeOffset.
float Scene0CameraTime(float ticks);

// Axis of a drifting object's rotation at time ticks (the angle is ticks itself, in degrees).
DriftVector DriftRotationAxis(float ticks, const DriftVector& seed);

// The closing fade: black from tick 200, opaque at 250.
FadeColour Scene0FadeColour(float ticks);

}  // namespace velkor
