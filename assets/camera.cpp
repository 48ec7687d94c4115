// Camera paths: Catmull-Rom evaluation of the eye and target key tracks, and
// the projection and view a scene takes from its camera.
#include <algorithm>

#include "assets/model.h"
#include "proc/noise.h"

namespace velkor {

namespace {

float KeyAxis(const CameraKey& key, int axis) { return axis == 0 ? key.x : axis == 1 ? key.y : key.z; }

// Moves out along one track. Only a time strictly inside a segment moves it;
// before, after or exactly on a key the previous value stays. The first and last
// keys stand in for the missing neighbours at the ends of the track.
void AnimateTrack(const std::vector<CameraKey>& keys, std::uint32_t keyCount, float t, float* out, float* window) {
  const std::uint32_t n = std::min<std::uint32_t>(keyCount, static_cast<std::uint32_t>(keys.size()));
  if (n < 2) return;
  for (std::uint32_t i = 0; i + 1 < n; ++i) {
    const CameraKey& from = keys[i];
    const CameraKey& to = keys[i + 1];
    if (!(from.time < t && t < to.time)) continue;
    const float u = (t - from.time) / (to.time - from.time);
    const CameraKey& before = keys[i == 0 ? 0 : i - 1];
    const CameraKey& after = keys[std::min(i + 2, n - 1)];
    for (int axis = 0; axis < 3; ++axis) {
      window[0] = KeyAxis(before, axis);
      window[1] = KeyAxis(from, axis);
      window[2] = KeyAxis(to, axis);
      window[3] = KeyAxis(after, axis);
      out[axis] = CatmullRomSegment(u, 4, window);
    }
  }
}

}  // namespace

void AnimateCamera(Camera& camera, float t) {
  AnimateTrack(camera.positionKeys, camera.positionKeyCount, t, camera.position, camera.window);
  AnimateTrack(camera.targetKeys, camera.targetKeyCount, t, camera.target, camera.window);
}

void SetCameraProjection(const Camera* camera) {
  const double fovy = camera ? static_cast<double>(camera->fov) : kDefaultFovDegrees;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fovy, kPictureAspect, static_cast<double>(kNearPlane), kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void LookThroughCamera(const Camera* camera) {
  if (!camera) return;
  gluLookAt(camera->position[0], camera->position[1], camera->position[2], camera->target[0], camera->target[1],
            camera->target[2], 0.0, 0.0, 1.0);
}

}  // namespace velkor
