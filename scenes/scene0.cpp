// Scene 0: setup (models, projection, lights, fog, drifting objects) and the
// per-frame drawing with the closing fade and the drift step.
#include "scenes/scene0.h"

#include "music/sequencer.h"
#include "platform/gl.h"
#include "proc/maths.h"
#include "proc/noise.h"
#include "scenes/scenes.h"

namespace velkor {

SceneModel scene0Model;
SceneModel scene0DriftModel;
DriftVector driftPositions[kDriftCount];
DriftVector driftSeeds[kDriftCount];
DriftVector driftVelocities[kDriftCount];
float cameraTimeOffset = 0.0f;

namespace {

constexpr float kFallPerFrame = -0.7f;
constexpr float kFloorZ = -300.0f;
constexpr float kRespawnZ = 300.0f;
constexpr float kDriftScale = 0.08f;
constexpr float kFadeStartTicks = 200.0f;

const GLfloat kSkyColour[4] = {0.05f, 0.58f, 0.84f, 1.0f};
const GLfloat kFogColour[4] = {0.05f, 0.58f, 0.8f, 1.0f};
const GLfloat kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat kLight0Position[4] = {0.0f, 0.0f, 1000.0f, 1.0f};
const GLfloat kLight1Position[4] = {0.0f, 10000.0f, 0.0f, 1.0f};

// A whole number in -half .. half - 1 from the next generator value.
float DrawCentred(int range) { return static_cast<float>(Rand15() % range - range / 2); }

void LoadScene0Models() {
  SetUpSceneModel(scene0Model, "data\\texpart01\\", "data\\part01_max.bin");
  scene0DriftModel = LoadSceneModel("data\\part01_max2.bin");
  scene0DriftModel.currentCamera = FirstCamera(scene0DriftModel);
  PrepareSceneModel(scene0DriftModel);
}

// Positions are given under the identity modelview, so both lights stay fixed
// relative to the viewer.
void SetScene0Lights() {
  glClearColor(0.05f, 0.58f, 0.84f, 0.0f);
  glLightfv(GL_LIGHT0, GL_AMBIENT, kSkyColour);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, kWhite);
  glLightfv(GL_LIGHT0, GL_POSITION, kLight0Position);
  glLightfv(GL_LIGHT1, GL_AMBIENT, kSkyColour);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, kWhite);
  glLightfv(GL_LIGHT1, GL_POSITION, kLight1Position);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHT1);
  glShadeModel(GL_SMOOTH);
}

void SetScene0Fog() {
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogfv(GL_FOG_COLOR, kFogColour);
  glFogf(GL_FOG_START, 200.0f);
  glFogf(GL_FOG_END, 600.0f);
  glEnable(GL_FOG);
}

void DrawDriftObjects() {
  for (int i = 0; i < kDriftCount; ++i) {
    const DriftVector& p = driftPositions[i];
    glPushMatrix();
    glTranslatef(p.x, p.y, p.z);
    const DriftVector axis = DriftRotationAxis(demoTicks, driftSeeds[i]);
    glRotatef(demoTicks, axis.x, axis.y, axis.z);
    UpdateCameraTimeOffset(demoTicks);
    glScalef(kDriftScale, kDriftScale, kDriftScale);
    DrawSceneModel(scene0DriftModel);
    glPopMatrix();
  }
}

void DrawScene0Fade() {
  glEnable(GL_BLEND);
  DrawFadeLayer(Scene0FadeColour(sceneTicks));
  glEnable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
}

}  // namespace

void SeedDriftObjects() {
  for (int i = 0; i < kDriftCount; ++i) {
    const float x = DrawCentred(400);
    const float y = DrawCentred(400);
    driftVelocities[i] = DriftVector{0.0f, 0.0f, kFallPerFrame};
    const float z = DrawCentred(600);
    driftSeeds[i] = DriftVector{x, y, z};
    driftPositions[i] = driftSeeds[i];
  }
}

void StepDriftObjects(float ticks) {
  const double drift = static_cast<double>(ticks) * 0.01;
  for (int i = 0; i < kDriftCount; ++i) {
    DriftVector& p = driftPositions[i];
    DriftVector& s = driftSeeds[i];
    DriftVector& v = driftVelocities[i];
    p.x += v.x;
    p.y += v.y;
    p.z += v.z;
    if (p.z < kFloorZ) {
      p.z = kRespawnZ;
      s.x = p.x = DrawCentred(400);
      v = DriftVector{0.0f, 0.0f, kFallPerFrame};
      s.y = p.y = DrawCentred(400);
    }
    v.x = CosineNoise3(static_cast<float>(drift + s.x), s.y, s.z);
    v.y = CosineNoise3(s.x, static_cast<float>(drift + s.y), s.z + 100.0f);
  }
}

bool InCameraOffsetWindow(float ticks) {
  const float ms = MusicMsFromTicks(ticks);
  return ms > 14678.0f && ms < 14878.0f;
}

void UpdateCameraTimeOffset(float ticks) {
  if (InCameraOffsetWindow(ticks)) cameraTimeOffset = -4.2f;
}

float Scene0CameraTime(float ticks) {
  return static_cast<float>(static_cast<double>(ticks) * 0.75 + cameraTimeOffset);
}

DriftVector DriftRotationAxis(float ticks, const DriftVector& seed) {
  const double t = ticks;
  return DriftVector{static_cast<float>(t * seed.x + 200.4234234),
                     static_cast<float>((t + 100.0) * seed.y + 132.313),
                     static_cast<float>((t + kPiSixDecimals) * seed.z)};
}

FadeColour Scene0FadeColour(float ticks) {
  if (ticks > kFadeStartTicks) return BlackFade(static_cast<float>((ticks - kFadeStartTicks) * 0.02));
  return kNoFade;
}

void SetupScene0() {
  ReleaseSceneModel(scene0Model);
  ReleaseSceneModel(scene0DriftModel);
  // A fresh show starts without the camera jump.
  cameraTimeOffset = 0.0f;
  LoadScene0Models();
  SetScene0Lights();
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  SeedDriftObjects();
  SetScene0Fog();
}

void RenderScene0() {
  Camera* camera = scene0Model.currentCamera;
  if (camera) {
    AnimateCamera(*camera, Scene0CameraTime(demoTicks));
    LookThroughCamera(camera);
  }
  glFogf(GL_FOG_START, 300.0f);
  glFogf(GL_FOG_END, 600.0f);
  // Drawing a model selects unit 0 first; selecting it here as well keeps the
  // fade's texture switches on unit 0 when the main model has no meshes.
  glActiveTextureARB(GL_TEXTURE0_ARB);
  DrawSceneModel(scene0Model);
  glFogf(GL_FOG_START, 200.0f);
  glFogf(GL_FOG_END, 600.0f);
  DrawDriftObjects();
  DrawScene0Fade();
  StepDriftObjects(demoTicks);
}

}  // namespace velkor
